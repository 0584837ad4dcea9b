// Loads the module for one command and unloads it when the command is done.
#ifndef OMBREL_HOST_CLI_MODULE_SESSION_H
#define OMBREL_HOST_CLI_MODULE_SESSION_H

#include <cstdio>
#include <string>

#include "commands.h"
#include "core/host.h"

namespace ombrel::cli {

class ModuleSession {
 public:
  explicit ModuleSession(const ModuleArgs& args) {
    host::LoadOptions options;
    if (!args.resourceDir.empty()) options.resourceDir = std::filesystem::path(args.resourceDir);
    const std::filesystem::path file =
        args.module.empty() ? host::DefaultModulePath() : std::filesystem::path(args.module);
    std::string error;
    module_ = host_.Load(file, options, error);
    if (!module_) std::fprintf(stderr, "ombrel-host: %s\n", error.c_str());
    for (const auto& line : host_.Log()) std::fprintf(stderr, "ombrel-host: %s\n", line.c_str());
  }
  ~ModuleSession() {
    if (!module_) return;
    const host::LedgerSnapshot left = host_.Unload(module_);
    // A plug-in developer wants to hear about leaks from every run, not only from the tests.
    if (left.liveBlocks != 0 || left.liveHandles != 0) {
      std::fprintf(stderr, "ombrel-host: the module left %lld blocks (%lld bytes) and %lld host objects behind\n",
                   static_cast<long long>(left.liveBlocks), static_cast<long long>(left.liveBytes),
                   static_cast<long long>(left.liveHandles));
    }
  }
  ModuleSession(const ModuleSession&) = delete;
  ModuleSession& operator=(const ModuleSession&) = delete;

  bool Ok() const { return module_ != nullptr; }
  host::Host& Host() { return host_; }

 private:
  host::Host host_;
  HostModule* module_ = nullptr;
};

}  // namespace ombrel::cli

#endif
