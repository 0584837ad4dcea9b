// Writing a file so that it is never seen half-written, even when the disk fills up, the program
// is interrupted while it writes, or another process writes the same file at the same time. The
// one writer of every file the host makes: pictures, scene files, draw logs.
#ifndef OMBREL_HOST_ATOMIC_FILE_H
#define OMBREL_HOST_ATOMIC_FILE_H

#include <cstddef>
#include <filesystem>
#include <string>

namespace ombrel::host {

// Told after every chunk how many bytes are written so far.
using WriteProgress = void (*)(size_t written, void* context);

// Writes `size` bytes as `file`. What happens depends on what `file` names:
// - nothing, or a regular file: the bytes go to a hidden file beside it, of a name of this
//   process's own, created exclusively (a link planted at that name is never followed), flushed
//   to the disk and only then renamed over `file`. A failed write leaves an existing file as it
//   was; of two processes writing the same file, the last to rename wins and the file holds its
//   bytes whole. The new file keeps the permissions of the one it replaces.
// - a symbolic link: it is followed to its file (made when the link dangles), which is replaced
//   as above in its own folder; the link itself stays, as a shell's `>` would keep it.
// - a character device or a FIFO (/dev/null, /dev/stdout on a terminal or a pipe, a named pipe):
//   written in place, as a shell's `>` would write it, so `-o /dev/stdout` works; a FIFO waits
//   for its reader. A device that refuses the bytes fails with the system's reason (a full
//   device: "No space left on device"). The node is never replaced.
// - a folder, a block device or a socket: refused, and left as it is.
// Any failure removes the hidden file and gives a message naming `file` and the reason. On
// Linux, SIGINT, SIGTERM and SIGHUP that arrive while the hidden file exists remove it before the
// program ends as the signal asks (signals the program ignores stay ignored). On Windows anything
// but a file on a disk (a device such as NUL) is refused. Main thread.
bool WriteFileAtomically(const std::filesystem::path& file, const void* data, size_t size, std::string& error,
                         WriteProgress progress = nullptr, void* context = nullptr);

// Whether WriteFileAtomically would take `file` as a target: a name of nothing or of a kind it
// writes, in a folder that exists and that the user may write to (a device or FIFO excepted).
// For commands that check their output before long work; the write checks again. False with
// the message the write would give.
bool CanWriteFileAt(const std::filesystem::path& file, std::string& error);

// The hidden file's name for `file` while this process writes it (cut to the system's longest
// file name when `file`'s name is near it).
std::filesystem::path PartialFileFor(const std::filesystem::path& file);

}  // namespace ombrel::host

#endif
