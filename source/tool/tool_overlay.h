// The UV transform tool's display in its view: the source picture in the picture frame, the
// corner quad dashed in black and white, the perspective guides with their vanishing points,
// handles on the selected corners and the magnifier.
#ifndef OMBREL_TOOL_OVERLAY_H
#define OMBREL_TOOL_OVERLAY_H

#include "sdk.h"
#include "tool_geometry.h"

namespace uvtool {

// Draws the tool into bd; draws nothing unless bd is the tool's view and there is a preview.
// Answers the draw result (always TOOLDRAW_0).
LONG DrawTool(BaseDocument* doc, const BaseContainer& settings, BaseDraw* bd, BaseBitmap* preview,
              const Bool cornerSelected[4]);

// A dashed line from a to b with its black shadow one pixel right and down, the white dashes
// continuing the shadow's on/off state; with a handle at a when `handle` is set. Only the steps
// that reach into `clip` are drawn (see ombrel::WalkDashes).
void DrawDashedLine(BaseDraw* bd, const Vector& a, const Vector& b, Real dash, Bool handle,
                    const ombrel::DashClip& clip);

}  // namespace uvtool

#endif
