// Level 1, before anything is loaded: the module file as it lies on disk. Nothing of it runs,
// so these checks work on a module of any format on any host, also one this host cannot load.
#include "check_context.h"
#include "core/module_boundary.h"

namespace ombrel::validate {

namespace {

std::filesystem::path ModuleFile(const Options& options) {
  return options.module.empty() ? host::DefaultModulePath() : std::filesystem::path(options.module);
}

std::string Joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& n : names) text += (text.empty() ? "" : ", ") + n;
  return text.empty() ? "nothing" : text;
}

// What the file is, for the verbose line and the JSON report.
std::string Summary(const host::ModuleFileFacts& facts) {
  std::string text = host::DescribeModule(facts);
  if (!facts.universal.empty()) text += " (" + facts.universal + ")";
  if (!facts.minimumOs.empty()) text += " for " + facts.platform + " " + facts.minimumOs + " or later";
  text += "; exports " + (facts.exports.size() <= 3 ? Joined(facts.exports) : std::to_string(facts.exports.size()) + " symbols");
  return text + "; needs " + Joined(facts.imports);
}

}  // namespace

void CheckFile(CheckContext& c) {
  if (!c.Runs(0)) return;
  host::ModuleFileFacts facts;
  std::string reason;
  if (!host::ReadModuleFileFacts(ModuleFile(c.options), facts, reason)) {
    c.Fail("file.format", -1, reason);
    return;
  }
  const auto check = [&c](const char* name, const std::string& problem) {
    if (!problem.empty()) c.Fail(name, -1, problem);
  };
  check("file.format", host::FormatProblem(facts));
  check("file.exports", host::ExportsProblem(facts));
  check("file.imports", host::ImportsProblem(facts));
  if (facts.format == host::ModuleFormat::MachO) check("file.min-os", host::MinimumOsProblem(facts));
  c.note = Summary(facts);
}

bool LoadableHere(const Options& options, std::string& why) {
  std::vector<unsigned char> data;
  std::string reason;
  host::ModuleFormat format = host::NativeModuleFormat();
  // A file that cannot be read or is of no known format goes to the loader, which says why.
  if (!host::ReadModuleBytes(ModuleFile(options), data, reason) ||
      !host::DetectModuleFormat(data.data(), data.size(), format)) {
    return true;
  }
  host::ModuleFileFacts facts;
  const bool known = host::ReadModuleFacts(data.data(), data.size(), facts, reason);
  if (format == host::NativeModuleFormat()) {
    // A module of this system's format for another CPU cannot be loaded either.
    if (!known || facts.cpu == host::HostCpuName()) return true;
    why = "the module is " + host::DescribeModule(facts) + ", built for another machine, which this host (" +
          host::HostSystemName() + " " + host::HostCpuName() + ") cannot load";
    return false;
  }
  const std::string what = known ? host::DescribeModule(facts) : std::string("a ") + host::FormatName(format) + " file";
  why = "the module is " + what + ", which this host (" + host::HostSystemName() + ") cannot load";
  return false;
}

}  // namespace ombrel::validate
