// Helper of the Linux-against-Windows comparison (same_picture.sh): makes PFM copies of the
// example textures, which the Windows host reads without an image library, and compares the two
// platforms' pictures and samples.
//
//   platform_pictures pfm-copy IN OUT.pfm         any picture the image library reads, as floats
//   platform_pictures pictures A.pfm B.pfm NAME   exit 1 unless identical at 8 bits per channel
//   platform_pictures samples A.txt B.txt NAME    likewise for sampled colours, one "r g b" a line
//
// The comparisons print one line each, starting with NAME and giving the largest float
// difference and where it is, so the script can collect them.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/atomic_file.h"
#include "core/pfm_file.h"
#include "image/image_reader.h"
#include "image/image_writer.h"

namespace {

using namespace ombrel::host;

int Fail(const std::string& message) {
  std::fprintf(stderr, "platform_pictures: %s\n", message.c_str());
  return 2;
}

bool ReadPfm(const std::string& file, SourceImage& image, std::string& error) {
  ImageHeader header;
  return ProbePfm(file, header, error) && DecodePfm(file, header, image, error);
}

int CopyAsPfm(const std::string& in, const std::string& out) {
  InstallImageReader();
  FloatImage image;
  std::string error;
  if (!ReadImageFile(in, image, error)) return Fail(error);
  std::vector<unsigned char> bytes;
  EncodePfm(image.rgb.data(), image.width, image.height, bytes);
  if (!WriteFileAtomically(out, bytes.data(), bytes.size(), error)) return Fail(error);
  return 0;
}

// The float difference that matters for a picture: NaN against NaN is no difference.
double Difference(double a, double b) {
  if (std::isnan(a) && std::isnan(b)) return 0;
  if (std::isnan(a) || std::isnan(b)) return INFINITY;
  if (a == b) return 0;  // also equal infinities
  return std::fabs(a - b);
}

int ComparePictures(const std::string& a, const std::string& b, const std::string& name) {
  SourceImage left, right;
  std::string error;
  if (!ReadPfm(a, left, error) || !ReadPfm(b, right, error)) return Fail(error);
  if (left.width != right.width || left.height != right.height) {
    std::printf("%s: sizes differ: %dx%d against %dx%d\n", name.c_str(), left.width, left.height, right.width,
                right.height);
    return 1;
  }
  size_t codesDiffer = 0, floatsDiffer = 0, worst = 0;
  double largest = 0;
  for (size_t i = 0; i < left.floats.size(); ++i) {
    const float l = left.floats[i], r = right.floats[i];
    // Both 8-bit encodings a display file may use: the values as they are, and through sRGB.
    if (DisplayCode(l, false) != DisplayCode(r, false) || DisplayCode(l, true) != DisplayCode(r, true)) ++codesDiffer;
    const double d = Difference(l, r);
    if (d > 0) ++floatsDiffer;
    if (d > largest) largest = d, worst = i;
  }
  const size_t pixel = worst / 3;
  std::printf("%s: %zu of %zu 8-bit samples differ; %zu floats differ, largest difference %.9g", name.c_str(),
              codesDiffer, left.floats.size(), floatsDiffer, largest);
  if (largest > 0) {
    std::printf(" at pixel %zu,%zu channel %zu (%.9g against %.9g)", pixel % static_cast<size_t>(left.width),
                pixel / static_cast<size_t>(left.width), worst % 3, static_cast<double>(left.floats[worst]),
                static_cast<double>(right.floats[worst]));
  }
  std::printf("\n");
  return codesDiffer == 0 ? 0 : 1;
}

bool ReadSamples(const std::string& file, std::vector<double>& values, std::string& error) {
  std::ifstream in(file);
  if (!in) {
    error = "cannot read " + file;
    return false;
  }
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();  // the Windows host ends lines with CR LF
    std::istringstream words(line);
    std::string word;
    while (words >> word) values.push_back(std::strtod(word.c_str(), nullptr));
  }
  return true;
}

int CompareSamples(const std::string& a, const std::string& b, const std::string& name) {
  std::vector<double> left, right;
  std::string error;
  if (!ReadSamples(a, left, error) || !ReadSamples(b, right, error)) return Fail(error);
  if (left.size() != right.size() || left.empty()) {
    std::printf("%s: %zu values against %zu\n", name.c_str(), left.size(), right.size());
    return 1;
  }
  size_t codesDiffer = 0, differ = 0, worst = 0;
  double largest = 0;
  for (size_t i = 0; i < left.size(); ++i) {
    const auto l = static_cast<float>(left[i]), r = static_cast<float>(right[i]);
    if (DisplayCode(l, false) != DisplayCode(r, false) || DisplayCode(l, true) != DisplayCode(r, true)) ++codesDiffer;
    const double d = Difference(left[i], right[i]);
    if (d > 0) ++differ;
    if (d > largest) largest = d, worst = i;
  }
  std::printf("%s: %zu of %zu sample values differ at 8 bits; %zu differ, largest difference %.17g", name.c_str(),
              codesDiffer, left.size(), differ, largest);
  if (largest > 0) {
    std::printf(" at point %zu channel %zu (%.17g against %.17g)", worst / 3 + 1, worst % 3, left[worst], right[worst]);
  }
  std::printf("\n");
  return codesDiffer == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "pfm-copy" && argc == 4) return CopyAsPfm(argv[2], argv[3]);
  if (command == "pictures" && argc == 5) return ComparePictures(argv[2], argv[3], argv[4]);
  if (command == "samples" && argc == 5) return CompareSamples(argv[2], argv[3], argv[4]);
  return Fail("usage: platform_pictures pfm-copy IN OUT.pfm | pictures A.pfm B.pfm NAME | samples A.txt B.txt NAME");
}
