// Picture files: what each format stores, read back through the image library, and failures
// that name the file and leave nothing half-written.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <csignal>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

#include "core/atomic_file.h"
#include "image/image_reader.h"
#include "image/image_writer.h"

namespace ombrel::test {
namespace {

namespace fs = std::filesystem;

class ImageFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    host::InstallImageReader();
    dir_ = fs::temp_directory_path() /
           ("ombrel-image-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Only the named files are in the folder: no hidden partial files are left.
  void ExpectFolderHoldsOnly(std::initializer_list<const char*> names) {
    std::set<std::string> found, expected(names.begin(), names.end());
    for (const auto& entry : fs::directory_iterator(dir_)) found.insert(entry.path().filename().string());
    EXPECT_EQ(found, expected);
  }

  fs::path dir_;
};

host::FloatImage Picture(std::vector<float> rgb, int width, int height) {
  host::FloatImage image;
  image.width = width;
  image.height = height;
  image.rgb = std::move(rgb);
  return image;
}

TEST_F(ImageFiles, FloatFormatsKeepTheExactValues) {
  const float inf = std::numeric_limits<float>::infinity();
  // Values no 8-bit or half-float format could hold, out of range ones, and infinities.
  const host::FloatImage image =
      Picture({0.1f, 0.2f, 0.3f, 1.0f / 3, -0.5f, 7.25f, 1e-30f, 123456.78f, inf, 0.0f, 1.0f, -inf}, 2, 2);
  for (const char* name : {"picture.exr", "picture.tif", "picture.TIFF"}) {
    std::string error;
    ASSERT_TRUE(host::WriteImage(image, dir_ / name, error)) << error;
    host::FloatImage back;
    ASSERT_TRUE(host::ReadImageFile(dir_ / name, back, error)) << error;
    EXPECT_EQ(back.width, 2);
    EXPECT_EQ(back.height, 2);
    EXPECT_EQ(back.rgb, image.rgb) << name;
  }
  ExpectFolderHoldsOnly({"picture.exr", "picture.tif", "picture.TIFF"});
}

TEST_F(ImageFiles, PngStoresClampedRoundedDisplayValues) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  host::FloatImage image = Picture({0.0f, 1.0f, 0.5f, 2.0f / 255, -3.0f, 9.0f, nan, 0.4990f / 255, 0.5001f / 255}, 3, 1);
  std::string error;
  ASSERT_TRUE(host::WriteImage(image, dir_ / "values.PNG", error)) << error;
  host::FloatImage back;
  ASSERT_TRUE(host::ReadImageFile(dir_ / "values.PNG", back, error)) << error;
  const std::vector<int> expected{0, 255, 128, 2, 0, 255, 0, 0, 1};
  ASSERT_EQ(back.rgb.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(std::lround(back.rgb[i] * 255.0f), expected[i]) << i;
}

TEST_F(ImageFiles, PngEncodesLinearValuesToSrgb) {
  host::FloatImage image = Picture({0.0f, 0.002f, 0.18f, 0.5f, 1.0f, 4.0f}, 2, 1);
  image.linear = true;
  std::string error;
  ASSERT_TRUE(host::WriteImage(image, dir_ / "linear.png", error)) << error;
  host::FloatImage back;
  ASSERT_TRUE(host::ReadImageFile(dir_ / "linear.png", back, error)) << error;
  // 0.002 lies on the straight part of the curve (× 12.92); 0.18 and 0.5 on the power part.
  const std::vector<int> expected{0, 7, 118, 188, 255, 255};
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(std::lround(back.rgb[i] * 255.0f), expected[i]) << i;
  EXPECT_EQ(host::DisplayCode(0.5f, false), 128);
  EXPECT_EQ(host::DisplayCode(0.5f, true), 188);
  EXPECT_EQ(host::DisplayCode(-1.0f, true), 0);
}

TEST_F(ImageFiles, FailuresNameTheFileAndLeaveExistingFilesAlone) {
  const host::FloatImage image = Picture({0.5f, 0.5f, 0.5f}, 1, 1);
  std::string error;
  const fs::path missing = dir_ / "no-such-folder" / "out.png";
  EXPECT_FALSE(host::WriteImage(image, missing, error));
  EXPECT_NE(error.find(missing.string()), std::string::npos) << error;

  for (const char* name : {"out.jpg", "out", "out.png.bak"}) {
    error.clear();
    EXPECT_FALSE(host::WriteImage(image, dir_ / name, error)) << name;
    EXPECT_NE(error.find((dir_ / name).string()), std::string::npos) << error;
    EXPECT_NE(error.find(".png, .exr"), std::string::npos) << error;
    EXPECT_FALSE(host::CanWriteImageType(dir_ / name, error));
  }
  EXPECT_TRUE(host::CanWriteImageType("x.Exr", error));

  // A picture whose buffer does not match its size is refused, and the file there stays.
  {
    std::ofstream keep(dir_ / "kept.png");
    keep << "precious";
  }
  EXPECT_FALSE(host::WriteImage(Picture({0.5f, 0.5f}, 1, 1), dir_ / "kept.png", error));
  EXPECT_NE(error.find("kept.png"), std::string::npos) << error;
  // A folder in the way cannot be replaced by a picture.
  fs::create_directory(dir_ / "taken.png");
  EXPECT_FALSE(host::WriteImage(image, dir_ / "taken.png", error));
  EXPECT_NE(error.find("taken.png"), std::string::npos) << error;
  std::ifstream kept(dir_ / "kept.png");
  std::string text;
  kept >> text;
  EXPECT_EQ(text, "precious");
  ExpectFolderHoldsOnly({"kept.png", "taken.png"});

  host::FloatImage back;
  EXPECT_FALSE(host::ReadImageFile(dir_ / "absent.exr", back, error));
  EXPECT_NE(error.find("absent.exr"), std::string::npos) << error;
}

// Ends the writing process with the signal in `context` once the first chunk is on disk.
void SignalAfterFirstChunk(size_t, void* context) { ::raise(*static_cast<int*>(context)); }

TEST_F(ImageFiles, ASignalWhileWritingRemovesTheHiddenFileAndKeepsTheTarget) {
  {
    std::ofstream keep(dir_ / "kept.png");
    keep << "precious";
  }
  const std::vector<unsigned char> bytes(3 << 20, 0x5a);  // three chunks
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      std::string error;
      int which = signal;
      host::WriteFileAtomically(dir_ / "kept.png", bytes.data(), bytes.size(), error, SignalAfterFirstChunk, &which);
      ::_exit(3);  // the signal should have ended the process before this
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "signal " << signal << ": status " << status;
    EXPECT_EQ(WTERMSIG(status), signal);
    ExpectFolderHoldsOnly({"kept.png"});
  }
  std::ifstream kept(dir_ / "kept.png");
  std::string text;
  kept >> text;
  EXPECT_EQ(text, "precious");

  // A signal the program ignores stays ignored, and the write completes.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGINT, SIG_IGN);
    std::string error;
    int which = SIGINT;
    ::_exit(host::WriteFileAtomically(dir_ / "kept.png", bytes.data(), bytes.size(), error, SignalAfterFirstChunk, &which) ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(fs::file_size(dir_ / "kept.png"), bytes.size());
  ExpectFolderHoldsOnly({"kept.png"});
}

}  // namespace
}  // namespace ombrel::test
