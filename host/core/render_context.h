// What the renderer records about a sample's hit, read by shaders through VolumeData.
#ifndef OMBREL_HOST_RENDER_CONTEXT_H
#define OMBREL_HOST_RENDER_CONTEXT_H

#include <cstdint>

#include "host_api.h"

struct HostRayObject {
  HostNode* source = nullptr;  // the scene object the render object was made from
  HostNode* origin = nullptr;  // a second origin object (generators), or null
  int32_t index = 0;           // the render object's index number
};

struct HostVolume {
  int64_t lastHitId = 0;                   // non-zero when the sample hit something
  const HostRayObject* lastHit = nullptr;  // the hit's render object; a hit may have none
  int32_t lastPolygon = -1;                // may be negative: hosts pass it on as they record it
  HostVector hitPoint{0.0, 0.0, 0.0};
  double weights[4] = {0.0, 0.0, 0.0, 0.0};  // corner weights of the hit polygon
};

#endif
