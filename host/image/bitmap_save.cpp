#include "image/bitmap_save.h"

#include <system_error>
#include <vector>

#include "host_api.h"
#include "core/image_source.h"
#include "image/atomic_file.h"

namespace ombrel::host {

namespace {
std::string Quoted(const std::filesystem::path& file) { return "\"" + file.string() + "\""; }
}  // namespace

bool SaveBitmapFile(const HostBitmap& bitmap, const std::filesystem::path& file, int32_t format, std::string& error) {
  const char* formatName = format == HOST_FILTER_TIFF ? "tiff" : format == HOST_FILTER_PNG ? "png" : nullptr;
  if (!formatName) {
    error = "cannot write " + Quoted(file) + ": unknown bitmap format " + std::to_string(format);
    return false;
  }
  if (bitmap.width <= 0 || bitmap.height <= 0 ||
      bitmap.rgb.size() != static_cast<size_t>(bitmap.width) * static_cast<size_t>(bitmap.height) * 3) {
    error = "cannot write " + Quoted(file) + ": the bitmap is empty";
    return false;
  }
  if (file.filename().empty()) {
    error = "cannot write " + Quoted(file) + ": no file name";
    return false;
  }
  std::error_code ec;
  const std::filesystem::path folder = file.parent_path();
  if (!folder.empty() && !std::filesystem::is_directory(folder, ec)) {
    error = "cannot write " + Quoted(file) + ": there is no folder " + Quoted(folder);
    return false;
  }
  std::string reason;
  const ImageCodec* codec = ImageCodecs(reason);
  if (!codec) {
    error = "cannot write " + Quoted(file) + ": " + reason;
    return false;
  }
  PixelBuffer pixels;
  pixels.width = bitmap.width;
  pixels.height = bitmap.height;
  pixels.channels = 3;
  pixels.depth = SampleDepth::UInt8;
  pixels.data = bitmap.rgb.data();
  std::vector<unsigned char> encoded;
  if (!codec->encode(pixels, formatName, encoded, reason)) {
    error = "cannot write " + Quoted(file) + ": " + reason;
    return false;
  }
  // The file is written beside the target and replaces it only when complete.
  return WriteFileAtomically(file, encoded.data(), encoded.size(), error);
}

}  // namespace ombrel::host
