// Typed values and parameter containers of the stand-in host.
#ifndef OMBREL_HOST_DATA_H
#define OMBREL_HOST_DATA_H

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host_api.h"

// Custom data types (gradients, ...) stored in a value. Values copy them deeply.
struct HostCustomData {
  virtual ~HostCustomData() = default;
  virtual int32_t CustomType() const = 0;
  virtual std::unique_ptr<HostCustomData> Clone() const = 0;
};

struct HostData {
  int32_t type = HOST_DA_NIL;
  int32_t i32 = 0;
  double real = 0.0;
  HostVector vec{0.0, 0.0, 0.0};
  std::string text;         // strings and file names
  uint64_t linkSerial = 0;  // links name their target by serial, so deleted targets resolve to null
  std::unique_ptr<HostCustomData> custom;

  HostData() = default;
  HostData(const HostData& o) { *this = o; }
  HostData& operator=(const HostData& o);
  HostData(HostData&&) noexcept = default;
  HostData& operator=(HostData&&) noexcept = default;

  // Values of the plain types, as parameters, scene files and tests make them.
  static HostData OfInt32(int32_t v) {
    HostData d;
    d.type = HOST_DA_LONG;
    d.i32 = v;
    return d;
  }
  static HostData OfReal(double v) {
    HostData d;
    d.type = HOST_DA_REAL;
    d.real = v;
    return d;
  }
  // A link to the node with this serial (0: empty).
  static HostData OfLink(uint64_t serial) {
    HostData d;
    d.type = HOST_DA_LINK;
    d.linkSerial = serial;
    return d;
  }

  void Clear() { *this = HostData(); }
  int32_t CustomType() const { return custom ? custom->CustomType() : 0; }
};

// Entries keep their insertion order, as scenes and descriptions list them.
struct HostContainer {
  std::vector<std::pair<int32_t, HostData>> entries;
  int32_t ownId = 0;  // the container's own ID (a message type, a query's purpose)

  const HostData* Find(int32_t id) const;
  HostData& Slot(int32_t id);  // existing entry or a new NIL one at the end
  bool Remove(int32_t id);
};

namespace ombrel::host {

// Creates the default value of a custom data type; null for types this host does not know.
std::unique_ptr<HostCustomData> MakeCustomData(int32_t customType);

// Human-readable name of a value's type, as `describe` and error messages show it.
std::string DataTypeName(int32_t type, int32_t customType);

}  // namespace ombrel::host

#endif
