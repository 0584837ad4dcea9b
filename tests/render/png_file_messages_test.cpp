// PNG files the image library cannot read: a file cut short says so and where, and libpng's own
// complaints end up in the host's message, never as lines of their own on stderr.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "image/image_reader.h"

namespace ombrel::test {
namespace {

std::string Png() {
  std::vector<unsigned char> codes(32 * 16 * 3);
  for (size_t i = 0; i < codes.size(); ++i) codes[i] = static_cast<unsigned char>(i * 37 + i / 7);
  host::PixelBuffer pixels;
  pixels.width = 32;
  pixels.height = 16;
  pixels.depth = host::SampleDepth::UInt8;
  pixels.data = codes.data();
  std::vector<unsigned char> bytes;
  std::string error;
  EXPECT_TRUE(host::LinkedImageCodec()->encode(pixels, "png", bytes, error)) << error;
  return std::string(bytes.begin(), bytes.end());
}

// What stderr received while `run` ran.
template <class Run>
std::string StderrOf(Run run) {
  std::fflush(stderr);
  const auto file = std::filesystem::temp_directory_path() / ("ombrel-png-stderr-" + std::to_string(::getpid()));
  FILE* capture = std::fopen(file.c_str(), "w+");
  const int saved = ::dup(2);
  ::dup2(::fileno(capture), 2);
  run();
  std::fflush(stderr);
  ::dup2(saved, 2);
  ::close(saved);
  std::fclose(capture);
  std::ifstream in(file);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  std::filesystem::remove(file);
  return text;
}

struct PngFiles : ::testing::Test {
  std::filesystem::path file = std::filesystem::temp_directory_path() / ("ombrel-png-" + std::to_string(::getpid()) + ".png");
  void TearDown() override { std::filesystem::remove(file); }
  // The reason the file is refused for ("" when it reads), and what went to stderr meanwhile.
  std::string Refusal(const std::string& bytes, std::string* stderrText = nullptr) {
    { std::ofstream(file, std::ios::binary) << bytes; }
    std::string error;
    host::FloatImage image;
    const std::string said = StderrOf([&] { host::ReadImageFile(file, image, error); });
    if (stderrText) *stderrText = said;
    return error;
  }
};

uint32_t LengthAt(const std::string& png, size_t at) {
  auto b = [&](size_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(png[at + i])); };
  return (b(0) << 24) | (b(1) << 16) | (b(2) << 8) | b(3);
}

TEST_F(PngFiles, AFileCutShortSaysSoAndNamesWhereItEnds) {
  const std::string png = Png();
  ASSERT_EQ(Refusal(png), "");
  const size_t idat = png.find("IDAT") - 4;  // the chunk starts with its length
  const std::string cutTo = "cannot read image \"" + file.string() + "\": the file is cut short (truncated): it ends after ";
  EXPECT_EQ(Refusal(png.substr(0, 5)), cutTo + "5 bytes, inside the PNG signature");
  EXPECT_EQ(Refusal(png.substr(0, 8)), cutTo + "8 bytes, before its IEND chunk");
  EXPECT_EQ(Refusal(png.substr(0, 20)), cutTo + "20 bytes, inside its IHDR chunk of 13 bytes");
  const size_t half = idat + 8 + LengthAt(png, idat) / 2;
  EXPECT_EQ(Refusal(png.substr(0, half)),
            cutTo + std::to_string(half) + " bytes, inside its IDAT chunk of " + std::to_string(LengthAt(png, idat)) + " bytes");
  // The last byte of the IEND chunk's check sum is still a cut.
  EXPECT_EQ(Refusal(png.substr(0, png.size() - 1)),
            cutTo + std::to_string(png.size() - 1) + " bytes, inside its IEND chunk of 0 bytes");
  // What follows IEND is not the reader's business.
  EXPECT_EQ(Refusal(png + "trailing"), "");
  // Bytes that are not the start of a PNG file are left to the library.
  EXPECT_EQ(Refusal("GIF8"), "cannot read image \"" + file.string() + "\": Not a PNG file");
}

TEST_F(PngFiles, LibpngComplaintsReachTheMessageAndNotStderr) {
  std::string png = Png();
  const size_t idat = png.find("IDAT");
  png[idat + 10] = static_cast<char>(png[idat + 10] ^ 0x55);  // the chunk's check sum no longer holds
  std::string said;
  const std::string error = Refusal(png, &said);
  EXPECT_EQ(said, "");
  EXPECT_NE(error.find("PNG read error: IDAT: "), std::string::npos) << error;
  EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  EXPECT_EQ(error.find("PNG library error"), std::string::npos) << error;
}

}  // namespace
}  // namespace ombrel::test
