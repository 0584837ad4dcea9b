// The progress line of a long render: what a terminal shows of it, how often it is drawn, and
// the phases a render and a picture's writing tell it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "core/builtin_shaders.h"
#include "image/image_reader.h"
#include "image/image_writer.h"
#include "render/progress_bar.h"
#include "render/renderer.h"
#include "render_fixture.h"

namespace ombrel::test {
namespace {

// Everything drawn on a file standing in for the terminal.
class Captured {
 public:
  Captured() : file_(std::tmpfile()) {}
  ~Captured() {
    if (file_) std::fclose(file_);
  }
  std::FILE* File() { return file_; }
  std::string Text() {
    std::fflush(file_);
    std::rewind(file_);
    std::string text;
    for (int c = std::fgetc(file_); c != EOF; c = std::fgetc(file_)) text += static_cast<char>(c);
    return text;
  }

 private:
  std::FILE* file_;
};

// The line a terminal shows after `text`: '\r' goes back to its start, characters overwrite.
std::string TerminalLine(const std::string& text) {
  std::string line;
  size_t column = 0;
  for (char c : text) {
    if (c == '\r') {
      column = 0;
      continue;
    }
    if (column < line.size()) {
      line[column] = c;
    } else {
      line += c;
    }
    ++column;
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

// The texts drawn one after another, between carriage returns, blanks left out.
std::vector<std::string> Drawn(const std::string& text) {
  std::vector<std::string> drawn;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\r', start);
    if (end == std::string::npos) end = text.size();
    std::string piece = text.substr(start, end - start);
    while (!piece.empty() && piece.back() == ' ') piece.pop_back();
    // A text drawn again over what a longer one left counts once.
    if (!piece.empty() && (drawn.empty() || drawn.back() != piece)) drawn.push_back(piece);
    start = end + 1;
  }
  return drawn;
}

TEST(ProgressBar, ShowsEachPhaseOverTheLastAndLeavesAnEmptyLine) {
  Captured out;
  {
    host::ProgressBar bar(true, out.File());
    bar.Phase("encoding a-picture-with-a-long-name.exr");
    bar.Progress("writing", 1, 4);
    EXPECT_EQ(TerminalLine(out.Text()), "writing [#######                       ]  25%");
    bar.Progress("writing", 4, 4);
    EXPECT_EQ(TerminalLine(out.Text()), "writing [##############################] 100%");
    bar.Phase("done");
    // A shorter text leaves nothing of the longer one before it.
    EXPECT_EQ(TerminalLine(out.Text()), "done");
    // A long name keeps its last 37 bytes, from where a character starts: "é" is two in UTF-8,
    // and the cut would fall between them.
    bar.Phase("reading \xC3\xA9" + std::string(36, 'y'));
    EXPECT_EQ(TerminalLine(out.Text()), "..." + std::string(36, 'y'));
  }
  EXPECT_EQ(TerminalLine(out.Text()), "");
  EXPECT_EQ(out.Text().find('\n'), std::string::npos);
}

TEST(ProgressBar, IsDrawnOncePerPercentAndNotAtAllWhenNotWanted) {
  Captured out;
  host::ProgressBar bar(true, out.File());
  for (int64_t row = 0; row <= 100000; ++row) bar.Progress("rendering", row, 100000);
  // Each draw starts with a carriage return.
  const std::string text = out.Text();
  EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 101);

  Captured quiet;
  host::ProgressBar unwanted(false, quiet.File());
  unwanted.Phase("reading");
  unwanted.Progress("rendering", 1, 2);
  unwanted.Clear();
  EXPECT_EQ(quiet.Text(), "");
}

TEST(ProgressBar, ARenderNamesItsSetUpSamplingAndRelease) {
  host::Host h;
  SceneBuilder b(h);
  b.scene.settings.width = 8;
  b.scene.settings.height = 300;
  b.Object("wall", b.Material(host::kUvShaderType, "uv"), 0.0, 0.0, 1.0, 1.0);
  Captured out;
  host::ProgressBar bar(true, out.File());
  host::RenderOptions options;
  options.bar = &bar;
  host::FloatImage image;
  host::RenderReport report;
  std::string error;
  ASSERT_TRUE(host::Render(b.scene, options, image, report, error)) << error;
  const std::vector<std::string> drawn = Drawn(out.Text());
  ASSERT_GE(drawn.size(), 3u) << out.Text();
  EXPECT_EQ(drawn.front(), "setting up shaders");
  EXPECT_EQ(drawn[drawn.size() - 2], "rendering [##############################] 100%");
  EXPECT_EQ(drawn.back(), "releasing shaders");
  // The command's bar is left to the command, for its next phase.
  EXPECT_EQ(TerminalLine(out.Text()), "releasing shaders");
}

class Heard : public host::ImageWriteObserver {
 public:
  void Encoding() override { events.push_back("encoding"); }
  void Written(size_t written, size_t size) override {
    events.push_back("written");
    EXPECT_LE(written, size);
    if (!counts.empty()) {
      EXPECT_GT(written, counts.back());
    }
    counts.push_back(written);
    total = size;
  }
  std::vector<std::string> events;
  std::vector<size_t> counts;
  size_t total = 0;
};

TEST(ProgressBar, APictureIsEncodedFirstAndItsWritingCountsToItsSize) {
  host::InstallImageReader();
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("ombrel-progress-bar-test-" + std::to_string(::getpid()));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  host::FloatImage image;
  image.width = 700;
  image.height = 500;
  image.rgb.assign(static_cast<size_t>(image.width) * image.height * 3, 0.5f);
  for (const char* name : {"picture.pfm", "picture.png"}) {
    Heard heard;
    std::string error;
    ASSERT_TRUE(host::WriteImage(image, folder / name, error, &heard)) << error;
    ASSERT_GE(heard.events.size(), 2u) << name;
    EXPECT_EQ(heard.events.front(), "encoding") << name;
    EXPECT_EQ(std::count(heard.events.begin(), heard.events.end(), "encoding"), 1) << name;
    EXPECT_EQ(heard.counts.back(), heard.total) << name;
    EXPECT_EQ(heard.total, std::filesystem::file_size(folder / name)) << name;
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace ombrel::test
