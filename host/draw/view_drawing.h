// The drawing library as the host sees it: a view's drawing calls in, pixels or the bytes of a
// PNG file out. It links Cairo, and Cairo brings 18 more shared libraries (X11 and xcb among them), so
// ombrel-host opens it (ombrel-host-draw.so, beside the program) only when a command first draws
// a view; tests link it.
#ifndef OMBREL_HOST_DRAW_VIEW_DRAWING_H
#define OMBREL_HOST_DRAW_VIEW_DRAWING_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/view.h"

namespace ombrel::host {

// What the library needs of a view, as plain values, so that it links nothing of the core.
struct ViewScene {
  int32_t left = 0, top = 0;
  int32_t width = 0, height = 0;  // more than 0
  HostVector background{0.0, 0.0, 0.0};
  const DrawCommand* commands = nullptr;
  size_t count = 0;
};

// The library's services. Functions are only ever appended, and `size` is the size of the table
// the library filled in.
struct ViewDrawing {
  size_t size = sizeof(ViewDrawing);
  // The scene drawn as RGB bytes, row-major from the top; false when there is no memory for it.
  bool (*rasterize)(const ViewScene& scene, std::vector<uint8_t>& rgb) = nullptr;
  // The scene drawn and encoded as a PNG file; false with the reason.
  bool (*encodePng)(const ViewScene& scene, std::string& png, std::string& error) = nullptr;
};

// The name of the entry point the library exports: `const ViewDrawing* ombrel_host_view_drawing()`.
constexpr const char* kViewDrawingEntry = "ombrel_host_view_drawing";

// The library's table, for a program that links it.
const ViewDrawing* LinkedViewDrawing();

// Finds the drawing library the first time a view is drawn: null with a reason when there is none.
using ViewDrawingLoader = const ViewDrawing* (*)(std::string& error);

// The program names how the library is found; the first answer is kept. Without a loader, the
// library is the one beside the running program (ombrel-host). Main thread.
void SetViewDrawingLoader(ViewDrawingLoader loader);

// For programs that link the library (tests): only those that call this need Cairo.
inline void InstallLinkedViewDrawing() {
  SetViewDrawingLoader([](std::string&) { return LinkedViewDrawing(); });
}

// Opens the library beside the running program.
const ViewDrawing* LoadViewDrawingBesideProgram(std::string& error);

}  // namespace ombrel::host

#endif
