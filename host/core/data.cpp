#include "data.h"

#include "gradient.h"
#include "material_preview.h"

HostData& HostData::operator=(const HostData& o) {
  if (this == &o) return *this;
  type = o.type;
  i32 = o.i32;
  real = o.real;
  vec = o.vec;
  text = o.text;
  linkSerial = o.linkSerial;
  custom = o.custom ? o.custom->Clone() : nullptr;
  return *this;
}

const HostData* HostContainer::Find(int32_t id) const {
  for (const auto& [key, value] : entries) {
    if (key == id) return &value;
  }
  return nullptr;
}

HostData& HostContainer::Slot(int32_t id) {
  for (auto& [key, value] : entries) {
    if (key == id) return value;
  }
  entries.emplace_back(id, HostData());
  return entries.back().second;
}

bool HostContainer::Remove(int32_t id) {
  for (auto it = entries.begin(); it != entries.end(); ++it) {
    if (it->first == id) {
      entries.erase(it);
      return true;
    }
  }
  return false;
}

namespace ombrel::host {

std::unique_ptr<HostCustomData> MakeCustomData(int32_t customType) {
  if (customType == HOST_CUSTOMDATA_GRADIENT) return std::make_unique<HostGradient>();
  if (customType == HOST_CUSTOMDATA_MATPREVIEW) return std::make_unique<HostMaterialPreview>();
  return nullptr;
}

std::string DataTypeName(int32_t type, int32_t customType) {
  switch (type) {
    case HOST_DA_NIL: return "nil";
    case HOST_DA_LONG: return "integer";
    case HOST_DA_REAL: return "real";
    case HOST_DA_TIME: return "time";
    case HOST_DA_VECTOR: return "vector";
    case HOST_DA_STRING: return "string";
    case HOST_DA_FILENAME: return "filename";
    case HOST_DA_LINK: return "link";
    case HOST_DA_CONTAINER: return "container";
    case HOST_DA_CUSTOM:
      if (customType == HOST_CUSTOMDATA_GRADIENT) return "gradient";
      if (customType == HOST_CUSTOMDATA_MATPREVIEW) return "material preview";
      return "custom " + std::to_string(customType);
    default: return "type " + std::to_string(type);
  }
}

}  // namespace ombrel::host
