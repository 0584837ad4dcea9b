// Consecutive polygons can share one tile or one colour variation: polygons 0 to n - 1 form the
// first group, n to 2n - 1 the next. Header-only and free of host calls.
#pragma once

#include <cstdint>

namespace ombrel {

// The first polygon of the group of `group` consecutive polygons that holds `polygon`. The
// division truncates toward zero, so negative polygon numbers (which a careless host may
// report) group toward zero as well. Group 0 means no grouping and gives `polygon`. Computed
// in 64 bits, so no operand can overflow; the result always lies between 0 and `polygon`.
inline int32_t PolygonGroupStart(int32_t polygon, int32_t group) {
  if (group == 0) return polygon;
  const int64_t start = (static_cast<int64_t>(polygon) / group) * group;
  // Only INT32_MIN with group -1 reaches 2^31 in the quotient; times -1 it is INT32_MIN again.
  return static_cast<int32_t>(start);
}

}  // namespace ombrel
