// Reading image files for the host's bitmap shader. The core knows only this interface; the
// image library behind it is installed by the program (see image/image_reader.h), so the core
// itself builds without it.
#ifndef OMBREL_HOST_IMAGE_SOURCE_H
#define OMBREL_HOST_IMAGE_SOURCE_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace ombrel::host {

// A picture of width × height RGB floats, row-major from the top: an image file as read (no
// colour conversion), or a render. `linear` says the values are scene-linear (the scene renders
// with a linear workflow): display formats then encode them to sRGB.
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

// False with a message naming the file when it cannot be read.
using ImageReader = bool (*)(const std::filesystem::path& file, FloatImage& image, std::string& error);

void SetImageReader(ImageReader reader);
ImageReader GetImageReader();

// Reading movie files: whether a file is a movie (with its frame count and frames per second),
// and one of its frames (0 is the first). Installed by the program like the image reader; without
// one, no file is a movie.
struct MovieReader {
  bool (*info)(const std::filesystem::path& file, int32_t& frameCount, double& fps) = nullptr;
  bool (*frame)(const std::filesystem::path& file, int32_t index, FloatImage& image, std::string& error) = nullptr;
};

void SetMovieReader(MovieReader reader);
MovieReader GetMovieReader();

}  // namespace ombrel::host

#endif
