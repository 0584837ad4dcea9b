#include "view.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "nodes.h"

namespace ombrel::host {

std::string NumberText(double v) {
  if (std::isnan(v)) return "nan";
  if (std::isinf(v)) return v < 0 ? "-inf" : "inf";
  char buffer[64];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
  if (ec != std::errc()) return "?";
  return std::string(buffer, end);
}

std::string VectorText(const HostVector& v) {
  return "(" + NumberText(v.x) + ", " + NumberText(v.y) + ", " + NumberText(v.z) + ")";
}

View::View(HostNode* node) : node_(node) {
  window_.view = this;
  HostData& depth = drawParams_.Slot(HOST_DRAWPARAM_DEPTH_OFFSET);
  depth.type = HOST_DA_REAL;
  depth.real = 0.0;
  HostData& shading = drawParams_.Slot(HOST_DRAWPARAM_SHADING);
  shading.type = HOST_DA_LONG;
  shading.i32 = 1;
}

void View::SetFrame(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  left_ = left;
  top_ = top;
  right_ = right;
  bottom_ = bottom;
}

int32_t View::Width() const {
  const int64_t w = static_cast<int64_t>(right_) - left_;
  return w <= 0 ? 0 : w > kMaxViewSide ? kMaxViewSide : static_cast<int32_t>(w);
}

int32_t View::Height() const {
  const int64_t h = static_cast<int64_t>(bottom_) - top_;
  return h <= 0 ? 0 : h > kMaxViewSide ? kMaxViewSide : static_cast<int32_t>(h);
}

namespace {
double CentreX(const View& v) { return (static_cast<double>(v.Left()) + v.Right()) * 0.5; }
double CentreY(const View& v) { return (static_cast<double>(v.Top()) + v.Bottom()) * 0.5; }
bool Finite(const HostVector& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }
}  // namespace

HostVector View::ScreenToWorld(const HostVector& s) const {
  return HostVector{(s.x - CentreX(*this)) * s.z / kFocalLength, (CentreY(*this) - s.y) * s.z / kFocalLength, s.z};
}

bool View::WorldToScreen(const HostVector& w, HostVector& s) const {
  if (!Finite(w) || !(w.z > 0.0)) return false;
  s = HostVector{CentreX(*this) + w.x * kFocalLength / w.z, CentreY(*this) - w.y * kFocalLength / w.z, 0.0};
  return Finite(s);
}

bool View::ToScreen(const HostVector& p, HostVector& s) const {
  if (screenMode_) {
    s = p;
    return Finite(p);
  }
  const HostMatrix& m = matrix_;
  const HostVector w{m.off.x + m.v1.x * p.x + m.v2.x * p.y + m.v3.x * p.z,
                     m.off.y + m.v1.y * p.x + m.v2.y * p.y + m.v3.y * p.z,
                     m.off.z + m.v1.z * p.x + m.v2.z * p.y + m.v3.z * p.z};
  return WorldToScreen(w, s);
}

View* DocumentView(HostNode* doc) {
  if (!doc || doc->kind != NodeKind::Document) return nullptr;
  if (!doc->activeView) {
    auto node = std::make_unique<HostNode>(NodeKind::View, HOST_BASETYPE_VIEW);
    node->name = "view";
    node->document = doc;
    node->view = std::make_unique<View>(node.get());
    doc->activeView = std::move(node);
  }
  return doc->activeView->view.get();
}

View* ViewOfNode(HostNode* node) { return node && node->kind == NodeKind::View ? node->view.get() : nullptr; }

HostVector ViewColour(int32_t id) {
  // The host's view colours: what the interface draws in for each purpose.
  switch (id) {
    case 0: return {0.3, 0.3, 0.3};    // background
    case 1: return {0.0, 0.0, 0.0};    // objects
    case 2: return {1.0, 1.0, 1.0};    // active object
    case 3: return {0.6, 0.6, 0.6};    // grid
    case 4: return {1.0, 0.0, 0.0};    // x axis
    case 5: return {0.0, 1.0, 0.0};    // y axis
    case 6: return {0.0, 0.0, 1.0};    // z axis
    case 12: return {1.0, 0.66, 0.0};  // selection: orange
    default: return {0.5, 0.5, 0.5};
  }
}

}  // namespace ombrel::host
