// Writing rendered pictures, and reading them back for checks. The only place that knows the
// image library.
#ifndef OMBREL_HOST_IMAGE_WRITER_H
#define OMBREL_HOST_IMAGE_WRITER_H

#include <filesystem>
#include <string>
#include <vector>

namespace ombrel::host {

// A picture of width × height RGB floats, row-major from the top. `linear` says the values are
// scene-linear (the scene renders with a linear workflow): display formats then encode them
// to sRGB. Otherwise they are display values already and are written as they are.
struct FloatImage {
  int width = 0;
  int height = 0;
  std::vector<float> rgb;
  bool linear = false;

  float* Pixel(int x, int y) { return rgb.data() + (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3; }
  const float* Pixel(int x, int y) const {
    return rgb.data() + (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
  }
};

// Writes by suffix (any case): .png as 8-bit display-referred (linear values encoded to sRGB,
// then clamped to [0, 1] and rounded; NaN becomes 0), .exr/.tif/.tiff as 32-bit float with the
// exact values. The picture goes to a hidden file beside the target first and replaces the
// target only when complete, so a failed write leaves an existing file as it was. False with
// a message naming the file on failure.
bool WriteImage(const FloatImage& image, const std::filesystem::path& file, std::string& error);

// Whether WriteImage knows the file's suffix; false with a message naming the file otherwise.
// Lets a command refuse a bad output name before it spends time rendering.
bool CanWriteImageType(const std::filesystem::path& file, std::string& error);

// Reads any picture the image library knows as RGB floats (the first three channels; grey
// pictures are repeated into all three). 8-bit values come back as value / 255.
bool ReadImage(const std::filesystem::path& file, FloatImage& image, std::string& error);

// The 8-bit code a display format stores for a value: sRGB-encoded first when `linear`.
unsigned char DisplayCode(float value, bool linear);

}  // namespace ombrel::host

#endif
