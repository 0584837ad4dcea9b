// A look at a module file before the system loader maps it. The loader trusts the file's
// headers: a truncated file whose segments reach past its end is mapped anyway, and the process
// dies with SIGBUS on the first touch of the missing pages. Refusing such a file here turns a
// crash into a message.
#ifndef OMBREL_HOST_MODULE_FILE_CHECK_H
#define OMBREL_HOST_MODULE_FILE_CHECK_H

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace ombrel::host {

enum class ModuleFormat { Elf, Pe };

// The format this host loads: ELF on Linux, PE on Windows.
ModuleFormat NativeModuleFormat();

// Checks the headers of an ELF or PE image of `size` bytes (all of the file) against its size:
// the header tables, every segment's and section's bytes in the file, for the format given.
// False with `reason` saying what is wrong ("truncated: ...").
bool CheckModuleImage(const unsigned char* data, size_t size, ModuleFormat format, std::string& reason);

// The same for a file: it must be a regular file (a pipe or a device is refused without being
// opened, so nothing waits on it) and pass CheckModuleImage for the native format.
bool CheckModuleFile(const std::filesystem::path& file, std::string& reason);

}  // namespace ombrel::host

#endif
