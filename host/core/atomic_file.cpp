#include "core/atomic_file.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <system_error>

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace ombrel::host {

namespace {

constexpr size_t kChunk = size_t{1} << 20;
// The longest file name of the file systems the host writes on (ext4, tmpfs, NTFS).
constexpr size_t kMaxName = 255;

std::string Quoted(const std::filesystem::path& file) { return "\"" + file.string() + "\""; }

std::string Refused(const std::filesystem::path& file, const std::string& reason) {
  return "cannot write " + Quoted(file) + ": " + reason;
}

// A missing folder is named as such: "No such file or directory" would seem to blame the file.
bool FolderExists(const std::filesystem::path& file, const std::filesystem::path& folder, std::string& error) {
  std::error_code ec;
  if (folder.empty() || std::filesystem::is_directory(folder, ec)) return true;
  error = Refused(file, "there is no folder " + Quoted(folder));
  return false;
}

#if defined(_WIN32)
unsigned long ProcessNumber() { return GetCurrentProcessId(); }
#else
unsigned long ProcessNumber() { return static_cast<unsigned long>(::getpid()); }
#endif

}  // namespace

std::filesystem::path PartialFileFor(const std::filesystem::path& file) {
  using Name = std::filesystem::path::string_type;
  const Name suffix = std::filesystem::path(".partial-" + std::to_string(ProcessNumber())).native();
  Name name = file.filename().native();
  // A target whose name is legal but near the limit must not fail for its hidden name's sake.
  if (1 + name.size() + suffix.size() > kMaxName) name.resize(kMaxName - 1 - suffix.size());
  std::filesystem::path partial = file;
  partial.replace_filename(Name(1, '.') + name + suffix);
  return partial;
}

#if defined(_WIN32)

namespace {

std::string Failed(const std::filesystem::path& file, DWORD code) {
  return Refused(file, std::system_category().message(static_cast<int>(code)));
}

// Windows has no device nodes among files, only names such as NUL and CON that open a device:
// those are refused rather than written in place, as is a folder.
bool CheckTarget(const std::filesystem::path& file, std::string& error) {
  if (file.filename().empty()) {
    error = Refused(file, "no file name");
    return false;
  }
  const DWORD attributes = GetFileAttributesW(file.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    error = Refused(file, "it is a folder");
    return false;
  }
  HANDLE existing = CreateFileW(file.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
  if (existing == INVALID_HANDLE_VALUE) return FolderExists(file, file.parent_path(), error);
  const DWORD type = GetFileType(existing);
  CloseHandle(existing);
  if (type != FILE_TYPE_DISK) {
    error = Refused(file, "it is a device, not a file");
    return false;
  }
  return true;
}

}  // namespace

bool CanWriteFileAt(const std::filesystem::path& file, std::string& error) { return CheckTarget(file, error); }

// Windows has no signals to clean up after: Ctrl-C ends the program outright, and a hidden file
// left then is replaced by the next write of the same process number.
bool WriteFileAtomically(const std::filesystem::path& file, const void* data, size_t size, std::string& error,
                         WriteProgress progress, void* context) {
  if (!CheckTarget(file, error)) return false;
  const std::filesystem::path partial = PartialFileFor(file);
  auto fail = [&](DWORD code) {
    error = Failed(file, code);
    return false;
  };
  auto create = [&] {
    return CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  HANDLE handle = create();
  if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS) {
    DeleteFileW(partial.c_str());
    handle = create();
  }
  if (handle == INVALID_HANDLE_VALUE) return fail(GetLastError());
  auto abandon = [&](DWORD code) {
    CloseHandle(handle);
    DeleteFileW(partial.c_str());
    return fail(code);
  };
  const auto* bytes = static_cast<const unsigned char*>(data);
  size_t written = 0;
  while (written < size) {
    const DWORD want = static_cast<DWORD>(std::min(kChunk, size - written));
    DWORD n = 0;
    if (!WriteFile(handle, bytes + written, want, &n, nullptr)) return abandon(GetLastError());
    if (n == 0) return abandon(ERROR_DISK_FULL);
    written += n;
    if (progress) progress(written, context);
  }
  if (!FlushFileBuffers(handle)) return abandon(GetLastError());
  if (!CloseHandle(handle)) {
    const DWORD code = GetLastError();
    DeleteFileW(partial.c_str());
    return fail(code);
  }
  if (!MoveFileExW(partial.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD code = GetLastError();
    DeleteFileW(partial.c_str());
    return fail(code);
  }
  return true;
}

#else

namespace {

constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP};
// Links followed before giving up, as the kernel does (ELOOP).
constexpr int kMaxLinks = 40;

// The hidden file a signal handler removes. A fixed buffer: the handler may not allocate.
char g_partial[4096];
volatile sig_atomic_t g_partialArmed = 0;

extern "C" void RemovePartialAndEnd(int signal) {
  if (g_partialArmed) ::unlink(g_partial);
  // The handler was installed to run once: the default action now ends the program as the
  // signal asked, when the handler returns and the signal is unblocked.
  ::raise(signal);
}

// Removes the hidden file when a cleanup signal arrives while it exists.
class PartialFileGuard {
 public:
  explicit PartialFileGuard(const std::string& partial) {
    if (partial.size() >= sizeof g_partial) return;  // no name to remove: write unguarded
    std::memcpy(g_partial, partial.c_str(), partial.size() + 1);
    g_partialArmed = 1;
    for (size_t i = 0; i < std::size(kCleanupSignals); ++i) {
      struct sigaction action {};
      action.sa_handler = RemovePartialAndEnd;
      sigemptyset(&action.sa_mask);
      for (int other : kCleanupSignals) sigaddset(&action.sa_mask, other);
      action.sa_flags = SA_RESETHAND;
      struct sigaction old {};
      if (::sigaction(kCleanupSignals[i], nullptr, &old) != 0) continue;
      // A signal the program ignores (a job started with nohup) or handles itself stays so.
      if (old.sa_handler != SIG_DFL || (old.sa_flags & SA_SIGINFO)) continue;
      if (::sigaction(kCleanupSignals[i], &action, &old_[i]) == 0) installed_[i] = true;
    }
  }
  ~PartialFileGuard() {
    for (size_t i = 0; i < std::size(kCleanupSignals); ++i) {
      if (installed_[i]) ::sigaction(kCleanupSignals[i], &old_[i], nullptr);
    }
    g_partialArmed = 0;
  }
  PartialFileGuard(const PartialFileGuard&) = delete;
  PartialFileGuard& operator=(const PartialFileGuard&) = delete;

 private:
  struct sigaction old_[std::size(kCleanupSignals)] {};
  bool installed_[std::size(kCleanupSignals)] = {};
};

std::string Failed(const std::filesystem::path& file, int code) { return Refused(file, std::strerror(code)); }

// How a target is written, and the name that is really replaced.
struct Plan {
  bool inPlace = false;          // a character device or a FIFO, opened and written as it is
  std::string name;              // the file that is replaced: `file`, or the file a link leads to
  bool replaces = false;         // a regular file is there, whose permissions the new one keeps
  mode_t mode = 0;
};

// The name a dangling link leads to, where the file is then made.
bool FollowDanglingLinks(const std::filesystem::path& file, std::string& name, std::string& error) {
  std::filesystem::path at = file;
  for (int hops = 0;; ++hops) {
    struct stat st {};
    if (::lstat(at.c_str(), &st) != 0) {
      if (errno != ENOENT) {
        error = Failed(file, errno);
        return false;
      }
      name = at.string();
      return FolderExists(file, at.parent_path(), error);
    }
    // Made by someone else since it was missing: it is taken as missing, and the rename replaces
    // it, never writing through it.
    if (!S_ISLNK(st.st_mode)) {
      name = at.string();
      return true;
    }
    if (hops == kMaxLinks) {
      error = Failed(file, ELOOP);
      return false;
    }
    std::string link(4096, '\0');
    const ssize_t n = ::readlink(at.c_str(), link.data(), link.size());
    if (n < 0 || static_cast<size_t>(n) >= link.size()) {
      error = Failed(file, n < 0 ? errno : ENAMETOOLONG);
      return false;
    }
    link.resize(static_cast<size_t>(n));
    at = at.parent_path() / std::filesystem::path(link);
  }
}

// Kinds that are never written, each named as a user knows it.
const char* RefusedKind(mode_t mode) {
  if (S_ISDIR(mode)) return "it is a folder";
  if (S_ISBLK(mode)) return "it is a block device, which is never written";
  if (S_ISSOCK(mode)) return "it is a socket";
  return "it is not a regular file";
}

bool FindTarget(const std::filesystem::path& file, Plan& plan, std::string& error) {
  if (file.filename().empty()) {
    error = Refused(file, "no file name");
    return false;
  }
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) {
    if (errno != ENOENT) {
      error = Failed(file, errno);
      return false;
    }
    return FollowDanglingLinks(file, plan.name, error);
  }
  if (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode)) {
    plan.inPlace = true;
    plan.name = file.string();
    return true;
  }
  if (!S_ISREG(st.st_mode)) {
    error = Refused(file, RefusedKind(st.st_mode));
    return false;
  }
  plan.replaces = true;
  plan.mode = st.st_mode & 0777;
  struct stat own {};
  if (::lstat(file.c_str(), &own) == 0 && !S_ISLNK(own.st_mode)) {
    plan.name = file.string();
    return true;
  }
  // A link to a file: the file is replaced in its own folder, and the link keeps leading to it.
  char* real = ::realpath(file.c_str(), nullptr);
  if (!real) {
    error = Failed(file, errno);
    return false;
  }
  plan.name = real;
  std::free(real);
  return true;
}

bool PlanWrite(const std::filesystem::path& file, Plan& plan, std::string& error) {
  if (!FindTarget(file, plan, error)) return false;
  if (plan.inPlace) return true;
  // The hidden file is made in the target's folder: one the user may not write to is found
  // before a command spends its time, as the write would find it after.
  const std::filesystem::path folder = std::filesystem::path(plan.name).parent_path();
  if (::access(folder.empty() ? "." : folder.c_str(), W_OK | X_OK) != 0) {
    error = Failed(file, errno);
    return false;
  }
  return true;
}

// 0, or the errno of the write that failed.
int WriteAll(int fd, const void* data, size_t size, WriteProgress progress, void* context) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  size_t written = 0;
  while (written < size) {
    const size_t want = std::min(kChunk, size - written);
    const ssize_t n = ::write(fd, bytes + written, want);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return ENOSPC;
    written += static_cast<size_t>(n);
    if (progress) progress(written, context);
  }
  return 0;
}

bool WriteInPlace(const std::filesystem::path& file, const void* data, size_t size, std::string& error,
                  WriteProgress progress, void* context) {
  // No O_CREAT: a node removed meanwhile is not made again as a regular file.
  const int fd = ::open(file.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    error = Failed(file, errno);
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !(S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode))) {
    // Replaced by a regular file since it was looked at: writing in place would not truncate it.
    ::close(fd);
    error = Refused(file, "it changed while it was opened");
    return false;
  }
  const int code = WriteAll(fd, data, size, progress, context);
  if (::close(fd) != 0 && code == 0) {
    error = Failed(file, errno);
    return false;
  }
  if (code != 0) error = Failed(file, code);
  return code == 0;
}

}  // namespace

bool CanWriteFileAt(const std::filesystem::path& file, std::string& error) {
  Plan plan;
  return PlanWrite(file, plan, error);
}

bool WriteFileAtomically(const std::filesystem::path& file, const void* data, size_t size, std::string& error,
                         WriteProgress progress, void* context) {
  Plan plan;
  if (!PlanWrite(file, plan, error)) return false;
  if (plan.inPlace) return WriteInPlace(file, data, size, error, progress, context);

  const std::string partial = PartialFileFor(plan.name).string();
  auto fail = [&](int code) {
    error = Failed(file, code);
    return false;
  };
  PartialFileGuard guard(partial);
  // O_EXCL makes the file new, and never follows a link planted at its name.
  constexpr int kFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
  int fd = ::open(partial.c_str(), kFlags, 0666);
  if (fd < 0 && errno == EEXIST) {
    // Left by an earlier process of the same number that was killed outright, or planted: the
    // name itself is removed, never what a link there leads to.
    ::unlink(partial.c_str());
    fd = ::open(partial.c_str(), kFlags, 0666);
  }
  if (fd < 0) return fail(errno);

  auto abandon = [&](int code) {
    ::close(fd);
    ::unlink(partial.c_str());
    return fail(code);
  };
  // A file system without permissions (FAT) refuses this; the bytes matter more than the mode.
  if (plan.replaces) (void)::fchmod(fd, plan.mode);
  if (const int code = WriteAll(fd, data, size, progress, context); code != 0) return abandon(code);
  // Some file systems report a full disk or a failed device only when the data reaches it.
  if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) return abandon(errno);
  if (::close(fd) != 0) {
    const int code = errno;
    ::unlink(partial.c_str());
    return fail(code);
  }
  if (::rename(partial.c_str(), plan.name.c_str()) != 0) {
    const int code = errno;
    ::unlink(partial.c_str());
    return fail(code);
  }
  return true;
}

#endif

}  // namespace ombrel::host
