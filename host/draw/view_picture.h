// The picture of a view: every drawing call of the view's record, rasterised by the drawing
// library (Cairo, draw/cairo_drawing.cpp), which the program names with SetViewDrawingLoader.
//
// Pixel (i, j) of the picture covers the screen square [L + i, L + i + 1) x [T + j, T + j + 1),
// with (L, T) the frame's top left. The background is view colour 0. Lines are one pixel wide,
// not smoothed, and run through the centres of the pixels their ends fall in. A handle is a
// filled square of kBigHandleSide pixels (type HOST_HANDLE_BIG) or kSmallHandleSide pixels
// (other types) centred on the pixel its point falls in, for drawHandle and drawHandle2D alike.
// A textured polygon (3 or 4 points) is drawn as the triangles (0, 1, 2) and (0, 2, 3), each
// mapped affinely from its texture coordinates, so a parallelogram gets one affine map; a pixel
// takes the texel under its centre (nearest texel), multiplied by the interpolated colours. Both
// alpha modes draw opaque. Texture coordinates outside [0, 1] follow the texture flags per axis:
// MIRROR_U/V mirrors (and wins over REPEAT_U/V), REPEAT_U/V tiles, neither clamps to the edge
// texel. Points that are not finite, or lie behind the camera, are not drawn; lines are clipped
// to the view before they reach Cairo.
#ifndef OMBREL_HOST_DRAW_VIEW_PICTURE_H
#define OMBREL_HOST_DRAW_VIEW_PICTURE_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/view.h"

namespace ombrel::host {

struct ViewPicture {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> rgb;  // row-major, 3 bytes a pixel
  // The pixel's (red, green, blue) as 0xRRGGBB; 0 outside the picture.
  uint32_t At(int32_t x, int32_t y) const;
};

// The view's record drawn into a picture of the view's size (empty for a 0-pixel frame, and
// when there is no drawing library).
ViewPicture RasterizeView(const View& view);

// Draws the view and writes the picture as a PNG file; false with a message naming the file.
bool WriteViewPicture(const View& view, const std::filesystem::path& file, std::string& error);

}  // namespace ombrel::host

#endif
