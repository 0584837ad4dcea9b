// Writing a file so that it is never seen half-written, even when the disk fills up or the
// program is interrupted while it writes.
#ifndef OMBREL_HOST_ATOMIC_FILE_H
#define OMBREL_HOST_ATOMIC_FILE_H

#include <cstddef>
#include <filesystem>
#include <string>

namespace ombrel::host {

// Told after every chunk how many bytes are written so far.
using WriteProgress = void (*)(size_t written, void* context);

// Writes `size` bytes to a hidden file beside `file`, flushes it to the disk and only then puts
// it in place of `file`, so a failed write leaves an existing file as it was. Any failure
// (a full disk, a folder the user may not write to, a folder in the way) removes the hidden
// file and gives a message naming `file` and the system's reason. On Linux, SIGINT, SIGTERM and
// SIGHUP that arrive while the hidden file exists remove it before the program ends as the
// signal asks (signals the program ignores stay ignored). Main thread.
bool WriteFileAtomically(const std::filesystem::path& file, const void* data, size_t size, std::string& error,
                         WriteProgress progress = nullptr, void* context = nullptr);

// The hidden file's name for `file` while this process writes it.
std::filesystem::path PartialFileFor(const std::filesystem::path& file);

}  // namespace ombrel::host

#endif
