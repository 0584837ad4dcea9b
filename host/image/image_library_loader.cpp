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
  const std::filesystem::path file = ProgramFolder() / OMBREL_IMAGE_LIBRARY_FILE;
  // Never closed: the library keeps threads and exit handlers of its own.
  void* handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* reason = ::dlerror();
    error = "cannot load the image library \"" + file.string() + "\": " + (reason ? reason : "no reason given");
    return nullptr;
  }
  using Entry = const ImageCodec* (*)();
  auto entry = reinterpret_cast<Entry>(::dlsym(handle, kImageCodecEntry));
  const ImageCodec* codec = entry ? entry() : nullptr;
  if (!codec) error = "the image library \"" + file.string() + "\" has no entry point " + kImageCodecEntry;
  return codec;
}

}  // namespace

void InstallImageLibraryLoader() { SetImageCodecLoader(&LoadBesideProgram); }

}  // namespace ombrel::host
