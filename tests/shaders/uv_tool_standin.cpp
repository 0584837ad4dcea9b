// The recording view services of the UV transform tool tests (uv_tool_fixture.h).
#include "uv_tool_fixture.h"

namespace ombrel::test {

ViewStandIn*& StandIn() {
  static ViewStandIn* current = nullptr;
  return current;
}

namespace {

ViewStandIn& S() { return *StandIn(); }
std::vector<double> V(HostVector v) { return {v.x, v.y, v.z}; }
std::vector<double> Join(std::vector<double> a, const std::vector<double>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
std::vector<double> DataNumbers(const HostData& d) {
  switch (d.type) {
    case HOST_DA_LONG: return {static_cast<double>(HOST_DA_LONG), static_cast<double>(d.i32)};
    case HOST_DA_REAL: return {static_cast<double>(HOST_DA_REAL), d.real};
    default: return {static_cast<double>(d.type)};
  }
}

HostNode* ActiveView(HostNode* doc) { return doc ? S().node : nullptr; }
void GetFrame(HostNode*, int32_t* l, int32_t* t, int32_t* r, int32_t* b) {
  *l = S().frame[0];
  *t = S().frame[1];
  *r = S().frame[2];
  *b = S().frame[3];
}
void GetDrawParam(HostNode*, int32_t id, HostData* result) {
  S().Log("GetDrawParam", {static_cast<double>(id)});
  auto it = S().drawParams.find(id);
  *result = it == S().drawParams.end() ? HostData() : it->second;
}
void SetDrawParam(HostNode*, int32_t id, const HostData* value) {
  S().Log("SetDrawParam", Join({static_cast<double>(id)}, DataNumbers(*value)));
  S().drawParams[id] = *value;
}
void SetTransparency(HostNode*, int32_t v) { S().Log("SetTransparency", {static_cast<double>(v)}); }
void SetDepthOffset(HostNode*, int32_t v) { S().Log("SetDepthOffset", {static_cast<double>(v)}); }
void SetMatrixScreen(HostNode*) { S().Log("SetMatrix_Screen"); }
void SetMatrixMatrix(HostNode*, HostNode* object, const HostMatrix* m) {
  S().Log("SetMatrix_Matrix",
          Join(Join(Join(Join({object ? 1.0 : 0.0}, V(m->off)), V(m->v1)), V(m->v2)), V(m->v3)));
}
// A camera at the origin looking along z, one world unit a pixel at depth 1, the view's middle
// on the axis; y upwards in the world.
HostVector ScreenToWorld(HostNode*, HostVector p) {
  S().Log("SW", V(p));
  const double cx = (S().frame[0] + S().frame[2]) * 0.5, cy = (S().frame[1] + S().frame[3]) * 0.5;
  return HostVector{(p.x - cx) * p.z, (cy - p.y) * p.z, p.z};
}
void DrawTexture(HostNode*, const HostBitmap* bmp, const HostVector* points, const HostVector* colours,
                 const HostVector* normals, const HostVector* uvw, int32_t count, int32_t alpha, int32_t flags) {
  std::vector<double> a;
  for (int32_t i = 0; i < count; ++i) a = Join(a, V(points[i]));
  for (int32_t i = 0; i < count; ++i) a = Join(a, V(colours[i]));
  for (int32_t i = 0; i < count; ++i) a = Join(a, V(normals[i]));
  for (int32_t i = 0; i < count; ++i) a = Join(a, V(uvw[i]));
  a = Join(a, {static_cast<double>(count), static_cast<double>(alpha), static_cast<double>(flags)});
  S().Log("DrawTexture", a, bmp);
}
void SetPen(HostNode*, HostVector c) { S().Log("SetPen", V(c)); }
void DrawLine(HostNode*, HostVector p1, HostVector p2, int32_t flags) {
  S().Log("DrawLine", Join(Join(V(p1), V(p2)), {static_cast<double>(flags)}));
}
void DrawHandle2D(HostNode*, HostVector p, int32_t type) {
  S().Log("DrawHandle2D", Join(V(p), {static_cast<double>(type)}));
}
void DrawHandle(HostNode*, HostVector p, int32_t type, int32_t flags) {
  S().Log("DrawHandle", Join(V(p), {static_cast<double>(type), static_cast<double>(flags)}));
}
HostVector ViewColor(int32_t id) { return id == HOST_VIEWCOLOR_SELECTION ? HostVector{1.0, 0.6, 0.0} : HostVector{}; }

HostBool KeyState(int32_t device, int32_t channel, HostContainer* result) {
  ViewStandIn& s = S();
  ++s.clock;  // every poll takes a millisecond
  auto it = s.keysHeldUntil.find(channel);
  const bool down = device == HOST_INPUT_KEYBOARD && it != s.keysHeldUntil.end() && s.clock <= it->second;
  host::ContainerFamily()->setInt32(result, HOST_INPUT_VALUE, down ? 1 : 0);
  return HOST_TRUE;
}
HostBool InputState(int32_t device, int32_t channel, HostContainer* result) {
  S().Log("InputState", {static_cast<double>(channel)});
  return S().globalInput ? KeyState(device, channel, result) : HOST_FALSE;
}
HostBool WindowInputState(HostEditorWindow*, int32_t device, int32_t channel, HostContainer* result) {
  S().Log("WindowInputState", {static_cast<double>(channel)});
  return S().windowInput ? KeyState(device, channel, result) : HOST_FALSE;
}
void DragStart(HostEditorWindow*, int32_t button, double x, double y, int32_t flags) {
  S().Log("DragStart", {static_cast<double>(button), x, y, static_cast<double>(flags)});
}
int32_t DragStep(HostEditorWindow*, double* dx, double* dy, HostContainer*) {
  ViewStandIn& s = S();
  if (s.drag.empty()) {
    *dx = *dy = 0.0;
    return HOST_DRAGRESULT_ESCAPE;
  }
  *dx = s.drag.front().dx;
  *dy = s.drag.front().dy;
  s.drag.pop_front();
  return HOST_DRAGRESULT_CONTINUE;
}
void DragEnd(HostEditorWindow*) { S().Log("DragEnd"); }

int64_t TimerMs() { return S().clock; }
void DrawViews(int32_t flags) { S().Log("DrawViews", {static_cast<double>(flags)}); }
void SpecialEventAdd(int32_t message, int64_t p1, int64_t p2) {
  S().Log("SpecialEventAdd", {static_cast<double>(message), static_cast<double>(p1), static_cast<double>(p2)});
}

}  // namespace

HostViewApi StandInViews() {
  return HostViewApi{sizeof(HostViewApi), ActiveView,    GetFrame,     GetDrawParam,    SetDrawParam,
                     SetTransparency,     SetDepthOffset, SetMatrixScreen, SetMatrixMatrix, ScreenToWorld,
                     DrawTexture,         SetPen,        DrawLine,     DrawHandle2D,    DrawHandle,
                     ViewColor,           InputState,    WindowInputState, DragStart,   DragStep,
                     DragEnd};
}

HostMiscApi StandInMisc(const HostMiscApi& hostMisc) {
  return HostMiscApi{sizeof(HostMiscApi), TimerMs, hostMisc.callCommand, DrawViews, SpecialEventAdd};
}

}  // namespace ombrel::test
