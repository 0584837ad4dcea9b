// Render records: what InitRender and Output receive.
#ifndef OMBREL_SDK_RENDER_H
#define OMBREL_SDK_RENDER_H

#include "sdk_host.h"
#include "sdk_types.h"

class BaseDocument;
class BaseObject;

// One polygon of a render object: four point indices (a triangle repeats c).
struct CPolygon {
  LONG a, b, c, d;
};

// Identity sums of a render object, as the host works them out once per render (see
// HostIdentitySums): each wraps at 32 bits, and is 0 where there is no object.
struct RayObjectIdentities {
  LONG sourceChain = 0;     // the source object and its ancestors
  LONG originChain = 0;     // the origin object and its ancestors
  LONG sourceIdentity = 0;  // the source object alone
  Bool hasSource = FALSE;
  Bool hasOrigin = FALSE;
};

// A render object as the renderer sees it. Lookups are safe on render threads.
class RayObject {
 public:
  const HostRayObject* Host() const { return reinterpret_cast<const HostRayObject*>(this); }
  static const RayObject* From(const HostRayObject* ro) { return reinterpret_cast<const RayObject*>(ro); }
  BaseObject* GetSource() const;  // the scene object it was made from
  BaseObject* GetOrigin() const;  // a second origin object (generators), or null
  LONG GetIndex() const;          // the render object's index number
  // The points (world space) and polygons (four point indices each) of the render object, with
  // their counts; null when the host gives none.
  const Vector* GetPoints(LONG* count) const;
  const CPolygon* GetPolygons(LONG* count) const;
  // The texture coordinate the object's texture projection gives a point of its surface.
  Bool GetTextureCoordinate(const Vector& point, Vector* uvw) const;
  // The identity sums in one call. FALSE, leaving *ids alone, from a host that does not offer
  // them: the caller then walks the hierarchy itself.
  Bool GetIdentitySums(RayObjectIdentities* ids) const;

 private:
  RayObject() = delete;
  ~RayObject() = delete;
};

// The render context of one sample. Lookups are safe on render threads.
class VolumeData {
 public:
  const HostVolume* Host() const { return reinterpret_cast<const HostVolume*>(this); }
  VLONG GetLastHitId() const;                 // 0 without a hit
  // Inline, as every sample of a per-object shader asks for them.
  // Null without a hit, or for a hit without one.
  const RayObject* GetLastHitObject() const { return RayObject::From(SdkHost()->shaders->volumeLastHitObject(Host())); }
  // -1 without a hit; other hosts may record any value.
  LONG GetLastPolygon() const { return SdkHost()->shaders->volumeLastPolygon(Host()); }
  // Both of the above, in one host call where the host offers it.
  const RayObject* GetLastHit(LONG* polygon) const {
    const HostShaderApi* api = SdkHost()->shaders;
    if (OMBREL_HAS(api, volumeLastHit)) {
      int32_t hitPolygon = -1;
      const RayObject* object = RayObject::From(api->volumeLastHit(Host(), &hitPolygon));
      *polygon = hitPolygon;
      return object;
    }
    *polygon = api->volumeLastPolygon(Host());
    return RayObject::From(api->volumeLastHitObject(Host()));
  }
  Vector GetHitPoint() const;                 // world space
  Bool GetPolygonWeights(Real weights[4]) const;

 private:
  VolumeData() = delete;
  ~VolumeData() = delete;
};

// Per-sample record, laid out exactly as HostChannelData.
struct ChannelData {
  Vector p;
  Vector n;
  Vector d;
  Real t;
  LONG texflag;
  LONG reserved;
  VolumeData* vd;

  HostChannelData* ToHost() { return reinterpret_cast<HostChannelData*>(this); }
  static ChannelData* From(HostChannelData* cd) { return reinterpret_cast<ChannelData*>(cd); }
};
static_assert(sizeof(ChannelData) == sizeof(HostChannelData), "ChannelData must match HostChannelData");

// Render set-up record, laid out exactly as HostInitRender.
struct InitRenderStruct {
  BaseDocument* doc;
  Real time;
  Real fps;
  Bool linear_workflow;
  LONG thread_count;

  const HostInitRender* ToHost() const { return reinterpret_cast<const HostInitRender*>(this); }
  static const InitRenderStruct* From(const HostInitRender* irs) { return reinterpret_cast<const InitRenderStruct*>(irs); }
};
static_assert(sizeof(InitRenderStruct) == sizeof(HostInitRender), "InitRenderStruct must match HostInitRender");

// The render objects of the render that `irs` sets up, and their number in *count; null, with
// *count 0, when the record belongs to no render or the host does not list them. Samples may
// still hit render objects that are not listed. Main thread, during InitRender; the objects stay
// valid until FreeRender.
const RayObject* const* GetRenderObjects(const InitRenderStruct& irs, LONG* count);

// Colour-space conversion of the host (mode 2: sRGB to linear). Safe on render threads.
Vector TransformColor(const Vector& color, LONG mode);

// Turbulence noise of the host, in [0, 1]. Safe on render threads.
Real Turbulence(const Vector& point, Real octaves, Bool absolute);

#endif
