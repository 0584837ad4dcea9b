#include "sdk_render.h"

#include <cstddef>

#include "sdk_host.h"
#include "sdk_nodes.h"

namespace {
const HostShaderApi* Shaders() { return SdkHost()->shaders; }
}  // namespace

BaseObject* RayObject::GetSource() const { return BaseObject::From(Shaders()->rayObjectSource(Host())); }
BaseObject* RayObject::GetOrigin() const { return BaseObject::From(Shaders()->rayObjectOrigin(Host())); }
LONG RayObject::GetIndex() const { return Shaders()->rayObjectIndex(Host()); }

VLONG VolumeData::GetLastHitId() const {
  const HostShaderApi* shaders = Shaders();
  // A host of the first revision knows only hits on render objects.
  if (shaders->size < offsetof(HostShaderApi, volumeLastHitId) + sizeof(shaders->volumeLastHitId)) {
    return GetLastHitObject() ? 1 : 0;
  }
  return shaders->volumeLastHitId(Host());
}
const RayObject* VolumeData::GetLastHitObject() const { return RayObject::From(Shaders()->volumeLastHitObject(Host())); }
LONG VolumeData::GetLastPolygon() const { return Shaders()->volumeLastPolygon(Host()); }
Vector VolumeData::GetHitPoint() const { return Shaders()->volumeHitPoint(Host()); }
Bool VolumeData::GetPolygonWeights(Real weights[4]) const { return Shaders()->volumePolygonWeights(Host(), weights); }

Vector TransformColor(const Vector& color, LONG mode) { return Shaders()->transformColor(color, mode); }

Real Turbulence(const Vector& point, Real octaves, Bool absolute) {
  return Shaders()->turbulence(point, octaves, absolute);
}
