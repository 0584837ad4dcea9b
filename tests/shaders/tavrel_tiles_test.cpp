// The tile shader through the host's call path. With the host's "uv" shader as the texture the
// output is the point inside the tile, so located points, flips and joints can be read off.
#include <cmath>

#include "core/builtin_shaders.h"
#include "shader_fixture.h"

namespace ombrel::test {
namespace {

enum : int32_t {
  kJointWidth = 1081, kNoiseScale = 1082, kFitInside = 1083, kJointGradient = 1084, kJointBias = 1085,
  kRawJoint = 1087, kTexture = 1100, kSeed = 1101, kFlipU = 1102, kFlipV = 1103, kMode = 1130, kColumns = 1166,
  kRows = 1167, kTileAspect = 1199, kTextureCount = 1220, kSlot = 3100, kSaturation = 1094, kGamma = 1095,
  kBrightness = 1096, kRowOffset = 1161
};

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
  // Joints without noise, so their width is exact.
  void Joints(double width) {
    Set(kJointWidth, width);
    Set(kNoiseScale, 5000.0);
  }
};

TEST_F(TileShaderTest, DefaultTileShowsTheTextureOrItsMirrorInU) {
  Slot(0, host::kUvShaderType);
  ASSERT_EQ(Begin(), 0);
  const HostVector a = Sample(nullptr, 0, HostVector{0.2, 0.3, 0.7});
  const bool mirrored = std::fabs(a.x - 0.8) < 1e-12;
  EXPECT_TRUE(mirrored || std::fabs(a.x - 0.2) < 1e-12) << a.x;
  EXPECT_NEAR(a.y, 0.3, 1e-12);
  EXPECT_EQ(a.z, 0.7);  // w passes through
  const HostVector b = Sample(nullptr, 0, HostVector{0.9, 0.6, 0.0});
  EXPECT_NEAR(b.x, mirrored ? 0.1 : 0.9, 1e-12);
}

TEST_F(TileShaderTest, GridLocatesPointsInTilesAndWrapsNegativeCoordinates) {
  Slot(0, host::kUvShaderType);
  C()->setInt32(&shader_->data, kFlipU, 0);
  SetLong(kColumns, 4);
  SetLong(kRows, 2);
  ASSERT_EQ(Begin(), 0);
  const HostVector in = Sample(nullptr, 0, HostVector{0.3, 0.6, 0.0});
  EXPECT_NEAR(in.x, 0.2, 1e-12);
  EXPECT_NEAR(in.y, 0.2, 1e-12);
  const HostVector neg = Sample(nullptr, 0, HostVector{-0.3, -0.6, 0.0});
  EXPECT_NEAR(neg.x, 0.8, 1e-12);
  EXPECT_NEAR(neg.y, 0.8, 1e-12);
  // With the mirror flag the point folds back every other tile.
  const HostVector folded = Sample(nullptr, 0, HostVector{0.3, 0.6, 0.0}, HOST_TEX_MIRROR);
  EXPECT_NEAR(folded.x, 0.8, 1e-12);
  EXPECT_NEAR(folded.y, 0.8, 1e-12);
}

TEST_F(TileShaderTest, RawJointWeightFollowsAQuarterSine) {
  Slot(0, host::kUvShaderType);
  C()->setInt32(&shader_->data, kFlipU, 0);
  C()->setInt32(&shader_->data, kRawJoint, 1);
  Joints(0.1);
  ASSERT_EQ(Begin(), 0);
  // The table keeps joint widths as float32. Left joint: lo = width × 0.5; u = 0.02 lies in it
  // with s = (0.02 − lo) / (0 − lo).
  const double width = static_cast<float>(0.1);
  const double lo = width * 0.5;
  const double weight = std::fabs(std::sin((0.02 - lo) / (0.0 - lo) * M_PI / 2));
  const HostVector j = Sample(nullptr, 0, HostVector{0.02, 0.5, 0.0});
  EXPECT_NEAR(j.x, weight, 1e-12);
  EXPECT_EQ(j.x, j.y);
  EXPECT_EQ(j.x, j.z);
  // On the face the texture is seen, squeezed between the joints (fit inside).
  const HostVector face = Sample(nullptr, 0, HostVector{0.5, 0.5, 0.0});
  EXPECT_NEAR(face.x, 0.5, 1e-12);
  EXPECT_NEAR(Sample(nullptr, 0, HostVector{0.06, 0.5, 0.0}).x, (0.06 - lo) / (1.0 - lo - lo), 1e-12);
}

TEST_F(TileShaderTest, JointsUseTheGradientAndStayWhiteInTheAlphaChannel) {
  ColourSlot(0, HostVector{0.0, 0.0, 1.0});
  Joints(0.2);
  ASSERT_EQ(Begin(), 0);
  // At the tile border the weight is 1: pure gradient colour (light grey 0.9 at position 1).
  const HostVector border = Sample(nullptr, 0, HostVector{0.0, 0.5, 0.0});
  EXPECT_NEAR(border.x, 0.9, 1e-9);
  EXPECT_NEAR(border.z, 0.9, 1e-9);
  const HostVector face = Sample(nullptr, 0, HostVector{0.5, 0.5, 0.0});
  EXPECT_EQ(face.z, 1.0);
  const int32_t alpha = 7 << HOST_TEX_CHANNEL_SHIFT;
  const HostVector a = Sample(nullptr, 0, HostVector{0.05, 0.5, 0.0}, alpha);
  EXPECT_EQ(a.x, 1.0);
  EXPECT_EQ(a.y, 1.0);
}

TEST_F(TileShaderTest, WithoutTexturesFacesAreBlackButJointsRemain) {
  C()->setInt32(&shader_->data, kRawJoint, 1);
  Joints(0.2);
  ASSERT_EQ(Begin(), 0);
  EXPECT_EQ(Sample(nullptr, 0, HostVector{0.5, 0.5, 0.0}).x, 0.0);
  EXPECT_GT(Sample(nullptr, 0, HostVector{0.01, 0.5, 0.0}).x, 0.5);
}

TEST_F(TileShaderTest, TexturesThatFailTheirSetUpAreLeftOut) {
  Slot(0, host::kFailingShaderType);
  ColourSlot(1, HostVector{0.0, 1.0, 0.0});
  SetLong(kColumns, 5);
  SetLong(kRows, 5);
  EXPECT_EQ(Begin(), 0);  // the tile shader still reports success
  for (double u : {0.1, 0.3, 0.5, 0.7, 0.9}) EXPECT_EQ(Sample(nullptr, 0, HostVector{u, u, 0.0}).y, 1.0) << u;
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
    // ObjectNumber is the identity chain: 3, 4, 5 pick entries 0, 1, 2 of the list.
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
  Slot(0, host::kUvShaderType);
  C()->setInt32(&shader_->data, kFlipU, 0);
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

TEST_F(TileShaderTest, ZeroVariationsLeaveTheTextureUnchangedAndVariationsDoNot) {
  ColourSlot(0, HostVector{0.2, 0.4, 0.6});
  SetLong(kColumns, 8);
  ASSERT_EQ(Begin(), 0);
  const HostVector plain = Sample(nullptr, 0, HostVector{0.33, 0.5, 0.0});
  EXPECT_EQ(plain.x, 0.2);
  EXPECT_EQ(plain.z, 0.6);
  session_.End();
  Set(kSaturation, 0.5);
  Set(kGamma, 0.3);
  Set(kBrightness, 0.4);
  ASSERT_EQ(Begin(), 0);
  int changed = 0;
  for (int i = 0; i < 8; ++i) {
    const HostVector c = Sample(nullptr, 0, HostVector{(i + 0.5) / 8.0, 0.5, 0.0});
    if (c.x != 0.2 || c.z != 0.6) changed++;
    EXPECT_TRUE(std::isfinite(c.x) && std::isfinite(c.y) && std::isfinite(c.z));
  }
  EXPECT_GT(changed, 4);
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
  HostNode* uv = Slot(0, host::kUvShaderType);
  ColourSlot(1, HostVector{0.5, 0.5, 0.5});
  Joints(0.1);
  Set(kNoiseScale, 1.0);
  SetLong(kColumns, 7);
  HostNode* object = AddObject("a", 2);
  ASSERT_EQ(Begin(), 0);
  const int64_t before = module_->ledger.Snapshot().totalAllocations;
  for (int i = 0; i < 1000; ++i) Sample(object, i, HostVector{i * 0.013, i * 0.007, 0.0});
  EXPECT_EQ(module_->ledger.Snapshot().totalAllocations, before);
  (void)uv;
  // Odd parameter values do not crash the set-up or the samples.
  session_.End();
  Set(kTileAspect, 0.0);
  Set(kJointWidth, std::nan(""));
  SetLong(kTextureCount, 2147483647);
  SetLong(kSeed, -7);
  ASSERT_EQ(Begin(), 0);
  const HostVector c = Sample(object, 3, HostVector{1e300, -1e300, 0.0});
  EXPECT_TRUE(std::isfinite(c.x));
}

}  // namespace
}  // namespace ombrel::test
