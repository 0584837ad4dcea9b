#include <cstdio>
#include <iostream>
#include <memory>

#include "cli_app.h"
#include "cli_report.h"
#include "core/atomic_file.h"
#include "core/printable_text.h"
#include "validate/validate.h"

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace ombrel::cli {

namespace {

// Sends what is written to standard output to standard error for as long as it lives, so that
// with --json - the module and the checks can print nothing but the report there.
class StdoutToStderr {
 public:
  StdoutToStderr() {
    std::fflush(stdout);
    std::cout.flush();
#if defined(_WIN32)
    saved_ = _dup(1);
    if (saved_ >= 0) _dup2(2, 1);
#else
    saved_ = ::dup(1);
    if (saved_ >= 0) ::dup2(2, 1);
#endif
  }
  ~StdoutToStderr() {
    std::fflush(stdout);
    std::cout.flush();
    if (saved_ < 0) return;
#if defined(_WIN32)
    _dup2(saved_, 1);
    _close(saved_);
#else
    ::dup2(saved_, 1);
    ::close(saved_);
#endif
  }
  StdoutToStderr(const StdoutToStderr&) = delete;
  StdoutToStderr& operator=(const StdoutToStderr&) = delete;

 private:
  int saved_ = -1;
};

void PrintSummary(const validate::Options& options, const validate::ValidationReport& report, std::ostream& out) {
  const int64_t failures = report.Failures();
  int64_t cases = 0, runs = 0, skipped = 0, notRun = 0;
  for (const validate::CheckRun& r : report.runs) {
    if (r.notRun) {
      ++notRun;
      continue;
    }
    cases += r.cases;
    runs += 1;
    skipped += r.skipped ? 1 : 0;
    if (r.skipped && !r.note.empty()) out << "validate: " << r.family << " skipped: " << r.note << '\n';
  }
  // The summary stays the last line; a run that could not load the module says so in it, as its
  // exit code covers the file checks only.
  out << "validate: level " << options.level << ", seed " << options.seed << ": " << runs << " checks, " << cases
      << " cases";
  if (skipped) out << " (" << skipped << " skipped)";
  out << ", " << failures << (failures == 1 ? " failure" : " failures");
  if (notRun) out << "; " << notRun << (notRun == 1 ? " check" : " checks") << " not run, only the module file was checked";
  out << '\n';
  out.flush();
}

int RunValidate(const ModuleArgs& module, validate::Options options) {
  options.module = module.module;
  options.resourceDir = module.resourceDir;
  if (!options.check.empty()) {
    const std::string family = options.check.substr(0, options.check.find('.'));
    bool known = false;
    std::string names;
    for (const validate::FamilyInfo& f : validate::CheckFamilies()) {
      known = known || family == f.name;
      names += (names.empty() ? "" : ", ") + std::string(f.name);
    }
    if (!known) {
      Report("--check: no check named \"%s\"; checks: %s", options.check.c_str(), names.c_str());
      return kExitUsage;
    }
  }
  const bool jsonToStdout = options.json == "-";
  // Before the run, so a long run is not lost to a typing error in the path.
  std::string error;
  if (!options.json.empty() && !jsonToStdout && !host::CanWriteFileAt(options.json, error)) {
    Report("--json: %s", error.c_str());
    return kExitUsage;
  }
  std::ostream& out = jsonToStdout ? std::cerr : std::cout;
  validate::ValidationReport report;
  {
    std::unique_ptr<StdoutToStderr> redirect;
    if (jsonToStdout) redirect = std::make_unique<StdoutToStderr>();
    report = validate::Validate(options, out, std::cerr);
  }
  if (!report.usageError.empty()) {
    ReportText(report.usageError);
    return kExitUsage;
  }
  PrintSummary(options, report, out);
  if (!options.json.empty()) {
    const std::string text = validate::ReportJson(options, report);
    if (jsonToStdout) {
      std::cout << text;
      std::cout.flush();
      if (!std::cout) {
        Report("--json -: the report could not be written to standard output");
        return kExitFailed;
      }
    } else {
      if (!host::WriteFileAtomically(options.json, text.data(), text.size(), error)) {
        Report("--json: %s", error.c_str());
        return kExitFailed;
      }
    }
  }
  return report.Failures() == 0 ? kExitOk : kExitFailed;
}

}  // namespace

Subcommand AddValidateCommand(CLI::App& app) {
  struct State {
    ModuleArgs module;
    validate::Options options;
    int64_t caseNumber = -1;
    int32_t plugin = 0;
    int64_t fuzzSets = -1;
    int threads = 0;
    bool isolate = false;  // the default; kept for the command lines that name it
    bool noIsolate = false;
  };
  auto state = std::make_shared<State>();
  CLI::App* command = app.add_subcommand(
      "validate", "check a module the way a strict host would: its file, lifecycle, descriptions, rendering, threads, "
                  "fuzzing, messages, tools, failed allocations (docs/validate.md)");
  AddModuleOptions(command, state->module, true);
  command->add_option("--level", state->options.level, "strictness 1..10 (default 5)")->check(CLI::Range(1, 10));
  command->add_option("--seed", state->options.seed, "seed of every random case (default 1)");
  command->add_option("--plugin", state->plugin, "only this plug-in ID");
  command->add_option("--check", state->options.check, "only this check (e.g. render, fuzz)");
  command->add_option("--case", state->caseNumber, "only this case number of each check")->check(CLI::NonNegativeNumber);
  CLI::Option* isolate =
      command->add_flag("--isolate", state->isolate,
                        "run the module's start and each check in a process of their own (the default)");
  command->add_flag("--no-isolate", state->noIsolate,
                    "run everything in this one process, for a debugger; a crash, exit or hang then ends validate")
      ->excludes(isolate);
  CLI::Option* timeout =
      command->add_option("--timeout-ms", state->options.timeoutMs,
                          "a case that runs longer is a failure, and the run goes on (default 60000; 0: no limit)")
          ->check(CLI::NonNegativeNumber);
  command->add_option("--json", state->options.json, "write a machine-readable report to this file (-: standard output)");
  command->add_option("--fuzz-sets", state->fuzzSets, "fuzzed parameter sets per shader instead of the level's")
      ->check(CLI::NonNegativeNumber);
  command->add_option("--threads", state->threads, "sampling threads of the thread checks (default: 2, every core from level 8)")
      ->check(CLI::Range(1, 256));
  command->add_flag("--verbose", state->options.verbose, "a line for every check as it finishes");
  return {command, [state, timeout] {
            validate::Options o = state->options;
            o.isolate = !state->noIsolate;
#if defined(_WIN32)
            if (timeout->count() > 0) {
              Report("--timeout-ms needs the checks in processes of their own, which this host has on Linux only");
              return static_cast<int>(kExitUsage);
            }
#else
            (void)timeout;
#endif
            if (o.timeoutMs > 0 && !o.isolate && timeout->count() > 0) {
              Report("--timeout-ms needs the checks in processes of their own: leave out --no-isolate");
              return static_cast<int>(kExitUsage);
            }
            if (state->caseNumber >= 0) o.caseNumber = state->caseNumber;
            if (state->plugin != 0) o.plugin = state->plugin;
            if (state->fuzzSets >= 0) o.fuzzSets = state->fuzzSets;
            if (state->threads > 0) o.threads = state->threads;
            return RunValidate(state->module, o);
          }};
}

}  // namespace ombrel::cli
