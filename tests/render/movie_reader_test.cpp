// Movie frames through the image library's movie reader, which keeps the movie open between
// frames: every frame is the one asked for, in any order, and a file changed under it is read
// again, not served from the reader it replaced.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "image/movie_reader.h"

namespace ombrel::host {
namespace {

namespace fs = std::filesystem;

// tools/make_movie.py tests/data/six_frames.avi 6 16 12 12: frame k is a flat grey of
// (k + 1) * 255 / 7 (whole division) but for a white bar along its top two rows.
constexpr int kFrames = 6;
double Grey(int k) { return static_cast<double>((k + 1) * 255 / (kFrames + 1)) / 255.0; }

fs::path SixFrames() { return fs::path(OMBREL_SOURCE_DIR) / "tests/data/six_frames.avi"; }

// A pixel below the bar, in the middle of the frame.
double MiddleGrey(const FloatImage& image) {
  const size_t i = (static_cast<size_t>(image.height / 2) * static_cast<size_t>(image.width) + static_cast<size_t>(image.width / 2)) * 3;
  return image.rgb[i];
}

TEST(MovieReader, EveryFrameIsTheOneAskedForInOrderBackwardsAndSkipping) {
  int32_t frames = 0;
  double fps = 0.0;
  ASSERT_TRUE(ReadMovieInfo(SixFrames(), frames, fps));
  EXPECT_EQ(frames, kFrames);
  EXPECT_DOUBLE_EQ(fps, 12.0);
  const int orders[][kFrames] = {{0, 1, 2, 3, 4, 5}, {5, 4, 3, 2, 1, 0}, {2, 0, 5, 1, 1, 3}};
  for (const auto& order : orders) {
    for (int k : order) {
      FloatImage image;
      std::string error;
      ASSERT_TRUE(ReadMovieFrame(SixFrames(), k, image, error)) << k << ": " << error;
      ASSERT_EQ(image.width, 16);
      ASSERT_EQ(image.height, 12);
      EXPECT_NEAR(MiddleGrey(image), Grey(k), 0.5 / 255.0) << "frame " << k;
      // The info between frames leaves the reader where the frames need it.
      ASSERT_TRUE(ReadMovieInfo(SixFrames(), frames, fps));
    }
  }
  FloatImage image;
  std::string error;
  EXPECT_FALSE(ReadMovieFrame(SixFrames(), kFrames, image, error));
  EXPECT_NE(error.find("cannot read frame 6 of"), std::string::npos) << error;
  EXPECT_FALSE(ReadMovieFrame(SixFrames(), -1, image, error));
}

TEST(MovieReader, AMovieReplacedWhileOpenIsReadAgain) {
  const fs::path folder = fs::temp_directory_path() / ("movie_reader_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  fs::create_directories(folder);
  const fs::path movie = folder / "movie.avi";
  fs::copy_file(SixFrames(), movie, fs::copy_options::overwrite_existing);
  FloatImage image;
  std::string error;
  ASSERT_TRUE(ReadMovieFrame(movie, 1, image, error)) << error;
  // Now a still picture under the same name: no frame of it may come from the movie before.
  fs::remove(movie);
  fs::copy_file(fs::path(OMBREL_SOURCE_DIR) / "examples/textures/stone.png", movie);
  EXPECT_FALSE(ReadMovieFrame(movie, 2, image, error));
  int32_t frames = 0;
  double fps = 0.0;
  EXPECT_FALSE(ReadMovieInfo(movie, frames, fps));
  // And the movie back again reads as itself.
  fs::remove(movie);
  fs::copy_file(SixFrames(), movie);
  ASSERT_TRUE(ReadMovieFrame(movie, 3, image, error)) << error;
  EXPECT_NEAR(MiddleGrey(image), Grey(3), 0.5 / 255.0);
  fs::remove(movie);
  EXPECT_FALSE(ReadMovieFrame(movie, 4, image, error));
  fs::remove_all(folder);
}

}  // namespace
}  // namespace ombrel::host
