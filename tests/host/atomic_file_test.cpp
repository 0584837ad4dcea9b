// The one writer of the host's files: what it does with each kind of target, with links planted
// at its hidden name or standing in for the target, and with names at the system's limits.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#if defined(_WIN32)
#include <process.h>
#else
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>
#endif

#include "core/atomic_file.h"

namespace ombrel::test {
namespace {

namespace fs = std::filesystem;

#if defined(_WIN32)
int ProcessNumber() { return _getpid(); }
#else
int ProcessNumber() { return ::getpid(); }
#endif

class AtomicFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("ombrel-atomic-" + std::to_string(ProcessNumber()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  bool Write(const fs::path& file, const std::string& text) {
    error_.clear();
    return host::WriteFileAtomically(file, text.data(), text.size(), error_);
  }
  static std::string Read(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  void Put(const fs::path& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }
  // Only the named entries are in the folder: no hidden file is left.
  void ExpectFolderHoldsOnly(std::set<std::string> expected) {
    std::set<std::string> found;
    for (const auto& entry : fs::directory_iterator(dir_)) found.insert(entry.path().filename().string());
    EXPECT_EQ(found, expected);
  }

  fs::path dir_;
  std::string error_;
};

TEST_F(AtomicFile, NamesTheFileAndTheReasonForTargetsItCannotHave) {
  EXPECT_FALSE(Write("", "x"));
  EXPECT_EQ(error_, "cannot write \"\": no file name");
  EXPECT_FALSE(Write(dir_ / "absent" / "out.json", "x"));
  EXPECT_EQ(error_, "cannot write \"" + (dir_ / "absent" / "out.json").string() + "\": there is no folder \"" +
                        (dir_ / "absent").string() + "\"");

  // A folder in the way is left as it was, with what it holds.
  fs::create_directory(dir_ / "taken.json");
  Put(dir_ / "taken.json" / "inside", "kept");
  EXPECT_FALSE(Write(dir_ / "taken.json", "x"));
  EXPECT_EQ(error_, "cannot write \"" + (dir_ / "taken.json").string() + "\": it is a folder");
  EXPECT_TRUE(fs::is_directory(dir_ / "taken.json"));
  EXPECT_EQ(Read(dir_ / "taken.json" / "inside"), "kept");
  std::string checked;
  EXPECT_FALSE(host::CanWriteFileAt(dir_ / "taken.json", checked));
  EXPECT_EQ(checked, error_);
  EXPECT_TRUE(host::CanWriteFileAt(dir_ / "new.json", checked)) << checked;
  ExpectFolderHoldsOnly({"taken.json"});
}

#if !defined(_WIN32)

// Not on Windows, whose paths stop at 260 characters unless long paths are enabled.
TEST_F(AtomicFile, ANameAtTheSystemsLimitIsWritten) {
  // The hidden name is cut, not the target's: a legal name must not fail for the writer's sake.
  const std::string name(255, 'n');
  ASSERT_TRUE(Write(dir_ / name, "whole")) << error_;
  EXPECT_EQ(Read(dir_ / name), "whole");
  EXPECT_EQ(host::PartialFileFor(dir_ / name).filename().string().size(), 255u);
  ExpectFolderHoldsOnly({name});
}

bool IsCharacterDevice(const fs::path& file) {
  struct stat st {};
  return ::lstat(file.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

TEST_F(AtomicFile, ALinkPlantedAtTheHiddenNameIsRemovedNotFollowed) {
  Put(dir_ / "victim", "precious");
  const fs::path out = dir_ / "out.json";
  fs::create_symlink(dir_ / "victim", host::PartialFileFor(out));
  ASSERT_TRUE(Write(out, "scene")) << error_;
  EXPECT_EQ(Read(dir_ / "victim"), "precious");
  EXPECT_EQ(Read(out), "scene");
  EXPECT_FALSE(fs::is_symlink(out));
  ExpectFolderHoldsOnly({"out.json", "victim"});
}

TEST_F(AtomicFile, ALinkAsTheTargetIsWrittenThroughAndStays) {
  fs::create_directory(dir_ / "real");
  Put(dir_ / "real" / "scene.json", "old");
  ::chmod((dir_ / "real" / "scene.json").c_str(), 0640);
  fs::create_symlink("real/scene.json", dir_ / "link.json");
  ASSERT_TRUE(Write(dir_ / "link.json", "new")) << error_;
  EXPECT_TRUE(fs::is_symlink(dir_ / "link.json"));
  EXPECT_EQ(Read(dir_ / "real" / "scene.json"), "new");
  // The file replaced keeps its permissions, as it would when written in place.
  struct stat st {};
  ASSERT_EQ(::stat((dir_ / "real" / "scene.json").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);

  // A chain of links that ends nowhere makes the file at its end, in that file's folder.
  fs::create_symlink("second", dir_ / "first");
  fs::create_symlink("real/made.json", dir_ / "second");
  ASSERT_TRUE(Write(dir_ / "first", "made")) << error_;
  EXPECT_TRUE(fs::is_symlink(dir_ / "first"));
  EXPECT_TRUE(fs::is_symlink(dir_ / "second"));
  EXPECT_EQ(Read(dir_ / "real" / "made.json"), "made");

  fs::create_symlink("loop", dir_ / "loop");
  EXPECT_FALSE(Write(dir_ / "loop", "x"));
  EXPECT_NE(error_.find("Too many levels of symbolic links"), std::string::npos) << error_;
  EXPECT_TRUE(fs::is_symlink(dir_ / "loop"));
  ExpectFolderHoldsOnly({"real", "link.json", "first", "second", "loop"});
  std::set<std::string> inReal;
  for (const auto& entry : fs::directory_iterator(dir_ / "real")) inReal.insert(entry.path().filename().string());
  EXPECT_EQ(inReal, (std::set<std::string>{"scene.json", "made.json"}));
}

TEST_F(AtomicFile, DevicesAndPipesAreWrittenInPlaceAndNeverReplaced) {
  // Links to the system's nodes: what `-o /dev/null` means, without touching /dev if it broke.
  fs::create_symlink("/dev/null", dir_ / "null.png");
  fs::create_symlink("/dev/full", dir_ / "full.png");
  EXPECT_TRUE(Write(dir_ / "null.png", "picture")) << error_;
  EXPECT_FALSE(Write(dir_ / "full.png", "picture"));
  EXPECT_EQ(error_, "cannot write \"" + (dir_ / "full.png").string() + "\": No space left on device");
  EXPECT_TRUE(fs::is_symlink(dir_ / "null.png"));
  EXPECT_TRUE(fs::is_symlink(dir_ / "full.png"));

  // A FIFO whose reader is already there gets the bytes, and stays a FIFO.
  const fs::path pipe = dir_ / "pipe.json";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_TRUE(Write(pipe, "through the pipe")) << error_;
  char got[64] = {};
  EXPECT_EQ(::read(reader, got, sizeof got), 16);
  EXPECT_EQ(std::string(got), "through the pipe");
  ::close(reader);
  EXPECT_TRUE(fs::is_fifo(pipe));
  ExpectFolderHoldsOnly({"null.png", "full.png", "pipe.json"});
}

TEST_F(AtomicFile, DeviceNodesOfTheirOwnStayNodes) {
  // Copies of /dev/null and /dev/full, and a block device, made where only root may make them.
  if (::mknod((dir_ / "null.json").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) GTEST_SKIP() << "mknod needs root";
  ASSERT_EQ(::mknod((dir_ / "full.png").c_str(), S_IFCHR | 0666, makedev(1, 7)), 0);
  ASSERT_EQ(::mknod((dir_ / "disk.png").c_str(), S_IFBLK | 0600, makedev(7, 0)), 0);
  EXPECT_TRUE(Write(dir_ / "null.json", "scene")) << error_;
  EXPECT_FALSE(Write(dir_ / "full.png", "picture"));
  EXPECT_NE(error_.find("No space left on device"), std::string::npos) << error_;
  EXPECT_FALSE(Write(dir_ / "disk.png", "picture"));
  EXPECT_EQ(error_, "cannot write \"" + (dir_ / "disk.png").string() + "\": it is a block device, which is never written");
  EXPECT_TRUE(IsCharacterDevice(dir_ / "null.json"));
  EXPECT_TRUE(IsCharacterDevice(dir_ / "full.png"));
  EXPECT_TRUE(fs::is_block_file(dir_ / "disk.png"));
  ExpectFolderHoldsOnly({"null.json", "full.png", "disk.png"});
}

TEST_F(AtomicFile, ASocketIsRefused) {
  const fs::path socketFile = dir_ / "socket.json";
  const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(s, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string name = socketFile.string();
  if (name.size() >= sizeof address.sun_path) {
    ::close(s);
    GTEST_SKIP() << "the folder's name is too long for a socket";
  }
  std::copy(name.begin(), name.end(), address.sun_path);
  ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  EXPECT_FALSE(Write(socketFile, "x"));
  EXPECT_EQ(error_, "cannot write \"" + name + "\": it is a socket");
  EXPECT_TRUE(fs::is_socket(socketFile));
  ::close(s);
}

#endif

}  // namespace
}  // namespace ombrel::test
