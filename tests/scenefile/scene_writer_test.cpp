// Scene files written back: every example reads back to the same document, and so does a
// document the editing host changed (a cube with a texture tag, a cloned material, names of any
// bytes, shaders linked from more than one place).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "core/builtin_shaders.h"
#include "core/document_dump.h"
#include "core/editing.h"
#include "core/registry.h"
#include "core/scene.h"
#include "resources/description.h"
#include "scenefile/parameter_values.h"
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

// The example scenes (not the edited ones the README's commands leave), by absolute name: image
// names become absolute on loading, so they compare alike from any folder.
std::vector<std::filesystem::path> ExampleScenes() {
  std::vector<std::filesystem::path> scenes;
  const std::filesystem::path examples = std::filesystem::path(OMBREL_SOURCE_DIR) / "examples";
  for (const auto& entry : std::filesystem::directory_iterator(examples)) {
    if (entry.path().extension() != ".json" || entry.path().stem().string().find("_edit") != std::string::npos) continue;
    scenes.push_back(std::filesystem::absolute(entry.path()));
  }
  return scenes;
}

TEST(SceneWriter, EveryExampleReadsBackToTheSameDocument) {
  host::Host h;
  ASSERT_NE(LoadModule(h), nullptr);
  const std::filesystem::path out = TempFolder();
  const std::vector<std::filesystem::path> scenes = ExampleScenes();
  for (const std::filesystem::path& file : scenes) {
    SCOPED_TRACE(file.filename().string());
    host::Scene scene;
    std::string error;
    ASSERT_TRUE(host::LoadSceneFile(h, file, scene, error)) << error;
    ExpectRoundTrip(h, scene, out / file.filename());
  }
  EXPECT_GE(scenes.size(), 6u);
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

std::string ReadText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void CollectShaders(HostNode* node, std::vector<HostNode*>& out) {
  for (const auto& s : node->shaders) {
    out.push_back(s.get());
    CollectShaders(s.get(), out);
  }
  for (const auto& m : node->materials) CollectShaders(m.get(), out);
}

// File names on Linux are bytes: a picture named "caf\xE9.png" (Latin-1) must come back with
// the same bytes, and names in UTF-8, '%' and all, stay plain strings in the file.
TEST(SceneWriter, NamesAndFileNamesOfAnyBytesReadBackAsTheyWere) {
  host::Host h;
  ASSERT_NE(LoadModule(h), nullptr);
  host::Scene scene;
  std::string error;
  ASSERT_TRUE(host::LoadSceneText(h, R"({
    "shaders": [{"name": "tex", "type": "bitmap", "params": {"1000": "/pictures/x.png"}},
                {"name": "plain", "type": "bitmap", "params": {"1000": "/pictures/100%.png"}}],
    "materials": [{"name": "Mat", "shader": {"type": "color", "params": {"1000": [1, 0, 0]}}}],
    "objects": [{"name": "panel", "material": "Mat"}]})",
                                  "bytes.json", scene, error))
      << error;
  host::ResolveImageFiles(scene, "/");  // as reading the file does: the names become file names
  HostNode* tex = host::FindByName(scene.document, "tex");
  ASSERT_NE(tex, nullptr);
  const std::string file = "/pictures/caf\xE9 \xC3\xA9t\xC3\xA9 50%\xFF.png";
  tex->data.Slot(host::kBitmapFileParam).text = file;
  tex->name = "t\xE9x";
  host::FindByName(scene.document, "panel")->name = "p\xC3\xA9" "\x80";

  const std::filesystem::path out = TempFolder();
  std::vector<std::string> notes;
  ASSERT_TRUE(host::WriteSceneFile(h, scene, out / "bytes.json", notes, error)) << error;
  const std::string text = ReadText(out / "bytes.json");
  EXPECT_NE(text.find(R"("bytes": "/pictures/caf%E9 été 50%25%FF.png")"), std::string::npos) << text;
  EXPECT_NE(text.find(R"("bytes": "t%E9x")"), std::string::npos) << text;
  EXPECT_NE(text.find(R"("bytes": "pé%80")"), std::string::npos) << text;
  EXPECT_NE(text.find(R"("1000": "/pictures/100%.png")"), std::string::npos) << text;

  host::Scene second;
  ASSERT_TRUE(host::LoadSceneFile(h, out / "bytes.json", second, error)) << error;
  HostNode* tex2 = host::FindByName(second.document, "t\xE9x");
  ASSERT_NE(tex2, nullptr);
  EXPECT_EQ(tex2->data.Find(host::kBitmapFileParam)->text, file);
  EXPECT_NE(host::FindByName(second.document, "p\xC3\xA9" "\x80"), nullptr);
  EXPECT_EQ(host::DumpDocument(scene.document), host::DumpDocument(second.document));
  std::filesystem::remove_all(out);
}

// Every built-in shader the reader takes is written by that name: one the writer did not know
// would be saved with an empty type, which the reader then refuses.
TEST(SceneWriter, EveryBuiltinShaderReadsBackByItsName) {
  host::Host h;
  ASSERT_NE(LoadModule(h), nullptr);
  const char* names[] = {"color", "uv", "bitmap", "fail", "alpha"};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    host::Scene scene;
    std::string error;
    const std::string text = std::string(R"({"materials": [{"name": "Mat", "shader": {"name": "s", "type": ")") +
                             name + R"("}}], "objects": [{"name": "panel", "material": "Mat"}]})";
    ASSERT_TRUE(host::LoadSceneText(h, text, "builtin.json", scene, error)) << error;
    std::vector<std::string> notes;
    std::string saved;
    ASSERT_TRUE(host::SceneToCheckedText(h, scene, "/", notes, saved, error)) << error;
    EXPECT_NE(saved.find(std::string(R"("type": ")") + name + "\""), std::string::npos) << saved;
    ExpectRoundTrip(h, scene, TempFolder() / "builtin.json");
  }
}

// The cut shader's overlay linked to the atlas its texture holds in place (an edit does that):
// the second link is written as one that does not own the shader, so the reader takes it.
TEST(SceneWriter, ASecondLinkToAShaderInPlaceReadsBack) {
  host::Host h;
  ASSERT_NE(LoadModule(h), nullptr);
  host::Scene scene;
  std::string error;
  ASSERT_TRUE(host::LoadSceneFile(h, std::filesystem::path(OMBREL_SOURCE_DIR) / "examples" / "cut_wall.json", scene, error))
      << error;
  constexpr int32_t kOverlay = 1002;
  HostNode* wall = host::FindByName(scene.document, "wall");
  HostData& overlay = wall->data.Slot(kOverlay);
  overlay.type = HOST_DA_LINK;
  overlay.linkSerial = host::FindByName(scene.document, "wall-atlas")->serial;
  std::vector<std::string> notes;
  std::string text;
  ASSERT_TRUE(host::SceneToCheckedText(h, scene, OMBREL_SOURCE_DIR "/examples", notes, text, error)) << error;
  EXPECT_NE(text.find(R"("link": "wall-atlas",)"), std::string::npos) << text;
  EXPECT_NE(text.find(R"("owns": false)"), std::string::npos) << text;
  ExpectRoundTrip(h, scene, TempFolder() / "cut.json");
}

// Edits of links at random, as a user's script could make them: every shader link of every
// example's shaders pointed at some other shader, a few at a time. Whatever the links, the file
// must read back to the same document.
TEST(SceneWriter, ShadersLinkedAtRandomReadBack) {
  host::Host h;
  ASSERT_NE(LoadModule(h), nullptr);
  const std::filesystem::path out = TempFolder();
  std::mt19937 random(20261209);
  int relinked = 0;
  for (const std::filesystem::path& file : ExampleScenes()) {
    for (int round = 0; round < 8; ++round) {
      SCOPED_TRACE(file.filename().string() + " round " + std::to_string(round));
      host::Scene scene;
      std::string error;
      ASSERT_TRUE(host::LoadSceneFile(h, file, scene, error)) << error;
      std::vector<HostNode*> shaders;
      CollectShaders(scene.document, shaders);
      if (shaders.size() < 2) break;
      for (int edit = 0; edit < 3; ++edit) {
        HostNode* from = shaders[random() % shaders.size()];
        const host::PluginRecord* plugin = from->builtin ? nullptr : h.GetRegistry().Find(from->type);
        if (!plugin || !plugin->description) continue;
        std::vector<int32_t> links;
        for (const host::DescElement& e : plugin->description->elements) {
          if (host::scenefile::SettableKind(e) == host::scenefile::ParamKind::ShaderLink) links.push_back(e.id);
        }
        if (links.empty()) continue;
        HostNode* to = shaders[random() % shaders.size()];
        if (to == from) continue;
        HostData& link = from->data.Slot(links[random() % links.size()]);
        // A link that holds a child shader keeps it: replacing it would orphan the child,
        // which no edit does.
        const HostNode* held = link.type == HOST_DA_LINK ? host::FindLiveNode(link.linkSerial) : nullptr;
        if (held && held->parent == from) continue;
        link = HostData();
        link.type = HOST_DA_LINK;
        link.linkSerial = to->serial;
        ++relinked;
      }
      ExpectRoundTrip(h, scene, out / file.filename());
    }
  }
  EXPECT_GE(relinked, 20);
  std::filesystem::remove_all(out);
}

// A document can hold what the reader refuses: here a chain of 70 shaders, each the texture of
// the one before, where files stop at 64 levels. The save says why and writes no file, rather
// than saying "saved" for a file that cannot be read.
TEST(SceneWriter, ASceneTheReaderWouldRefuseIsNotSaved) {
  host::Host h;
  ASSERT_NE(LoadModule(h), nullptr);
  host::Scene scene;
  std::string error;
  ASSERT_TRUE(host::LoadSceneText(h, R"({"shaders": [{"name": "top", "type": "xglent_color"}]})", "deep.json", scene, error))
      << error;
  constexpr int32_t kGlentColor = 1029019, kGlentTexture = 1000;
  HostNode* holder = host::FindByName(scene.document, "top");
  for (int i = 0; i < 70; ++i) {
    HostNode* child = host::InsertShader(holder, host::CreateShader(h.GetRegistry(), kGlentColor), nullptr);
    ASSERT_NE(child, nullptr);
    HostData& link = holder->data.Slot(kGlentTexture);
    link = HostData();
    link.type = HOST_DA_LINK;
    link.linkSerial = child->serial;
    holder = child;
  }
  const std::filesystem::path out = TempFolder();
  std::vector<std::string> notes;
  EXPECT_FALSE(host::WriteSceneFile(h, scene, out / "deep.json", notes, error));
  EXPECT_NE(error.find("the scene was not saved, as the file would not read back"), std::string::npos) << error;
  EXPECT_NE(error.find("nested deeper than 64 levels"), std::string::npos) << error;
  EXPECT_FALSE(std::filesystem::exists(out / "deep.json"));
  std::filesystem::remove_all(out);
}

}  // namespace
}  // namespace ombrel::test
