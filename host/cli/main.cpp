// ombrel-host: the stand-in host on the command line.
#include <CLI/CLI.hpp>

#include "commands.h"

int main(int argc, char** argv) {
  CLI::App app{"ombrel-host: loads the ombrel_shaders module and drives it like the host application"};
  app.require_subcommand(1);

  ombrel::cli::ModuleArgs moduleArgs;
  auto addModuleOptions = [&moduleArgs](CLI::App* cmd) {
    cmd->add_option("--res", moduleArgs.resourceDir, "resource folder (default: res beside the module)");
  };

  CLI::App* plugins = app.add_subcommand("plugins", "load the module and list its plug-ins in registration order");
  plugins->add_option("module", moduleArgs.module, "module file (default: the one built with this host)");
  addModuleOptions(plugins);

  std::string describeName;
  CLI::App* describe = app.add_subcommand("describe", "print a plug-in's parameters from its description");
  describe->add_option("name", describeName, "description name, plug-in name or plug-in ID")->required();
  describe->add_option("--module", moduleArgs.module, "module file (default: the one built with this host)");
  addModuleOptions(describe);

  CLI11_PARSE(app, argc, argv);
  if (plugins->parsed()) return ombrel::cli::RunPlugins(moduleArgs);
  if (describe->parsed()) return ombrel::cli::RunDescribe(moduleArgs, describeName);
  return 1;
}
