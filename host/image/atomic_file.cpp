#include "image/atomic_file.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
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

#if defined(_WIN32)

// Windows has no signals to clean up after: Ctrl-C ends the program outright, and a hidden file
// left then is replaced by the next write of the same process number.
std::filesystem::path PartialFileFor(const std::filesystem::path& file) {
  std::filesystem::path partial = file;
  partial.replace_filename("." + file.filename().string() + ".partial-" + std::to_string(GetCurrentProcessId()));
  return partial;
}

bool WriteFileAtomically(const std::filesystem::path& file, const void* data, size_t size, std::string& error,
                         WriteProgress progress, void* context) {
  const std::filesystem::path partial = PartialFileFor(file);
  auto fail = [&](DWORD code) {
    error = "cannot write \"" + file.string() + "\": " + std::system_category().message(static_cast<int>(code));
    return false;
  };
  HANDLE handle = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return fail(GetLastError());
  auto abandon = [&](DWORD code) {
    CloseHandle(handle);
    DeleteFileW(partial.c_str());
    return fail(code);
  };
  const auto* bytes = static_cast<const unsigned char*>(data);
  size_t written = 0;
  while (written < size) {
    const DWORD want = static_cast<DWORD>(std::min<size_t>(size_t{1} << 20, size - written));
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

constexpr size_t kChunk = size_t{1} << 20;
constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP};

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

std::string Quoted(const std::filesystem::path& file) { return "\"" + file.string() + "\""; }

}  // namespace

std::filesystem::path PartialFileFor(const std::filesystem::path& file) {
  std::filesystem::path partial = file;
  partial.replace_filename("." + file.filename().string() + ".partial-" + std::to_string(::getpid()));
  return partial;
}

bool WriteFileAtomically(const std::filesystem::path& file, const void* data, size_t size, std::string& error,
                         WriteProgress progress, void* context) {
  const std::string partial = PartialFileFor(file).string();
  auto fail = [&](int code) {
    error = "cannot write " + Quoted(file) + ": " + std::strerror(code);
    return false;
  };

  PartialFileGuard guard(partial);
  int fd = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0 && errno == EEXIST) {
    // Left by an earlier process of the same number that was killed outright.
    ::unlink(partial.c_str());
    fd = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  }
  if (fd < 0) return fail(errno);

  auto abandon = [&](int code) {
    ::close(fd);
    ::unlink(partial.c_str());
    return fail(code);
  };
  const auto* bytes = static_cast<const unsigned char*>(data);
  size_t written = 0;
  while (written < size) {
    const size_t want = std::min(kChunk, size - written);
    const ssize_t n = ::write(fd, bytes + written, want);
    if (n < 0) {
      if (errno == EINTR) continue;
      return abandon(errno);
    }
    if (n == 0) return abandon(ENOSPC);
    written += static_cast<size_t>(n);
    if (progress) progress(written, context);
  }
  // Some file systems report a full disk or a failed device only when the data reaches it.
  if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) return abandon(errno);
  if (::close(fd) != 0) {
    const int code = errno;
    ::unlink(partial.c_str());
    return fail(code);
  }
  if (::rename(partial.c_str(), file.c_str()) != 0) {
    const int code = errno;
    ::unlink(partial.c_str());
    return fail(code);
  }
  return true;
}

#endif

}  // namespace ombrel::host
