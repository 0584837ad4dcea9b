#include "hsv_color.h"

#include <cmath>

void RgbToHsv(double r, double g, double b, double& h, double& s, double& v) {
  double mx = r, mn = r;
  if (g > mx) mx = g;
  if (b > mx) mx = b;
  if (g < mn) mn = g;
  if (b < mn) mn = b;
  if (!(mx > 0.0)) {
    h = s = v = 0.0;
    return;
  }
  if (1.0 - mn / mx < 0.001) {
    h = 0.0;
    s = 0.0;
    v = mn;
    return;
  }
  const double delta = mx - mn;
  double x;
  if (r == mx) x = (g - b) / delta;
  else if (g == mx) x = (b - r) / delta + 2.0;
  else x = (r - g) / delta + 4.0;
  h = x / 6.0;
  if (h < 0.0) h += 1.0;
  s = 1.0 - mn / mx;
  v = mx;
}

void HsvToRgb(double h, double s, double v, double& r, double& g, double& b) {
  if (!(s >= 0.001)) {
    r = g = b = v;
    return;
  }
  if (h == 1.0) h = 0.0;
  const double hh = h * 6.0;
  const double fi = std::floor(hh);
  const double f = hh - fi;
  const double p = (1.0 - s) * v;
  const double q = (1.0 - f * s) * v;
  const double t = (1.0 - (1.0 - f) * s) * v;
  // Compared as a double so a NaN or huge hue cannot overflow an integer conversion.
  if (fi == 1.0) { r = q; g = v; b = p; }
  else if (fi == 2.0) { r = p; g = v; b = t; }
  else if (fi == 3.0) { r = p; g = q; b = v; }
  else if (fi == 4.0) { r = t; g = p; b = v; }
  else if (fi == 5.0) { r = v; g = p; b = q; }
  else { r = v; g = t; b = p; }
}
