// A module shader in a one-material scene, set up and sampled through the host's own call path.
#ifndef OMBREL_TESTS_SHADER_FIXTURE_H
#define OMBREL_TESTS_SHADER_FIXTURE_H

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "../host/module_fixture.h"
#include "core/families.h"
#include "core/scene.h"
#include "render/render_session.h"

namespace ombrel::test {

class ShaderFixture : public ::testing::Test {
 protected:
  explicit ShaderFixture(int32_t shaderType) : shaderType_(shaderType) {}

  void SetUp() override {
    module_ = LoadModule(host_);
    ASSERT_NE(module_, nullptr);
    scene_.document = host_.NewDocument("shader test");
    material_ = host::NewMaterial(scene_.document, "material");
    shader_ = host::InsertShader(material_, host::CreateShader(host_.GetRegistry(), shaderType_), nullptr);
    ASSERT_NE(shader_, nullptr);
    material_->channelShaderSerial = shader_->serial;
  }
  void TearDown() override {
    session_.End();
    if (module_) {
      const host::LedgerSnapshot left = host_.Unload(module_);
      EXPECT_EQ(left.liveBlocks, 0);
      EXPECT_EQ(left.liveHandles, 0);
    }
  }

  HostNode* AddObject(const std::string& name, int32_t identity, HostNode* parent = nullptr) {
    HostNode* o = host::NewObject(scene_.document, parent, name, identity);
    o->materialSerial = material_->serial;
    scene_.objects.push_back(o);
    return o;
  }
  // A shader of `type` under `under`, linked from `under`'s parameter `linkId` when it is not 0.
  HostNode* AddInput(HostNode* under, int32_t type, int32_t linkId = 0) {
    HostNode* input = host::InsertShader(under, host::CreateShader(host_.GetRegistry(), type), nullptr);
    if (input && linkId) C()->setLink(&under->data, linkId, input);
    return input;
  }
  static const HostContainerApi* C() { return host::ContainerFamily(); }

  // Sets the shader up and answers its set-up result.
  int32_t Begin() {
    session_.BeginShader(scene_, shader_);
    for (const auto& [node, code] : session_.Results()) {
      if (node == shader_) return code;
    }
    return -999;
  }
  // One sample at p; with an object, the volume record of a hit on its polygon.
  HostVector Sample(const HostNode* object, int32_t polygon = 0, HostVector p = HostVector{0.5, 0.5, 0.0},
                    int32_t texflag = 0) {
    HostChannelData cd{};
    cd.p = p;
    cd.texflag = texflag;
    HostVolume vd;
    if (object) {
      vd = session_.HitOn(object, 0.0, 0.0, HostVector{});
      vd.lastPolygon = polygon;
      cd.vd = &vd;
    }
    const HostVector c = host::ShaderFamily()->sample(shader_, &cd);
    EXPECT_EQ(cd.p.x, p.x) << "the sample point must be restored";
    EXPECT_EQ(cd.p.y, p.y) << "the sample point must be restored";
    return c;
  }

  // One sample at p on a render object the session made without a scene object.
  HostVector SampleOnRenderObject(const HostRayObject* ro, HostVector p = HostVector{0.5, 0.5, 0.0}) {
    HostVolume vd = session_.HitOnRenderObject(ro, 0, 0.5, 0.5, HostVector{});
    HostChannelData cd{};
    cd.p = p;
    cd.vd = &vd;
    return host::ShaderFamily()->sample(shader_, &cd);
  }

  // Runs `body` with the module seeing the shader family of an older host: one that ends before
  // the service at byte offset `end`.
  template <typename Body>
  auto WithShaderFamilyEndingAt(size_t end, Body body) {
    HostShaderApi older = *host::ShaderFamily();
    older.size = static_cast<uint32_t>(end);
    const HostShaderApi* current = module_->api.shaders;
    module_->api.shaders = &older;
    auto result = body();
    module_->api.shaders = current;
    return result;
  }

  // The shader's answer to whether the interface shows parameter `id` enabled.
  bool Enabled(int32_t id) {
    HostDescId descId{};
    descId.depth = 1;
    descId.level[0] = HostDescLevel{id, 0, 0};
    const HostShaderClass& cls = shader_->plugin->shaderClass;
    return cls.getDEnabling(shader_->pluginData, shader_, &descId, nullptr, 0, nullptr) != 0;
  }

  host::Host host_;
  HostModule* module_ = nullptr;
  host::Scene scene_;
  HostNode* material_ = nullptr;
  HostNode* shader_ = nullptr;
  host::RenderSession session_;

 private:
  int32_t shaderType_;
};

}  // namespace ombrel::test

#endif
