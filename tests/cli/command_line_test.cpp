// ombrel-host as a user runs it: exit codes and messages for a wrong command line and for a
// module that cannot be loaded or started.
#include <gtest/gtest.h>

#include <filesystem>

#include "command_runner.h"

namespace ombrel::test {
namespace {

namespace fs = std::filesystem;

bool StartsWithPrefix(const std::string& err) { return err.rfind("ombrel-host: ", 0) == 0; }

TEST(CommandLine, EveryWrongCommandLineEndsWithCodeTwoInTheProgramsOwnStyle) {
  TempFolder folder;
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {},
           {"frobnicate"},
           {"render", "--bogus"},
           {"render", "--threads", "many"},
           {"render", "a.json", "b.json"},
           {"sample", "scene.json"},               // --shader is required
           {"sample", "s.json", "--shader", "x", "--polygon", "2"},  // --polygon needs --object
           {"describe"},
       }) {
    const CommandResult r = RunHost(args, In(folder.Path()));
    std::string shown;
    for (const auto& a : args) shown += " " + a;
    EXPECT_EQ(r.status, 2) << shown << "\n" << r.err;
    EXPECT_TRUE(StartsWithPrefix(r.err)) << shown << "\n" << r.err;
    EXPECT_NE(r.err.find("--help"), std::string::npos) << shown << "\n" << r.err;
    EXPECT_EQ(r.out, "") << shown;
  }
  // Checks of the values themselves give the same code.
  EXPECT_EQ(RunHost({"render", "--size", "0x5"}, In(folder.Path())).status, 2);
  EXPECT_EQ(RunHost({"render", "--threads", "-1"}, In(folder.Path())).status, 2);
  EXPECT_EQ(RunHost({"render", "-o", "picture.bmp"}, In(folder.Path())).status, 2);
  EXPECT_TRUE(fs::is_empty(folder.Path()));
}

TEST(CommandLine, AMisspeltCommandIsNamedWithTheCommandsThereAre) {
  const CommandResult r = RunHost({"rendr", "scene.json"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err.rfind("ombrel-host: unknown command \"rendr\"; commands: plugins, describe, render, sample", 0), 0u)
      << r.err;
}

TEST(CommandLine, HelpIsNotAnError) {
  const CommandResult r = RunHost({"render", "--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("--strict"), std::string::npos) << r.out;
}

TEST(CommandLine, ControlBytesInAnArgumentAreNotEchoedRaw) {
  const CommandResult r = RunHost({"render", "--size", "\x1b[2J"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err.find('\x1b'), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("\\x1B[2J"), std::string::npos) << r.err;
}

TEST(ModuleStart, AResourceFolderThatCannotBeReadFailsEveryCommand) {
  TempFolder folder;
  WriteFile(folder.Path() / "not-a-folder", "x");
  for (const std::string& res : {std::string("no-such-folder"), std::string("not-a-folder")}) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"plugins", "--res", res},
             {"describe", "xglent_color", "--res", res},
             {"render", "--res", res, "-o", "out.png"},
         }) {
      const CommandResult r = RunHost(args, In(folder.Path()));
      EXPECT_EQ(r.status, 1) << args[0] << " " << res << "\n" << r.err;
      EXPECT_NE(r.err.find(res), std::string::npos) << r.err;  // the message names the folder
      EXPECT_EQ(r.out.find("plug-ins registered"), std::string::npos) << r.out;
    }
  }
  EXPECT_FALSE(fs::exists(folder.Path() / "out.png"));
}

TEST(ModuleStart, AGoodStartListsThePluginsAndEndsWithZero) {
  const CommandResult r = RunHost({"plugins"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("5 plug-ins registered"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace ombrel::test

namespace ombrel::test {
namespace {

// A copy of the module in the test's folder, found by its bare name there.
class ModuleFiles : public ::testing::Test {
 protected:
  CommandResult Plugins(const std::string& module) {
    return RunHost({"plugins", module, "--res", (SourceDir() / "res").string()}, In(folder_.Path()));
  }
  std::string Module(size_t bytes = std::string::npos) {
    std::string image = ReadFile(ModuleFile());
    return bytes < image.size() ? image.substr(0, bytes) : image;
  }
  TempFolder folder_;
};

TEST_F(ModuleFiles, ABareFileNameLoadsThatFileFromTheWorkingFolder) {
  WriteFile(folder_.Path() / "ombrel_shaders.so", Module());
  CommandResult r = Plugins("ombrel_shaders.so");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("5 plug-ins registered"), std::string::npos) << r.err;
  // Named like a system library that the process already has: still the file in this folder.
  WriteFile(folder_.Path() / "libm.so.6", Module());
  r = Plugins("libm.so.6");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("5 plug-ins registered"), std::string::npos) << r.err;
}

TEST_F(ModuleFiles, ADamagedModuleIsRefusedWithAReasonNotACrash) {
  const size_t size = Module().size();
  for (const size_t cut : {size_t{0}, size_t{40}, size_t{1000}, size / 8, size / 4, size / 2, size - 1}) {
    WriteFile(folder_.Path() / "cut.so", Module(cut));
    const CommandResult r = Plugins("cut.so");
    EXPECT_FALSE(r.signalled) << cut << "\n" << r.err;
    EXPECT_EQ(r.status, 1) << cut << "\n" << r.err;
    EXPECT_NE(r.err.find("ombrel-host: cannot load module cut.so: "), std::string::npos) << cut << "\n" << r.err;
  }
  WriteFile(folder_.Path() / "cut.so", Module(size / 4));
  EXPECT_NE(Plugins("cut.so").err.find("truncated: "), std::string::npos);
}

TEST_F(ModuleFiles, AFolderOrADeviceIsNotAModule) {
  CommandResult r = Plugins(folder_.Path().string());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("a folder, not a module file"), std::string::npos) << r.err;
  r = Plugins("/dev/zero");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("not a regular file"), std::string::npos) << r.err;
  r = Plugins("missing.so");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("module not found: missing.so"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace ombrel::test
