#include "corner_editing.h"

#include "tool_corners.h"
#include "tool_geometry.h"

namespace uvtool {

namespace {

// Whether a key is held now: the global input state, else the window's; a key counts as up when
// neither can tell (or no container can be had to ask with).
bool KeyDown(LONG key, EditorWindow* win) {
  BaseContainer* state = BaseContainer::Alloc();
  if (!state) return false;
  Bool known = GetInputState(BFM_INPUT_KEYBOARD, key, *state);
  if (!known && win) known = win->BfGetInputState(BFM_INPUT_KEYBOARD, key, *state);
  const bool down = known && state->GetLong(BFM_INPUT_VALUE, 0) != 0;
  BaseContainer::Free(state);
  return down;
}

LONG KeyChannel(ombrel::ArrowKey key) {
  switch (key) {
    case ombrel::ArrowKey::kUp: return KEY_UP;
    case ombrel::ArrowKey::kDown: return KEY_DOWN;
    case ombrel::ArrowKey::kLeft: return KEY_LEFT;
    case ombrel::ArrowKey::kRight: return KEY_RIGHT;
  }
  return KEY_UP;
}

// The screen points with the selected corners moved by (dx, dy).
void MoveSelected(const CornerSetUp& at, const Bool selected[4], Real dx, Real dy, Vector out[4]) {
  for (LONG k = 0; k < 4; ++k) out[k] = selected[k] ? at.screen[k] + Vector(dx, dy, 0.0) : at.screen[k];
}

}  // namespace

void ShowCornerCursor(BaseDocument* doc, const BaseContainer& settings, BaseDraw* bd, Real x, Real y,
                      const BaseBitmap* preview, BaseContainer& result) {
  if (result.GetId() == BFM_CURSORINFO_REMOVE) return;
  if (bd != ToolView(settings, doc)) return;
  CornerSetUp at;
  if (!ReadCorners(settings, doc, bd, preview, at)) return;
  for (const Vector& p : at.screen) {
    if (ombrel::WithinCursorCircle(x, y, ToVec3(p))) {
      result.SetLong(RESULT_CURSOR, MOUSE_POINT_HAND);
      return;
    }
  }
}

void PressAndDrag(BaseDocument* doc, const BaseContainer& settings, BaseDraw* bd, EditorWindow* win,
                  const BaseContainer& msg, const BaseBitmap* preview, Bool cornerSelected[4]) {
  if (!doc) return;
  // The pointer is taken in whole pixels.
  const LONG x = msg.GetLong(BFM_INPUT_X, 0);
  const LONG y = msg.GetLong(BFM_INPUT_Y, 0);
  CornerSetUp at;
  if (!ReadCorners(settings, doc, bd, preview, at)) return;
  for (LONG k = 0; k < 4; ++k) cornerSelected[k] = ombrel::WithinPressSquare(x, y, ToVec3(at.screen[k]));

  if (win) win->MouseDragStart(KEY_MLEFT, x, y, MOUSEDRAGFLAGS_DONTHIDEMOUSE);
  doc->StartUndo();
  doc->AddUndo(UNDOTYPE_CHANGE, at.shader);
  // The corners follow the movement summed from the press on, from where they were then; the
  // first step is written even without movement, so every press rewrites all four corners.
  bool first = true;
  Real sx = 0.0, sy = 0.0;
  Real dx = 0.0, dy = 0.0;
  while (win && win->MouseDrag(&dx, &dy, nullptr) == MOUSEDRAGRESULT_CONTINUE) {
    if (!first && dx == 0.0 && dy == 0.0) continue;
    sx += dx;
    sy += dy;
    Vector moved[4];
    MoveSelected(at, cornerSelected, sx, sy, moved);
    StoreCorners(settings, doc, at.frame, moved);
    DrawViews(kRedrawWhileEditing);
    SpecialEventAdd(EVMSG_EDITORMOVE, 0, 0);
    first = false;
  }
  if (win) win->MouseDragEnd();
  doc->EndUndo();

  at.shader->Message(MSG_UPDATE);
  DrawViews(kRedrawAfterEdit);
  SpecialEventAdd(EVMSG_TOOLCHANGED, 0, 0);
}

Bool ReadArrowKeyStep(Real& dx, Real& dy, EditorWindow* win) {
  return ombrel::ReadArrowKeyStep(
      dx, dy, [win](ombrel::ArrowKey key) { return KeyDown(KeyChannel(key), win); },
      [] { return static_cast<int64_t>(GeGetTimer()); });
}

Bool NudgeSelected(BaseDocument* doc, const BaseContainer& settings, BaseDraw* bd, EditorWindow* win,
                   const BaseBitmap* preview, const Bool cornerSelected[4]) {
  if (!cornerSelected[0] && !cornerSelected[1] && !cornerSelected[2] && !cornerSelected[3]) return FALSE;
  // The key the host reported is not looked at: the arrow keys are polled.
  Real dx = 0.0, dy = 0.0;
  if (!ReadArrowKeyStep(dx, dy, win)) return FALSE;
  CornerSetUp at;
  if (!ReadCorners(settings, doc, bd, preview, at)) return FALSE;
  Vector moved[4];
  MoveSelected(at, cornerSelected, dx, dy, moved);
  StoreCorners(settings, doc, at.frame, moved);
  DrawViews(kRedrawWhileEditing);
  at.shader->Message(MSG_UPDATE);
  return TRUE;
}

}  // namespace uvtool
