#include <OpenImageIO/filesystem.h>
#include <OpenImageIO/imageio.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>
#include <system_error>

#include "image/image_library_png.h"
#include "image/image_reader.h"
#include "image/movie_reader.h"

namespace ombrel::host {
namespace {

std::string Quoted(const std::filesystem::path& file) { return "\"" + file.string() + "\""; }

// The library reports some failures only through its global error text; both are cleared when
// read, so no old text turns up in a later message.
// Its text comes as lines, often one per layer that saw the failure ("PNG read error: ...",
// then "PNG library error"); they become one line, without repeats or the bare summary.
template <class Image>
std::string LibraryError(Image* image) {
  std::string text = image ? image->geterror() : std::string();
  const std::string global = OIIO::geterror();
  if (text.empty()) text = global;
  std::vector<std::string> lines;
  for (size_t at = 0; at <= text.size();) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    while (!line.empty() && line.back() == ' ') line.pop_back();
    if (!line.empty() && std::find(lines.begin(), lines.end(), line) == lines.end()) lines.push_back(line);
    at = end + 1;
  }
  if (lines.size() > 1) std::erase(lines, "PNG library error");
  if (const std::string warnings = TakePngWarnings(); !warnings.empty()) lines.push_back(warnings);
  std::string joined;
  for (const std::string& line : lines) joined += (joined.empty() ? "" : "; ") + line;
  return joined.empty() ? "the image library gave no reason" : joined;
}

std::unique_ptr<OIIO::ImageInput> OpenInput(const std::filesystem::path& file, std::string& error) {
  // libpng names a cut-short file only by the chunk it was reading, or, inside the signature,
  // as "Not a PNG file".
  if (std::string cut; PngCutShort(file, cut)) {
    error = "cannot read image " + Quoted(file) + ": " + cut;
    return nullptr;
  }
  TakePngWarnings();  // an earlier file's
  auto in = OIIO::ImageInput::open(file.string());
  if (!in) {
    error = "cannot read image " + Quoted(file) + ": " + LibraryError<OIIO::ImageInput>(nullptr);
    return nullptr;
  }
  // Small texture files gain nothing from the library's own thread pool, and a render's threads
  // should be the only ones sampling.
  in->threads(1);
  return in;
}

void HeaderOf(const OIIO::ImageSpec& layout, ImageHeader& header) {
  header.width = layout.width;
  header.height = layout.height;
  header.channels = layout.nchannels;
  header.depth = layout.format == OIIO::TypeDesc::UINT8 ? SampleDepth::UInt8 : SampleDepth::Float32;
}

bool Probe(const std::filesystem::path& file, ImageHeader& header, std::string& error) {
  auto in = OpenInput(file, error);
  if (!in) return false;
  const OIIO::ImageSpec& layout = in->spec();
  if (layout.deep || layout.depth > 1) {
    error = "cannot read image " + Quoted(file) + ": deep and volume pictures are not supported";
    return false;
  }
  HeaderOf(layout, header);
  return true;
}

bool Decode(const std::filesystem::path& file, const ImageHeader& header, SourceImage& image, std::string& error) {
  auto in = OpenInput(file, error);
  if (!in) return false;
  ImageHeader now;
  HeaderOf(in->spec(), now);
  if (now.width != header.width || now.height != header.height || now.channels != header.channels ||
      now.depth != header.depth) {
    error = "cannot read image " + Quoted(file) + ": the file changed while it was read";
    return false;
  }
  const size_t pixels = static_cast<size_t>(header.width) * static_cast<size_t>(header.height);
  const OIIO::TypeDesc type = header.depth == SampleDepth::UInt8 ? OIIO::TypeDesc::UINT8 : OIIO::TypeDesc::FLOAT;
  const size_t sample = BytesPerSample(header.depth);
  void* data = nullptr;
  try {
    if (header.depth == SampleDepth::UInt8) {
      image.codes.assign(pixels * 3, 0);
      data = image.codes.data();
    } else {
      image.floats.assign(pixels * 3, 0.0f);
      data = image.floats.data();
    }
  } catch (const std::bad_alloc&) {
    error = "cannot read image " + Quoted(file) + ": out of memory";
    return false;
  }
  // Red, green and blue straight into place; a grey picture's one channel into the red slots.
  const int channels = std::min(header.channels, 3) == 3 ? 3 : 1;
  const OIIO::stride_t pixelStride = static_cast<OIIO::stride_t>(3 * sample);
  if (!in->read_image(0, 0, 0, channels, type, data, pixelStride)) {
    error = "cannot read image " + Quoted(file) + ": " + LibraryError(in.get());
    image = SourceImage();
    return false;
  }
  in->close();
  if (channels == 1) {
    auto* bytes = static_cast<unsigned char*>(data);
    for (size_t i = 0; i < pixels; ++i) {
      unsigned char* p = bytes + i * 3 * sample;
      std::copy(p, p + sample, p + sample);
      std::copy(p, p + sample, p + 2 * sample);
    }
  }
  image.width = header.width;
  image.height = header.height;
  image.depth = header.depth;
  return true;
}

bool Encode(const PixelBuffer& pixels, std::string_view type, std::vector<unsigned char>& bytes, std::string& error) {
  const std::string typeName(type);
  auto out = OIIO::ImageOutput::create(typeName);
  if (!out || !out->supports("ioproxy")) {
    error = "the image library cannot write " + typeName + " files" + (out ? "" : ": " + LibraryError<OIIO::ImageOutput>(nullptr));
    return false;
  }
  OIIO::ImageSpec layout(pixels.width, pixels.height, pixels.channels,
                       pixels.depth == SampleDepth::UInt8 ? OIIO::TypeDesc::UINT8 : OIIO::TypeDesc::FLOAT);
  if (pixels.colourSpace) layout.attribute("oiio:ColorSpace", pixels.colourSpace);
  if (typeName == "openexr") layout.attribute("compression", "zip");  // lossless
  bytes.clear();
  OIIO::Filesystem::IOVecOutput memory(bytes);
  OIIO::Filesystem::IOProxy* proxy = &memory;
  layout.attribute("oiio:ioproxy", OIIO::TypeDesc::PTR, &proxy);
  bool ok = out->open("picture", layout) && out->write_image(layout.format, pixels.data);
  std::string reason;
  if (!ok) reason = LibraryError(out.get());
  if (!out->close() && ok) {
    ok = false;
    reason = LibraryError(out.get());
  }
  // The TIFF writer leaves a complaint about its Exif block even when it succeeds.
  out->geterror();
  OIIO::geterror();
  if (!ok) error = "the image library could not encode the picture: " + reason;
  return ok;
}

const ImageCodec kCodec = [] {
  ImageCodec codec;
  codec.probe = Probe;
  codec.decode = Decode;
  codec.encode = Encode;
  codec.movieInfo = ReadMovieInfo;
  codec.movieFrame = ReadMovieFrame;
  codec.resize = ResizePicture;
  return codec;
}();

const ImageCodec* LinkedCodecLoader(std::string&) { return &kCodec; }

}  // namespace

const ImageCodec* LinkedImageCodec() { return &kCodec; }

bool ReadImageFile(const std::filesystem::path& file, FloatImage& image, std::string& error) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) {
    error = "cannot read image " + Quoted(file) + ": no such file";
    return false;
  }
  ImageHeader header;
  SourceImage decoded;
  if (!Probe(file, header, error) || !Decode(file, header, decoded, error)) return false;
  image.width = decoded.width;
  image.height = decoded.height;
  image.rgb.resize(static_cast<size_t>(decoded.width) * static_cast<size_t>(decoded.height) * 3);
  for (size_t i = 0, n = image.rgb.size() / 3; i < n; ++i) decoded.Texel(i, &image.rgb[i * 3]);
  return true;
}

void InstallImageReader() { SetImageCodecLoader(&LinkedCodecLoader); }

}  // namespace ombrel::host
