#include <cctype>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli_app.h"
#include "cli_report.h"
#include "module_session.h"

namespace ombrel::cli {

namespace {

// The version a module gives in what it prints at its start ("... - Version 2 Installed"): the
// interface has no call for it, and that line is where a user of the application reads it.
std::string ModuleVersion(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    for (size_t at = 0; (at = line.find("ersion ", at)) != std::string::npos; at += 7) {
      if (at == 0 || (line[at - 1] != 'V' && line[at - 1] != 'v')) continue;
      size_t end = at + 7;
      while (end < line.size() && (std::isalnum(static_cast<unsigned char>(line[end])) || line[end] == '.' ||
                                   line[end] == '-' || line[end] == '+')) {
        ++end;
      }
      if (end > at + 7 && std::isdigit(static_cast<unsigned char>(line[at + 7]))) return line.substr(at + 7, end - at - 7);
    }
  }
  return "";
}

}  // namespace

int RunPlugins(const ModuleArgs& args) {
  ModuleSession session(args);
  if (!session.Ok()) return kExitFailed;
  for (const auto& line : session.Host().GetConsole().Lines()) std::printf("%s\n", line.c_str());
  const std::string version = ModuleVersion(session.Host().GetConsole().Lines());
  std::printf("module version: %s\n", version.empty() ? "not given in its start line" : version.c_str());
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
