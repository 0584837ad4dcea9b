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

namespace {

// The flat rectangle of an object as a render object's point and polygon arrays, and its
// texture projection (the rectangle's own u, v).
void BuildGeometry(const ObjectGeometry& g, HostRayObject& ro) {
  const int64_t columns = std::max(1, g.columns);
  const int64_t rows = std::max(1, g.rows);
  ro.left = g.left;
  ro.top = g.top;
  ro.width = g.right - g.left;
  ro.height = g.bottom - g.top;
  ro.u0 = g.u0;
  ro.v0 = g.v0;
  ro.u1 = g.u1;
  ro.v1 = g.v1;
  ro.projected = ro.width > 0.0 && ro.height > 0.0;
  if (columns * rows > kMaxGeometryPolygons) return;
  ro.points.reserve(static_cast<size_t>((columns + 1) * (rows + 1)));
  for (int64_t r = 0; r <= rows; ++r) {
    for (int64_t c = 0; c <= columns; ++c) {
      ro.points.push_back(HostVector{g.left + ro.width * static_cast<double>(c) / static_cast<double>(columns),
                                     g.top + ro.height * static_cast<double>(r) / static_cast<double>(rows), 0.0});
    }
  }
  ro.polygons.reserve(static_cast<size_t>(columns * rows * 4));
  for (int64_t r = 0; r < rows; ++r) {
    for (int64_t c = 0; c < columns; ++c) {
      const int64_t a = r * (columns + 1) + c;
      for (int64_t corner : {a, a + 1, a + columns + 2, a + columns + 1}) ro.polygons.push_back(static_cast<int32_t>(corner));
    }
  }
}

}  // namespace

void RenderSession::Begin(const Scene& scene) {
  End();
  irs_ = MakeInitRecord(scene);
  objects_ = AllObjects(scene.document);
  rayObjects_.clear();
  sourcelessObjects_.clear();
  rayObjects_.reserve(objects_.size());
  objectIndex_.clear();
  for (HostNode* object : objects_) {
    objectIndex_.emplace(object, rayObjects_.size());
    HostRayObject ro;
    ro.source = object;
    ro.origin = FindLiveNode(object->originSerial);
    ro.index = object->renderIndex;
    BuildGeometry(object->geometry, ro);
    SetIdentitySums(ro);
    rayObjects_.push_back(std::move(ro));
  }
  listed_.clear();
  for (const HostRayObject& ro : rayObjects_) listed_.push_back(&ro);
  ListRenderObjects(&irs_, &listed_);
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
  UnlistRenderObjects(&irs_);
  active_ = false;
}

const HostRayObject* RenderSession::RayObjectOf(const HostNode* object) const {
  auto it = objectIndex_.find(object);
  return it == objectIndex_.end() ? nullptr : &rayObjects_[it->second];
}

namespace {
// A hit's identifier names its render object; a hit without one gets a number no address has.
constexpr int64_t kUnresolvedHitId = -1;
int64_t HitIdOf(const HostRayObject* ro) { return static_cast<int64_t>(reinterpret_cast<uintptr_t>(ro)); }

// NaN would otherwise reach an integer conversion, which is undefined.
double Unit(double x) { return x >= 0.0 ? (x <= 1.0 ? x : 1.0) : 0.0; }

// Bilinear corner weights of (s, t) inside a polygon: corners a (top left), b (top right),
// c (bottom right), d (bottom left).
void CornerWeights(double s, double t, double weights[4]) {
  s = Unit(s);
  t = Unit(t);
  weights[0] = (1 - s) * (1 - t);
  weights[1] = s * (1 - t);
  weights[2] = s * t;
  weights[3] = (1 - s) * t;
}
}  // namespace

HostVolume RenderSession::HitOn(const HostNode* object, double u, double v, const HostVector& hitPoint) const {
  if (!object) return HitOnPolygon(object, -1, u, v, hitPoint);
  // The polygon under (u, v); the far edges belong to the last row and column.
  const int32_t columns = std::max(1, object->geometry.columns);
  const int32_t rows = std::max(1, object->geometry.rows);
  const int32_t col = std::min(columns - 1, static_cast<int32_t>(Unit(u) * columns));
  const int32_t row = std::min(rows - 1, static_cast<int32_t>(Unit(v) * rows));
  return HitOnPolygon(object, row * columns + col, u, v, hitPoint);
}

HostVolume RenderSession::HitOnPolygon(const HostNode* object, int32_t polygon, double u, double v,
                                       const HostVector& hitPoint) const {
  HostVolume vd;
  vd.lastHit = RayObjectOf(object);
  vd.hitPoint = hitPoint;
  if (!vd.lastHit) return vd;
  vd.lastHitId = HitIdOf(vd.lastHit);
  const int32_t columns = std::max(1, object->geometry.columns);
  const int32_t rows = std::max(1, object->geometry.rows);
  vd.lastPolygon = polygon;
  const int32_t col = polygon >= 0 ? polygon % columns : 0;
  const int32_t row = polygon >= 0 ? std::min(rows - 1, polygon / columns) : 0;
  CornerWeights(Unit(u) * columns - col, Unit(v) * rows - row, vd.weights);
  return vd;
}

HostVolume RenderSession::HitWithoutRenderObject(int32_t polygon, double u, double v,
                                                 const HostVector& hitPoint) const {
  HostVolume vd;
  vd.lastHitId = kUnresolvedHitId;
  vd.hitPoint = hitPoint;
  vd.lastPolygon = polygon;
  CornerWeights(u, v, vd.weights);
  return vd;
}

const HostRayObject* RenderSession::AddRenderObjectWithoutSource(int32_t index, HostNode* origin) {
  HostRayObject ro;
  ro.origin = origin;
  ro.index = index;
  SetIdentitySums(ro);
  sourcelessObjects_.push_back(ro);
  return &sourcelessObjects_.back();
}

HostVolume RenderSession::HitOnRenderObject(const HostRayObject* ro, int32_t polygon, double u, double v,
                                            const HostVector& hitPoint) const {
  HostVolume vd = HitWithoutRenderObject(polygon, u, v, hitPoint);
  vd.lastHit = ro;
  if (ro) vd.lastHitId = HitIdOf(ro);
  return vd;
}

}  // namespace ombrel::host
