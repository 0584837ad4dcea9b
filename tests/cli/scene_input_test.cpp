// ombrel-host render and sample with inputs that cannot be used: images the bitmap shader cannot
// read, scene files that are no files, and the points sample reads from a pipe.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <tuple>

#include "command_runner.h"

namespace ombrel::test {
namespace {

namespace fs = std::filesystem;

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// One material per image case, each showing a bitmap shader on its own strip, and a tile floor
// whose first texture cannot be read.
class DroppedImages : public ::testing::Test {
 protected:
  DroppedImages() {
    fs::copy_file(SourceDir() / "examples/textures/stone.png", folder_.Path() / "stone.png");
    WriteFile(folder_.Path() / "corrupt.png", "\x89PNG\r\n\x1a\n but nothing a decoder can use");
    fs::create_directory(folder_.Path() / "folder.png");
    WriteFile(folder_.Path() / "scene.json", R"({
      "settings": {"width": 16, "height": 16, "threads": 1},
      "shaders": [
        {"name": "gone", "type": "bitmap", "params": {"1000": "missing.png"}},
        {"name": "broken", "type": "bitmap", "params": {"1000": "corrupt.png"}},
        {"name": "hollow", "type": "bitmap", "params": {"1000": "folder.png"}},
        {"name": "floor", "type": "Xtavrel_tiles", "params": {
          "TAVRELTILES_TEXTURE": {"name": "lost", "type": "bitmap", "params": {"1000": "lost.png"}}}},
        {"name": "fine", "type": "bitmap", "params": {"1000": "stone.png"}}
      ],
      "materials": [{"name": "a", "shader": "gone"}, {"name": "b", "shader": "broken"},
                    {"name": "c", "shader": "hollow"}, {"name": "d", "shader": "floor"},
                    {"name": "e", "shader": "fine"}],
      "objects": [
        {"name": "o1", "rect": [0, 0, 1, 0.2], "material": "a"},
        {"name": "o2", "rect": [0, 0.2, 1, 0.4], "material": "b"},
        {"name": "o3", "rect": [0, 0.4, 1, 0.6], "material": "c"},
        {"name": "o4", "rect": [0, 0.6, 1, 0.8], "material": "d"},
        {"name": "o5", "rect": [0, 0.8, 1, 1], "material": "e"}]})");
  }
  CommandResult Render(std::vector<std::string> extra = {}) {
    std::vector<std::string> args{"render", "scene.json", "-o", "out.png"};
    args.insert(args.end(), extra.begin(), extra.end());
    return RunHost(args, In(folder_.Path()));
  }
  TempFolder folder_;
};

TEST_F(DroppedImages, RenderNamesEachFileWithItsReasonAndRendersOn) {
  const CommandResult r = Render();
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.err, "shader \"gone\" failed its render set-up with code 1: cannot read image \"missing.png\": no such "
                         "file; rendered it all the same")) << r.err;
  EXPECT_TRUE(Has(r.err, "shader \"broken\" failed its render set-up with code 1: cannot read image \"corrupt.png\": "))
      << r.err;
  EXPECT_TRUE(Has(r.err, "cannot read image \"folder.png\": a folder, not an image file")) << r.err;
  // An input the tile shader drops is named too, though the tile shader itself set up fine.
  EXPECT_TRUE(Has(r.err, "shader \"lost\" failed its render set-up with code 1: cannot read image \"lost.png\": no such "
                         "file; rendered on without it")) << r.err;
  EXPECT_FALSE(Has(r.err, "\"fine\"")) << r.err;
  EXPECT_FALSE(Has(r.err, "\"floor\"")) << r.err;
  EXPECT_TRUE(Has(r.err, "rendered 16x16")) << r.err;
  EXPECT_TRUE(fs::exists(folder_.Path() / "out.png"));
}

TEST_F(DroppedImages, StrictFailsTheRenderWithItsOwnCodeButStillWritesThePicture) {
  const CommandResult r = Render({"--strict"});
  EXPECT_EQ(r.status, 3) << r.err;
  EXPECT_TRUE(Has(r.err, "--strict: 4 shader inputs failed their set-up")) << r.err;
  EXPECT_TRUE(fs::exists(folder_.Path() / "out.png"));

  // Nothing dropped: --strict changes nothing.
  WriteFile(folder_.Path() / "good.json", R"({"settings": {"width": 4, "height": 4},
    "shaders": [{"name": "fine", "type": "bitmap", "params": {"1000": "stone.png"}}],
    "materials": [{"name": "e", "shader": "fine"}], "objects": [{"name": "o", "material": "e"}]})");
  const CommandResult good = RunHost({"render", "good.json", "--strict"}, In(folder_.Path()));
  EXPECT_EQ(good.status, 0) << good.err;
}

TEST_F(DroppedImages, SampleNamesOnlyTheInputsOfTheSampledShader) {
  CommandOptions options = In(folder_.Path());
  options.input = "0.5 0.5 0\n";
  CommandResult r = RunHost({"sample", "scene.json", "--shader", "floor"}, options);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.err, "shader \"lost\" failed its render set-up with code 1: cannot read image \"lost.png\": no such "
                         "file; sampled on without it")) << r.err;
  EXPECT_FALSE(Has(r.err, "\"gone\"")) << r.err;  // set up with the scene, but not the sampled shader's input
  EXPECT_EQ(r.out, "0 0 0\n");                    // a floor with no texture left

  r = RunHost({"sample", "scene.json", "--shader", "floor", "--strict"}, options);
  EXPECT_EQ(r.status, 3) << r.err;
  EXPECT_EQ(r.out, "0 0 0\n");
  r = RunHost({"sample", "scene.json", "--shader", "gone", "--strict"}, options);
  EXPECT_EQ(r.status, 3) << r.err;
  EXPECT_TRUE(Has(r.err, "cannot read image \"missing.png\": no such file; sampled it all the same")) << r.err;
  r = RunHost({"sample", "scene.json", "--shader", "fine", "--strict"}, options);
  EXPECT_EQ(r.status, 0) << r.err;
}

class SceneFiles : public ::testing::Test {
 protected:
  TempFolder folder_;
};

TEST_F(SceneFiles, APipeADeviceOrAFolderIsNamedAndRefusedWithoutWaiting) {
  ASSERT_EQ(::mkfifo((folder_.Path() / "pipe.json").c_str(), 0600), 0);
  fs::create_directory(folder_.Path() / "folder.json");
  CommandOptions options = In(folder_.Path());
  options.timeLimitSeconds = 20;
  for (const auto& [file, kind] : std::vector<std::pair<std::string, std::string>>{
           {"pipe.json", "a pipe (FIFO)"}, {"/dev/zero", "a device"}, {"folder.json", "a folder"}}) {
    for (const std::string command : {"render", "sample"}) {
      std::vector<std::string> args{command, file, "-o", "out.png"};
      if (command == "sample") args = {command, file, "--shader", "x"};
      const CommandResult r = RunHost(args, options);
      EXPECT_FALSE(r.timedOut) << file;
      EXPECT_EQ(r.status, 1) << file << r.err;
      EXPECT_TRUE(Has(r.err, "ombrel-host: " + file + ": " + kind + ", not a scene file")) << r.err;
    }
  }
  EXPECT_FALSE(fs::exists(folder_.Path() / "out.png"));
}

TEST_F(SceneFiles, AnUnknownShaderTypeListsEveryTypeThatIsAccepted) {
  WriteFile(folder_.Path() / "s.json", R"({"shaders": [{"name": "x", "type": "bitmaps"}]})");
  const CommandResult r = RunHost({"render", "s.json"}, In(folder_.Path()));
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Has(r.err, "s.json:1: shaders[0].type: unknown shader type \"bitmaps\"; known types: color, uv, bitmap, "
                         "fail, alpha, Xtavrel_tiles (1028619), xglent_color (1029019)")) << r.err;
  EXPECT_FALSE(fs::exists(folder_.Path() / "s.png"));
}

TEST_F(SceneFiles, ControlBytesFromTheSceneOrTheInputAreNeverEchoedRaw) {
  WriteFile(folder_.Path() / "s.json", R"({"shaders": [{"name": "p\u001b]0;owned\u0007", "type": "uv"}]})");
  CommandOptions options = In(folder_.Path());
  CommandResult r = RunHost({"sample", "s.json", "--shader", "q"}, options);
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Has(r.err, "its shaders: p\\x1B]0;owned\\x07")) << r.err;
  EXPECT_FALSE(Has(r.err, "\x1b")) << r.err;

  options.input = "0 0 0\n\x1b[2J\x1b[H 1 2\n";
  r = RunHost({"sample", "s.json", "--shader", "p\x1b]0;owned\x07"}, options);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "0 0 0\n");
  EXPECT_TRUE(Has(r.err, "line 2: expected three numbers \"u v w\", got \"\\x1B[2J\\x1B[H 1 2\"")) << r.err;
  EXPECT_FALSE(Has(r.err, "\x1b")) << r.err;
}

TEST_F(SceneFiles, SampleAnswersEachLineBeforeTheNextIsWritten) {
  WriteFile(folder_.Path() / "s.json", R"({"shaders": [{"name": "p", "type": "uv"}]})");
  HostConversation host({"sample", "s.json", "--shader", "p"}, folder_.Path());
  std::string line;
  // Each answer must arrive while the input is still open: the next point depends on it.
  ASSERT_TRUE(host.Write("0.25 0.5 0\n"));
  ASSERT_TRUE(host.ReadLine(line, 30));
  EXPECT_EQ(line, "0.25 0.5 0");
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(host.Write("# the last answer was " + line + "\n" + std::to_string(i) + " 1 2\n"));
    ASSERT_TRUE(host.ReadLine(line, 30));
    EXPECT_EQ(line, std::to_string(i) + " 1 2");
  }
  std::string err;
  EXPECT_EQ(host.Finish(err), 0) << err;
}

TEST_F(SceneFiles, SampleReadsAnEndlessLineInBoundedMemory) {
  WriteFile(folder_.Path() / "s.json", R"({"shaders": [{"name": "p", "type": "uv"}]})");
  CommandOptions options = In(folder_.Path());
  options.input = "1 2 3\n" + std::string(64u << 20, '7');  // no line end in 64 MiB
  options.addressSpaceBytes = size_t{1} << 30;
  const CommandResult r = RunHost({"sample", "s.json", "--shader", "p"}, options);
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(r.out, "1 2 3\n");
  EXPECT_TRUE(Has(r.err, "line 2: longer than 4096 bytes")) << r.err;
}

}  // namespace
}  // namespace ombrel::test

namespace ombrel::test {
namespace {

// Files near the 64 MiB cap that are refused must be refused as they are read, not after
// being built into a document of gigabytes. Run with 600 MB of address space, which the host
// needs a quarter of to start.
TEST(LargeSceneFiles, HostileFilesAtTheCapAreRefusedWithinAMemoryLimit) {
  TempFolder folder;
  const size_t items = (60u << 20) / 3;
  std::string emptyArrays;
  emptyArrays.reserve(items * 3);
  for (size_t i = 0; i < items; ++i) emptyArrays += i == 0 ? "[]" : ",[]";
  const std::vector<std::tuple<std::string, std::string, std::string>> files{
      {"nested.json", "{\"shaders\": " + std::string(30u << 20, '[') + std::string(30u << 20, ']') + "}",
       "nested.json:1: shaders[0]: expected an object, found an array"},
      {"unknown.json", "{\"junk\": [" + emptyArrays + "]}",
       "unknown.json:1: junk: unknown key \"junk\"; expected one of settings, shaders, materials, objects"},
      {"lists.json", "{\"shaders\": [{\"name\": \"s\", \"type\": \"uv\", \"params\": {\"1000\": [" + emptyArrays + "]}}]}",
       "lists.json:1: shaders[0].params.1000[0]: expected a number or a gradient knot, found an array"},
  };
  emptyArrays.clear();
  emptyArrays.shrink_to_fit();
  for (const auto& [name, text, message] : files) {
    WriteFile(folder.Path() / name, text);
    CommandOptions options = In(folder.Path());
    options.addressSpaceBytes = 600u << 20;
    const CommandResult r = RunHost({"render", name, "-o", "out.png"}, options);
    EXPECT_EQ(r.status, 1) << name << "\n" << r.err;
    EXPECT_EQ(r.err, "ombrel-host: " + message + "\n") << name;
    std::filesystem::remove(folder.Path() / name);
  }
  EXPECT_FALSE(std::filesystem::exists(folder.Path() / "out.png"));
}

}  // namespace
}  // namespace ombrel::test
