#include "module_boundary.h"

#include <cctype>

namespace ombrel::host {
namespace {

constexpr size_t kNamesShown = 5;

// Runtime libraries by name, as `*` patterns. ELF and PE name them bare, and the loader finds
// them in the system's folders; the sanitizer runtimes are there because CI checks sanitized
// builds. Mach-O names them by their full path under /usr/lib or /System.
const char* const kElfLibraries[] = {
    "libc.so.*",       "libm.so.*",    "libstdc++.so.*",  "libgcc_s.so.*",   "ld-linux*.so.*",
    "libdl.so.*",      "libpthread.so.*", "librt.so.*",   "libasan.so.*",    "libubsan.so.*",
    "libtsan.so.*",
};
const char* const kPeLibraries[] = {
    "kernel32.dll", "msvcrt.dll", "ucrtbase.dll", "api-ms-win-crt-*.dll", "user32.dll", "advapi32.dll", "ntdll.dll",
};
const char* const kMachOLibraries[] = {
    "/usr/lib/libSystem.B.dylib", "/usr/lib/libc++.1.dylib", "/usr/lib/libc++abi.dylib", "/usr/lib/libobjc.A.dylib",
    "/usr/lib/system/*",          "/System/Library/Frameworks/*",
};

// `*` stands for any run of characters, everything else for itself.
bool Matches(const char* pattern, const std::string& name, size_t at = 0) {
  for (; *pattern; ++pattern) {
    if (*pattern == '*') {
      for (size_t rest = at; rest <= name.size(); ++rest) {
        if (Matches(pattern + 1, name, rest)) return true;
      }
      return false;
    }
    if (at >= name.size() || name[at] != *pattern) return false;
    ++at;
  }
  return at == name.size();
}

template <size_t N>
bool MatchesAny(const char* const (&patterns)[N], const std::string& name) {
  for (const char* p : patterns) {
    if (Matches(p, name)) return true;
  }
  return false;
}

std::string Lower(std::string s) {
  for (char& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return s;
}

// A path that leaves the folder it starts in ("/usr/lib/system/../../../opt/x") or spells it
// oddly is not taken for a system library.
bool PlainPath(const std::string& path) {
  return path.find("/../") == std::string::npos && path.find("/./") == std::string::npos &&
         path.find("//") == std::string::npos && (path.size() < 3 || path.compare(path.size() - 3, 3, "/..") != 0);
}

std::string List(const std::vector<std::string>& names) {
  std::string text;
  for (size_t i = 0; i < names.size() && i < kNamesShown; ++i) text += (i ? ", " : "") + names[i];
  if (names.size() > kNamesShown) text += " and " + std::to_string(names.size() - kNamesShown) + " more";
  return text;
}

void Add(std::string& problems, const std::string& problem) {
  problems += (problems.empty() ? "" : "; ") + problem;
}

const char* LibraryKind(ModuleFormat format) {
  switch (format) {
    case ModuleFormat::Elf: return "a shared object";
    case ModuleFormat::Pe: return "a DLL";
    case ModuleFormat::MachO: return "a dylib or bundle";
  }
  return "a library";
}

}  // namespace

const char* EntryPointSymbol(ModuleFormat format) { return format == ModuleFormat::MachO ? "_c4d_main" : "c4d_main"; }

std::string EntryIsDataProblem(const ModuleFileFacts& facts) {
  const std::string entry = EntryPointSymbol(facts.format);
  for (const std::string& name : facts.dataExports) {
    if (name == entry) {
      return "exports " + entry + " as data (" +
             (facts.format == ModuleFormat::Elf   ? "an ELF object symbol"
              : facts.format == ModuleFormat::Pe ? "an address in a section that is not code"
                                                 : "a symbol in a section without instructions") +
             "), not as a function: calling it would run bytes that are no code";
    }
  }
  return {};
}

bool IsSystemLibrary(ModuleFormat format, const std::string& name) {
  switch (format) {
    case ModuleFormat::Elf:
      return name.find('/') == std::string::npos && MatchesAny(kElfLibraries, name);
    case ModuleFormat::Pe:
      // Windows compares DLL names without regard to case.
      return name.find_first_of("/\\:") == std::string::npos && MatchesAny(kPeLibraries, Lower(name));
    case ModuleFormat::MachO:
      return PlainPath(name) && MatchesAny(kMachOLibraries, name);
  }
  return false;
}

std::string FormatProblem(const ModuleFileFacts& facts) {
  std::string problems;
  if (facts.cpu != "x86_64") Add(problems, "built for " + facts.cpu + ", not x86_64");
  if (!facts.library) Add(problems, DescribeModule(facts) + ", not " + LibraryKind(facts.format));
  return problems;
}

std::string ExportsProblem(const ModuleFileFacts& facts) {
  const std::string entry = EntryPointSymbol(facts.format);
  std::string problems;
  bool found = false;
  std::vector<std::string> others;
  for (const std::string& name : facts.exports) {
    if (name == entry) found = true;
    else others.push_back(name);
  }
  if (!found) {
    Add(problems, "does not export " + entry +
                      (facts.format == ModuleFormat::MachO ? " (the name c4d_main has in a Mach-O file)" : ""));
  }
  const std::string data = EntryIsDataProblem(facts);
  if (!data.empty()) Add(problems, data);
  if (!others.empty()) {
    Add(problems, "exports " + std::to_string(others.size()) + (others.size() == 1 ? " symbol" : " symbols") +
                      " besides " + entry + ": " + List(others));
  }
  for (const std::string& d : facts.disagreements) Add(problems, d);
  return problems;
}

std::string ImportsProblem(const ModuleFileFacts& facts) {
  std::vector<std::string> foreign;
  for (const std::string& name : facts.imports) {
    if (!IsSystemLibrary(facts.format, name)) foreign.push_back(name);
  }
  std::string problems;
  if (!foreign.empty()) {
    Add(problems, "needs " + List(foreign) + (foreign.size() == 1 ? ", which is not a" : ", which are not") +
                      " system " + (foreign.size() == 1 ? "library" : "libraries"));
  }
  if (facts.format == ModuleFormat::MachO && facts.flatNamespace) {
    Add(problems, "binds its symbols in a flat namespace (its header lacks the two-level flag), so they resolve "
                  "against whatever the host process has loaded");
  }
  if (!facts.flatLookups.empty()) {
    Add(problems, "leaves " + List(facts.flatLookups) +
                      " to be looked up in whatever the host process has loaded (linked with undefined symbols "
                      "allowed)");
  }
  return problems;
}

std::string MinimumOsProblem(const ModuleFileFacts& facts) {
  if (facts.format != ModuleFormat::MachO) return {};
  if (facts.platform.empty()) return "states no minimum macOS version (neither LC_BUILD_VERSION nor LC_VERSION_MIN_MACOSX)";
  if (facts.platform != "macOS") return "built for " + facts.platform + ", not macOS";
  return {};
}

}  // namespace ombrel::host
