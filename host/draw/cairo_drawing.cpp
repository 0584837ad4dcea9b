// The drawing library: a view's drawing calls rasterised with Cairo, and the picture encoded as
// PNG by Cairo. What each call paints is described in view_picture.h.
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "draw/view_drawing.h"

namespace ombrel::host {
namespace {

struct SurfaceDeleter {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextDeleter {
  void operator()(cairo_t* c) const { cairo_destroy(c); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
using Context = std::unique_ptr<cairo_t, ContextDeleter>;

double Unit(double v) { return std::isnan(v) ? 0.0 : std::clamp(v, 0.0, 1.0); }

// Clips the segment a-b to the rectangle; false when nothing of it lies inside.
bool ClipSegment(double& ax, double& ay, double& bx, double& by, double x0, double y0, double x1, double y1) {
  double t0 = 0.0, t1 = 1.0;
  const double dx = bx - ax, dy = by - ay;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {ax - x0, x1 - ax, ay - y0, y1 - ay};
  for (int k = 0; k < 4; ++k) {
    if (p[k] == 0.0) {
      if (q[k] < 0.0) return false;
      continue;
    }
    const double r = q[k] / p[k];
    if (p[k] < 0.0) {
      t0 = std::max(t0, r);
    } else {
      t1 = std::min(t1, r);
    }
    if (t0 > t1) return false;
  }
  const double sx = ax, sy = ay;
  ax = sx + t0 * dx;
  ay = sy + t0 * dy;
  bx = sx + t1 * dx;
  by = sy + t1 * dy;
  return std::isfinite(ax) && std::isfinite(ay) && std::isfinite(bx) && std::isfinite(by);
}

// A texture coordinate as a texel index along an axis of n texels.
int32_t Texel(double t, int32_t n, bool repeat, bool mirror) {
  if (!std::isfinite(t)) t = 0.0;
  if (mirror) {
    const double m = t - 2.0 * std::floor(t * 0.5);  // [0, 2)
    t = m <= 1.0 ? m : 2.0 - m;
  } else if (repeat) {
    t -= std::floor(t);
  } else {
    t = std::clamp(t, 0.0, 1.0);
  }
  const double s = std::floor(t * n);
  return s < 0.0 ? 0 : s >= n ? n - 1 : static_cast<int32_t>(s);
}

struct Pixels {
  uint8_t* data;
  int stride;
  int32_t width, height;
  void Put(int32_t x, int32_t y, uint8_t r, uint8_t g, uint8_t b) {
    auto* p = reinterpret_cast<uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride) + x;
    *p = 0xFF000000u | (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
  }
};

void DrawTriangle(Pixels& px, const ViewScene& view, const DrawCommand& c, int i0, int i1, int i2) {
  const HostVector& p0 = c.points[static_cast<size_t>(i0)];
  const HostVector& p1 = c.points[static_cast<size_t>(i1)];
  const HostVector& p2 = c.points[static_cast<size_t>(i2)];
  const double area = (p1.x - p0.x) * (p2.y - p0.y) - (p2.x - p0.x) * (p1.y - p0.y);
  if (!std::isfinite(area) || std::fabs(area) < 1e-12) return;
  // The pixels whose centres can lie inside, limited to the picture before any conversion.
  const double L = view.left, T = view.top;
  auto range = [](double lo, double hi, int32_t n, int32_t& first, int32_t& last) {
    lo = std::clamp(std::floor(lo), 0.0, static_cast<double>(n));
    hi = std::clamp(std::ceil(hi), 0.0, static_cast<double>(n));
    first = static_cast<int32_t>(lo);
    last = static_cast<int32_t>(hi);
  };
  int32_t x0, x1, y0, y1;
  range(std::min({p0.x, p1.x, p2.x}) - L - 1.0, std::max({p0.x, p1.x, p2.x}) - L + 1.0, px.width, x0, x1);
  range(std::min({p0.y, p1.y, p2.y}) - T - 1.0, std::max({p0.y, p1.y, p2.y}) - T + 1.0, px.height, y0, y1);
  const HostBitmap& bmp = *c.bitmap;
  const bool repeatU = c.textureFlags & HOST_DRAWTEXTURE_REPEAT_U, repeatV = c.textureFlags & HOST_DRAWTEXTURE_REPEAT_V;
  const bool mirrorU = c.textureFlags & HOST_DRAWTEXTURE_MIRROR_U, mirrorV = c.textureFlags & HOST_DRAWTEXTURE_MIRROR_V;
  const HostVector* t = c.uv.data();
  const HostVector* k = c.colours.data();
  for (int32_t y = y0; y < y1; ++y) {
    const double sy = T + y + 0.5;
    for (int32_t x = x0; x < x1; ++x) {
      const double sx = L + x + 0.5;
      // Barycentric weights of the pixel centre.
      const double w1 = ((sx - p0.x) * (p2.y - p0.y) - (p2.x - p0.x) * (sy - p0.y)) / area;
      const double w2 = ((p1.x - p0.x) * (sy - p0.y) - (sx - p0.x) * (p1.y - p0.y)) / area;
      const double w0 = 1.0 - w1 - w2;
      constexpr double kEdge = -1e-9;
      if (w0 < kEdge || w1 < kEdge || w2 < kEdge) continue;
      const double u = w0 * t[i0].x + w1 * t[i1].x + w2 * t[i2].x;
      const double v = w0 * t[i0].y + w1 * t[i1].y + w2 * t[i2].y;
      const int32_t tx = Texel(u, bmp.width, repeatU, mirrorU);
      const int32_t ty = Texel(v, bmp.height, repeatV, mirrorV);
      const size_t at = (static_cast<size_t>(ty) * static_cast<size_t>(bmp.width) + static_cast<size_t>(tx)) * 3;
      if (at + 2 >= bmp.rgb.size()) continue;
      const double r = Unit(w0 * k[i0].x + w1 * k[i1].x + w2 * k[i2].x);
      const double g = Unit(w0 * k[i0].y + w1 * k[i1].y + w2 * k[i2].y);
      const double b = Unit(w0 * k[i0].z + w1 * k[i1].z + w2 * k[i2].z);
      px.Put(x, y, static_cast<uint8_t>(std::lround(bmp.rgb[at] * r)), static_cast<uint8_t>(std::lround(bmp.rgb[at + 1] * g)),
             static_cast<uint8_t>(std::lround(bmp.rgb[at + 2] * b)));
    }
  }
}

void DrawTextureCommand(cairo_surface_t* surface, const ViewScene& view, const DrawCommand& c) {
  if (!c.bitmap || c.bitmap->width <= 0 || c.bitmap->height <= 0) return;
  cairo_surface_flush(surface);
  Pixels px{cairo_image_surface_get_data(surface), cairo_image_surface_get_stride(surface),
            cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface)};
  if (!px.data) return;
  DrawTriangle(px, view, c, 0, 1, 2);
  if (c.count == 4) DrawTriangle(px, view, c, 0, 2, 3);
  cairo_surface_mark_dirty(surface);
}

void SetColour(cairo_t* cr, const HostVector& c) { cairo_set_source_rgb(cr, Unit(c.x), Unit(c.y), Unit(c.z)); }

void DrawLineCommand(cairo_t* cr, const ViewScene& view, const DrawCommand& c) {
  // The ends go to the centres of their pixels first, then the line is clipped to the view with
  // a margin, so Cairo only sees small coordinates (it cannot hold huge ones) and the clipped
  // line keeps its slope.
  auto centre = [](double v) { return std::floor(v) + 0.5; };
  double ax = centre(c.a.x - view.left), ay = centre(c.a.y - view.top);
  double bx = centre(c.b.x - view.left), by = centre(c.b.y - view.top);
  SetColour(cr, c.colour);
  if (ax == bx && ay == by) {
    // Both ends in one pixel: that pixel.
    if (ax < 0 || ay < 0 || ax > view.width || ay > view.height) return;
    cairo_rectangle(cr, ax - 0.5, ay - 0.5, 1.0, 1.0);
    cairo_fill(cr);
    return;
  }
  const double w = view.width, h = view.height;
  if (!ClipSegment(ax, ay, bx, by, -4.0, -4.0, w + 4.0, h + 4.0)) return;
  cairo_move_to(cr, ax, ay);
  cairo_line_to(cr, bx, by);
  cairo_stroke(cr);
}

void DrawHandleCommand(cairo_t* cr, const ViewScene& view, const DrawCommand& c) {
  const double side = c.handleSide;
  const double x = c.a.x - view.left, y = c.a.y - view.top;
  if (x < -side || y < -side || x > view.width + side || y > view.height + side) return;
  const double half = std::floor(side / 2.0);
  SetColour(cr, c.colour);
  cairo_rectangle(cr, std::floor(x) - half, std::floor(y) - half, side, side);
  cairo_fill(cr);
}

Surface Draw(const ViewScene& view) {
  const int32_t w = view.width, h = view.height;
  if (w <= 0 || h <= 0) return nullptr;
  Surface surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  Context cr(cairo_create(surface.get()));
  cairo_set_antialias(cr.get(), CAIRO_ANTIALIAS_NONE);
  cairo_set_line_width(cr.get(), 1.0);
  cairo_set_line_cap(cr.get(), CAIRO_LINE_CAP_SQUARE);
  SetColour(cr.get(), view.background);
  cairo_paint(cr.get());
  for (size_t i = 0; i < view.count; ++i) {
    const DrawCommand& c = view.commands[i];
    if (!c.visible) continue;
    switch (c.kind) {
      case DrawCommand::Kind::Line: DrawLineCommand(cr.get(), view, c); break;
      case DrawCommand::Kind::Handle: DrawHandleCommand(cr.get(), view, c); break;
      case DrawCommand::Kind::Texture: DrawTextureCommand(surface.get(), view, c); break;
    }
  }
  cr.reset();
  cairo_surface_flush(surface.get());
  return surface;
}

cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length) {
  auto* out = static_cast<std::string*>(closure);
  out->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

bool RasterizeScene(const ViewScene& scene, std::vector<uint8_t>& rgb) {
  Surface surface = Draw(scene);
  if (!surface) return false;
  const int32_t width = cairo_image_surface_get_width(surface.get());
  const int32_t height = cairo_image_surface_get_height(surface.get());
  const int stride = cairo_image_surface_get_stride(surface.get());
  const uint8_t* data = cairo_image_surface_get_data(surface.get());
  rgb.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
  for (int32_t y = 0; y < height; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
    for (int32_t x = 0; x < width; ++x) {
      const size_t at = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
      rgb[at] = static_cast<uint8_t>(row[x] >> 16);
      rgb[at + 1] = static_cast<uint8_t>(row[x] >> 8);
      rgb[at + 2] = static_cast<uint8_t>(row[x]);
    }
  }
  return true;
}

bool EncodeScene(const ViewScene& scene, std::string& png, std::string& error) {
  Surface surface = Draw(scene);
  if (!surface) {
    error = "no memory for a picture of " + std::to_string(scene.width) + "x" + std::to_string(scene.height) + " pixels";
    return false;
  }
  if (cairo_surface_write_to_png_stream(surface.get(), AppendBytes, &png) != CAIRO_STATUS_SUCCESS) {
    error = "the picture could not be encoded";
    return false;
  }
  return true;
}

const ViewDrawing kDrawing{sizeof(ViewDrawing), &RasterizeScene, &EncodeScene};

}  // namespace

const ViewDrawing* LinkedViewDrawing() { return &kDrawing; }

}  // namespace ombrel::host
