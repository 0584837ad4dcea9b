// Reading a whole file that the user names as input: only a regular file is read, so a folder,
// a FIFO with no writer or a device given by mistake is named and refused instead of blocking
// the host, feeding it bytes without end, or failing deep inside a reader.
#ifndef OMBREL_HOST_REGULAR_FILE_H
#define OMBREL_HOST_REGULAR_FILE_H

#include <cstdint>
#include <filesystem>
#include <string>

namespace ombrel::host {

// What a file holds, for messages: {"an edit script", "edit scripts"} gives
// "x: a folder, not an edit script; edit scripts are regular files".
struct FileRole {
  const char* one;
  const char* many;
};

// The bytes of `file`, at most `maxBytes` of them. False with `error` naming the file and the
// reason (no such file, its kind, its size, the system's reason).
bool ReadRegularFile(const std::filesystem::path& file, std::uintmax_t maxBytes, FileRole role, std::string& text,
                     std::string& error);

}  // namespace ombrel::host

#endif
