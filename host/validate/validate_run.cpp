// Runs the check families over the module's plug-ins, each in this process or in a process of
// its own, and reports every failure on one line with the command that reproduces it.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "check_context.h"
#include "child_run.h"
#include "core/printable_text.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace ombrel::validate {

using host::PrintableText;

namespace {

// The module file, read before anything is loaded; the module as a whole; each shader; each tool.
enum class Scope { File, Module, Shader, Tool };

struct Family {
  FamilyInfo info;
  Scope scope;
  void (*run)(CheckContext&);
};

const std::vector<Family>& Families() {
  static const std::vector<Family> kFamilies = {
      {{"file", 1}, Scope::File, CheckFile},
      {{"lifecycle", 1}, Scope::Module, CheckLifecycle},
      {{"descriptions", 2}, Scope::Shader, CheckDescriptions},
      {{"render", 3}, Scope::Shader, CheckRender},
      {{"determinism", 4}, Scope::Shader, CheckDeterminism},
      {{"fuzz", 5}, Scope::Shader, CheckFuzz},
      {{"messages", 6}, Scope::Shader, CheckMessages},
      {{"tools", 7}, Scope::Tool, CheckTools},
      {{"concurrency", 8}, Scope::Module, CheckConcurrency},
      {{"allocation-failure", 8}, Scope::Shader, CheckAllocationFailure},
  };
  return kFamilies;
}

struct PluginInfo {
  int32_t id = 0;
  std::string name;
  int32_t type = 0;
};

std::string FamilyOf(const std::string& check) {
  const size_t dot = check.find('.');
  return dot == std::string::npos ? check : check.substr(0, dot);
}

// What runs, for the messages of a crash or an exit of the module in a run without isolation,
// written before it runs as a signal handler may only write.
char gCrashLine[512];
char gExitLine[512];

void SetDoing(const std::string& doing) {
  const std::string what = PrintableText(doing);
#ifndef _WIN32
  const char* advice = "; a run without --no-isolate reports it as a failure and goes on";
#else
  const char* advice = "";
#endif
  std::snprintf(gCrashLine, sizeof gCrashLine, "ombrel-host: validate: the module crashed during %s%s\n", what.c_str(),
                advice);
  std::snprintf(gExitLine, sizeof gExitLine,
                "ombrel-host: validate: the module ended the process (exit) during %s, which is a failure\n",
                what.c_str());
}

#ifndef _WIN32
extern "C" void OnCrash(int signal) {
  const ssize_t written = ::write(STDERR_FILENO, gCrashLine, std::strlen(gCrashLine));
  (void)written;
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}
#endif

std::string Escape(const std::string& s) {
  std::string out;
  for (const char ch : s) {
    if (ch == '\\') out += "\\\\";
    else if (ch == '\t') out += "\\t";
    else if (ch == '\n') out += "\\n";
    else out += ch;
  }
  return out;
}

std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      const char n = s[++i];
      out += n == 't' ? '\t' : n == 'n' ? '\n' : n;
    } else {
      out += s[i];
    }
  }
  return out;
}

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t tab = line.find('\t', start);
    parts.push_back(Unescape(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start)));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  return parts;
}

// A finished run as lines, for the parent process of --isolate (which Windows runs in one process).
[[maybe_unused]] std::string Serialize(const CheckRun& run) {
  std::ostringstream out;
  out << "R\t" << run.cases << '\t' << run.seconds << '\t' << (run.skipped ? 1 : 0) << '\t' << Escape(run.note) << '\n';
  for (const Failure& f : run.failures) {
    out << "F\t" << Escape(f.check) << '\t' << f.caseNumber << '\t' << Escape(f.what) << '\n';
  }
  return out.str();
}

[[maybe_unused]] void Deserialize(const std::string& text, CheckRun& run) {
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    const std::vector<std::string> p = Split(line);
    if (p[0] == "R" && p.size() >= 5) {
      run.cases = std::stoll(p[1]);
      run.seconds = std::stod(p[2]);
      run.skipped = p[3] == "1";
      run.note = p[4];
    } else if (p[0] == "F" && p.size() >= 4) {
      run.failures.push_back(Failure{p[1], run.plugin, run.pluginName, std::stoll(p[2]), p[3]});
    }
  }
}

// Set while the module's code runs in this process, for the exit guard of runs in one process.
bool gInsideCheck = false;

// A module that calls exit() while a check runs in this process would end validate with that
// code and no report: a failure passed off as success.
extern "C" void OnExitDuringCheck() {
  if (!gInsideCheck) return;
  std::fputs(gExitLine, stderr);
  std::fflush(stderr);
  std::_Exit(1);
}

void RunInProcess(const Options& options, const Budget& budget, const Family& family, CheckRun& run,
                  CaseProgress* progress) {
  const auto start = std::chrono::steady_clock::now();
  CheckContext context(options, budget, family.info.name, run.plugin, run.pluginName, progress);
  gInsideCheck = true;
  family.run(context);
  gInsideCheck = false;
  run.cases = context.casesRun;
  run.failures = std::move(context.failures);
  run.note = context.note;
  run.skipped = context.skipped;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string SubjectLabel(int32_t plugin, const std::string& name) {
  return plugin ? PrintableText(name) + " (" + std::to_string(plugin) + ")" : std::string("module");
}

#ifndef _WIN32
// What ended a child that did not finish, as a failure's text; `doing` says what it was doing.
std::string Ending(const ChildOutcome& o, const Options& options, const std::string& doing) {
  const std::string during = doing.empty() ? std::string() : " " + doing;
  switch (o.end) {
    case ChildOutcome::End::Signalled: return "crashed with " + SignalName(o.code) + during;
    case ChildOutcome::End::Exited:
      return "the process ended (exit code " + std::to_string(o.code) + ")" + during +
             ", before the check finished: the module ended it, or a sanitizer's report above says why";
    case ChildOutcome::End::TimedOut:
      return "did not return within " + std::to_string(options.timeoutMs) + " ms" + during + " (--timeout-ms)";
    case ChildOutcome::End::NoProcess: return "could not start a process for the check";
    case ChildOutcome::End::Finished: break;
  }
  return {};
}

// `of`: the cases the check will run, when they are known before it runs (-1 otherwise).
ChildProgress ProgressTo(std::ostream& progress, const std::string& what, int64_t of = -1) {
  return [&progress, what, of](int64_t cases, double seconds) {
    progress << "validate: " << what << ": " << cases;
    if (of >= 0) progress << " of " << of;
    progress << (cases == 1 && of < 0 ? " case" : " cases") << " so far, " << static_cast<int64_t>(seconds) << " s\n";
    progress.flush();
  };
}

// The run in a child process: a crash, an exit or a hang ends the child only and is reported
// with the case that was running.
void RunIsolated(const Options& options, const Budget& budget, const Family& family, CheckRun& run,
                 std::ostream& progress) {
  const auto start = std::chrono::steady_clock::now();
  const CheckRun blank = run;
  // The fuzzing is the long check of the high levels, and its sets are counted in advance.
  const int64_t of = std::string(family.info.name) == "fuzz" && !options.caseNumber ? budget.fuzzSets : -1;
  const ChildOutcome o = RunInChild(
      [&](CaseProgress& cases) {
        CheckRun childRun = blank;
        RunInProcess(options, budget, family, childRun, &cases);
        return Serialize(childRun);
      },
      options.timeoutMs, ProgressTo(progress, family.info.name + std::string(" on ") +
                                 (run.plugin ? SubjectLabel(run.plugin, run.pluginName) : "the module"),
                             of));
  if (o.end == ChildOutcome::End::Finished) {
    Deserialize(o.answer, run);
    return;
  }
  run.cases = o.casesStarted;
  run.crashed = o.end != ChildOutcome::End::TimedOut;
  run.timedOut = o.end == ChildOutcome::End::TimedOut;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const std::string check = family.info.name + std::string(run.timedOut ? ".timeout" : ".crash");
  // Before the first case the check loads and starts the module and sets its subject up.
  const std::string doing = o.atCase < 0 ? "before its first case (while it loaded the module or set it up)" : "";
  run.failures.push_back(Failure{check, run.plugin, run.pluginName, o.atCase, Ending(o, options, doing)});
}
#endif

std::string PluginLabel(const Failure& f) {
  if (f.plugin == 0) return "module";
  return PrintableText(f.pluginName) + " (" + std::to_string(f.plugin) + ")";
}

// A finished run's failure lines, and with --verbose its own line.
void Print(const Options& options, const CheckRun& run, std::ostream& out) {
  for (const Failure& f : run.failures) {
    out << "FAIL " << f.check << ' ' << PluginLabel(f);
    if (f.caseNumber >= 0) out << " case " << f.caseNumber;
    out << ": " << PrintableText(f.what) << " | reproduce: " << ReproduceCommand(options, f) << '\n';
  }
  if (options.verbose) {
    out << (!run.failures.empty() ? "fail " : run.skipped ? "skip " : "pass ") << run.family << ' '
        << (run.plugin ? PrintableText(run.pluginName) + " (" + std::to_string(run.plugin) + ")" : std::string("module"))
        << ": " << run.cases << " cases, " << run.seconds << " s"
        << (run.note.empty() ? "" : "; " + PrintableText(run.note)) << '\n';
  }
  out.flush();
}

// The families that need the module loaded, marked as not run for the reason given, with one
// line that names them all.
void NotRun(const std::vector<const Family*>& families, const std::string& why, ValidationReport& report,
            std::ostream& out) {
  report.notRun = why;
  std::string names;
  for (const Family* family : families) {
    CheckRun run;
    run.family = family->info.name;
    run.skipped = true;
    run.notRun = true;
    run.note = "not run: " + why;
    report.runs.push_back(std::move(run));
    names += (names.empty() ? "" : ", ") + std::string(family->info.name);
  }
  out << "not run: " << names << "; " << PrintableText(why) << '\n';
  out.flush();
}

// One load of the module, as text: its plug-ins ("P", ID, type, name), or why it could not be
// loaded and started ("L", the reason).
std::string LoadAndList(const Options& options) {
  Subject subject;
  std::string error;
  if (!subject.Load(options, error)) return "L\t" + Escape(error) + "\n";
  std::string text;
  for (const auto& p : subject.Host().GetRegistry().Plugins()) {
    if (p->module != subject.Module()) continue;
    text += "P\t" + std::to_string(p->id) + "\t" + std::to_string(p->pluginType) + "\t" + Escape(p->name) + "\n";
  }
  return text;
}

void ReadList(const std::string& text, std::vector<PluginInfo>& plugins, std::string& error) {
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    const std::vector<std::string> p = Split(line);
    if (p[0] == "L" && p.size() >= 2) error = p[1];
    if (p[0] == "P" && p.size() >= 4) {
      plugins.push_back(PluginInfo{static_cast<int32_t>(std::stol(p[1])), p[3], static_cast<int32_t>(std::stol(p[2]))});
    }
  }
}

// The plug-ins of the module; with isolation loaded in a process of its own, as the module's
// load, system init, start and end run its code. False with the failure of lifecycle.load in
// `run` when it could not be loaded and started.
bool ListPlugins(const Options& options, std::vector<PluginInfo>& plugins, CheckRun& run, std::ostream& progress) {
  (void)progress;
  run.family = "lifecycle";
  std::string error;
#ifndef _WIN32
  if (options.isolate) {
    const ChildOutcome o = RunInChild([&options](CaseProgress&) { return LoadAndList(options); }, options.timeoutMs,
                                      [&progress](int64_t, double seconds) {
                                        progress << "validate: loading the module: " << static_cast<int64_t>(seconds)
                                                 << " s\n" << std::flush;
                                      });
    if (o.end == ChildOutcome::End::Finished) {
      ReadList(o.answer, plugins, error);
    } else {
      run.crashed = o.end != ChildOutcome::End::TimedOut;
      run.timedOut = !run.crashed;
      error = Ending(o, options, "while the module was loaded, started and ended");
    }
  } else
#endif
  {
    gInsideCheck = true;
    ReadList(LoadAndList(options), plugins, error);
    gInsideCheck = false;
  }
  if (error.empty()) return true;
  run.failures.push_back(Failure{"lifecycle.load", 0, "", -1, error});
  return false;
}

}  // namespace

const std::vector<FamilyInfo>& CheckFamilies() {
  static const std::vector<FamilyInfo> kInfo = [] {
    std::vector<FamilyInfo> v;
    for (const Family& f : Families()) v.push_back(f.info);
    return v;
  }();
  return kInfo;
}

int64_t ValidationReport::Failures() const {
  int64_t n = 0;
  for (const CheckRun& r : runs) n += static_cast<int64_t>(r.failures.size());
  return n;
}

std::string ReproduceCommand(const Options& options, const Failure& failure) {
  std::string cmd = "ombrel-host validate";
  const std::string module = options.module.empty() ? host::DefaultModulePath().string()
                                                    : std::filesystem::absolute(options.module).string();
  cmd += " '" + module + "'";
  if (!options.resourceDir.empty()) cmd += " --res '" + std::filesystem::absolute(options.resourceDir).string() + "'";
  cmd += " --level " + std::to_string(options.level) + " --seed " + std::to_string(options.seed);
  if (failure.plugin != 0) cmd += " --plugin " + std::to_string(failure.plugin);
  cmd += " --check " + FamilyOf(failure.check);
  if (failure.caseNumber >= 0) cmd += " --case " + std::to_string(failure.caseNumber);
  if (options.threads) cmd += " --threads " + std::to_string(*options.threads);
  if (!options.isolate) cmd += " --no-isolate";
  if (options.isolate && options.timeoutMs != kDefaultTimeoutMs) cmd += " --timeout-ms " + std::to_string(options.timeoutMs);
  return cmd;
}

ValidationReport Validate(const Options& options, std::ostream& out, std::ostream& progress) {
  ValidationReport report;
  const Budget budget = BudgetFor(options.level, options);
  const std::string wanted = FamilyOf(options.check);
#ifndef _WIN32
  const bool isolate = options.isolate;
#else
  const bool isolate = false;
#endif
  std::vector<const Family*> loading;  // the families to run that load the module
  for (const Family& family : Families()) {
    if (family.info.level > options.level) continue;
    if (!wanted.empty() && wanted != family.info.name) continue;
    if (family.scope != Scope::File) {
      loading.push_back(&family);
      continue;
    }
    // The file first: it needs no loading, and what it is decides whether the rest can run.
    progress << "validate: running " << family.info.name << " on the module\n" << std::flush;
    CheckRun run;
    run.family = family.info.name;
    RunInProcess(options, budget, family, run, nullptr);
    Print(options, run, out);
    report.runs.push_back(std::move(run));
  }
  if (loading.empty()) return report;
  std::string why;
  if (!LoadableHere(options, why)) {
    NotRun(loading, why, report, out);
    return report;
  }

  if (!isolate) {
    static const bool guarded = std::atexit(OnExitDuringCheck) == 0;
    (void)guarded;
#ifndef _WIN32
    for (int s : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) std::signal(s, OnCrash);
#endif
  }
  const auto restoreSignals = [isolate] {
#ifndef _WIN32
    if (!isolate) {
      for (int s : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) std::signal(s, SIG_DFL);
    }
#else
    (void)isolate;
#endif
  };

  // The plug-ins, from one load of the module.
  std::vector<PluginInfo> plugins;
  {
    progress << "validate: loading the module\n" << std::flush;
    CheckRun run;
    SetDoing("the module's load and start");
    if (!ListPlugins(options, plugins, run, progress)) {
      report.loadError = run.failures.front().what;
      Print(options, run, out);
      report.runs.push_back(std::move(run));
      restoreSignals();
      return report;
    }
    report.moduleLoaded = true;
  }
  if (options.plugin) {
    bool found = false;
    std::string known;
    for (const PluginInfo& p : plugins) {
      found = found || p.id == *options.plugin;
      known += (known.empty() ? "" : ", ") + std::to_string(p.id) + " " + PrintableText(p.name);
    }
    if (!found) {
      report.usageError = "--plugin " + std::to_string(*options.plugin) + ": the module registers no such plug-in; " +
                          (known.empty() ? std::string("it registers none") : "its plug-ins: " + known);
      restoreSignals();
      return report;
    }
  }

  for (const Family* familyPointer : loading) {
    const Family& family = *familyPointer;
    std::vector<PluginInfo> subjects;
    if (family.scope == Scope::Module) {
      subjects.push_back(PluginInfo{0, "", 0});
    } else {
      const int32_t type = family.scope == Scope::Shader ? HOST_PLUGINTYPE_SHADER : HOST_PLUGINTYPE_TOOL;
      for (const PluginInfo& p : plugins) {
        if (p.type == type && (!options.plugin || *options.plugin == p.id)) subjects.push_back(p);
      }
    }
    for (const PluginInfo& p : subjects) {
      CheckRun run;
      run.family = family.info.name;
      run.plugin = p.id;
      run.pluginName = p.name;
      const std::string label = SubjectLabel(p.id, p.name);
      progress << "validate: running " << family.info.name << " on " << (p.id ? label : "the module") << '\n'
               << std::flush;
      SetDoing("the check " + std::string(family.info.name) + " on " + label);
#ifndef _WIN32
      if (isolate) RunIsolated(options, budget, family, run, progress);
      else RunInProcess(options, budget, family, run, nullptr);
#else
      RunInProcess(options, budget, family, run, nullptr);
#endif
      Print(options, run, out);
      report.runs.push_back(std::move(run));
    }
  }
  restoreSignals();
  return report;
}

std::string ReportJson(const Options& options, const ValidationReport& report) {
  using Json = nlohmann::ordered_json;
  Json j;
  j["module"] = PrintableText(options.module.empty() ? host::DefaultModulePath().string() : options.module);
  j["level"] = options.level;
  j["seed"] = options.seed;
  j["passed"] = report.Failures() == 0;
  j["failures"] = report.Failures();
  if (!report.loadError.empty()) j["loadError"] = PrintableText(report.loadError);
  if (!report.notRun.empty()) j["notRun"] = PrintableText(report.notRun);
  Json checks = Json::array();
  for (const CheckRun& r : report.runs) {
    Json c;
    c["check"] = r.family;
    c["plugin"] = r.plugin;
    c["pluginName"] = PrintableText(r.pluginName);
    c["cases"] = r.cases;
    c["seconds"] = r.seconds;
    c["status"] = r.skipped    ? "skipped"
                  : r.crashed  ? "crashed"
                  : r.timedOut ? "timed out"
                  : r.failures.empty() ? "passed"
                                       : "failed";
    if (!r.note.empty()) c["note"] = PrintableText(r.note);
    Json failures = Json::array();
    for (const Failure& f : r.failures) {
      Json fj;
      fj["check"] = f.check;
      fj["case"] = f.caseNumber;
      fj["message"] = PrintableText(f.what);
      fj["reproduce"] = PrintableText(ReproduceCommand(options, f));
      failures.push_back(std::move(fj));
    }
    c["failures"] = std::move(failures);
    checks.push_back(std::move(c));
  }
  j["checks"] = std::move(checks);
  // Every text above went through PrintableText; a byte that is still not UTF-8 is replaced
  // rather than thrown over, so the report is always written.
  return j.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace ombrel::validate
