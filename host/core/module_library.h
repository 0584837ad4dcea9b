// A module file opened the platform's way (dlopen / LoadLibrary), and its entry point.
#ifndef OMBREL_HOST_MODULE_LIBRARY_H
#define OMBREL_HOST_MODULE_LIBRARY_H

#include <filesystem>
#include <memory>
#include <string>

#include "host_api.h"

namespace ombrel::host {

class ModuleLibrary {
 public:
  // Null with a message naming the file when it cannot be opened or has no c4d_main.
  static std::unique_ptr<ModuleLibrary> Open(const std::filesystem::path& file, std::string& error);
  ~ModuleLibrary();
  ModuleLibrary(const ModuleLibrary&) = delete;
  ModuleLibrary& operator=(const ModuleLibrary&) = delete;

  HostModuleMain Entry() const { return entry_; }
  const std::filesystem::path& File() const { return file_; }

 private:
  ModuleLibrary() = default;
  void* handle_ = nullptr;
  HostModuleMain entry_ = nullptr;
  std::filesystem::path file_;
};

// The file suffix of modules on this platform.
const char* ModuleSuffix();

// Folder of the running program; empty when the platform cannot tell.
std::filesystem::path ExecutableDir();

}  // namespace ombrel::host

#endif
