// The one entry point of the drawing library that ombrel-host opens the first time it draws a view.
#include "draw/view_drawing.h"

extern "C" __attribute__((visibility("default"))) const ombrel::host::ViewDrawing* ombrel_host_view_drawing() {
  return ombrel::host::LinkedViewDrawing();
}
