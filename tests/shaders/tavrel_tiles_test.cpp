// The tile shader through the host's call path. With the host's "uv" shader as the texture the
// output is the point inside the tile, so located points, flips, turns and joints can be read
// off; with constant-colour textures the output names the texture a tile picked. Expected
// values are worked out by hand, or from the generator's states computed apart from the module.
#include <algorithm>
#include <cmath>

#include "core/builtin_shaders.h"
#include "core/gradient.h"
#include "core/noise.h"
#include "shader_fixture.h"

namespace ombrel::test {
namespace {

enum : int32_t {
  kJointWidth = 1081, kNoiseScale = 1082, kFitInside = 1083, kJointGradient = 1084, kJointBias = 1085,
  kJointRatio = 1086, kRawJoint = 1087, kTileRotation = 1092, kSaturation = 1094, kGamma = 1095,
  kBrightness = 1096, kTexture = 1100, kSeed = 1101, kFlipU = 1102, kFlipV = 1103, kRandomRotate = 1104,
  kChecker = 1105, kMode = 1130, kPolygonGroup = 1131, kRowOffset = 1161, kRowOffsetVariation = 1162,
  kRowDrift = 1163, kRowDriftVariation = 1164, kStretch = 1165, kColumns = 1166, kRows = 1167,
  kTextureRotation = 1198, kTileAspect = 1199, kTextureCount = 1220, kSlot = 3100
};

// Every stored parameter of the shader but the texture links.
constexpr int32_t kAllSettings[] = {kJointWidth, kNoiseScale, kFitInside, kJointGradient, kJointBias, kJointRatio,
                                    kRawJoint, kTileRotation, kSaturation, kGamma, kBrightness, kSeed, kFlipU,
                                    kFlipV, kRandomRotate, kChecker, kMode, kPolygonGroup, kRowOffset,
                                    kRowOffsetVariation, kRowDrift, kRowDriftVariation, kStretch, kColumns,
                                    kRows, kTextureRotation, kTileAspect, kTextureCount};

// Colours of constant-colour textures; each names its slot.
const HostVector kSlotColours[] = {{0.1, 0.0, 0.0}, {0.2, 0.0, 0.0}, {0.3, 0.0, 0.0}, {0.4, 0.0, 0.0}, {0.5, 0.0, 0.0}};

class TileShaderTest : public ShaderFixture {
 protected:
  TileShaderTest() : ShaderFixture(kTilesId) {}

  void Set(int32_t id, double v) { C()->setReal(&shader_->data, id, v); }
  void SetLong(int32_t id, int32_t v) { C()->setInt32(&shader_->data, id, v); }
  HostNode* Slot(int32_t slot, int32_t type) {
    const int32_t id = slot == 0 ? kTexture : kSlot + slot;
    HostNode* input = AddInput(shader_, type, id);
    if (slot + 1 > C()->getInt32(&shader_->data, kTextureCount, 1)) SetLong(kTextureCount, slot + 1);
    return input;
  }
  HostNode* ColourSlot(int32_t slot, HostVector colour) {
    HostNode* input = Slot(slot, host::kColorShaderType);
    C()->setVector(&input->data, 1000, colour);
    return input;
  }
  void ColourSlots(int32_t count) {
    for (int32_t i = 0; i < count; ++i) ColourSlot(i, kSlotColours[i]);
  }
  // The slot whose colour a sample shows, or -1.
  static int32_t SlotOf(HostVector c) {
    for (int32_t i = 0; i < 5; ++i) {
      if (c.x == kSlotColours[i].x && c.y == 0.0 && c.z == 0.0) return i;
    }
    return -1;
  }
  // The uv texture in slot 0 with its tiles neither flipped nor turned.
  void UvTexture() {
    Slot(0, host::kUvShaderType);
    SetLong(kFlipU, 0);
  }
  // Joints without noise, so their width is exact.
  void Joints(double width) {
    Set(kJointWidth, width);
    Set(kNoiseScale, 5000.0);
  }
  // Removes every stored parameter but those named: the render set-up then falls back on the
  // values meant for scenes that predate a parameter.
  void KeepOnly(std::initializer_list<int32_t> keep) {
    for (int32_t id : kAllSettings) {
      if (std::find(keep.begin(), keep.end(), id) == keep.end()) C()->remove(&shader_->data, id);
    }
  }
  // A sample on `object` at its rectangle's centre, with the hit point given.
  HostVector SampleHit(const HostNode* object, HostVector p, HostVector hitPoint, int32_t polygon = 0) {
    HostChannelData cd{};
    cd.p = p;
    HostVolume vd = session_.HitOn(object, 0.5, 0.5, hitPoint);
    vd.lastPolygon = polygon;
    cd.vd = &vd;
    const HostVector c = host::ShaderFamily()->sample(shader_, &cd);
    EXPECT_EQ(cd.p.x, p.x) << "the sample point must be restored";
    return c;
  }
};

void ExpectNear(HostVector got, HostVector want, double tolerance, const char* what) {
  EXPECT_NEAR(got.x, want.x, tolerance) << what;
  EXPECT_NEAR(got.y, want.y, tolerance) << what;
  EXPECT_NEAR(got.z, want.z, tolerance) << what;
}

// Seed 666: after the discarded draw and the row's drift draw, the first tile's flip draw is
// 0.442 (worked out apart from the module), below 0.5: the one tile is mirrored in U.
TEST_F(TileShaderTest, DefaultTileIsTheTextureMirroredInU) {
  Slot(0, host::kUvShaderType);
  ASSERT_EQ(Begin(), 0);
  ExpectNear(Sample(nullptr, 0, HostVector{0.2, 0.3, 0.7}), HostVector{0.8, 0.3, 0.7}, 1e-12, "mirrored");
  ExpectNear(Sample(nullptr, 0, HostVector{0.9, 0.6, 0.0}), HostVector{0.1, 0.6, 0.0}, 1e-12, "mirrored");
}

TEST_F(TileShaderTest, GridLocatesPointsInTilesAndWrapsNegativeCoordinates) {
  UvTexture();
  SetLong(kColumns, 4);
  SetLong(kRows, 2);
  ASSERT_EQ(Begin(), 0);
  ExpectNear(Sample(nullptr, 0, HostVector{0.3, 0.6, 0.0}), HostVector{0.2, 0.2, 0.0}, 1e-12, "inside");
  ExpectNear(Sample(nullptr, 0, HostVector{-0.3, -0.6, 0.0}), HostVector{0.8, 0.8, 0.0}, 1e-12, "negative");
  // With the mirror flag the point folds back every other tile.
  ExpectNear(Sample(nullptr, 0, HostVector{0.3, 0.6, 0.0}, HOST_TEX_MIRROR), HostVector{0.8, 0.8, 0.0}, 1e-12,
             "mirror");
}

// Each parameter of the layout, set away from its default, moves the located point as worked
// out by hand for a uv texture on one tile.
TEST_F(TileShaderTest, LayoutParametersMoveTheLocatedPoint) {
  struct Case {
    const char* what;
    int32_t id;
    double value;
    bool isLong;
    HostVector p, want;
    double tolerance;
  };
  const Case cases[] = {
      // Rows 2: (0.3, 0.75) lies in odd row 1, shifted by half a tile: u = 0.3 - 0.5 + 1.
      {"row offset", kRowOffset, 0.5, false, {0.3, 0.75, 0.0}, {0.8, 0.5, 0.0}, 1e-12},
      // Content turned by pi/2 (float32): (u, v) -> (v, 1 - u) up to the float's 4e-8.
      {"tile rotation", kTileRotation, 0.5, false, {0.2, 0.3, 0.0}, {0.3, 0.8, 0.0}, 1e-6},
      {"texture rotation 1", kTextureRotation, 1, true, {0.2, 0.3, 0.0}, {0.3, 0.8, 0.0}, 1e-12},
      {"texture rotation 2", kTextureRotation, 2, true, {0.2, 0.3, 0.0}, {0.7, 0.2, 0.0}, 1e-12},
      // Seed 666's first turn-and-brightness draw is 0.442: a turn by +pi/2, (v, 1 - u).
      {"random rotate", kRandomRotate, 1, true, {0.2, 0.3, 0.0}, {0.3, 0.8, 0.0}, 1e-12},
      // Aspect 2 puts v = 0.6; without stretch the content keeps its proportion: v / 2.
      {"stretch off", kStretch, 0, true, {0.2, 0.3, 0.0}, {0.2, 0.3, 0.0}, 1e-12},
  };
  UvTexture();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.id == kRowOffset) SetLong(kRows, 2);
    if (c.id == kStretch) Set(kTileAspect, 2.0);
    if (c.isLong) SetLong(c.id, static_cast<int32_t>(c.value));
    else Set(c.id, c.value);
    ASSERT_EQ(Begin(), 0);
    ExpectNear(Sample(nullptr, 0, c.p), c.want, c.tolerance, c.what);
    session_.End();
    for (int32_t id : {c.id, static_cast<int32_t>(kRows), static_cast<int32_t>(kTileAspect)}) C()->remove(&shader_->data, id);
  }
}

// The seed decides which texture a tile shows. Replayed apart from the module: the first
// tile's pick draw t gives slot trunc(5 t): seed 666 draws 0.668 (slot 3), seed 1234 draws
// 0.264 (slot 1).
TEST_F(TileShaderTest, SeedPicksTheTexture) {
  ColourSlots(5);
  SetLong(kFlipU, 0);
  SetLong(kSeed, 1234);
  ASSERT_EQ(Begin(), 0);
  EXPECT_EQ(SlotOf(Sample(nullptr)), 1);
  session_.End();
  SetLong(kSeed, 666);
  ASSERT_EQ(Begin(), 0);
  EXPECT_EQ(SlotOf(Sample(nullptr)), 3);
  session_.End();
  C()->remove(&shader_->data, kSeed);  // a missing seed reads as 666
  ASSERT_EQ(Begin(), 0);
  EXPECT_EQ(SlotOf(Sample(nullptr)), 3);
}

// A stored scene without the parameters renders with the fallbacks, which differ from a new
// shader's defaults: no random flip, no fitting inside the joints, no joint-noise scale.
TEST_F(TileShaderTest, MissingParametersFallBackToTheirStoredSceneValues) {
  Slot(0, host::kUvShaderType);
  HostNode* object = AddObject("a", 4);
  KeepOnly({kTextureCount, kJointGradient});
  ASSERT_EQ(Begin(), 0);
  // One tile, unflipped, unturned, UV mode, no polygon groups: the point inside the tile itself.
  ExpectNear(SampleHit(object, HostVector{1.2, 0.3, 0.7}, HostVector{3, 2, 1}, 5), HostVector{0.2, 0.3, 0.7},
             1e-12, "plain tile");
  session_.End();

  // Joints of width 0.2 with the missing noise scale read as 0: the turbulence at the origin,
  // wherever the hit is. Bias 0.5 and ratio 1: the left joint ends at 0.2 x factor x 0.5.
  Set(kJointWidth, 0.2);
  SetLong(kRawJoint, 1);
  ASSERT_EQ(Begin(), 0);
  const double factor = 0.2 + 0.8 * host::Turbulence(0.0, 0.0, 0.0, 2.0, true);
  const double lo = static_cast<double>(static_cast<float>(0.2)) * factor * 0.5;
  const double weight = std::sin((0.6 * lo - lo) / (0.0 - lo) * M_PI / 2);
  const HostVector hitPoint{30.3, 17.7, 4.4};
  ExpectNear(SampleHit(object, HostVector{0.6 * lo, 0.5, 0.0}, hitPoint), HostVector{weight, weight, weight}, 1e-9,
             "joint");
  // Off the joints the face is not squeezed.
  ExpectNear(SampleHit(object, HostVector{0.3, 0.5, 0.0}, hitPoint), HostVector{0.3, 0.5, 0.0}, 1e-12, "face");
  session_.End();

  // A tile aspect alone: stretch reads as on, so v is not scaled back.
  C()->remove(&shader_->data, kJointWidth);
  Set(kTileAspect, 2.0);
  ASSERT_EQ(Begin(), 0);
  ExpectNear(SampleHit(object, HostVector{0.2, 0.3, 0.0}, hitPoint), HostVector{0.2, 0.6, 0.0}, 1e-12, "aspect");
}

TEST_F(TileShaderTest, RawJointWeightFollowsAQuarterSine) {
  UvTexture();
  SetLong(kRawJoint, 1);
  Joints(0.1);
  ASSERT_EQ(Begin(), 0);
  // The table keeps joint widths as float32. Left joint: lo = width × 0.5; u = 0.02 lies in it
  // with s = (0.02 − lo) / (0 − lo).
  const double width = static_cast<float>(0.1);
  const double lo = width * 0.5;
  const double weight = std::fabs(std::sin((0.02 - lo) / (0.0 - lo) * M_PI / 2));
  ExpectNear(Sample(nullptr, 0, HostVector{0.02, 0.5, 0.0}), HostVector{weight, weight, weight}, 1e-12, "joint");
  // On the face the texture is seen, squeezed between the joints (fit inside).
  EXPECT_NEAR(Sample(nullptr, 0, HostVector{0.5, 0.5, 0.0}).x, 0.5, 1e-12);
  EXPECT_NEAR(Sample(nullptr, 0, HostVector{0.06, 0.5, 0.0}).x, (0.06 - lo) / (1.0 - lo - lo), 1e-12);
}

// Ratio and bias place the joints: worked out for width 0.2 without noise or fitting.
TEST_F(TileShaderTest, JointRatioAndBiasPlaceTheJoints) {
  UvTexture();
  SetLong(kRawJoint, 1);
  SetLong(kFitInside, 0);
  Joints(0.2);
  Set(kJointRatio, 0.5);
  ASSERT_EQ(Begin(), 0);
  // The U joint is 0.1 wide, half on each side: u = 0.07 lies on the face.
  ExpectNear(Sample(nullptr, 0, HostVector{0.07, 0.5, 0.0}), HostVector{0.07, 0.5, 0.0}, 1e-12, "ratio, face");
  // The V joint keeps 0.2: v = 0.07 lies in it with s = (0.07 - 0.1) / (0 - 0.1) = 0.3.
  const double w = std::sin(0.3 * M_PI / 2);
  ExpectNear(Sample(nullptr, 0, HostVector{0.5, 0.07, 0.0}), HostVector{w, w, w}, 1e-6, "ratio, V joint");
  session_.End();

  // Bias (1, 0): the whole U joint on the right, the whole V joint on the top.
  C()->remove(&shader_->data, kJointRatio);
  C()->setVector(&shader_->data, kJointBias, HostVector{1.0, 0.0, 0.5});
  ASSERT_EQ(Begin(), 0);
  ExpectNear(Sample(nullptr, 0, HostVector{0.05, 0.5, 0.0}), HostVector{0.05, 0.5, 0.0}, 1e-12, "bias, left face");
  const double right = std::sin(0.25 * M_PI / 2);  // s = (0.85 - 0.8) / (1 - 0.8)
  ExpectNear(Sample(nullptr, 0, HostVector{0.85, 0.5, 0.0}), HostVector{right, right, right}, 1e-6, "bias, right");
  ExpectNear(Sample(nullptr, 0, HostVector{0.5, 0.05, 0.0}), HostVector{0.5, 0.05, 0.0}, 1e-12, "bias, bottom face");
  ExpectNear(Sample(nullptr, 0, HostVector{0.5, 0.85, 0.0}), HostVector{right, right, right}, 1e-6, "bias, top");
}

TEST_F(TileShaderTest, JointsUseTheGradientAndStayWhiteInTheAlphaChannel) {
  ColourSlot(0, HostVector{0.0, 0.0, 1.0});
  Joints(0.2);
  ASSERT_EQ(Begin(), 0);
  // At the tile border the weight is 1: pure gradient colour (light grey 0.9 at position 1).
  ExpectNear(Sample(nullptr, 0, HostVector{0.0, 0.5, 0.0}), HostVector{0.9, 0.9, 0.9}, 1e-9, "border");
  ExpectNear(Sample(nullptr, 0, HostVector{0.5, 0.5, 0.0}), HostVector{0.0, 0.0, 1.0}, 0.0, "face");
  const int32_t alpha = HOST_CHANNEL_ALPHA << HOST_TEX_CHANNEL_SHIFT;
  ExpectNear(Sample(nullptr, 0, HostVector{0.05, 0.5, 0.0}, alpha), HostVector{1.0, 1.0, 1.0}, 0.0, "alpha");
}

// A gradient that cannot be prepared leaves the joints grey by their weight, mixed like any
// joint colour: colour × (1 − a) + a × a.
TEST_F(TileShaderTest, WithoutAPreparedGradientJointsAreGreyByWeight) {
  ColourSlot(0, HostVector{0.0, 0.0, 1.0});
  SetLong(kFitInside, 0);
  Joints(0.2);
  auto* gradient = static_cast<HostGradient*>(C()->getCustom(&shader_->data, kJointGradient, HOST_CUSTOMDATA_GRADIENT));
  ASSERT_NE(gradient, nullptr);
  gradient->knots.clear();
  ASSERT_EQ(Begin(), 0);
  ExpectNear(Sample(nullptr, 0, HostVector{0.0, 0.5, 0.0}), HostVector{1.0, 1.0, 1.0}, 1e-12, "border");
  // u = 0.05 is halfway through the left joint: a = sin(pi / 4).
  const double a = std::sqrt(0.5);
  ExpectNear(Sample(nullptr, 0, HostVector{0.05, 0.5, 0.0}), HostVector{a * a, a * a, 1.0 - a + a * a}, 1e-6,
             "halfway");
}

TEST_F(TileShaderTest, WithoutTexturesFacesAreBlackButJointsRemain) {
  SetLong(kRawJoint, 1);
  Joints(0.2);
  ASSERT_EQ(Begin(), 0);
  ExpectNear(Sample(nullptr, 0, HostVector{0.5, 0.5, 0.0}), HostVector{0.0, 0.0, 0.0}, 0.0, "face");
  ExpectNear(Sample(nullptr, 0, HostVector{0.0, 0.5, 0.0}), HostVector{1.0, 1.0, 1.0}, 1e-12, "border");
}

TEST_F(TileShaderTest, TexturesThatFailTheirSetUpAreLeftOut) {
  Slot(0, host::kFailingShaderType);
  ColourSlot(1, HostVector{0.0, 1.0, 0.0});
  SetLong(kColumns, 5);
  SetLong(kRows, 5);
  EXPECT_EQ(Begin(), 0);  // the tile shader still reports success
  for (double u : {0.1, 0.3, 0.5, 0.7, 0.9}) EXPECT_EQ(Sample(nullptr, 0, HostVector{u, u, 0.0}).y, 1.0) << u;
}

// In UV mode with polygon groups, a hit shows the texture of the group's cell, sampled with the
// unchanged point: no tiling, no joint. Uv texture: the output is the sample point itself.
TEST_F(TileShaderTest, PolygonGroupsShowTheirTextureUntiled) {
  UvTexture();
  SetLong(kColumns, 4);
  SetLong(kPolygonGroup, 3);
  Joints(0.2);
  HostNode* object = AddObject("a", 4);
  ASSERT_EQ(Begin(), 0);
  ExpectNear(Sample(object, 4, HostVector{0.3, 0.6, 0.0}), HostVector{0.3, 0.6, 0.0}, 0.0, "group");
  // Without a hit the normal path tiles the point, (0.2, 0.6), and fits it between the joints
  // (0.1 to 0.9).
  ExpectNear(Sample(nullptr, 0, HostVector{0.3, 0.6, 0.0}), HostVector{0.125, 0.625, 0.0}, 1e-6, "tiled");
}

TEST_F(TileShaderTest, ObjectModeGivesEachObjectOneTexture) {
  ColourSlot(0, HostVector{1.0, 0.0, 0.0});
  ColourSlot(1, HostVector{0.0, 1.0, 0.0});
  ColourSlot(2, HostVector{0.0, 0.0, 1.0});
  SetLong(kMode, 2);
  SetLong(kColumns, 6);
  SetLong(kRows, 6);
  HostNode* objects[3] = {AddObject("a", 3), AddObject("b", 4), AddObject("c", 5)};
  ASSERT_EQ(Begin(), 0);
  for (int i = 0; i < 3; ++i) {
    // The object number is the identity chain: 3, 4, 5 pick entries 0, 1, 2 of the list.
    const HostVector first = Sample(objects[i], 0, HostVector{0.05, 0.05, 0.0});
    EXPECT_EQ(i == 0 ? first.x : i == 1 ? first.y : first.z, 1.0) << i;
    for (double u : {0.2, 0.45, 0.8}) {
      const HostVector c = Sample(objects[i], 0, HostVector{u, 1.0 - u, 0.0});
      EXPECT_EQ(c.x, first.x);
      EXPECT_EQ(c.y, first.y);
    }
  }
}

TEST_F(TileShaderTest, PolygonModeMapsTheTileOnTheCornerWeights) {
  UvTexture();
  SetLong(kMode, 1);
  HostNode* object = AddObject("a", 9);
  object->geometry.rows = 2;
  object->geometry.columns = 2;
  ASSERT_EQ(Begin(), 0);
  HostChannelData cd{};
  cd.p = HostVector{0.9, 0.9, 0.0};  // the UVs do not matter in this mode
  HostVolume vd = session_.HitOn(object, 0.3, 0.1, HostVector{});
  cd.vd = &vd;
  const HostVector c = host::ShaderFamily()->sample(shader_, &cd);
  // u = w0 + w1, v = w0 + w3 of the bilinear weights inside polygon 0 at (0.6, 0.2).
  EXPECT_NEAR(c.x, vd.weights[0] + vd.weights[1], 1e-12);
  EXPECT_NEAR(c.y, vd.weights[0] + vd.weights[3], 1e-12);
}

TEST_F(TileShaderTest, ZeroVariationsLeaveTheTextureUnchanged) {
  ColourSlot(0, HostVector{0.2, 0.4, 0.6});
  SetLong(kColumns, 8);
  ASSERT_EQ(Begin(), 0);
  ExpectNear(Sample(nullptr, 0, HostVector{0.33, 0.5, 0.0}), HostVector{0.2, 0.4, 0.6}, 0.0, "unchanged");
}

// The first tile of seed 666 (no flips) draws the Gaussian g = -0.122946 and the turn draw
// y = 0.441988, worked out apart from the module. Variations S = 1 / g, G = 0.5 / g and B = 0.4
// give the factors saturation 2, gamma 1.5 and brightness 1 + 0.4 × frac(g + y) = 1.127617
// (all as float32). The texture (0.2, 0.4, 0.6) has HSV saturation 2/3, doubled to 4/3 and
// clamped to 1: in its hue sector (p, q, v) that is (0, 0.3, 0.6); then the gamma, then the
// brightness.
TEST_F(TileShaderTest, ColourVariationSaturatesClampsThenGammaThenBrightness) {
  ColourSlot(0, HostVector{0.2, 0.4, 0.6});
  SetLong(kFlipU, 0);
  const double g = -0.12294618063840668;
  Set(kSaturation, 1.0 / g);
  Set(kGamma, 0.5 / g);
  Set(kBrightness, 0.4);
  ASSERT_EQ(Begin(), 0);
  const double brightness = 1.1276167631149292;
  const HostVector want{0.0, std::pow(0.3, 1.0 / 1.5) * brightness, std::pow(0.6, 1.0 / 1.5) * brightness};
  ExpectNear(Sample(nullptr, 0, HostVector{0.5, 0.5, 0.0}), want, 1e-6, "varied");
}

TEST_F(TileShaderTest, EnablingFollowsJointWidthAndModeAndRepairsOldScenes) {
  auto enabled = [this](int32_t id) { return Enabled(id); };

  for (int32_t id : {kNoiseScale, kFitInside, kJointGradient, kJointBias}) EXPECT_FALSE(enabled(id)) << id;
  Set(kJointWidth, 0.1);
  for (int32_t id : {kNoiseScale, kFitInside, kJointGradient, kJointBias}) EXPECT_TRUE(enabled(id)) << id;
  EXPECT_TRUE(enabled(kRowOffset));
  SetLong(kMode, 1);
  EXPECT_FALSE(enabled(kRowOffset));
  EXPECT_FALSE(enabled(kColumns));
  C()->remove(&shader_->data, kTileAspect);
  EXPECT_TRUE(enabled(kTileAspect));
  EXPECT_EQ(C()->getReal(&shader_->data, kTileAspect, -1.0), 1.0);
}

TEST_F(TileShaderTest, SamplingAllocatesNothingAndReleasesEveryTexture) {
  Slot(0, host::kUvShaderType);
  ColourSlot(1, HostVector{0.5, 0.5, 0.5});
  Joints(0.1);
  Set(kNoiseScale, 1.0);
  SetLong(kColumns, 7);
  HostNode* object = AddObject("a", 2);
  ASSERT_EQ(Begin(), 0);
  const int64_t before = module_->ledger.Snapshot().totalAllocations;
  for (int i = 0; i < 1000; ++i) Sample(object, i, HostVector{i * 0.013, i * 0.007, 0.0});
  EXPECT_EQ(module_->ledger.Snapshot().totalAllocations, before);
}

// Odd stored values neither crash the set-up nor the samples, and still give the picture worked
// out for them: aspect 0 puts every v on 0, a NaN width switches the joints off, a huge slot
// count reads the two slots there are. At u = 7e300 (column 7e300 mod 333 = 290) seed -7 gives
// that tile the uv texture, flipped: (1 - 0, 0, 0).
TEST_F(TileShaderTest, OddStoredValuesGiveAWorkedOutPicture) {
  Slot(0, host::kUvShaderType);
  ColourSlot(1, HostVector{0.5, 0.5, 0.5});
  SetLong(kColumns, 7);
  Set(kTileAspect, 0.0);
  Set(kJointWidth, std::nan(""));
  SetLong(kTextureCount, 2147483647);
  SetLong(kSeed, -7);
  HostNode* object = AddObject("a", 2);
  ASSERT_EQ(Begin(), 0);
  ExpectNear(Sample(object, 3, HostVector{1e300, -1e300, 0.0}), HostVector{1.0, 0.0, 0.0}, 0.0, "far tile");
}

}  // namespace
}  // namespace ombrel::test
