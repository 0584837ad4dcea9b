// PFM files as the host reads and writes them: the byte layout other programs write (bottom row
// first, the scale's sign giving the byte order), and files that lie about their size.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/pfm_file.h"

namespace ombrel::test {
namespace {

class PfmFile : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("ombrel-pfm-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::filesystem::path Write(const std::string& name, const std::string& header, const std::vector<float>& samples,
                              bool bigEndian = false) {
    std::string bytes = header;
    for (float f : samples) {
      uint32_t bits;
      std::memcpy(&bits, &f, 4);
      for (int i = 0; i < 4; ++i) bytes += static_cast<char>(bits >> (bigEndian ? 24 - 8 * i : 8 * i));
    }
    const std::filesystem::path file = folder_ / name;
    std::ofstream(file, std::ios::binary) << bytes;
    return file;
  }

  static bool Read(const std::filesystem::path& file, host::SourceImage& image, std::string& error) {
    host::ImageHeader header;
    return host::ProbePfm(file, header, error) && host::DecodePfm(file, header, image, error);
  }

  std::filesystem::path folder_;
};

TEST_F(PfmFile, BottomRowComesFirstAndTheScaleSignGivesTheByteOrder) {
  // 1 x 2 colour: the file's first pixel is the picture's bottom one.
  const std::vector<float> bottomThenTop = {0.25f, 0.5f, 0.75f, 1.0f, -2.0f, 3.5f};
  for (bool bigEndian : {false, true}) {
    host::SourceImage image;
    std::string error;
    ASSERT_TRUE(Read(Write("c.pfm", bigEndian ? "PF\n1 2\n1.0\n" : "PF\n1 2\n-1.0\n", bottomThenTop, bigEndian), image,
                     error))
        << error;
    ASSERT_EQ(image.depth, host::SampleDepth::Float32);
    EXPECT_EQ(image.floats, (std::vector<float>{1.0f, -2.0f, 3.5f, 0.25f, 0.5f, 0.75f})) << "big-endian " << bigEndian;
  }
  // Grey is spread to three channels; the header's whitespace may be any.
  host::SourceImage grey;
  std::string error;
  ASSERT_TRUE(Read(Write("g.PFM", "Pf 2  1 -1\n", {0.125f, 9.0f}), grey, error)) << error;
  EXPECT_EQ(grey.floats, (std::vector<float>{0.125f, 0.125f, 0.125f, 9.0f, 9.0f, 9.0f}));
}

TEST_F(PfmFile, WrittenFilesReadBackExactlyAndOtherProgramsSeeTheLayout) {
  const std::vector<float> topFirst = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};  // 2 x 2
  std::vector<unsigned char> bytes;
  host::EncodePfm(topFirst.data(), 2, 2, bytes);
  const std::string header = "PF\n2 2\n-1.0\n";
  ASSERT_EQ(bytes.size(), header.size() + 48);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + static_cast<long>(header.size())), header);
  float first;
  std::memcpy(&first, bytes.data() + header.size(), 4);
  EXPECT_EQ(first, 7.0f);  // the bottom row's first sample
  const std::filesystem::path file = folder_ / "w.pfm";
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
  host::SourceImage image;
  std::string error;
  ASSERT_TRUE(Read(file, image, error)) << error;
  EXPECT_EQ(image.floats, topFirst);
  EXPECT_TRUE(host::IsPfmFile(file));
  EXPECT_FALSE(host::IsPfmFile(folder_ / "w.png"));
}

TEST_F(PfmFile, FilesThatLieAboutThemselvesAreRefusedWithTheirName) {
  struct Case {
    const char* header;
    size_t samples;
  };
  for (const Case& c : {Case{"PF\n2 2\n-1.0\n", 11}, Case{"P6\n1 1\n255\n", 3}, Case{"PF\n0 4\n-1.0\n", 0},
                        Case{"PF\n-1 1\n-1.0\n", 3}, Case{"PF\n1 1\n0\n", 3}, Case{"PF\n1 1\nnan\n", 3},
                        Case{"PF\n99999999 99999999\n-1\n", 3}, Case{"PF\n1", 0}}) {
    host::ImageHeader header;
    std::string error;
    const std::filesystem::path file = Write("bad.pfm", c.header, std::vector<float>(c.samples, 0.5f));
    EXPECT_FALSE(host::ProbePfm(file, header, error)) << c.header;
    EXPECT_NE(error.find("bad.pfm"), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace ombrel::test
