// Views and input: the view family. Every call on a view is written to its log in the order it
// came, with exact numbers; drawing calls are also kept in screen pixels for the picture.
#include <cmath>
#include <memory>
#include <string>

#include "bitmap.h"
#include "data.h"
#include "families.h"
#include "host.h"
#include "nodes.h"
#include "view.h"

namespace ombrel::host {
namespace {

std::string ValueText(const HostData* d) {
  if (!d) return "none";
  switch (d->type) {
    case HOST_DA_LONG: return "integer " + std::to_string(d->i32);
    case HOST_DA_REAL: return "real " + NumberText(d->real);
    case HOST_DA_VECTOR: return "vector " + VectorText(d->vec);
    case HOST_DA_NIL: return "nothing";
    default: return "type " + std::to_string(d->type);
  }
}

std::string MatrixText(const HostMatrix& m) {
  return VectorText(m.off) + " " + VectorText(m.v1) + " " + VectorText(m.v2) + " " + VectorText(m.v3);
}

HostNode* ActiveView(HostNode* doc) {
  View* view = DocumentView(doc);
  return view ? view->Node() : nullptr;
}

void GetFrame(HostNode* node, int32_t* left, int32_t* top, int32_t* right, int32_t* bottom) {
  View* view = ViewOfNode(node);
  int32_t l = 0, t = 0, r = 0, b = 0;
  if (view) {
    l = view->Left();
    t = view->Top();
    r = view->Right();
    b = view->Bottom();
    view->Log("getFrame -> " + std::to_string(l) + " " + std::to_string(t) + " " + std::to_string(r) + " " +
              std::to_string(b));
  }
  if (left) *left = l;
  if (top) *top = t;
  if (right) *right = r;
  if (bottom) *bottom = b;
}

void GetDrawParam(HostNode* node, int32_t id, HostData* result) {
  View* view = ViewOfNode(node);
  if (!result) return;
  const HostData* d = view ? view->DrawParams().Find(id) : nullptr;
  if (view) view->Log("getDrawParam " + std::to_string(id) + " -> " + ValueText(d));
  if (d) {
    *result = *d;
  } else {
    result->Clear();
  }
}

void SetDrawParam(HostNode* node, int32_t id, const HostData* value) {
  View* view = ViewOfNode(node);
  if (!view || !value) return;
  view->Log("setDrawParam " + std::to_string(id) + " " + ValueText(value));
  view->DrawParams().Slot(id) = *value;
}

void SetTransparency(HostNode* node, int32_t value) {
  if (View* view = ViewOfNode(node)) {
    view->Log("setTransparency " + std::to_string(value));
    view->SetTransparency(value);
  }
}

void SetDepthOffset(HostNode* node, int32_t value) {
  if (View* view = ViewOfNode(node)) {
    view->Log("setDepthOffset " + std::to_string(value));
    view->SetDepthOffset(value);
  }
}

void SetMatrixScreen(HostNode* node) {
  if (View* view = ViewOfNode(node)) {
    view->Log("setMatrixScreen");
    view->SetMatrixScreen();
  }
}

void SetMatrixMatrix(HostNode* node, HostNode* object, const HostMatrix* m) {
  View* view = ViewOfNode(node);
  if (!view) return;
  const HostMatrix identity{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  const HostMatrix& matrix = m ? *m : identity;
  view->Log(std::string("setMatrixMatrix ") + (object ? "object \"" + object->name + "\"" : "no object") + " " +
            (m ? MatrixText(*m) : "identity"));
  view->SetMatrixWorld(matrix);
}

HostVector ScreenToWorld(HostNode* node, HostVector screen) {
  View* view = ViewOfNode(node);
  if (!view) return HostVector{0.0, 0.0, 0.0};
  const HostVector world = view->ScreenToWorld(screen);
  view->Log("screenToWorld " + VectorText(screen) + " -> " + VectorText(world));
  return world;
}

void DrawTexture(HostNode* node, const HostBitmap* bmp, const HostVector* points, const HostVector* colours,
                 const HostVector* normals, const HostVector* uvw, int32_t count, int32_t alphaMode,
                 int32_t textureFlags) {
  View* view = ViewOfNode(node);
  if (!view) return;
  std::string line = "drawTexture bitmap ";
  line += bmp ? std::to_string(bmp->width) + "x" + std::to_string(bmp->height) : std::string("none");
  line += " count " + std::to_string(count) + " alpha " + std::to_string(alphaMode) + " flags " +
          std::to_string(textureFlags);
  // Only the first points are read, and only as many as the call says; a polygon the host does
  // not draw is still logged with what it can read of it.
  const int32_t readable = count < 0 ? 0 : count > 4 ? 4 : count;
  auto list = [&](const char* name, const HostVector* v) {
    line += std::string(" ") + name;
    if (!v) {
      line += " none";
      return;
    }
    for (int32_t i = 0; i < readable; ++i) line += " " + VectorText(v[i]);
  };
  list("points", points);
  list("colours", colours);
  list("normals", normals);
  list("uvw", uvw);
  view->Log(line);

  DrawCommand c;
  c.kind = DrawCommand::Kind::Texture;
  c.count = count;
  c.alphaMode = alphaMode;
  c.textureFlags = textureFlags;
  c.visible = bmp && bmp->width > 0 && bmp->height > 0 && points && uvw && (count == 3 || count == 4);
  if (c.visible) {
    c.bitmap = std::make_shared<const HostBitmap>(*bmp);
    for (int32_t i = 0; i < count; ++i) {
      const size_t k = static_cast<size_t>(i);
      c.visible = c.visible && view->ToScreen(points[i], c.points[k]);
      c.uv[k] = uvw[i];
      c.colours[k] = colours ? colours[i] : HostVector{1.0, 1.0, 1.0};
    }
  }
  view->Record(std::move(c));
}

void SetPen(HostNode* node, HostVector colour) {
  if (View* view = ViewOfNode(node)) {
    view->Log("setPen " + VectorText(colour));
    view->SetPen(colour);
  }
}

void DrawLine(HostNode* node, HostVector p1, HostVector p2, int32_t flags) {
  View* view = ViewOfNode(node);
  if (!view) return;
  view->Log("drawLine " + VectorText(p1) + " " + VectorText(p2) + " flags " + std::to_string(flags));
  DrawCommand c;
  c.kind = DrawCommand::Kind::Line;
  c.colour = view->Pen();
  c.visible = view->ToScreen(p1, c.a) && view->ToScreen(p2, c.b);
  view->Record(std::move(c));
}

void RecordHandle(View* view, const HostVector& p, int32_t type, bool screenPoint) {
  DrawCommand c;
  c.kind = DrawCommand::Kind::Handle;
  c.colour = view->Pen();
  c.handleSide = type == HOST_HANDLE_BIG ? kBigHandleSide : kSmallHandleSide;
  if (screenPoint) {
    c.a = p;
    c.visible = std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
  } else {
    c.visible = view->ToScreen(p, c.a);
  }
  view->Record(std::move(c));
}

void DrawHandle2D(HostNode* node, HostVector p, int32_t type) {
  View* view = ViewOfNode(node);
  if (!view) return;
  view->Log("drawHandle2D " + VectorText(p) + " type " + std::to_string(type));
  RecordHandle(view, p, type, true);
}

void DrawHandle(HostNode* node, HostVector p, int32_t type, int32_t flags) {
  View* view = ViewOfNode(node);
  if (!view) return;
  view->Log("drawHandle " + VectorText(p) + " type " + std::to_string(type) + " flags " + std::to_string(flags));
  RecordHandle(view, p, type, false);
}

HostVector ViewColor(int32_t id) { return ViewColour(id); }

HostBool FillInputResult(int32_t device, int32_t channel, HostContainer* result) {
  Host* host = CurrentHost();
  if (!host) return HOST_FALSE;
  bool down = false;
  if (!host->Input().Poll(device, channel, down)) return HOST_FALSE;
  if (result) {
    result->ownId = device;
    HostData& d = result->Slot(HOST_INPUT_VALUE);
    d.Clear();
    d.type = HOST_DA_LONG;
    d.i32 = down ? 1 : 0;
  }
  return HOST_TRUE;
}

HostBool QueryInputState(int32_t device, int32_t channel, HostContainer* result) {
  return FillInputResult(device, channel, result);
}

HostBool WindowInputState(HostEditorWindow* win, int32_t device, int32_t channel, HostContainer* result) {
  if (!win || !win->view) return HOST_FALSE;
  return FillInputResult(device, channel, result);
}

void DragStart(HostEditorWindow* win, int32_t button, double x, double y, int32_t flags) {
  Host* host = CurrentHost();
  if (!win || !win->view || !host) return;
  host->Input().DragStart(button, x, y, flags);
}

int32_t DragStep(HostEditorWindow* win, double* dx, double* dy, HostContainer* channels) {
  Host* host = CurrentHost();
  double mx = 0.0, my = 0.0;
  int32_t result = HOST_DRAGRESULT_ESCAPE;
  if (win && win->view && host) result = host->Input().DragStep(mx, my);
  if (dx) *dx = mx;
  if (dy) *dy = my;
  if (channels) {
    channels->ownId = HOST_INPUT_MOUSE;
    HostData& d = channels->Slot(HOST_INPUT_VALUE);
    d.Clear();
    d.type = HOST_DA_LONG;
    d.i32 = result == HOST_DRAGRESULT_CONTINUE ? 1 : 0;
  }
  return result;
}

void DragEnd(HostEditorWindow* win) {
  Host* host = CurrentHost();
  if (!win || !win->view || !host) return;
  host->Input().DragEnd();
}

const HostViewApi kViews{sizeof(HostViewApi), ActiveView,  GetFrame,     GetDrawParam,   SetDrawParam,
                         SetTransparency,     SetDepthOffset, SetMatrixScreen, SetMatrixMatrix, ScreenToWorld,
                         DrawTexture,         SetPen,      DrawLine,     DrawHandle2D,   DrawHandle,
                         ViewColor,           QueryInputState,  WindowInputState, DragStart,  DragStep,
                         DragEnd};

}  // namespace

const HostViewApi* ViewFamily() { return &kViews; }

}  // namespace ombrel::host
