#include "tool_geometry.h"

#include <cmath>

#include "numeric.h"

namespace ombrel {

double Length(const Vec3& a) { return std::sqrt(Dot(a, a)); }

Vec3 Unit(const Vec3& a) {
  const double len = Length(a);
  return len == 0.0 ? Vec3{} : Vec3{a.x / len, a.y / len, a.z / len};
}

PixelFrame FitPictureFrame(const PixelFrame& view, double offset, double aspect) {
  const double L = view.left, T = view.top, R = view.right, B = view.bottom;
  double cy = (T - B) * 0.5 + B;
  const double t = (R - L) * 0.5 / aspect;  // half the picture's height at the view's full width
  const double s = (offset - 0.5) * 0.5;
  if (view.top < TruncToInt32(cy - t) || TruncToInt32(cy + t) < view.bottom) {
    // As wide as the view, the picture is less high: it slides up and down.
    cy = cy + s * (B - T);
    return PixelFrame{view.left, TruncToInt32(cy - t), view.right, TruncToInt32(cy + t)};
  }
  // As high as the view: it slides left and right.
  const double cx = (R - L) * 0.5 + L + s * (R - L);
  const double h = (B - T) * 0.5 * aspect;
  return PixelFrame{TruncToInt32(cx - h), view.top, TruncToInt32(cx + h), view.bottom};
}

Vec3 CornerToScreen(const PixelFrame& frame, double u, double v) {
  const double width = std::fabs(static_cast<double>(frame.right) - frame.left);
  const double height = std::fabs(static_cast<double>(frame.bottom) - frame.top);
  return Vec3{width * u + frame.left, height * v + frame.top, 0.0};
}

double Normalise(double a, double lo, double hi) {
  if (hi == lo) return a < lo ? 0.0 : 1.0;
  return Clamp01((a - lo) / (hi - lo));
}

bool ClosestPointsOfLines(const Vec3& a1, const Vec3& a2, const Vec3& b1, const Vec3& b2, ClosestPoints& out) {
  constexpr double kTolerance = 1e-4;
  auto tooShort = [](const Vec3& d) {
    return std::fabs(d.x) < kTolerance && std::fabs(d.y) < kTolerance && std::fabs(d.z) < kTolerance;
  };
  const Vec3 u = b2 - b1;
  if (tooShort(u)) return false;
  const Vec3 v = a2 - a1;
  if (tooShort(v)) return false;
  const Vec3 w = a1 - b1;
  const double uu = Dot(u, u);
  const double vu = Dot(v, u);
  const double den = Dot(v, v) * uu - vu * vu;
  if (std::fabs(den) < kTolerance) return false;
  const double r = Dot(u, w);
  const double s = (vu * r - Dot(v, w) * uu) / den;
  const double t = (s * vu + r) / uu;
  out.onA = a1 + v * s;
  out.onB = b1 + u * t;
  out.s = s;
  out.t = t;
  return true;
}

bool WithinPressSquare(double x, double y, const Vec3& corner) {
  return std::fabs(x - corner.x) < kPickRadius && std::fabs(y - corner.y) < kPickRadius;
}

bool WithinCursorCircle(double x, double y, const Vec3& corner) {
  const double dx = x - corner.x, dy = y - corner.y;
  return std::sqrt(dx * dx + dy * dy) < kPickRadius;
}

int32_t QuantisePreview(double component) {
  return static_cast<int32_t>(Clamp01(component) * kPreviewQuantise);
}

DashClip DashClipOf(const PixelFrame& view) {
  return DashClip{view.left - kDashClipMargin, view.top - kDashClipMargin, view.right + kDashClipMargin,
                  view.bottom + kDashClipMargin};
}

namespace {

// The part [t0, t1] of a..b inside the rectangle (Liang-Barsky); false when none is.
bool ClipToRectangle(const Vec3& a, const Vec3& b, const DashClip& clip, double& t0, double& t1) {
  t0 = 0.0;
  t1 = 1.0;
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {a.x - clip.left, clip.right - a.x, a.y - clip.top, clip.bottom - a.y};
  for (int k = 0; k < 4; ++k) {
    if (p[k] == 0.0) {
      if (q[k] < 0.0) return false;  // parallel to this side and outside it
      continue;
    }
    const double r = q[k] / p[k];
    if (p[k] < 0.0) {
      if (r > t0) t0 = r;
    } else if (r < t1) {
      t1 = r;
    }
  }
  return t0 <= t1;
}

}  // namespace

DashPlan PlanDashes(const Vec3& a, const Vec3& b, double dash, const DashClip& clip) {
  DashPlan plan;
  const double n = Length(b - a) / dash;
  if (!(n > 0.0) || !std::isfinite(n)) return plan;
  plan.steps = std::ceil(n);
  plan.f = 1.0 / n;
  double t0 = 0.0, t1 = 0.0;
  if (!ClipToRectangle(a, b, clip, t0, t1)) return plan;
  // Step i covers the fractions i/n to (i+1)/n; one step more on each side keeps the rounding
  // of t0 * n and t1 * n from dropping a dash at the clip's edge.
  const double first = std::fmax(0.0, std::floor(t0 * n) - 1.0);
  const double last = std::fmin(plan.steps - 1.0, std::ceil(t1 * n) + 1.0);
  if (last < first) return plan;
  plan.first = first;
  const double count = std::fmin(last - first + 1.0, static_cast<double>(kMaxDashSteps));
  plan.count = static_cast<int64_t>(count);
  return plan;
}

Vec3 DashPoint(const Vec3& a, const Vec3& b, double t) {
  const double c = t > 1.0 ? 1.0 : (t < 0.0 ? 0.0 : t);
  return a + (b - a) * c;
}

bool OddSteps(double steps) { return std::fmod(steps, 2.0) == 1.0; }

}  // namespace ombrel
