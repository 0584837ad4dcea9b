// The UV transform shader through the host's own call path. With the host's `uv` shader as the
// source every sample answers the point the source was sampled at, so each result of the
// transform can be checked by number; a probe source shows what else the sample carried.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

#include "../render/render_fixture.h"
#include "core/builtin_shaders.h"
#include "core/families.h"
#include "core/material_preview.h"
#include "core/scene.h"
#include "image/image_reader.h"
#include "render/point_sampler.h"
#include "render/renderer.h"
#include "scenefile/scene_file.h"
#include "shader_fixture.h"

namespace ombrel::test {
namespace {

enum : int32_t {
  kSource = 1100, kCorner1 = 1103, kCorner2, kCorner3, kCorner4, kRotation, kBulge, kWave, kBiasU, kBiasV,
  kBiasUPhase = 1119, kBiasVPhase = 1120, kPlaceInQuad = 1200, kMaterialPreview = 520000000
};
const double kPi = 3.141592653589793;
constexpr int32_t kMirror = HOST_TEX_MIRROR;

class TransformShaderTest : public ShaderFixture {
 protected:
  TransformShaderTest() : ShaderFixture(kTransformId) {}

  HostNode* UvSource() { return AddInput(shader_, host::kUvShaderType, kSource); }
  void Set(int32_t id, double value) { C()->setReal(&shader_->data, id, value); }
  void SetCorner(int32_t id, double u, double v, double w = 0.0) {
    C()->setVector(&shader_->data, id, HostVector{u, v, w});
  }
  // A probe source that lives under the material, so it outlives the transform shader.
  ProbeShader* Probe(ombrel::test::Probe kind) {
    auto node = std::make_unique<HostNode>(NodeKind::Shader, 1100099);
    auto probe = std::make_unique<ProbeShader>(kind);
    ProbeShader* raw = probe.get();
    node->builtin = std::move(probe);
    HostNode* inserted = host::InsertShader(material_, std::move(node), nullptr);
    C()->setLink(&shader_->data, kSource, inserted);
    return raw;
  }
  static void ExpectPoint(HostVector got, double u, double v, double tolerance = 0.0) {
    EXPECT_NEAR(got.x, u, tolerance);
    EXPECT_NEAR(got.y, v, tolerance);
    EXPECT_EQ(got.z, 0.0);
  }
  static bool Black(HostVector c) { return c.x == 0.0 && c.y == 0.0 && c.z == 0.0; }
  // A sample without the fixture's check that the point is restored, which NaN cannot pass.
  HostVector SampleRaw(HostVector p, int32_t texflag = 0) {
    HostChannelData cd{};
    cd.p = p;
    cd.texflag = texflag;
    return host::ShaderFamily()->sample(shader_, &cd);
  }
};

TEST_F(TransformShaderTest, DefaultsSampleTheSourceAtTheWrappedPoint) {
  UvSource();
  ASSERT_EQ(Begin(), 0);
  ExpectPoint(Sample(nullptr, 0, HostVector{0.25, 0.75, 0.3}), 0.25, 0.75);
  ExpectPoint(Sample(nullptr, 0, HostVector{1.0, 0.5, 0.0}), 0.0, 0.5);
  ExpectPoint(Sample(nullptr, 0, HostVector{-0.25, 0.5, 0.0}), 0.75, 0.5);
  ExpectPoint(Sample(nullptr, 0, HostVector{-0.25, 0.5, 0.0}, kMirror), 0.25, 0.5);
  ExpectPoint(Sample(nullptr, 0, HostVector{1.25, 2.5, 0.0}, kMirror), 0.75, 0.5);
  ExpectPoint(Sample(nullptr, 0, HostVector{1.0, 0.5, 0.0}, kMirror), 0.0, 0.5);
  // Far outside the 32-bit range the point samples the origin of the repeat.
  ExpectPoint(Sample(nullptr, 0, HostVector{1e10, -1e10, 0.0}), 0.0, 0.0);
  ExpectPoint(SampleRaw(HostVector{std::nan(""), 0.5, 0.0}, kMirror), 0.0, 0.5);
}

TEST_F(TransformShaderTest, EveryParameterReachesTheTransform) {
  UvSource();
  SetCorner(kCorner1, 0.1, 0.2, 5.0);  // the third components are ignored
  SetCorner(kCorner2, 0.9, 0.1, -3.0);
  SetCorner(kCorner3, 0.8, 0.95);
  SetCorner(kCorner4, 0.2, 0.7);
  ASSERT_EQ(Begin(), 0);
  // Corner weights 0.1875, 0.0625, 0.1875, 0.5625 at (0.25, 0.75).
  ExpectPoint(Sample(nullptr, 0, HostVector{0.25, 0.75, 0.0}), 0.3375, 0.615625, 1e-15);
  session_.End();

  for (int32_t id : {kCorner1, kCorner2, kCorner3, kCorner4}) C()->remove(&shader_->data, id);
  Set(kBulge, 1.0);
  ASSERT_EQ(Begin(), 0);  // missing corners read as the unit square's
  ExpectPoint(Sample(nullptr, 0, HostVector{0.75, 0.5, 0.0}), 0.765625, 0.5);
  session_.End();

  // The bias parameters run from -1 to 1; the transform reads 0.5 * value + 0.5.
  Set(kBulge, 0.0);
  Set(kBiasV, -1.0);
  ASSERT_EQ(Begin(), 0);
  ExpectPoint(Sample(nullptr, 0, HostVector{0.3, 0.5, 0.0}), 0.3, 0.5 - 0.5 * std::sin(0.5), 1e-16);
  session_.End();
  Set(kBiasVPhase, 0.5);  // the sine's argument v - phase is 0: B = 0.5, v unchanged
  Set(kBiasU, 1.0);
  ASSERT_EQ(Begin(), 0);
  ExpectPoint(Sample(nullptr, 0, HostVector{0.5, 0.5, 0.0}), 0.5 + 0.5 * std::sin(0.5), 0.5, 1e-16);
  session_.End();
  Set(kBiasUPhase, 0.5);
  ASSERT_EQ(Begin(), 0);
  ExpectPoint(Sample(nullptr, 0, HostVector{0.5, 0.5, 0.0}), 0.5, 0.5, 1e-16);
  session_.End();

  Set(kBiasU, 0.0);
  Set(kBiasV, 0.0);
  Set(kRotation, kPi / 2);
  ASSERT_EQ(Begin(), 0);
  ExpectPoint(Sample(nullptr, 0, HostVector{0.75, 0.5, 0.0}), 0.5, 0.75, 1e-15);
  session_.End();
  Set(kRotation, 0.0);
  Set(kWave, kPi / 2);
  ASSERT_EQ(Begin(), 0);
  ExpectPoint(Sample(nullptr, 0, HostVector{0.75, 0.5, 0.0}), 0.5, 0.75, 1e-15);
  ExpectPoint(Sample(nullptr, 0, HostVector{0.75, 1.5, 0.0}), 0.5, 0.25, 1e-15);  // the unwrapped v
}

TEST_F(TransformShaderTest, QuadPlacementSamplesInsideAndRestoresTheRecord) {
  UvSource();
  C()->setInt32(&shader_->data, kPlaceInQuad, 1);
  Set(kRotation, 1.0);  // effects play no part in this mode
  ASSERT_EQ(Begin(), 0);
  ExpectPoint(Sample(nullptr, 0, HostVector{0.25, 0.75, 0.0}), 0.75, 0.75);
  ExpectPoint(Sample(nullptr, 0, HostVector{0.75, 0.25, 0.0}), 0.25, 0.25);
  ExpectPoint(Sample(nullptr, 0, HostVector{0.5, 0.5, 0.0}), 0.5, 0.5);

  HostChannelData cd{};
  cd.p = HostVector{0.25, 0.75, 0.4};
  cd.texflag = kMirror | (HOST_CHANNEL_ALPHA << HOST_TEX_CHANNEL_SHIFT);
  host::ShaderFamily()->sample(shader_, &cd);
  EXPECT_EQ(cd.p.z, 0.4);
  EXPECT_EQ(cd.texflag, kMirror | (HOST_CHANNEL_ALPHA << HOST_TEX_CHANNEL_SHIFT));
}

TEST_F(TransformShaderTest, QuadPlacementOutsideIsBlackWithoutSamplingAndInsideClearsTheFlags) {
  ProbeShader* probe = Probe(ombrel::test::Probe::Hit);
  C()->setInt32(&shader_->data, kPlaceInQuad, 1);
  ASSERT_EQ(Begin(), 0);
  // The probe answers (-1, -1, texflag) without a hit record: inside the quad the source sees
  // no flags; outside the answer is black, which the probe never gives.
  const HostVector inside = Sample(nullptr, 0, HostVector{0.5, 0.25, 0.0}, kMirror | HOST_TEX_TILE);
  EXPECT_EQ(inside.x, -1.0);
  EXPECT_EQ(inside.z, 0.0);
  EXPECT_TRUE(Black(Sample(nullptr, 0, HostVector{1.5, 0.5, 0.0}, kMirror)));
  EXPECT_TRUE(Black(SampleRaw(HostVector{0.5, std::nan(""), 0.0})));
  EXPECT_EQ(probe->setUps, 1);

  // Corner mapping passes the flags on as they came.
  session_.End();
  C()->setInt32(&shader_->data, kPlaceInQuad, 0);
  ASSERT_EQ(Begin(), 0);
  EXPECT_EQ(Sample(nullptr, 0, HostVector{0.5, 0.25, 0.0}, kMirror).z, kMirror);
}

TEST_F(TransformShaderTest, FilterRadiusAndTimeGoToTheSourceUnchanged) {
  Probe(ombrel::test::Probe::Delta);
  Set(kRotation, 0.3);
  Set(kBulge, 0.5);
  ASSERT_EQ(Begin(), 0);
  HostChannelData cd{};
  cd.p = HostVector{0.3, 0.6, 0.0};
  cd.d = HostVector{0.125, 0.0625, 0.0};
  cd.t = 2.5;
  const HostVector c = host::ShaderFamily()->sample(shader_, &cd);
  EXPECT_EQ(c.x, 0.125);
  EXPECT_EQ(c.y, 0.0625);
  EXPECT_EQ(c.z, 2.5);
}

TEST_F(TransformShaderTest, WithoutAUsableSourceEverySampleIsBlackAndSetUpSucceeds) {
  ASSERT_EQ(Begin(), 0);  // nothing linked
  EXPECT_TRUE(Black(Sample(nullptr, 0, HostVector{0.3, 0.3, 0.0})));
  session_.End();

  HostNode* failing = AddInput(shader_, host::kFailingShaderType, kSource);
  ASSERT_EQ(Begin(), 0);
  EXPECT_TRUE(Black(Sample(nullptr, 0, HostVector{0.3, 0.3, 0.0})));
  session_.End();

  // A link of the wrong kind (a material) is no source either.
  C()->setLink(&shader_->data, kSource, material_);
  ASSERT_EQ(Begin(), 0);
  EXPECT_TRUE(Black(Sample(nullptr, 0, HostVector{0.3, 0.3, 0.0})));
  session_.End();

  // A source that leads back to this shader, directly or through another transform shader,
  // is dropped instead of setting itself up for ever.
  C()->setLink(&shader_->data, kSource, shader_);
  ASSERT_EQ(Begin(), 0);
  EXPECT_TRUE(Black(Sample(nullptr, 0, HostVector{0.3, 0.3, 0.0})));
  session_.End();
  HostNode* other = AddInput(shader_, kTransformId, kSource);
  C()->setLink(&other->data, kSource, shader_);
  ASSERT_EQ(Begin(), 0);
  EXPECT_TRUE(Black(Sample(nullptr, 0, HostVector{0.3, 0.3, 0.0})));
  (void)failing;
}

TEST_F(TransformShaderTest, ASourceStillSetUpIsReleasedByTheDestructorAndByASecondSetUp) {
  ProbeShader* probe = Probe(ombrel::test::Probe::Hit);
  const HostInitRender irs{scene_.document, 0.0, 30.0, HOST_FALSE, 1};
  ASSERT_EQ(host::ShaderFamily()->initRender(shader_, &irs), 0);
  ASSERT_EQ(host::ShaderFamily()->initRender(shader_, &irs), 0);  // a careless host
  EXPECT_EQ(probe->setUps, 2);
  EXPECT_EQ(probe->releases, 1);
  // The node goes with its set-up still in place.
  host::Detach(shader_).reset();
  shader_ = nullptr;
  EXPECT_EQ(probe->releases, 2);
}

TEST_F(TransformShaderTest, LinkingASourceMarksItAndMessagesReachIt) {
  HostNode* source = UvSource();
  HostDescId id{};
  id.depth = 1;
  id.level[0] = HostDescLevel{kCorner1, 0, 0};
  HostDescPostSet set{&id};
  EXPECT_TRUE(host::ShaderFamily()->message(shader_, HOST_MSG_DESCRIPTION_POSTSETPARAMETER, &set));
  EXPECT_EQ(source->data.Find(1002), nullptr);
  id.level[0].id = kSource;
  EXPECT_TRUE(host::ShaderFamily()->message(shader_, HOST_MSG_DESCRIPTION_POSTSETPARAMETER, &set));
  EXPECT_EQ(C()->getInt32(&source->data, 1002, 0), 1);
  EXPECT_EQ(source->builtin->lastMessage, HOST_MSG_DESCRIPTION_POSTSETPARAMETER);
  // Without data the message is still answered, and passed on.
  EXPECT_TRUE(host::ShaderFamily()->message(shader_, HOST_MSG_DESCRIPTION_POSTSETPARAMETER, nullptr));
  EXPECT_TRUE(host::ShaderFamily()->message(shader_, 4242, nullptr));
  EXPECT_EQ(source->builtin->lastMessage, 4242);
  EXPECT_EQ(source->builtin->messagesReceived, 4);  // every message, the first one too
}

TEST_F(TransformShaderTest, InitialChannelBecomesTheSource) {
  HostNode* handed = host::CreateShader(host_.GetRegistry(), host::kUvShaderType).release();
  EXPECT_TRUE(host::ShaderFamily()->message(shader_, HOST_MSG_INITIALCHANNEL, handed));
  ASSERT_EQ(handed->parent, shader_);
  EXPECT_EQ(C()->getLink(&shader_->data, kSource, scene_.document, HOST_BASETYPE_SHADER), handed);
  EXPECT_EQ(handed->builtin->messagesReceived, 0);
  ASSERT_EQ(Begin(), 0);
  ExpectPoint(Sample(nullptr, 0, HostVector{0.25, 0.5, 0.0}), 0.25, 0.5);
}

TEST_F(TransformShaderTest, PreviewModeRenderInfoAndEnabling) {
  const HostData* preview = shader_->data.Find(kMaterialPreview);
  ASSERT_NE(preview, nullptr);
  EXPECT_EQ(preview->type, HOST_DA_CUSTOM);
  auto* mp = dynamic_cast<const HostMaterialPreview*>(preview->custom.get());
  ASSERT_NE(mp, nullptr);
  EXPECT_EQ(mp->previewType, 2004);
  EXPECT_EQ(shader_->plugin->shaderClass.getRenderInfo(shader_->pluginData, shader_), 20);
  for (int32_t id : {kSource, kCorner1, kRotation, kPlaceInQuad}) EXPECT_TRUE(Enabled(id)) << id;
}

TEST_F(TransformShaderTest, SamplingWithEveryEffectAllocatesNothing) {
  UvSource();
  SetCorner(kCorner2, 0.9, 0.1);
  for (int32_t id : {kRotation, kBulge, kWave, kBiasU, kBiasV, kBiasUPhase, kBiasVPhase}) Set(id, 0.3);
  ASSERT_EQ(Begin(), 0);
  const host::LedgerSnapshot before = module_->ledger.Snapshot();
  for (int i = 0; i < 1000; ++i) {
    const HostVector c = Sample(nullptr, 0, HostVector{i * 0.013 - 3.0, i * 0.007, 0.0}, i & kMirror);
    EXPECT_TRUE(std::isfinite(c.x) && std::isfinite(c.y));
  }
  const host::LedgerSnapshot after = module_->ledger.Snapshot();
  EXPECT_EQ(after.totalAllocations, before.totalAllocations);
  EXPECT_EQ(after.totalHandles, before.totalHandles);
}

// What `ombrel-host sample` prints for a scene file's transform over the host's `uv` shader: the
// transformed coordinates themselves, to the last digit. With bulge 1 the stretch about the
// centre is (1 + y^2)(1 + x^2): 1.0625 at x = 0.25, 1.25 at x = -0.5 (1.0 wraps to 0 first, and
// -0.125 wraps to 0.875), 1.5625 at x = y = -0.5 (1e10 and NaN wrap to 0).
TEST(TransformSampleCommand, PrintsTheTransformedCoordinates) {
  host::Host h;
  ASSERT_NE(LoadModule(h), nullptr);
  host::Scene scene;
  std::string error;
  ASSERT_TRUE(host::LoadSceneText(h, R"({
    "shaders": [
      {"name": "bulged", "type": "Xtransform", "params": {"XTRANSFORM_SHADER": {"type": "uv"}, "XTRANSFORM_BULGE": 1.0}},
      {"name": "placed", "type": "Xtransform", "params": {"XTRANSFORM_SHADER": {"type": "uv"}, "XTRANSFORM_PLACE_IN_QUAD": 1}}
    ]})", "uv.json", scene, error)) << error;
  auto sample = [&](const char* shader, const std::string& points) {
    host::PointSampleRequest request;
    request.shader = scene.Find(shader);
    std::istringstream in(points);
    std::ostringstream out;
    host::PointSampleReport report;
    EXPECT_TRUE(host::SamplePoints(scene, request, in, out, report, error)) << error;
    EXPECT_EQ(report.setUpCode, 0);
    return out.str();
  };
  EXPECT_EQ(sample("bulged", "0.75 0.5 0\n1 0.5 0\n-0.25 0.5 0.3\n1e10 nan 0\n"),
            "0.765625 0.5 0\n0.875 0.5 0\n0.765625 0.5 0\n0.71875 0.71875 0\n");
  EXPECT_EQ(sample("placed", "0.25 0.75 0\n1.5 0.5 0\n"), "0.75 0.75 0\n0 0 0\n");
}

// The example scenes: every texture read, every shader set up, the same picture on one and two
// threads; quad placement leaves the panel black outside its quad.
TEST(TransformExamples, RenderTheSameOnAnyThreadCount) {
  host::InstallImageReader();
  for (const char* name : {"uv_corner_perspective", "uv_corner_effects", "uv_quad"}) {
    SCOPED_TRACE(name);
    host::Host h;
    ASSERT_NE(LoadModule(h), nullptr);
    host::Scene scene;
    std::string error;
    const std::string file = std::string(OMBREL_SOURCE_DIR) + "/examples/" + name + ".json";
    ASSERT_TRUE(host::LoadSceneFile(h, file, scene, error)) << error;
    host::RenderOptions options;
    options.width = 150;
    options.height = 100;
    options.threads = 1;
    options.progress = false;
    host::FloatImage one, two;
    host::RenderReport report;
    ASSERT_TRUE(host::Render(scene, options, one, report, error)) << error;
    EXPECT_TRUE(report.failedSetUps.empty());
    EXPECT_TRUE(h.Log().empty()) << (h.Log().empty() ? "" : h.Log().front());
    options.threads = 2;
    ASSERT_TRUE(host::Render(scene, options, two, report, error)) << error;
    EXPECT_EQ(one.rgb, two.rgb);
    if (std::string(name) == "uv_quad") {
      // The skewed panel's top left corner lies outside its quad, its centre inside.
      const HostNode* panel = scene.Find("skewed-panel");
      ASSERT_NE(panel, nullptr);
      auto at = [&](double u, double v) {
        const ObjectGeometry& g = panel->geometry;
        return one.Pixel(static_cast<int>((g.left + u * (g.right - g.left)) * one.width),
                         static_cast<int>((g.top + v * (g.bottom - g.top)) * one.height));
      };
      EXPECT_EQ(at(0.03, 0.03)[0], 0.0f);
      EXPECT_GT(at(0.5, 0.5)[0], 0.1f);
    }
  }
}

}  // namespace
}  // namespace ombrel::test
