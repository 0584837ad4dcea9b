// Tests of the UV transform: the two wraps, the corner patch with each effect, quad placement
// and its triangles, and coordinates far outside the 32-bit range. Expected values are worked
// out by hand from the geometry (or, for the bias curve, from its closed form).
#include "../../source/common/uv_transform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

const double kPi = 3.141592653589793;
const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

// The transformed point, or (-9, -9) for no sample.
UvPoint Map(const UvTransformSettings& st, double u, double v, bool mirror = false, double w = 0.0) {
  UvPoint out{-9.0, -9.0, -9.0};
  if (!TransformUv(st, UvPoint{u, v, w}, mirror, out)) return UvPoint{-9.0, -9.0, -9.0};
  return out;
}

void ExpectPoint(const UvPoint& got, double u, double v, double tolerance = 0.0) {
  EXPECT_NEAR(got.u, u, tolerance);
  EXPECT_NEAR(got.v, v, tolerance);
  EXPECT_EQ(got.w, got.u == -9.0 ? -9.0 : 0.0);
}

UvTransformSettings Quad() {
  UvTransformSettings st;
  st.placeInQuad = 1;
  return st;
}

TEST(UvWrap, TileAndMirrorTruncateTowardZero) {
  EXPECT_EQ(TileWrap(1.0), 0.0);
  EXPECT_EQ(TileWrap(-0.25), 0.75);
  EXPECT_EQ(TileWrap(2.75), 0.75);
  EXPECT_EQ(TileWrap(-3.5), 0.5);
  EXPECT_EQ(MirrorWrap(-0.25), 0.25);
  EXPECT_EQ(MirrorWrap(1.25), 0.75);
  EXPECT_EQ(MirrorWrap(2.5), 0.5);
  EXPECT_EQ(MirrorWrap(1.0), 1.0);
  EXPECT_EQ(MirrorWrap(-1.0), 1.0);
  EXPECT_EQ(MirrorWrap(3.25), 0.75);  // a backward repeat
}

TEST(UvWrap, EdgesOfTheIntegerRangeAndBeyond) {
  // The last values whose truncation fits in 32 bits still wrap exactly.
  EXPECT_EQ(TileWrap(2147483647.5), 0.5);
  EXPECT_EQ(TileWrap(-2147483647.75), 0.25);
  // Twice the truncation of 2147483647.75 passes 2^31: computed without overflow.
  EXPECT_EQ(MirrorWrap(4294967295.5), 0.5);
  for (double x : {2147483648.0, 1e10, -1e10, 1e300, kInf, -kInf, kNaN}) {
    EXPECT_EQ(TileWrap(x), 0.0) << x;
  }
  for (double x : {4294967296.0, 1e10, -1e10, kInf, -kInf, kNaN}) {
    EXPECT_EQ(MirrorWrap(x), 0.0) << x;
  }
}

TEST(UvCornerMapping, DefaultsWrapByTilingOrMirroring) {
  const UvTransformSettings st;
  ExpectPoint(Map(st, 0.25, 0.75, false, 0.3), 0.25, 0.75);
  ExpectPoint(Map(st, 1.0, 0.5), 0.0, 0.5);
  ExpectPoint(Map(st, -0.25, 0.5), 0.75, 0.5);
  ExpectPoint(Map(st, -0.25, 0.5, true), 0.25, 0.5);
  ExpectPoint(Map(st, 1.25, 0.5, true), 0.75, 0.5);
  ExpectPoint(Map(st, 2.5, 0.5, true), 0.5, 0.5);
  // The mirror keeps 1.0; the second, tiling wrap still makes it 0.
  ExpectPoint(Map(st, 1.0, 0.5, true), 0.0, 0.5);
  // The unit square's patch is the identity, exactly: its weights alone, u (1 - v) + u v, would
  // round this u down in the last bit.
  ExpectPoint(Map(st, 0.9313970874327678, 0.2647215869825922), 0.9313970874327678, 0.2647215869825922);
  ExpectPoint(Map(st, 1.9313970874327678, -0.7352784130174078), 1.9313970874327678 - 1.0, 1.0 - 0.7352784130174078);
}

TEST(UvCornerMapping, CornersSpanABilinearPatch) {
  UvTransformSettings st;
  st.corners[0] = UvPoint{0.1, 0.2, 0.0};
  st.corners[1] = UvPoint{0.9, 0.1, 0.0};
  st.corners[2] = UvPoint{0.8, 0.95, 0.0};
  st.corners[3] = UvPoint{0.2, 0.7, 0.0};
  ExpectPoint(Map(st, 0.0, 0.0), 0.1, 0.2);
  ExpectPoint(Map(st, 0.5, 0.0), 0.5, 0.15, 1e-15);        // halfway along corners 1-2
  ExpectPoint(Map(st, 0.5, 0.5), 0.5, 0.4875, 1e-15);      // the mean of the corners
  // Weights 0.1875, 0.0625, 0.1875, 0.5625 for corners 1 to 4.
  ExpectPoint(Map(st, 0.25, 0.75), 0.3375, 0.615625, 1e-15);
}

TEST(UvCornerMapping, BulgeStretchesAboutTheCentre) {
  UvTransformSettings st;
  st.bulge = 1.0;
  ExpectPoint(Map(st, 0.75, 0.5), 0.765625, 0.5);
  st.bulge = 2.0;
  // f = (1 + 2 * 0.0625)^2 = 1.265625 at (-0.25, 0.25) from the centre.
  ExpectPoint(Map(st, 0.25, 0.75), 0.18359375, 0.81640625);
  // Pushed past the edge, the result repeats: x = 0.4, f = 1 + 4 * 0.16 = 1.64, u = 1.156.
  st.bulge = 4.0;
  ExpectPoint(Map(st, 0.9, 0.5), 0.156, 0.5, 1e-15);
}

TEST(UvCornerMapping, BiasCurvesSwingWithTheirPhase) {
  UvTransformSettings st;
  st.biasV = 1.0;  // parameter 1
  ExpectPoint(Map(st, 0.3, 0.5), 0.3, 0.7397127693021015, 1e-16);
  ExpectPoint(Map(st, 0.3, 0.0), 0.3, 0.0);
  st.biasV = 0.0;  // parameter -1: B = 0.5 - 0.5 sin 0.5
  ExpectPoint(Map(st, 0.3, 0.5), 0.3, 0.2602872306978985, 1e-16);
  // At v = 0.25 the exponent is ln 0.25 / ln 0.5 = 2: B squared, B = 0.5 + 0.5 sin 0.25 for +1.
  st.biasV = 1.0;
  ExpectPoint(Map(st, 0.3, 0.25), 0.3, 0.3890041593909649, 1e-15);
  // The u bias is independent, and a phase equal to u makes its sine 0: B = 0.5, u unchanged.
  st.biasV = 0.5;
  st.biasU = 1.0;
  st.phaseU = 0.5;
  ExpectPoint(Map(st, 0.5, 0.4), 0.5, 0.4, 1e-16);
  st.phaseU = 0.0;
  ExpectPoint(Map(st, 0.5, 0.4), 0.7397127693021015, 0.4, 1e-16);
}

TEST(UvCornerMapping, RotationAndWaveTurnAboutTheCentre) {
  UvTransformSettings st;
  st.rotation = kPi / 2;
  ExpectPoint(Map(st, 0.75, 0.5), 0.5, 0.75, 1e-15);
  st.rotation = kPi;
  ExpectPoint(Map(st, 0.75, 0.25), 0.25, 0.75, 1e-15);
  st.rotation = 0.0;
  st.wave = kPi / 2;
  ExpectPoint(Map(st, 0.75, 0.5), 0.5, 0.75, 1e-15);
  ExpectPoint(Map(st, 0.75, 0.0), 0.75, 0.0, 1e-15);  // sin 0
  ExpectPoint(Map(st, 0.75, 1.0), 0.75, 0.0, 1e-15);  // sin pi, and v wraps to 0
  // The wave reads v before it is wrapped: at 1.5 the sine is -1, so the turn is -pi/2.
  ExpectPoint(Map(st, 0.75, 1.5), 0.5, 0.25, 1e-15);
  // Rotation first, then the wave: pi/2 and pi/2 make a half turn.
  st.rotation = kPi / 2;
  ExpectPoint(Map(st, 0.75, 0.5), 0.25, 0.5, 1e-15);
}

TEST(UvCornerMapping, EffectsThatAreOffAreNotEvaluated) {
  // NaN phases and corners that no weight reaches would poison any step that touched them.
  UvTransformSettings st;
  st.phaseU = kNaN;
  st.phaseV = kNaN;
  ExpectPoint(Map(st, 0.25, 0.75), 0.25, 0.75);
  st.biasU = 1.0;
  st.biasV = 1.0;
  ExpectPoint(Map(st, 0.0, 0.0), 0.0, 0.0);  // a bias leaves a coordinate of 0 alone
}

TEST(UvCornerMapping, CoordinatesBeyondTheIntegerRangeSampleTheOrigin) {
  UvTransformSettings st;
  ExpectPoint(Map(st, 1e10, 0.5), 0.0, 0.5);
  ExpectPoint(Map(st, -1e10, 0.5, true), 0.0, 0.5);
  ExpectPoint(Map(st, 0.25, kNaN), 0.25, 0.0);
  ExpectPoint(Map(st, kInf, -kInf), 0.0, 0.0);
  // Far away, the wave's sine is still a number; at infinity it is not, and nothing is sampled.
  st.wave = 0.5;
  EXPECT_TRUE(std::isfinite(Map(st, 0.3, 1e10).u));
  ExpectPoint(Map(st, 0.3, kInf), -9.0, -9.0);
  ExpectPoint(Map(st, 0.3, kNaN), -9.0, -9.0);
  // So do hostile settings.
  UvTransformSettings hostile;
  hostile.rotation = kInf;
  ExpectPoint(Map(hostile, 0.3, 0.3), -9.0, -9.0);
  hostile = UvTransformSettings();
  hostile.corners[2] = UvPoint{kNaN, 1.0, 0.0};
  ExpectPoint(Map(hostile, 0.3, 0.3), -9.0, -9.0);
}

TEST(UvQuadPlacement, DefaultCornersMirrorAlongU) {
  const UvTransformSettings st = Quad();
  ExpectPoint(Map(st, 0.25, 0.75), 0.75, 0.75);
  ExpectPoint(Map(st, 0.75, 0.25), 0.25, 0.25);  // triangle 1
  ExpectPoint(Map(st, 0.5, 0.5), 0.5, 0.5);
  ExpectPoint(Map(st, 1.5, 0.5), -9.0, -9.0);
  // Quad placement reads neither the mirror flag nor any effect, and no wrap applies.
  UvTransformSettings effects = Quad();
  effects.rotation = 1.0;
  effects.bulge = 2.0;
  effects.wave = 1.0;
  effects.biasU = 0.0;
  ExpectPoint(Map(effects, 0.25, 0.75, true, 5.0), 0.75, 0.75);
}

TEST(UvQuadPlacement, CornersLandOnTheirSquareCorners) {
  UvTransformSettings st = Quad();
  st.corners[0] = UvPoint{0.2, 0.1, 0.0};
  st.corners[1] = UvPoint{0.8, 0.2, 0.0};
  st.corners[2] = UvPoint{0.9, 0.9, 0.0};
  st.corners[3] = UvPoint{0.1, 0.8, 0.0};
  ExpectPoint(Map(st, 0.8, 0.2), 0.0, 0.0, 1e-15);
  ExpectPoint(Map(st, 0.9, 0.9), 0.0, 1.0, 1e-15);
  ExpectPoint(Map(st, 0.1, 0.8), 1.0, 1.0, 1e-15);
  ExpectPoint(Map(st, 0.2, 0.1), 1.0, 0.0, 1e-15);
  ExpectPoint(Map(st, 0.85, 0.55), 0.0, 0.5, 1e-15);  // halfway from corner 2 to corner 3
  ExpectPoint(Map(st, 0.5, 0.15), 0.5, 0.0, 1e-15);   // halfway from corner 2 to corner 1
}

TEST(UvQuadPlacement, EdgeToleranceDegenerateQuadsAndUnplaceablePoints) {
  UvTransformSettings st = Quad();
  // 0.00005 beyond the edge from corner 2 to corner 3 is still inside, with a weight below 0.
  ExpectPoint(Map(st, 1.00005, 0.5), -0.00005, 0.5, 1e-12);
  ExpectPoint(Map(st, 1.001, 0.5), -9.0, -9.0);
  ExpectPoint(Map(st, 0.5, 1.001), -9.0, -9.0);
  for (double x : {1e10, -1e10, kInf, kNaN}) {
    ExpectPoint(Map(st, x, 0.5), -9.0, -9.0);
    ExpectPoint(Map(st, 0.5, x), -9.0, -9.0);
  }
  // All four corners on one line: no triangle has an area.
  for (int i = 0; i < 4; ++i) st.corners[i] = UvPoint{0.25 * i, 0.5 * i, 0.0};
  for (double u : {0.0, 0.25, 0.5, 0.8}) ExpectPoint(Map(st, u, 2.0 * u), -9.0, -9.0);
}

TEST(UvTriangle, WeightsAndTheOrderOfTheQuadsTriangles) {
  const UvPoint a{0, 0, 0}, b{2, 0, 0}, c{0, 4, 0};
  TriangleWeights tw;
  ASSERT_TRUE(TriangleHit(UvPoint{0.5, 1.0, 7.0}, a, b, c, tw));  // w of the point plays no part
  EXPECT_DOUBLE_EQ(tw.s, 0.25);
  EXPECT_DOUBLE_EQ(tw.t, 0.25);
  EXPECT_FALSE(TriangleHit(UvPoint{1.5, 2.0, 0}, a, b, c, tw));  // s + t = 1.25
  // Point on the diagonal a-c: both triangles hold it; the first one answers.
  QuadWeights qw;
  ASSERT_TRUE(QuadHit(UvPoint{0, 2, 0}, a, b, c, UvPoint{-2, 2, 0}, qw));
  EXPECT_EQ(qw.triangle, 0);
  ASSERT_TRUE(QuadHit(UvPoint{-1, 2, 0}, a, b, c, UvPoint{-2, 2, 0}, qw));
  EXPECT_EQ(qw.triangle, 1);
  EXPECT_DOUBLE_EQ(qw.s, 0.25);  // weight of c - a
  EXPECT_DOUBLE_EQ(qw.t, 0.5);   // weight of d - a
}

}  // namespace
