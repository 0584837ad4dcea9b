#include "macho_image.h"

#include <cstdio>

namespace ombrel::host::macho {
namespace {

std::string Hex(uint64_t v) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "0x%llX", static_cast<unsigned long long>(v));
  return buf;
}


// A universal file names at most a handful of slices; a larger count is more likely another
// kind of file that shares the magic number (a Java class file).
constexpr uint64_t kMaxSlices = 32;

uint32_t FirstWord(const ImageBytes& file) { return file.Size() >= 4 ? static_cast<uint32_t>(file.U(0, 4)) : 0; }

// A segment's name: 16 bytes, NUL-padded, printable ASCII only.
std::string SegmentName(const ImageBytes& image, uint64_t at) {
  std::string name;
  for (uint64_t i = 0; i < 16; ++i) {
    const unsigned char ch = image.Data()[at + i];
    if (ch == 0) break;
    name += ch >= 0x20 && ch < 0x7F ? static_cast<char>(ch) : '?';
  }
  return name;
}

bool IsZeroFill(uint32_t sectionFlags) {
  const uint32_t type = sectionFlags & 0xFF;
  return type == 0x1 || type == 0xC || type == 0x12;  // S_ZEROFILL, S_GB_ZEROFILL, S_THREAD_LOCAL_ZEROFILL
}

bool CheckSegment(const ImageBytes& image, size_t index, const LoadCommand& c, std::string& reason) {
  const std::string label = CommandLabel(index, c.cmd);
  if (c.size < 72) {
    reason = label + " is " + std::to_string(c.size) + " bytes, too short for a segment";
    return false;
  }
  const std::string name = "segment " + SegmentName(image, c.offset + 8);
  const uint64_t vmsize = image.U(c.offset + 32, 8);
  const uint64_t fileoff = image.U(c.offset + 40, 8);
  const uint64_t filesize = image.U(c.offset + 48, 8);
  const uint64_t sections = image.U(c.offset + 64, 4);
  if (sections > (c.size - 72) / 80) {
    reason = name + " lists " + std::to_string(sections) + " sections, more than its load command holds";
    return false;
  }
  if (filesize != 0 && Truncated(image, name, fileoff, filesize, reason)) return false;
  if (filesize > vmsize) {
    reason = name + " holds more bytes in the file than in memory";
    return false;
  }
  for (uint64_t s = 0; s < sections; ++s) {
    const uint64_t at = c.offset + 72 + s * 80;
    const uint64_t size = image.U(at + 40, 8);
    const uint64_t offset = image.U(at + 48, 4);
    if (size == 0 || IsZeroFill(static_cast<uint32_t>(image.U(at + 64, 4)))) continue;
    if (Truncated(image, "section " + SegmentName(image, at) + " of " + name, offset, size, reason)) return false;
  }
  return true;
}

// A table the loader reads from the link-edit data: offset and size fields at `at` and `at + 4`
// of the command, the size counted in entries of `entry` bytes.
bool CheckTable(const ImageBytes& image, const LoadCommand& c, uint64_t at, uint64_t entry, const std::string& what,
                std::string& reason) {
  const uint64_t offset = image.U(c.offset + at, 4);
  const uint64_t count = image.U(c.offset + at + 4, 4);
  if (count == 0) return true;
  return !Truncated(image, what, offset, count * entry, reason);
}

bool CheckCommand(const ImageBytes& image, size_t index, const LoadCommand& c, std::string& reason) {
  const std::string label = CommandLabel(index, c.cmd);
  const auto needs = [&](uint32_t bytes) {
    if (c.size >= bytes) return true;
    reason = label + " is " + std::to_string(c.size) + " bytes, shorter than its " + std::to_string(bytes);
    return false;
  };
  switch (c.cmd) {
    case kSegment64:
      return CheckSegment(image, index, c, reason);
    case kSymtab:
      return needs(24) && CheckTable(image, c, 8, 16, "the symbol table", reason) &&
             CheckTable(image, c, 16, 1, "the symbol name table", reason);
    case kDyldInfo:
    case kDyldInfoOnly:
      return needs(48) && CheckTable(image, c, 8, 1, "the rebase information", reason) &&
             CheckTable(image, c, 16, 1, "the binding information", reason) &&
             CheckTable(image, c, 24, 1, "the weak binding information", reason) &&
             CheckTable(image, c, 32, 1, "the lazy binding information", reason) &&
             CheckTable(image, c, 40, 1, "the export trie", reason);
    case kDyldExportsTrie:
    case 0x34 | kReqDyld:  // LC_DYLD_CHAINED_FIXUPS
    case 0x1D:             // LC_CODE_SIGNATURE
    case 0x26:             // LC_FUNCTION_STARTS
    case 0x29:             // LC_DATA_IN_CODE
      return needs(16) && CheckTable(image, c, 8, 1, "the data of " + label, reason);
    default:
      return true;
  }
}

}  // namespace

bool LooksLikeMachO(const ImageBytes& file) {
  const uint32_t magic = FirstWord(file);
  if (magic == kMagic64 || magic == kMagic32 || magic == kSwappedMagic64 || magic == kSwappedMagic32) return true;
  if (file.Size() < 8) return false;
  const uint64_t big = file.UBig(0, 4);
  const uint64_t slices = file.UBig(4, 4);
  return (big == kFatMagic || big == kFatMagic64) && slices >= 1 && slices <= kMaxSlices;
}

bool FindSlice(const ImageBytes& file, Slice& slice, std::string& reason) {
  slice = Slice{0, file.Size(), ""};
  const uint32_t magic = FirstWord(file);
  if (magic == kMagic64) return true;
  if (magic == kMagic32) {
    reason = "a 32-bit Mach-O file" +
             (file.Holds(4, 8) ? " for " + CpuName(static_cast<uint32_t>(file.U(4, 4)), static_cast<uint32_t>(file.U(8, 4)))
                               : std::string()) +
             "; modules are 64-bit";
    return false;
  }
  if (magic == kSwappedMagic64 || magic == kSwappedMagic32) {
    reason = "a big-endian Mach-O file (PowerPC); modules are little-endian";
    return false;
  }
  if (file.Size() < 8) {
    reason = "not a Mach-O file";
    return false;
  }
  const uint64_t big = file.UBig(0, 4);
  if (big != kFatMagic && big != kFatMagic64) {
    reason = "not a Mach-O file";
    return false;
  }
  // The universal header is big-endian whatever its slices are.
  const bool wide = big == kFatMagic64;
  const uint64_t count = file.UBig(4, 4);
  const uint64_t entry = wide ? 32 : 20;
  if (count == 0 || count > kMaxSlices) {
    reason = "a universal file header naming " + std::to_string(count) + " slices";
    return false;
  }
  if (Truncated(file, "the universal file's slice table", 8, count * entry, reason)) return false;
  std::string names;
  bool found = false;
  for (uint64_t i = 0; i < count; ++i) {
    const uint64_t at = 8 + i * entry;
    const auto cpu = static_cast<uint32_t>(file.UBig(at, 4));
    const auto sub = static_cast<uint32_t>(file.UBig(at + 4, 4));
    const uint64_t offset = wide ? file.UBig(at + 8, 8) : file.UBig(at + 8, 4);
    const uint64_t size = wide ? file.UBig(at + 16, 8) : file.UBig(at + 12, 4);
    const std::string name = CpuName(cpu, sub);
    names += (names.empty() ? "" : ", ") + name;
    if (Truncated(file, "the " + name + " slice", offset, size, reason)) return false;
    if (cpu == kCpuX86_64 && !found) {
      found = true;
      slice.offset = offset;
      slice.size = size;
    }
  }
  if (!found) {
    reason = "a universal file without an x86_64 slice (it holds " + names + ")";
    return false;
  }
  slice.universal = "x86_64 slice of a universal file (" + names + ")";
  const ImageBytes thin(file.Data() + slice.offset, static_cast<size_t>(slice.size));
  if (FirstWord(thin) != kMagic64) {
    reason = "the x86_64 slice of the universal file is not a 64-bit Mach-O image";
    return false;
  }
  return true;
}

bool ReadHeader(const ImageBytes& image, Header& header, std::string& reason) {
  if (FirstWord(image) != kMagic64) {
    reason = "not a 64-bit Mach-O image";
    return false;
  }
  if (Truncated(image, "the Mach-O header", 0, kHeaderSize, reason)) return false;
  header.cpuType = static_cast<uint32_t>(image.U(4, 4));
  header.cpuSubtype = static_cast<uint32_t>(image.U(8, 4));
  header.fileType = static_cast<uint32_t>(image.U(12, 4));
  const uint64_t count = image.U(16, 4);
  const uint64_t tableSize = image.U(20, 4);
  header.flags = static_cast<uint32_t>(image.U(24, 4));
  header.commands.clear();
  if (Truncated(image, "the load command table", kHeaderSize, tableSize, reason)) return false;
  const uint64_t end = kHeaderSize + tableSize;
  uint64_t at = kHeaderSize;
  // Every command takes at least 8 bytes of the table, so a huge count ends at the table's end.
  for (uint64_t i = 0; i < count; ++i) {
    const std::string label = "load command " + std::to_string(i);
    if (end - at < 8) {
      reason = label + " lies past the end of the load commands (" + std::to_string(tableSize) + " bytes)";
      return false;
    }
    const auto cmd = static_cast<uint32_t>(image.U(at, 4));
    const auto size = static_cast<uint32_t>(image.U(at + 4, 4));
    if (size < 8 || size % 8 != 0) {
      reason = CommandLabel(static_cast<size_t>(i), cmd) + " gives its size as " + std::to_string(size) +
               " bytes, not a multiple of 8 from 8 on";
      return false;
    }
    if (size > end - at) {
      reason = CommandLabel(static_cast<size_t>(i), cmd) + " runs past the end of the load commands";
      return false;
    }
    header.commands.push_back(LoadCommand{cmd, at, size});
    at += size;
  }
  return true;
}

bool CheckImage(const ImageBytes& image, std::string& reason) {
  Header header;
  if (!ReadHeader(image, header, reason)) return false;
  for (size_t i = 0; i < header.commands.size(); ++i) {
    if (!CheckCommand(image, i, header.commands[i], reason)) return false;
  }
  return true;
}

std::string CpuName(uint32_t cpuType, uint32_t cpuSubtype) {
  switch (cpuType) {
    case kCpuX86_64: return "x86_64";
    case kCpuArm64: return (cpuSubtype & 0xFFFFFF) == 2 ? "arm64e" : "arm64";
    case 7: return "i386";
    case 12: return "arm";
    case 0x0200000C: return "arm64_32";
    case 18: return "ppc";
    case 0x01000012: return "ppc64";
    default: return "CPU type " + Hex(cpuType);
  }
}

std::string FileTypeName(uint32_t fileType) {
  switch (fileType) {
    case 1: return "object file";
    case 2: return "executable";
    case 6: return "dylib";
    case 7: return "dynamic linker";
    case 8: return "bundle";
    case 9: return "dylib stub";
    case 10: return "debug symbols file";
    case 11: return "kernel extension";
    default: return "file type " + std::to_string(fileType);
  }
}

std::string CommandName(uint32_t cmd) {
  switch (cmd) {
    case kSegment64: return "LC_SEGMENT_64";
    case kSymtab: return "LC_SYMTAB";
    case 0xB: return "LC_DYSYMTAB";
    case kLoadDylib: return "LC_LOAD_DYLIB";
    case 0xD: return "LC_ID_DYLIB";
    case 0xE: return "LC_LOAD_DYLINKER";
    case kLoadWeakDylib: return "LC_LOAD_WEAK_DYLIB";
    case kReexportDylib: return "LC_REEXPORT_DYLIB";
    case kLazyLoadDylib: return "LC_LAZY_LOAD_DYLIB";
    case kLoadUpwardDylib: return "LC_LOAD_UPWARD_DYLIB";
    case kDyldInfo: return "LC_DYLD_INFO";
    case kDyldInfoOnly: return "LC_DYLD_INFO_ONLY";
    case kDyldExportsTrie: return "LC_DYLD_EXPORTS_TRIE";
    case 0x34 | kReqDyld: return "LC_DYLD_CHAINED_FIXUPS";
    case kBuildVersion: return "LC_BUILD_VERSION";
    case kVersionMinMacOs: return "LC_VERSION_MIN_MACOSX";
    case 0x1D: return "LC_CODE_SIGNATURE";
    case 0x26: return "LC_FUNCTION_STARTS";
    case 0x29: return "LC_DATA_IN_CODE";
    case 0x1B: return "LC_UUID";
    case 0x2A: return "LC_SOURCE_VERSION";
    case 0x1C | kReqDyld: return "LC_RPATH";
    default: return "load command " + Hex(cmd);
  }
}

std::string CommandLabel(size_t index, uint32_t cmd) {
  return "load command " + std::to_string(index) + " (" + CommandName(cmd) + ")";
}

}  // namespace ombrel::host::macho
