#include "tool_corners.h"

#include "Xtransform.h"
#include "tool_uv_transform.h"

namespace uvtool {

BaseShader* EditedShader(const BaseContainer& settings, BaseDocument* doc) {
  BaseList2D* linked = settings.GetLink(TOOL_UV_TRANSFORM_SHADER, doc);
  if (!linked || linked->GetType() != kTransformShaderId) return nullptr;
  return reinterpret_cast<BaseShader*>(linked);
}

BaseDraw* ToolView(const BaseContainer& settings, BaseDocument* doc) {
  BaseList2D* linked = settings.GetLink(TOOL_UV_TRANSFORM_VIEW, doc);
  if (linked) return reinterpret_cast<BaseDraw*>(linked);
  return doc ? doc->GetActiveBaseDraw() : nullptr;
}

Real PreviewAspect(const BaseBitmap* preview) {
  if (!preview) return 1.0;
  return static_cast<Real>(preview->GetBw()) / static_cast<Real>(preview->GetBh());
}

ombrel::PixelFrame ViewFrame(BaseDraw* bd) {
  ombrel::PixelFrame f;
  if (bd) bd->GetFrame(&f.left, &f.top, &f.right, &f.bottom);
  return f;
}

ombrel::PixelFrame FitPictureFrame(BaseDraw* bd, Real offset, Real aspect, ombrel::PixelFrame* view) {
  const ombrel::PixelFrame v = ViewFrame(bd);
  if (view) *view = v;
  return ombrel::FitPictureFrame(v, offset, aspect);
}

Vector CornerToScreen(const ombrel::PixelFrame& frame, const Vector& corner) {
  return ToVector(ombrel::CornerToScreen(frame, corner.x, corner.y));
}

Bool StoreCorners(const BaseContainer& settings, BaseDocument* doc, const ombrel::PixelFrame& frame,
                  const Vector screen[4]) {
  BaseShader* shader = EditedShader(settings, doc);
  if (!shader) return FALSE;
  BaseContainer* data = shader->GetDataInstance();
  for (LONG k = 0; k < 4; ++k) {
    const Real u = ombrel::Normalise(screen[k].x, frame.left, frame.right);
    const Real v = ombrel::Normalise(screen[k].y, frame.top, frame.bottom);
    data->SetVector(XTRANSFORM_CORNER1 + k, Vector(u, v, 0.0));
  }
  shader->Message(kToolId);
  return TRUE;
}

Bool ReadCorners(const BaseContainer& settings, BaseDocument* doc, BaseDraw* bd, const BaseBitmap* preview,
                 CornerSetUp& out) {
  const Real offset = settings.GetReal(TOOL_UV_TRANSFORM_OFFSET, 0.5);
  out.frame = FitPictureFrame(bd, offset, PreviewAspect(preview));
  out.shader = EditedShader(settings, doc);
  if (!out.shader) return FALSE;
  const BaseContainer* data = out.shader->GetDataInstance();
  for (LONG k = 0; k < 4; ++k) {
    out.stored[k] = data->GetVector(XTRANSFORM_CORNER1 + k, Vector(0.0, 0.0, 0.0));
    out.screen[k] = CornerToScreen(out.frame, out.stored[k]);
  }
  return TRUE;
}

}  // namespace uvtool
