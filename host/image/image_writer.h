// Writing rendered pictures. The only place that knows the image library.
#ifndef OMBREL_HOST_IMAGE_WRITER_H
#define OMBREL_HOST_IMAGE_WRITER_H

#include <filesystem>
#include <string>
#include <vector>

namespace ombrel::host {

// A picture of width × height RGB floats, row-major from the top, scene-linear or display
// values as the renderer produced them.
struct FloatImage {
  int width = 0;
  int height = 0;
  std::vector<float> rgb;
};

// Writes by suffix: .png as 8-bit display-referred (clamped, rounded), .exr/.tif/.tiff as
// 32-bit float with the exact values. False with a message naming the file on failure.
bool WriteImage(const FloatImage& image, const std::filesystem::path& file, std::string& error);

}  // namespace ombrel::host

#endif
