#include "module_library.h"

#include "module_boundary.h"
#include "module_file_check.h"
#include "module_file_facts.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace ombrel::host {

const char* ModuleSuffix() {
#if defined(_WIN32)
  return ".cdl64";
#elif defined(__APPLE__)
  return ".dylib";
#else
  return ".so";
#endif
}

std::filesystem::path ExecutableDir() {
#if defined(_WIN32)
  wchar_t buf[4096];
  const DWORD n = GetModuleFileNameW(nullptr, buf, static_cast<DWORD>(sizeof(buf) / sizeof(buf[0])));
  if (n == 0 || n >= sizeof(buf) / sizeof(buf[0])) return {};
  return std::filesystem::path(std::wstring(buf, n)).parent_path();
#elif defined(__linux__)
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : exe.parent_path();
#else
  return {};
#endif
}

namespace {

// What the file's own headers say against loading it, beyond what the system loader checks in a
// way it can report: for a module of another CPU, glibc's loader skips the file and answers "No
// such file or directory"; an entry point that is data would be called and crash. Empty when the
// headers cannot be read: the loader then says why in its own words.
std::string RefusalFromFacts(const std::filesystem::path& file) {
  ModuleFileFacts facts;
  std::string reason;
  if (!ReadModuleFileFacts(file, facts, reason) || facts.format != NativeModuleFormat()) return {};
  if (facts.cpu != HostCpuName()) {
    return "it is " + DescribeModule(facts) + ", built for another machine: this host (" + HostSystemName() + " " +
           HostCpuName() + ") loads " + HostCpuName() + " modules only";
  }
  if (!facts.library) return "it is " + DescribeModule(facts) + ", not a module a host can load";
  return EntryIsDataProblem(facts).empty() ? std::string() : "it " + EntryIsDataProblem(facts);
}

}  // namespace

std::unique_ptr<ModuleLibrary> ModuleLibrary::Open(const std::filesystem::path& file, std::string& error) {
  std::unique_ptr<ModuleLibrary> lib(new ModuleLibrary());
  lib->file_ = file;
  std::string reason;
  if (!CheckModuleFile(file, reason)) {
    error = reason == "no such file" ? "module not found: " + file.string()
                                     : "cannot load module " + file.string() + ": " + reason;
    return nullptr;
  }
  const std::string refusal = RefusalFromFacts(file);
  if (!refusal.empty()) {
    error = "cannot load module " + file.string() + ": " + refusal;
    return nullptr;
  }
  // Always by a full path: a bare name would make the loader search the library path and could
  // load a system library of the same name instead of the file that was checked.
  std::error_code ec;
  const std::filesystem::path explicitPath = std::filesystem::absolute(file, ec);
  if (ec) {
    error = "cannot load module " + file.string() + ": " + ec.message();
    return nullptr;
  }
#if defined(_WIN32)
  HMODULE handle = LoadLibraryW(explicitPath.wstring().c_str());
  if (!handle) {
    error = "cannot load module " + file.string() + " (error " + std::to_string(GetLastError()) + ")";
    return nullptr;
  }
  lib->handle_ = handle;
  lib->entry_ = reinterpret_cast<HostModuleMain>(reinterpret_cast<void*>(GetProcAddress(handle, "c4d_main")));
#else
  void* handle = dlopen(explicitPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = dlerror();
    error = "cannot load module " + file.string() + ": " + (why ? why : "unknown error");
    return nullptr;
  }
  lib->handle_ = handle;
  lib->entry_ = reinterpret_cast<HostModuleMain>(dlsym(handle, "c4d_main"));
#endif
  if (!lib->entry_) {
    error = "module " + file.string() + " has no c4d_main";
    return nullptr;
  }
  return lib;
}

ModuleLibrary::~ModuleLibrary() {
  if (!handle_) return;
#if defined(_WIN32)
  FreeLibrary(static_cast<HMODULE>(handle_));
#else
  dlclose(handle_);
#endif
}

}  // namespace ombrel::host
