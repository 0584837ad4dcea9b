// The command line of ombrel-host in one place: every subcommand registers itself here through
// its Add...Command function, and parse errors get the program's own style and exit code.
#ifndef OMBREL_HOST_CLI_CLI_APP_H
#define OMBREL_HOST_CLI_CLI_APP_H

#include <functional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "commands.h"

namespace ombrel::cli {

// A subcommand: its options are bound to state owned by `run`, which does the work once the
// command line parsed and answers the exit code.
struct Subcommand {
  CLI::App* app = nullptr;
  std::function<int()> run;
};

// --module and --res, shared by every command that loads the module.
void AddModuleOptions(CLI::App* command, ModuleArgs& args, bool moduleAsPositional = false);

// -o/--output FILE. An empty name is a wrong command line: taken as no -o, it would render to the
// default name, or end an edit without saving it.
CLI::Option* AddOutputOption(CLI::App* command, std::string& file, const std::string& help);

Subcommand AddPluginsCommand(CLI::App& app);
Subcommand AddDescribeCommand(CLI::App& app);
Subcommand AddRenderCommand(CLI::App& app);
Subcommand AddSampleCommand(CLI::App& app);
Subcommand AddEditCommand(CLI::App& app);
Subcommand AddValidateCommand(CLI::App& app);

// Parses the command line and runs the one subcommand given. A wrong command line is reported
// as "ombrel-host: ..." with a pointer to --help and ends with kExitUsage; --help prints the
// usage and ends with kExitOk.
int RunCommandLine(CLI::App& app, const std::vector<Subcommand>& commands, int argc, char** argv);

}  // namespace ombrel::cli

#endif
