// All resources of one plug-in module, read from its res folder:
//   c4d_symbols.h                        string IDs
//   strings_us/c4d_strings.str           module strings
//   description/NAME.res + NAME.h        one description per plug-in
//   strings_us/description/NAME.str      its labels
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "description.h"
#include "resource_error.h"
#include "symbol_header.h"

namespace ombrel::host {

class ModuleResources {
 public:
  // Loads c4d_symbols.h, strings_us/c4d_strings.str, every description/*.res
  // with its .h and strings_us/description/*.str. Returns false and fills
  // err (file and line) on the first problem; a folder that does not exist
  // is an error that names it. After a failure the object holds nothing;
  // after a success it holds exactly the new folder's resources.
  bool Load(const std::filesystem::path& resDir, ResourceError& err);

  const std::string* FindString(int32_t id) const;  // module string table
  const Description* FindDescription(std::string_view name) const;
  std::vector<std::string> DescriptionNames() const;  // sorted

  // IDS_ symbols of c4d_symbols.h.
  const SymbolMap& StringSymbols() const { return stringSymbols_; }

 private:
  SymbolMap stringSymbols_;
  std::map<int32_t, std::string> strings_;
  std::map<std::string, Description, std::less<>> descriptions_;
};

}  // namespace ombrel::host
