// The host's in-memory bitmap: 8 bits per channel, RGB.
#ifndef OMBREL_HOST_BITMAP_H
#define OMBREL_HOST_BITMAP_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct HostBitmap {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> rgb;  // row-major, 3 bytes a pixel
  // Why the last Init made no picture ("" after one that did): a save of the empty bitmap that
  // follows says so, where the plug-in would only hear that the file could not be written.
  std::string refused;

  bool Init(int32_t w, int32_t h);
  bool Inside(int32_t x, int32_t y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

namespace ombrel::host {

// Writes a bitmap to a file in a format (HOST_FILTER_TIFF, HOST_FILTER_PNG); false with a
// message naming the file when it cannot. The core knows only this interface; the image
// library behind it is installed by the program (see image/bitmap_save.h).
using BitmapSaver = bool (*)(const HostBitmap& bitmap, const std::filesystem::path& file, int32_t format,
                             std::string& error);
void SetBitmapSaver(BitmapSaver saver);
BitmapSaver GetBitmapSaver();


}  // namespace ombrel::host

#endif
