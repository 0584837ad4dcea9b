// Descriptions (.res): the parameter layout the host builds a plug-in's
// attribute panel from, with labels from the matching .str file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "resource_error.h"
#include "string_table.h"
#include "symbol_header.h"

namespace ombrel::host {

struct DescElement {
  // "REAL", "LONG", "BOOL", "VECTOR", "COLOR", "SHADERLINK", "LINK",
  // "GRADIENT", "BUTTON", "SEPARATOR", "GROUP"; the host's own entries may
  // also be "STRING" or "MATPREVIEW".
  std::string kind;
  int32_t id = 0;             // 0 only for an unnamed SEPARATOR
  std::string symbol;         // "" for an unnamed SEPARATOR
  std::string label;          // from the description's string table, "" if none
  int32_t parentGroup = 0;    // id of the enclosing GROUP, 0 at the top
  // Limits as written in the .res, in the units the user sees (see
  // UnitScale()). The slider pair bounds only the slider; MIN/MAX bound
  // what can be typed.
  std::optional<double> min, max, step, minSlider, maxSlider;
  std::string unit;           // "", "DEGREE" or "PERCENT"
  bool animOff = false;
  int32_t customType = 0;     // host custom data type: GRADIENT 1000481, MATPREVIEW 1011153
  std::vector<std::pair<int32_t, std::string>> cycle;  // item id, item label
  std::string origin;         // "" for the plug-in's own element, else the INCLUDEd host description
  int line = 0;               // line in the .res file (of the INCLUDE for host elements)

  // Factor from the stored value to the shown one: 100 for PERCENT,
  // 180/pi for DEGREE (radians stored), else 1. stored = shown / UnitScale().
  double UnitScale() const;
};

struct Description {
  std::string name;                   // the CONTAINER name
  std::string title;                  // label of the NAME entry, "" if none
  std::string file;                   // the .res file, as named in errors
  std::vector<std::string> includes;  // INCLUDEd host descriptions, in order
  std::vector<DescElement> elements;  // document order, INCLUDEs expanded in place
  SymbolMap symbols;                  // the description's header

  const DescElement* Find(int32_t id) const;
  const DescElement* FindSymbol(std::string_view symbol) const;
};

// Deepest GROUP nesting accepted; deeper input is refused, not recursed into.
inline constexpr int kMaxGroupDepth = 16;

// Parses one .res file. Symbols resolve against `symbols` (the description's
// header), then the host's own symbols. Labels and cycle item labels come from
// `strings` (may be null); a missing label is not an error, but a table entry
// whose key is neither the description's name nor a header symbol is, and so is
// a table named after another description. If expectedName is not empty, the
// CONTAINER must carry that name.
bool ParseDescription(std::string_view text, const std::string& file, const SymbolMap& symbols,
                      const StringTable* strings, std::string_view expectedName,
                      Description& out, ResourceError& err);

}  // namespace ombrel::host
