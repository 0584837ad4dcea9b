// Pictures in memory, and the image library as the core sees it: a table of three functions
// (read a header, decode, encode) that the program supplies. The core itself builds without any
// image library; the program loads one only when a command first needs an image.
#ifndef OMBREL_HOST_IMAGE_SOURCE_H
#define OMBREL_HOST_IMAGE_SOURCE_H

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace ombrel::host {

// A picture of width × height RGB floats, row-major from the top: a render, or an image file
// read whole. `linear` says the values are scene-linear (the scene renders with a linear
// workflow): display formats then encode them to sRGB.
struct FloatImage {
  int width = 0;
  int height = 0;
  std::vector<float> rgb;
  bool linear = false;

  float* Pixel(int x, int y) { return rgb.data() + (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3; }
  const float* Pixel(int x, int y) const {
    return rgb.data() + (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
  }
};

// How the samples of a picture are stored.
enum class SampleDepth : uint8_t { UInt8, Float32 };

inline size_t BytesPerSample(SampleDepth depth) { return depth == SampleDepth::UInt8 ? 1 : 4; }

// The 8-bit code as a float: exactly the value the image library gives when it decodes 8-bit
// samples to floats, so a picture kept at 8 bits samples as it did when decoded to floats.
inline float CodeToFloat(uint8_t code) { return static_cast<float>(code) * (1.0f / 255.0f); }

// What an image file says about itself before any pixel is decoded.
struct ImageHeader {
  int width = 0;
  int height = 0;
  int channels = 0;                         // in the file; the decoded picture is always RGB
  SampleDepth depth = SampleDepth::Float32;  // how the host keeps it: 8-bit files stay 8-bit
};

// An image file decoded for the host's bitmap shader: RGB, row-major from the top, grey spread
// to three channels and alpha dropped, no colour conversion. 8-bit files keep their codes
// (`codes`), every other file is held as floats (`floats`). Never changed once decoded, so
// render threads read it without a lock and bitmap shaders share it.
struct SourceImage {
  int width = 0;
  int height = 0;
  SampleDepth depth = SampleDepth::Float32;
  std::vector<uint8_t> codes;
  std::vector<float> floats;

  size_t Bytes() const { return codes.size() + floats.size() * sizeof(float); }
  bool Valid() const {
    const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height) * 3;
    return width > 0 && height > 0 && (depth == SampleDepth::UInt8 ? codes.size() == n : floats.size() == n);
  }
  // The RGB of the pixel at `index` (y * width + x) as floats.
  void Texel(size_t index, float rgb[3]) const {
    if (depth == SampleDepth::UInt8) {
      const uint8_t* c = codes.data() + index * 3;
      rgb[0] = CodeToFloat(c[0]);
      rgb[1] = CodeToFloat(c[1]);
      rgb[2] = CodeToFloat(c[2]);
    } else {
      const float* f = floats.data() + index * 3;
      rgb[0] = f[0];
      rgb[1] = f[1];
      rgb[2] = f[2];
    }
  }
};

// Pixels handed to an encoder: width × height × channels samples, row-major from the top.
struct PixelBuffer {
  int width = 0;
  int height = 0;
  int channels = 3;
  SampleDepth depth = SampleDepth::Float32;
  const void* data = nullptr;
  const char* colourSpace = nullptr;  // stored as the file's colour space when not null
};

// The image library's services. Every function reports failure with a message that names the
// file (or the file type) and the library's reason. Functions are only ever appended, and
// `size` is the size of the table the library filled in.
struct ImageCodec {
  size_t size = sizeof(ImageCodec);
  // Reads the header of the file's first picture, without decoding pixels.
  bool (*probe)(const std::filesystem::path& file, ImageHeader& header, std::string& error) = nullptr;
  // Decodes the file's first picture as `header` (from `probe`) describes it.
  bool (*decode)(const std::filesystem::path& file, const ImageHeader& header, SourceImage& image,
                 std::string& error) = nullptr;
  // Encodes pixels in memory as a file of a type the library names ("png", "openexr", "tiff").
  bool (*encode)(const PixelBuffer& pixels, std::string_view type, std::vector<unsigned char>& bytes,
                 std::string& error) = nullptr;
  // Whether the file is a movie the library reads, with its frame count and frames per second.
  bool (*movieInfo)(const std::filesystem::path& file, int32_t& frameCount, double& fps) = nullptr;
  // Frame `index` (0 is the first) of a movie as RGB floats.
  bool (*movieFrame)(const std::filesystem::path& file, int32_t index, FloatImage& image, std::string& error) = nullptr;
  // An 8-bit RGB picture resized to w x h with the library's default resize filter.
  bool (*resize)(const uint8_t* rgb, int width, int height, int w, int h, std::vector<uint8_t>& out) = nullptr;
};

// Finds the image library the first time one is needed: null with a reason when there is none.
using ImageCodecLoader = const ImageCodec* (*)(std::string& error);

// The program names how the library is found: a library it links (tests) or one it loads on
// first use (ombrel-host). Main thread.
void SetImageCodecLoader(ImageCodecLoader loader);

// The image library, loaded on the first call; null with a reason when there is none. The
// answer of the first call is kept. Main thread.
const ImageCodec* ImageCodecs(std::string& error);


}  // namespace ombrel::host

#endif
