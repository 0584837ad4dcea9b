// Scene files written back: every example reads back to the same document, and so does a
// document the editing host changed (a cube with a texture tag, a cloned material).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "core/document_dump.h"
#include "core/editing.h"
#include "core/scene.h"
#include "scenefile/scene_file.h"
#include "scenefile/scene_writer.h"
#include "../host/module_fixture.h"

namespace ombrel::test {
namespace {

// One folder per test and process: ctest runs the tests of this file side by side, and each
// removes its folder when done.
std::filesystem::path TempFolder() {
  const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("ombrel-writer-" + test + "-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  return dir;
}

// Loads `file`, writes it to `out` and loads that again; both documents must dump alike.
void ExpectRoundTrip(host::Host& h, host::Scene& first, const std::filesystem::path& out) {
  std::vector<std::string> notes;
  std::string error;
  ASSERT_TRUE(host::WriteSceneFile(h, first, out, notes, error)) << error;
  EXPECT_TRUE(notes.empty()) << notes.front();
  host::Scene second;
  ASSERT_TRUE(host::LoadSceneFile(h, out, second, error)) << error;
  EXPECT_EQ(host::DumpDocument(first.document), host::DumpDocument(second.document));
  EXPECT_EQ(first.settings.width, second.settings.width);
  EXPECT_EQ(first.settings.threads, second.settings.threads);
}

TEST(SceneWriter, EveryExampleReadsBackToTheSameDocument) {
  host::Host h;
  ASSERT_NE(LoadModule(h), nullptr);
  const std::filesystem::path examples = std::filesystem::path(OMBREL_SOURCE_DIR) / "examples";
  const std::filesystem::path out = TempFolder();
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(examples)) {
    if (entry.path().extension() != ".json" || entry.path().stem().string().find("_edit") != std::string::npos) continue;
    SCOPED_TRACE(entry.path().filename().string());
    host::Scene scene;
    std::string error;
    // Image names become absolute on loading, so they compare alike from any folder.
    ASSERT_TRUE(host::LoadSceneFile(h, std::filesystem::absolute(entry.path()), scene, error)) << error;
    ExpectRoundTrip(h, scene, out / entry.path().filename());
    ++count;
  }
  EXPECT_GE(count, 6);
  std::filesystem::remove_all(out);
}

TEST(SceneWriter, EditedDocumentsReadBackWithTagsCubesAndClones) {
  host::Host h;
  ASSERT_NE(LoadModule(h), nullptr);
  host::Scene scene;
  std::string error;
  ASSERT_TRUE(host::LoadSceneText(h, R"({
    "shaders": [{"name": "tint", "type": "xglent_color", "params": {"GLENTCOLOR_HUE": 0.25}}],
    "materials": [{"name": "Mat", "shader": "tint"}],
    "objects": [{"name": "panel", "material": "Mat", "rect": [0.1, 0.2, 0.5, 0.6]}]})",
                                  "edited.json", scene, error))
      << error;
  HostNode* doc = scene.document;
  HostNode* material = host::FindByName(doc, "Mat");
  HostNode* cube = host::InsertObject(doc, host::MakeObject(HOST_OBJECT_CUBE), nullptr, nullptr);
  cube->data.Slot(HOST_CUBE_SIZE).vec = HostVector{282.5, 200, 282.5};
  HostNode* tag = host::MakeTag(cube, HOST_TAG_TEXTURE, nullptr);
  tag->data.Slot(HOST_TEXTURETAG_MATERIAL).linkSerial = material->serial;
  HostNode* clone = host::InsertMaterial(doc, host::CloneNode(*material, 0, nullptr), material, true);
  material->bits |= HOST_BIT_ACTIVE;
  ASSERT_NE(clone, nullptr);
  const std::filesystem::path out = TempFolder();
  // The clone's shader keeps the original's name, which the file writes under a new one; the
  // rest must come back as it was.
  std::vector<std::string> notes;
  ASSERT_TRUE(host::WriteSceneFile(h, scene, out / "edited.json", notes, error)) << error;
  host::Scene second;
  ASSERT_TRUE(host::LoadSceneFile(h, out / "edited.json", second, error)) << error;
  HostNode* cube2 = host::FindByName(second.document, "Cube");
  ASSERT_NE(cube2, nullptr);
  EXPECT_EQ(cube2->type, HOST_OBJECT_CUBE);
  EXPECT_EQ(second.document->children.front().get(), cube2);
  EXPECT_EQ(cube2->data.Find(HOST_CUBE_SIZE)->vec.x, 282.5);
  ASSERT_EQ(cube2->tags.size(), 1u);
  EXPECT_EQ(cube2->tags[0]->data.Find(HOST_TEXTURETAG_MATERIAL)->linkSerial, host::FindByName(second.document, "Mat")->serial);
  EXPECT_EQ(cube2->tags[0]->data.Find(HOST_TEXTURETAG_PROJECTION)->i32, HOST_TEXTURETAG_PROJECTION_UVW);
  ASSERT_EQ(second.document->materials.size(), 2u);
  EXPECT_EQ(second.document->materials[1]->name, "Mat.1");
  EXPECT_TRUE(second.document->materials[0]->bits & HOST_BIT_ACTIVE);
  EXPECT_FALSE(second.document->materials[1]->bits & HOST_BIT_ACTIVE);
  ASSERT_EQ(notes.size(), 1u);
  // With the clone's shader renamed in the first document too, the two dump alike.
  clone->shaders.front()->name = "tint#2";
  EXPECT_EQ(host::DumpDocument(doc), host::DumpDocument(second.document));
  std::filesystem::remove_all(out);
}

}  // namespace
}  // namespace ombrel::test
