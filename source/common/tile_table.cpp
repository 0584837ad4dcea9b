#include "tile_table.h"

#include "seeded_random.h"

#include <cfloat>
#include <cmath>
#include <limits>

namespace
{
const double kPi = 3.14159265358979323846;

// Double to float32 with IEEE round-to-nearest, including overflow to infinity, without
// relying on the cast for values out of float range.
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

// fmod(x, 1.0) without the library call: x - trunc(x) is exact for every finite double and
// keeps the sign of x. Only the sign of a zero result can differ, and that vanishes once the
// remainder is scaled and 1 is added.
double Remainder1(double x)
{
    return x - std::trunc(x);
}

uint8_t QuarterTurnOf(const TileParameters& p, bool checker, int32_t column, int32_t row, double turnDraw)
{
    if (!checker)
    {
        if (p.randomRotate && turnDraw < 0.5)
            return turnDraw < 0.25 ? 1 : 2;
        return 0;
    }
    if ((column & 1) != (row & 1))
        return 0;
    return (p.randomRotate && turnDraw >= 0.5) ? 2 : 1;
}
} // namespace

void BuildTileTable(TileTable& table, const TileParameters& p, const void* const* textures, int32_t count)
{
    const int32_t textureCount = (textures != nullptr && count > 0) ? count : 0;
    const double textureCountReal = textureCount;
    const bool checker = CheckerTurnsApply(p);

    // The variations act at float precision, as stored.
    const double rotationAmount = ToFloat32(p.tileRotation);
    const double saturationAmount = ToFloat32(p.saturationVariation);
    const double gammaAmount = ToFloat32(p.gammaVariation);
    const double brightnessAmount = ToFloat32(p.brightnessVariation);

    const float jointWidthU = ToFloat32(p.jointWidth * p.jointRatio);
    const float jointWidthV = ToFloat32(p.jointWidth);
    const float rotation = ToFloat32(rotationAmount * kPi);

    SeededRandom random;
    random.Init(p.seed);
    random.Get01();

    // Running sum of the texture picks. 64 bits: it reaches 110889 * count, beyond 32 bits for
    // long lists, and stays exact in a double for any int32 count.
    int64_t pickSum = 0;

    for (int32_t row = 0; row < kTileGridSize; ++row)
    {
        double oddRowOffset = 0.0;
        if (row & 1)
            oddRowOffset = p.rowOffset + random.Get11() * p.rowOffset * p.rowOffsetVariation;
        const double drift = row * p.rowDrift;
        const double driftDraw = random.Get11();
        const float rowShift =
            ToFloat32(oddRowOffset + (driftDraw * 0.5 * p.rowDriftVariation * drift + 1.0) * drift);

        for (int32_t column = 0; column < kTileGridSize; ++column)
        {
            TileCell& cell = table.At(column, row);
            cell.rowShift = rowShift;
            cell.flipU = p.randomFlipU ? static_cast<uint8_t>(random.Get01() < 0.5) : 0;
            cell.flipV = p.randomFlipV ? static_cast<uint8_t>(random.Get01() < 0.5) : 0;

            // One draw decides both the quarter turn and the brightness.
            const double turnDraw = random.Get01();

            const double pickDraw = random.Get01();
            if (textureCount > 0)
            {
                // 0 <= draw * count + sum < 2^53: the conversion is exact and in range.
                pickSum = static_cast<int64_t>(pickDraw * textureCountReal + static_cast<double>(pickSum));
                cell.texture = textures[pickSum % textureCount];
            }
            else
            {
                cell.texture = nullptr;
            }

            cell.jointWidthU = jointWidthU;
            cell.jointWidthV = jointWidthV;
            cell.rotation = rotation;

            const double colourDraw = random.GetG11();
            cell.saturationFactor = ToFloat32(saturationAmount * colourDraw + 1.0);
            cell.gammaFactor = ToFloat32(gammaAmount * colourDraw + 1.0);
            // The remainder keeps the sign of the sum, so the factor may fall below 1.
            cell.brightnessFactor = ToFloat32(Remainder1(colourDraw + turnDraw) * brightnessAmount + 1.0);

            cell.quarterTurn = QuarterTurnOf(p, checker, column, row, turnDraw);
        }
    }
}
