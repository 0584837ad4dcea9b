#include "tile_locate.h"

#include "numeric.h"
#include "polygon_group.h"

#include <cmath>
#include <limits>

namespace
{
const double kHalfPi = 3.14159265358979323846 * 0.5;

// cos and sin of the double nearest to pi/2, as IEEE libms return them. Fixed here so the
// quarter turns give the same last bits on every machine; the tiny cosine is why a quarter turn
// is not exactly (1 - v, u).
const double kCosQuarter = 6.123233995736766e-17;
const double kSinQuarter = 1.0;

const double kGrid = kTileGridSize;
const double kNoiseOff = 500.0;
const double kNaN = std::numeric_limits<double>::quiet_NaN();

// Joint noise keeps at least this share of the width.
const double kMinJointShare = 0.2;

double Finite(double x)
{
    return std::isfinite(x) ? x : 0.0;
}

int32_t Mod333(int32_t x)
{
    int32_t m = x % kTileGridSize;
    if (m < 0)
        m += kTileGridSize;
    return m;
}

// A grid coordinate split into its tile index, floor(x) modulo 333 and non-negative, and its
// position inside the tile, x - floor(x) in [0, 1]. A coordinate that is not finite gives 0 for
// both.
struct TileSplit
{
    int32_t index;
    double inTile;
};

// The coordinates beyond the 32-bit range: exact through 64 bits or fmod.
TileSplit SplitWide(double x)
{
    if (!std::isfinite(x))
        return {0, 0.0};
    const double f = std::floor(x);
    int32_t index;
    if (std::fabs(f) < 1e18)
    {
        int64_t m = static_cast<int64_t>(f) % kTileGridSize;
        if (m < 0)
            m += kTileGridSize;
        index = static_cast<int32_t>(m);
    }
    else
    {
        double m = std::fmod(f, kGrid);
        if (m < 0.0)
            m += kGrid;
        index = static_cast<int32_t>(m);
    }
    // x - trunc(x) is exact; moving a negative remainder up by 1 rounds once, as x - floor(x).
    double r = x - std::trunc(x);
    if (r < 0.0)
        r += 1.0;
    return {index, r};
}

inline TileSplit SplitTile(double x)
{
    // Inside the 32-bit range floor is one truncation and a correction, and the remainder is
    // exactly the one SplitWide gives (adding 0 turns the -0 of x = -0 into +0, as there).
    if (x > -2147483648.0 && x < 2147483647.0)
    {
        int32_t floor = static_cast<int32_t>(x);
        if (x < static_cast<double>(floor))
            --floor;
        // Most coordinates lie in the first repeat already: no division for them.
        const int32_t index = static_cast<uint32_t>(floor) < static_cast<uint32_t>(kTileGridSize) ? floor : Mod333(floor);
        return {index, (x - static_cast<double>(floor)) + 0.0};
    }
    return SplitWide(x);
}

// Position inside the tile of a mirrored coordinate: x - trunc(x), moved into [0, 1] when
// negative.
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

double JointEdge(double s)
{
    return std::fabs(std::sin(s * kHalfPi));
}

// Joint bounds on one side for a noisy width: the width runs linearly from its 20 % share to
// its whole as the noise runs from 0 to 1, so the bounds lie between those of the two ends.
struct BoundRange
{
    double least;
    double most;
};

BoundRange Span(double atLeastShare, double atWhole)
{
    return atLeastShare < atWhole ? BoundRange{atLeastShare, atWhole} : BoundRange{atWhole, atLeastShare};
}

// True when no noise in [0, 1] can bring the point (uf, vf) into a joint. The margin covers the
// rounding of the width and bound formulas, many orders of magnitude over; anything not finite
// fails the comparisons and counts as reachable.
bool JointOutOfReach(const TileSettings& settings, const TileCell& cell, double uf, double vf)
{
    const double kMargin = 1e-9;
    const double wu = cell.jointWidthU;
    const double wv = cell.jointWidthV;
    const double wuLeast = kMinJointShare * wu;
    const double wvLeast = kMinJointShare * wv;
    const BoundRange lo = Span(wuLeast * settings.jointLeft, wu * settings.jointLeft);
    const BoundRange hi = Span(1.0 - wuLeast * settings.jointRight, 1.0 - wu * settings.jointRight);
    const BoundRange loV = Span(ombrel::Clamp01(settings.tileAspect * wvLeast * settings.jointBottom),
                                ombrel::Clamp01(settings.tileAspect * wv * settings.jointBottom));
    const BoundRange hiV = Span(ombrel::Clamp01(1.0 - wvLeast * settings.jointTop * settings.tileAspect),
                                ombrel::Clamp01(1.0 - wv * settings.jointTop * settings.tileAspect));
    return uf > lo.most + kMargin && uf < hi.least - kMargin && vf > loV.most + kMargin &&
           vf < hiV.least - kMargin;
}

// Polygon tiles: the tile from the render object and the polygon, the point from the hit's
// corner weights, flipped and turned by the cell.
const TileCell& LocatePolygonTile(const TileTable& table, const TileSettings& settings, const TileHit& hit,
                                  int32_t& a, int32_t& b, double& u, double& v)
{
    int32_t base = 0;
    if (hit.hasRenderObject && hit.hasSource)
        base = ombrel::WrapAdd32(ombrel::WrapAdd32(hit.renderIndex, ombrel::WrapMul32(3, hit.sourceIdentity)), -1);
    int32_t polygon = hit.polygon;
    if (settings.polygonGroup > 1)
        polygon = ombrel::PolygonGroupStart(polygon, settings.polygonGroup);
    const int32_t row = polygon / kTileGridSize;
    a = Mod333(ombrel::WrapAdd32(base, ombrel::WrapAdd32(polygon, -row)));
    b = Mod333(ombrel::WrapAdd32(base, row));

    const double* weights = hit.cornerWeights;
    u = Finite(weights[0] + weights[1]);
    v = Finite((weights[0] + weights[3]) * settings.tileAspect);

    const TileCell& cell = table.At(a, b);
    if (cell.flipU)
        u = 1.0 - u;
    if (cell.flipV)
        v = 1.0 - v;
    QuarterTurn(u, v, cell.quarterTurn);
    return cell;
}
} // namespace

double Boxstep(double lo, double hi, double x)
{
    if (lo == hi)
        return x < lo ? 0.0 : 1.0;
    return ombrel::Clamp01((x - lo) / (hi - lo));
}

bool NeedsJointNoise(const TileSettings& settings, bool hasContext)
{
    return settings.jointsOn && hasContext && settings.noiseScale < kNoiseOff;
}

const void* PolygonGroupTexture(const TileTable& table, const TileSettings& settings, const TileHit& hit)
{
    if (!hit.hasContext || !hit.hasHit || settings.polygonGroup <= 1 || settings.mode != kTileModeUv)
        return nullptr;
    return table.At(Mod333(ombrel::PolygonGroupStart(hit.polygon, settings.polygonGroup)), 0).texture;
}

TileLocation LocateSample(const TileTable& table, const TileSettings& settings, double pu, double pv,
                          double pw, int32_t textureFlags, const TileHit& hit)
{
    TileLocation out;

    if (const void* texture = PolygonGroupTexture(table, settings, hit))
    {
        out.early = true;
        out.earlyTexture = texture;
        out.a = Mod333(ombrel::PolygonGroupStart(hit.polygon, settings.polygonGroup));
        out.b = 0;
        out.cell = &table.At(out.a, 0);
        return out;
    }

    double u;
    double v;
    double w;
    int32_t a;
    int32_t b;
    const TileCell* located;

    if (settings.mode == kTileModePolygon && hit.hasContext && hit.hasHit)
    {
        located = &LocatePolygonTile(table, settings, hit, a, b, u, v);
        w = 0.0;
    }
    else
    {
        double gu = pu * settings.columns;
        double gv = pv * settings.rows * settings.tileAspect;
        const TileSplit row = SplitTile(gv);
        b = row.index;
        // Every cell of a row carries the row's shift.
        gu = gu - table.At(0, b).rowShift;
        const TileSplit column = SplitTile(gu);
        a = column.index;
        if (textureFlags & 2)
        {
            // The fold moves the point, not the tile.
            u = InTile(Fold(gu));
            v = InTile(Fold(gv));
        }
        else
        {
            u = column.inTile;
            v = row.inTile;
        }
        w = Finite(pw);
        located = &table.At(a, b);
    }

    const TileCell& cell = *located;
    out.a = a;
    out.b = b;
    out.cell = &cell;

    const bool noisy = settings.noiseScale < kNoiseOff && hit.hasContext;
    // Without fitting, a sample that no joint can reach needs neither the noise nor the joints.
    const bool skipJoints = settings.jointsOn && noisy && hit.fetchNoise != nullptr && !settings.fitInside &&
                            JointOutOfReach(settings, cell, u, v);
    if (settings.jointsOn && !skipJoints)
    {
        const double uf = u;
        const double vf = v;
        double wu = cell.jointWidthU;
        double wv = cell.jointWidthV;
        if (noisy)
        {
            const double n = hit.fetchNoise ? hit.fetchNoise(hit.noiseContext) : hit.noise;
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
        const double loV = ombrel::Clamp01(settings.tileAspect * wv * settings.jointBottom);
        const double hiV = ombrel::Clamp01(1.0 - wv * settings.jointTop * settings.tileAspect);
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
            u = Boxstep(lo, hi, uf);
            v = Boxstep(settings.tileAspect * wv * settings.jointBottom,
                        1.0 - wv * settings.jointTop * settings.tileAspect, vf);
        }

        out.jointWeight = eu > ev ? eu : ev;
        out.inJoint = inJoint;
    }

    // The cell's flags are only ever set where their random flip is enabled.
    if (cell.flipU)
        u = 1.0 - u;
    if (cell.flipV)
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
