// Reading image files for the host's bitmap shader. The core knows only this interface; the
// image library behind it is installed by the program (see image/image_reader.h), so the core
// itself builds without it.
#ifndef OMBREL_HOST_IMAGE_SOURCE_H
#define OMBREL_HOST_IMAGE_SOURCE_H

#include <filesystem>
#include <string>
#include <vector>

namespace ombrel::host {

// An image as RGB floats, row-major from the top row, as stored in the file (no colour
// conversion).
struct LoadedImage {
  int width = 0;
  int height = 0;
  std::vector<float> rgb;
};

// False with a message naming the file when it cannot be read.
using ImageReader = bool (*)(const std::filesystem::path& file, LoadedImage& image, std::string& error);

void SetImageReader(ImageReader reader);
ImageReader GetImageReader();

}  // namespace ombrel::host

#endif
