#include <fstream>
#include <iostream>
#include <memory>

#include "cli_app.h"
#include "cli_report.h"
#include "core/printable_text.h"
#include "validate/validate.h"

namespace ombrel::cli {

namespace {

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
  const validate::ValidationReport report = validate::Validate(options, std::cout);
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
    if (r.skipped && !r.note.empty()) std::cout << "validate: " << r.family << " skipped: " << r.note << '\n';
  }
  // The summary stays the last line; a run that could not load the module says so in it, as its
  // exit code covers the file checks only.
  std::cout << "validate: level " << options.level << ", seed " << options.seed << ": " << runs << " checks, " << cases
            << " cases";
  if (skipped) std::cout << " (" << skipped << " skipped)";
  std::cout << ", " << failures << (failures == 1 ? " failure" : " failures");
  if (notRun) std::cout << "; " << notRun << (notRun == 1 ? " check" : " checks") << " not run, only the module file was checked";
  std::cout << '\n';
  if (!options.json.empty()) {
    std::ofstream out(options.json, std::ios::binary | std::ios::trunc);
    out << validate::ReportJson(options, report);
    out.close();
    if (!out) {
      Report("--json: the report could not be written to %s", host::PrintableText(options.json).c_str());
      return kExitFailed;
    }
  }
  return failures == 0 ? kExitOk : kExitFailed;
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
  command->add_flag("--isolate", state->options.isolate, "run each check in a process of its own, so a crash is reported");
  command->add_option("--json", state->options.json, "write a machine-readable report to this file");
  command->add_option("--fuzz-sets", state->fuzzSets, "fuzzed parameter sets per shader instead of the level's")
      ->check(CLI::NonNegativeNumber);
  command->add_option("--threads", state->threads, "sampling threads of the thread checks (default: 2, every core from level 8)")
      ->check(CLI::Range(1, 256));
  command->add_flag("--verbose", state->options.verbose, "a line for every check as it finishes");
  return {command, [state] {
            validate::Options o = state->options;
            if (state->caseNumber >= 0) o.caseNumber = state->caseNumber;
            if (state->plugin != 0) o.plugin = state->plugin;
            if (state->fuzzSets >= 0) o.fuzzSets = state->fuzzSets;
            if (state->threads > 0) o.threads = state->threads;
            return RunValidate(state->module, o);
          }};
}

}  // namespace ombrel::cli
