#include "cli_app.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <system_error>

#include "cli_report.h"
#include "command_line_errors.h"

namespace ombrel::cli {

void AddModuleOptions(CLI::App* command, ModuleArgs& args, bool moduleAsPositional) {
  if (moduleAsPositional) {
    // --module too, as every other command names the module.
    command->add_option("module,--module", args.module, "module file (default: the one built with this host)");
  } else {
    command->add_option("--module", args.module, "module file (default: the one built with this host)");
  }
  command->add_option("--res", args.resourceDir, "resource folder (default: res beside the module)");
}

namespace {

// A fault that escapes a command is reported as the command's failure, after the output so far:
// an abort would lose both, and with them whatever the user was told had been done.
int RunCommand(const Subcommand& command) {
  const std::string name = command.app->get_name();
  try {
    return command.run();
  } catch (const std::bad_alloc&) {
    std::fflush(stdout);
    Report("%s: out of memory; the command stopped", name.c_str());
  } catch (const std::exception& e) {
    std::fflush(stdout);
    Report("%s: stopped by an internal error: %s", name.c_str(), e.what());
  } catch (...) {
    std::fflush(stdout);
    Report("%s: stopped by an internal error", name.c_str());
  }
  return kExitFailed;
}

}  // namespace

CLI::Option* AddOutputOption(CLI::App* command, std::string& file, const std::string& help) {
  const CLI::Validator named(
      [](std::string& value) { return value.empty() ? std::string("the file name is empty") : std::string(); }, "");
  return command->add_option("-o,--output", file, help)->check(named);
}

namespace {

// The parser reads "-1" for an unsigned option, and any number past the largest, as the largest
// number there is, which no one who typed it meant. Text that is no number is left to the
// parser's own conversion.
void RefuseNegativeUnsigned(CLI::App& command) {
  const CLI::Validator unsigned_(
      [](std::string& value) {
        uint64_t number = 0;
        const char* end = value.data() + value.size();
        const bool negative = value.find('-') != std::string::npos;
        const bool tooLarge = std::from_chars(value.data(), end, number).ec == std::errc::result_out_of_range;
        if (!negative && !tooLarge) return std::string();
        return "\"" + value + "\" is not a whole number from 0 to " + std::to_string(UINT64_MAX);
      },
      "");
  for (CLI::Option* option : command.get_options()) {
    const std::string type = option->get_type_name();
    if (type.rfind("UINT", 0) == 0) option->check(unsigned_);
  }
}

}  // namespace

int RunCommandLine(CLI::App& app, const std::vector<Subcommand>& commands, int argc, char** argv) {
  for (const Subcommand& command : commands) RefuseNegativeUnsigned(*command.app);
  // The parser would call a misspelt command a missing one.
  if (argc > 1 && argv[1][0] != '-') {
    std::string known;
    bool found = false;
    for (const Subcommand& command : commands) {
      known += (known.empty() ? "" : ", ") + command.app->get_name();
      found = found || command.app->get_name() == argv[1];
    }
    if (!found) {
      std::vector<std::string> names;
      for (const Subcommand& command : commands) names.push_back(command.app->get_name());
      const std::string nearest = NearestWord(argv[1], names);
      const std::string guess = nearest.empty() ? "" : "did you mean " + nearest + "? ";
      Report("unknown command \"%s\"; %scommands: %s (see ombrel-host --help)", argv[1], guess.c_str(), known.c_str());
      return kExitUsage;
    }
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // --help and --help-all arrive as "errors" with exit code 0; the library prints them.
    if (e.get_exit_code() == 0) return app.exit(e);
    std::string help = "ombrel-host --help";
    const CLI::App* given = &app;
    for (const Subcommand& command : commands) {
      if (command.app->parsed()) {
        help = "ombrel-host " + command.app->get_name() + " --help";
        given = command.app;
      }
    }
    Report("%s (see %s)", DescribeParseError(app, *given, e).c_str(), help.c_str());
    return kExitUsage;
  }
  for (const Subcommand& command : commands) {
    if (command.app->parsed()) return RunCommand(command);
  }
  Report("no command given (see ombrel-host --help)");
  return kExitUsage;
}

}  // namespace ombrel::cli
