// What the renderer records about a sample's hit, read by shaders through VolumeData.
#ifndef OMBREL_HOST_RENDER_CONTEXT_H
#define OMBREL_HOST_RENDER_CONTEXT_H

#include <cstdint>
#include <vector>

#include "host_api.h"

struct HostRayObject {
  HostNode* source = nullptr;  // the scene object the render object was made from
  HostNode* origin = nullptr;  // a second origin object (generators), or null
  int32_t index = 0;           // the render object's index number
  // The flat rectangle's polygon grid in world space (fractions of the picture, z = 0): points
  // row by row from the top left, (columns + 1) × (rows + 1) of them; polygons row by row, four
  // point indices each, clockwise on the picture from the top left corner. Empty when the render
  // object has no source, or more than kMaxGeometryPolygons polygons.
  std::vector<HostVector> points;
  std::vector<int32_t> polygons;
  // The rectangle, for the texture projection: u runs from left to right, v from top to bottom.
  double left = 0.0, top = 0.0, width = 1.0, height = 1.0;
  double u0 = 0.0, v0 = 0.0, u1 = 1.0, v1 = 1.0;
  bool projected = false;
  // Worked out by SetIdentitySums when the render object is built, from source and origin.
  HostIdentitySums identities{0, 0, 0, HOST_FALSE, HOST_FALSE};
};

namespace ombrel::host {
// The render objects that the shader service renderObjects lists for a render's set-up record,
// from now until UnlistRenderObjects; `objects` must outlive that. Main thread.
void ListRenderObjects(const HostInitRender* irs, const std::vector<const HostRayObject*>* objects);
void UnlistRenderObjects(const HostInitRender* irs);

// Fills ro.identities from ro.source and ro.origin, walking up through the node family's own
// `up` and `uniqueIdentity`, so the sums are exactly what a module walking the chain would add.
void SetIdentitySums(HostRayObject& ro);
}  // namespace ombrel::host

// The largest polygon grid whose arrays the stand-in builds for a render object.
constexpr int64_t kMaxGeometryPolygons = 1 << 16;

struct HostVolume {
  int64_t lastHitId = 0;                   // non-zero when the sample hit something
  const HostRayObject* lastHit = nullptr;  // the hit's render object; a hit may have none
  int32_t lastPolygon = -1;                // may be negative: hosts pass it on as they record it
  HostVector hitPoint{0.0, 0.0, 0.0};
  double weights[4] = {0.0, 0.0, 0.0, 0.0};  // corner weights of the hit polygon
};

#endif
