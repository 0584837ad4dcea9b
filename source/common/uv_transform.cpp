#include "uv_transform.h"

#include <cmath>

#include "numeric.h"

namespace {

// Magnitudes below this truncate into a signed 32-bit integer exactly.
constexpr double kTruncLimit = 2147483648.0;
// ln 0.5, as the bias curve has always divided by it.
constexpr double kLnHalf = -0.6931471805599453;
constexpr double kPi = 3.141592653589793;
// How far outside an edge (in barycentric weight) a point still counts as inside.
constexpr double kEdgeTolerance = 0.0001;
constexpr double kEdgeLimit = 1.0001;  // s + t, with the same tolerance

// Most coordinates already lie in the unit square, where both wraps change nothing: they are
// answered before any conversion. The sign tests are written as additions: on a surface whose
// coordinates cross 0 they would otherwise be a branch the processor guesses wrong half the time.
inline double Tile(double x) {
  if (x >= 0.0 && x < 1.0) return x;
  if (!(std::fabs(x) < kTruncLimit)) return 0.0;
  x -= ombrel::TruncToInt32(x);
  x += x < 0.0 ? 1.0 : 0.0;
  return x;
}

inline double Mirror(double x) {
  if (x >= 0.0 && x <= 1.0) return x;
  const double half = x * 0.5;
  if (!(std::fabs(half) < kTruncLimit)) return 0.0;
  // Twice the truncation in double: exact, where doubling the integer could overflow 32 bits.
  x -= 2.0 * ombrel::TruncToInt32(half);
  x += x < 0.0 ? 2.0 : 0.0;
  return x >= 1.0 ? 2.0 - x : x;
}

UvPoint Sub(const UvPoint& a, const UvPoint& b) { return UvPoint{a.u - b.u, a.v - b.v, a.w - b.w}; }
UvPoint Cross(const UvPoint& a, const UvPoint& b) {
  return UvPoint{a.v * b.w - a.w * b.v, a.w * b.u - a.u * b.w, a.u * b.v - a.v * b.u};
}
double Dot(const UvPoint& a, const UvPoint& b) { return a.u * b.u + a.v * b.v + a.w * b.w; }

// The classic bias curve through (0.5, B), with B itself swinging with x through a sine.
double Bias(double x, double bias, double phase) {
  const double b = 0.5 + (bias - 0.5) * std::sin(x - phase);
  return std::pow(b, std::log(x) / kLnHalf);
}

// Turns q about the centre of the unit square by the angle whose cosine and sine are given.
UvPoint TurnAboutCentre(const UvPoint& q, double c, double s) {
  const double x = q.u - 0.5;
  const double y = q.v - 0.5;
  return UvPoint{c * x - s * y + 0.5, s * x + c * y + 0.5, 0.0};
}

bool Finite(const UvPoint& p) { return std::isfinite(p.u) && std::isfinite(p.v); }

// rotationCos and rotationSin: the cosine and sine of st.rotation, worked out once per render.
bool MapCorners(const UvTransformSettings& st, double rotationCos, double rotationSin, const UvPoint& p, bool mirror,
                UvPoint& out) {
  double u = p.u;
  double v = p.v;
  const double vin = p.v;

  if (mirror) {
    u = Mirror(u);
    v = Mirror(v);
  } else {
    u = Tile(u);
    v = Tile(v);
  }

  // The second wrap is a tile wrap whichever wrap came first, so a coordinate of exactly 1.0
  // samples at 0.0 in every case. Without bulge both lie in [0, 1] already, where the wrap has
  // nothing to change but 1.0: that is all it is asked to do then.
  if (st.bulge != 0.0) {
    const double x = u - 0.5;
    const double y = v - 0.5;
    const double f = (1.0 + st.bulge * y * y) * (1.0 + st.bulge * x * x);
    u = Tile(x * f + 0.5);
    v = Tile(y * f + 0.5);
  } else {
    u = u >= 1.0 ? 0.0 : u;
    v = v >= 1.0 ? 0.0 : v;
  }

  if (v != 0.0 && st.biasV != 0.5) v = Bias(v, st.biasV, st.phaseV);
  if (u != 0.0 && st.biasU != 0.5) u = Bias(u, st.biasU, st.phaseU);

  const double w1 = (1.0 - u) * (1.0 - v);
  const double w2 = u * (1.0 - v);
  const double w3 = u * v;
  const double w4 = (1.0 - u) * v;
  const UvPoint* c = st.corners;
  UvPoint q{c[0].u * w1 + c[1].u * w2 + c[2].u * w3 + c[3].u * w4,
            c[0].v * w1 + c[1].v * w2 + c[2].v * w3 + c[3].v * w4, 0.0};

  if (st.rotation != 0.0) q = TurnAboutCentre(q, rotationCos, rotationSin);
  if (st.wave != 0.0) {
    const double phi = st.wave * std::sin(kPi * vin);
    q = TurnAboutCentre(q, std::cos(phi), std::sin(phi));
  }

  if (!Finite(q)) return false;
  out = q;
  return true;
}

bool PlaceInQuad(const UvTransformSettings& st, const UvPoint& p, UvPoint& out) {
  const UvPoint* c = st.corners;
  QuadWeights hit;
  // Taken from corner 2, so the diagonal runs from corner 2 to corner 4.
  if (!QuadHit(p, c[1], c[2], c[3], c[0], hit)) return false;
  if (hit.triangle == 0) {
    out = UvPoint{hit.t, hit.s + hit.t, 0.0};
  } else {
    out = UvPoint{hit.s + hit.t, hit.s, 0.0};
  }
  return Finite(out);
}

}  // namespace

double TileWrap(double x) { return Tile(x); }

double MirrorWrap(double x) { return Mirror(x); }

bool TriangleHit(const UvPoint& p, const UvPoint& a, const UvPoint& b, const UvPoint& c, TriangleWeights& out) {
  const UvPoint e1 = Sub(b, a);
  const UvPoint e2 = Sub(c, a);
  const UvPoint n = Cross(e1, e2);
  const UvPoint w = Sub(p, a);
  const double nn = Dot(n, n);
  // Every test is written so that NaN fails it: a point that cannot be placed is outside.
  if (!(nn > 0.0)) return false;
  const double s = Dot(Cross(w, e2), n) / nn;
  if (!(s >= -kEdgeTolerance)) return false;
  const double t = Dot(Cross(e1, w), n) / nn;
  if (!(t >= -kEdgeTolerance)) return false;
  if (!(s + t <= kEdgeLimit)) return false;
  out.s = s;
  out.t = t;
  return true;
}

bool QuadHit(const UvPoint& p, const UvPoint& a, const UvPoint& b, const UvPoint& c, const UvPoint& d,
             QuadWeights& out) {
  TriangleWeights weights;
  if (TriangleHit(p, a, b, c, weights)) {
    out = QuadWeights{weights.s, weights.t, 0};
    return true;
  }
  if (TriangleHit(p, a, c, d, weights)) {
    out = QuadWeights{weights.s, weights.t, 1};
    return true;
  }
  return false;
}

bool TransformUv(const UvTransformSettings& settings, const UvPoint& p, bool mirror, UvPoint& out) {
  return UvTransform(settings).Apply(p, mirror, out);
}

UvTransform::UvTransform(const UvTransformSettings& settings) : settings_(settings) {
  const UvTransformSettings unit;
  bool unitCorners = true;
  for (int i = 0; i < 4; ++i) {
    unitCorners = unitCorners && settings.corners[i].u == unit.corners[i].u && settings.corners[i].v == unit.corners[i].v;
  }
  if (settings.rotation != 0.0) {
    rotationCos_ = std::cos(settings.rotation);
    rotationSin_ = std::sin(settings.rotation);
  }
  wrapsOnly_ = settings.placeInQuad == 0 && unitCorners && settings.rotation == 0.0 && settings.bulge == 0.0 &&
               settings.wave == 0.0 && settings.biasU == 0.5 && settings.biasV == 0.5;
}

bool UvTransform::ApplyAnywhere(const UvPoint& p, bool mirror, UvPoint& out) const {
  if (wrapsOnly_) {
    const double u = mirror ? Mirror(p.u) : Tile(p.u);
    const double v = mirror ? Mirror(p.v) : Tile(p.v);
    out = UvPoint{u >= 1.0 ? 0.0 : u, v >= 1.0 ? 0.0 : v, 0.0};
    return true;
  }
  if (settings_.placeInQuad != 0) return PlaceInQuad(settings_, p, out);
  return MapCorners(settings_, rotationCos_, rotationSin_, p, mirror, out);
}
