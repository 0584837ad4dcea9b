#include "draw/view_picture.h"

#include <mutex>

#include "core/atomic_file.h"
#include "draw/view_drawing.h"

namespace ombrel::host {
namespace {

struct DrawingState {
  std::mutex mutex;
  ViewDrawingLoader loader = &LoadViewDrawingBesideProgram;
  bool tried = false;
  const ViewDrawing* drawing = nullptr;
  std::string error;
};

DrawingState& State() {
  static DrawingState state;
  return state;
}

// The drawing library, opened on the first call; null with a reason when there is none.
const ViewDrawing* Drawing(std::string& error) {
  DrawingState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (!state.tried) {
    state.tried = true;
    state.drawing = state.loader(state.error);
    // A library built from an older table lacks the later functions.
    if (state.drawing && (state.drawing->size < sizeof(ViewDrawing) || !state.drawing->rasterize || !state.drawing->encodePng)) {
      state.drawing = nullptr;
      state.error = "the drawing library does not provide what this host needs";
    }
    if (!state.drawing && state.error.empty()) state.error = "the drawing library could not be loaded";
  }
  if (!state.drawing) error = state.error;
  return state.drawing;
}

ViewScene SceneOf(const View& view) {
  ViewScene scene;
  scene.left = view.Left();
  scene.top = view.Top();
  scene.width = view.Width();
  scene.height = view.Height();
  scene.background = ViewColour(0);
  scene.commands = view.Commands().data();
  scene.count = view.Commands().size();
  return scene;
}

std::string PathText(const std::filesystem::path& p) {
  const std::u8string u8 = p.u8string();
  return std::string(u8.begin(), u8.end());
}

}  // namespace

uint32_t ViewPicture::At(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return 0;
  const size_t at = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
  return (uint32_t(rgb[at]) << 16) | (uint32_t(rgb[at + 1]) << 8) | uint32_t(rgb[at + 2]);
}

ViewPicture RasterizeView(const View& view) {
  ViewPicture picture;
  const ViewScene scene = SceneOf(view);
  std::string error;
  const ViewDrawing* drawing = Drawing(error);
  if (scene.width <= 0 || scene.height <= 0 || !drawing || !drawing->rasterize(scene, picture.rgb)) return picture;
  picture.width = scene.width;
  picture.height = scene.height;
  return picture;
}

bool WriteViewPicture(const View& view, const std::filesystem::path& file, std::string& error) {
  const ViewScene scene = SceneOf(view);
  if (scene.width <= 0 || scene.height <= 0) {
    error = PathText(file) + ": the view is " + std::to_string(view.Width()) + "x" + std::to_string(view.Height()) +
            " pixels: there is no picture to write";
    return false;
  }
  std::string reason;
  const ViewDrawing* drawing = Drawing(reason);
  std::string png;
  if (!drawing || !drawing->encodePng(scene, png, reason)) {
    error = PathText(file) + ": " + reason;
    return false;
  }
  return WriteFileAtomically(file, png.data(), png.size(), error);
}

void SetViewDrawingLoader(ViewDrawingLoader loader) {
  DrawingState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.loader = loader ? loader : &LoadViewDrawingBesideProgram;
  state.tried = false;
  state.drawing = nullptr;
  state.error.clear();
}

}  // namespace ombrel::host
