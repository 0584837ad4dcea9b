// The edit steps that work a tool in the view: checked before anything runs, and run through the
// real program.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "command_runner.h"

namespace ombrel::test {
namespace {

namespace fs = std::filesystem;

class ToolSteps : public ::testing::Test {
 protected:
  CommandResult Edit(const std::string& steps) {
    WriteFile(folder_.Path() / "steps.json", steps);
    return RunHost({"edit", (SourceDir() / "examples" / "uv_corner_effects.json").string(), "--script", "steps.json"},
                   In(folder_.Path()));
  }
  TempFolder folder_;
};

TEST_F(ToolSteps, AWrongStepStopsTheScriptBeforeAnythingRuns) {
  struct Case {
    const char* step;
    const char* message;
  };
  const Case cases[] = {
      {R"({"pointer": [1]})", "step 2: \"pointer\" must be [x, y]"},
      {R"({"pointer": "away"})", "step 2: \"pointer\" must be [x, y]"},
      {R"({"drag": [1.5, 2]})", "step 2: \"drag\" must be [x, y] in whole pixels"},
      {R"({"drag": [1, 2], "moves": [[1, 2], [3]]})", "step 2: move 2 must be [dx, dy]"},
      {R"({"drag": [1, 2], "moves": {"dx": 1}})", "step 2: \"moves\" must be a list of [dx, dy]"},
      {R"({"drag": [1, 2], "button": 2})", "step 2: unknown key \"button\""},
      {R"({"key": []})", "step 2: \"key\" must be a list"},
      {R"({"key": [{"key": "enter", "ms": 10}]})", "step 2: unknown key \"enter\"; keys are left, right, up, down"},
      {R"({"key": [{"key": "left", "ms": 0}]})", "step 2: \"ms\" must be a whole number from 1 to 60000"},
      {R"({"key": [{"key": "left"}]})", "step 2: each key is {\"key\": NAME, \"ms\": TIME}"},
      {R"({"tool-set": 1006})", "step 2: \"value\" is missing"},
      {R"({"tool-set": [1006], "value": 1})", "step 2: \"tool-set\" names a tool setting"},
      {R"({"draw": "view.jpg"})", "step 2: \"draw\" writes a .png file"},
      {R"({"draw": "view.png", "log": 3})", "step 2: \"log\" must be a non-empty string"},
      {R"({"view": [-1, 600]})", "step 2: the view's width must be a whole number from 0 to 16384"},
      {R"({"view": [800, 20000]})", "step 2: the view's height must be a whole number from 0 to 16384"},
      {R"({"view": 800})", "step 2: \"view\" must be [width, height]"},
  };
  for (const Case& c : cases) {
    // The first step would write a picture; the script is refused before it runs.
    const CommandResult r = Edit(std::string(R"({"steps": [{"draw": "first.png"}, )") + c.step + "]}");
    EXPECT_EQ(r.status, 2) << c.step << "\n" << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.step << "\n" << r.err;
    EXPECT_FALSE(fs::exists(folder_.Path() / "first.png")) << c.step;
  }
}

TEST_F(ToolSteps, WithoutAToolTheViewIsDrawnEmptyAndInputFails) {
  CommandResult r = Edit(R"([{"view": [5, 4]}, {"draw": "empty.png", "log": "empty.txt"}])");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("step 1: view sized to 5x4"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("no tool is active"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("5x4 picture written to empty.png"), std::string::npos) << r.out;
  const std::string png = ReadFile(folder_.Path() / "empty.png");
  ASSERT_GT(png.size(), 24u);
  EXPECT_EQ(png.substr(1, 3), "PNG");
  EXPECT_EQ(static_cast<unsigned char>(png[19]), 5u);  // width, big-endian in the header chunk
  EXPECT_EQ(static_cast<unsigned char>(png[23]), 4u);  // height
  EXPECT_EQ(ReadFile(folder_.Path() / "empty.txt"), "");

  for (const char* step : {R"({"pointer": [1, 2]})", R"({"drag": [1, 2]})", R"({"key": [{"key": "up", "ms": 5}]})",
                           R"({"tool-set": 1006, "value": 0.5})"}) {
    r = Edit(std::string("[") + step + "]");
    EXPECT_EQ(r.status, 1) << step;
    EXPECT_NE(r.out.find("no tool is active"), std::string::npos) << step << "\n" << r.out;
  }
  // A view with no pixels has no picture to write: the step fails and says so.
  r = Edit(R"([{"view": [0, 0]}, {"draw": "none.png"}])");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("the view is 0x0 pixels: there is no picture to write"), std::string::npos) << r.out;
}

TEST_F(ToolSteps, TheShadersEditButtonStartsTheTool) {
  const CommandResult r = Edit(R"([{"press": "XTRANSFORM_EDIT_IN_TOOL", "node": "rotation"}])");
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("(1027723)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  started tool \""), std::string::npos) << r.out;
}

}  // namespace
}  // namespace ombrel::test
