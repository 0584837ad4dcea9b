#include "image/bitmap_save.h"

#include <OpenImageIO/imageio.h>

#include <system_error>
#include <unistd.h>

#include "host_api.h"

namespace ombrel::host {

namespace {
std::string Quoted(const std::filesystem::path& file) { return "\"" + file.string() + "\""; }

std::string LibraryError(OIIO::ImageOutput* out) {
  std::string text = out ? out->geterror() : std::string();
  if (text.empty()) text = OIIO::geterror();
  if (text.empty()) text = "the image library gave no reason";
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}
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
  std::filesystem::path partial = file;
  partial.replace_filename("." + file.filename().string() + ".partial-" + std::to_string(::getpid()));

  auto out = OIIO::ImageOutput::create(formatName);
  if (!out) {
    error = "cannot write " + Quoted(file) + ": " + LibraryError(nullptr);
    return false;
  }
  OIIO::ImageSpec spec(bitmap.width, bitmap.height, 3, OIIO::TypeDesc::UINT8);
  bool ok = out->open(partial.string(), spec) && out->write_image(OIIO::TypeDesc::UINT8, bitmap.rgb.data());
  std::string reason;
  if (!ok) reason = LibraryError(out.get());
  if (!out->close() && ok) {
    ok = false;
    reason = LibraryError(out.get());
  }
  out.reset();
  if (ok) {
    std::filesystem::rename(partial, file, ec);
    if (ec) {
      ok = false;
      reason = ec.message();
    }
  }
  if (!ok) {
    std::filesystem::remove(partial, ec);
    error = "cannot write " + Quoted(file) + ": " + reason;
  }
  return ok;
}

}  // namespace ombrel::host
