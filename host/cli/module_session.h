// Loads the module for one command and unloads it when the command is done.
#ifndef OMBREL_HOST_CLI_MODULE_SESSION_H
#define OMBREL_HOST_CLI_MODULE_SESSION_H

#include <string>

#include "cli_report.h"
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
    if (!module_) ReportText(error);
    for (const auto& line : host_.Log()) ReportText(line);
    // A module without its resources registers nothing a user could run; in CI that must not
    // pass as a successful start. The host's log above said why.
    if (module_ && module_->resourceAnswer != 1) {
      started_ = false;
    } else if (module_ && module_->startAnswer != 1) {
      Report("module %s could not start: its start-up answered %d", file.string().c_str(), module_->startAnswer);
    } else {
      started_ = module_ != nullptr;
    }
  }
  ~ModuleSession() {
    if (!module_) return;
    const host::LedgerSnapshot left = host_.Unload(module_);
    // A plug-in developer wants to hear about leaks from every run, not only from the tests.
    if (left.liveBlocks != 0 || left.liveHandles != 0) {
      Report("the module left %lld blocks (%lld bytes) and %lld host objects behind",
             static_cast<long long>(left.liveBlocks), static_cast<long long>(left.liveBytes),
             static_cast<long long>(left.liveHandles));
    }
  }
  ModuleSession(const ModuleSession&) = delete;
  ModuleSession& operator=(const ModuleSession&) = delete;

  // Loaded and started with its resources.
  bool Ok() const { return started_; }
  host::Host& Host() { return host_; }

 private:
  host::Host host_;
  HostModule* module_ = nullptr;
  bool started_ = false;
};

}  // namespace ombrel::cli

#endif
