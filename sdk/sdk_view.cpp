#include "sdk_view.h"

#include "sdk_bitmap.h"
#include "sdk_host.h"

namespace {
// Null without a host (before init, after the last end) or without a views family.
const HostViewApi* Views() { return SdkHost() ? SdkHost()->views : nullptr; }
const HostMiscApi* Misc() { return SdkHost() ? SdkHost()->misc : nullptr; }
const HostContainerApi* Containers() { return SdkHost() ? SdkHost()->containers : nullptr; }
}  // namespace

#define OMBREL_VIEW_HAS(member) OMBREL_HAS(Views(), member)

void BaseDraw::GetFrame(LONG* left, LONG* top, LONG* right, LONG* bottom) {
  int32_t l = 0, t = 0, r = 0, b = 0;
  if (OMBREL_VIEW_HAS(getFrame)) Views()->getFrame(Host(), &l, &t, &r, &b);
  if (left) *left = l;
  if (top) *top = t;
  if (right) *right = r;
  if (bottom) *bottom = b;
}

GeData BaseDraw::GetDrawParam(LONG id) {
  GeData value;
  if (value.Host() && OMBREL_VIEW_HAS(getDrawParam)) Views()->getDrawParam(Host(), id, value.Host());
  return value;
}

// A value that could not be kept (no memory) is not passed on: the view keeps what it has.
void BaseDraw::SetDrawParam(LONG id, const GeData& value) {
  if (value.Host() && OMBREL_VIEW_HAS(setDrawParam)) Views()->setDrawParam(Host(), id, value.Host());
}

void BaseDraw::SetTransparency(LONG value) {
  if (OMBREL_VIEW_HAS(setTransparency)) Views()->setTransparency(Host(), value);
}
void BaseDraw::SetDepthOffset(LONG value) {
  if (OMBREL_VIEW_HAS(setDepthOffset)) Views()->setDepthOffset(Host(), value);
}
void BaseDraw::SetMatrix_Screen() {
  if (OMBREL_VIEW_HAS(setMatrixScreen)) Views()->setMatrixScreen(Host());
}
void BaseDraw::SetMatrix_Matrix(BaseObject* op, const Matrix& m) {
  if (!OMBREL_VIEW_HAS(setMatrixMatrix)) return;
  const HostMatrix hm{m.off, m.v1, m.v2, m.v3};
  Views()->setMatrixMatrix(Host(), op ? op->Host() : nullptr, &hm);
}
Vector BaseDraw::SW(const Vector& screen) {
  return OMBREL_VIEW_HAS(screenToWorld) ? Vector(Views()->screenToWorld(Host(), screen)) : screen;
}

void BaseDraw::DrawTexture(const BaseBitmap* bmp, const Vector* points, const Vector* colours, const Vector* normals,
                           const Vector* uvw, LONG count, LONG alphaMode, LONG textureFlags) {
  if (!bmp || !OMBREL_VIEW_HAS(drawTexture)) return;
  // Vector is laid out as HostVector, so the arrays pass as they are.
  Views()->drawTexture(Host(), bmp->Host(), reinterpret_cast<const HostVector*>(points),
                       reinterpret_cast<const HostVector*>(colours), reinterpret_cast<const HostVector*>(normals),
                       reinterpret_cast<const HostVector*>(uvw), count, alphaMode, textureFlags);
}
void BaseDraw::SetPen(const Vector& colour) {
  if (OMBREL_VIEW_HAS(setPen)) Views()->setPen(Host(), colour);
}
void BaseDraw::DrawLine(const Vector& p1, const Vector& p2, LONG flags) {
  if (OMBREL_VIEW_HAS(drawLine)) Views()->drawLine(Host(), p1, p2, flags);
}
void BaseDraw::DrawHandle2D(const Vector& p, LONG type) {
  if (OMBREL_VIEW_HAS(drawHandle2D)) Views()->drawHandle2D(Host(), p, type);
}
void BaseDraw::DrawHandle(const Vector& p, LONG type, LONG flags) {
  if (OMBREL_VIEW_HAS(drawHandle)) Views()->drawHandle(Host(), p, type, flags);
}

BaseDraw* BaseDocument::GetActiveBaseDraw() {
  return OMBREL_VIEW_HAS(activeView) ? BaseDraw::From(Views()->activeView(Host())) : nullptr;
}

void EditorWindow::MouseDragStart(LONG button, Real x, Real y, LONG flags) {
  if (OMBREL_VIEW_HAS(dragStart)) Views()->dragStart(Host(), button, x, y, flags);
}
LONG EditorWindow::MouseDrag(Real* dx, Real* dy, BaseContainer* channels) {
  double mx = 0.0, my = 0.0;
  LONG result = MOUSEDRAGRESULT_ESCAPE;
  if (OMBREL_VIEW_HAS(dragStep)) result = Views()->dragStep(Host(), &mx, &my, channels ? channels->Host() : nullptr);
  if (dx) *dx = mx;
  if (dy) *dy = my;
  return result;
}
void EditorWindow::MouseDragEnd() {
  if (OMBREL_VIEW_HAS(dragEnd)) Views()->dragEnd(Host());
}
Bool EditorWindow::BfGetInputState(LONG device, LONG channel, BaseContainer& result) {
  return OMBREL_VIEW_HAS(windowInputState) && Views()->windowInputState(Host(), device, channel, result.Host());
}

Bool GetInputState(LONG device, LONG channel, BaseContainer& result) {
  return OMBREL_VIEW_HAS(inputState) && Views()->inputState(device, channel, result.Host());
}

Vector GetViewColor(LONG colourId) {
  return OMBREL_VIEW_HAS(viewColor) ? Vector(Views()->viewColor(colourId)) : Vector();
}

VLONG GeGetTimer() { return OMBREL_HAS(Misc(), timerMs) ? Misc()->timerMs() : 0; }

void SpecialEventAdd(LONG message, VLONG p1, VLONG p2) {
  if (OMBREL_HAS(Misc(), specialEventAdd)) Misc()->specialEventAdd(message, p1, p2);
}

LONG BaseContainer::GetId() const { return OMBREL_HAS(Containers(), getId) ? Containers()->getId(Host()) : 0; }
void BaseContainer::SetId(LONG id) {
  if (OMBREL_HAS(Containers(), setId)) Containers()->setId(Host(), id);
}
