// The picture the UV transform tool shows: the edited shader's source (its entry 1100) as a
// bitmap, copied from the source's own bitmap when it has one, else sampled on a 1024 × 1024 grid.
#ifndef OMBREL_SOURCE_PREVIEW_H
#define OMBREL_SOURCE_PREVIEW_H

#include "sdk.h"

namespace uvtool {

// Makes the preview in `target` (the tool's own bitmap, reused every time) from what the
// settings hold now. Answers target, or null when there is no picture: no target, no edited
// shader, no source, a source that cannot be set up, or a bitmap that cannot take the grid.
BaseBitmap* RenderSourcePreview(BaseBitmap* target, const BaseContainer& settings, BaseDocument* doc);

}  // namespace uvtool

#endif
