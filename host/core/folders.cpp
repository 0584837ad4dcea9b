#include "folders.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace ombrel::host {

bool ListFolder(const std::string& folder, std::vector<FolderEntry>& out, std::string* error) {
  out.clear();
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path dir(std::u8string(folder.begin(), folder.end()));
  const auto failed = [&] {
    if (error) *error = ec.message();
    out.clear();
    return false;
  };
  fs::directory_iterator it(dir, ec);
  if (ec) return failed();
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) return failed();
    const std::u8string name = it->path().filename().u8string();
    FolderEntry e;
    e.name.assign(name.begin(), name.end());
    std::error_code typeError;
    e.isFolder = it->is_directory(typeError);
    out.push_back(std::move(e));
  }
  // std::string compares as unsigned bytes, so UTF-8 names sort by code point.
  std::sort(out.begin(), out.end(), [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
  return true;
}

bool HasSuffix(const std::string& path, std::string suffix) {
  if (!suffix.empty() && suffix.front() == '.') suffix.erase(0, 1);
  const size_t slash = path.find_last_of("/\\");
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot + 1 >= name.size() || suffix.empty()) return false;
  const std::string own = name.substr(dot + 1);
  if (own.size() != suffix.size()) return false;
  auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : static_cast<char>(c); };
  for (size_t i = 0; i < own.size(); ++i) {
    if (lower(static_cast<unsigned char>(own[i])) != lower(static_cast<unsigned char>(suffix[i]))) return false;
  }
  return true;
}

}  // namespace ombrel::host
