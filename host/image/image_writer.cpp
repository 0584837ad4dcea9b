#include "image/image_writer.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <vector>

#include "core/atomic_file.h"
#include "core/pfm_file.h"

namespace ombrel::host {

namespace {

enum class Kind { Unknown, Png, Exr, Tiff, Pfm };

Kind KindOf(const std::filesystem::path& file) {
  std::string ext = file.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (ext == ".png") return Kind::Png;
  if (ext == ".exr") return Kind::Exr;
  if (ext == ".tif" || ext == ".tiff") return Kind::Tiff;
  if (ext == ".pfm") return Kind::Pfm;
  return Kind::Unknown;
}

const char* TypeName(Kind kind) {
  switch (kind) {
    case Kind::Png: return "png";
    case Kind::Exr: return "openexr";
    case Kind::Tiff: return "tiff";
    default: return "";
  }
}

std::string Quoted(const std::filesystem::path& file) { return "\"" + file.string() + "\""; }

double LinearToSrgb(double c) { return c <= 0.0031308 ? c * 12.92 : 1.055 * std::pow(c, 1.0 / 2.4) - 0.055; }

}  // namespace

unsigned char DisplayCode(float value, bool linear) {
  double c = value;
  if (std::isnan(c)) return 0;
  if (linear && c > 0.0) c = LinearToSrgb(c);
  c = std::clamp(c, 0.0, 1.0);
  return static_cast<unsigned char>(std::lround(c * 255.0));
}

bool CanWriteImageType(const std::filesystem::path& file, std::string& error) {
  const Kind kind = KindOf(file);
  const std::string ext = file.extension().string();
  if (kind == Kind::Pfm) return true;
  if (kind != Kind::Unknown) {
    if (OMBREL_HOST_IMAGE_LIBRARY) return true;
    error = "cannot write " + Quoted(file) + ": this build of ombrel-host has no image library, which \"" + ext +
            "\" files need (use .pfm)";
    return false;
  }
  error = "cannot write " + Quoted(file) + ": " + (ext.empty() ? std::string("no suffix") : "unknown picture type \"" + ext + "\"") +
          (OMBREL_HOST_IMAGE_LIBRARY ? " (use .png, .exr, .tif, .tiff or .pfm)" : " (use .pfm)");
  return false;
}

bool EncodePicture(const PixelBuffer& pixels, std::string_view type, const std::filesystem::path& file,
                   std::vector<unsigned char>& encoded, std::string& error) {
  std::string reason;
  const ImageCodec* codec = ImageCodecs(reason);
  if (!codec || !codec->encode(pixels, type, encoded, reason)) {
    error = "cannot write " + Quoted(file) + ": " + reason;
    return false;
  }
  return true;
}

namespace {

struct Writing {
  ImageWriteObserver* observer;
  size_t total;
};

void TellWritten(size_t written, void* context) {
  const auto* writing = static_cast<const Writing*>(context);
  writing->observer->Written(written, writing->total);
}

bool WriteEncoded(const std::filesystem::path& file, const std::vector<unsigned char>& encoded, std::string& error,
                  ImageWriteObserver* observer) {
  Writing writing{observer, encoded.size()};
  return WriteFileAtomically(file, encoded.data(), encoded.size(), error, observer ? TellWritten : nullptr, &writing);
}

}  // namespace

bool WriteImage(const FloatImage& image, const std::filesystem::path& file, std::string& error,
                ImageWriteObserver* observer) {
  const Kind kind = KindOf(file);
  if (!CanWriteImageType(file, error)) return false;
  if (image.width <= 0 || image.height <= 0 ||
      image.rgb.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 3) {
    error = "cannot write " + Quoted(file) + ": the picture is empty or its buffer does not match its size";
    return false;
  }
  if (!CanWriteFileAt(file, error)) return false;
  std::vector<unsigned char> encoded;
  if (observer) observer->Encoding();
  if (kind == Kind::Pfm) {
    EncodePfm(image.rgb.data(), image.width, image.height, encoded);
    return WriteEncoded(file, encoded, error, observer);
  }
  PixelBuffer pixels;
  pixels.width = image.width;
  pixels.height = image.height;
  pixels.channels = 3;
  std::vector<unsigned char> codes;
  if (kind == Kind::Png) {
    codes.resize(image.rgb.size());
    for (size_t i = 0; i < codes.size(); ++i) codes[i] = DisplayCode(image.rgb[i], image.linear);
    pixels.depth = SampleDepth::UInt8;
    pixels.data = codes.data();
    pixels.colourSpace = "sRGB";
  } else {
    pixels.depth = SampleDepth::Float32;
    pixels.data = image.rgb.data();
    pixels.colourSpace = image.linear ? "Linear" : nullptr;
  }
  if (!EncodePicture(pixels, TypeName(kind), file, encoded, error)) return false;
  std::vector<unsigned char>().swap(codes);
  return WriteEncoded(file, encoded, error, observer);
}

}  // namespace ombrel::host
