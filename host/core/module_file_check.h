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
#include <vector>

namespace ombrel::host {

enum class ModuleFormat { Elf, Pe, MachO };

// The format this host loads: ELF on Linux, PE on Windows, Mach-O on macOS.
ModuleFormat NativeModuleFormat();
// "ELF", "PE", "Mach-O".
const char* FormatName(ModuleFormat format);
// The system this host runs on, for messages: "Linux", "Windows", "macOS".
const char* HostSystemName();

// The CPU this host runs modules for, as the module-file readers name it: "x86_64", "arm64".
const char* HostCpuName();

// The format the image's first bytes announce; false when they announce none of the three.
bool DetectModuleFormat(const unsigned char* data, size_t size, ModuleFormat& format);

// Checks the headers of an image of `size` bytes (all of the file) against its size: the header
// tables, every segment's and section's bytes in the file, for the format given (for a universal
// Mach-O file, every slice's range and the x86_64 slice's headers). False with `reason` saying
// what is wrong ("truncated: ...").
bool CheckModuleImage(const unsigned char* data, size_t size, ModuleFormat format, std::string& reason);

// The whole of a module file. It must be a regular file (a pipe or a device is refused without
// being opened, so nothing waits on it) no larger than any module.
bool ReadModuleBytes(const std::filesystem::path& file, std::vector<unsigned char>& data, std::string& reason);

// A file this host can load: ReadModuleBytes, then CheckModuleImage for the native format. A
// file of another format is refused as such ("a Mach-O file, which this host (Linux) cannot
// load").
bool CheckModuleFile(const std::filesystem::path& file, std::string& reason);

}  // namespace ombrel::host

#endif
