// ombrel-host validate: checks any module of this interface the way a strict host would, by
// levels of rising strictness, with seeded cases that reproduce one by one.
#ifndef OMBREL_HOST_VALIDATE_VALIDATE_H
#define OMBREL_HOST_VALIDATE_VALIDATE_H

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace ombrel::validate {

// Long enough for any case of our module under the sanitizers on a loaded machine, short enough
// that a module that hangs in CI fails instead of stalling the job.
constexpr int64_t kDefaultTimeoutMs = 60000;

struct Options {
  std::string module;       // empty: the module built with this host
  std::string resourceDir;  // empty: res beside the module
  int level = 5;            // 1..10
  uint64_t seed = 1;
  std::optional<int32_t> plugin;       // only this plug-in
  std::string check;                   // only this check family ("render", ...) or check
  std::optional<int64_t> caseNumber;   // only this case of each check that runs
  // Each check, and the module's load and start before them, in a process of its own (POSIX):
  // a crash, an exit or a hang of the module is then a failure and the run goes on.
  bool isolate = true;
  int64_t timeoutMs = kDefaultTimeoutMs;  // with isolate: the longest one case may run; 0: no limit
  std::string json;                    // write the report here
  std::optional<int64_t> fuzzSets;     // fuzzed parameter sets per shader, instead of the level's
  std::optional<int> threads;          // sampling threads of the thread checks, instead of every core
  bool verbose = false;                // a line per check as it finishes
};

struct Failure {
  std::string check;       // e.g. "render.finite"
  int32_t plugin = 0;      // 0: the module as a whole
  std::string pluginName;
  int64_t caseNumber = -1; // -1: the check has no numbered cases
  std::string what;
};

// One check family run for one plug-in (or for the module).
struct CheckRun {
  std::string family;
  int32_t plugin = 0;
  std::string pluginName;
  int64_t cases = 0;
  double seconds = 0.0;
  bool skipped = false;
  bool notRun = false;  // skipped because this host cannot load the module (the note says why)
  std::string note;  // why it was skipped, or what it measured
  bool crashed = false;
  bool timedOut = false;
  std::vector<Failure> failures;
};

struct ValidationReport {
  std::vector<CheckRun> runs;
  bool moduleLoaded = false;
  std::string loadError;
  // Why the checks that load the module did not run (empty when they could): only the checks
  // of the file ran.
  std::string notRun;
  // A command line that names what the module does not have (--plugin with an ID it does not
  // register): no check ran.
  std::string usageError;
  int64_t Failures() const;
};

// The command that runs exactly the case that failed, as printed on the failure's line.
std::string ReproduceCommand(const Options& options, const Failure& failure);

// Runs the checks up to options.level on every plug-in the module registers; prints one line
// per failure to `out`, and names each check as it starts on `progress`, with a count of its
// cases every few seconds while it runs in a process of its own. Answers the report.
ValidationReport Validate(const Options& options, std::ostream& out, std::ostream& progress);

// The report as JSON text; names that are not UTF-8 are shown as PrintableText shows them.
std::string ReportJson(const Options& options, const ValidationReport& report);

// The check families by name, in the order they run, with the level that adds each.
struct FamilyInfo {
  const char* name;
  int level;
};
const std::vector<FamilyInfo>& CheckFamilies();

}  // namespace ombrel::validate

#endif
