// Tests of the tile pattern: the table's draw order replayed from the generator,
// sample location, joints, turns, polygon and object modes, hostile inputs.
#include "../../source/common/polygon_group.h"
#include "../../source/common/seeded_random.h"
#include "../../source/common/tile_pattern.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <limits>
#include <memory>

// Counts every allocation of this test program, to show the pattern takes none.
namespace
{
std::atomic<long> gNewCalls{0};
}
void* operator new(std::size_t size)
{
    ++gNewCalls;
    void* p = std::malloc(size ? size : 1);
    if (!p)
        std::abort();
    return p;
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace
{
const double kPi = 3.14159265358979323846;
const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

static_assert(offsetof(TileCell, flipV) < offsetof(TileCell, quarterTurn) &&
                  offsetof(TileCell, quarterTurn) < offsetof(TileCell, rowShift) &&
                  offsetof(TileCell, brightnessFactor) < offsetof(TileCell, texture),
              "cell fields keep their stored order");
static_assert(sizeof(TileTable) == sizeof(TileCell) * 333 * 333, "a plain embedded array");

int gTex[3];
const void* const kTextures[3] = {&gTex[0], &gTex[1], &gTex[2]};

// Parameters for the build; Build derives the settings from them, which a test may then change.
struct Fixture
{
    std::unique_ptr<TileTable> table{new TileTable};
    TileParameters parameters;
    TileSettings settings;
    void Build(int32_t count = 3)
    {
        settings = DeriveTileSettings(parameters);
        BuildTileTable(*table, parameters, kTextures, count);
    }
    TileLocation At(double pu, double pv, int32_t flags = 0, const TileHit& hit = TileHit()) const
    {
        return LocateSample(*table, settings, pu, pv, 0.25, flags, hit);
    }
};

TEST(TilePatternTest, FirstTwoRowsFollowTheDrawOrder)
{
    for (int flips = 0; flips < 4; ++flips)
    {
        Fixture f;
        TileParameters& p = f.parameters;
        p.randomFlipU = flips & 1;
        p.randomFlipV = flips & 2;
        p.randomRotate = flips != 2;
        p.checkerRotate = flips >= 2;
        p.saturationVariation = 0.7;
        p.brightnessVariation = 0.3;
        p.rowOffset = 0.5;
        p.rowOffsetVariation = 0.3;
        p.rowDrift = 0.1;
        p.rowDriftVariation = 0.2;
        p.jointWidth = 0.3;
        p.jointRatio = 0.7;
        p.tileRotation = 0.1;
        f.Build();

        // Replay rows 0 and 1 straight from the generator.
        SeededRandom rng;
        rng.Init(666);
        rng.Get01();
        int64_t sum = 0;
        for (int b = 0; b < 2; ++b)
        {
            const double base = b == 1 ? 0.5 + rng.Get11() * 0.5 * 0.3 : 0.0;
            const double X = b * 0.1;
            const double r = rng.Get11();
            const float shift = static_cast<float>(base + (r * 0.5 * 0.2 * X + 1.0) * X);
            for (int a = 0; a < 333; ++a)
            {
                const bool flipU = p.randomFlipU ? rng.Get01() < 0.5 : false;
                const bool flipV = p.randomFlipV ? rng.Get01() < 0.5 : false;
                const double y = rng.Get01();
                sum = static_cast<int64_t>(rng.Get01() * 3 + static_cast<double>(sum));
                const double g = rng.GetG11();
                const TileCell& c = f.table->At(a, b);
                SCOPED_TRACE(testing::Message() << "flips " << flips << " cell " << a << "," << b);
                ASSERT_EQ(shift, c.rowShift);
                ASSERT_EQ(flipU, c.flipU != 0);
                ASSERT_EQ(flipV, c.flipV != 0);
                ASSERT_EQ(kTextures[sum % 3], c.texture);
                ASSERT_EQ(static_cast<float>(0.3 * 0.7), c.jointWidthU);
                ASSERT_EQ(0.3f, c.jointWidthV);
                ASSERT_EQ(static_cast<float>(static_cast<double>(0.1f) * kPi), c.rotation);
                ASSERT_EQ(static_cast<float>(static_cast<double>(0.7f) * g + 1), c.saturationFactor);
                ASSERT_EQ(static_cast<float>(std::fmod(g + y, 1.0) * static_cast<double>(0.3f) + 1),
                          c.brightnessFactor);
                const bool rr = p.randomRotate;
                const int turn = p.checkerRotate ? ((a + b) % 2 ? 0 : rr && y >= 0.5 ? 2 : 1)
                                                    : (rr && y < 0.5 ? (y < 0.25 ? 1 : 2) : 0);
                ASSERT_EQ(turn, c.quarterTurn);
            }
        }
    }
}

TEST(TilePatternTest, GaussianFactorsComeInPolarPairs)
{
    // Seed 666, no flips: one discard, the row's drift draw, then y and t; the
    // first cell draws a fresh pair, the second uses its spare without stepping.
    Fixture f;
    f.parameters.gammaVariation = 1.0;
    f.Build();
    SeededRandom rng;
    rng.Init(666);
    for (int i = 0; i < 3; ++i)
        rng.Get01();
    const double t = rng.Get01();
    double u1, u2, w;
    do
    {
        u1 = rng.Get11();
        u2 = rng.Get11();
        w = u1 * u1 + u2 * u2;
    } while (!(w > 0.0 && w < 1.0));
    const double k = std::sqrt(std::log(w) * -2.0 / w);
    EXPECT_EQ(static_cast<float>(k * u2 * 0.18 + 1), f.table->At(0, 0).gammaFactor);
    EXPECT_EQ(static_cast<float>(k * u1 * 0.18 + 1), f.table->At(1, 0).gammaFactor);
    // One tile over the texture range: cell (0, 0) holds entry trunc(t * n).
    EXPECT_EQ(kTextures[static_cast<int>(t * 3)], f.At(0.5, 0.5).cell->texture);
}

TEST(TilePatternTest, EmptyListsGiveBareTilesWithJoints)
{
    Fixture f;
    f.parameters.jointWidth = 0.25;
    f.Build();
    BuildTileTable(*f.table, f.parameters, nullptr, 5);
    for (int i = 0; i < 333 * 333; ++i)
        ASSERT_EQ(nullptr, f.table->cells[i].texture);
    f.Build(0);
    EXPECT_EQ(nullptr, f.table->At(332, 332).texture);
    EXPECT_TRUE(f.At(0.0625, 0.5).inJoint);
}

TEST(TilePatternTest, LocatesTilesWithRowOffsetWrapAndMirror)
{
    Fixture f;
    f.parameters.columns = 4;
    f.parameters.rows = 2;
    f.parameters.rowOffset = 0.5;
    f.Build();
    struct Case { double pu, pv; int32_t flags; int32_t a, b; double u, v; };
    const Case cases[] = {
        {0.3, 0.25, 0, 1, 0, 0.2, 0.5},      // even row: no shift
        {0.3, 0.75, 0, 0, 1, 0.7, 0.5},      // odd row shifted by half a tile
        {-0.05, -0.3, 0, 332, 332, 0.8, 0.4}, // negative: wraps, stays inside the tile
        {0.3, -0.75, 0, 0, 331, 0.7, 0.5},   // row -2 is odd row 331
        {83.55, 167.25, 0, 0, 1, 0.7, 0.5},  // 333 tiles further: the same tile
        {0.3125, 0.25, 2, 1, 0, 0.75, 0.5},  // mirror: 1.25 folds to 0.75, the index stays
        {-0.0625, 0.25, 2, 332, 0, 0.25, 0.5},
        {0.3125, 0.625, 2, 0, 1, 0.75, 0.75},
        {0.625, 0.25, 2, 2, 0, 0.5, 0.5},
        {2.5e9, 0.25, 0, 10, 0, 0.0, 0.5},   // column 1e10, beyond 32 bits: 1e10 mod 333
        {-2.5e9, 0.25, 0, 323, 0, 0.0, 0.5},
        {536870911.625, 0.25, 0, 279, 0, 0.5, 0.5},   // column 2147483646.5, just inside 32 bits
        {-536870911.875, 0.25, 0, 52, 0, 0.5, 0.5},   // column -2147483647.5: floor -2^31
        {1e20, 0.25, 0, 67, 0, 0.0, 0.5},    // far beyond 32 bits: still exact
        {-1e20, 0.25, 0, 266, 0, 0.0, 0.5},
    };
    for (const Case& c: cases)
    {
        const TileLocation l = f.At(c.pu, c.pv, c.flags);
        SCOPED_TRACE(testing::Message() << c.pu << "," << c.pv);
        EXPECT_FALSE(l.early);
        EXPECT_EQ(c.a, l.a);
        EXPECT_EQ(c.b, l.b);
        EXPECT_EQ(&f.table->At(c.a, c.b), l.cell);
        EXPECT_NEAR(c.u, l.u, 1e-9);
        EXPECT_NEAR(c.v, l.v, 1e-9);
        EXPECT_EQ(0.25, l.w);
        EXPECT_FALSE(l.inJoint);
    }
}

TEST(TilePatternTest, JointWeightsFollowBiasClampAndNoise)
{
    struct Case { double width, ratio, bias, noiseScale, noise, pu, pv; bool in; double weight; };
    const double half = std::sqrt(0.5); // sin(pi/4): halfway through a joint
    const Case cases[] = {
        {0.25, 1, 0.5, 1000, 0, 0.0625, 0.5, true, half},
        {0.25, 1, 0.5, 1000, 0, 0.9375, 0.5, true, half},
        {0.25, 1, 0.5, 1000, 0, 0.5, 0.9375, true, half},
        {0.25, 1, 0.5, 1000, 0, 0.0, 0.5, true, 1.0},
        {0.25, 1, 0.5, 1000, 0, 0.125, 0.5, true, 0.0}, // inner edge: in the joint, weight 0
        {0.25, 1, 0.5, 1000, 0, 0.5, 0.5, false, 0.0},
        {0.25, 1, 0.0, 1000, 0, 0.125, 0.5, true, half}, // bias 0: all on the left
        {0.25, 1, 0.0, 1000, 0, 0.9375, 0.5, false, 0.0},
        {0.25, 1, 1.0, 1000, 0, 0.875, 0.5, true, half}, // bias 1: all on the right
        {0.25, 1, 1.0, 1000, 0, 0.125, 0.5, false, 0.0},
        {3.0, 1, 0.5, 1000, 0, 0.5, 0.5, true, std::sin(kPi / 3)}, // U bounds unclamped
        {3.0, 0.01, 0.5, 1000, 0, 0.5, 0.5, true, half},           // V bounds clamped
        {0.25, 1, 0.5, 499.99, 0.5, 0.0375, 0.5, true, half},      // noise: width 0.15
        {0.25, 1, 0.5, 500, 0.5, 0.0375, 0.5, true, std::sin(0.7 * kPi / 2)}, // noise off
    };
    for (const Case& c: cases)
    {
        Fixture f;
        TileParameters& p = f.parameters;
        p.jointWidth = c.width;
        p.jointRatio = c.ratio;
        p.jointBiasX = p.jointBiasY = c.bias;
        p.jointNoiseScale = c.noiseScale * 10;
        f.Build();
        TileHit hit;
        hit.hasContext = true;
        hit.noise = c.noise;
        EXPECT_EQ(c.noiseScale < 500, NeedsJointNoise(f.settings, true));
        EXPECT_FALSE(NeedsJointNoise(f.settings, false));
        const TileLocation l = f.At(c.pu, c.pv, 0, hit);
        SCOPED_TRACE(testing::Message() << c.width << " " << c.bias << " " << c.pu << "," << c.pv);
        EXPECT_EQ(c.in, l.inJoint);
        EXPECT_NEAR(c.weight, l.jointWeight, 1e-12);
    }
}

TEST(TilePatternTest, FitInsideSqueezesTheFaceBetweenJoints)
{
    Fixture f;
    f.parameters.jointWidth = 0.25;
    f.parameters.fitTextureInsideJoints = true;
    f.Build();
    const TileLocation l = f.At(0.3125, 0.5);
    EXPECT_DOUBLE_EQ(0.25, l.u);
    EXPECT_DOUBLE_EQ(0.5, l.v);
    EXPECT_EQ(0.0, f.At(0.0625, 0.5).u);
}

TEST(TilePatternTest, TurnsRotationAndStretch)
{
    Fixture f;
    f.Build();
    TileCell& cell = f.table->At(0, 0);
    const double u = 0.25, v = 0.375;
    auto turn = [](double x, double y, double angle, double& ox, double& oy) {
        ox = 0.5 + std::cos(angle) * (x - 0.5) + std::sin(angle) * (y - 0.5);
        oy = 0.5 - std::sin(angle) * (x - 0.5) + std::cos(angle) * (y - 0.5);
    };
    double eu, ev;
    cell.quarterTurn = 1;
    turn(0.01, 0.1, -kPi / 2, eu, ev);
    TileLocation l = f.At(0.01, 0.1);
    EXPECT_EQ(eu, l.u); // the float evaluation of the turn, to the bit: not exactly (1 - v, u)
    EXPECT_EQ(ev, l.v);
    EXPECT_NEAR(0.9, l.u, 1e-15);
    EXPECT_NEAR(0.01, l.v, 1e-15);

    // Aspect 2 without stretch: the point sits at (0.25, 0.75) of row 0.
    f.settings.stretch = false;
    f.settings.tileAspect = 2;
    EXPECT_NEAR(0.25 * 0.5, f.At(u, v).u, 1e-15); // turned: U takes the aspect
    f.settings.textureTurn = 1;                   // a second turn: V takes it again
    l = f.At(u, v);
    EXPECT_NEAR(0.25, l.u, 1e-15);
    EXPECT_NEAR(0.75 * 0.5, l.v, 1e-15);
    f.settings.tileAspect = 0; // rows collapse to v = 0; no inverse, so nothing is scaled
    l = f.At(u, v);
    EXPECT_NEAR(0.25, l.u, 1e-15);
    EXPECT_NEAR(0.0, l.v, 1e-15);

    f.settings = DeriveTileSettings(f.parameters);
    cell.quarterTurn = 0;
    cell.rotation = 0.5f;
    turn(u, v, 0.5f, eu, ev);
    l = f.At(u, v);
    EXPECT_EQ(eu, l.u);
    EXPECT_EQ(ev, l.v);
    cell.rotation = 0;
    f.settings.textureTurn = 2;
    l = f.At(u, v);
    EXPECT_NEAR(1 - v, l.u, 1e-15);
    EXPECT_NEAR(u, l.v, 1e-15);
}

TEST(TilePatternTest, PolygonModeAndGroupShortcut)
{
    Fixture f;
    f.parameters.mode = kTileModePolygon;
    f.parameters.randomFlipU = f.parameters.randomFlipV = f.parameters.randomRotate = true;
    f.Build();
    TileHit hit;
    hit.hasContext = hit.hasHit = hit.hasRenderObject = hit.hasSource = true;
    hit.renderIndex = 5;
    hit.sourceIdentity = 10; // base 5 + 30 - 1 = 34
    hit.cornerWeights[0] = 0.125;
    hit.cornerWeights[1] = 0.25;
    hit.cornerWeights[3] = 0.5;
    struct Case { int32_t polygon, group, identity, a, b; };
    const Case cases[] = {
        {700, 1, 10, 66, 36},   // (34 + 700 - 2), (34 + 2)
        {700, 3, 10, 65, 36},   // group start 699
        {700, 1, -100, 69, 39}, // base 5 - 300 - 1: both wrap to non-negative
    };
    for (const Case& c: cases)
    {
        hit.polygon = c.polygon;
        hit.sourceIdentity = c.identity;
        f.settings.polygonGroup = c.group;
        const TileLocation l = f.At(9.7, 9.7, 0, hit);
        EXPECT_EQ(c.a, l.a);
        EXPECT_EQ(c.b, l.b);
        // The cell's flips and turn act on the corner point, then again as on any tile.
        double x = 0.375, y = 0.625;
        for (int twice = 0; twice < 2; ++twice)
        {
            x = l.cell->flipU ? 1 - x : x;
            y = l.cell->flipV ? 1 - y : y;
            const double t = x;
            x = l.cell->quarterTurn == 1 ? 1 - y : l.cell->quarterTurn == 2 ? y : x;
            y = l.cell->quarterTurn == 1 ? t : l.cell->quarterTurn == 2 ? 1 - t : y;
        }
        EXPECT_NEAR(x, l.u, 1e-15);
        EXPECT_NEAR(y, l.v, 1e-15);
        EXPECT_EQ(0.0, l.w);
    }
    int turned = 0;
    for (hit.polygon = 0; hit.polygon < 60; ++hit.polygon)
        turned += f.At(0, 0, 0, hit).cell->quarterTurn != 0;
    EXPECT_GT(turned, 10);

    hit.hasHit = false; // no hit: UV tiles, the sample's own w
    EXPECT_EQ(0.25, f.At(0.7, 0.2, 0, hit).w);

    // The shortcut: UV mode, groups of 3, a hit.
    f.parameters = TileParameters();
    f.parameters.polygonGroup = 3;
    f.Build();
    hit.hasHit = true;
    hit.polygon = 7;
    TileLocation l = f.At(0.5, 0.5, 0, hit);
    EXPECT_TRUE(l.early);
    EXPECT_EQ(f.table->At(6, 0).texture, l.earlyTexture);
    EXPECT_EQ(l.earlyTexture, PolygonGroupTexture(*f.table, f.settings, hit));
    hit.polygon = -7; // group start -6 wraps to 327
    EXPECT_EQ(f.table->At(327, 0).texture, f.At(0.5, 0.5, 0, hit).earlyTexture);
    hit.hasContext = false;
    EXPECT_FALSE(f.At(0.5, 0.5, 0, hit).early);
    hit.hasContext = true;
    f.Build(0); // no texture in the cell: the normal path
    EXPECT_FALSE(f.At(0.5, 0.5, 0, hit).early);
}

TEST(TilePatternTest, ObjectNumberSumsTheSourceChain)
{
    TileHit hit;
    hit.hasRenderObject = hit.hasSource = hit.hasOrigin = true;
    hit.sourceIdentity = 7;
    hit.sourceChainIdentity = 7 + 20 + 300;
    EXPECT_EQ(0, ObjectNumber(hit)); // no render context
    hit.hasContext = true;
    EXPECT_EQ(327 + 8, ObjectNumber(hit));
    hit.hasOrigin = false;
    EXPECT_EQ(327, ObjectNumber(hit));
    hit.sourceChainIdentity = INT32_MAX;
    hit.hasOrigin = true;
    EXPECT_EQ(INT32_MIN + 7, ObjectNumber(hit)); // wraps
    hit.hasSource = false;
    EXPECT_EQ(1, ObjectNumber(hit));
    hit.hasRenderObject = false;
    EXPECT_EQ(0, ObjectNumber(hit));
}

TEST(TilePatternTest, DerivedSettings)
{
    TileParameters p;
    p.mode = kTileModeObject;
    p.checkerRotate = true;
    p.jointWidth = 0.1;
    p.fitTextureInsideJoints = true;
    p.jointNoiseScale = 3;
    p.jointBiasX = -2;
    p.jointBiasY = 0.25;
    p.textureRotation = 7;
    TileSettings s = DeriveTileSettings(p);
    EXPECT_FALSE(CheckerTurnsApply(p));
    p.mode = kTileModeUv;
    EXPECT_TRUE(CheckerTurnsApply(p));
    EXPECT_TRUE(s.jointsOn && s.fitInside);
    EXPECT_DOUBLE_EQ(0.3, s.noiseScale);
    EXPECT_EQ(1.0, s.jointLeft);
    EXPECT_EQ(0.0, s.jointRight);
    EXPECT_EQ(0.25, s.jointBottom);
    EXPECT_EQ(0.75, s.jointTop);
    EXPECT_EQ(0, s.textureTurn);
    p.jointWidth = kNaN;
    s = DeriveTileSettings(p);
    EXPECT_FALSE(s.jointsOn || s.fitInside);
    p.jointWidth = 0;
    EXPECT_FALSE(DeriveTileSettings(p).jointsOn);
}

TEST(TilePatternTest, HostileValuesStayFiniteAndInRange)
{
    const double bad[] = {kNaN, kInf, -kInf, 1e300, -1e300, 0.0};
    for (double x: bad)
    {
        TileParameters p;
        p.tileAspect = p.jointWidth = p.jointRatio = p.tileRotation = x;
        p.saturationVariation = p.brightnessVariation = p.rowOffset = p.rowDrift = x;
        p.rowDriftVariation = p.jointBiasX = p.jointNoiseScale = x;
        p.columns = INT32_MIN;
        p.polygonGroup = INT32_MAX;
        p.randomFlipU = p.randomRotate = p.fitTextureInsideJoints = true;
        p.stretchTexture = false;
        Fixture f;
        f.parameters = p;
        f.Build();
        TileHit hit;
        hit.hasContext = hit.hasHit = hit.hasRenderObject = hit.hasSource = true;
        hit.polygon = INT32_MIN;
        hit.renderIndex = INT32_MIN;
        hit.sourceIdentity = INT32_MAX;
        hit.noise = x;
        hit.cornerWeights[0] = x;
        for (int32_t mode = 0; mode < 6; ++mode)
        {
            f.settings.mode = mode % 3;
            f.settings.polygonGroup = mode < 3 ? INT32_MAX : 1;
            for (double q: bad)
            {
                const TileLocation l = LocateSample(*f.table, f.settings, q, -q, q, 2, hit);
                ASSERT_TRUE(l.a >= 0 && l.a < 333 && l.b >= 0 && l.b < 333);
                ASSERT_TRUE(std::isfinite(l.u) && std::isfinite(l.v) && std::isfinite(l.w));
                ASSERT_TRUE(l.jointWeight >= 0.0 && l.jointWeight <= 1.0);
            }
        }
    }
}

TEST(TilePatternTest, NothingIsAllocated)
{
    Fixture f;
    f.parameters.randomFlipU = f.parameters.randomRotate = true;
    f.parameters.jointWidth = 0.1;
    TileHit hit;
    hit.hasContext = hit.hasHit = true;
    const long before = gNewCalls.load();
    f.Build();
    double sum = 0.0;
    for (int i = 0; i < 1000; ++i)
        sum += f.At(i * 0.37, i * 0.11, i & 2, hit).u;
    EXPECT_EQ(before, gNewCalls.load());
    EXPECT_TRUE(std::isfinite(sum));
}
TEST(TilePatternTest, PolygonGroupsStartAtMultiplesTowardZero)
{
    struct Case { int32_t polygon, group, start; };
    const Case cases[] = {
        {7, 3, 6}, {6, 3, 6}, {5, 3, 3}, {-7, 3, -6}, {-2, 3, 0}, // truncation toward zero
        {9, 0, 9},                                                 // no grouping
        {7, -3, 6},                                                // a negative group size groups alike
        {INT32_MIN, -1, INT32_MIN},                                // the one quotient beyond 32 bits
        {INT32_MAX, INT32_MAX, INT32_MAX}, {INT32_MIN, INT32_MAX, -INT32_MAX}, {INT32_MAX, INT32_MIN, 0},
    };
    for (const Case& c: cases)
        EXPECT_EQ(c.start, ombrel::PolygonGroupStart(c.polygon, c.group)) << c.polygon << " / " << c.group;
}
// The noise is fetched only for samples a joint can reach, and a fetched noise gives what a
// given one does. Width 0.25 split evenly: with any noise the joints stay within 0.125 of the
// border.
TEST(TilePatternTest, JointNoiseIsFetchedOnlyWithinReachOfAJoint)
{
    struct Fetch
    {
        double noise;
        int calls;
    };
    auto fetch = [](const void* context) {
        Fetch* f = const_cast<Fetch*>(static_cast<const Fetch*>(context));
        ++f->calls;
        return f->noise;
    };
    for (bool fit: {false, true})
    {
        Fixture f;
        f.parameters.jointWidth = 0.25;
        f.parameters.jointNoiseScale = 1.0;
        f.parameters.fitTextureInsideJoints = fit;
        f.Build();
        struct Case { double pu, pv; bool reachable; };
        const Case cases[] = {
            {0.5, 0.5, false}, {0.13, 0.5, false}, {0.5, 0.86, false},
            {0.12, 0.5, true}, {0.5, 0.9, true}, {0.99, 0.01, true},
        };
        for (const Case& c: cases)
        {
            SCOPED_TRACE(testing::Message() << fit << " " << c.pu << "," << c.pv);
            Fetch counter{0.75, 0};
            TileHit lazy;
            lazy.hasContext = true;
            lazy.fetchNoise = fetch;
            lazy.noiseContext = &counter;
            TileHit given;
            given.hasContext = true;
            given.noise = 0.75;
            const TileLocation a = f.At(c.pu, c.pv, 0, lazy);
            const TileLocation b = f.At(c.pu, c.pv, 0, given);
            EXPECT_EQ(fit || c.reachable ? 1 : 0, counter.calls);
            EXPECT_EQ(b.inJoint, a.inJoint);
            EXPECT_EQ(b.jointWeight, a.jointWeight);
            EXPECT_EQ(b.u, a.u);
            EXPECT_EQ(b.v, a.v);
        }
    }
}
} // namespace
