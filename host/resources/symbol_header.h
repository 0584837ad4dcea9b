// Symbol headers (c4d_symbols.h, description/NAME.h): C enums that give the
// resource files their numeric IDs.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "resource_error.h"

namespace ombrel::host {

using SymbolMap = std::map<std::string, int32_t, std::less<>>;

// Reads every `enum [Name] { A = 1, B, C = 5, D = A, };` of the header into
// symbols (added to what is already there). Enumerators without a value
// count on from the previous one, starting at 0, as in C. Understands
// include guards (#ifndef / #define NAME / #endif), #pragma once and
// comments; rejects any other preprocessor line, #define with a value,
// a name defined twice and values outside 32 bits.
// If lines is given, it receives the line of each name read.
using SymbolLines = std::map<std::string, int, std::less<>>;
bool ParseSymbolHeader(std::string_view text, const std::string& file, SymbolMap& symbols,
                       ResourceError& err, SymbolLines* lines = nullptr);

}  // namespace ombrel::host
