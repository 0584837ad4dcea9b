// Tests for the HSL conversions. Expected values are worked
// out by hand from the conversions' rules; inputs are chosen so the
// arithmetic is exact (dyadic fractions) and EXPECT_EQ applies.
#include "../../source/common/hsl_color.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
struct Hsl
{
    double h, l, s;
};
struct Rgb
{
    double r, g, b;
};

Hsl ToHsl(double r, double g, double b)
{
    Hsl out{123.0, 123.0, 123.0}; // sentinels: every output must be written
    RgbToHsl(r, g, b, out.h, out.l, out.s);
    return out;
}

Rgb ToRgb(double h, double l, double s)
{
    Rgb out{123.0, 123.0, 123.0};
    HslToRgb(h, l, s, out.r, out.g, out.b);
    return out;
}

TEST(HslColorTest, BlackHasNoHue)
{
    const Hsl c = ToHsl(0.0, 0.0, 0.0);
    EXPECT_EQ(-1.0, c.h);
    EXPECT_EQ(0.0, c.l);
    EXPECT_EQ(0.0, c.s);

    const Rgb back = ToRgb(-1.0, 0.0, 0.0);
    EXPECT_EQ(0.0, back.r);
    EXPECT_EQ(0.0, back.g);
    EXPECT_EQ(0.0, back.b);
}

TEST(HslColorTest, GreyHasHueZeroAndNoSaturation)
{
    const Hsl c = ToHsl(0.5, 0.5, 0.5);
    EXPECT_EQ(0.0, c.h);
    EXPECT_EQ(0.5, c.l);
    EXPECT_EQ(0.0, c.s);

    const Hsl white = ToHsl(1.0, 1.0, 1.0);
    EXPECT_EQ(0.0, white.h);
    EXPECT_EQ(1.0, white.l);
    EXPECT_EQ(0.0, white.s);
}

TEST(HslColorTest, ZeroSaturationGivesGreyForAnyHue)
{
    for (double h: {-1.0, 0.0, 45.0, 200.0, 360.0, 1000.0})
    {
        const Rgb c = ToRgb(h, 0.3, 0.0);
        EXPECT_EQ(0.3, c.r) << h;
        EXPECT_EQ(0.3, c.g) << h;
        EXPECT_EQ(0.3, c.b) << h;
    }
}

TEST(HslColorTest, HueMinusOneExactlyGivesGreyEvenWithSaturation)
{
    const Rgb c = ToRgb(-1.0, 0.25, 1.0);
    EXPECT_EQ(0.25, c.r);
    EXPECT_EQ(0.25, c.g);
    EXPECT_EQ(0.25, c.b);

    // Just off -1 is an ordinary hue: blue channel hue -121 wraps to 239.
    const Rgb d = ToRgb(-1.0 + 1.0 / 1024.0, 0.25, 1.0);
    EXPECT_NE(d.r, d.b);
}

TEST(HslColorTest, PureRedIs360AndRoundTrips)
{
    const Hsl c = ToHsl(1.0, 0.0, 0.0);
    EXPECT_EQ(360.0, c.h); // x = 5 + bc = 6, not 0
    EXPECT_EQ(0.5, c.l);
    EXPECT_EQ(1.0, c.s);

    const Rgb back = ToRgb(360.0, 0.5, 1.0);
    EXPECT_EQ(1.0, back.r);
    EXPECT_EQ(0.0, back.g);
    EXPECT_EQ(0.0, back.b);
}

TEST(HslColorTest, PrimaryAndSecondaryHues)
{
    EXPECT_EQ(60.0, ToHsl(1.0, 1.0, 0.0).h);  // r == max wins the tie with g
    EXPECT_EQ(120.0, ToHsl(0.0, 1.0, 0.0).h); // 1 + rc, rc = 1
    EXPECT_EQ(180.0, ToHsl(0.0, 1.0, 1.0).h);
    EXPECT_EQ(240.0, ToHsl(0.0, 0.0, 1.0).h);
    EXPECT_EQ(300.0, ToHsl(1.0, 0.0, 1.0).h);
}

TEST(HslColorTest, AllSixSectorFormulas)
{
    struct Case
    {
        double r, g, b, h;
    };
    // Each pair covers both alternatives of one line of the hue-sector choice.
    const Case cases[] = {
        {1.0, 0.5, 0.0, 30.0},  // r max, g not min: 1 - gc = 0.5
        {1.0, 0.0, 0.5, 330.0}, // r max, g min: 5 + bc = 5.5
        {0.5, 1.0, 0.0, 90.0},  // g max, b min: 1 + rc = 1.5
        {0.0, 1.0, 0.5, 150.0}, // g max, b not min: 3 - bc = 2.5
        {0.0, 0.5, 1.0, 210.0}, // b max, r min: 3 + gc = 3.5
        {0.5, 0.0, 1.0, 270.0}, // b max, r not min: 5 - rc = 4.5
    };
    for (const Case& c: cases)
    {
        const Hsl out = ToHsl(c.r, c.g, c.b);
        EXPECT_EQ(c.h, out.h) << c.r << "," << c.g << "," << c.b;
        EXPECT_EQ(0.5, out.l);
        EXPECT_EQ(1.0, out.s);

        const Rgb back = ToRgb(out.h, out.l, out.s);
        EXPECT_EQ(c.r, back.r) << c.h;
        EXPECT_EQ(c.g, back.g) << c.h;
        EXPECT_EQ(c.b, back.b) << c.h;
    }
}

TEST(HslColorTest, SaturationFormulaAboveHalfLightness)
{
    // l = 0.75 > 0.5: s = 0.5 / (2 - 1 - 0.5) = 1 (the other formula: 1/3).
    const Hsl c = ToHsl(1.0, 0.5, 0.5);
    EXPECT_EQ(360.0, c.h);
    EXPECT_EQ(0.75, c.l);
    EXPECT_EQ(1.0, c.s);

    // m2 = l + s - l*s = 1, m1 = 0.5.
    const Rgb back = ToRgb(360.0, 0.75, 1.0);
    EXPECT_EQ(1.0, back.r);
    EXPECT_EQ(0.5, back.g);
    EXPECT_EQ(0.5, back.b);
}

TEST(HslColorTest, LightnessExactlyHalfUsesFirstSaturationFormula)
{
    // max + min rounds to exactly 1, so l == 0.5; delta / (max + min) and
    // delta / (2 - max - min) differ in the last bit for these inputs.
    const double mx = 0.9507137288057418;
    const double mn = 0.04928627119425821;
    const Hsl c = ToHsl(mx, mn, mn);
    EXPECT_EQ(0.5, c.l);
    EXPECT_EQ(0.9014274576114836, c.s); // second formula: ...837
    EXPECT_EQ(360.0, c.h);
}

TEST(HslColorTest, LightnessExactlyHalfUsesFirstM2Formula)
{
    // (s + 1) * l and l + s - l * s differ in the last bit for this s.
    const double s = 0.00043066964029126863;
    const Rgb c = ToRgb(120.0, 0.5, s);
    EXPECT_EQ(0.5002153348201457, c.g); // m2; other formula: ...456
    EXPECT_EQ(0.4997846651798543, c.r); // m1 = 1 - m2 (channel hue 240)
    EXPECT_EQ(0.4997846651798543, c.b); // channel hue 0 -> m1
}

// l = 0.5, s = 0.75: m2 = 0.875, m1 = 0.125, (m2 - m1) / 60 = 1/80, so every
// ramp value below is exact.
const double kL = 0.5;
const double kS = 0.75;
const double kM1 = 0.125;
const double kM2 = 0.875;

TEST(HslColorTest, ChannelHue380WrapsTo20)
{
    // h = 260: red 380 -> 20, green 260, blue 140.
    const Rgb c = ToRgb(260.0, kL, kS);
    EXPECT_EQ(kM1 + 20.0 / 80.0, c.r);
    EXPECT_EQ(kM1, c.g);
    EXPECT_EQ(kM2, c.b);
}

TEST(HslColorTest, ChannelHueMinus20WrapsTo340)
{
    // h = 100: red 220, green 100, blue -20 -> 340.
    const Rgb c = ToRgb(100.0, kL, kS);
    EXPECT_EQ(kM1 + 20.0 / 80.0, c.r); // 180..240 ramp: 240 - 220 = 20
    EXPECT_EQ(kM2, c.g);
    EXPECT_EQ(kM1, c.b);
}

TEST(HslColorTest, ChannelHue740WrapsOnlyOnce)
{
    // h = 620: red 740 -> 380 (m1), green 620 -> 260 (m1), blue 500 -> 140.
    // A full modulo would give red hue 20 and a ramp value instead.
    const Rgb c = ToRgb(620.0, kL, kS);
    EXPECT_EQ(kM1, c.r);
    EXPECT_EQ(kM1, c.g);
    EXPECT_EQ(kM2, c.b);
}

TEST(HslColorTest, ChannelHueMinus400WrapsOnlyOnce)
{
    // h = -280: red -160 -> 200, green -280 -> 80, blue -400 -> -40, which
    // stays on the first ramp and extrapolates below m1.
    const Rgb c = ToRgb(-280.0, kL, kS);
    EXPECT_EQ(kM1 + 40.0 / 80.0, c.r);
    EXPECT_EQ(kM2, c.g);
    EXPECT_EQ(kM1 - 40.0 / 80.0, c.b);
    EXPECT_LT(c.b, kM1);
}

TEST(HslColorTest, ChannelHue360StaysAndRampBoundaries)
{
    // h = 240: red 360 (stays, >= 240 -> m1), green 240 (m1), blue 120 (m2).
    const Rgb c = ToRgb(240.0, kL, kS);
    EXPECT_EQ(kM1, c.r);
    EXPECT_EQ(kM1, c.g);
    EXPECT_EQ(kM2, c.b);

    // h = 60: red 180 (ramp start = m2), green 60 (m2), blue -60 -> 300.
    const Rgb d = ToRgb(60.0, kL, kS);
    EXPECT_EQ(kM2, d.r);
    EXPECT_EQ(kM2, d.g);
    EXPECT_EQ(kM1, d.b);
}

TEST(HslColorTest, RampBoundariesAt60And180)
{
    // For these l, s the ramp ((m2 - m1) * 60) / 60 + m1 does not round back
    // to m2, so the boundaries are visible: t = 60 takes m2 (not the first
    // ramp), t = 180 takes the falling ramp (not m2).
    const double l = 0.4343523126756511;
    const double s = 0.9501611663830228;
    const Rgb c = ToRgb(60.0, l, s); // red 180, green 60, blue -60 -> 300
    EXPECT_EQ(0.8470570127087111, c.r);
    EXPECT_EQ(0.8470570127087113, c.g); // m2 = (s + 1) * l
    EXPECT_EQ(0.021647612642590963, c.b); // m1 = 2 * l - m2
}

TEST(HslColorTest, SignedZeroTiesFollowComparisonForms)
{
    // max takes a later component only if strictly greater, min takes it if
    // less or equal; with signed zeros that decides the sign of l.
    struct Case
    {
        double r, g, b;
        bool negativeL;
    };
    const Case cases[] = {
        {0.0, 0.0, 0.0, false},   {0.0, 0.0, -0.0, false},
        {0.0, -0.0, 0.0, false},  {0.0, -0.0, -0.0, false},
        {-0.0, 0.0, 0.0, false},  {-0.0, 0.0, -0.0, true},
        {-0.0, -0.0, 0.0, false}, {-0.0, -0.0, -0.0, true},
    };
    for (const Case& c: cases)
    {
        const Hsl out = ToHsl(c.r, c.g, c.b);
        EXPECT_EQ(0.0, out.l);
        EXPECT_EQ(c.negativeL, std::signbit(out.l))
            << std::signbit(c.r) << std::signbit(c.g) << std::signbit(c.b);
        EXPECT_EQ(-1.0, out.h);
    }
}

TEST(HslColorTest, NegativeLightnessKeepsLightness)
{
    const Hsl c = ToHsl(-0.5, -0.25, -1.0);
    EXPECT_EQ(-1.0, c.h);
    EXPECT_EQ(-0.625, c.l);
    EXPECT_EQ(0.0, c.s);

    // Mixed signs with l <= 0 also count as hueless.
    const Hsl d = ToHsl(0.25, -0.25, -0.5);
    EXPECT_EQ(-1.0, d.h);
    EXPECT_EQ(-0.125, d.l);
    EXPECT_EQ(0.0, d.s);
}

TEST(HslColorTest, RoundTripOverGrid)
{
    // Arbitrary colours pick up rounding in the divisions; 1e-12 is far
    // below any visible difference and far above accumulated error.
    const int n = 16;
    for (int ri = 0; ri <= n; ++ri)
        for (int gi = 0; gi <= n; ++gi)
            for (int bi = 0; bi <= n; ++bi)
            {
                if (ri == 0 && gi == 0 && bi == 0)
                    continue; // black: h = -1, covered above
                const double r = ri / 16.0 * 0.9 + 0.01 * (gi % 3);
                const double g = gi / 16.0 * 0.95;
                const double b = bi / 16.0;
                const Hsl hsl = ToHsl(r, g, b);
                ASSERT_GE(hsl.h, 0.0);
                ASSERT_LE(hsl.h, 360.0);
                const Rgb back = ToRgb(hsl.h, hsl.l, hsl.s);
                EXPECT_NEAR(r, back.r, 1e-12) << r << "," << g << "," << b;
                EXPECT_NEAR(g, back.g, 1e-12) << r << "," << g << "," << b;
                EXPECT_NEAR(b, back.b, 1e-12) << r << "," << g << "," << b;
            }
}

TEST(HslColorTest, NonFiniteAndHugeInputsGiveDefinedValues)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();

    // NaN red: every comparison fails, so max = min = NaN and all three are NaN.
    const Hsl a = ToHsl(nan, 0.5, 0.25);
    EXPECT_TRUE(std::isnan(a.l));
    EXPECT_TRUE(std::isnan(a.h));
    EXPECT_TRUE(std::isnan(a.s));

    const Hsl b = ToHsl(inf, 0.0, 0.0);
    EXPECT_EQ(inf, b.l);
    const Hsl c = ToHsl(-inf, 0.0, 0.0);
    EXPECT_EQ(-1.0, c.h); // l = -inf <= 0: hueless
    EXPECT_EQ(0.0, c.s);

    // Infinite hue: every channel hue is +inf, which is >= 240 -> m1.
    const Rgb d = ToRgb(inf, kL, kS);
    EXPECT_EQ(kM1, d.r);
    EXPECT_EQ(kM1, d.g);
    EXPECT_EQ(kM1, d.b);

    // Infinite saturation: m2 = +inf, m1 = -inf. Channel hue 360 must stay
    // 360 (-> m1); wrapping it to 0 would give the ramp's inf * 0 = NaN.
    const Rgb z = ToRgb(240.0, 0.25, inf); // red 360, green 240, blue 120
    EXPECT_EQ(-inf, z.r);
    EXPECT_EQ(-inf, z.g);
    EXPECT_EQ(inf, z.b);

    // A NaN channel hue matches no ramp: m1.
    const Rgb e = ToRgb(nan, kL, kS);
    EXPECT_EQ(kM1, e.r);
    EXPECT_EQ(kM1, e.g);
    EXPECT_EQ(kM1, e.b);

    // -inf stays -inf after the one wrap: the rising ramp at -inf.
    const Rgb f = ToRgb(-inf, kL, kS);
    EXPECT_EQ(-inf, f.r);
    EXPECT_EQ(-inf, f.b);
    const Rgb g = ToRgb(100.0, nan, kS);
    EXPECT_TRUE(std::isnan(g.g));
    // Infinite saturation at l = 0.5: m2 = inf, m1 = -inf; the falling ramp (red at 220) meets
    // inf - inf.
    const Rgb h = ToRgb(100.0, kL, inf);
    EXPECT_TRUE(std::isnan(h.r));
    EXPECT_EQ(inf, h.g);
    EXPECT_EQ(-inf, h.b);

    // Hues of ±1e10 degrees: one wrap leaves them beyond every ramp (m1) or far down the
    // rising one.
    const Rgb big = ToRgb(1e10, kL, kS);
    EXPECT_EQ(kM1, big.r);
    EXPECT_EQ(kM1, big.g);
    EXPECT_EQ(kM1, big.b);
    const Rgb low = ToRgb(-1e10, kL, kS);
    EXPECT_LT(low.r, -1e8);
    EXPECT_LT(low.g, -1e8);
    EXPECT_LT(low.b, -1e8);
}

} // namespace
