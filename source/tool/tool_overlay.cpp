#include "tool_overlay.h"

#include "Xtransform.h"
#include "tool_corners.h"
#include "tool_uv_transform.h"

namespace uvtool {

namespace {

// Draw parameters, alpha modes and texture flags are the host's values, passed as they are.
constexpr LONG kShadingSetUp = 4;
constexpr LONG kShadingPicture = 2;
constexpr LONG kPictureAlphaMode = 12;
constexpr LONG kPictureTextureFlags = 0;
constexpr LONG kMagnifierAlphaMode = 10;
constexpr LONG kMagnifierTextureFlags = 15;

constexpr Real kPictureDepth = 20000.0;
constexpr Real kDashLength = 5.0;
constexpr Real kGuideLength = 1000.0;
constexpr Real kMagnifierBox = 128.0;
constexpr Real kMagnifierInset = 10.0;
constexpr Real kMagnifierSpan = 0.02;
// A third texture coordinate the picture's quad carries unchanged.
constexpr Real kPictureW = 1e308;

const Vector kBlack(0.0, 0.0, 0.0);
const Vector kWhite(1.0, 1.0, 1.0);
const Vector kRed(1.0, 0.0, 0.0);
const Vector kGreen(0.0, 1.0, 0.0);
const Vector kShadowOffset(1.0, 1.0, 0.0);

// A textured quad, corners top left, top right, bottom right, bottom left, white and facing the
// viewer.
void DrawQuad(BaseDraw* bd, const BaseBitmap* bmp, const Vector points[4], const Vector uvw[4], LONG alphaMode,
              LONG textureFlags) {
  const Vector colours[4] = {kWhite, kWhite, kWhite, kWhite};
  const Vector normal(0.0, 0.0, 1.0);
  const Vector normals[4] = {normal, normal, normal, normal};
  bd->DrawTexture(bmp, points, colours, normals, uvw, 4, alphaMode, textureFlags);
}

// The picture fills the frame, a long way behind everything else drawn.
void DrawPicture(BaseDraw* bd, const BaseBitmap* preview, const ombrel::PixelFrame& f) {
  const Vector points[4] = {bd->SW(Vector(f.left, f.top, kPictureDepth)), bd->SW(Vector(f.right, f.top, kPictureDepth)),
                            bd->SW(Vector(f.right, f.bottom, kPictureDepth)),
                            bd->SW(Vector(f.left, f.bottom, kPictureDepth))};
  bd->SetMatrix_Matrix(nullptr, Matrix());
  bd->SetDrawParam(DRAW_PARAMETER_SHADING, GeData(kShadingPicture));
  const Vector uvw[4] = {Vector(0.0, 0.0, kPictureW), Vector(1.0, 0.0, kPictureW), Vector(1.0, 1.0, kPictureW),
                         Vector(0.0, 1.0, kPictureW)};
  DrawQuad(bd, preview, points, uvw, kPictureAlphaMode, kPictureTextureFlags);
}

Vector GuideEnd(const Vector& from, const Vector& away) {
  return from + uvtool::ToVector(ombrel::Unit(ToVec3(from - away)) * kGuideLength);
}

// One pair of opposite edges extended beyond their corners, and where the pair meets. ends[k]
// is the guide from corner k + 1 away from its neighbour along the pair's edges.
void DrawGuidePair(BaseDraw* bd, const Vector& pen, const Vector from[4], const Vector away[4], const LONG meet[4],
                   Bool handles) {
  bd->SetPen(pen);
  Vector ends[4];
  for (LONG k : {0, 3, 2, 1}) {
    ends[k] = GuideEnd(from[k], away[k]);
    bd->DrawLine(from[k], ends[k], NOCLIP_D);
  }
  ombrel::ClosestPoints c;
  if (ombrel::ClosestPointsOfLines(ToVec3(ends[meet[0]]), ToVec3(ends[meet[1]]), ToVec3(ends[meet[2]]),
                                   ToVec3(ends[meet[3]]), c) &&
      handles) {
    bd->DrawHandle2D(ToVector(c.onA), HANDLE_BIG);
  }
}

void DrawGuides(BaseDraw* bd, const Vector P[4], Bool handles) {
  // Red: the edges 1-2 and 4-3, each corner's guide pointing away from its partner on that edge.
  const Vector redAway[4] = {P[1], P[0], P[3], P[2]};
  const LONG redMeet[4] = {0, 1, 2, 3};  // E1, E2 against E3, E4
  DrawGuidePair(bd, kRed, P, redAway, redMeet, handles);
  // Green: the edges 1-4 and 2-3.
  const Vector greenAway[4] = {P[3], P[2], P[1], P[0]};
  const LONG greenMeet[4] = {0, 3, 2, 1};  // F1, F4 against F3, F2
  DrawGuidePair(bd, kGreen, P, greenAway, greenMeet, handles);
}

void DrawMagnifier(BaseDraw* bd, const BaseBitmap* preview, const Vector& corner) {
  const ombrel::PixelFrame view = ViewFrame(bd);
  const Real right = static_cast<Real>(view.right) - kMagnifierInset;
  const Real top = static_cast<Real>(view.top) + kMagnifierInset;
  const Real left = right - kMagnifierBox;
  const Real bottom = top + kMagnifierBox;
  const Vector points[4] = {Vector(left, top, 0.0), Vector(right, top, 0.0), Vector(right, bottom, 0.0),
                            Vector(left, bottom, 0.0)};
  const Real u = corner.x, v = corner.y, d = kMagnifierSpan;
  const Vector uvw[4] = {Vector(u - d, v - d, 0.0), Vector(u + d, v - d, 0.0), Vector(u + d, v + d, 0.0),
                         Vector(u - d, v + d, 0.0)};
  DrawQuad(bd, preview, points, uvw, kMagnifierAlphaMode, kMagnifierTextureFlags);
  bd->SetPen(kBlack);
  bd->DrawHandle(Vector((right - left) * 0.5 + left, (bottom - top) * 0.5 + top, 0.0), HANDLE_BIG, 0);
}

}  // namespace

void DrawDashedLine(BaseDraw* bd, const Vector& a, const Vector& b, Real dash, Bool handle,
                    const ombrel::DashClip& clip) {
  bool on = true;
  auto line = [bd](const ombrel::DashSegment& s) { bd->DrawLine(ToVector(s.from), ToVector(s.to), NOCLIP_NONE); };
  bd->SetPen(kBlack);
  ombrel::WalkDashes(ToVec3(a + kShadowOffset), ToVec3(b + kShadowOffset), dash, clip, on, line);
  if (handle) bd->DrawHandle2D(a + kShadowOffset, HANDLE_BIG);
  bd->SetPen(kWhite);
  ombrel::WalkDashes(ToVec3(a), ToVec3(b), dash, clip, on, line);
  if (handle) bd->DrawHandle2D(a, HANDLE_BIG);
}

LONG DrawTool(BaseDocument* doc, const BaseContainer& settings, BaseDraw* bd, BaseBitmap* preview,
              const Bool cornerSelected[4]) {
  if (!bd || bd != ToolView(settings, doc) || !preview) return TOOLDRAW_0;

  // The picture is drawn with the view's depth offset and shading of our own; the overlay
  // after it with the view's.
  const GeData depthOffset = bd->GetDrawParam(DRAW_PARAMETER_DEPTH_OFFSET);
  const GeData shading = bd->GetDrawParam(DRAW_PARAMETER_SHADING);
  bd->SetDrawParam(DRAW_PARAMETER_DEPTH_OFFSET, GeData(0.0));
  bd->SetDrawParam(DRAW_PARAMETER_SHADING, GeData(kShadingSetUp));
  bd->SetMatrix_Screen();
  bd->SetTransparency(0);
  bd->SetDepthOffset(-1);
  ombrel::PixelFrame view;
  const ombrel::PixelFrame frame =
      FitPictureFrame(bd, settings.GetReal(TOOL_UV_TRANSFORM_OFFSET, 0.5), PreviewAspect(preview), &view);
  bd->SetMatrix_Screen();
  bd->SetDepthOffset(-1);

  DrawPicture(bd, preview, frame);
  bd->SetMatrix_Screen();
  bd->SetDrawParam(DRAW_PARAMETER_DEPTH_OFFSET, depthOffset);
  bd->SetDrawParam(DRAW_PARAMETER_SHADING, shading);

  const Bool handles = settings.GetBool(TOOL_UV_TRANSFORM_HANDLES, TRUE);
  const Bool guides = settings.GetBool(TOOL_UV_TRANSFORM_GUIDES, TRUE);

  BaseShader* shader = EditedShader(settings, doc);
  if (!shader) return TOOLDRAW_0;
  const BaseContainer* data = shader->GetDataInstance();
  Vector P[4];
  Vector stored[4];
  for (LONG k = 0; k < 4; ++k) {
    stored[k] = data->GetVector(XTRANSFORM_CORNER1 + k, Vector(0.0, 0.0, 0.0));
    P[k] = CornerToScreen(frame, stored[k]);
  }

  const ombrel::DashClip clip = ombrel::DashClipOf(view);
  for (LONG k = 0; k < 4; ++k) DrawDashedLine(bd, P[k], P[(k + 1) % 4], kDashLength, handles, clip);

  if (guides) DrawGuides(bd, P, handles);

  bd->SetPen(GetViewColor(VIEWCOLOR_SELECTION));
  LONG highest = -1;
  for (LONG k = 0; k < 4; ++k) {
    if (!cornerSelected[k]) continue;
    bd->DrawHandle(P[k], HANDLE_BIG, 0);
    highest = k;
  }

  if (settings.GetBool(TOOL_UV_TRANSFORM_MAGNIFIER, FALSE) && highest >= 0) DrawMagnifier(bd, preview, stored[highest]);
  return TOOLDRAW_0;
}

}  // namespace uvtool
