#include "image/image_reader.h"

#include <OpenImageIO/imageio.h>

namespace ombrel::host {

bool ReadImageFile(const std::filesystem::path& file, FloatImage& image, std::string& error) {
  const std::string name = file.string();
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) {
    const bool folder = std::filesystem::is_directory(file, ec);
    error = "cannot read image " + name + ": " +
            (folder ? "a folder, not an image file" : std::filesystem::exists(file, ec) ? "not a regular file" : "no such file");
    return false;
  }
  auto in = OIIO::ImageInput::open(name);
  if (!in) {
    error = "cannot read image " + name + ": " + OIIO::geterror();
    return false;
  }
  // Small texture files gain nothing from the library's own thread pool, and a render's
  // threads should be the only ones sampling.
  in->threads(1);
  const OIIO::ImageSpec& format = in->spec();
  const int channels = format.nchannels;
  // Refuse absurd sizes instead of trying to allocate them.
  if (format.width <= 0 || format.height <= 0 || channels <= 0 ||
      static_cast<long long>(format.width) * format.height > (1LL << 28)) {
    error = "cannot read image " + name + ": unsupported size " + std::to_string(format.width) + "x" +
            std::to_string(format.height);
    return false;
  }
  std::vector<float> pixels(static_cast<size_t>(format.width) * static_cast<size_t>(format.height) *
                            static_cast<size_t>(channels));
  if (!in->read_image(0, 0, 0, channels, OIIO::TypeDesc::FLOAT, pixels.data())) {
    error = "cannot read image " + name + ": " + in->geterror();
    return false;
  }
  in->close();
  image.width = format.width;
  image.height = format.height;
  image.rgb.assign(static_cast<size_t>(format.width) * static_cast<size_t>(format.height) * 3, 0.0f);
  for (size_t i = 0, n = static_cast<size_t>(format.width) * static_cast<size_t>(format.height); i < n; ++i) {
    const float* src = &pixels[i * static_cast<size_t>(channels)];
    float* dst = &image.rgb[i * 3];
    dst[0] = src[0];
    dst[1] = channels >= 3 ? src[1] : src[0];
    dst[2] = channels >= 3 ? src[2] : src[0];
  }
  return true;
}

}  // namespace ombrel::host
