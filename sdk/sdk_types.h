// Basic types of the plug-in SDK, in the host's era names.
#ifndef OMBREL_SDK_TYPES_H
#define OMBREL_SDK_TYPES_H

#include <cstdint>

#include "host_api.h"

typedef int32_t LONG;
typedef uint32_t ULONG;
typedef int64_t VLONG;
typedef double Real;
typedef int32_t Bool;  // crosses the host interface as 32 bits, so never C++ bool

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Three reals, laid out exactly as HostVector so records can be shared with the host.
struct Vector {
  Real x, y, z;

  Vector() : x(0.0), y(0.0), z(0.0) {}
  explicit Vector(Real v) : x(v), y(v), z(v) {}
  Vector(Real ax, Real ay, Real az) : x(ax), y(ay), z(az) {}
  Vector(const HostVector& v) : x(v.x), y(v.y), z(v.z) {}  // NOLINT: implicit by design
  operator HostVector() const { return HostVector{x, y, z}; }

  Vector operator+(const Vector& o) const { return Vector(x + o.x, y + o.y, z + o.z); }
  Vector operator-(const Vector& o) const { return Vector(x - o.x, y - o.y, z - o.z); }
  Vector operator*(Real s) const { return Vector(x * s, y * s, z * s); }
  Vector operator/(Real s) const { return Vector(x / s, y / s, z / s); }
  Vector& operator+=(const Vector& o) { x += o.x; y += o.y; z += o.z; return *this; }
  bool operator==(const Vector& o) const { return x == o.x && y == o.y && z == o.z; }
  bool operator!=(const Vector& o) const { return !(*this == o); }
};
static_assert(sizeof(Vector) == sizeof(HostVector), "Vector must match HostVector");

#endif
