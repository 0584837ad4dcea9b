// Views, drawing and input for tools: a view of a document (BaseDraw), the window it sits in
// (EditorWindow), the input-state queries, the host timer and host events.
//
// Everything here came with revision 4 of the host interface. On an older host (or one without
// a views family) every query answers "nothing" and every drawing call does nothing, so a tool
// stays safe there.
#ifndef OMBREL_SDK_VIEW_H
#define OMBREL_SDK_VIEW_H

#include "sdk_container.h"
#include "sdk_nodes.h"
#include "sdk_types.h"

class BaseBitmap;

#define BASEDRAW_HOST HOST_BASETYPE_VIEW
#define DRAW_PARAMETER_DEPTH_OFFSET HOST_DRAWPARAM_DEPTH_OFFSET
#define DRAW_PARAMETER_SHADING HOST_DRAWPARAM_SHADING
#define VIEWCOLOR_SELECTION HOST_VIEWCOLOR_SELECTION
#define NOCLIP_NONE HOST_LINEFLAGS_NONE
#define NOCLIP_D HOST_LINEFLAGS_NOCLIP
#define HANDLE_BIG HOST_HANDLE_BIG
#define TOOLDRAW_0 HOST_TOOLDRAW_NONE
#define BFM_INPUT_X HOST_MSG_POINTER_X
#define BFM_INPUT_Y HOST_MSG_POINTER_Y
#define BFM_INPUT_VALUE HOST_INPUT_VALUE
#define BFM_INPUT_KEYBOARD HOST_INPUT_KEYBOARD
#define BFM_INPUT_MOUSE HOST_INPUT_MOUSE
#define BFM_CURSORINFO_REMOVE HOST_CURSORINFO_LEAVE
#define RESULT_CURSOR HOST_RESULT_CURSOR
#define MOUSE_POINT_HAND HOST_CURSOR_POINT_HAND
#define KEY_UP HOST_KEY_UP
#define KEY_DOWN HOST_KEY_DOWN
#define KEY_LEFT HOST_KEY_LEFT
#define KEY_RIGHT HOST_KEY_RIGHT
#define KEY_MLEFT HOST_BUTTON_LEFT
#define MOUSEDRAGRESULT_ESCAPE HOST_DRAGRESULT_ESCAPE
#define MOUSEDRAGRESULT_NOCHANGE HOST_DRAGRESULT_NOCHANGE
#define MOUSEDRAGRESULT_CONTINUE HOST_DRAGRESULT_CONTINUE
#define MOUSEDRAGFLAGS_DONTHIDEMOUSE HOST_DRAGFLAGS_NOMOVE
#define EVMSG_EDITORMOVE HOST_EVENT_EDITOR_MOVE
#define EVMSG_TOOLCHANGED HOST_EVENT_TOOL_CHANGED

// An affine map, laid out exactly as HostMatrix: off is the translation, v1..v3 the images of
// the axes. The default is the identity.
struct Matrix {
  Vector off;
  Vector v1{1.0, 0.0, 0.0};
  Vector v2{0.0, 1.0, 0.0};
  Vector v3{0.0, 0.0, 1.0};
};
static_assert(sizeof(Matrix) == sizeof(HostMatrix), "Matrix must match HostMatrix");

// A view of a document. Points are view pixels after SetMatrix_Screen (x to the right, y
// downwards) and world points after SetMatrix_Matrix.
class BaseDraw : public BaseList2D {
 public:
  OMBREL_SDK_HANDLE(BaseDraw)
  // The view's frame in pixels; all four are 0 when the host cannot tell.
  void GetFrame(LONG* left, LONG* top, LONG* right, LONG* bottom);
  // A copy of a draw parameter (DRAW_PARAMETER_*); NIL when the view has none.
  GeData GetDrawParam(LONG id);
  void SetDrawParam(LONG id, const GeData& value);
  void SetTransparency(LONG value);
  void SetDepthOffset(LONG value);
  void SetMatrix_Screen();
  void SetMatrix_Matrix(BaseObject* op, const Matrix& m);
  // The world point that shows at screen point (x, y) at depth z.
  Vector SW(const Vector& screen);
  void DrawTexture(const BaseBitmap* bmp, const Vector* points, const Vector* colours, const Vector* normals,
                   const Vector* uvw, LONG count, LONG alphaMode, LONG textureFlags);
  void SetPen(const Vector& colour);
  void DrawLine(const Vector& p1, const Vector& p2, LONG flags);
  void DrawHandle2D(const Vector& p, LONG type);
  void DrawHandle(const Vector& p, LONG type, LONG flags);

 protected:
  BaseDraw() = delete;
};

// The per-object drawing context and the thread of a redraw: passed through, never looked into.
class BaseDrawHelp {
 public:
  HostDrawHelp* Host() { return reinterpret_cast<HostDrawHelp*>(this); }
  static BaseDrawHelp* From(HostDrawHelp* p) { return reinterpret_cast<BaseDrawHelp*>(p); }

 private:
  BaseDrawHelp() = delete;
  ~BaseDrawHelp() = delete;
};
class BaseThread {
 public:
  HostThread* Host() { return reinterpret_cast<HostThread*>(this); }
  static BaseThread* From(HostThread* p) { return reinterpret_cast<BaseThread*>(p); }

 private:
  BaseThread() = delete;
  ~BaseThread() = delete;
};

// The window of a view: mouse drags and its own input-state query.
class EditorWindow {
 public:
  HostEditorWindow* Host() { return reinterpret_cast<HostEditorWindow*>(this); }
  static EditorWindow* From(HostEditorWindow* w) { return reinterpret_cast<EditorWindow*>(w); }

  void MouseDragStart(LONG button, Real x, Real y, LONG flags);
  // The pointer's movement since the previous step in dx, dy; MOUSEDRAGRESULT_CONTINUE while the
  // drag goes on. An older host ends the drag at once (MOUSEDRAGRESULT_ESCAPE, no movement).
  LONG MouseDrag(Real* dx, Real* dy, BaseContainer* channels);
  void MouseDragEnd();
  // The state of an input channel through this window; FALSE when the host cannot tell.
  Bool BfGetInputState(LONG device, LONG channel, BaseContainer& result);

 private:
  EditorWindow() = delete;
  ~EditorWindow() = delete;
};

// The state of an input channel (a key) of a device (BFM_INPUT_*): result's BFM_INPUT_VALUE is
// non-zero while it is down. FALSE when the host cannot tell.
Bool GetInputState(LONG device, LONG channel, BaseContainer& result);

// A colour of the host's view colour table (VIEWCOLOR_*); black when the host has none.
Vector GetViewColor(LONG colourId);

// Milliseconds since an arbitrary start; 0 when the host has no timer.
VLONG GeGetTimer();

// Broadcasts a host event (EVMSG_*) with two parameters; nothing on an older host.
void SpecialEventAdd(LONG message, VLONG p1 = 0, VLONG p2 = 0);

#endif
