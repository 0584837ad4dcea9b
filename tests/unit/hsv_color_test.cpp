// The HSV model of the tile shader's saturation variation. Expected values are worked out by
// hand: each hue sector once in each direction, the grey and black cases, and hues or colours
// outside the usual range.
#include "../../source/common/hsv_color.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
struct Rgb
{
    double r, g, b;
};

// One colour per sector at a quarter of its way (full saturation and value): p = 0, q = 0.75,
// t = 0.25, so a swapped p, q or t shows.
struct SectorCase
{
    double hue;
    Rgb rgb;
};
const SectorCase kSectors[] = {
    {0.25 / 6, {1.0, 0.25, 0.0}},  // (v, t, p)
    {1.25 / 6, {0.75, 1.0, 0.0}},  // (q, v, p)
    {2.25 / 6, {0.0, 1.0, 0.25}},  // (p, v, t)
    {3.25 / 6, {0.0, 0.75, 1.0}},  // (p, q, v)
    {4.25 / 6, {0.25, 0.0, 1.0}},  // (t, p, v)
    {5.25 / 6, {1.0, 0.0, 0.75}},  // (v, p, q)
};

TEST(HsvColorTest, EverySectorConvertsBothWays)
{
    for (const SectorCase& c: kSectors)
    {
        SCOPED_TRACE(c.hue * 6);
        double r, g, b;
        HsvToRgb(c.hue, 1.0, 1.0, r, g, b);
        EXPECT_NEAR(c.rgb.r, r, 1e-15);
        EXPECT_NEAR(c.rgb.g, g, 1e-15);
        EXPECT_NEAR(c.rgb.b, b, 1e-15);
        double h, s, v;
        RgbToHsv(c.rgb.r, c.rgb.g, c.rgb.b, h, s, v);
        EXPECT_NEAR(c.hue, h, 1e-15);
        EXPECT_EQ(1.0, s);
        EXPECT_EQ(1.0, v);
    }
}

TEST(HsvColorTest, SaturationAndValueOfAMutedColour)
{
    // (0.8, 0.4, 0.2): red is largest, hue (0.4 - 0.2) / 0.6 / 6 = 1/18, saturation
    // 1 - 0.2 / 0.8, value 0.8; and back, at half the saturation: p = 0.5, t = 0.8 (1 - 2/3 × 0.375).
    double h, s, v;
    RgbToHsv(0.8, 0.4, 0.2, h, s, v);
    EXPECT_NEAR(1.0 / 18, h, 1e-15);
    EXPECT_DOUBLE_EQ(0.75, s);
    EXPECT_EQ(0.8, v);
    double r, g, b;
    HsvToRgb(h, 0.375, v, r, g, b);
    EXPECT_NEAR(0.8, r, 1e-15);
    EXPECT_NEAR(0.8 * (1 - 2.0 / 3 * 0.375), g, 1e-15);
    EXPECT_NEAR(0.5, b, 1e-15);
}

TEST(HsvColorTest, BlackGreyAndTheWrappedHue)
{
    double h, s, v;
    RgbToHsv(0.0, 0.0, 0.0, h, s, v);
    EXPECT_EQ(0.0, h + s + v);
    RgbToHsv(-0.5, -0.2, -0.1, h, s, v); // largest component below 0: black
    EXPECT_EQ(0.0, h + s + v);
    // Within 0.1 % of grey: no hue, the value is the smallest component.
    RgbToHsv(1.0, 0.9995, 1.0, h, s, v);
    EXPECT_EQ(0.0, h);
    EXPECT_EQ(0.0, s);
    EXPECT_EQ(0.9995, v);

    double r, g, b;
    HsvToRgb(0.7, 0.0009, 0.4, r, g, b); // saturation below 0.001: grey
    EXPECT_EQ(0.4, r);
    EXPECT_EQ(0.4, g);
    EXPECT_EQ(0.4, b);
    HsvToRgb(1.0, 1.0, 1.0, r, g, b); // hue 1 is hue 0: red
    EXPECT_EQ(1.0, r);
    EXPECT_EQ(0.0, g);
    EXPECT_EQ(0.0, b);
}

// Hues outside [0, 1) take the first sector's form; a NaN hue gives NaN, never undefined
// behaviour (the sector is compared as a double, not converted to an integer).
TEST(HsvColorTest, HuesOutOfRangeStayDefined)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    double r, g, b;
    for (double hue: {1e10, -1e10, 2.0, -0.5})
    {
        SCOPED_TRACE(hue);
        HsvToRgb(hue, 0.5, 0.8, r, g, b);
        // A whole sextant: f = 0, so (v, t, p) = (0.8, 0.4, 0.4).
        EXPECT_EQ(0.8, r);
        EXPECT_DOUBLE_EQ(0.4, g);
        EXPECT_DOUBLE_EQ(0.4, b);
    }
    HsvToRgb(nan, 0.5, 0.8, r, g, b);
    EXPECT_EQ(0.8, r);
    EXPECT_TRUE(std::isnan(g));
    double h, s, v;
    RgbToHsv(nan, 0.5, 0.2, h, s, v); // no largest component: black
    EXPECT_EQ(0.0, h + s + v);
}
} // namespace
