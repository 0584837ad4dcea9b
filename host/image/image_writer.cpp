#include "image/image_writer.h"

#include <OpenImageIO/imageio.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <system_error>
#include <unistd.h>

namespace ombrel::host {

namespace {

enum class Kind { Unknown, Png, Exr, Tiff };

Kind KindOf(const std::filesystem::path& file) {
  std::string ext = file.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (ext == ".png") return Kind::Png;
  if (ext == ".exr") return Kind::Exr;
  if (ext == ".tif" || ext == ".tiff") return Kind::Tiff;
  return Kind::Unknown;
}

const char* FormatName(Kind kind) {
  switch (kind) {
    case Kind::Png: return "png";
    case Kind::Exr: return "openexr";
    case Kind::Tiff: return "tiff";
    default: return "";
  }
}

std::string Quoted(const std::filesystem::path& file) { return "\"" + file.string() + "\""; }

double LinearToSrgb(double c) { return c <= 0.0031308 ? c * 12.92 : 1.055 * std::pow(c, 1.0 / 2.4) - 0.055; }

// The library reports some failures only through its global error text; both are cleared
// when read.
std::string LibraryError(OIIO::ImageOutput* out) {
  std::string text = out ? out->geterror() : std::string();
  if (text.empty()) text = OIIO::geterror();
  if (text.empty()) text = "the image library gave no reason";
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

}  // namespace

unsigned char DisplayCode(float value, bool linear) {
  double c = value;
  if (std::isnan(c)) return 0;
  if (linear && c > 0.0) c = LinearToSrgb(c);
  c = std::clamp(c, 0.0, 1.0);
  return static_cast<unsigned char>(std::lround(c * 255.0));
}

bool CanWriteImageType(const std::filesystem::path& file, std::string& error) {
  if (KindOf(file) != Kind::Unknown) return true;
  const std::string ext = file.extension().string();
  error = "cannot write " + Quoted(file) + ": " + (ext.empty() ? std::string("no suffix") : "unknown picture type \"" + ext + "\"") +
          " (use .png, .exr, .tif or .tiff)";
  return false;
}

bool WriteImage(const FloatImage& image, const std::filesystem::path& file, std::string& error) {
  const Kind kind = KindOf(file);
  if (!CanWriteImageType(file, error)) return false;
  if (image.width <= 0 || image.height <= 0 ||
      image.rgb.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 3) {
    error = "cannot write " + Quoted(file) + ": the picture is empty or its buffer does not match its size";
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

  // The format is chosen by name, so the hidden file's own suffix does not matter.
  std::filesystem::path partial = file;
  partial.replace_filename("." + file.filename().string() + ".partial-" + std::to_string(::getpid()));

  auto out = OIIO::ImageOutput::create(FormatName(kind));
  if (!out) {
    error = "cannot write " + Quoted(file) + ": " + LibraryError(nullptr);
    return false;
  }

  bool ok = false;
  if (kind == Kind::Png) {
    std::vector<unsigned char> codes(image.rgb.size());
    for (size_t i = 0; i < codes.size(); ++i) codes[i] = DisplayCode(image.rgb[i], image.linear);
    OIIO::ImageSpec format(image.width, image.height, 3, OIIO::TypeDesc::UINT8);
    format.attribute("oiio:ColorSpace", "sRGB");
    ok = out->open(partial.string(), format) && out->write_image(OIIO::TypeDesc::UINT8, codes.data());
  } else {
    OIIO::ImageSpec format(image.width, image.height, 3, OIIO::TypeDesc::FLOAT);
    if (image.linear) format.attribute("oiio:ColorSpace", "Linear");
    if (kind == Kind::Exr) format.attribute("compression", "zip");  // lossless
    ok = out->open(partial.string(), format) && out->write_image(OIIO::TypeDesc::FLOAT, image.rgb.data());
  }
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
