#include "hsl_color.h"

void RgbToHsl(double r, double g, double b, double& h, double& l, double& s)
{
    // Comparison forms (> for max, <= for min) decide ties and NaN handling.
    double max = r;
    if (g > max)
        max = g;
    if (b > max)
        max = b;

    double min = r;
    if (g <= min)
        min = g;
    if (b <= min)
        min = b;

    l = (min + max) * 0.5;
    if (l <= 0.0)
    {
        s = 0.0;
        h = -1.0;
        return;
    }

    const double delta = max - min;
    if (delta <= 0.0)
    {
        s = 0.0;
        h = 0.0;
        return;
    }

    if (l <= 0.5)
        s = delta / (max + min);
    else
        s = delta / (2.0 - max - min);

    const double rc = (max - r) / delta;
    const double gc = (max - g) / delta;
    const double bc = (max - b) / delta;

    // Exact equality in this order: pure red lands on x = 6 (hue 360).
    double x;
    if (r == max)
        x = (g == min) ? 5.0 + bc: 1.0 - gc;
    else if (g == max)
        x = (b == min) ? 1.0 + rc: 3.0 - bc;
    else
        x = (r == min) ? 3.0 + gc: 5.0 - rc;

    h = x * 60.0;
    if (h < 0.0)
        h += 360.0;
}

namespace
{
double HueToChannel(double m1, double m2, double t)
{
    // One wrap step only: 740 stays 380 and -400 stays -40 (callers keep hue shifts within one turn).
    if (t > 360.0)
        t -= 360.0;
    else if (t < 0.0)
        t += 360.0;

    if (t < 60.0)
        return ((m2 - m1) * t) / 60.0 + m1;
    if (t < 180.0)
        return m2;
    if (t < 240.0)
        return ((m2 - m1) * (240.0 - t)) / 60.0 + m1;
    return m1; // t >= 240 (and NaN, which matches no range)
}
} // namespace

void HslToRgb(double h, double l, double s, double& r, double& g, double& b)
{
    double m2;
    if (l <= 0.5)
        m2 = (s + 1.0) * l;
    else
        m2 = l + s - l * s;
    const double m1 = 2.0 * l - m2;

    if (s == 0.0 || h == -1.0)
    {
        r = l;
        g = l;
        b = l;
        return;
    }

    r = HueToChannel(m1, m2, h + 120.0);
    g = HueToChannel(m1, m2, h);
    b = HueToChannel(m1, m2, h - 120.0);
}
