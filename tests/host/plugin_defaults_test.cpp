// Every plug-in's defaults as its Init writes them, read back through the host's containers.
#include "core/gradient.h"
#include "core/nodes.h"
#include "core/scene.h"
#include "module_fixture.h"

namespace ombrel::test {
namespace {

class PluginDefaults : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadModule(host_);
    ASSERT_NE(module_, nullptr);
    doc_ = host_.NewDocument("defaults");
  }
  void TearDown() override {
    if (!module_) return;
    const host::LedgerSnapshot left = host_.Unload(module_);
    EXPECT_EQ(left.liveBlocks, 0);
    EXPECT_EQ(left.liveHandles, 0);
  }

  HostNode* NewShader(int32_t type) {
    std::unique_ptr<HostNode> node = host::CreateShader(host_.GetRegistry(), type);
    EXPECT_NE(node, nullptr) << type;
    return node ? host::InsertShader(doc_, std::move(node), nullptr) : nullptr;
  }

  static const HostData& Entry(const HostNode* node, int32_t id) {
    const HostData* d = node->data.Find(id);
    static const HostData missing;
    EXPECT_NE(d, nullptr) << "parameter " << id;
    return d ? *d : missing;
  }
  static void ExpectVector(const HostData& d, double x, double y, double z) {
    EXPECT_EQ(d.type, HOST_DA_VECTOR);
    EXPECT_EQ(d.vec.x, x);
    EXPECT_EQ(d.vec.y, y);
    EXPECT_EQ(d.vec.z, z);
  }
  static const HostGradient& GradientAt(const HostNode* node, int32_t id) {
    const HostData& d = Entry(node, id);
    EXPECT_EQ(d.type, HOST_DA_CUSTOM);
    static const HostGradient none;
    auto* g = dynamic_cast<const HostGradient*>(d.custom.get());
    EXPECT_NE(g, nullptr);
    return g ? *g : none;
  }

  host::Host host_;
  HostModule* module_ = nullptr;
  HostNode* doc_ = nullptr;
};

TEST_F(PluginDefaults, ColourAdjustShader) {
  HostNode* node = NewShader(kColorId);
  ASSERT_NE(node, nullptr);
  EXPECT_NE(node->pluginData, nullptr);
  EXPECT_EQ(Entry(node, 1001).i32, 200);
  for (int32_t id : {1002, 1003, 1004, 1006, 1007, 1013}) EXPECT_EQ(Entry(node, id).real, 0.0) << id;
  EXPECT_EQ(Entry(node, 1008).i32, 0);
  ExpectVector(Entry(node, 1010), 1.0, 1.0, 1.0);
  EXPECT_EQ(Entry(node, 1011).real, 1.0);
  EXPECT_EQ(Entry(node, 1014).i32, 0);
  EXPECT_EQ(Entry(node, 1015).i32, 1);
  const HostGradient& g = GradientAt(node, 1005);
  ASSERT_EQ(g.knots.size(), 2u);
  EXPECT_EQ(g.knots[0].position, 0.0);
  EXPECT_EQ(g.knots[0].color.x, 0.0);
  EXPECT_EQ(g.knots[1].position, 1.0);
  EXPECT_EQ(g.knots[1].color.z, 1.0);
  for (const auto& k : g.knots) {
    EXPECT_EQ(k.brightness, 1.0);
    EXPECT_EQ(k.bias, 0.5);
    EXPECT_EQ(k.index, 0);
  }
}

TEST_F(PluginDefaults, TileShader) {
  HostNode* node = NewShader(kTilesId);
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(Entry(node, 1101).i32, 666);
  EXPECT_EQ(Entry(node, 1082).real, 0.1);
  EXPECT_EQ(Entry(node, 1083).i32, 1);
  EXPECT_EQ(Entry(node, 1102).i32, 1);
  for (int32_t id : {1087, 1103, 1104, 1105}) EXPECT_EQ(Entry(node, id).i32, 0) << id;
  ExpectVector(Entry(node, 1085), 0.5, 0.5, 0.5);
  for (int32_t id : {1086, 1199}) EXPECT_EQ(Entry(node, id).real, 1.0) << id;
  for (int32_t id : {1130, 1198}) EXPECT_EQ(Entry(node, id).i32, 0) << id;
  for (int32_t id : {1131, 1166, 1167, 1220}) EXPECT_EQ(Entry(node, id).i32, 1) << id;
  EXPECT_EQ(Entry(node, 1165).i32, 1);
  const HostGradient& g = GradientAt(node, 1084);
  ASSERT_EQ(g.knots.size(), 2u);
  EXPECT_EQ(g.knots[0].position, 0.5);
  EXPECT_EQ(g.knots[0].color.y, 0.01);
  EXPECT_EQ(g.knots[1].position, 1.0);
  EXPECT_EQ(g.knots[1].color.y, 0.9);
  // The host reads the render information flags from the class.
  EXPECT_EQ(node->plugin->shaderClass.getRenderInfo(node->pluginData, node), 0x200014);
}

TEST_F(PluginDefaults, CutShader) {
  HostNode* node = NewShader(kCutId);
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(Entry(node, 1004).i32, 1);
  EXPECT_EQ(Entry(node, 1005).i32, 1);
  EXPECT_EQ(Entry(node, 1007).i32, 32);
  EXPECT_EQ(Entry(node, 1008).i32, 32);
  EXPECT_EQ(Entry(node, 1010).i32, 0);
  EXPECT_EQ(Entry(node, 1011).i32, 0);
  EXPECT_EQ(node->data.Find(1000), nullptr);  // links stay empty
  EXPECT_EQ(node->plugin->shaderClass.getRenderInfo(node->pluginData, node), 0);
}

TEST_F(PluginDefaults, TransformShader) {
  HostNode* node = NewShader(kTransformId);
  ASSERT_NE(node, nullptr);
  ExpectVector(Entry(node, 1103), 0, 0, 0);
  ExpectVector(Entry(node, 1104), 1, 0, 0);
  ExpectVector(Entry(node, 1105), 1, 1, 0);
  ExpectVector(Entry(node, 1106), 0, 1, 0);
  for (int32_t id : {1107, 1108, 1109, 1110, 1111, 1119, 1120}) EXPECT_EQ(Entry(node, id).real, 0.0) << id;
  EXPECT_EQ(Entry(node, 1200).i32, 0);
  EXPECT_EQ(node->data.Find(1114), nullptr);
  EXPECT_EQ(node->plugin->shaderClass.getRenderInfo(node->pluginData, node), 0x14);
}

TEST_F(PluginDefaults, ToolSettings) {
  const host::PluginRecord* tool = host_.GetRegistry().Find(kToolId);
  ASSERT_NE(tool, nullptr);
  HostContainer settings;
  tool->toolClass.initDefaultSettings(tool->toolInstance, doc_, &settings);
  auto value = [&settings](int32_t id) {
    const HostData* d = settings.Find(id);
    EXPECT_NE(d, nullptr) << id;
    return d ? *d : HostData();
  };
  EXPECT_EQ(value(1004).i32, 1);
  EXPECT_EQ(value(1005).i32, 1);
  EXPECT_EQ(value(1006).real, 0.5);
  EXPECT_EQ(value(1007).i32, 0);
  EXPECT_EQ(tool->toolClass.getToolPluginId(tool->toolInstance), kToolId);
  const HostStr symbol = tool->toolClass.getResourceSymbol(tool->toolInstance);
  EXPECT_EQ(std::string(symbol.data, static_cast<size_t>(symbol.length)), "tool_uv_transform");
}

}  // namespace
}  // namespace ombrel::test
