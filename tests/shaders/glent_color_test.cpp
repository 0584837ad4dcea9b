// The colour-adjust shader through the host's own call path: set-up, sampling, release.
// Expected colours are worked out by hand from the generator's states after Init(200), computed
// apart from the module: 13882869 (discarded), then for the first entry 1098241022 (hue),
// 991802931, 255822756, 2074031137 (gamma) and 1212447034 (position); each state / 2147483649
// is a draw in [0, 1). Where a case needs entries far into the table, the test replays the
// draws with the generator and applies the HSL model, both tested on their own.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <vector>

#include "shader_fixture.h"
#include "core/builtin_shaders.h"
#include "core/families.h"
#include "core/gradient.h"
#include "core/scene.h"
#include "hsl_color.h"
#include "render/render_session.h"
#include "seeded_random.h"

namespace ombrel::test {
namespace {

enum : int32_t {
  kTexture = 1000, kSeed = 1001, kHue = 1002, kSaturation = 1003, kLightness = 1004, kGradient = 1005,
  kGradientMix = 1006, kGamma = 1007, kDirection = 1008, kColor = 1010, kStrength = 1011,
  kStrengthShader = 1012, kGradientOffset = 1013, kPerPolygon = 1014, kPolygonGroup = 1015
};

struct Variation {
  double hue, saturation, lightness, gamma, position;
};

// Entry `index` of the table for a seed, drawn in the shader's order (direction 0).
Variation TableEntry(int32_t seed, int32_t index, double hue, double sat, double light, double gamma) {
  SeededRandom rnd;
  rnd.Init(seed);
  rnd.Get01();
  Variation v{};
  for (int32_t i = 0; i <= index; ++i) {
    v.hue = rnd.Get11() * hue;
    v.saturation = rnd.Get11() * sat;
    v.lightness = rnd.Get11() * light;
    v.gamma = rnd.Get11() * gamma;
    v.position = rnd.Get01();
  }
  return v;
}

double Clamp01(double v) { return v > 1.0 ? 1.0 : (v < 0.0 ? 0.0 : v); }

HostVector ExpectedHsl(HostVector c, const Variation& e, double a) {
  double h, l, s;
  RgbToHsl(c.x, c.y, c.z, h, l, s);
  HslToRgb(h + e.hue * 180.0 * a, l * (a * e.lightness + 1.0), s * (a * e.saturation + 1.0), c.x, c.y, c.z);
  return HostVector{Clamp01(c.x), Clamp01(c.y), Clamp01(c.z)};
}

class GlentShaderTest : public ShaderFixture {
 protected:
  GlentShaderTest() : ShaderFixture(kColorId) {}
};

void ExpectColor(HostVector got, HostVector want, const char* what) {
  EXPECT_DOUBLE_EQ(got.x, want.x) << what;
  EXPECT_DOUBLE_EQ(got.y, want.y) << what;
  EXPECT_DOUBLE_EQ(got.z, want.z) << what;
}

TEST_F(GlentShaderTest, DefaultsReturnTheColourUnchanged) {
  C()->setVector(&shader_->data, kColor, HostVector{0.3, 0.6, 0.9});
  HostNode* object = AddObject("a", 17);
  ASSERT_EQ(Begin(), 0);
  for (int32_t polygon : {0, 5, 123}) {
    const HostVector c = Sample(object, polygon);
    EXPECT_EQ(c.x, 0.3);
    EXPECT_EQ(c.y, 0.6);
    EXPECT_EQ(c.z, 0.9);
  }
  EXPECT_EQ(Sample(nullptr).y, 0.6);  // no volume record: key 0
}

// Red (1, 0, 0) has hue 360, lightness 0.5, saturation 1. A hue shift d of less than 60 degrees
// gives (1, d / 60, 0) when positive and (1, 0, -d / 60) when negative. The first entry's hue
// draw is 1098241022 / 2147483649 = 0.51140833; with parameter 0.25 the shift is that × 45.
TEST_F(GlentShaderTest, DirectionSetsTheSignOfTheFactors) {
  C()->setVector(&shader_->data, kColor, HostVector{1.0, 0.0, 0.0});
  C()->setReal(&shader_->data, kHue, 0.25);
  const double draw = 0.5114083278405441;
  struct Case {
    int32_t direction;
    HostVector want;
  };
  const Case cases[] = {
      {0, {1.0, (draw * 2 - 1) * 45 / 60, 0.0}},  // both signs: 2 × draw − 1
      {1, {1.0, draw * 45 / 60, 0.0}},            // positive only
      {2, {1.0, 0.0, draw * 45 / 60}},            // negative only
      {7, {1.0, (draw * 2 - 1) * 45 / 60, 0.0}},  // any other value acts as both signs
  };
  for (const Case& c : cases) {
    C()->setInt32(&shader_->data, kDirection, c.direction);
    ASSERT_EQ(Begin(), 0);
    const HostVector got = Sample(nullptr);
    EXPECT_NEAR(got.x, c.want.x, 1e-12) << c.direction;
    EXPECT_NEAR(got.y, c.want.y, 1e-12) << c.direction;
    EXPECT_NEAR(got.z, c.want.z, 1e-12) << c.direction;
    session_.End();
  }
}

TEST_F(GlentShaderTest, ObjectWithoutParentsGetsTwiceItsIdentity) {
  C()->setVector(&shader_->data, kColor, HostVector{0.2, 0.5, 0.7});
  C()->setReal(&shader_->data, kHue, 0.3);
  C()->setReal(&shader_->data, kSaturation, 0.4);
  C()->setReal(&shader_->data, kLightness, 0.25);
  HostNode* a = AddObject("a", 21);
  HostNode* twin = AddObject("twin", 21);
  HostNode* child = AddObject("child", 4, a);
  ASSERT_EQ(Begin(), 0);
  const HostVector base{0.2, 0.5, 0.7};
  ExpectColor(Sample(a), ExpectedHsl(base, TableEntry(200, 42, 0.3, 0.4, 0.25, 0), 1.0), "key 2 x 21");
  ExpectColor(Sample(twin), Sample(a), "same identity, same variation");
  // The child's chain (4 + 21) is counted twice.
  ExpectColor(Sample(child), ExpectedHsl(base, TableEntry(200, 50, 0.3, 0.4, 0.25, 0), 1.0), "key 50");
}

TEST_F(GlentShaderTest, OriginObjectChainReplacesTheSecondCount) {
  C()->setVector(&shader_->data, kColor, HostVector{0.2, 0.5, 0.7});
  C()->setReal(&shader_->data, kHue, 0.3);
  HostNode* generator = AddObject("generator", 100);
  HostNode* piece = AddObject("piece", 3);
  piece->originSerial = generator->serial;
  ASSERT_EQ(Begin(), 0);
  // source chain 3, plus source + 1, plus the origin's chain 100.
  ExpectColor(Sample(piece), ExpectedHsl(HostVector{0.2, 0.5, 0.7}, TableEntry(200, 3 + 4 + 100, 0.3, 0, 0, 0), 1.0),
              "key 107");
}

// The host hands out each render object's identity sums in one call; a host without that call
// leaves the module to walk the hierarchy. Both must give every object the same variation, also
// where the sums wrap at 32 bits.
TEST_F(GlentShaderTest, AHostWithoutIdentitySumsGivesTheSameVariations) {
  const HostVector base{0.2, 0.5, 0.7};
  C()->setVector(&shader_->data, kColor, base);
  C()->setReal(&shader_->data, kHue, 0.3);
  C()->setReal(&shader_->data, kSaturation, 0.4);
  HostNode* root = AddObject("root", INT32_MAX);
  HostNode* child = AddObject("child", 2, root);
  HostNode* leaf = AddObject("leaf", -5, child);
  HostNode* holder = AddObject("holder", 2000000000);
  HostNode* generator = AddObject("generator", 1000000000, holder);
  leaf->originSerial = generator->serial;
  ASSERT_EQ(Begin(), 0);
  const HostRayObject* sourceless = session_.AddRenderObjectWithoutSource(9, generator);
  auto sampleAll = [&] {
    std::vector<HostVector> out;
    for (const HostNode* o : {root, child, leaf, holder, generator}) out.push_back(Sample(o));
    out.push_back(SampleOnRenderObject(sourceless));
    return out;
  };
  const std::vector<HostVector> withSums = sampleAll();
  // The child's chain INT32_MAX + 2 wraps to INT32_MIN + 1; counted twice it wraps to 2.
  ExpectColor(withSums[1], ExpectedHsl(base, TableEntry(200, 2, 0.3, 0.4, 0, 0), 1.0), "key 2 after wrapping");

  const std::vector<HostVector> walked = WithShaderFamilyEndingAt(offsetof(HostShaderApi, rayObjectIdentitySums), sampleAll);
  ASSERT_EQ(walked.size(), withSums.size());
  for (size_t i = 0; i < walked.size(); ++i) {
    EXPECT_EQ(walked[i].x, withSums[i].x) << i;
    EXPECT_EQ(walked[i].y, withSums[i].y) << i;
    EXPECT_EQ(walked[i].z, withSums[i].z) << i;
  }
}

TEST_F(GlentShaderTest, PolygonGroupsShareAVariation) {
  C()->setVector(&shader_->data, kColor, HostVector{0.2, 0.5, 0.7});
  C()->setReal(&shader_->data, kHue, 0.5);
  C()->setInt32(&shader_->data, kPerPolygon, 1);
  C()->setInt32(&shader_->data, kPolygonGroup, 4);
  HostNode* object = AddObject("a", 10);
  ASSERT_EQ(Begin(), 0);
  const HostVector first = Sample(object, 0);
  for (int32_t polygon : {1, 2, 3}) ExpectColor(Sample(object, polygon), first, "same group");
  ExpectColor(first, ExpectedHsl(HostVector{0.2, 0.5, 0.7}, TableEntry(200, 20, 0.5, 0, 0, 0), 1.0), "key 20");
  ExpectColor(Sample(object, 4), ExpectedHsl(HostVector{0.2, 0.5, 0.7}, TableEntry(200, 24, 0.5, 0, 0, 0), 1.0),
              "key 24");
  ExpectColor(Sample(object, 7), Sample(object, 4), "second group");
}

TEST_F(GlentShaderTest, NegativeKeySelectsAnEntryInRange) {
  C()->setVector(&shader_->data, kColor, HostVector{0.2, 0.5, 0.7});
  C()->setReal(&shader_->data, kHue, 0.5);
  HostNode* object = AddObject("a", -5);
  ASSERT_EQ(Begin(), 0);
  ExpectColor(Sample(object), ExpectedHsl(HostVector{0.2, 0.5, 0.7}, TableEntry(200, 16000 - 10, 0.5, 0, 0, 0), 1.0),
              "key -10");
  // A sum that wraps past the 32-bit range still lands in the table: 2 × (2^31 − 1) wraps to
  // −2, entry 15998.
  HostNode* big = AddObject("big", 2147483647);
  session_.End();
  ASSERT_EQ(Begin(), 0);
  ExpectColor(Sample(big), ExpectedHsl(HostVector{0.2, 0.5, 0.7}, TableEntry(200, 16000 - 2, 0.5, 0, 0, 0), 1.0),
              "key -2");
}

TEST_F(GlentShaderTest, GradientOffsetWrapsThePositionBackIntoRange) {
  C()->setReal(&shader_->data, kGradientMix, 1.0);
  C()->setReal(&shader_->data, kGradientOffset, -0.5);
  ASSERT_EQ(Begin(), 0);
  // No input shader: the weight is 1, so the colour is the default black-to-white gradient's
  // grey at the wrapped position.
  const Variation e = TableEntry(200, 0, 0, 0, 0, 0);
  double t = e.position - 0.5;
  t -= std::trunc(t);
  if (t < 0) t += 1.0;
  const HostVector c = Sample(nullptr);
  EXPECT_DOUBLE_EQ(c.x, t);
  EXPECT_DOUBLE_EQ(c.z, t);
}

// The first entry's gamma draw is 2074031137 / 2147483649 × 2 − 1 = 0.93159202.
TEST_F(GlentShaderTest, StrengthMapAndGammaScaleTheEffect) {
  C()->setVector(&shader_->data, kColor, HostVector{0.25, 0.5, 0.75});
  C()->setReal(&shader_->data, kGamma, 0.8);
  HostNode* strength = AddInput(shader_, host::kColorShaderType, kStrengthShader);
  C()->setVector(&strength->data, 1000, HostVector{0.3, 0.6, 0.9});
  ASSERT_EQ(Begin(), 0);
  const double a = 0.6;  // the strength map's mean
  const double g = a * 0.9315920174440406 * 0.8 + 1.0;
  const HostVector c = Sample(nullptr);
  EXPECT_NEAR(c.x, std::pow(0.25, 1.0 / g), 1e-12);
  EXPECT_NEAR(c.z, std::pow(0.75, 1.0 / g), 1e-12);
}

// A gamma parameter of -1 / 0.93159202 (the nearest double that makes it so) gives the first
// entry a gamma factor of exactly -1: g = 0, and the colour is left as it is instead of being
// raised to an infinite power.
TEST_F(GlentShaderTest, GammaFactorOfZeroLeavesTheColour) {
  C()->setVector(&shader_->data, kColor, HostVector{0.3, 0.6, 0.9});
  C()->setReal(&shader_->data, kGamma, -1.0734312674164457);
  ASSERT_EQ(Begin(), 0);
  ExpectColor(Sample(nullptr), HostVector{0.3, 0.6, 0.9}, "g = 0");
}

// With an input texture the gradient's weight is the entry's position (1212447034 / 2147483649
// = 0.56458965) × strength × mix; the default gradient is grey p at position p.
TEST_F(GlentShaderTest, GradientMixWithATextureIsWeightedByThePosition) {
  HostNode* texture = AddInput(shader_, host::kColorShaderType, kTexture);
  C()->setVector(&texture->data, 1000, HostVector{0.2, 0.4, 0.6});
  C()->setReal(&shader_->data, kGradientMix, 0.5);
  ASSERT_EQ(Begin(), 0);
  const double p = 0.5645896463819827;
  const double w = p * 0.5;
  const HostVector c = Sample(nullptr);
  EXPECT_NEAR(c.x, 0.2 + (p - 0.2) * w, 1e-12);
  EXPECT_NEAR(c.y, 0.4 + (p - 0.4) * w, 1e-12);
  EXPECT_NEAR(c.z, 0.6 + (p - 0.6) * w, 1e-12);
}

// A negative mix pushes the colour away from the gradient's (c − (p − c)), beyond [0, 1]: the
// result is clamped.
TEST_F(GlentShaderTest, NegativeMixExtrapolatesAndIsClamped) {
  C()->setVector(&shader_->data, kColor, HostVector{0.0, 1.0, 0.5});
  C()->setReal(&shader_->data, kGradientMix, -1.0);
  ASSERT_EQ(Begin(), 0);
  const double p = 0.5645896463819827;
  const HostVector c = Sample(nullptr);
  EXPECT_EQ(c.x, 0.0);  // −p
  EXPECT_EQ(c.y, 1.0);  // 2 − p
  EXPECT_NEAR(c.z, 1.0 - p, 1e-12);
}

// In a linear workflow the colour parameter, given in sRGB, is converted: 0.5 becomes
// ((0.5 + 0.055) / 1.055)^2.4 = 0.21404114, 0.25 becomes 0.05087609.
TEST_F(GlentShaderTest, LinearWorkflowConvertsTheColourParameter) {
  C()->setVector(&shader_->data, kColor, HostVector{0.5, 0.25, 1.0});
  scene_.settings.linearWorkflow = true;
  ASSERT_EQ(Begin(), 0);
  const HostVector c = Sample(nullptr);
  EXPECT_NEAR(c.x, 0.21404114048223255, 1e-12);
  EXPECT_NEAR(c.y, 0.05087608817155679, 1e-12);
  EXPECT_NEAR(c.z, 1.0, 1e-12);
}

// Parameters far out of range keep to defined arithmetic. Red with a hue shift of ±4e10
// degrees (the first hue draw, 2 × 0.51140833 − 1, times ±1e10, times 180): the one wrap of a
// channel hue leaves every channel beyond its ramps, at 0 after the clamp. A NaN hue matches no
// ramp either. A gradient offset of 1e10 keeps the position's fraction to the spacing of
// doubles near 1e10 (2e-6).
TEST_F(GlentShaderTest, HugeAndNaNParametersStayDefined) {
  C()->setVector(&shader_->data, kColor, HostVector{1.0, 0.0, 0.0});
  for (double hue : {1e10, -1e10, std::nan("")}) {
    C()->setReal(&shader_->data, kHue, hue);
    ASSERT_EQ(Begin(), 0);
    ExpectColor(Sample(nullptr), HostVector{0.0, 0.0, 0.0}, "hue far out of range");
    session_.End();
  }
  C()->setReal(&shader_->data, kHue, 0.0);
  C()->setReal(&shader_->data, kGradientMix, 1.0);
  C()->setReal(&shader_->data, kGradientOffset, 1e10);
  ASSERT_EQ(Begin(), 0);
  EXPECT_NEAR(Sample(nullptr).y, 0.5645896463819827, 4e-6);
}

TEST_F(GlentShaderTest, FailedInputsAreDroppedAndTheirCodeReturned) {
  C()->setVector(&shader_->data, kColor, HostVector{0.1, 0.2, 0.3});
  HostNode* failing = AddInput(shader_, host::kFailingShaderType);
  C()->setInt32(&failing->data, 1000, 7);
  C()->setLink(&shader_->data, kTexture, failing);
  EXPECT_EQ(Begin(), 7);
  // The texture is treated as not linked: the colour parameter is used.
  EXPECT_EQ(Sample(nullptr).z, 0.3);
  session_.End();

  // A later input that sets up decides nothing; a later one that fails replaces the code.
  HostNode* failing2 = AddInput(shader_, host::kFailingShaderType);
  C()->setInt32(&failing2->data, 1000, 9);
  C()->setLink(&shader_->data, kStrengthShader, failing2);
  EXPECT_EQ(Begin(), 9);
  EXPECT_EQ(Sample(nullptr).z, 0.3);
}

TEST_F(GlentShaderTest, GradientThatCannotBePreparedIsNotUsed) {
  C()->setVector(&shader_->data, kColor, HostVector{0.1, 0.2, 0.3});
  C()->setReal(&shader_->data, kGradientMix, 1.0);
  auto* gradient = static_cast<HostGradient*>(C()->getCustom(&shader_->data, kGradient, HOST_CUSTOMDATA_GRADIENT));
  ASSERT_NE(gradient, nullptr);
  gradient->knots.clear();
  EXPECT_EQ(Begin(), 0);
  EXPECT_EQ(Sample(nullptr).y, 0.2);
}

TEST_F(GlentShaderTest, EnablingFollowsTheControllingParameters) {
  auto enabled = [this](int32_t id) { return Enabled(id); };

  EXPECT_FALSE(enabled(kGradient));
  C()->setReal(&shader_->data, kGradientMix, -0.5);
  EXPECT_FALSE(enabled(kGradient));
  C()->setReal(&shader_->data, kGradientMix, 0.5);
  EXPECT_TRUE(enabled(kGradient));

  EXPECT_TRUE(enabled(kColor));
  HostNode* input = AddInput(shader_, host::kColorShaderType);
  C()->setLink(&shader_->data, kTexture, input);
  EXPECT_FALSE(enabled(kColor));

  EXPECT_FALSE(enabled(kPolygonGroup));
  C()->setInt32(&shader_->data, kPerPolygon, 1);
  EXPECT_TRUE(enabled(kPolygonGroup));
  EXPECT_TRUE(enabled(kHue));
}

TEST_F(GlentShaderTest, MessagesReachBothLinkedInputs) {
  HostNode* texture = AddInput(shader_, host::kColorShaderType);
  HostNode* strength = AddInput(shader_, host::kColorShaderType);
  HostNode* unlinked = AddInput(shader_, host::kColorShaderType);
  C()->setLink(&shader_->data, kTexture, texture);
  C()->setLink(&shader_->data, kStrengthShader, strength);
  EXPECT_TRUE(host::ShaderFamily()->message(shader_, 4242, nullptr));
  EXPECT_EQ(texture->builtin->lastMessage, 4242);
  EXPECT_EQ(strength->builtin->lastMessage, 4242);
  EXPECT_EQ(unlinked->builtin->messagesReceived, 0);

  // Two colour-adjust shaders linking each other pass a message round once, not until the
  // host's depth limit: the other's strength input hears it exactly once.
  HostNode* other = AddInput(shader_, kColorId);
  C()->setLink(&shader_->data, kTexture, other);
  C()->setLink(&other->data, kTexture, shader_);
  HostNode* behind = AddInput(other, host::kColorShaderType, kStrengthShader);
  EXPECT_TRUE(host::ShaderFamily()->message(shader_, 4243, nullptr));
  EXPECT_EQ(behind->builtin->messagesReceived, 1);
  EXPECT_EQ(strength->builtin->messagesReceived, 2);  // 4242, then 4243 once
}

TEST_F(GlentShaderTest, InitialChannelIsTakenOverAsTheInput) {
  std::unique_ptr<HostNode> previous = host::CreateShader(host_.GetRegistry(), host::kColorShaderType);
  HostNode* handed = previous.release();
  EXPECT_TRUE(host::ShaderFamily()->message(shader_, HOST_MSG_INITIALCHANNEL, handed));
  ASSERT_EQ(handed->parent, shader_);
  EXPECT_EQ(C()->getLink(&shader_->data, kTexture, scene_.document, HOST_BASETYPE_SHADER), handed);
  // Taking over does not pass the hand-over on to the shader just taken.
  EXPECT_EQ(handed->builtin->messagesReceived, 0);
}

}  // namespace
}  // namespace ombrel::test
