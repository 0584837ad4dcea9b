// Scene files against the real module: what a valid file builds, where each fault is reported,
// and that a refused file leaves nothing in the host.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "core/builtin_shaders.h"
#include "core/editing.h"
#include "core/gradient.h"
#include "core/scene.h"
#include "scenefile/scene_file.h"
#include "../host/module_fixture.h"

namespace ombrel::test {
namespace {

constexpr int32_t kTexture = 1000, kSeed = 1001, kHue = 1002, kSaturation = 1003, kGradient = 1005, kColor = 1010,
                  kStrengthShader = 1012, kPerPolygon = 1014, kPolygonGroup = 1015;
constexpr int32_t kTransformShader = 1100, kTransformPreviewObject = 1114;

// The 1-based line of the first line of `text` that contains `marker`.
int LineOf(std::string_view text, std::string_view marker) {
  const size_t at = text.find(marker);
  EXPECT_NE(at, std::string_view::npos) << "marker " << marker;
  int line = 1;
  for (size_t i = 0; i < at && i < text.size(); ++i) line += text[i] == '\n';
  return line;
}

class SceneFileTest : public ::testing::Test {
 protected:
  void SetUp() override { module_ = LoadModule(host_); }

  bool Load(std::string_view text) { return host::LoadSceneText(host_, text, "scene.json", scene_, error_); }

  static const HostData* Param(const HostNode* node, int32_t id) { return node ? node->data.Find(id) : nullptr; }

  HostNode* Linked(const HostNode* node, int32_t id) const {
    const HostData* d = Param(node, id);
    return d && d->type == HOST_DA_LINK ? host::FindLiveNode(d->linkSerial) : nullptr;
  }

  static bool IsChildShader(const HostNode* parent, const HostNode* child) {
    for (const auto& s : parent->shaders) {
      if (s.get() == child) return child->parent == parent;
    }
    return false;
  }

  host::Host host_;
  HostModule* module_ = nullptr;
  host::Scene scene_;
  std::string error_;
};

constexpr std::string_view kValidScene = R"({
  "settings": {"width": 320, "height": 200, "linearWorkflow": true, "threads": 2,
               "background": [0.1, 0.2, 0.3], "time": 1.5, "fps": 25},
  "shaders": [
    {"name": "strength", "type": "uv"},
    {"name": "adjust", "type": "xglent_color", "params": {
      "GLENTCOLOR_HUE": 0.25,
      "1003": 0.5,
      "GLENTCOLOR_SEED": 7,
      "GLENTCOLOR_PER_POLYGON": true,
      "GLENTCOLOR_POLYGON_GROUP": 4,
      "GLENTCOLOR_COLOR": [1, 0.5, 0],
      "GLENTCOLOR_TEXTURE": {"name": "base", "type": "color", "params": {"1000": [0.2, 0.4, 0.6]}},
      "GLENTCOLOR_STRENGTH_SHADER": "strength",
      "GLENTCOLOR_GRADIENT": [
        {"color": [1, 0, 0], "position": 0},
        {"color": [0, 0, 1], "brightness": 0.5, "position": 1, "bias": 0.25}
      ]}},
    {"name": "loose", "type": 1029019}
  ],
  "materials": [{"name": "paint", "shader": "adjust"}],
  "objects": [
    {"name": "root", "identity": 40, "rect": [0, 0, 0.5, 0.5], "rows": 2, "columns": 3, "material": "paint"},
    {"name": "child", "parent": "root", "origin": "later", "renderIndex": 9},
    {"name": "later", "material": "paint"}
  ]
})";

TEST_F(SceneFileTest, ValidFileBuildsParametersLinksPlacementMaterialsAndObjects) {
  ASSERT_NE(module_, nullptr);
  ASSERT_TRUE(Load(kValidScene)) << error_;
  ASSERT_NE(scene_.document, nullptr);
  EXPECT_EQ(host_.ActiveDocument(), scene_.document);

  const host::RenderSettings& s = scene_.settings;
  EXPECT_EQ(s.width, 320);
  EXPECT_EQ(s.height, 200);
  EXPECT_TRUE(s.linearWorkflow);
  EXPECT_EQ(s.threads, 2);
  EXPECT_DOUBLE_EQ(s.background.z, 0.3);
  EXPECT_DOUBLE_EQ(s.time, 1.5);
  EXPECT_DOUBLE_EQ(s.fps, 25.0);

  HostNode* adjust = scene_.Find("adjust");
  ASSERT_NE(adjust, nullptr);
  EXPECT_EQ(adjust->type, kColorId);
  EXPECT_EQ(adjust->name, "adjust");
  ASSERT_NE(Param(adjust, kHue), nullptr);
  EXPECT_EQ(Param(adjust, kHue)->type, HOST_DA_REAL);
  EXPECT_DOUBLE_EQ(Param(adjust, kHue)->real, 0.25);
  EXPECT_DOUBLE_EQ(Param(adjust, kSaturation)->real, 0.5);  // by number
  EXPECT_EQ(Param(adjust, kSeed)->type, HOST_DA_LONG);
  EXPECT_EQ(Param(adjust, kSeed)->i32, 7);
  EXPECT_EQ(Param(adjust, kPerPolygon)->type, HOST_DA_LONG);  // BOOL is stored as an integer
  EXPECT_EQ(Param(adjust, kPerPolygon)->i32, 1);
  EXPECT_EQ(Param(adjust, kPolygonGroup)->i32, 4);
  EXPECT_EQ(Param(adjust, kColor)->type, HOST_DA_VECTOR);
  EXPECT_DOUBLE_EQ(Param(adjust, kColor)->vec.y, 0.5);
  // Parameters the file leaves alone keep what Init wrote.
  ASSERT_NE(Param(adjust, 1011), nullptr);
  EXPECT_DOUBLE_EQ(Param(adjust, 1011)->real, 1.0);

  const HostData* gradientData = Param(adjust, kGradient);
  ASSERT_NE(gradientData, nullptr);
  ASSERT_EQ(gradientData->type, HOST_DA_CUSTOM);
  ASSERT_EQ(gradientData->CustomType(), HOST_CUSTOMDATA_GRADIENT);
  const auto& knots = static_cast<const HostGradient&>(*gradientData->custom).knots;
  ASSERT_EQ(knots.size(), 2u);
  EXPECT_DOUBLE_EQ(knots[0].color.x, 1.0);
  EXPECT_DOUBLE_EQ(knots[0].brightness, 1.0);  // defaults
  EXPECT_DOUBLE_EQ(knots[0].bias, 0.5);
  EXPECT_DOUBLE_EQ(knots[1].brightness, 0.5);
  EXPECT_DOUBLE_EQ(knots[1].position, 1.0);
  EXPECT_DOUBLE_EQ(knots[1].bias, 0.25);

  // Linked shaders live under the shader that links them, whether defined in place or by name.
  HostNode* base = Linked(adjust, kTexture);
  ASSERT_NE(base, nullptr);
  EXPECT_EQ(base, scene_.Find("base"));
  EXPECT_EQ(base->type, host::kColorShaderType);
  EXPECT_TRUE(IsChildShader(adjust, base));
  EXPECT_DOUBLE_EQ(Param(base, 1000)->vec.z, 0.6);
  HostNode* strength = Linked(adjust, kStrengthShader);
  ASSERT_NE(strength, nullptr);
  EXPECT_EQ(strength, scene_.Find("strength"));
  EXPECT_TRUE(IsChildShader(adjust, strength));
  EXPECT_EQ(strength->document, scene_.document);
  EXPECT_EQ(base->document, scene_.document);

  // The material's channel shader is one of its child shaders.
  HostNode* paint = scene_.Find("paint");
  ASSERT_NE(paint, nullptr);
  EXPECT_EQ(paint->kind, NodeKind::Material);
  EXPECT_EQ(host::ChannelShader(paint), adjust);
  EXPECT_TRUE(IsChildShader(paint, adjust));

  // A shader nobody links stays in the document.
  HostNode* loose = scene_.Find("loose");
  ASSERT_NE(loose, nullptr);
  EXPECT_EQ(loose->type, kColorId);
  EXPECT_TRUE(IsChildShader(scene_.document, loose));

  ASSERT_EQ(scene_.objects.size(), 3u);
  HostNode* root = scene_.objects[0];
  HostNode* child = scene_.objects[1];
  HostNode* later = scene_.objects[2];
  EXPECT_EQ(root->name, "root");
  EXPECT_EQ(root->identity, 40);
  EXPECT_DOUBLE_EQ(root->geometry.right, 0.5);
  EXPECT_EQ(root->geometry.rows, 2);
  EXPECT_EQ(root->geometry.columns, 3);
  EXPECT_EQ(host::MaterialOf(root), paint);
  EXPECT_EQ(child->parent, root);
  EXPECT_EQ(child->originSerial, later->serial);  // an origin may come later in the file
  EXPECT_EQ(child->renderIndex, 9);
  EXPECT_EQ(host::MaterialOf(child), nullptr);
  // Defaults: identity counts from 1 and the render index from 0, by position in the file.
  EXPECT_EQ(child->identity, 2);
  EXPECT_EQ(later->identity, 3);
  EXPECT_EQ(later->renderIndex, 2);
  EXPECT_EQ(later->parent, scene_.document);
  EXPECT_DOUBLE_EQ(later->geometry.left, 0.0);
  EXPECT_DOUBLE_EQ(later->geometry.bottom, 1.0);

  EXPECT_EQ(scene_.named.size(), 8u);  // 4 shaders, 1 material, 3 objects
  EXPECT_EQ(scene_.Find("child"), child);
}

TEST_F(SceneFileTest, ShadersWithoutDescriptionTakeTypesFromTheValues) {
  ASSERT_NE(module_, nullptr);
  ASSERT_TRUE(Load(R"({
    "shaders": [{"name": "c", "type": "color", "params": {
      "1000": [0.5, 0.5, 1], "7": 3, "8": 2.5, "9": true, "10": "text",
      "11": {"link": "thing"}, "12": {"type": "uv"},
      "13": [{"color": [1, 1, 1], "position": 0.5}]}}],
    "objects": [{"name": "thing"}]
  })")) << error_;
  HostNode* c = scene_.Find("c");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(Param(c, 1000)->type, HOST_DA_VECTOR);
  EXPECT_EQ(Param(c, 7)->type, HOST_DA_LONG);
  EXPECT_EQ(Param(c, 7)->i32, 3);
  EXPECT_EQ(Param(c, 8)->type, HOST_DA_REAL);
  EXPECT_EQ(Param(c, 9)->type, HOST_DA_LONG);
  EXPECT_EQ(Param(c, 9)->i32, 1);
  EXPECT_EQ(Param(c, 10)->type, HOST_DA_STRING);
  EXPECT_EQ(Param(c, 10)->text, "text");
  EXPECT_EQ(Linked(c, 11), scene_.Find("thing"));
  HostNode* uv = Linked(c, 12);
  ASSERT_NE(uv, nullptr);
  EXPECT_EQ(uv->type, host::kUvShaderType);
  EXPECT_TRUE(IsChildShader(c, uv));
  EXPECT_EQ(Param(c, 13)->CustomType(), HOST_CUSTOMDATA_GRADIENT);
}

TEST_F(SceneFileTest, PlainLinksPointWithoutOwning) {
  ASSERT_NE(module_, nullptr);
  // The transform shader's preview object is a plain link; its source is a shader link.
  ASSERT_TRUE(Load(R"({
    "shaders": [
      {"name": "source", "type": "uv"},
      {"name": "other", "type": "Xtransform", "params": {"XTRANSFORM_SHADER": {"type": "color"}}},
      {"name": "t", "type": "Xtransform", "params": {
        "XTRANSFORM_SHADER": "source", "XTRANSFORM_PREVIEW_OBJECT": "cube"}},
      {"name": "weak", "type": "Xtransform", "params": {"XTRANSFORM_PREVIEW_OBJECT": "other"}}
    ],
    "objects": [{"name": "cube"}]
  })")) << error_;
  HostNode* t = scene_.Find("t");
  HostNode* other = scene_.Find("other");
  ASSERT_NE(t, nullptr);
  EXPECT_TRUE(IsChildShader(t, scene_.Find("source")));
  EXPECT_EQ(Linked(t, kTransformShader), scene_.Find("source"));
  EXPECT_EQ(Linked(t, kTransformPreviewObject), scene_.Find("cube"));
  // A plain link to a shader leaves it where it was.
  EXPECT_EQ(Linked(scene_.Find("weak"), kTransformPreviewObject), other);
  EXPECT_TRUE(IsChildShader(scene_.document, other));
}

// Names and texts that are not UTF-8 come as {"bytes": ...}, anywhere a name or text may
// stand; a shader link that says it does not own its target leaves it where it is.
TEST_F(SceneFileTest, TextsOfAnyBytesAndLinksThatDoNotOwn) {
  ASSERT_NE(module_, nullptr);
  ASSERT_TRUE(Load(R"({
    "shaders": [
      {"name": {"bytes": "caf%E9"}, "type": "bitmap", "params": {"1000": {"bytes": "caf%E9%25.png"}}},
      {"name": "t", "type": "Xtransform", "params": {"XTRANSFORM_SHADER": {"link": {"bytes": "caf%e9"}, "owns": false}}},
      {"name": "s", "type": "uv"},
      {"name": "u", "type": "Xtransform", "params": {"XTRANSFORM_SHADER": {"link": "s", "owns": true}}},
      {"name": "%FF", "type": "color"}
    ],
    "materials": [{"name": "m", "shader": {"bytes": "%25FF"}}]
  })")) << error_;
  HostNode* cafe = scene_.Find("caf\xE9");
  ASSERT_NE(cafe, nullptr);
  EXPECT_EQ(Param(cafe, host::kBitmapFileParam)->text, "caf\xE9%.png");
  EXPECT_EQ(Linked(scene_.Find("t"), kTransformShader), cafe);
  EXPECT_TRUE(IsChildShader(scene_.document, cafe));
  EXPECT_TRUE(IsChildShader(scene_.Find("u"), scene_.Find("s")));
  // "%25FF" is the bytes form of the UTF-8 name "%FF".
  EXPECT_TRUE(IsChildShader(scene_.Find("m"), scene_.Find("%FF")));
}

struct Fault {
  const char* label;
  std::string_view text;
  std::string_view marker;  // a piece of the line the message must name
  std::string_view field;   // the JSON path, "" for none
  std::string_view says;    // a piece of the message
};

// Every fault names the file, the line and the field, builds nothing and leaves the module's
// account as it was.
TEST_F(SceneFileTest, FaultsNameLineAndFieldAndLeaveNothingBehind) {
  ASSERT_NE(module_, nullptr);
  const Fault faults[] = {
      {"rect of the wrong type", R"({"objects": [
        {"name": "a"}, {"name": "b"},
        {"name": "c",
         "rect": "left"}]})", "\"rect\"", "objects[2].rect", "expected an array of 4 numbers, found a string"},
      {"empty rect", R"({"objects": [{"name": "a",
        "rect": [0.5, 0, 0.5, 1]}]})", "\"rect\"", "objects[0].rect", "left < right"},
      {"misspelt key", R"({"objects": [{"name": "a",
        "colour": 1}]})", "colour", "objects[0].colour", "unknown key \"colour\""},
      {"misspelt top-level key", R"({
        "object": []})", "object", "object", "expected one of settings, shaders, materials, objects"},
      {"unknown parameter", R"({"shaders": [{"name": "s", "type": "xglent_color", "params": {
        "GLENTCOLOR_HEU": 0.5}}]})", "HEU", "shaders[0].params.GLENTCOLOR_HEU", "GLENTCOLOR_HUE, GLENTCOLOR_SATURATION"},
      {"unknown parameter number", R"({"shaders": [{"name": "s", "type": "xglent_color", "params": {
        "1009": 1}}]})", "1009", "shaders[0].params.1009", "unknown parameter \"1009\""},
      {"host entry", R"({"shaders": [{"name": "s", "type": "xglent_color", "params": {
        "ID_BASELIST_NAME": "x"}}]})", "ID_BASELIST", "shaders[0].params.ID_BASELIST_NAME", "not a parameter a scene file can set"},
      {"fraction for LONG", R"({"shaders": [{"name": "s", "type": "xglent_color", "params": {
        "GLENTCOLOR_SEED": 2.5}}]})", "SEED", "shaders[0].params.GLENTCOLOR_SEED", "expected an integer, found 2.5"},
      {"LONG beyond 32 bits", R"({"shaders": [{"name": "s", "type": "xglent_color", "params": {
        "GLENTCOLOR_SEED": 3000000000}}]})", "SEED", "shaders[0].params.GLENTCOLOR_SEED", "32-bit range"},
      {"identity beyond 32 bits", R"({"objects": [{"name": "a",
        "identity": -2147483649}]})", "identity", "objects[0].identity", "32-bit range"},
      {"number for BOOL", R"({"shaders": [{"name": "s", "type": "xglent_color", "params": {
        "GLENTCOLOR_PER_POLYGON": 1}}]})", "PER_POLYGON", "shaders[0].params.GLENTCOLOR_PER_POLYGON", "expected true or false, found 1"},
      {"short COLOR", R"({"shaders": [{"name": "s", "type": "xglent_color", "params": {
        "GLENTCOLOR_COLOR": [1, 0]}}]})", "COLOR\"", "shaders[0].params.GLENTCOLOR_COLOR", "expected an array of 3 numbers"},
      {"text in a COLOR", R"({"shaders": [{"name": "s", "type": "xglent_color", "params": {
        "GLENTCOLOR_COLOR": [1, 0,
          "red"]}}]})", "red", "shaders[0].params.GLENTCOLOR_COLOR[2]", "expected a number, found a string"},
      {"text for REAL", R"({"shaders": [{"name": "s", "type": "xglent_color", "params": {
        "GLENTCOLOR_HUE": "much"}}]})", "much", "shaders[0].params.GLENTCOLOR_HUE", "expected a number"},
      {"number too large for a double", R"({"shaders": [{"name": "s", "type": "xglent_color", "params": {
        "GLENTCOLOR_HUE": 1e400}}]})", "1e400", "shaders[0].params.GLENTCOLOR_HUE", "too large"},
      {"same parameter twice", R"({"shaders": [{"name": "s", "type": "xglent_color", "params": {
        "GLENTCOLOR_HUE": 0.1,
        "1002": 0.2}}]})", "1002", "shaders[0].params.1002", "already set by shaders[0].params.GLENTCOLOR_HUE"},
      {"key given twice", R"({"objects": [{"name": "a",
        "name": "b"}]})", "\"b\"", "objects[0].name", "given twice"},
      {"knot beyond the gradient", R"({"shaders": [{"name": "s", "type": "xglent_color", "params": {
        "GLENTCOLOR_GRADIENT": [{"color": [0, 0, 0], "position": 0},
                                {"color": [1, 1, 1], "position": 1.5}]}}]})", "1.5", "shaders[0].params.GLENTCOLOR_GRADIENT[1].position", "from 0 to 1"},
      {"knot without colour", R"({"shaders": [{"name": "s", "type": "xglent_color", "params": {
        "GLENTCOLOR_GRADIENT": [
          {"position": 0}]}}]})", "position", "shaders[0].params.GLENTCOLOR_GRADIENT[0].color", "missing"},
      {"unknown shader type", R"({"shaders": [{"name": "s",
        "type": "xglent_colour"}]})", "colour", "shaders[0].type", "xglent_color (1029019)"},
      {"tool as a shader", R"({"shaders": [{"name": "s",
        "type": "tool_uv_transform"}]})", "tool_uv", "shaders[0].type", "a tool, not a shader"},
      {"broken escape in a text of bytes", R"({"objects": [
        {"name": {"bytes": "caf%E"}}]})", "caf%E", "objects[0].name.bytes", "two hex digits"},
      {"a text of bytes that is no text", R"({"objects": [
        {"name": {"bytes": 3}}]})", "bytes", "objects[0].name.bytes", "expected the text of a name or file name, found 3"},
      {"a text of bytes with more", R"({"shaders": [{"name": "s", "type": "uv", "params": {"1000":
        {"bytes": "x", "link": "s"}}}]})", "link", "shaders[0].params.1000.link", "holds the text and nothing else"},
      {"an object's link that would own", R"({"objects": [{"name": "a", "params": {"1000":
        {"link": "a", "owns": true}}}]})", "owns", "objects[0].params.1000.owns", "only a shader link (SHADERLINK) owns"},
      {"shader without a name", R"({"shaders": [
        {"type": "uv"}]})", "uv", "shaders[0].name", "missing"},
      {"name used twice", R"({"shaders": [{"name": "twin", "type": "uv"}],
        "objects": [{"name": "twin"}]})", "objects", "objects[0].name", "already used by shaders[0];"},
      {"link to a missing name", R"({"shaders": [{"name": "s", "type": "xglent_color", "params": {
        "GLENTCOLOR_TEXTURE": "nowhere"}}]})", "nowhere", "shaders[0].params.GLENTCOLOR_TEXTURE", "\"nowhere\""},
      {"shader link to an object", R"({"shaders": [{"name": "s", "type": "xglent_color", "params": {
        "GLENTCOLOR_TEXTURE": "thing"}}],
        "objects": [{"name": "thing"}]})", "TEXTURE", "shaders[0].params.GLENTCOLOR_TEXTURE", "expected a shader, but \"thing\" is an object (objects[0])"},
      {"shader used twice", R"({"shaders": [{"name": "base", "type": "uv"},
        {"name": "s", "type": "xglent_color", "params": {"GLENTCOLOR_TEXTURE": "base"}}],
        "materials": [{"name": "m",
          "shader": "base"}]})", "\"shader\"", "materials[0].shader", "already belongs to shaders[1].params.GLENTCOLOR_TEXTURE"},
      {"shaders linked in a circle", R"({"shaders": [
        {"name": "a", "type": "xglent_color", "params": {"GLENTCOLOR_TEXTURE": "b"}},
        {"name": "b", "type": "xglent_color", "params": {"GLENTCOLOR_TEXTURE": "a"}}]})",
       "\"a\"}", "shaders[1].params.GLENTCOLOR_TEXTURE", "circle (\"a\" → \"b\" → \"a\")"},
      {"shader linking itself", R"({"shaders": [
        {"name": "a", "type": "xglent_color", "params": {"GLENTCOLOR_STRENGTH_SHADER": "a"}}]})",
       "\"a\"}", "shaders[0].params.GLENTCOLOR_STRENGTH_SHADER", "shader \"a\" links itself"},
      {"parent listed later", R"({"objects": [{"name": "a",
        "parent": "b"}, {"name": "b"}]})", "parent", "objects[0].parent", "must be listed before"},
      {"material that is not one", R"({"objects": [{"name": "a",
        "material": "a"}]})", "material", "objects[0].material", "expected a material"},
      {"zero width", R"({"settings": {
        "width": 0}})", "width", "settings.width", "from 1 to 16384"},
      {"material without a name", R"({"materials": [
        {"shader": {"type": "uv"}}]})", "shader", "materials[0].name", "missing"},
      {"grid beyond 32-bit polygon numbers", R"({"objects": [{"name": "a", "rows": 65536,
        "columns": 65536}]})", "columns", "objects[0].columns", "2^31"},
  };
  const host::LedgerSnapshot before = module_->ledger.Snapshot();
  for (const Fault& f : faults) {
    SCOPED_TRACE(f.label);
    host::Scene scene;
    std::string error;
    EXPECT_FALSE(host::LoadSceneText(host_, f.text, "scene.json", scene, error));
    std::string prefix = "scene.json:" + std::to_string(LineOf(f.text, f.marker)) + ": ";
    if (!f.field.empty()) prefix += std::string(f.field) + ": ";
    EXPECT_EQ(error.rfind(prefix, 0), 0u) << error;
    EXPECT_NE(error.find(f.says), std::string::npos) << error;
    EXPECT_EQ(scene.document, nullptr);
    EXPECT_EQ(host_.ActiveDocument(), nullptr);
    if (std::getenv("OMBREL_SHOW_FAULTS")) std::printf("%s\n", error.c_str());
  }
  const host::LedgerSnapshot after = module_->ledger.Snapshot();
  EXPECT_EQ(after.liveBlocks, before.liveBlocks);
  EXPECT_EQ(after.liveHandles, before.liveHandles);
}

// A name or key of a megabyte is named in a message by its start and its size, not echoed.
TEST_F(SceneFileTest, HugeNamesAndKeysAreCutInMessages) {
  ASSERT_NE(module_, nullptr);
  const std::string huge(1u << 20, 'K');
  const std::string texts[] = {
      R"({"objects": [{"name": "a", ")" + huge + R"(": 1}]})",
      R"({"objects": [{"name": "a", "params": {")" + huge + R"(": 1}}]})",
      R"({"objects": [{"name": ")" + huge + R"("}, {"name": ")" + huge + R"("}]})",
      R"({"materials": [{"name": "m", "shader": ")" + huge + R"("}]})",
  };
  for (const std::string& text : texts) {
    EXPECT_FALSE(Load(text));
    EXPECT_LT(error_.size(), 800u) << error_.substr(0, 800);
    EXPECT_NE(error_.find("KKK... (1048576 bytes)"), std::string::npos) << error_.substr(0, 800);
  }
}

TEST_F(SceneFileTest, SyntaxErrorsGiveLineAndColumn) {
  ASSERT_NE(module_, nullptr);
  EXPECT_FALSE(Load("{\n  \"objects\": [\n    {\"name\": \"é\" \"x\"}\n  ]\n}"));
  // The column of the last character read, in characters: the é counts once.
  EXPECT_EQ(error_.rfind("scene.json:3:20: syntax error", 0), 0u) << error_;
  EXPECT_FALSE(Load(""));
  EXPECT_EQ(error_.rfind("scene.json:1:1: syntax error", 0), 0u) << error_;
  // Broken bytes in the text are not copied into the message.
  EXPECT_FALSE(Load("{\"objects\": \"\xff\"}"));
  EXPECT_EQ(error_.find('\xff'), std::string::npos) << error_;
  EXPECT_EQ(host_.ActiveDocument(), nullptr);
}

// What needs no plug-in is checked as the text is read: the first such fault is reported even
// when the text after it is not JSON at all, so a refused file is never read to its end.
TEST_F(SceneFileTest, ChecksMadeWhileReadingStopAtTheFault) {
  ASSERT_NE(module_, nullptr);
  const std::pair<std::string, std::string> cases[] = {
      {"{\"objects\": [{\"name\": \"a\"},\n {\"colour\": 1, \x01\x02", "scene.json:2: objects[1].colour: unknown key"},
      {"{\"settings\": {\"width\": 4, \"width\": ]]]", "scene.json:1: settings.width: key \"width\" given twice"},
      {"{\n\"shaders\": {\"x\": ", "scene.json:2: shaders: expected an array, found an object"},
      {"{\"materials\": [\n\n[", "scene.json:3: materials[0]: expected an object, found an array"},
      {"{\"settings\": [", "scene.json:1: settings: expected an object, found an array"},
      {"{\"objects\": [{\"name\": {\"first\": ", "scene.json:1: objects[0].name: expected a single value"},
      {"{\"shaders\": [{\"name\": \"s\", \"type\": \"uv\", \"params\": {\"1000\": {\"link\": \"t\", \"linq\": ",
       "scene.json:1: shaders[0].params.1000.linq: unknown key \"linq\""},
      {"{\"shaders\": [{\"name\": \"s\", \"type\": \"xglent_color\", \"params\": {\"GLENTCOLOR_GRADIENT\": [\n"
       "{\"color\": [0, 0, 0], \"pos\": ",
       "scene.json:2: shaders[0].params.GLENTCOLOR_GRADIENT[0].pos: unknown key \"pos\"; expected one of color, "
       "brightness, position, bias"},
      {"{\"settings\": {\"time\": -1e999, ", "scene.json:1: settings.time: the number -1e999 is too large"},
  };
  for (const auto& [text, says] : cases) {
    EXPECT_FALSE(Load(text)) << text;
    EXPECT_EQ(error_.rfind(says, 0), 0u) << error_;
    EXPECT_EQ(host_.ActiveDocument(), nullptr);
  }
}

TEST_F(SceneFileTest, DeepNestingIsRefusedNotRecursedInto) {
  ASSERT_NE(module_, nullptr);
  // Shaders defined in place, each inside the last: refused where the 65th level opens.
  std::string deep = R"({"shaders": [{"name": "s", "type": "xglent_color", "params": {"GLENTCOLOR_TEXTURE":
    )";
  for (int i = 0; i < 50000; ++i) deep += R"({"type": "xglent_color", "params": {"GLENTCOLOR_TEXTURE": )";
  deep += "\"s\"" + std::string(2 * 50000, '}') + "}}]}";
  EXPECT_FALSE(Load(deep));
  std::string path = "shaders[0].params.GLENTCOLOR_TEXTURE";
  for (int i = 0; i < 30; ++i) path += ".params.GLENTCOLOR_TEXTURE";  // four levels above, two per shader
  EXPECT_EQ(error_, "scene.json:2: " + path + ": nested deeper than 64 levels") << error_;
  // Lists inside lists have no place in the format and are refused at the first.
  EXPECT_FALSE(Load(R"({"objects": [{"name": "o", "rect":
    )" + std::string(100000, '[') + std::string(100000, ']') + "}]}"));
  EXPECT_EQ(error_, "scene.json:2: objects[0].rect[0]: expected a number, found an array") << error_;
  EXPECT_FALSE(Load(std::string(100000, '[') + std::string(100000, ']')));
  EXPECT_EQ(error_, "scene.json:1: expected an object, found an array") << error_;

  // Shaders may nest, but not without end: one chain of named shaders, each the input of the next.
  std::string chain = R"({"shaders": [{"name": "s0", "type": "uv"})";
  for (int i = 1; i <= 80; ++i) {
    chain += R"(, {"name": "s)" + std::to_string(i) + R"(", "type": "xglent_color", "params": {"GLENTCOLOR_TEXTURE": "s)" +
             std::to_string(i - 1) + "\"}}";
  }
  chain += "]}";
  EXPECT_FALSE(Load(chain));
  EXPECT_NE(error_.find("shaders nested deeper than"), std::string::npos) << error_;
  EXPECT_EQ(host_.ActiveDocument(), nullptr);
}

TEST_F(SceneFileTest, FilesAreNamedInErrors) {
  ASSERT_NE(module_, nullptr);
  const std::filesystem::path missing = std::filesystem::temp_directory_path() / "ombrel-no-such-scene.json";
  EXPECT_FALSE(host::LoadSceneFile(host_, missing, scene_, error_));
  EXPECT_EQ(error_.rfind(missing.string() + ": ", 0), 0u) << error_;

  const std::filesystem::path file = std::filesystem::temp_directory_path() / "ombrel-scene-file-test.json";
  {
    std::ofstream out(file, std::ios::binary);
    out << "{\n  \"settings\": {\"width\": \"wide\"}\n}\n";
  }
  EXPECT_FALSE(host::LoadSceneFile(host_, file, scene_, error_));
  EXPECT_EQ(error_, file.string() + ":2: settings.width: expected an integer, found a string");
  std::filesystem::remove(file);
}

TEST_F(SceneFileTest, ExamplesLoad) {
  ASSERT_NE(module_, nullptr);
  const std::filesystem::path examples = std::filesystem::path(OMBREL_SOURCE_DIR) / "examples";
  int loaded = 0;
  for (const auto& entry : std::filesystem::directory_iterator(examples)) {
    if (entry.path().extension() != ".json") continue;
    SCOPED_TRACE(entry.path().string());
    host::Scene scene;
    std::string error;
    EXPECT_TRUE(host::LoadSceneFile(host_, entry.path(), scene, error)) << error;
    EXPECT_FALSE(scene.objects.empty());
    for (HostNode* object : scene.objects) EXPECT_NE(host::MaterialOf(object), nullptr) << object->name;
    loaded++;
  }
  EXPECT_GE(loaded, 3);
}

// The complete scenes of the format's documentation (json blocks that start with "{" on a line
// of its own) must load as written.
TEST_F(SceneFileTest, DocumentedScenesLoad) {
  ASSERT_NE(module_, nullptr);
  std::ifstream in(std::filesystem::path(OMBREL_SOURCE_DIR) / "docs" / "scene-format.md");
  ASSERT_TRUE(in.is_open());
  std::string line, block;
  bool inBlock = false;
  int complete = 0;
  while (std::getline(in, line)) {
    if (!inBlock && line == "```json") {
      inBlock = true;
      block.clear();
    } else if (inBlock && line == "```") {
      inBlock = false;
      if (block.rfind("{\n", 0) != 0) continue;
      host::Scene scene;
      std::string error;
      EXPECT_TRUE(host::LoadSceneText(host_, block, "scene-format.md", scene, error)) << error << "\n" << block;
      complete++;
    } else if (inBlock) {
      block += line + "\n";
    }
  }
  EXPECT_GE(complete, 4);
}

}  // namespace
}  // namespace ombrel::test

namespace ombrel::test {
namespace {

// Slots the tile shader adds at run time take links like any other, checked against what its
// interface shows for the scene's values.
TEST_F(SceneFileTest, RunTimeSlotsTakeLinksTheInterfaceShows) {
  const char* kScene = R"({"shaders": [
    {"name": "stone", "type": "color"},
    {"name": "tiles", "type": "Xtavrel_tiles", "params": {
      "3101": "stone", "3102": {"type": "color"}, "TAVRELTILES_TEXTURE_COUNT": @N@}}]})";
  auto withCount = [&](const std::string& count) {
    std::string text = kScene;
    text.replace(text.find("@N@"), 3, count);
    return text;
  };
  ASSERT_TRUE(Load(withCount("3"))) << error_;
  HostNode* tiles = host::FindByName(scene_.document, "tiles");
  EXPECT_EQ(Linked(tiles, 3101), host::FindByName(scene_.document, "stone"));
  ASSERT_NE(Linked(tiles, 3102), nullptr);
  EXPECT_TRUE(IsChildShader(tiles, Linked(tiles, 3102)));

  host::Scene refused;
  std::string error;
  EXPECT_FALSE(host::LoadSceneText(host_, withCount("1"), "scene.json", refused, error));
  EXPECT_NE(error.find("3101"), std::string::npos) << error;
  EXPECT_EQ(refused.document, nullptr);
  // Plain values still have to be parameters of the description.
  EXPECT_FALSE(host::LoadSceneText(host_, R"({"shaders": [{"type": "Xtavrel_tiles", "params": {"3101": 5}}]})",
                                   "scene.json", refused, error));
}

}  // namespace
}  // namespace ombrel::test
