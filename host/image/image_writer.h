// Writing rendered pictures. The file format's encoding is the image library's; the file itself
// is written here, so every format fails the same way and never leaves a file half-written.
#ifndef OMBREL_HOST_IMAGE_WRITER_H
#define OMBREL_HOST_IMAGE_WRITER_H

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/image_source.h"

namespace ombrel::host {

// Writes by suffix (any case): .png as 8-bit display-referred (linear values encoded to sRGB,
// then clamped to [0, 1] and rounded; NaN becomes 0), .exr/.tif/.tiff as 32-bit float with the
// exact values, .pfm likewise but encoded by the host itself (the one type a build without the
// image library writes). The picture is encoded in memory, then written by WriteFileAtomically
// (core/atomic_file.h), so a failed write leaves an existing file as it was and nothing else
// behind, and a device is written in place, never replaced. False with a message naming the
// file and the reason on failure. `observer`, if given, hears of the two phases as they go.
class ImageWriteObserver;
bool WriteImage(const FloatImage& image, const std::filesystem::path& file, std::string& error,
                ImageWriteObserver* observer = nullptr);

// Told on the thread that writes: when the picture's encoding starts (the image library gives
// no count of it), and after every chunk of its bytes that reaches the file.
class ImageWriteObserver {
 public:
  virtual ~ImageWriteObserver() = default;
  virtual void Encoding() {}
  virtual void Written(size_t written, size_t total) {
    (void)written;
    (void)total;
  }
};

// Whether WriteImage knows the file's suffix; false with a message naming the file otherwise.
// Lets a command refuse a bad output name before it spends time rendering.
bool CanWriteImageType(const std::filesystem::path& file, std::string& error);

// Encodes pixels in memory as a file of the image library's type ("png", "openexr", "tiff"),
// loading the library if need be. False with a message naming the file on failure.
bool EncodePicture(const PixelBuffer& pixels, std::string_view type, const std::filesystem::path& file,
                   std::vector<unsigned char>& encoded, std::string& error);

// The 8-bit code a display format stores for a value: sRGB-encoded first when `linear`.
unsigned char DisplayCode(float value, bool linear);

}  // namespace ombrel::host

#endif
