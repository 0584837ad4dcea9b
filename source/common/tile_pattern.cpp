#include "tile_pattern.h"

#include "seeded_random.h"

#include <cfloat>
#include <cmath>
#include <limits>

namespace
{
const double kPi = 3.14159265358979323846;
const double kHalfPi = kPi * 0.5;

// cos and sin of the double nearest to pi/2, as IEEE libms return them. Fixed
// here so the quarter turns give the same last bits on every machine; the
// tiny cosine is why a quarter turn is not exactly (1 - v, u).
const double kCosQuarter = 6.123233995736766e-17;
const double kSinQuarter = 1.0;

const double kGrid = kTileGridSize;
const double kNoiseOff = 500.0;
const double kNaN = std::numeric_limits<double>::quiet_NaN();

// Joint noise keeps at least this share of the width.
const double kMinJointShare = 0.2;

// Double to float32 with IEEE round-to-nearest, including overflow to
// infinity, without relying on the cast for values out of float range.
float ToFloat32(double x)
{
    if (std::isnan(x))
        return std::numeric_limits<float>::quiet_NaN();
    if (x > FLT_MAX || x < -FLT_MAX)
    {
        // FLT_MAX plus half an ulp is the tie, which rounds to even: infinity.
        const double kTie = 0x1.ffffffp127;
        const float big = (x >= kTie || x <= -kTie) ? std::numeric_limits<float>::infinity() : FLT_MAX;
        return x > 0.0 ? big : -big;
    }
    return static_cast<float>(x);
}

double Clamp01(double x)
{
    if (x < 0.0)
        return 0.0;
    if (x > 1.0)
        return 1.0;
    if (x != x)
        return 0.0;
    return x;
}

double Finite(double x)
{
    return std::isfinite(x) ? x : 0.0;
}

// 32-bit wrap-around without signed overflow.
int32_t Wrap(uint32_t x)
{
    return static_cast<int32_t>(x);
}

int32_t Mod333(int32_t x)
{
    int32_t m = x % kTileGridSize;
    if (m < 0)
        m += kTileGridSize;
    return m;
}

// floor(x) modulo 333, non-negative. Exact for any finite x (the integer path
// covers the usual range, fmod the rest); non-finite x gives 0.
int32_t TileIndex(double x)
{
    if (!std::isfinite(x))
        return 0;
    const double f = std::floor(x);
    if (std::fabs(f) < 1e18)
    {
        int64_t m = static_cast<int64_t>(f) % kTileGridSize;
        if (m < 0)
            m += kTileGridSize;
        return static_cast<int32_t>(m);
    }
    double m = std::fmod(f, kGrid);
    if (m < 0.0)
        m += kGrid;
    return static_cast<int32_t>(m);
}

// Position inside the tile: x - trunc(x), moved into [0, 1] when negative.
double InTile(double x)
{
    if (!std::isfinite(x))
        return 0.0;
    double r = x - std::trunc(x);
    if (r < 0.0)
        r += 1.0;
    return r;
}

// Mirror repeat with period 2, for mirrored texture lookups.
double Fold(double x)
{
    if (!std::isfinite(x))
        return x;
    x = x - 2.0 * std::trunc(x * 0.5);
    if (x < 0.0)
        x += 2.0;
    if (x >= 1.0)
        x = 2.0 - x;
    return x;
}

// Turn (u, v) about the centre (0.5, 0.5) by the angle whose cosine and sine are given.
void Turn(double& u, double& v, double c, double s)
{
    const double du = u - 0.5;
    const double dv = v - 0.5;
    u = 0.5 + c * du + s * dv;
    v = 0.5 - s * du + c * dv;
}

void QuarterTurn(double& u, double& v, uint8_t code)
{
    if (code == 1)
        Turn(u, v, kCosQuarter, -kSinQuarter);
    else if (code == 2)
        Turn(u, v, kCosQuarter, kSinQuarter);
}

// fmod(x, 1.0) without the library call: x - trunc(x) is exact for every finite
// double and keeps the sign of x. Only the sign of a zero result can differ,
// and that vanishes once the remainder is scaled and 1 is added.
double Remainder1(double x)
{
    return x - std::trunc(x);
}

double JointEdge(double s)
{
    return std::fabs(std::sin(s * kHalfPi));
}

int32_t GroupStart(int32_t polygon, int32_t group)
{
    // group > 1, so neither the division nor the product can overflow.
    return (polygon / group) * group;
}
} // namespace

double Boxstep(double lo, double hi, double x)
{
    if (lo == hi)
        return x < lo ? 0.0 : 1.0;
    return Clamp01((x - lo) / (hi - lo));
}

TileSettings DeriveTileSettings(const TileParameters& p)
{
    TileSettings s;
    s.seed = p.seed;
    s.columns = p.columns;
    s.rows = p.rows;
    s.tileAspect = p.tileAspect;
    s.mode = p.mode;
    s.polygonGroup = p.polygonGroup;
    s.flipU = p.randomFlipU;
    s.flipV = p.randomFlipV;
    s.randomRotate = p.randomRotate;
    s.checker = p.checkerRotate && p.mode == kTileModeUv;
    // A width that is not finite would only produce NaN bounds: no joints then.
    s.jointsOn = p.jointWidth != 0.0 && std::isfinite(p.jointWidth);
    s.fitInside = s.jointsOn && p.fitTextureInsideJoints;
    s.noiseScale = p.jointNoiseScale != 0.0 ? p.jointNoiseScale / 10.0 : 0.0;
    const double x = Clamp01(p.jointBiasX);
    const double y = Clamp01(p.jointBiasY);
    s.jointLeft = 1.0 - x;
    s.jointRight = x;
    s.jointBottom = y;
    s.jointTop = 1.0 - y;
    s.stretch = p.stretchTexture;
    s.textureTurn = (p.textureRotation == 1 || p.textureRotation == 2) ? p.textureRotation : 0;
    s.rowOffset = p.rowOffset;
    s.rowOffsetVariation = p.rowOffsetVariation;
    s.rowDrift = p.rowDrift;
    s.rowDriftVariation = p.rowDriftVariation;
    s.jointWidth = p.jointWidth;
    s.jointRatio = p.jointRatio;
    s.tileRotation = p.tileRotation;
    s.saturationVariation = p.saturationVariation;
    s.gammaVariation = p.gammaVariation;
    s.brightnessVariation = p.brightnessVariation;
    return s;
}

void BuildTileTable(TileTable& table, const TileSettings& settings, const void* const* textures,
                    int32_t count)
{
    const int32_t n = (textures != nullptr && count > 0) ? count : 0;
    const double nReal = n;

    // The variations act at float precision, as stored.
    const double T = ToFloat32(settings.tileRotation);
    const double S = ToFloat32(settings.saturationVariation);
    const double G = ToFloat32(settings.gammaVariation);
    const double B = ToFloat32(settings.brightnessVariation);
    const double R1 = settings.rowOffset;
    const double R2 = settings.rowOffsetVariation;
    const double R3 = settings.rowDrift;
    const double R4 = settings.rowDriftVariation;

    const float jointWidthU = ToFloat32(settings.jointWidth * settings.jointRatio);
    const float jointWidthV = ToFloat32(settings.jointWidth);
    const float rotation = ToFloat32(T * kPi);

    SeededRandom rng;
    rng.Init(settings.seed);
    rng.Get01();

    // Running sum of the texture picks. 64 bits: it reaches 110889 * n, beyond
    // 32 bits for long lists, and stays exact in a double for any int32 count.
    int64_t sum = 0;

    for (int32_t b = 0; b < kTileGridSize; ++b)
    {
        double base = 0.0;
        if (b & 1)
            base = R1 + rng.Get11() * R1 * R2;
        const double X = b * R3;
        const double r = rng.Get11();
        const float rowShift = ToFloat32(base + (r * 0.5 * R4 * X + 1.0) * X);

        for (int32_t a = 0; a < kTileGridSize; ++a)
        {
            TileCell& cell = table.At(a, b);
            cell.rowShift = rowShift;
            cell.flipU = settings.flipU ? static_cast<uint8_t>(rng.Get01() < 0.5) : 0;
            cell.flipV = settings.flipV ? static_cast<uint8_t>(rng.Get01() < 0.5) : 0;

            const double y = rng.Get01();

            const double t = rng.Get01();
            if (n > 0)
            {
                // 0 <= t * n + sum < 2^53: the conversion is exact and in range.
                sum = static_cast<int64_t>(t * nReal + static_cast<double>(sum));
                cell.texture = textures[sum % n];
            }
            else
            {
                cell.texture = nullptr;
            }

            cell.jointWidthU = jointWidthU;
            cell.jointWidthV = jointWidthV;
            cell.rotation = rotation;

            const double g = rng.GetG11();
            cell.saturationFactor = ToFloat32(S * g + 1.0);
            cell.gammaFactor = ToFloat32(G * g + 1.0);
            // The remainder keeps the sign of g + y, so the factor may fall below 1.
            cell.brightnessFactor = ToFloat32(Remainder1(g + y) * B + 1.0);

            uint8_t turn = 0;
            if (!settings.checker)
            {
                if (settings.randomRotate && y < 0.5)
                    turn = y < 0.25 ? 1 : 2;
            }
            else if ((a & 1) == (b & 1))
            {
                turn = (settings.randomRotate && y >= 0.5) ? 2 : 1;
            }
            cell.quarterTurn = turn;
        }
    }
}

bool NeedsJointNoise(const TileSettings& settings, bool hasContext)
{
    return settings.jointsOn && hasContext && settings.noiseScale < kNoiseOff;
}

const void* PolygonGroupTexture(const TileTable& table, const TileSettings& settings,
                                const TileHit& hit)
{
    if (!hit.hasContext || !hit.hasHit || settings.polygonGroup <= 1 || settings.mode != kTileModeUv)
        return nullptr;
    const int32_t a = Mod333(GroupStart(hit.polygon, settings.polygonGroup));
    return table.At(a, 0).texture;
}

TileLocation LocateSample(const TileTable& table, const TileSettings& settings, double pu, double pv,
                          double pw, int32_t textureFlags, const TileHit& hit)
{
    TileLocation out;

    if (const void* texture = PolygonGroupTexture(table, settings, hit))
    {
        out.early = true;
        out.earlyTexture = texture;
        out.a = Mod333(GroupStart(hit.polygon, settings.polygonGroup));
        out.b = 0;
        out.cell = &table.At(out.a, 0);
        return out;
    }

    double u;
    double v;
    double w;
    int32_t a;
    int32_t b;

    if (settings.mode == kTileModePolygon && hit.hasContext && hit.hasHit)
    {
        uint32_t base = 0;
        if (hit.hasRenderObject && hit.hasSource)
            base = static_cast<uint32_t>(hit.renderIndex) + 3u * static_cast<uint32_t>(hit.sourceIdentity) - 1u;
        int32_t polygon = hit.polygon;
        if (settings.polygonGroup > 1)
            polygon = GroupStart(polygon, settings.polygonGroup);
        const uint32_t p = static_cast<uint32_t>(polygon);
        const uint32_t row = static_cast<uint32_t>(polygon / kTileGridSize);
        a = Mod333(Wrap(base + p - row));
        b = Mod333(Wrap(base + row));

        const double* cw = hit.cornerWeights;
        u = Finite(cw[0] + cw[1]);
        v = Finite((cw[0] + cw[3]) * settings.tileAspect);
        w = 0.0;

        const TileCell& cell = table.At(a, b);
        if (cell.flipU)
            u = 1.0 - u;
        if (cell.flipV)
            v = 1.0 - v;
        QuarterTurn(u, v, cell.quarterTurn);
    }
    else
    {
        double gu = pu * settings.columns;
        double gv = pv * settings.rows * settings.tileAspect;
        const int32_t a0 = TileIndex(gu);
        b = TileIndex(gv);
        gu = gu - table.At(a0, b).rowShift;
        a = TileIndex(gu);
        if (textureFlags & 2)
        {
            gu = Fold(gu);
            gv = Fold(gv);
        }
        u = InTile(gu);
        v = InTile(gv);
        w = Finite(pw);
    }

    const TileCell& cell = table.At(a, b);
    out.a = a;
    out.b = b;
    out.cell = &cell;

    if (settings.jointsOn)
    {
        const double uf = u;
        const double vf = v;
        double wu = cell.jointWidthU;
        double wv = cell.jointWidthV;
        if (settings.noiseScale < kNoiseOff && hit.hasContext)
        {
            const double n = hit.noise;
            wu = n * (wu - kMinJointShare * wu) + kMinJointShare * wu;
            wv = n * (wv - kMinJointShare * wv) + kMinJointShare * wv;
        }

        bool inJoint = false;
        double eu = 0.0;
        const double lo = wu * settings.jointLeft;
        const double hi = 1.0 - wu * settings.jointRight;
        if (uf <= lo)
        {
            inJoint = true;
            eu = JointEdge(Boxstep(lo, 0.0, uf));
        }
        else if (uf >= hi)
        {
            inJoint = true;
            eu = JointEdge(Boxstep(hi, 1.0, uf));
        }

        double ev = 0.0;
        const double loV = Clamp01(settings.tileAspect * wv * settings.jointBottom);
        const double hiV = Clamp01(1.0 - wv * settings.jointTop * settings.tileAspect);
        if (vf <= loV)
        {
            inJoint = true;
            ev = JointEdge(Boxstep(loV, 0.0, vf));
        }
        else if (vf >= hiV)
        {
            inJoint = true;
            ev = JointEdge(Boxstep(hiV, 1.0, vf));
        }

        if (settings.fitInside)
        {
            u = Boxstep(wu * settings.jointLeft, 1.0 - wu * settings.jointRight, uf);
            v = Boxstep(settings.tileAspect * wv * settings.jointBottom,
                        1.0 - wv * settings.jointTop * settings.tileAspect, vf);
        }

        out.jointWeight = eu > ev ? eu : ev;
        out.inJoint = inJoint;
    }

    if (settings.flipU && cell.flipU)
        u = 1.0 - u;
    if (settings.flipV && cell.flipV)
        v = 1.0 - v;

    bool turned = false;
    if (cell.quarterTurn == 1 || cell.quarterTurn == 2)
    {
        QuarterTurn(u, v, cell.quarterTurn);
        turned = true;
    }

    const double rotation = cell.rotation;
    if (rotation != 0.0 && std::isfinite(rotation))
        Turn(u, v, std::cos(rotation), std::sin(rotation));

    if (settings.textureTurn == 1 || settings.textureTurn == 2)
    {
        Turn(u, v, kCosQuarter, settings.textureTurn == 1 ? kSinQuarter : -kSinQuarter);
        turned = !turned;
    }

    if (!settings.stretch)
    {
        // Without a finite inverse (aspect 0 or tiny) the content stays unscaled.
        const double inverse = settings.tileAspect != 0.0 ? 1.0 / settings.tileAspect : kNaN;
        if (std::isfinite(inverse))
        {
            if (turned)
                u = u * inverse;
            else
                v = v * inverse;
        }
    }

    out.u = Finite(u);
    out.v = Finite(v);
    out.w = w;
    return out;
}

int32_t ObjectNumber(const TileHit& hit)
{
    if (!hit.hasContext || !hit.hasRenderObject)
        return 0;
    uint32_t number = 0;
    if (hit.hasSource)
        number = static_cast<uint32_t>(hit.sourceChainIdentity);
    if (hit.hasOrigin)
    {
        // An origin without a source counts the missing source as identity 0.
        const uint32_t source = hit.hasSource ? static_cast<uint32_t>(hit.sourceIdentity) : 0u;
        number += source + 1u;
    }
    return Wrap(number);
}
