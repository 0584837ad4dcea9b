// Scenes saved by edit, read again by the program itself: a picture whose name is not UTF-8,
// and a shader linked from a second place.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "command_runner.h"

namespace ombrel::test {
namespace {

namespace fs = std::filesystem;

// A file name in Latin-1, as pictures copied from an older system have: not UTF-8.
const std::string kLatin1Picture = "caf\xE9.png";

TEST(SavedScenes, APictureNamedInOtherBytesSavesReadsBackAndRendersTheSame) {
  TempFolder folder;
  fs::create_directory(folder.Path() / "pics");
  fs::copy_file(SourceDir() / "examples" / "textures" / "wood.png", folder.Path() / "pics" / kLatin1Picture);
  WriteFile(folder.Path() / "import.json", R"({"steps": [
    {"answer": "file", "file": "pics"},
    {"press": "TAVRELTILES_LOAD_FOLDER", "node": "floor-tiles"},
    {"render": "edited.png", "size": "96x72"},
    {"save": "saved.json"}]})");
  const std::string scene = (SourceDir() / "examples" / "tiles_import.json").string();
  CommandResult r = RunHost({"edit", scene, "--script", "import.json"}, In(folder.Path()));
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("saved the scene to saved.json"), std::string::npos) << r.out;
  // On the terminal the byte that is no character is shown escaped.
  EXPECT_NE(r.out.find("added shader reading \"pics/caf\\xE9.png\""), std::string::npos) << r.out;
  const std::string saved = ReadFile(folder.Path() / "saved.json");
  EXPECT_NE(saved.find(R"("bytes": "pics/caf%E9.png")"), std::string::npos) << saved;

  // The saved scene finds the picture by its bytes: with --strict a bitmap that could not be set
  // up would fail the render, and the picture is the one the edit rendered.
  r = RunHost({"render", "saved.json", "--size", "96x72", "--strict", "-o", "again.png"}, In(folder.Path()));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(folder.Path() / "again.png"), ReadFile(folder.Path() / "edited.png"));

  // Read and written once more, the file comes out as it was.
  WriteFile(folder.Path() / "nothing.json", "[]");
  r = RunHost({"edit", "saved.json", "--script", "nothing.json", "-o", "resaved.json"}, In(folder.Path()));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(folder.Path() / "resaved.json"), saved);
}

// The cut shader's overlay linked to the atlas its texture defines in place: the save must be
// one the reader takes.
TEST(SavedScenes, ASecondLinkToAShaderSavesAsOneThatReadsBack) {
  TempFolder folder;
  CommandResult r = RunHost({"edit", (SourceDir() / "examples" / "cut_wall.json").string(), "--script",
                             (SourceDir() / "tests" / "edit" / "cut_other_edit.json").string(), "-o", "cut.json"},
                            In(folder.Path()));
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(ReadFile(folder.Path() / "cut.json").find(R"("owns": false)"), std::string::npos);
  r = RunHost({"render", "cut.json", "--size", "64x40", "-o", "cut.png"}, In(folder.Path()));
  EXPECT_EQ(r.status, 0) << r.err;
}

}  // namespace
}  // namespace ombrel::test
