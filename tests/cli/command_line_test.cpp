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
