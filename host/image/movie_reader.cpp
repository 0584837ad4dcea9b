#include "image/movie_reader.h"

#include <OpenImageIO/imagebuf.h>
#include <OpenImageIO/imagebufalgo.h>
#include <OpenImageIO/imageio.h>

#include <algorithm>
#include <cmath>

namespace ombrel::host {
namespace {

std::unique_ptr<OIIO::ImageInput> OpenMovie(const std::filesystem::path& file) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) return nullptr;
  auto in = OIIO::ImageInput::open(file.string());
  if (!in) {
    OIIO::geterror();  // clear the library's message: a still image is not an error here
    return nullptr;
  }
  if (in->spec().get_int_attribute("oiio:Movie", 0) == 0) return nullptr;
  in->threads(1);
  return in;
}

}  // namespace

bool ReadMovieInfo(const std::filesystem::path& file, int32_t& frameCount, double& fps) {
  auto in = OpenMovie(file);
  if (!in) return false;
  const int frames = in->spec().get_int_attribute("oiio:subimages", 0);
  if (frames <= 0) return false;
  frameCount = frames;
  fps = 0.0;
  const OIIO::ParamValue* rate = in->spec().find_attribute("FramesPerSecond");
  if (rate && rate->type() == OIIO::TypeRational) {
    const int* r = static_cast<const int*>(rate->data());
    if (r[1] != 0) fps = static_cast<double>(r[0]) / r[1];
  } else if (rate) {
    fps = in->spec().get_float_attribute("FramesPerSecond", 0.0f);
  }
  return true;
}

bool ReadMovieFrame(const std::filesystem::path& file, int32_t index, FloatImage& image, std::string& error) {
  auto in = OpenMovie(file);
  if (!in || index < 0 || !in->seek_subimage(index, 0)) {
    error = "cannot read frame " + std::to_string(index) + " of " + file.string();
    return false;
  }
  const OIIO::ImageSpec& layout = in->spec();
  const int channels = layout.nchannels;
  if (layout.width <= 0 || layout.height <= 0 || channels <= 0 || static_cast<long long>(layout.width) * layout.height > (1LL << 28)) {
    error = "cannot read frame " + std::to_string(index) + " of " + file.string() + ": unsupported size";
    return false;
  }
  std::vector<float> pixels(static_cast<size_t>(layout.width) * static_cast<size_t>(layout.height) * static_cast<size_t>(channels));
  if (!in->read_image(index, 0, 0, channels, OIIO::TypeDesc::FLOAT, pixels.data())) {
    error = "cannot read frame " + std::to_string(index) + " of " + file.string() + ": " + in->geterror();
    return false;
  }
  image.width = layout.width;
  image.height = layout.height;
  image.rgb.assign(static_cast<size_t>(layout.width) * static_cast<size_t>(layout.height) * 3, 0.0f);
  for (size_t i = 0, n = static_cast<size_t>(layout.width) * static_cast<size_t>(layout.height); i < n; ++i) {
    const float* src = &pixels[i * static_cast<size_t>(channels)];
    for (int c = 0; c < 3; ++c) image.rgb[i * 3 + static_cast<size_t>(c)] = src[channels >= 3 ? c : 0];
  }
  return true;
}

bool ResizePicture(const uint8_t* rgb, int width, int height, int w, int h, std::vector<uint8_t>& out) {
  if (!rgb || width <= 0 || height <= 0 || w <= 0 || h <= 0) return false;
  OIIO::ImageSpec layout(width, height, 3, OIIO::TypeDesc::UINT8);
  OIIO::ImageBuf in(layout, const_cast<uint8_t*>(rgb));
  OIIO::ImageBuf resized(OIIO::ImageSpec(w, h, 3, OIIO::TypeDesc::UINT8));
  if (!OIIO::ImageBufAlgo::resize(resized, in, "", 0.0f, OIIO::ROI::All(), 1)) return false;
  out.assign(static_cast<size_t>(w) * static_cast<size_t>(h) * 3, 0);
  return resized.get_pixels(OIIO::ROI(0, w, 0, h, 0, 1, 0, 3), OIIO::TypeDesc::UINT8, out.data());
}

}  // namespace ombrel::host
