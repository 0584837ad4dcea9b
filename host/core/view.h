// Views of documents: where a tool draws and where its pointer lives. A view has no screen: it
// keeps a log of every call made to it (text that tests compare exactly) and the drawing calls in
// screen pixels, which host/draw turns into a picture.
#ifndef OMBREL_HOST_VIEW_H
#define OMBREL_HOST_VIEW_H

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "bitmap.h"
#include "data.h"
#include "host_api.h"

namespace ombrel::host {
class View;
}

// The window a view sits in; tools ask it for drags and input states.
struct HostEditorWindow {
  ombrel::host::View* view = nullptr;
};

namespace ombrel::host {

// Every view looks through one camera: a pinhole at the world origin looking along +z, with x
// to the right and y up. The screen point (x, y) at depth z is the world point
// ((x - cx) z / f, (cy - y) z / f, z), where (cx, cy) is the middle of the view's frame and f
// is kFocalLength pixels; a world point goes back to the screen by the inverse, so a point the
// host gave for a screen point lands on the same pixels. Points at or behind the camera (z <= 0)
// have no screen point.
constexpr double kFocalLength = 1000.0;

// The size of the frame of a new view, and the largest frame a view takes.
constexpr int32_t kDefaultViewWidth = 800;
constexpr int32_t kDefaultViewHeight = 600;
constexpr int32_t kMaxViewSide = 16384;

// Side of the square a handle is drawn as, in pixels.
constexpr int32_t kBigHandleSide = 7;    // HOST_HANDLE_BIG
constexpr int32_t kSmallHandleSide = 3;  // every other handle type

// The shortest text that reads back to the same double ("0.5", "1e+308", "nan", "-inf").
std::string NumberText(double v);
std::string VectorText(const HostVector& v);  // "(x, y, z)"

// A drawing call in screen pixels (x to the right, y down, in the frame's coordinates), after
// the matrix of the moment and the camera have been applied.
struct DrawCommand {
  enum class Kind { Line, Handle, Texture };
  Kind kind = Kind::Line;
  HostVector colour{0.0, 0.0, 0.0};  // the pen of lines and handles
  HostVector a{0.0, 0.0, 0.0};       // a line's ends; a handle's centre is a
  HostVector b{0.0, 0.0, 0.0};
  bool visible = true;               // false when a point has no screen position
  int32_t handleSide = 0;
  // Textures: the bitmap as it was at the call, the polygon's screen points with their texture
  // coordinates and colours (count is 3 or 4; other counts are logged but not drawn).
  std::shared_ptr<const HostBitmap> bitmap;
  int32_t count = 0;
  std::array<HostVector, 4> points{};
  std::array<HostVector, 4> uv{};
  std::array<HostVector, 4> colours{};
  int32_t alphaMode = 0;
  int32_t textureFlags = 0;
};

class View {
 public:
  explicit View(HostNode* node);
  View(const View&) = delete;
  View& operator=(const View&) = delete;

  HostNode* Node() const { return node_; }
  HostEditorWindow* Window() { return &window_; }

  // The frame in view pixels. A frame of zero width or height is allowed (nothing is drawn).
  void SetFrame(int32_t left, int32_t top, int32_t right, int32_t bottom);
  int32_t Left() const { return left_; }
  int32_t Top() const { return top_; }
  int32_t Right() const { return right_; }
  int32_t Bottom() const { return bottom_; }
  int32_t Width() const;
  int32_t Height() const;

  // Draw parameters: HOST_DRAWPARAM_DEPTH_OFFSET (real, starts at 0.0) and
  // HOST_DRAWPARAM_SHADING (integer, starts at 1); others exist once set.
  HostContainer& DrawParams() { return drawParams_; }
  int32_t Transparency() const { return transparency_; }
  int32_t DepthOffset() const { return depthOffset_; }
  void SetTransparency(int32_t v) { transparency_ = v; }
  void SetDepthOffset(int32_t v) { depthOffset_ = v; }

  // Points given to drawing calls are screen pixels, or world points through a matrix.
  void SetMatrixScreen() { screenMode_ = true; }
  void SetMatrixWorld(const HostMatrix& m) {
    screenMode_ = false;
    matrix_ = m;
  }
  bool ScreenMode() const { return screenMode_; }
  HostVector ScreenToWorld(const HostVector& screen) const;
  // False for points at or behind the camera, and for points that are not finite.
  bool WorldToScreen(const HostVector& world, HostVector& screen) const;
  // A drawing call's point under the current matrix.
  bool ToScreen(const HostVector& p, HostVector& screen) const;

  void SetPen(const HostVector& colour) { pen_ = colour; }
  const HostVector& Pen() const { return pen_; }

  // The record of calls since the last ClearRecord.
  void Log(std::string line) { log_.push_back(std::move(line)); }
  const std::vector<std::string>& LogLines() const { return log_; }
  void Record(DrawCommand command) { commands_.push_back(std::move(command)); }
  const std::vector<DrawCommand>& Commands() const { return commands_; }
  void ClearRecord() {
    log_.clear();
    commands_.clear();
  }

 private:
  HostNode* node_;
  HostEditorWindow window_;
  int32_t left_ = 0, top_ = 0, right_ = kDefaultViewWidth, bottom_ = kDefaultViewHeight;
  HostContainer drawParams_;
  int32_t transparency_ = 0;
  int32_t depthOffset_ = 0;
  bool screenMode_ = true;
  HostMatrix matrix_{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  HostVector pen_{1.0, 1.0, 1.0};
  std::vector<std::string> log_;
  std::vector<DrawCommand> commands_;
};

// The document's active view, made on first need; null for anything but a document.
View* DocumentView(HostNode* doc);
// The view behind a view node; null for other nodes.
View* ViewOfNode(HostNode* node);

// The view colour table: HOST_VIEWCOLOR_SELECTION (12) is orange (1, 0.66, 0); the others are
// listed in view.cpp. Unknown numbers give mid grey (0.5, 0.5, 0.5).
HostVector ViewColour(int32_t id);

}  // namespace ombrel::host

#endif
