// The host's in-memory bitmap: 8 bits per channel, RGB.
#ifndef OMBREL_HOST_BITMAP_H
#define OMBREL_HOST_BITMAP_H

#include <cstdint>
#include <vector>

struct HostBitmap {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> rgb;  // row-major, 3 bytes a pixel

  bool Init(int32_t w, int32_t h);
  bool Inside(int32_t x, int32_t y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

#endif
