// Screen geometry of the UV transform tool: where the source picture sits in a view, where the
// corners land on screen and back, the dashed outline, the meeting point of two guide lines,
// the picking distances and the 8-bit quantisation of the preview picture.
//
// Pure maths on doubles, free of host calls, so that the tool's numbers can be checked on their
// own. Screen points are view pixels, x to the right and y downwards; the third component of a
// screen point is carried along but plays no part in picking or clipping.
#ifndef OMBREL_COMMON_TOOL_GEOMETRY_H
#define OMBREL_COMMON_TOOL_GEOMETRY_H

#include <cstdint>

namespace ombrel {

struct Vec3 {
  double x = 0.0, y = 0.0, z = 0.0;
};

inline Vec3 operator+(const Vec3& a, const Vec3& b) { return Vec3{a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(const Vec3& a, const Vec3& b) { return Vec3{a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(const Vec3& a, double s) { return Vec3{a.x * s, a.y * s, a.z * s}; }
inline double Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
double Length(const Vec3& a);
// a / |a|, or (0, 0, 0) when |a| is 0.
Vec3 Unit(const Vec3& a);

// A rectangle of view pixels: left, top, right, bottom.
struct PixelFrame {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// The picture frame: a picture of `aspect` (width / height) keeps its proportions, fills the
// view along one axis and sits along the other at `offset` (0.5 centres it; 0 and 1 move it by
// a quarter of the view either way). Fractions are dropped toward zero; values beyond the
// 32-bit range saturate, and NaN (a picture with no height or width) gives 0, so no input
// makes the conversion undefined.
PixelFrame FitPictureFrame(const PixelFrame& view, double offset, double aspect);

// The screen point of corner (u, v) in a picture frame.
Vec3 CornerToScreen(const PixelFrame& frame, double u, double v);

// Screen coordinate a back into [0, 1] across lo..hi: clamped, and for an empty span 0 before
// lo and 1 from lo on. NaN gives 0.
double Normalise(double a, double lo, double hi);

// The points where two lines A1 + s (A2 - A1) and B1 + t (B2 - B1) come closest. False when a
// direction is shorter than 1e-4 in every axis, or when the lines are parallel (the determinant
// below 1e-4 in magnitude).
struct ClosestPoints {
  Vec3 onA, onB;
  double s = 0.0, t = 0.0;
};
bool ClosestPointsOfLines(const Vec3& a1, const Vec3& a2, const Vec3& b1, const Vec3& b2, ClosestPoints& out);

// The pick radius in pixels. A press takes every corner within it in both axes (a square); the
// cursor shows the hand only within it as a distance (a circle). Both are strict.
constexpr double kPickRadius = 7.0;
bool WithinPressSquare(double x, double y, const Vec3& corner);
bool WithinCursorCircle(double x, double y, const Vec3& corner);

// A colour component of the preview as an 8-bit value: clamped to [0, 1] (NaN as 0), scaled by
// the single-precision 255.999 and truncated, so 1.0 gives 255 and 0.5 gives 127.
constexpr double kPreviewQuantise = 255.99899291992188;
int32_t QuantisePreview(double component);

// The sampling grid of a preview made by sampling: 1024 × 1024 points, the double nearest
// 1/1023 apart, so that the last column and row sample at 1.0.
constexpr int32_t kPreviewGrid = 1024;
constexpr double kPreviewStep = 0.0009775171065493646;

// A dashed line from a to b: steps of `dash` pixels along it, drawn and skipped in turn. The
// on/off state runs on from one line to the next when the caller passes the same `on`.
//
// A step count beyond what any view can show would never end (an edge thousands of kilometres
// long, or an infinite one). So the line is first clipped to `clip`, the view grown by a margin;
// only the steps that reach into it are produced, at exactly the positions the whole walk would
// give them, and the state after the walk is worked out from the step count's parity. At most
// kMaxDashSteps steps are produced per line in any case. A line of length 0, or one whose
// length or step count is not a finite number, has no steps and leaves the state as it is.
constexpr int64_t kMaxDashSteps = 1 << 16;
constexpr double kDashClipMargin = 16.0;

struct DashClip {
  double left = 0.0, top = 0.0, right = 0.0, bottom = 0.0;
};
// The view frame grown by kDashClipMargin on every side.
DashClip DashClipOf(const PixelFrame& view);

// One drawn dash.
struct DashSegment {
  Vec3 from, to;
};

// Calls draw(segment) for every drawn dash, in order; flips `on` once per step of the whole
// walk. Answers the number of dashes drawn.
template <typename Draw>
int64_t WalkDashes(const Vec3& a, const Vec3& b, double dash, const DashClip& clip, bool& on, Draw&& draw);

// The steps of the whole walk (ceil(|b - a| / dash)), or 0 when that is not a finite positive
// number; and the range of steps that reach into the clip rectangle.
struct DashPlan {
  double steps = 0.0;     // the whole walk
  double f = 0.0;         // 1 / n: the fraction of the line one step covers
  double first = 0.0;     // first step that reaches into the clip rectangle
  int64_t count = 0;      // steps produced, from `first` on (at most kMaxDashSteps)
};
DashPlan PlanDashes(const Vec3& a, const Vec3& b, double dash, const DashClip& clip);
// The point at fraction t of a..b, with t clamped to [0, 1].
Vec3 DashPoint(const Vec3& a, const Vec3& b, double t);
// Whether a step count (a whole number as a double) is odd.
bool OddSteps(double steps);

template <typename Draw>
int64_t WalkDashes(const Vec3& a, const Vec3& b, double dash, const DashClip& clip, bool& on, Draw&& draw) {
  const DashPlan plan = PlanDashes(a, b, dash, clip);
  const bool start = on;
  int64_t drawn = 0;
  for (int64_t k = 0; k < plan.count; ++k) {
    const double i = plan.first + static_cast<double>(k);
    // The state at step i is the start state flipped i times.
    const bool stepOn = OddSteps(i) ? !start : start;
    if (stepOn) {
      draw(DashSegment{DashPoint(a, b, i * plan.f), DashPoint(a, b, (i + 1.0) * plan.f)});
      ++drawn;
    }
  }
  if (OddSteps(plan.steps)) on = !start;
  return drawn;
}

// Arrow keys polled for one step per axis, for at most about 200 ms from the first poll's
// timer reading. down(key) answers whether a key is held now, now() reads the timer in ms.
// Left wins over Right and Up over Down: the second key of an axis is only polled when the
// first was not down. A held key keeps the polling going until it is released or 200 ms have
// passed. Adds the step (-1, 0 or +1 per axis) to dx and dy and answers whether there was one.
//
// A timer that does not advance (a host without one answers 0) would keep a held key polling
// for ever; each key is therefore polled at most kMaxArrowKeyPolls times, far more than 200 ms
// of polls take on any host.
enum class ArrowKey { kUp, kDown, kLeft, kRight };
constexpr int64_t kArrowKeyPollMs = 200;
constexpr int64_t kMaxArrowKeyPolls = 1000000;

template <typename Down, typename Now>
bool ReadArrowKeyStep(double& dx, double& dy, Down&& down, Now&& now) {
  const int64_t t0 = now();
  int sx = 0, sy = 0;
  // Polls one key while it is held, until the time is up: answers whether it was down.
  auto held = [&](ArrowKey key) {
    bool wasDown = false;
    for (int64_t polls = 0; polls < kMaxArrowKeyPolls && down(key); ++polls) {
      wasDown = true;
      if (now() - t0 > kArrowKeyPollMs) break;
    }
    return wasDown;
  };
  if (held(ArrowKey::kLeft)) sx = -1;
  if (sx == 0 && held(ArrowKey::kRight)) sx = 1;
  if (held(ArrowKey::kUp)) sy = -1;
  if (sy == 0 && held(ArrowKey::kDown)) sy = 1;
  if (sx != 0) dx += sx;
  if (sy != 0) dy += sy;
  return sx != 0 || sy != 0;
}

}  // namespace ombrel

#endif
