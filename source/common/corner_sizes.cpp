#include "corner_sizes.h"

#include <cmath>

#include "numeric.h"

namespace ombrel {
namespace {
double Distance(double au, double av, double bu, double bv) { return std::sqrt((bu - au) * (bu - au) + (bv - av) * (bv - av)); }
}  // namespace

CubeSize PreviewCubeSize(const CornerUv c[4]) {
  const double e12 = 100.0 * Distance(c[0].u, c[0].v, c[1].u, c[1].v);
  const double e34 = 100.0 * Distance(c[2].u, c[2].v, c[3].u, c[3].v);
  const double e14 = 100.0 * Distance(c[0].u, c[0].v, c[3].u, c[3].v);
  const double e23 = 100.0 * Distance(c[2].u, c[2].v, c[1].u, c[1].v);
  const double y = e23 > e14 ? e23 : e14;
  double ratio = 1.0;
  if (e14 != 0.0 && e23 != 0.0) ratio = e14 > e23 ? e14 / e23 : e23 / e14;
  const double x = (e34 > e12 ? e34 : e12) * ratio;
  return CubeSize{x, y, x};
}

PixelSize ExportPictureSize(const CornerUv c[4], int32_t sourceWidth, int32_t sourceHeight) {
  const double w = sourceWidth, h = sourceHeight;
  const double x1 = c[0].u * w, y1 = c[0].v * h, x2 = c[1].u * w, y2 = c[1].v * h;
  const double x3 = c[2].u * w, y3 = c[2].v * h, x4 = c[3].u * w, y4 = c[3].v * h;
  const double e12 = Distance(x1, y1, x2, y2);
  const double e34 = Distance(x4, y4, x3, y3);
  const double e14 = Distance(x4, y4, x1, y1);
  const double e23 = Distance(x3, y3, x2, y2);
  double outW = 0.0, outH = 0.0;
  if (e14 > e23 && e12 > e34) {
    outH = e14;
    outW = (e14 / e23) * e12;
  } else if (e23 > e14 && e12 > e34) {
    outH = e23;
    outW = (e23 / e14) * e12;
  } else if (e23 > e14 && e34 > e12) {
    outH = e23;
    outW = e34 / (e34 / e12);
  } else if (e14 > e23 && e34 > e12) {
    outH = e14;
    outW = e34 / (e34 / e12);
  } else {
    outH = e14 > e23 ? e14 : e23;
    outW = e12 > e34 ? e12 : e34;
  }
  return PixelSize{TruncToInt32(outW), TruncToInt32(outH)};
}

}  // namespace ombrel
