#include "image/bitmap_save.h"

#include <vector>

#include "host_api.h"
#include "core/atomic_file.h"
#include "core/image_source.h"
#include "image/image_writer.h"

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
  if (!CanWriteFileAt(file, error)) return false;
  PixelBuffer pixels;
  pixels.width = bitmap.width;
  pixels.height = bitmap.height;
  pixels.channels = 3;
  pixels.depth = SampleDepth::UInt8;
  pixels.data = bitmap.rgb.data();
  std::vector<unsigned char> encoded;
  if (!EncodePicture(pixels, formatName, file, encoded, error)) return false;
  // The file is written beside the target and replaces it only when complete.
  return WriteFileAtomically(file, encoded.data(), encoded.size(), error);
}

}  // namespace ombrel::host
