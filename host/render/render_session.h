// One render's set-up and release: InitRender once for every shader in use before sampling,
// FreeRender after; and the per-sample records a renderer hands to a shader.
#ifndef OMBREL_HOST_RENDER_SESSION_H
#define OMBREL_HOST_RENDER_SESSION_H

#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/render_context.h"
#include "core/scene.h"

namespace ombrel::host {

class RenderSession {
 public:
  RenderSession() = default;
  ~RenderSession() { End(); }
  RenderSession(const RenderSession&) = delete;
  RenderSession& operator=(const RenderSession&) = delete;

  // Sets up the colour-channel shader of every material an object of the scene uses (each
  // shader once, in object order) and builds the render objects. A shader whose set-up answers
  // non-zero is still released at End, and its code is kept in Results().
  void Begin(const Scene& scene);
  // Sets up one shader on its own, for sampling it directly.
  void BeginShader(const Scene& scene, HostNode* shader);
  // Releases every shader set up by Begin; safe to call twice.
  void End();

  const HostInitRender& InitRecord() const { return irs_; }
  const std::vector<std::pair<HostNode*, int32_t>>& Results() const { return results_; }

  // The render object of a scene object, with its source, origin and index; null if the object
  // is not part of the scene.
  const HostRayObject* RayObjectOf(const HostNode* object) const;

  // A volume record for a hit on `object`'s polygon at (u, v) of its rectangle; the polygon
  // index and corner weights follow from the object's rows × columns grid. u and v are
  // clamped to [0, 1], and NaN counts as 0. Safe on render threads.
  HostVolume HitOn(const HostNode* object, double u, double v, const HostVector& hitPoint) const;
  // The same for a given polygon number, whatever cell (u, v) lies in: the corner weights are
  // those of (u, v) brought into that polygon's cell.
  HostVolume HitOnPolygon(const HostNode* object, int32_t polygon, double u, double v,
                          const HostVector& hitPoint) const;

  // Render records that the scene format cannot describe but another host may hand a shader.
  // A hit that resolves to no render object: polygon and corner weights as on a one-polygon
  // object at (u, v).
  HostVolume HitWithoutRenderObject(int32_t polygon, double u, double v, const HostVector& hitPoint) const;
  // A render object that names no source object, with an origin object or none. Main thread,
  // before sampling; it lives until the next Begin.
  const HostRayObject* AddRenderObjectWithoutSource(int32_t index, HostNode* origin);
  // A hit on such a render object (or any other), as on a one-polygon object at (u, v).
  HostVolume HitOnRenderObject(const HostRayObject* ro, int32_t polygon, double u, double v,
                               const HostVector& hitPoint) const;
  // A negative polygon number comes through HitOnPolygon as it is given.

  // The shader an object's material renders with, or null.
  static HostNode* ShaderOf(const HostNode* object);

 private:
  void SetUp(HostNode* shader);
  HostInitRender irs_{};
  std::vector<HostNode*> objects_;
  std::vector<HostRayObject> rayObjects_;
  std::vector<const HostRayObject*> listed_;  // what shaders are told in their set-up
  std::deque<HostRayObject> sourcelessObjects_;  // pointers handed out stay valid
  std::unordered_map<const HostNode*, size_t> objectIndex_;  // renderers look up every sample
  std::vector<std::pair<HostNode*, int32_t>> results_;
  bool active_ = false;
};

}  // namespace ombrel::host

#endif
