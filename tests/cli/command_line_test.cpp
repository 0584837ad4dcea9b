// ombrel-host as a user runs it: exit codes and messages for a wrong command line and for a
// module that cannot be loaded or started.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "command_runner.h"
#include "host_api.h"

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

TEST(CommandLine, AMisspeltCommandIsNamedWithTheNearestAndTheCommandsThereAre) {
  CommandResult r = RunHost({"rendr", "scene.json"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err.rfind("ombrel-host: unknown command \"rendr\"; did you mean render? commands: plugins, describe, "
                        "render, sample",
                        0),
            0u)
      << r.err;
  r = RunHost({"frobnicate"});
  EXPECT_EQ(r.err.find("did you mean"), std::string::npos) << r.err;
}

// Each wrong command line gets one sentence that names what is wrong in the host's words,
// never the parser's ("could not convert", "a subcommand", words in reverse order).
TEST(CommandLine, MistakesAreToldInTheHostsOwnWordsWithTheNearestRightOption) {
  struct Case {
    std::vector<std::string> args;
    std::string message;  // without "ombrel-host: " and " (see ...)"
    std::string help;     // the command whose --help is pointed at
  };
  const std::vector<Case> cases = {
      {{"render", "--threads", "abc"}, "--threads: \"abc\" is not a whole number", "render"},
      {{"render", "--threads", "2.5"}, "--threads: \"2.5\" is not a whole number", "render"},
      {{"render", "--threads"}, "--threads needs a whole number", "render"},
      {{"render", "--size"}, "--size needs a value", "render"},
      {{"render", "scene.json", "--sise", "800x600"}, "unknown option --sise; did you mean --size?", "render"},
      {{"render", "--sise=800x600"}, "unknown option --sise; did you mean --size?", "render"},
      {{"render", "--szie", "8x6"}, "unknown option --szie; did you mean --size?", "render"},  // two swapped
      {{"render", "--thr", "2"}, "unknown option --thr; did you mean --threads?", "render"},    // cut short
      {{"render", "--frobnicate"}, "unknown option --frobnicate", "render"},
      {{"render", "-x"}, "unknown option -x", "render"},
      {{"render", "a.json", "b.json", "c.json"}, "unexpected arguments \"b.json\" \"c.json\": render takes one SCENE",
       "render"},
      {{"render", "--strict=maybe"}, "--strict takes no value", "render"},
      // The misspelt option, not the option it leaves missing.
      {{"sample", "--shaderr", "vary", "s.json"}, "unknown option --shaderr; did you mean --shader?", "sample"},
      {{"sample", "s.json"}, "sample needs --shader: name of the shader in the scene", "sample"},
      {{"sample", "--shader", "vary"}, "sample needs SCENE: scene file", "sample"},
      {{"validate", "--level", "11"}, "--level: \"11\" is not a whole number from 1 to 10", "validate"},
      {{"validate", "--level", "abc"}, "--level: \"abc\" is not a whole number from 1 to 10", "validate"},
      {{"validate", "--case", "-1"}, "--case: \"-1\" is not a whole number from 0 up", "validate"},
      // Not wrapped round to the largest seed, nor cut to it (at level 1, should one run).
      {{"validate", "--level", "1", "--seed", "-1"}, "--seed: \"-1\" is not a whole number from 0 to 18446744073709551615", "validate"},
      {{"validate", "--level", "1", "--seed", "18446744073709551616"},
       "--seed: \"18446744073709551616\" is not a whole number from 0 to 18446744073709551615", "validate"},
      {{"--verison"}, "unknown option --verison; did you mean --version?", ""},
      {{}, "a command is required: plugins, describe, render, sample, edit, validate", ""},
  };
  TempFolder folder;
  for (const Case& c : cases) {
    std::string shown;
    for (const auto& a : c.args) shown += " " + a;
    const CommandResult r = RunHost(c.args, In(folder.Path()));
    const std::string help = c.help.empty() ? "ombrel-host --help" : "ombrel-host " + c.help + " --help";
    EXPECT_EQ(r.status, 2) << shown;
    EXPECT_EQ(r.err, "ombrel-host: " + c.message + " (see " + help + ")\n") << shown;
  }
  EXPECT_TRUE(fs::is_empty(folder.Path()));
}

TEST(CommandLine, VersionNamesTheHostAndTheInterfaceItOffers) {
  // The host's version is the project's, set once in the top CMakeLists.txt.
  const std::string cmake = ReadFile(SourceDir() / "CMakeLists.txt");
  const std::string key = "project(ombrel_shaders VERSION ";
  const size_t at = cmake.find(key);
  ASSERT_NE(at, std::string::npos);
  const std::string version = cmake.substr(at + key.size(), cmake.find_first_of(" )", at + key.size()) - at - key.size());
  const CommandResult r = RunHost({"--version"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "ombrel-host " + version + "\nhost interface " + std::to_string(HOST_API_VERSION) + ", revision " +
                       std::to_string(HOST_API_REVISION) + "\n");
  EXPECT_EQ(r.err, "");
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

TEST(ModuleStart, AGoodStartListsThePluginsAndTheModulesVersionAndEndsWithZero) {
  const CommandResult r = RunHost({"plugins"});
  EXPECT_EQ(r.status, 0) << r.err;
  // The version the module's start line gives ("Ombrel Shaders - Version 2 Installed").
  EXPECT_EQ(r.out.rfind("Ombrel Shaders - Version 2 Installed\nmodule version: 2\n5 plug-ins registered:\n", 0), 0u)
      << r.out;
}

TEST(Render, TheSummaryTimesTheWholeCommandAndEachOfItsPhases) {
  TempFolder folder;
  const CommandResult r = RunHost({"render", "--size", "64x48", "--threads", "1", "-o", "out.pfm"}, In(folder.Path()));
  ASSERT_EQ(r.status, 0) << r.err;
  double total = -1, reading = -1, rendering = -1, writing = -1;
  char name[64] = {};
  ASSERT_EQ(std::sscanf(r.err.c_str(),
                        "ombrel-host: rendered 64x48 on 1 thread in %lf s (reading %lf s, rendering %lf s, writing %lf s): "
                        "%63s",
                        &total, &reading, &rendering, &writing, name),
            5)
      << r.err;
  EXPECT_STREQ(name, "out.pfm");
  // The phases lie inside the command; each is rounded to a millisecond.
  EXPECT_LE(reading + rendering + writing, total + 0.002) << r.err;
  // Not a terminal: no progress line, no carriage return.
  EXPECT_EQ(r.err.find('\r'), std::string::npos) << r.err;
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
