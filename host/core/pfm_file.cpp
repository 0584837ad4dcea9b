#include "pfm_file.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <fstream>

namespace ombrel::host {
namespace {

std::string Quoted(const std::filesystem::path& file) { return "\"" + file.string() + "\""; }

struct PfmLayout {
  int width = 0;
  int height = 0;
  int channels = 0;
  bool littleEndian = true;
  std::streamoff dataOffset = 0;
};

// The header is three whitespace-separated lines; one whitespace character ends the scale.
bool ReadLayout(std::ifstream& in, const std::filesystem::path& file, PfmLayout& layout, std::string& error) {
  auto fail = [&](const std::string& why) {
    error = "cannot read image " + Quoted(file) + ": " + why;
    return false;
  };
  char magic[2] = {};
  if (!in.read(magic, 2) || magic[0] != 'P' || (magic[1] != 'F' && magic[1] != 'f')) {
    return fail("not a PFM file (it does not start with \"PF\" or \"Pf\")");
  }
  layout.channels = magic[1] == 'F' ? 3 : 1;
  long long width = 0, height = 0;
  double scale = 0;
  if (!(in >> width >> height >> scale)) return fail("the PFM header is not two sizes and a scale");
  if (width <= 0 || height <= 0 || width > (1 << 24) || height > (1 << 24)) {
    return fail("the PFM header claims a size of " + std::to_string(width) + " x " + std::to_string(height));
  }
  if (!(scale < 0 || scale > 0)) return fail("the PFM scale is zero or not a number");
  if (!std::isspace(in.get())) return fail("the PFM header does not end with a line break");
  layout.width = static_cast<int>(width);
  layout.height = static_cast<int>(height);
  layout.littleEndian = scale < 0;
  layout.dataOffset = in.tellg();
  return true;
}

float FloatFrom(const unsigned char* b, bool littleEndian) {
  uint32_t bits = littleEndian ? (uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24)
                               : (uint32_t{b[3]} | uint32_t{b[2]} << 8 | uint32_t{b[1]} << 16 | uint32_t{b[0]} << 24);
  return std::bit_cast<float>(bits);
}

}  // namespace

bool IsPfmFile(const std::filesystem::path& file) {
  std::string ext = file.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext == ".pfm";
}

bool ProbePfm(const std::filesystem::path& file, ImageHeader& header, std::string& error) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    error = "cannot read image " + Quoted(file) + ": cannot open the file";
    return false;
  }
  PfmLayout layout;
  if (!ReadLayout(in, file, layout, error)) return false;
  in.seekg(0, std::ios::end);
  const auto samples = static_cast<uint64_t>(layout.width) * static_cast<uint64_t>(layout.height) *
                       static_cast<uint64_t>(layout.channels);
  const std::streamoff end = in.tellg();
  if (end < layout.dataOffset || static_cast<uint64_t>(end - layout.dataOffset) < samples * 4) {
    error = "cannot read image " + Quoted(file) + ": the file ends before the " + std::to_string(layout.width) + " x " +
            std::to_string(layout.height) + " samples its header claims";
    return false;
  }
  header.width = layout.width;
  header.height = layout.height;
  header.channels = layout.channels;
  header.depth = SampleDepth::Float32;
  return true;
}

bool DecodePfm(const std::filesystem::path& file, const ImageHeader& header, SourceImage& image, std::string& error) {
  std::ifstream in(file, std::ios::binary);
  PfmLayout layout;
  if (!in || !ReadLayout(in, file, layout, error)) {
    if (error.empty()) error = "cannot read image " + Quoted(file) + ": cannot open the file";
    return false;
  }
  if (layout.width != header.width || layout.height != header.height || layout.channels != header.channels) {
    error = "cannot read image " + Quoted(file) + ": the file changed while it was read";
    return false;
  }
  const size_t rowSamples = static_cast<size_t>(layout.width) * static_cast<size_t>(layout.channels);
  std::vector<unsigned char> row(rowSamples * 4);
  image.width = layout.width;
  image.height = layout.height;
  image.depth = SampleDepth::Float32;
  image.codes.clear();
  image.floats.assign(static_cast<size_t>(layout.width) * static_cast<size_t>(layout.height) * 3, 0.0f);
  for (int fileRow = 0; fileRow < layout.height; ++fileRow) {
    if (!in.read(reinterpret_cast<char*>(row.data()), static_cast<std::streamsize>(row.size()))) {
      error = "cannot read image " + Quoted(file) + ": the file ends before its last row";
      return false;
    }
    float* out = image.floats.data() + static_cast<size_t>(layout.height - 1 - fileRow) * static_cast<size_t>(layout.width) * 3;
    for (int x = 0; x < layout.width; ++x) {
      for (int c = 0; c < 3; ++c) {
        const size_t sample = static_cast<size_t>(x) * static_cast<size_t>(layout.channels) +
                              static_cast<size_t>(layout.channels == 3 ? c : 0);
        out[static_cast<size_t>(x) * 3 + static_cast<size_t>(c)] = FloatFrom(row.data() + sample * 4, layout.littleEndian);
      }
    }
  }
  return true;
}

void EncodePfm(const float* rgb, int width, int height, std::vector<unsigned char>& bytes) {
  const std::string header = "PF\n" + std::to_string(width) + " " + std::to_string(height) + "\n-1.0\n";
  const size_t rowFloats = static_cast<size_t>(width) * 3;
  bytes.assign(header.begin(), header.end());
  bytes.reserve(header.size() + rowFloats * static_cast<size_t>(height) * 4);
  for (int y = height - 1; y >= 0; --y) {
    const float* row = rgb + static_cast<size_t>(y) * rowFloats;
    for (size_t i = 0; i < rowFloats; ++i) {
      const uint32_t bits = std::bit_cast<uint32_t>(row[i]);
      const unsigned char b[4] = {static_cast<unsigned char>(bits), static_cast<unsigned char>(bits >> 8),
                                  static_cast<unsigned char>(bits >> 16), static_cast<unsigned char>(bits >> 24)};
      bytes.insert(bytes.end(), b, b + 4);
    }
  }
}

}  // namespace ombrel::host
