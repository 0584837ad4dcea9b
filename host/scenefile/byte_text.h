// Text that is not UTF-8 in scene files. Names and file names on Linux are bytes, while JSON
// text is Unicode: a string that is not well-formed UTF-8 is written as {"bytes": "caf%E9.png"},
// where every byte outside a well-formed character, and '%' itself, is %XX. Every UTF-8 string
// stays a plain string, exactly as before.
#ifndef OMBREL_HOST_SCENEFILE_BYTE_TEXT_H
#define OMBREL_HOST_SCENEFILE_BYTE_TEXT_H

#include <optional>
#include <string>
#include <string_view>

#include "scenefile/json_checks.h"

namespace ombrel::host::scenefile {

inline constexpr std::string_view kBytesKey = "bytes";

// The text of a {"bytes": ...} object for `text`.
std::string EncodeByteText(std::string_view text);

// The bytes of a {"bytes": ...} object's text; nothing when a '%' is not followed by two hex
// digits.
std::optional<std::string> DecodeByteText(std::string_view text);

// Replaces every string value of `value`, however deep, that is not UTF-8 by its bytes form.
void WriteByteTexts(Json& value);

}  // namespace ombrel::host::scenefile

#endif
