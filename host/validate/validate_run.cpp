// Runs the check families over the module's plug-ins, each in this process or in a process of
// its own, and reports every failure on one line with the command that reproduces it.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "check_context.h"
#include "core/printable_text.h"

#ifndef _WIN32
#include <sys/mman.h>
#include <sys/wait.h>
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

// The one running check, for the crash message of a run without --isolate.
char gCrashLine[512];

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

void RunInProcess(const Options& options, const Budget& budget, const Family& family, CheckRun& run,
                  std::atomic<int64_t>* currentCase) {
  const auto start = std::chrono::steady_clock::now();
  CheckContext context(options, budget, family.info.name, run.plugin, run.pluginName, currentCase);
  family.run(context);
  run.cases = context.casesRun;
  run.failures = std::move(context.failures);
  run.note = context.note;
  run.skipped = context.skipped;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

#ifndef _WIN32
std::string SignalName(int signal) {
  const char* name = strsignal(signal);
  return std::string("signal ") + std::to_string(signal) + (name ? std::string(" (") + name + ")" : "");
}

// The run in a child process: a crash ends the child only and is reported with the case that
// was running.
void RunIsolated(const Options& options, const Budget& budget, const Family& family, CheckRun& run) {
  void* shared = ::mmap(nullptr, sizeof(std::atomic<int64_t>), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  auto* currentCase = shared == MAP_FAILED ? nullptr : new (shared) std::atomic<int64_t>(-1);
  int fds[2];
  if (::pipe(fds) != 0) {
    RunInProcess(options, budget, family, run, currentCase);
    return;
  }
  std::fflush(nullptr);
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    // The parent reports a crash of this process; the message for runs without --isolate
    // would only confuse.
    for (int s : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) std::signal(s, SIG_DFL);
    ::close(fds[0]);
    CheckRun childRun = run;
    RunInProcess(options, budget, family, childRun, currentCase);
    const std::string text = Serialize(childRun);
    size_t done = 0;
    while (done < text.size()) {
      const ssize_t n = ::write(fds[1], text.data() + done, text.size() - done);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    ::close(fds[1]);
    std::fflush(nullptr);
    ::_exit(0);
  }
  ::close(fds[1]);
  std::string text;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
    if (n <= 0) break;
    text.append(buffer, static_cast<size_t>(n));
  }
  ::close(fds[0]);
  int status = 0;
  if (pid > 0) ::waitpid(pid, &status, 0);
  Deserialize(text, run);
  const bool signalled = pid > 0 && WIFSIGNALED(status);
  const bool failedExit = pid > 0 && WIFEXITED(status) && WEXITSTATUS(status) != 0;
  if (pid < 0 || signalled || failedExit) {
    run.crashed = true;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const int64_t at = currentCase ? currentCase->load() : -1;
    std::string what = pid < 0                ? std::string("could not start a process for the check")
                       : signalled            ? "crashed with " + SignalName(WTERMSIG(status))
                                              : "ended with exit code " + std::to_string(WEXITSTATUS(status)) +
                                         " (a sanitizer's report above says why)";
    run.failures.push_back(Failure{family.info.name + std::string(".crash"), run.plugin, run.pluginName, at, what});
  }
  if (shared != MAP_FAILED) ::munmap(shared, sizeof(std::atomic<int64_t>));
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
  int64_t n = loadError.empty() ? 0 : 1;
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
  if (options.isolate) cmd += " --isolate";
  return cmd;
}

ValidationReport Validate(const Options& options, std::ostream& out) {
  ValidationReport report;
  const Budget budget = BudgetFor(options.level, options);
  const std::string wanted = FamilyOf(options.check);
  std::vector<const Family*> loading;  // the families to run that load the module
  for (const Family& family : Families()) {
    if (family.info.level > options.level) continue;
    if (!wanted.empty() && wanted != family.info.name) continue;
    if (family.scope != Scope::File) {
      loading.push_back(&family);
      continue;
    }
    // The file first: it needs no loading, and what it is decides whether the rest can run.
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

  // The plug-ins, from one load of the module.
  std::vector<PluginInfo> plugins;
  {
    Subject subject;
    std::string error;
    if (!subject.Load(options, error)) {
      report.loadError = error;
      out << "FAIL load module: " << PrintableText(error) << '\n';
      return report;
    }
    report.moduleLoaded = true;
    for (const auto& p : subject.Host().GetRegistry().Plugins()) {
      if (p->module != subject.Module()) continue;
      plugins.push_back(PluginInfo{p->id, p->name, p->pluginType});
    }
  }
  if (options.plugin) {
    bool found = false;
    for (const PluginInfo& p : plugins) found = found || p.id == *options.plugin;
    if (!found) {
      report.loadError = "the module registers no plug-in " + std::to_string(*options.plugin);
      out << "FAIL " << report.loadError << '\n';
      return report;
    }
  }
#ifndef _WIN32
  std::signal(SIGSEGV, OnCrash);
  std::signal(SIGBUS, OnCrash);
  std::signal(SIGFPE, OnCrash);
  std::signal(SIGILL, OnCrash);
  std::signal(SIGABRT, OnCrash);
#endif

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
      std::snprintf(gCrashLine, sizeof gCrashLine,
                    "ombrel-host: validate: the check %s crashed on %s (%d); --isolate reports such crashes and "
                    "goes on\n",
                    family.info.name, p.id ? PrintableText(p.name).c_str() : "the module", p.id);
#ifndef _WIN32
      if (options.isolate) RunIsolated(options, budget, family, run);
      else RunInProcess(options, budget, family, run, nullptr);
#else
      RunInProcess(options, budget, family, run, nullptr);
#endif
      Print(options, run, out);
      report.runs.push_back(std::move(run));
    }
  }
#ifndef _WIN32
  for (int s : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) std::signal(s, SIG_DFL);
#endif
  return report;
}

std::string ReportJson(const Options& options, const ValidationReport& report) {
  using Json = nlohmann::ordered_json;
  Json j;
  j["module"] = options.module.empty() ? host::DefaultModulePath().string() : options.module;
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
    c["status"] = r.skipped ? "skipped" : r.crashed ? "crashed" : r.failures.empty() ? "passed" : "failed";
    if (!r.note.empty()) c["note"] = PrintableText(r.note);
    Json failures = Json::array();
    for (const Failure& f : r.failures) {
      Json fj;
      fj["check"] = f.check;
      fj["case"] = f.caseNumber;
      fj["message"] = PrintableText(f.what);
      fj["reproduce"] = ReproduceCommand(options, f);
      failures.push_back(std::move(fj));
    }
    c["failures"] = std::move(failures);
    checks.push_back(std::move(c));
  }
  j["checks"] = std::move(checks);
  return j.dump(2) + "\n";
}

}  // namespace ombrel::validate
