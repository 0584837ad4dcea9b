// Stored scenes may hold links that lead a shader back to itself, and textures that answer
// values outside [0, 1]: set-up must not recurse without end, and a gamma variation must not
// turn a negative texture value into NaN.
#include <cmath>

#include "core/builtin_shaders.h"
#include "shader_fixture.h"

namespace ombrel::test {
namespace {

// The input link of each shader that sets up what it links.
struct LinkedShader {
  int32_t type;
  int32_t inputLink;
};

class LinkedToItself : public ::testing::TestWithParam<LinkedShader> {};

void ExpectSetUpEndsAndSamplesFinite(const LinkedShader& s, bool throughSecondNode) {
  host::Host h;
  HostModule* m = LoadModule(h);
  ASSERT_NE(m, nullptr);
  {
    host::Scene scene;
    scene.document = h.NewDocument("cycle");
    HostNode* material = host::NewMaterial(scene.document, "m");
    HostNode* a = host::InsertShader(material, host::CreateShader(h.GetRegistry(), s.type), nullptr);
    ASSERT_NE(a, nullptr);
    material->channelShaderSerial = a->serial;
    HostNode* object = host::NewObject(scene.document, nullptr, "o", 5);
    object->materialSerial = material->serial;
    scene.objects.push_back(object);
    if (throughSecondNode) {
      HostNode* b = host::InsertShader(a, host::CreateShader(h.GetRegistry(), s.type), nullptr);
      ASSERT_NE(b, nullptr);
      host::ContainerFamily()->setLink(&a->data, s.inputLink, b);
      host::ContainerFamily()->setLink(&b->data, s.inputLink, a);
    } else {
      host::ContainerFamily()->setLink(&a->data, s.inputLink, a);
    }
    host::RenderSession session;
    session.Begin(scene);  // recursed until the stack ran out before
    HostChannelData cd{};
    cd.p = HostVector{0.25, 0.75, 0.0};
    const HostVector c = host::ShaderFamily()->sample(a, &cd);
    EXPECT_TRUE(std::isfinite(c.x) && std::isfinite(c.y) && std::isfinite(c.z));
    session.End();
  }
  const host::LedgerSnapshot left = h.Unload(m);
  EXPECT_EQ(left.liveBlocks, 0);
  EXPECT_EQ(left.liveHandles, 0);
}

TEST_P(LinkedToItself, SetUpEndsForItsOwnLink) { ExpectSetUpEndsAndSamplesFinite(GetParam(), false); }
TEST_P(LinkedToItself, SetUpEndsForACycleThroughAnotherNode) { ExpectSetUpEndsAndSamplesFinite(GetParam(), true); }

INSTANTIATE_TEST_SUITE_P(Shaders, LinkedToItself,
                         ::testing::Values(LinkedShader{kTilesId, 1100}, LinkedShader{kColorId, 1000},
                                           LinkedShader{kCutId, 1000}, LinkedShader{kCutId, 1001},
                                           LinkedShader{kTransformId, 1100}));

class ColourAdjustGamma : public ShaderFixture {
 protected:
  ColourAdjustGamma() : ShaderFixture(kColorId) {}
};

TEST_F(ColourAdjustGamma, NegativeTextureValuesStayFinite) {
  // The uv shader answers the point itself: a negative w is a negative blue.
  AddInput(shader_, host::kUvShaderType, 1000);
  C()->setReal(&shader_->data, 1007, 0.9);  // gamma variation
  HostNode* object = AddObject("o", 3);
  ASSERT_EQ(Begin(), 0);
  const HostVector c = Sample(object, 0, HostVector{0.5, 0.25, -0.5});
  EXPECT_TRUE(std::isfinite(c.z)) << c.z;
  EXPECT_EQ(c.z, 0.0);
  // Positive components keep the plain power: 0.25^(1/g) lies strictly between 0 and 1.
  EXPECT_GT(c.y, 0.0);
  EXPECT_LT(c.y, 1.0);
}

TEST_F(ColourAdjustGamma, GammaBeyondItsLimitStaysFinite) {
  // A stored gamma of -900 % makes some variations' exponent negative; black then gave infinity.
  C()->setVector(&shader_->data, 1010, HostVector{0.0, 0.5, 1.0});
  C()->setReal(&shader_->data, 1007, -9.0);
  for (int32_t identity = 1; identity < 40; ++identity) AddObject("o" + std::to_string(identity), identity * 7919);
  ASSERT_EQ(Begin(), 0);
  for (const HostNode* object : scene_.objects) {
    const HostVector c = Sample(object);
    EXPECT_TRUE(std::isfinite(c.x) && std::isfinite(c.y) && std::isfinite(c.z)) << c.x << " " << c.y << " " << c.z;
  }
}

}  // namespace
}  // namespace ombrel::test

namespace ombrel::test {
namespace {

class TileBrightness : public ShaderFixture {
 protected:
  TileBrightness() : ShaderFixture(kTilesId) {}
};

TEST_F(TileBrightness, VariationBeyondSinglePrecisionStaysFinite) {
  // The per-tile factors are kept in single precision: a stored variation of 1e308 leaves an
  // infinite factor, and black times infinity was NaN.
  HostNode* black = AddInput(shader_, host::kColorShaderType, 1100);
  C()->setVector(&black->data, 1000, HostVector{0.0, 0.0, 0.0});
  C()->setReal(&shader_->data, 1096, 1e308);
  C()->setInt32(&shader_->data, 1166, 7);
  C()->setInt32(&shader_->data, 1167, 5);
  ASSERT_EQ(Begin(), 0);
  for (double u = 0.03; u < 1.0; u += 0.1) {
    for (double v = 0.05; v < 1.0; v += 0.1) {
      const HostVector c = Sample(nullptr, 0, HostVector{u, v, 0.0});
      EXPECT_EQ(c.x, 0.0) << u << " " << v;
      EXPECT_EQ(c.z, 0.0) << u << " " << v;
    }
  }
}

}  // namespace
}  // namespace ombrel::test

namespace ombrel::test {
namespace {

class TileHugeTexture : public ShaderFixture {
 protected:
  TileHugeTexture() : ShaderFixture(kTilesId) {}
};

TEST_F(TileHugeTexture, HugeTextureValuesScaledByTheBrightnessStayFinite) {
  // The uv shader answers the point: w = 1e308 as blue, times a brightness factor near the
  // single-precision maximum, overflowed to infinity and became NaN in the joint mix.
  AddInput(shader_, host::kUvShaderType, 1100);
  C()->setReal(&shader_->data, 1096, 1e308);
  C()->setReal(&shader_->data, 1081, 0.2);  // joints, so that the mix weighs the colour
  ASSERT_EQ(Begin(), 0);
  for (double u = 0.01; u < 1.0; u += 0.07) {
    const HostVector c = Sample(nullptr, 0, HostVector{u, 0.5, 1e308});
    EXPECT_TRUE(std::isfinite(c.x) && std::isfinite(c.y) && std::isfinite(c.z)) << u << ": " << c.z;
  }
}

}  // namespace
}  // namespace ombrel::test
