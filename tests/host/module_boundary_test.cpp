// What a module file may export and need: the entry point alone, and only its system's runtime
// libraries, judged from the file's facts the way `validate`'s file checks judge them.
#include <gtest/gtest.h>

#include "core/module_boundary.h"

namespace ombrel::test {
namespace {

using host::ModuleFileFacts;
using host::ModuleFormat;

ModuleFileFacts Module(ModuleFormat format) {
  ModuleFileFacts f;
  f.format = format;
  f.cpu = "x86_64";
  f.library = true;
  f.fileType = format == ModuleFormat::Elf ? "shared object" : format == ModuleFormat::Pe ? "DLL" : "dylib";
  f.exports = {host::EntryPointSymbol(format)};
  f.platform = format == ModuleFormat::MachO ? "macOS" : "";
  f.minimumOs = format == ModuleFormat::MachO ? "11.0" : "";
  return f;
}

TEST(ModuleBoundary, OnlyTheSystemsRuntimeLibrariesCount) {
  struct Case {
    ModuleFormat format;
    const char* name;
    bool system;
  };
  const Case cases[] = {
      {ModuleFormat::Elf, "libc.so.6", true},
      {ModuleFormat::Elf, "libstdc++.so.6", true},
      {ModuleFormat::Elf, "ld-linux-x86-64.so.2", true},
      {ModuleFormat::Elf, "librt.so.1", true},
      {ModuleFormat::Elf, "libasan.so.8", true},
      {ModuleFormat::Elf, "libubsan.so.1", true},
      {ModuleFormat::Elf, "libcrypto.so.3", false},  // begins like libc, is not it
      {ModuleFormat::Elf, "libc.so", false},
      {ModuleFormat::Elf, "/tmp/libc.so.6", false},  // a path is taken as it is, not from the system
      {ModuleFormat::Elf, "libfoo.so.1", false},
      {ModuleFormat::Pe, "KERNEL32.dll", true},
      {ModuleFormat::Pe, "msvcrt.dll", true},
      {ModuleFormat::Pe, "api-ms-win-crt-runtime-l1-1-0.dll", true},
      {ModuleFormat::Pe, "C:\\Temp\\kernel32.dll", false},
      {ModuleFormat::Pe, "kernel32.dll.bak", false},
      {ModuleFormat::Pe, "libstdc++-6.dll", false},
      {ModuleFormat::MachO, "/usr/lib/libSystem.B.dylib", true},
      {ModuleFormat::MachO, "/usr/lib/libc++.1.dylib", true},
      {ModuleFormat::MachO, "/usr/lib/system/libsystem_c.dylib", true},
      {ModuleFormat::MachO, "/System/Library/Frameworks/CoreFoundation.framework/Versions/A/CoreFoundation", true},
      {ModuleFormat::MachO, "/opt/homebrew/lib/libfoo.dylib", false},
      {ModuleFormat::MachO, "/usr/local/lib/libfoo.dylib", false},
      {ModuleFormat::MachO, "/usr/lib/libfoo.dylib", false},  // /usr/lib holds the system's own only
      {ModuleFormat::MachO, "@rpath/libSystem.B.dylib", false},
      {ModuleFormat::MachO, "@loader_path/libc++.1.dylib", false},
      {ModuleFormat::MachO, "/usr/lib/system/../../../opt/x/libfoo.dylib", false},
      {ModuleFormat::MachO, "libSystem.B.dylib", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(host::IsSystemLibrary(c.format, c.name), c.system) << host::FormatName(c.format) << " " << c.name;
  }
}

TEST(ModuleBoundary, ExportsBesidesTheEntryPointAreNamedTheFirstFew) {
  EXPECT_EQ(host::ExportsProblem(Module(ModuleFormat::Elf)), "");
  ModuleFileFacts m = Module(ModuleFormat::MachO);
  m.exports.push_back("_helper");
  EXPECT_EQ(host::ExportsProblem(m), "exports 1 symbol besides _c4d_main: _helper");
  m.exports = {"c4d_main"};  // the name without Mach-O's underscore is not what the host looks up
  EXPECT_EQ(host::ExportsProblem(m),
            "does not export _c4d_main (the name c4d_main has in a Mach-O file); exports 1 symbol besides _c4d_main: "
            "c4d_main");
  ModuleFileFacts e = Module(ModuleFormat::Pe);
  for (const char* name : {"a", "b", "c", "d", "e", "f", "g"}) e.exports.push_back(name);
  EXPECT_EQ(host::ExportsProblem(e), "exports 7 symbols besides c4d_main: a, b, c, d, e and 2 more");
  ModuleFileFacts d = Module(ModuleFormat::MachO);
  d.disagreements = {"the symbol table marks names external that the export trie lacks: _helper"};
  EXPECT_EQ(host::ExportsProblem(d), d.disagreements[0]);
}

TEST(ModuleBoundary, AnEntryPointThatIsDataIsAProblemOfTheExports) {
  ModuleFileFacts m = Module(ModuleFormat::Elf);
  m.dataExports = {"c4d_main"};
  const std::string expected =
      "exports c4d_main as data (an ELF object symbol), not as a function: calling it would run bytes that are no code";
  EXPECT_EQ(host::EntryIsDataProblem(m), expected);
  EXPECT_EQ(host::ExportsProblem(m), expected);
  m.dataExports = {"table"};  // other data is only an extra export's matter
  EXPECT_EQ(host::EntryIsDataProblem(m), "");
  ModuleFileFacts macho = Module(ModuleFormat::MachO);
  macho.dataExports = {"_c4d_main"};
  EXPECT_EQ(host::EntryIsDataProblem(macho), "exports _c4d_main as data (a symbol in a section without instructions), "
                                             "not as a function: calling it would run bytes that are no code");
}

TEST(ModuleBoundary, ImportsFormatAndSystemVersionProblemsSayWhatIsWrong) {
  ModuleFileFacts m = Module(ModuleFormat::MachO);
  m.imports = {"/usr/lib/libSystem.B.dylib", "/opt/homebrew/lib/libfoo.dylib"};
  EXPECT_EQ(host::ImportsProblem(m), "needs /opt/homebrew/lib/libfoo.dylib, which is not a system library");
  m.imports = {"@rpath/a.dylib", "@rpath/b.dylib"};
  m.flatLookups = {"_missing_fn"};
  EXPECT_EQ(host::ImportsProblem(m),
            "needs @rpath/a.dylib, @rpath/b.dylib, which are not system libraries; leaves _missing_fn to be looked up "
            "in whatever the host process has loaded (linked with undefined symbols allowed)");
  m = Module(ModuleFormat::MachO);
  m.flatNamespace = true;
  EXPECT_NE(host::ImportsProblem(m).find("flat namespace"), std::string::npos);

  ModuleFileFacts f = Module(ModuleFormat::MachO);
  EXPECT_EQ(host::FormatProblem(f), "");
  f.cpu = "arm64";
  f.library = false;
  f.fileType = "executable";
  EXPECT_EQ(host::FormatProblem(f), "built for arm64, not x86_64; a Mach-O arm64 executable, not a dylib or bundle");

  ModuleFileFacts os = Module(ModuleFormat::MachO);
  EXPECT_EQ(host::MinimumOsProblem(os), "");
  os.platform = "iOS";
  EXPECT_EQ(host::MinimumOsProblem(os), "built for iOS, not macOS");
  os.platform.clear();
  os.minimumOs.clear();
  EXPECT_EQ(host::MinimumOsProblem(os),
            "states no minimum macOS version (neither LC_BUILD_VERSION nor LC_VERSION_MIN_MACOSX)");
  EXPECT_EQ(host::MinimumOsProblem(Module(ModuleFormat::Elf)), "");
}

}  // namespace
}  // namespace ombrel::test
