// UV transform of the UV transform shader: from the texture coordinate a sample arrives with to
// the coordinate at which the linked source is sampled, or to no sample at all.
//
// Two modes. Corner mapping wraps the coordinate into the unit square, bends it by the optional
// effects and carries it through the bilinear patch of the four corners, so the region the
// corners enclose is stretched over the surface. Quad placement does the inverse: it finds the
// coordinate inside the quad of the corners (two triangles split along corners 2-4) and answers
// the matching point of the unit square, so the whole picture sits inside the quad.
//
// Pure maths in double precision: no host calls, no allocation, nothing written but the result,
// so any number of render threads may call it at once. Sine, cosine, logarithm and power are
// only called for the effects that are switched on.
#ifndef OMBREL_COMMON_UV_TRANSFORM_H
#define OMBREL_COMMON_UV_TRANSFORM_H

#include <cstdint>

struct UvPoint {
  double u = 0.0;
  double v = 0.0;
  double w = 0.0;
};

// The shader's settings as Output uses them. The member defaults are the shader's defaults.
struct UvTransformSettings {
  int32_t placeInQuad = 0;  // 0: corner mapping; anything else: quad placement
  // Corners 1 to 4; their w must be 0 (the shader clears it when it reads them).
  UvPoint corners[4] = {{0.0, 0.0, 0.0}, {1.0, 0.0, 0.0}, {1.0, 1.0, 0.0}, {0.0, 1.0, 0.0}};
  double rotation = 0.0;  // radians, about (0.5, 0.5), after the corner patch
  double bulge = 0.0;     // radial stretch before the corner patch
  double wave = 0.0;      // radians: amplitude of a turn that follows the incoming v
  // Biases as the curve reads them: 0.5 * parameter + 0.5, so 0.5 is off.
  double biasU = 0.5;
  double biasV = 0.5;
  double phaseU = 0.0;  // phase of the sine that modulates the u bias
  double phaseV = 0.0;
};

// Repeat wrap into [0, 1): x minus its truncation toward zero, plus 1 when that is negative
// (so 1.0 wraps to 0.0 and -0.25 to 0.75). A value whose truncation leaves the 32-bit range
// (|x| >= 2^31), an infinity or NaN has no place in the repeat that the integer truncation
// could find; it wraps to 0.
double TileWrap(double x);

// Mirror wrap into [0, 1]: every other repeat runs backwards, and 1.0 stays 1.0. x is
// truncated in steps of 2; a value whose half leaves the 32-bit range (|x| >= 2^32), an
// infinity or NaN wraps to 0.
double MirrorWrap(double x);

// Barycentric position of a point in the triangle (a, b, c): s is the weight of b - a, t that
// of c - a. Points up to 0.0001 (in weight) outside an edge count as inside. A degenerate
// triangle, and any point or corner that makes the weights NaN, is a miss.
struct TriangleWeights {
  double s = 0.0;
  double t = 0.0;
};
bool TriangleHit(const UvPoint& p, const UvPoint& a, const UvPoint& b, const UvPoint& c, TriangleWeights& out);

// The quad (a, b, c, d) split along a-c: triangle 0 = (a, b, c) is tried first, then
// triangle 1 = (a, c, d). A point on the diagonal is reported by triangle 0.
struct QuadWeights {
  double s = 0.0;
  double t = 0.0;
  int32_t triangle = 0;
};
bool QuadHit(const UvPoint& p, const UvPoint& a, const UvPoint& b, const UvPoint& c, const UvPoint& d,
             QuadWeights& out);

// The coordinate at which the source is sampled for the incoming coordinate p (as the host
// passed it, not wrapped); `mirror` is the sample's mirror texture flag, read by corner mapping
// only. Writes `out` (w = 0) and answers true, or answers false for no sample: in quad placement
// outside the quad, and in either mode when the result is not a finite coordinate (only NaN or
// infinite settings, or a wave over an infinite or NaN v, lead there).
// The patch of the unit square's corners is the identity: it answers the wrapped (u, v) exactly.
bool TransformUv(const UvTransformSettings& settings, const UvPoint& p, bool mirror, UvPoint& out);

// The settings of one render with what they allow worked out once (the shortcut of the plain
// settings, the rotation's cosine and sine), for a caller that transforms many points with the
// same settings: Apply answers what TransformUv answers.
class UvTransform {
 public:
  UvTransform() = default;  // the default settings
  explicit UvTransform(const UvTransformSettings& settings);

  const UvTransformSettings& Settings() const { return settings_; }
  bool Apply(const UvPoint& p, bool mirror, UvPoint& out) const {
    // Inside the unit square neither wrap changes a coordinate: the commonest sample of all.
    if (wrapsOnly_ && p.u >= 0.0 && p.u < 1.0 && p.v >= 0.0 && p.v < 1.0) {
      out = UvPoint{p.u, p.v, 0.0};
      return true;
    }
    return ApplyAnywhere(p, mirror, out);
  }

 private:
  bool ApplyAnywhere(const UvPoint& p, bool mirror, UvPoint& out) const;

  UvTransformSettings settings_;
  // Corner mapping with the unit square's corners and every effect off: only the wraps remain.
  bool wrapsOnly_ = true;
  double rotationCos_ = 1.0;  // of the rotation, when there is one
  double rotationSin_ = 0.0;
};

#endif
