// String tables (.str): `STRINGTABLE [NAME] { KEY "text"; ... }`.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "resource_error.h"

namespace ombrel::host {

struct StringEntry {
  std::string key;   // a symbol; resolved by whoever knows the symbols
  std::string text;
  int line = 0;
};

struct StringTable {
  std::string file;
  std::string name;  // "" for the module table, the description name otherwise
  int nameLine = 0;
  std::vector<StringEntry> entries;  // file order, keys unique

  const StringEntry* Find(std::string_view key) const;
};

// Syntax only: keys are not checked against any header here. A key given
// twice is an error.
bool ParseStringTable(std::string_view text, const std::string& file, StringTable& out,
                      ResourceError& err);

}  // namespace ombrel::host
