// The compiler's own proof that it lays host_api.h out as the host does. The figures in
// host_api_layout.h are worked out from the header by tools/host_api_layout.py with the x86-64
// rules alone; every build of the module (Linux, Windows, macOS) compiles this file, so a module
// whose view of a record or a function table differs from the layout the host was built with
// does not build at all, rather than calling the wrong slot at run time.
//
// Sizes alone miss the faults that show on one target only: `long` is 8 bytes on Linux and macOS
// and 4 on Windows, bool and enums have no fixed size in C, and a parameter's type never shows in
// a function pointer's size. So every field's type, and every return and parameter type of every
// function pointer, must also be one that means the same on all three targets.
#include <stddef.h>
#include <stdint.h>

#include <type_traits>

#include "host_api.h"

namespace {

// The scalars the three targets agree on. `long` is among them only where it is int64_t itself
// (Linux): there the compiler cannot tell the two apart, and the table check and the other two
// targets' builds catch a field declared `long`.
template <typename T>
struct FixedScalar
    : std::integral_constant<bool, std::is_same<T, int8_t>::value || std::is_same<T, uint8_t>::value ||
                                       std::is_same<T, int16_t>::value || std::is_same<T, uint16_t>::value ||
                                       std::is_same<T, int32_t>::value || std::is_same<T, uint32_t>::value ||
                                       std::is_same<T, int64_t>::value || std::is_same<T, uint64_t>::value ||
                                       std::is_same<T, double>::value || std::is_same<T, char>::value> {};

template <typename T>
struct Portable;

// Records and opaque handles pass: a record's own fields have lines of their own in the table.
template <typename T>
struct PortableBare
    : std::integral_constant<bool, std::is_void<T>::value || std::is_class<T>::value || FixedScalar<T>::value> {};
template <typename T>
struct PortableBare<T*> : Portable<T> {};
template <typename T, size_t N>
struct PortableBare<T[N]> : Portable<T> {};
template <typename R, typename... A>
struct PortableBare<R(A...)> : std::integral_constant<bool, Portable<R>::value && (Portable<A>::value && ...)> {};

template <typename T>
struct Portable : PortableBare<typename std::remove_cv<T>::type> {};

static_assert(std::is_same<HostBool, int32_t>::value, "host_api.h types: HostBool is int32_t on every platform");

}  // namespace

#define HOST_LAYOUT_STRUCT(type, size, alignment)                                                    \
  static_assert(sizeof(type) == (size), "host_api.h layout: " #type " has another size on this platform"); \
  static_assert(alignof(type) == (alignment), "host_api.h layout: " #type " has another alignment on this platform");

#define HOST_LAYOUT_FIELD(type, field, offset, size)                                              \
  static_assert(offsetof(type, field) == (offset),                                                \
                "host_api.h layout: " #type "." #field " has another offset on this platform");   \
  static_assert(sizeof(type::field) == (size),                                                    \
                "host_api.h layout: " #type "." #field " has another size on this platform");     \
  static_assert(Portable<decltype(type::field)>::value,                                           \
                "host_api.h types: " #type "." #field " uses a type whose size or meaning differs " \
                "between platforms (long, wchar_t, bool, an enum, ...): use the fixed-width "      \
                "integers, double and HostBool");

#define HOST_LAYOUT_FUNCTION(type)                                                               \
  static_assert(sizeof(type) == 8, "host_api.h layout: " #type " has another size on this platform"); \
  static_assert(Portable<type>::value,                                                            \
                "host_api.h types: " #type " uses a type whose size or meaning differs between "   \
                "platforms (long, wchar_t, bool, an enum, ...): use the fixed-width integers, "    \
                "double and HostBool");

#include "host_api_layout.h"

#undef HOST_LAYOUT_STRUCT
#undef HOST_LAYOUT_FIELD
#undef HOST_LAYOUT_FUNCTION
