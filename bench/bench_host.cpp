#include "bench_host.h"

#include <cstdio>
#include <cstdlib>

#include "image/image_reader.h"

namespace ombrel::bench {

namespace {
HostModule* g_module = nullptr;
}  // namespace

host::Host& SharedHost() {
  static host::Host* shared = [] {
    host::InstallImageReader();
    auto* h = new host::Host();  // lives for the whole run; the process ends with it
    std::string error;
    g_module = h->Load(host::DefaultModulePath(), host::LoadOptions{}, error);
    if (!g_module) {
      std::fprintf(stderr, "ombrel_bench: %s\n", error.c_str());
      std::exit(1);
    }
    return h;
  }();
  return *shared;
}

HostModule* SharedModule() {
  SharedHost();
  return g_module;
}

}  // namespace ombrel::bench
