// The host's status line: drawn in place on a terminal and only there, a bounded number of times
// however many items a job counts, and gone when the job ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "core/status_line.h"

namespace ombrel::test {
namespace {

std::string Written(std::FILE* file) {
  std::fflush(file);
  std::string text;
  std::rewind(file);
  for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
  return text;
}

class StatusLine : public ::testing::Test {
 protected:
  ~StatusLine() override {
    host::SetStatusOutput(nullptr, false);
    if (file_) std::fclose(file_);
  }
  std::FILE* file_ = std::tmpfile();
};

TEST_F(StatusLine, ThousandsOfItemsRedrawItAHundredTimesAndTheEndClearsIt) {
  ASSERT_NE(file_, nullptr);
  host::SetStatusOutput(file_, true);
  constexpr int kItems = 6000;
  for (int done = 1; done <= kItems; ++done) host::ShowProgress("reading the frames of m.avi", done, kItems);
  const std::string text = Written(file_);
  // One drawing per percentage from 0 % to 99 %, and one that clears the line.
  EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 100 + 2);
  EXPECT_NE(text.find("\rreading the frames of m.avi: 60 of 6000 (1%)"), std::string::npos);
  EXPECT_NE(text.find("\rreading the frames of m.avi: 5940 of 6000 (99%)"), std::string::npos);
  EXPECT_EQ(text.find("6000 of 6000"), std::string::npos);
  // The clearing overwrites the longest line drawn with blanks and returns to its start.
  const std::string longest = "reading the frames of m.avi: 5940 of 6000 (99%)";
  EXPECT_EQ(text.substr(text.size() - longest.size() - 2), "\r" + std::string(longest.size(), ' ') + "\r");
}

TEST_F(StatusLine, ALogGetsNothingAndAnEarlyEndLeavesNothingBehind) {
  ASSERT_NE(file_, nullptr);
  host::SetStatusOutput(file_, false);
  host::ShowProgress("reading", 5, 10);
  host::ClearStatus();
  EXPECT_EQ(Written(file_), "");

  host::SetStatusOutput(file_, true);
  host::ShowProgress("reading", 5, 10);
  host::ClearStatus();
  host::ClearStatus();  // nothing shown: nothing written
  EXPECT_EQ(Written(file_), "\rreading: 5 of 10 (50%)\r" + std::string(22, ' ') + "\r");
}

}  // namespace
}  // namespace ombrel::test
