#include "image/movie_reader.h"

#include <OpenImageIO/imagebuf.h>
#include <OpenImageIO/imagebufalgo.h>
#include <OpenImageIO/imageio.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>

namespace ombrel::host {
namespace {

// What tells one state of a file from another: a movie replaced or rewritten while it is kept
// open must be read again from the start.
struct FileStamp {
  std::uintmax_t size = 0;
  std::filesystem::file_time_type written{};
  bool operator==(const FileStamp&) const = default;
};

bool StampOf(const std::filesystem::path& file, FileStamp& stamp) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) return false;
  stamp.size = std::filesystem::file_size(file, ec);
  if (ec) return false;
  stamp.written = std::filesystem::last_write_time(file, ec);
  return !ec;
}

std::unique_ptr<OIIO::ImageInput> OpenMovie(const std::filesystem::path& file) {
  auto in = OIIO::ImageInput::open(file.string());
  if (!in) {
    OIIO::geterror();  // clear the library's message: a still image is not an error here
    return nullptr;
  }
  if (in->spec().get_int_attribute("oiio:Movie", 0) == 0) return nullptr;
  in->threads(1);
  return in;
}

// The movie last read, kept open between calls. A movie becomes an atlas frame by frame, and
// opening it again for every frame reads its index again each time: quadratic in its frames.
// Kept open, the next frame is the next step of the decoder. One movie at a time is enough for
// that and holds one file open at most; it is closed after its last frame or when another file
// is asked for.
class OpenedMovie {
 public:
  // The movie's reader, opened or kept; null for a file that is no movie. Under `Lock()`.
  OIIO::ImageInput* Get(const std::filesystem::path& file) {
    FileStamp stamp;
    if (!StampOf(file, stamp)) {
      Close();
      return nullptr;
    }
    if (input_ && file == file_ && stamp == stamp_) return input_.get();
    Close();
    input_ = OpenMovie(file);
    if (!input_) return nullptr;
    // Asking the reader for another frame's header would move it there: the first is kept.
    first_ = input_->spec();
    file_ = file;
    stamp_ = stamp;
    return input_.get();
  }
  void Close() {
    input_.reset();
    file_.clear();
  }
  std::unique_lock<std::mutex> Lock() { return std::unique_lock<std::mutex>(mutex_); }
  // The first frame's header, which holds the movie's attributes. After `Get`.
  const OIIO::ImageSpec& First() const { return first_; }

 private:
  std::mutex mutex_;
  std::filesystem::path file_;
  FileStamp stamp_;
  std::unique_ptr<OIIO::ImageInput> input_;
  OIIO::ImageSpec first_;
};

// Never destroyed: closing the library's reader while the process exits could run after the
// library's own state is gone.
OpenedMovie& Opened() {
  static OpenedMovie* opened = new OpenedMovie();
  return *opened;
}

}  // namespace

bool ReadMovieInfo(const std::filesystem::path& file, int32_t& frameCount, double& fps) {
  OpenedMovie& opened = Opened();
  const auto lock = opened.Lock();
  OIIO::ImageInput* in = opened.Get(file);
  if (!in) return false;
  const OIIO::ImageSpec& first = opened.First();
  const int frames = first.get_int_attribute("oiio:subimages", 0);
  if (frames <= 0) return false;
  frameCount = frames;
  fps = 0.0;
  const OIIO::ParamValue* rate = first.find_attribute("FramesPerSecond");
  if (rate && rate->type() == OIIO::TypeRational) {
    const int* r = static_cast<const int*>(rate->data());
    if (r[1] != 0) fps = static_cast<double>(r[0]) / r[1];
  } else if (rate) {
    fps = first.get_float_attribute("FramesPerSecond", 0.0f);
  }
  return true;
}

bool ReadMovieFrame(const std::filesystem::path& file, int32_t index, FloatImage& image, std::string& error) {
  OpenedMovie& opened = Opened();
  const auto lock = opened.Lock();
  OIIO::ImageInput* in = opened.Get(file);
  if (!in || index < 0 || !in->seek_subimage(index, 0)) {
    if (in) in->geterror();
    opened.Close();
    error = "cannot read frame " + std::to_string(index) + " of " + file.string();
    return false;
  }
  const OIIO::ImageSpec layout = in->spec();
  const int channels = layout.nchannels;
  if (layout.width <= 0 || layout.height <= 0 || channels <= 0 || static_cast<long long>(layout.width) * layout.height > (1LL << 28)) {
    error = "cannot read frame " + std::to_string(index) + " of " + file.string() + ": unsupported size";
    return false;
  }
  std::vector<float> pixels(static_cast<size_t>(layout.width) * static_cast<size_t>(layout.height) * static_cast<size_t>(channels));
  if (!in->read_image(index, 0, 0, channels, OIIO::TypeDesc::FLOAT, pixels.data())) {
    error = "cannot read frame " + std::to_string(index) + " of " + file.string() + ": " + in->geterror();
    opened.Close();
    return false;
  }
  // After the last frame nothing more is read from the movie: its file is let go.
  if (index + 1 >= opened.First().get_int_attribute("oiio:subimages", 0)) {
    opened.Close();
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
