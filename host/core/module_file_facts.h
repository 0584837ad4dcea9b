// What a module file says about itself without being loaded: its format, CPU and file type, the
// names it exports and the libraries it needs. Read from the file's own tables, for any of the
// three formats on any host, so a module built for another system can be checked here too.
#ifndef OMBREL_HOST_MODULE_FILE_FACTS_H
#define OMBREL_HOST_MODULE_FILE_FACTS_H

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "module_file_check.h"

namespace ombrel::host {

struct ModuleFileFacts {
  ModuleFormat format = ModuleFormat::Elf;
  std::string cpu;       // "x86_64", "arm64", "i386", ...
  std::string fileType;  // "shared object", "DLL", "dylib", "bundle", "executable", ...
  bool library = false;  // a file type a host opens as a plug-in module
  // Names as the loader looks them up: Mach-O names carry their leading underscore, a PE export
  // without a name appears as "ordinal N".
  std::vector<std::string> exports;
  std::vector<std::string> imports;  // the libraries it needs, in the file's order
  // Exports the file itself marks as data, not code: an ELF object or TLS symbol, a PE export
  // into a section that is not executable, a Mach-O symbol in a section without instructions.
  std::vector<std::string> dataExports;

  // Mach-O only.
  std::string universal;      // "x86_64 slice of a universal file (...)"; empty for a thin file
  std::string platform;       // "macOS", "iOS", ...; empty when the file names none
  std::string minimumOs;      // "11.0"; empty when the file states none
  bool flatNamespace = false; // the header binds every undefined symbol in one namespace
  std::vector<std::string> flatLookups;  // undefined symbols looked up in whatever is loaded
  // Where the file's own tables disagree (the export trie and the symbol table), one line each.
  std::vector<std::string> disagreements;
};

// The facts of an image of `size` bytes; the format is taken from its first bytes and its
// headers must pass CheckModuleImage. False with a reason when the image is of no known format,
// damaged, or of a kind no module is (a 32-bit Mach-O file, a universal file without x86_64).
bool ReadModuleFacts(const unsigned char* data, size_t size, ModuleFileFacts& facts, std::string& reason);

// The same for a file (ReadModuleBytes, then ReadModuleFacts).
bool ReadModuleFileFacts(const std::filesystem::path& file, ModuleFileFacts& facts, std::string& reason);

// "a Mach-O x86_64 dylib", "an ELF x86_64 shared object", "a PE i386 DLL".
std::string DescribeModule(const ModuleFileFacts& facts);

}  // namespace ombrel::host

#endif
