// Render records that scene files cannot describe but another host may hand a shader: a hit
// that resolves to no render object, a render object without a source object, and a negative
// polygon number. Each goes through the host's sampling call, as a renderer's would.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/builtin_shaders.h"
#include "hsl_color.h"
#include "seeded_random.h"
#include "shader_fixture.h"

namespace ombrel::test {
namespace {

enum : int32_t { kTileTexture = 1100, kTileFlipU = 1102, kTileMode = 1130, kTileGroup = 1131, kTileSlot = 3100,
                 kTileTextureCount = 1220 };
enum : int32_t { kColorHue = 1002, kColorColor = 1010, kColorPerPolygon = 1014, kColorGroup = 1015 };

const HostVector kRed{1.0, 0.0, 0.0};
const HostVector kGreen{0.0, 1.0, 0.0};
const HostVector kBlue{0.0, 0.0, 1.0};

HostVector SampleWith(HostNode* shader, HostVolume* vd, HostVector p = HostVector{0.15, 0.55, 0.0}) {
  HostChannelData cd{};
  cd.p = p;
  cd.vd = vd;
  return host::ShaderFamily()->sample(shader, &cd);
}

bool Same(HostVector a, HostVector b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

class TileHitsTest : public ShaderFixture {
 protected:
  TileHitsTest() : ShaderFixture(kTilesId) {}
  void SetLong(int32_t id, int32_t v) { C()->setInt32(&shader_->data, id, v); }
  void Textures(std::initializer_list<HostVector> colours) {
    int32_t slot = 0;
    for (const HostVector& colour : colours) {
      HostNode* input = AddInput(shader_, host::kColorShaderType, slot == 0 ? kTileTexture : kTileSlot + slot);
      C()->setVector(&input->data, 1000, colour);
      ++slot;
    }
    SetLong(kTileTextureCount, slot);
  }
};

TEST_F(TileHitsTest, PolygonModeMapsAHitWithoutRenderObjectOnItsCornerWeights) {
  AddInput(shader_, host::kUvShaderType, kTileTexture);
  SetLong(kTileMode, 1);
  ASSERT_EQ(Begin(), 0);
  // Weights at (0.3, 0.2) of the polygon: 0.56, 0.24, 0.06, 0.14; u = w0 + w1, v = w0 + w3. The
  // texture point (0.15, 0.55) would be the answer of the UV tiles.
  for (const int32_t polygon : {0, 5, 400}) {
    HostVolume vd = session_.HitWithoutRenderObject(polygon, 0.3, 0.2, HostVector{});
    const HostVector c = SampleWith(shader_, &vd);
    EXPECT_NEAR(c.x, 0.80, 1e-12) << polygon;
    EXPECT_NEAR(c.y, 0.70, 1e-12) << polygon;
  }
}

TEST_F(TileHitsTest, PolygonModeIgnoresTheIndexOfARenderObjectWithoutSource) {
  Textures({kRed, kGreen, kBlue});
  SetLong(kTileMode, 1);
  HostNode* object = AddObject("a", 40);
  ASSERT_EQ(Begin(), 0);
  const HostRayObject* sourceless = session_.AddRenderObjectWithoutSource(77, nullptr);
  // Without a source object the tile of polygon P is that of a hit without render object; with
  // one, the index and identity move it to other tiles, so some polygon shows another texture.
  int moved = 0;
  for (int32_t polygon = 0; polygon < 24; ++polygon) {
    HostVolume none = session_.HitWithoutRenderObject(polygon, 0.5, 0.5, HostVector{});
    HostVolume bare = session_.HitOnRenderObject(sourceless, polygon, 0.5, 0.5, HostVector{});
    HostVolume full = session_.HitOnPolygon(object, polygon, 0.5, 0.5, HostVector{});
    const HostVector expected = SampleWith(shader_, &none);
    EXPECT_TRUE(Same(SampleWith(shader_, &bare), expected)) << polygon;
    if (!Same(SampleWith(shader_, &full), expected)) ++moved;
  }
  EXPECT_GT(moved, 0);
}

TEST_F(TileHitsTest, ObjectModeCountsMissingObjectsAsIdentityZero) {
  Textures({kRed, kGreen, kBlue});
  SetLong(kTileMode, 2);
  HostNode* origin = AddObject("generator", 100);
  ASSERT_EQ(Begin(), 0);
  // Object number 0 picks the first texture; an origin object adds identity(source) + 1 = 1.
  HostVolume none = session_.HitWithoutRenderObject(3, 0.5, 0.5, HostVector{});
  EXPECT_TRUE(Same(SampleWith(shader_, &none), kRed));
  HostVolume bare = session_.HitOnRenderObject(session_.AddRenderObjectWithoutSource(5, nullptr), 3, 0.5, 0.5,
                                               HostVector{});
  EXPECT_TRUE(Same(SampleWith(shader_, &bare), kRed));
  HostVolume withOrigin = session_.HitOnRenderObject(session_.AddRenderObjectWithoutSource(5, origin), 3, 0.5,
                                                     0.5, HostVector{});
  EXPECT_TRUE(Same(SampleWith(shader_, &withOrigin), kGreen));
}

TEST_F(TileHitsTest, NegativePolygonNumbersLandOnTiles) {
  AddInput(shader_, host::kUvShaderType, kTileTexture);
  SetLong(kTileMode, 1);
  SetLong(kTileGroup, 3);
  HostNode* object = AddObject("a", 8);
  ASSERT_EQ(Begin(), 0);
  for (const int32_t polygon : {-1, -5, -333, -334, std::numeric_limits<int32_t>::min()}) {
    HostVolume vd = session_.HitOnPolygon(object, polygon, 0.3, 0.2, HostVector{});
    const HostVector c = SampleWith(shader_, &vd);
    EXPECT_NEAR(c.x, 0.80, 1e-12) << polygon;
    EXPECT_NEAR(c.y, 0.70, 1e-12) << polygon;
  }
}

TEST_F(TileHitsTest, PolygonGroupsInUvModeTakeNegativeNumbersAndHitsWithoutRenderObject) {
  Textures({kRed, kGreen, kBlue});
  SetLong(kTileGroup, 2);
  HostNode* object = AddObject("a", 8);
  ASSERT_EQ(Begin(), 0);
  for (const int32_t polygon : {-1, -7, std::numeric_limits<int32_t>::min()}) {
    HostVolume on = session_.HitOnPolygon(object, polygon, 0.3, 0.2, HostVector{});
    HostVolume none = session_.HitWithoutRenderObject(polygon, 0.3, 0.2, HostVector{});
    const HostVector c = SampleWith(shader_, &on);
    EXPECT_TRUE(Same(c, kRed) || Same(c, kGreen) || Same(c, kBlue)) << polygon;
    // The group's tile depends on the polygon alone.
    EXPECT_TRUE(Same(SampleWith(shader_, &none), c)) << polygon;
  }
}

// Entry `index` of the colour-adjust table for seed 200, hue variation only, direction 0.
double HueFactor(int32_t index, double hue) {
  SeededRandom rnd;
  rnd.Init(200);
  rnd.Get01();
  double factor = 0.0;
  for (int32_t i = 0; i <= index; ++i) {
    factor = rnd.Get11() * hue;
    for (int k = 0; k < 3; ++k) rnd.Get11();
    rnd.Get01();
  }
  return factor;
}

HostVector ShiftedHue(HostVector c, double factor) {
  double h, l, s;
  RgbToHsl(c.x, c.y, c.z, h, l, s);
  HslToRgb(h + factor * 180.0, l, s, c.x, c.y, c.z);
  const auto clamp = [](double x) { return x > 1.0 ? 1.0 : (x < 0.0 ? 0.0 : x); };
  return HostVector{clamp(c.x), clamp(c.y), clamp(c.z)};
}

class ColourHitsTest : public ShaderFixture {
 protected:
  ColourHitsTest() : ShaderFixture(kColorId) {}
  void SetUpHue(int32_t group) {
    C()->setVector(&shader_->data, kColorColor, kBase);
    C()->setReal(&shader_->data, kColorHue, 0.5);
    if (group > 0) {
      C()->setInt32(&shader_->data, kColorPerPolygon, 1);
      C()->setInt32(&shader_->data, kColorGroup, group);
    }
  }
  void ExpectKey(HostVolume* vd, int32_t key) {
    const HostVector want = ShiftedHue(kBase, HueFactor(key, 0.5));
    const HostVector got = SampleWith(shader_, vd);
    EXPECT_DOUBLE_EQ(got.x, want.x) << "key " << key;
    EXPECT_DOUBLE_EQ(got.y, want.y) << "key " << key;
    EXPECT_DOUBLE_EQ(got.z, want.z) << "key " << key;
  }
  const HostVector kBase{0.2, 0.5, 0.7};
};

TEST_F(ColourHitsTest, HitWithoutRenderObjectKeepsItsPolygonGroup) {
  SetUpHue(4);
  ASSERT_EQ(Begin(), 0);
  HostVolume vd = session_.HitWithoutRenderObject(9, 0.5, 0.5, HostVector{});
  ExpectKey(&vd, 8);
  vd = session_.HitWithoutRenderObject(3, 0.5, 0.5, HostVector{});
  ExpectKey(&vd, 0);
}

TEST_F(ColourHitsTest, RenderObjectWithoutSourceCountsOnlyItsOrigin) {
  SetUpHue(0);
  HostNode* generator = AddObject("generator", 100);
  HostNode* child = AddObject("child", 20, generator);
  ASSERT_EQ(Begin(), 0);
  HostVolume bare = session_.HitOnRenderObject(session_.AddRenderObjectWithoutSource(4, nullptr), 2, 0.5, 0.5,
                                               HostVector{});
  ExpectKey(&bare, 0);
  // Source identity 0, plus 1, plus the origin's chain 20 + 100.
  HostVolume withOrigin = session_.HitOnRenderObject(session_.AddRenderObjectWithoutSource(4, child), 2, 0.5, 0.5,
                                                     HostVector{});
  ExpectKey(&withOrigin, 121);
}

TEST_F(ColourHitsTest, NegativePolygonNumbersGroupTowardsZero) {
  SetUpHue(4);
  HostNode* object = AddObject("a", 10);
  HostNode* small = AddObject("b", 1);
  ASSERT_EQ(Begin(), 0);
  // Twice the identity 10, plus (-5 / 4, truncated) x 4 = -4.
  HostVolume vd = session_.HitOnPolygon(object, -5, 0.5, 0.5, HostVector{});
  ExpectKey(&vd, 16);
  // 2 + (-8) = -6 wraps to entry 15994.
  vd = session_.HitOnPolygon(small, -9, 0.5, 0.5, HostVector{});
  ExpectKey(&vd, 15994);
}

}  // namespace
}  // namespace ombrel::test
