// Small numeric helpers shared by the shaders and the pure maths: one home for each rule.
// Header-only and free of host calls.
#pragma once

#include <cfloat>
#include <cmath>
#include <cstdint>

namespace ombrel {

// Clamps to [0, 1]. NaN gives 0: a colour or weight that cannot be computed is treated as
// "nothing", never passed on.
inline double Clamp01(double x) {
  if (x > 1.0) return 1.0;
  if (x >= 0.0) return x;
  return 0.0;  // below 0, or NaN
}

// Truncates toward zero into the 32-bit range. Inside the range this is exactly the language's
// conversion; beyond it the result saturates at INT32_MIN or INT32_MAX, and NaN gives 0, where
// the plain conversion would be undefined.
inline int32_t TruncToInt32(double x) {
  if (!(x == x)) return 0;
  if (x >= 2147483647.0) return INT32_MAX;
  if (x <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(x);
}

// A colour component raised to a gamma exponent, finite for every finite input. Components at
// or below 0 (and NaN) give 0, where the plain power gives NaN for a negative base and an
// infinity for 0 under a negative exponent; textures may answer negative values and stored
// scenes may hold gammas beyond their limits. A result too large for a double stays at the
// largest one. Elsewhere the result is exactly the plain power.
inline double GammaPow(double c, double exponent) {
  if (!(c > 0.0)) return 0.0;
  const double r = std::pow(c, exponent);
  if (r == r) return r < DBL_MAX ? r : DBL_MAX;
  return 0.0;  // a NaN exponent
}

// Two's-complement 32-bit addition, wrapping on overflow the way the hardware does, without the
// undefined behaviour of signed overflow.
inline int32_t WrapAdd32(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// Two's-complement 32-bit multiplication, wrapping on overflow.
inline int32_t WrapMul32(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

}  // namespace ombrel
