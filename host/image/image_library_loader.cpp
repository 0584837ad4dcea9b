#include "image/image_library_loader.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace ombrel::host {
namespace {

std::filesystem::path ProgramFolder() {
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return {};
  return std::filesystem::path(std::string(buffer, static_cast<size_t>(n))).parent_path();
}

const ImageCodec* LoadBesideProgram(std::string& error) {
  using Entry = const ImageCodec* (*)();
  auto entry = reinterpret_cast<Entry>(EntryBesideProgram(OMBREL_IMAGE_LIBRARY_FILE, kImageCodecEntry, "the image library", error));
  return entry ? entry() : nullptr;
}

}  // namespace

void* EntryBesideProgram(const char* file, const char* entry, const char* what, std::string& error) {
  const std::filesystem::path path = ProgramFolder() / file;
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* reason = ::dlerror();
    error = std::string("cannot load ") + what + " \"" + path.string() + "\": " + (reason ? reason : "no reason given");
    return nullptr;
  }
  void* found = ::dlsym(handle, entry);
  if (!found) error = std::string(what) + " \"" + path.string() + "\" has no entry point " + entry;
  return found;
}

void InstallImageLibraryLoader() { SetImageCodecLoader(&LoadBesideProgram); }

}  // namespace ombrel::host
