// Scene files from any bytes: the loader must answer a scene or an error naming the file, never
// crash, and leave no half-built document behind. The module is loaded once, as ombrel-host
// loads it, so shader types and parameters resolve against its real descriptions.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/host.h"
#include "scenefile/scene_file.h"

namespace {

ombrel::host::Host& LoadedHost() {
  static ombrel::host::Host* host = [] {
    auto* h = new ombrel::host::Host();
    std::string error;
    if (!h->Load(ombrel::host::DefaultModulePath(), {}, error)) {
      std::fprintf(stderr, "fuzz_scene_file: %s\n", error.c_str());
      std::abort();
    }
    return h;
  }();
  return *host;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ombrel::host::Host& host = LoadedHost();
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  ombrel::host::Scene scene;
  std::string error;
  const bool loaded = ombrel::host::LoadSceneText(host, text, "fuzz.json", scene, error);
  if (loaded ? scene.document == nullptr : (error.rfind("fuzz.json:", 0) != 0 || host.ActiveDocument() != nullptr)) {
    std::fprintf(stderr, "fuzz_scene_file: %s answer broke its promise: %s\n", loaded ? "a loaded" : "a refused",
                 error.c_str());
    std::abort();
  }
  host.FreeDocuments();
  return 0;
}
