#include "regular_file.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

namespace ombrel::host {
namespace {

std::string NotRegular(const std::string& name, const std::string& kind, FileRole role) {
  return name + ": " + kind + ", not " + role.one + "; " + role.many + " are regular files";
}

std::string TooLarge(const std::string& name, std::uintmax_t size, std::uintmax_t maxBytes, FileRole role) {
  return name + ": the file is " + std::to_string(size) + " bytes; " + role.many + " are limited to " +
         std::to_string(maxBytes) + " bytes";
}

}  // namespace

#if defined(_WIN32)

// Windows has no FIFOs among ordinary paths that a read would wait on: the kind is checked by
// the file's status, then it is read whole.
bool ReadRegularFile(const std::filesystem::path& file, std::uintmax_t maxBytes, FileRole role, std::string& text,
                     std::string& error) {
  const std::string name = file.string();
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(file, ec);
  if (ec || !std::filesystem::exists(status)) {
    error = name + ": cannot read the file: " + (ec ? ec.message() : std::string("no such file"));
    return false;
  }
  if (!std::filesystem::is_regular_file(status)) {
    error = NotRegular(name, std::filesystem::is_directory(status) ? "a folder" : "not a regular file", role);
    return false;
  }
  const std::uintmax_t size = std::filesystem::file_size(file, ec);
  if (!ec && size > maxBytes) {
    error = TooLarge(name, size, maxBytes, role);
    return false;
  }
  std::ifstream in(file, std::ios::binary);
  if (ec || !in) {
    error = name + ": cannot read the file: " + std::strerror(errno);
    return false;
  }
  text.assign(static_cast<size_t>(size), '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  // A file that shrank or grew while being read is not read as another one.
  if (static_cast<size_t>(in.gcount()) != text.size() || in.peek() != std::char_traits<char>::eof()) {
    error = name + ": cannot read the file: it changed while being read";
    return false;
  }
  return true;
}

#else

namespace {

std::string FileKind(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a pipe (FIFO)";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

}  // namespace

// Opened without waiting: opening a FIFO that has no writer would otherwise block for ever.
bool ReadRegularFile(const std::filesystem::path& file, std::uintmax_t maxBytes, FileRole role, std::string& text,
                     std::string& error) {
  const std::string name = file.string();
  const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = name + ": cannot read the file: " + std::strerror(errno);
    return false;
  }
  struct stat info {};
  bool ok = ::fstat(fd, &info) == 0;
  if (!ok) {
    error = name + ": cannot read the file: " + std::strerror(errno);
  } else if (!S_ISREG(info.st_mode)) {
    error = NotRegular(name, FileKind(info.st_mode), role);
    ok = false;
  } else if (static_cast<std::uintmax_t>(info.st_size) > maxBytes) {
    error = TooLarge(name, static_cast<std::uintmax_t>(info.st_size), maxBytes, role);
    ok = false;
  }
  if (ok) {
    text.assign(static_cast<size_t>(info.st_size), '\0');
    size_t done = 0;
    while (done < text.size()) {
      const ssize_t n = ::read(fd, text.data() + done, text.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        error = name + ": cannot read the file: " + std::strerror(errno);
        ok = false;
        break;
      }
      if (n == 0) break;
      done += static_cast<size_t>(n);
    }
    // A file that shrank while being read is not read as a shorter one.
    if (ok && done != text.size()) {
      error = name + ": cannot read the file: it changed while being read";
      ok = false;
    }
  }
  ::close(fd);
  return ok;
}

#endif

}  // namespace ombrel::host
