// The subcommands of ombrel-host; each lives in its own command_*.cpp.
#ifndef OMBREL_HOST_CLI_COMMANDS_H
#define OMBREL_HOST_CLI_COMMANDS_H

#include <filesystem>
#include <optional>
#include <string>

namespace ombrel::cli {

struct ModuleArgs {
  std::string module;  // empty: the default module
  std::string resourceDir;  // empty: "res" beside the module
};

// Loads the module, prints the console and the registered plug-ins in order.
int RunPlugins(const ModuleArgs& args);

// Prints a plug-in's parameters from its description.
int RunDescribe(const ModuleArgs& args, const std::string& name);

}  // namespace ombrel::cli

#endif
