// The host's folder walk and suffix comparison, which decide what a folder import takes and in
// which order.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/folders.h"

namespace ombrel::test {
namespace {

TEST(HostSuffix, IsThePartAfterTheLastDotWithoutRegardToCase) {
  EXPECT_TRUE(host::HasSuffix("photo.JPG", "jpg"));
  EXPECT_TRUE(host::HasSuffix("photo.jpg", ".JPG"));
  EXPECT_TRUE(host::HasSuffix("dir.v2/archive.tar.gz", "gz"));
  EXPECT_FALSE(host::HasSuffix("archive.tar.gz", "tar"));
  EXPECT_FALSE(host::HasSuffix("dir.png/README", "png")) << "a dot in the folder is no suffix";
  EXPECT_FALSE(host::HasSuffix("C:\\pics.png\\scan", "png"));
  EXPECT_FALSE(host::HasSuffix("name.", "png"));
  EXPECT_FALSE(host::HasSuffix("photo.tiff", "tif"));
  EXPECT_FALSE(host::HasSuffix("photo.tif", ""));
  EXPECT_TRUE(host::HasSuffix(".png", "png"));
}

TEST(HostFolderWalk, ListsEntriesInByteOrderWithUtf8Names) {
  const auto dir = std::filesystem::temp_directory_path() / "ombrel-folder-walk";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir / "sub");
  // "é" (C3 A9) sorts after every ASCII name; upper case before lower case. No two names differ
  // only in case: folders on Windows do not tell them apart.
  for (const char* name : {"b.png", "a.png", "C.png", "\xC3\xA9t\xC3\xA9.png", "z.txt"}) {
    std::ofstream(dir / std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(name)))) << "x";
  }
  std::vector<FolderEntry> entries;
  const std::u8string u8 = dir.u8string();
  ASSERT_TRUE(host::ListFolder(std::string(u8.begin(), u8.end()), entries));
  std::vector<std::string> names;
  for (const auto& e : entries) names.push_back(e.name);
  EXPECT_EQ(names, (std::vector<std::string>{"C.png", "a.png", "b.png", "sub", "z.txt", "\xC3\xA9t\xC3\xA9.png"}));
  EXPECT_TRUE(entries[3].isFolder);
  EXPECT_FALSE(entries[0].isFolder);
  // A folder that cannot be walked leaves no entries and says why, for the user to hear.
  for (const char* wrong : {"/missing", "/z.txt"}) {
    std::string error;
    EXPECT_FALSE(host::ListFolder(std::string(u8.begin(), u8.end()) + wrong, entries, &error)) << wrong;
    EXPECT_TRUE(entries.empty()) << wrong;
    EXPECT_FALSE(error.empty()) << wrong;
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace ombrel::test
