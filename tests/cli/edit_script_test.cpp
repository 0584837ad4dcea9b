// The edit command's script as the user meets it: a file that is no script ends with code 2 and
// says where it went wrong in FILE:LINE:COLUMN, as scene files do, before anything runs; and the
// steps tell what happened where a plug-in alone would say nothing or the wrong thing.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "command_runner.h"

namespace ombrel::test {
namespace {

namespace fs = std::filesystem;

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class EditScripts : public ::testing::Test {
 protected:
  CommandResult Edit(const std::string& steps, const std::string& scene = "uv_corner_effects.json") {
    WriteFile(folder_.Path() / "steps.json", steps);
    return EditFile("steps.json", scene);
  }
  CommandResult EditFile(const std::string& script, const std::string& scene = "uv_corner_effects.json") {
    CommandOptions options = In(folder_.Path());
    options.timeLimitSeconds = 30;  // stops a script that would block; the exit code decides
    return RunHost({"edit", (SourceDir() / "examples" / scene).string(), "--script", script}, options);
  }
  TempFolder folder_;
};

TEST_F(EditScripts, AFileThatIsNoScriptEndsWithCodeTwoAndSaysWhere) {
  // 100,000 levels, inside {"steps": ...} and as a bare list: the 64th bracket within the
  // document is the first one too deep ({"steps": is ten characters).
  constexpr int kDeep = 100000;
  WriteFile(folder_.Path() / "deep.json", "{\"steps\": " + std::string(kDeep, '[') + std::string(kDeep, ']') + "}");
  WriteFile(folder_.Path() / "deep_list.json", std::string(kDeep, '[') + std::string(kDeep, ']'));
  WriteFile(folder_.Path() / "comma.json", "{\"steps\": [\n  {\"answer\": \"yes\"},\n]}");
  WriteFile(folder_.Path() / "twice.json", "[\n  {\"answer\": \"yes\", \"answer\": \"no\"}\n]");
  WriteFile(folder_.Path() / "other_key.json", R"({"steps": [], "step": 1})");
  WriteFile(folder_.Path() / "not_a_list.json", R"({"steps": {}})");
  fs::create_directory(folder_.Path() / "folder.json");
  ASSERT_EQ(::mkfifo((folder_.Path() / "pipe.json").c_str(), 0600), 0);
  struct Case {
    const char* script;
    const char* message;
  };
  const Case cases[] = {
      {"deep.json", "deep.json:1:74: nested deeper than 64 levels"},
      {"deep_list.json", "deep_list.json:1:65: nested deeper than 64 levels"},
      {"comma.json", "comma.json:3:1: syntax error while parsing value - unexpected ']'"},
      {"twice.json", "twice.json:2:14: key \"answer\" given twice"},
      {"other_key.json", "other_key.json:1:23: unknown key \"step\"; expected {\"steps\": [...]} or a list of steps"},
      {"not_a_list.json", "not_a_list.json:1:11: expected {\"steps\": [...]} or a list of steps"},
      {"folder.json", "folder.json: a folder, not an edit script; edit scripts are regular files"},
      {"pipe.json", "pipe.json: a pipe (FIFO), not an edit script; edit scripts are regular files"},
      {"/dev/zero", "/dev/zero: a device, not an edit script"},
      {"missing.json", "missing.json: cannot read the file: No such file or directory"},
  };
  for (const Case& c : cases) {
    const CommandResult r = EditFile(c.script);
    EXPECT_FALSE(r.timedOut) << c.script;
    EXPECT_EQ(r.status, 2) << c.script << "\n" << r.err;
    EXPECT_TRUE(Has(r.err, std::string("ombrel-host: ") + c.message)) << c.script << "\n" << r.err;
    EXPECT_EQ(r.out, "") << c.script;
  }
}

TEST_F(EditScripts, ANumberBeyondItsRangeIsRefusedWhereverItIsNotWrapped) {
  // Each second step names its number at line 2, at the column given; the first step would
  // write a picture, and is never run.
  struct Case {
    const char* step;
    const char* where;
    const char* message;
  };
  const Case cases[] = {
      {R"({"drag": [18446744073709551615, 0]})", "2:11", "\"drag\" must be a whole number from -2147483648 to 2147483647"},
      {R"({"drag": [0, 2147483648]})", "2:14", "\"drag\" must be a whole number from -2147483648 to 2147483647"},
      {R"({"press": 18446744073709551615, "node": "rotation"})", "2:11",
       "a parameter number must be a whole number from -2147483648 to 2147483647"},
      {R"({"set": 9223372036854775808, "node": "rotation", "value": 1})", "2:9",
       "a parameter number must be a whole number from -2147483648 to 2147483647"},
      {R"({"undo": 18446744073709551615})", "2:10", "\"undo\" takes a count of steps from 1 to 1000"},
      {R"({"view": [18446744073709551615, 600]})", "2:11", "the view's width must be a whole number from 0 to 16384"},
      {R"({"key": [{"key": "left", "ms": 18446744073709551615}]})", "2:32", "\"ms\" must be a whole number from 1 to 60000"},
      {R"({"tool-set": 18446744073709551615, "value": 1})", "2:14",
       "\"tool-set\" must be a whole number from -2147483648 to 2147483647"},
  };
  for (const Case& c : cases) {
    const CommandResult r = Edit(std::string("[{\"draw\": \"first.png\"},\n") + c.step + "]");
    EXPECT_EQ(r.status, 2) << c.step << "\n" << r.err;
    EXPECT_TRUE(Has(r.err, std::string("steps.json:") + c.where + ": step 2: " + c.message)) << c.step << "\n" << r.err;
    EXPECT_FALSE(fs::exists(folder_.Path() / "first.png")) << c.step;
  }
}

TEST_F(EditScripts, AnUnknownNodeOrAWrongValueIsRefusedBeforeTheFirstStep) {
  CommandResult r = Edit("[{\"draw\": \"first.png\"},\n{\"press\": \"XTRANSFORM_CREATE_PREVIEW\", \"node\": \"rotaton\"}]");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_TRUE(Has(r.err, "steps.json:2:48: step 2: the document has no node named \"rotaton\"; its nodes are object "
                         "\"rotation-panel\", ")) << r.err;
  EXPECT_TRUE(Has(r.err, "shader \"rotation\"")) << r.err;
  EXPECT_FALSE(Has(r.out, "step 1")) << r.out;
  EXPECT_FALSE(fs::exists(folder_.Path() / "first.png"));
  // Edits and undo make no named nodes: a name after them is looked up before anything runs.
  r = Edit("[{\"set\": \"XTRANSFORM_CORNER1\", \"node\": \"rotation\", \"value\": [0, 0, 0]}, {\"undo\": 1}, "
           "{\"draw\": \"first.png\"},\n{\"set\": \"XTRANSFORM_CORNER1\", \"node\": \"rotatio\", \"value\": [0, 0, 0]}]");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_TRUE(Has(r.err, "steps.json:2:39: step 4: the document has no node named \"rotatio\"")) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_FALSE(fs::exists(folder_.Path() / "first.png"));

  // The button, parameter and value a step gives a node of the document are checked ahead too,
  // after a button press as well.
  struct Case {
    const char* steps;
    const char* message;
  };
  const Case cases[] = {
      {"[{\"draw\": \"first.png\"},\n{\"press\": \"XTRANSFORM_CORNER1\", \"node\": \"rotation\"}]",
       "steps.json:2:11: step 2: XTRANSFORM_CORNER1 of shader \"rotation\" is not a button"},
      {"[{\"draw\": \"first.png\"},\n{\"set\": \"XTRANSFORM_CORNER1\", \"node\": \"rotation\", \"value\": [1, 2]}]",
       "steps.json:2:60: step 2: \"value\": "},
      {"[{\"press\": \"XTRANSFORM_CREATE_PREVIEW\", \"node\": \"rotation\"}, {\"draw\": \"first.png\"},\n"
       "{\"set\": \"XTRANSFORM_CORNR1\", \"node\": \"rotation\", \"value\": [0, 0, 0]}]",
       "steps.json:2:9: step 3: shader \"rotation\" has no parameter \"XTRANSFORM_CORNR1\""},
  };
  for (const Case& c : cases) {
    r = Edit(c.steps);
    EXPECT_EQ(r.status, 1) << c.steps << "\n" << r.err;
    EXPECT_TRUE(Has(r.err, c.message)) << c.steps << "\n" << r.err;
    EXPECT_EQ(r.out, "") << c.steps;
    EXPECT_FALSE(fs::exists(folder_.Path() / "first.png")) << c.steps;
  }

  // A button may add nodes for later steps: a name after it is looked up when its step runs,
  // and the list then holds what the button added.
  r = Edit("[{\"press\": \"XTRANSFORM_CREATE_PREVIEW\", \"node\": \"rotation\"},\n"
           "{\"set\": \"XTRANSFORM_CORNER3\", \"node\": \"Cubes\", \"value\": [1, 1, 0]}]");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_TRUE(Has(r.out, "step 1: pressed XTRANSFORM_CREATE_PREVIEW")) << r.out;
  EXPECT_TRUE(Has(r.err, "steps.json:2:39: step 2: the document has no node named \"Cubes\"; its nodes are object "
                         "\"Cube\", tag \"Texture\", ")) << r.err;
}

TEST_F(EditScripts, AFolderImportSaysWhatItCouldNotReadAndNamesEachPictureItAdds) {
  // Run from a folder without "textures": the answer names nothing there.
  const std::string import = R"([{"answer": "file", "file": "ANSWER"}, {"press": "TAVRELTILES_LOAD_FOLDER", "node": "floor-tiles"}])";
  auto answered = [&](const std::string& answer) {
    std::string steps = import;
    steps.replace(steps.find("ANSWER"), 6, answer);
    return Edit(steps, "tiles_import.json");
  };
  CommandResult r = answered("textures");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "  textures: no such folder (relative to the working folder " + folder_.Path().string() + ")"))
      << r.out;
  EXPECT_TRUE(Has(r.out, "  host: cannot read the folder textures: ")) << r.out;
  // A file is no folder.
  WriteFile(folder_.Path() / "notes.txt", "x");
  r = answered("notes.txt");
  EXPECT_TRUE(Has(r.out, "  notes.txt: not a folder")) << r.out;
  EXPECT_TRUE(Has(r.out, "  host: cannot read the folder notes.txt: ")) << r.out;

  const std::string textures = (SourceDir() / "examples" / "textures").string();
  r = answered(textures);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "  added shader reading \"" + textures + "/slate.png\"\n")) << r.out;
  EXPECT_TRUE(Has(r.out, "set to link to shader reading \"" + textures + "/wood.png\"\n")) << r.out;
  EXPECT_FALSE(Has(r.out, "shader \"\"")) << r.out;
  EXPECT_FALSE(Has(r.out, "no such folder")) << r.out;
  // The picture the import skipped is named with the host's reason.
  EXPECT_TRUE(Has(r.out, "  host: cannot read image \"" + textures + "/broken.png\"")) << r.out;
}

TEST_F(EditScripts, AnExportWhosePictureCannotBeMadeSaysWhyBesideThePluginsMessage) {
  // Corners 2 and 3 on one point: the picture would be 2^31 - 1 pixels wide.
  const CommandResult r = Edit(R"({"steps": [
    {"set": "XTRANSFORM_CORNER1", "node": "rotation", "value": [0, 0, 0]},
    {"set": "XTRANSFORM_CORNER2", "node": "rotation", "value": [1, 0, 0]},
    {"set": "XTRANSFORM_CORNER3", "node": "rotation", "value": [1, 0, 0]},
    {"set": "XTRANSFORM_CORNER4", "node": "rotation", "value": [0.5, 0.5, 0]},
    {"answer": "file", "file": "degenerate.tiff"},
    {"press": "XTRANSFORM_SAVE_IMAGE", "node": "rotation"}]})");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_TRUE(Has(r.out, "  message shown: ")) << r.out;
  EXPECT_TRUE(Has(r.out, "  host: cannot save degenerate.tiff: the picture is empty: a picture of 2147483647x")) << r.out;
  EXPECT_TRUE(Has(r.out, " pixels was asked for, more than the 268435456 pixels a bitmap holds\n")) << r.out;
  EXPECT_FALSE(fs::exists(folder_.Path() / "degenerate.tiff"));
}

TEST_F(EditScripts, ARenderStepNamesTheInputsItRenderedWithout) {
  WriteFile(folder_.Path() / "scene.json", R"({
    "settings": {"width": 8, "height": 8, "threads": 1},
    "shaders": [{"name": "floor", "type": "Xtavrel_tiles", "params": {
      "TAVRELTILES_TEXTURE": {"name": "lost", "type": "bitmap", "params": {"1000": "lost.png"}}}}],
    "materials": [{"name": "m", "shader": "floor"}],
    "objects": [{"name": "o", "rect": [0, 0, 1, 1], "material": "m"}]})");
  WriteFile(folder_.Path() / "steps.json", R"([{"render": "out.png"}])");
  CommandOptions options = In(folder_.Path());
  const CommandResult r = RunHost({"edit", "scene.json", "--script", "steps.json"}, options);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "step 1: rendered 8x8 to out.png")) << r.out;
  EXPECT_TRUE(Has(r.err, "shader \"lost\" failed its render set-up with code 1: cannot read image \"lost.png\": no such "
                         "file; rendered on without it")) << r.err;
  // Said once, not again among the host's notes of the step.
  EXPECT_FALSE(Has(r.out, "lost.png")) << r.out;
}

}  // namespace
}  // namespace ombrel::test
