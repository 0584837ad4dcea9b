// Sizes that follow from the four corners of the UV transform: the preview cube's edge lengths
// and the pixel size of an exported picture. Pure maths, no host calls.
#ifndef OMBREL_COMMON_CORNER_SIZES_H
#define OMBREL_COMMON_CORNER_SIZES_H

#include <cstdint>

namespace ombrel {

// A corner's (u, v); the third component of a stored corner plays no part.
struct CornerUv {
  double u = 0.0, v = 0.0;
};

struct CubeSize {
  double x = 0.0, y = 0.0, z = 0.0;
};

// The preview cube for corners 1..4, in scene units (100 a unit of UV): its height is the longer
// of the side edges 1-4 and 2-3; its width and depth the longer of the edges 1-2 and 3-4,
// stretched by the ratio of the side edges (1 when either side edge is 0).
CubeSize PreviewCubeSize(const CornerUv corners[4]);

struct PixelSize {
  int32_t width = 0, height = 0;
};

// The exported picture for corners 1..4 over a source picture of sourceWidth × sourceHeight
// pixels: the longer of the edges 1-4 and 2-3 sets the height; the width is the edge 1-2,
// stretched by the ratio of those edges only when the edge 1-2 is longer than the edge 3-4.
// Both are truncated toward zero; sizes beyond the 32-bit range saturate rather than wrap.
PixelSize ExportPictureSize(const CornerUv corners[4], int32_t sourceWidth, int32_t sourceHeight);

}  // namespace ombrel

#endif
