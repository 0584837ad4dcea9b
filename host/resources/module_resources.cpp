#include "module_resources.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "host_descriptions.h"
#include "resource_lexer.h"
#include "string_table.h"

namespace ombrel::host {
namespace {

namespace fs = std::filesystem;

bool ReadHeader(const fs::path& path, SymbolMap& symbols, ResourceError& err) {
  std::string text;
  if (!ReadResourceFile(path, text, err)) return false;
  SymbolMap read;
  SymbolLines lines;
  if (!ParseSymbolHeader(text, PathText(path), read, err, &lines)) return false;
  // A header that redefines a host name would silently change what the
  // host's groups and INCLUDEs mean.
  for (const auto& [name, id] : read) {
    if (FindHostSymbol(name) != nullptr) {
      err = ResourceError{PathText(path), lines[name],
                          "'" + name + "' is a host symbol and must not be redefined"};
      return false;
    }
  }
  symbols = std::move(read);
  return true;
}

bool ReadStrings(const fs::path& path, StringTable& table, ResourceError& err) {
  std::string text;
  if (!ReadResourceFile(path, text, err)) return false;
  return ParseStringTable(text, PathText(path), table, err);
}

bool LoadModuleStrings(const fs::path& resDir, SymbolMap& symbols,
                       std::map<int32_t, std::string>& strings, ResourceError& err) {
  if (!ReadHeader(resDir / "c4d_symbols.h", symbols, err)) return false;
  StringTable table;
  if (!ReadStrings(resDir / "strings_us" / "c4d_strings.str", table, err)) return false;
  if (!table.name.empty()) {
    err = ResourceError{table.file, table.nameLine,
                        "the module string table takes no name, found '" + table.name + "'"};
    return false;
  }
  std::map<int32_t, const StringEntry*> byId;
  for (const StringEntry& entry : table.entries) {
    const auto it = symbols.find(entry.key);
    if (it == symbols.end()) {
      err = ResourceError{table.file, entry.line,
                          "unknown symbol '" + entry.key + "' (not in c4d_symbols.h)"};
      return false;
    }
    const auto [prev, fresh] = byId.emplace(it->second, &entry);
    if (!fresh) {
      err = ResourceError{table.file, entry.line,
                          entry.key + " has the same string ID " + std::to_string(it->second) +
                              " as " + prev->second->key + " (line " +
                              std::to_string(prev->second->line) + ")"};
      return false;
    }
    strings[it->second] = entry.text;
  }
  return true;
}

bool LoadDescription(const fs::path& resDir, const fs::path& resFile, Description& out,
                     ResourceError& err) {
  const fs::path stem = resFile.stem();
  const std::string name = PathText(stem);
  SymbolMap symbols;
  if (!ReadHeader(resDir / "description" / fs::path(stem).concat(".h"), symbols, err)) {
    return false;
  }
  StringTable strings;
  if (!ReadStrings(resDir / "strings_us" / "description" / fs::path(stem).concat(".str"), strings,
                   err)) {
    return false;
  }
  std::string text;
  if (!ReadResourceFile(resFile, text, err)) return false;
  return ParseDescription(text, PathText(resFile), symbols, &strings, name, out, err);
}

}  // namespace

bool ModuleResources::Load(const std::filesystem::path& resDir, ResourceError& err) {
  stringSymbols_.clear();
  strings_.clear();
  descriptions_.clear();
  err = ResourceError{};

  std::error_code ec;
  if (!fs::is_directory(resDir, ec)) {
    err = ResourceError{PathText(resDir), 0,
                        fs::exists(resDir, ec) ? "resource folder is not a folder"
                                               : "resource folder does not exist"};
    return false;
  }

  SymbolMap symbols;
  std::map<int32_t, std::string> strings;
  if (!LoadModuleStrings(resDir, symbols, strings, err)) return false;

  const fs::path descriptionDir = resDir / "description";
  if (!fs::is_directory(descriptionDir, ec)) {
    err = ResourceError{PathText(descriptionDir), 0, "description folder does not exist"};
    return false;
  }
  std::vector<fs::path> resFiles;
  for (fs::directory_iterator it(descriptionDir, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path& path = it->path();
    if (path.extension() == ".res" && it->is_regular_file(ec)) resFiles.push_back(path);
  }
  if (ec) {
    err = ResourceError{PathText(descriptionDir), 0, "cannot list the folder: " + ec.message()};
    return false;
  }
  // Sorted so that the first problem reported does not depend on the file system.
  std::sort(resFiles.begin(), resFiles.end());

  std::map<std::string, Description, std::less<>> descriptions;
  for (const fs::path& resFile : resFiles) {
    Description description;
    if (!LoadDescription(resDir, resFile, description, err)) return false;
    std::string name = description.name;
    descriptions.emplace(std::move(name), std::move(description));
  }

  stringSymbols_ = std::move(symbols);
  strings_ = std::move(strings);
  descriptions_ = std::move(descriptions);
  return true;
}

const std::string* ModuleResources::FindString(int32_t id) const {
  const auto it = strings_.find(id);
  return it == strings_.end() ? nullptr : &it->second;
}

const Description* ModuleResources::FindDescription(std::string_view name) const {
  const auto it = descriptions_.find(name);
  return it == descriptions_.end() ? nullptr : &it->second;
}

std::vector<std::string> ModuleResources::DescriptionNames() const {
  std::vector<std::string> names;
  names.reserve(descriptions_.size());
  for (const auto& entry : descriptions_) names.push_back(entry.first);
  return names;
}

}  // namespace ombrel::host
