// What the UV transform tool's operations share: the shader being edited, the tool's view, the
// picture frame in a view, the corners on screen and their way back into the shader.
#ifndef OMBREL_TOOL_CORNERS_H
#define OMBREL_TOOL_CORNERS_H

#include "sdk.h"
#include "tool_geometry.h"

namespace uvtool {

constexpr LONG kTransformShaderId = 1027722;
constexpr LONG kToolId = 1027723;
// Redraw flag words and the messages the tool sends; their meaning is the host's.
constexpr LONG kRedrawSettings = 6;
constexpr LONG kRedrawAfterEdit = 0x502;
constexpr LONG kRedrawWhileEditing = 0x506;

// The shader in setting 1001, resolved in doc; null unless it is a UV transform shader.
BaseShader* EditedShader(const BaseContainer& settings, BaseDocument* doc);

// The view in setting 1002, resolved in doc; the document's active view when that is empty.
BaseDraw* ToolView(const BaseContainer& settings, BaseDocument* doc);

// Width over height of the preview picture; 1 without one.
Real PreviewAspect(const BaseBitmap* preview);

ombrel::PixelFrame ViewFrame(BaseDraw* bd);

// The picture frame in view bd for an offset (setting 1006) and a picture aspect; `view`, when
// given, receives the view's own frame.
ombrel::PixelFrame FitPictureFrame(BaseDraw* bd, Real offset, Real aspect, ombrel::PixelFrame* view = nullptr);

Vector CornerToScreen(const ombrel::PixelFrame& frame, const Vector& corner);

inline Vector ToVector(const ombrel::Vec3& v) { return Vector(v.x, v.y, v.z); }
inline ombrel::Vec3 ToVec3(const Vector& v) { return ombrel::Vec3{v.x, v.y, v.z}; }

// Writes all four corners from screen points back into the edited shader as (u, v, 0) across
// the frame, straight into its container, then tells the shader (message kToolId). FALSE, with
// nothing written, when there is no edited shader.
Bool StoreCorners(const BaseContainer& settings, BaseDocument* doc, const ombrel::PixelFrame& frame,
                  const Vector screen[4]);

// The corners as the operations see them: the edited shader, the picture frame in the view, the
// corners as stored and on screen. Read afresh for every operation.
struct CornerSetUp {
  BaseShader* shader = nullptr;
  ombrel::PixelFrame frame;
  Vector stored[4];
  Vector screen[4];
};
// FALSE when there is no edited shader (the frame is still worked out).
Bool ReadCorners(const BaseContainer& settings, BaseDocument* doc, BaseDraw* bd, const BaseBitmap* preview,
                 CornerSetUp& out);

}  // namespace uvtool

#endif
