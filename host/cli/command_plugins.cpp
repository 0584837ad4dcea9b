#include <cstdio>
#include <memory>

#include "cli_app.h"
#include "cli_report.h"
#include "module_session.h"

namespace ombrel::cli {

int RunPlugins(const ModuleArgs& args) {
  ModuleSession session(args);
  if (!session.Ok()) return kExitFailed;
  for (const auto& line : session.Host().GetConsole().Lines()) std::printf("%s\n", line.c_str());
  const auto& plugins = session.Host().GetRegistry().Plugins();
  std::printf("%zu plug-ins registered:\n", plugins.size());
  for (const auto& p : plugins) {
    const char* kind = p->pluginType == HOST_PLUGINTYPE_SHADER ? "shader" : "tool";
    std::printf("  %-8d %-7s (type %d)  %-18s %s\n", p->id, kind, p->pluginType, p->descriptionName.c_str(),
                p->name.c_str());
  }
  return kExitOk;
}

Subcommand AddPluginsCommand(CLI::App& app) {
  auto args = std::make_shared<ModuleArgs>();
  CLI::App* command = app.add_subcommand("plugins", "load the module and list its plug-ins in registration order");
  AddModuleOptions(command, *args, true);
  return {command, [args] { return RunPlugins(*args); }};
}

}  // namespace ombrel::cli
