#include "draw/view_drawing.h"
#include "image/image_library_loader.h"

namespace ombrel::host {

const ViewDrawing* LoadViewDrawingBesideProgram(std::string& error) {
  using Entry = const ViewDrawing* (*)();
  auto entry = reinterpret_cast<Entry>(EntryBesideProgram(OMBREL_VIEW_DRAWING_FILE, kViewDrawingEntry, "the drawing library", error));
  return entry ? entry() : nullptr;
}

}  // namespace ombrel::host
