// ombrel-host validate on module files as they lie on disk: a module this host cannot load gets
// its file checked and every other check listed as not run, and the exit code covers only what ran.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../host/module_test_images.h"
#include "command_runner.h"

namespace ombrel::test {
namespace {

std::string Write(const TempFolder& folder, const std::string& name, const images::Bytes& bytes) {
  WriteFile(folder.Path() / name, std::string(bytes.begin(), bytes.end()));
  return (folder.Path() / name).string();
}

std::string LastLine(const std::string& text) {
  const size_t end = text.find_last_not_of('\n');
  const size_t start = text.rfind('\n', end);
  return text.substr(start == std::string::npos ? 0 : start + 1, end - (start == std::string::npos ? 0 : start + 1) + 1);
}

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST(ValidateFile, AModuleOfAnotherSystemPassesItsFileChecksAndTheRestAreListedAsNotRun) {
  TempFolder folder;
  const std::string module = Write(folder, "module.dylib", images::MachO());
  const CommandResult r = RunHost({"validate", module, "--level", "3", "--json", "report.json"}, In(folder.Path()));
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(r.out.find("FAIL"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("not run: lifecycle, descriptions, render; the module is a Mach-O x86_64 dylib, which this "
                       "host (Linux) cannot load\n"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(LastLine(r.out),
            "validate: level 3, seed 1: 1 checks, 1 cases, 0 failures; 3 checks not run, only the module file was checked");
  const std::string report = ReadFile(folder.Path() / "report.json");
  EXPECT_NE(report.find("\"passed\": true"), std::string::npos) << report;
  EXPECT_NE(report.find("\"check\": \"file\""), std::string::npos) << report;
  EXPECT_EQ(Count(report, "\"status\": \"passed\""), 1u) << report;
  EXPECT_EQ(Count(report, "\"status\": \"skipped\""), 3u) << report;
  EXPECT_EQ(Count(report, "\"note\": \"not run: the module is a Mach-O x86_64 dylib"), 3u) << report;

  // A single family asked for that needs loading is not run either, and nothing fails.
  const CommandResult one = RunHost({"validate", module, "--check", "render"}, In(folder.Path()));
  EXPECT_EQ(one.status, 0) << one.out;
  EXPECT_EQ(one.out.rfind("not run: render; ", 0), 0u) << one.out;
}

TEST(ValidateFile, AModuleOfAnotherSystemThatExportsTwoSymbolsFails) {
  TempFolder folder;
  images::MachOPlan plan;
  plan.trie = images::TrieTwoExports();
  plan.symbols = {{"_c4d_main"}, {"_helper"}};
  const std::string module = Write(folder, "two.dylib", images::MachO(plan));
  const CommandResult r = RunHost({"validate", module, "--level", "1"}, In(folder.Path()));
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  EXPECT_EQ(r.out.rfind("FAIL file.exports module: exports 1 symbol besides _c4d_main: _helper | reproduce: "
                        "ombrel-host validate '" + module + "' --level 1 --seed 1 --check file\n", 0),
            0u)
      << r.out;
  EXPECT_NE(r.out.find("not run: lifecycle; "), std::string::npos) << r.out;
  EXPECT_EQ(LastLine(r.out),
            "validate: level 1, seed 1: 1 checks, 1 cases, 1 failure; 1 check not run, only the module file was checked");

  // Each static check fails on its own fault, and a file the reader refuses fails the format.
  plan = images::MachOPlan{};
  plan.cpuType = 0x0100000C;
  plan.libraries = {{0xC, "/opt/homebrew/lib/libfoo.dylib"}};
  plan.osIn = images::OsIn::None;
  const CommandResult all = RunHost({"validate", Write(folder, "arm.dylib", images::MachO(plan)), "--check", "file"});
  EXPECT_EQ(all.status, 1);
  EXPECT_NE(all.out.find("FAIL file.format module: built for arm64, not x86_64 |"), std::string::npos) << all.out;
  EXPECT_NE(all.out.find("FAIL file.imports module: needs /opt/homebrew/lib/libfoo.dylib, which is not a system library |"),
            std::string::npos)
      << all.out;
  EXPECT_NE(all.out.find("FAIL file.min-os module: states no minimum macOS version"), std::string::npos) << all.out;
  plan = images::MachOPlan{};
  plan.trie = {0x00, 0x01, 'a', 0x00, 0x00};
  const CommandResult loop = RunHost({"validate", Write(folder, "loop.dylib", images::MachO(plan)), "--check", "file"});
  EXPECT_EQ(loop.status, 1);
  EXPECT_NE(loop.out.find("FAIL file.format module: the export trie's node at byte 0 is reached a second time"),
            std::string::npos)
      << loop.out;
}

TEST(ValidateFile, OurModulePassesItsFileChecksAndIsThenLoaded) {
  const CommandResult r = RunHost({"validate", ModuleFile().string(), "--level", "1", "--verbose"});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(r.out.rfind("pass file module: 1 cases", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("an ELF x86_64 shared object; exports c4d_main; needs "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("pass lifecycle module"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("not run"), std::string::npos) << r.out;
  EXPECT_EQ(LastLine(r.out).rfind("validate: level 1, seed 1: 2 checks, ", 0), 0u) << r.out;
}

}  // namespace
}  // namespace ombrel::test
