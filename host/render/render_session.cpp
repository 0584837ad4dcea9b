#include "render/render_session.h"

#include <algorithm>
#include <cmath>

#include "core/families.h"

namespace ombrel::host {

namespace {
HostInitRender MakeInitRecord(const Scene& scene) {
  HostInitRender irs{};
  irs.document = scene.document;
  irs.time = scene.settings.time;
  irs.fps = scene.settings.fps;
  irs.linearWorkflow = scene.settings.linearWorkflow ? HOST_TRUE : HOST_FALSE;
  irs.threadCount = scene.settings.threads;
  return irs;
}
}  // namespace

HostNode* RenderSession::ShaderOf(const HostNode* object) { return ChannelShader(MaterialOf(object)); }

void RenderSession::SetUp(HostNode* shader) {
  if (!shader) return;
  for (const auto& [done, code] : results_) {
    if (done == shader) return;
  }
  results_.emplace_back(shader, ShaderFamily()->initRender(shader, &irs_));
}

void RenderSession::Begin(const Scene& scene) {
  End();
  irs_ = MakeInitRecord(scene);
  objects_ = AllObjects(scene.document);
  rayObjects_.clear();
  rayObjects_.reserve(objects_.size());
  for (HostNode* object : objects_) {
    HostRayObject ro;
    ro.source = object;
    ro.origin = FindLiveNode(object->originSerial);
    ro.index = object->renderIndex;
    rayObjects_.push_back(ro);
  }
  active_ = true;
  for (HostNode* object : scene.objects) SetUp(ShaderOf(object));
}

void RenderSession::BeginShader(const Scene& scene, HostNode* shader) {
  Begin(scene);
  SetUp(shader);
}

void RenderSession::End() {
  if (!active_) return;
  for (auto it = results_.rbegin(); it != results_.rend(); ++it) ShaderFamily()->freeRender(it->first);
  results_.clear();
  active_ = false;
}

const HostRayObject* RenderSession::RayObjectOf(const HostNode* object) const {
  for (size_t i = 0; i < objects_.size(); ++i) {
    if (objects_[i] == object) return &rayObjects_[i];
  }
  return nullptr;
}

HostVolume RenderSession::HitOn(const HostNode* object, double u, double v, const HostVector& hitPoint) const {
  HostVolume vd;
  vd.lastHit = RayObjectOf(object);
  vd.hitPoint = hitPoint;
  if (!vd.lastHit) return vd;
  const int32_t columns = std::max(1, object->geometry.columns);
  const int32_t rows = std::max(1, object->geometry.rows);
  const double fu = std::clamp(u, 0.0, 1.0) * columns;
  const double fv = std::clamp(v, 0.0, 1.0) * rows;
  const int32_t col = std::min(columns - 1, static_cast<int32_t>(fu));
  const int32_t row = std::min(rows - 1, static_cast<int32_t>(fv));
  vd.lastPolygon = row * columns + col;
  // Bilinear corner weights of the point inside its polygon: corners a (top left), b (top
  // right), c (bottom right), d (bottom left).
  const double s = fu - col, t = fv - row;
  vd.weights[0] = (1 - s) * (1 - t);
  vd.weights[1] = s * (1 - t);
  vd.weights[2] = s * t;
  vd.weights[3] = (1 - s) * t;
  return vd;
}

}  // namespace ombrel::host
