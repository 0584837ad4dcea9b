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

static_assert(sizeof(Vector) == sizeof(HostVector), "Vector must match HostVector");
static_assert(sizeof(CPolygon) == 4 * sizeof(int32_t), "CPolygon must be four point indices");

const Vector* RayObject::GetPoints(LONG* count) const {
  if (count) *count = 0;
  const HostShaderApi* api = Shaders();
  if (!OMBREL_HAS(api, rayObjectPoints)) return nullptr;
  int32_t n = 0;
  const HostVector* points = api->rayObjectPoints(Host(), &n);
  if (!points || n <= 0) return nullptr;
  if (count) *count = n;
  return reinterpret_cast<const Vector*>(points);
}

const CPolygon* RayObject::GetPolygons(LONG* count) const {
  if (count) *count = 0;
  const HostShaderApi* api = Shaders();
  if (!OMBREL_HAS(api, rayObjectPolygons)) return nullptr;
  int32_t n = 0;
  const int32_t* polygons = api->rayObjectPolygons(Host(), &n);
  if (!polygons || n <= 0) return nullptr;
  if (count) *count = n;
  return reinterpret_cast<const CPolygon*>(polygons);
}

Bool RayObject::GetTextureCoordinate(const Vector& point, Vector* uvw) const {
  const HostShaderApi* api = Shaders();
  if (!uvw || !OMBREL_HAS(api, rayObjectTextureCoordinate)) return FALSE;
  HostVector out{0.0, 0.0, 0.0};
  if (!api->rayObjectTextureCoordinate(Host(), HostVector{point.x, point.y, point.z}, &out)) return FALSE;
  *uvw = Vector(out.x, out.y, out.z);
  return TRUE;
}

Bool RayObject::GetIdentitySums(RayObjectIdentities* ids) const {
  const HostShaderApi* api = Shaders();
  if (!ids || !OMBREL_HAS(api, rayObjectIdentitySums)) return FALSE;
  HostIdentitySums sums{0, 0, 0, HOST_FALSE, HOST_FALSE};
  if (!api->rayObjectIdentitySums(Host(), &sums)) return FALSE;
  ids->sourceChain = sums.sourceChain;
  ids->originChain = sums.originChain;
  ids->sourceIdentity = sums.sourceIdentity;
  ids->hasSource = sums.hasSource ? TRUE : FALSE;
  ids->hasOrigin = sums.hasOrigin ? TRUE : FALSE;
  return TRUE;
}

VLONG VolumeData::GetLastHitId() const {
  const HostShaderApi* shaders = Shaders();
  // A host of the first revision knows only hits on render objects.
  if (shaders->size < offsetof(HostShaderApi, volumeLastHitId) + sizeof(shaders->volumeLastHitId)) {
    return GetLastHitObject() ? 1 : 0;
  }
  return shaders->volumeLastHitId(Host());
}
Vector VolumeData::GetHitPoint() const { return Shaders()->volumeHitPoint(Host()); }
Bool VolumeData::GetPolygonWeights(Real weights[4]) const { return Shaders()->volumePolygonWeights(Host(), weights); }

const RayObject* const* GetRenderObjects(const InitRenderStruct& irs, LONG* count) {
  if (count) *count = 0;
  const HostShaderApi* api = Shaders();
  if (!count || !OMBREL_HAS(api, renderObjects)) return nullptr;
  int32_t n = 0;
  const HostRayObject* const* objects = api->renderObjects(irs.ToHost(), &n);
  if (!objects || n <= 0) return nullptr;
  *count = n;
  return reinterpret_cast<const RayObject* const*>(objects);
}

Vector TransformColor(const Vector& color, LONG mode) { return Shaders()->transformColor(color, mode); }

Real Turbulence(const Vector& point, Real octaves, Bool absolute) {
  return Shaders()->turbulence(point, octaves, absolute);
}
