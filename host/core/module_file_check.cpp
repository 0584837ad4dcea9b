#include "module_file_check.h"

#include <fstream>

#include "macho_image.h"

namespace ombrel::host {
namespace {

using Bytes = ImageBytes;


bool CheckElf(const Bytes& b, std::string& reason) {
  if (b.Size() < 16 || b.U(0, 4) != 0x464C457Fu) {  // "\x7F" "ELF"
    reason = "not an ELF file";
    return false;
  }
  const uint64_t elfClass = b.U(4, 1);
  if (elfClass != 1 && elfClass != 2) {
    reason = "unknown ELF class " + std::to_string(elfClass);
    return false;
  }
  if (b.U(5, 1) != 1) {
    reason = "not a little-endian ELF file";
    return false;
  }
  const bool wide = elfClass == 2;
  const uint64_t headerSize = wide ? 64 : 52;
  if (Truncated(b, "the ELF header", 0, headerSize, reason)) return false;
  const int word = wide ? 8 : 4;
  const uint64_t phoff = b.U(wide ? 32 : 28, word);
  const uint64_t shoff = b.U(wide ? 40 : 32, word);
  const uint64_t phentsize = b.U(wide ? 54 : 42, 2);
  const uint64_t phnum = b.U(wide ? 56 : 44, 2);
  const uint64_t shentsize = b.U(wide ? 58 : 46, 2);
  const uint64_t shnum = b.U(wide ? 60 : 48, 2);
  const uint64_t minPh = wide ? 56 : 32;
  const uint64_t minSh = wide ? 64 : 40;
  if (phnum == 0) {
    reason = "no program headers: nothing to load";
    return false;
  }
  if (phentsize < minPh) {
    reason = "program header entries of " + std::to_string(phentsize) + " bytes";
    return false;
  }
  if (Truncated(b, "the program header table", phoff, phnum * phentsize, reason)) return false;
  for (uint64_t i = 0; i < phnum; ++i) {
    const uint64_t at = phoff + i * phentsize;
    const uint64_t type = b.U(at, 4);
    const uint64_t offset = b.U(at + (wide ? 8 : 4), word);
    const uint64_t filesz = b.U(at + (wide ? 32 : 16), word);
    const uint64_t memsz = b.U(at + (wide ? 40 : 20), word);
    if (filesz == 0) continue;
    if (Truncated(b, "segment " + std::to_string(i), offset, filesz, reason)) return false;
    if (type == 1 && filesz > memsz) {  // PT_LOAD
      reason = "segment " + std::to_string(i) + " holds more bytes in the file than in memory";
      return false;
    }
  }
  if (shnum == 0) return true;
  if (shentsize < minSh) {
    reason = "section header entries of " + std::to_string(shentsize) + " bytes";
    return false;
  }
  // The section table sits at the end of the file: a cut anywhere past the segments shows here.
  if (Truncated(b, "the section header table", shoff, shnum * shentsize, reason)) return false;
  for (uint64_t i = 0; i < shnum; ++i) {
    const uint64_t at = shoff + i * shentsize;
    const uint64_t type = b.U(at + 4, 4);
    const uint64_t offset = b.U(at + (wide ? 24 : 16), word);
    const uint64_t size = b.U(at + (wide ? 32 : 20), word);
    if (type == 8 || type == 0 || size == 0) continue;  // SHT_NOBITS and SHT_NULL take no file bytes
    if (Truncated(b, "section " + std::to_string(i), offset, size, reason)) return false;
  }
  return true;
}

bool CheckPe(const Bytes& b, std::string& reason) {
  if (b.Size() < 64 || b.U(0, 2) != 0x5A4Du) {  // "MZ"
    reason = "not a PE file";
    return false;
  }
  const uint64_t pe = b.U(0x3C, 4);
  if (Truncated(b, "the PE header", pe, 24, reason)) return false;
  if (b.U(pe, 4) != 0x00004550u) {  // "PE\0\0"
    reason = "no PE signature";
    return false;
  }
  const uint64_t sections = b.U(pe + 6, 2);
  const uint64_t optionalSize = b.U(pe + 20, 2);
  const uint64_t optional = pe + 24;
  if (Truncated(b, "the optional header", optional, optionalSize, reason)) return false;
  if (optionalSize < 64) {
    reason = "an optional header of " + std::to_string(optionalSize) + " bytes";
    return false;
  }
  const uint64_t magic = b.U(optional, 2);
  if (magic != 0x10B && magic != 0x20B) {
    reason = "unknown optional header kind " + std::to_string(magic);
    return false;
  }
  const uint64_t sizeOfHeaders = b.U(optional + 60, 4);
  if (Truncated(b, "the headers", 0, sizeOfHeaders, reason)) return false;
  const uint64_t table = optional + optionalSize;
  if (Truncated(b, "the section table", table, sections * 40, reason)) return false;
  for (uint64_t i = 0; i < sections; ++i) {
    const uint64_t at = table + i * 40;
    const uint64_t rawSize = b.U(at + 16, 4);
    const uint64_t rawOffset = b.U(at + 20, 4);
    if (rawSize == 0) continue;
    if (Truncated(b, "section " + std::to_string(i), rawOffset, rawSize, reason)) return false;
  }
  return true;
}

bool CheckMachO(const Bytes& b, std::string& reason) {
  if (!macho::LooksLikeMachO(b)) {
    reason = "not a Mach-O file";
    return false;
  }
  macho::Slice slice;
  if (!macho::FindSlice(b, slice, reason)) return false;
  return macho::CheckImage(Bytes(b.Data() + slice.offset, static_cast<size_t>(slice.size)), reason);
}

}  // namespace

ModuleFormat NativeModuleFormat() {
#if defined(_WIN32)
  return ModuleFormat::Pe;
#elif defined(__APPLE__)
  return ModuleFormat::MachO;
#else
  return ModuleFormat::Elf;
#endif
}

const char* FormatName(ModuleFormat format) {
  switch (format) {
    case ModuleFormat::Elf: return "ELF";
    case ModuleFormat::Pe: return "PE";
    case ModuleFormat::MachO: return "Mach-O";
  }
  return "unknown";
}

const char* HostSystemName() {
#if defined(_WIN32)
  return "Windows";
#elif defined(__APPLE__)
  return "macOS";
#else
  return "Linux";
#endif
}

const char* HostCpuName() {
#if defined(__x86_64__) || defined(_M_X64)
  return "x86_64";
#elif defined(__aarch64__) || defined(_M_ARM64)
  return "arm64";
#elif defined(__i386__) || defined(_M_IX86)
  return "i386";
#else
  return "an unknown CPU";
#endif
}

bool DetectModuleFormat(const unsigned char* data, size_t size, ModuleFormat& format) {
  const Bytes b(data, size);
  if (b.Size() >= 4 && b.U(0, 4) == 0x464C457Fu) format = ModuleFormat::Elf;
  else if (b.Size() >= 2 && b.U(0, 2) == 0x5A4Du) format = ModuleFormat::Pe;
  else if (macho::LooksLikeMachO(b)) format = ModuleFormat::MachO;
  else return false;
  return true;
}

bool CheckModuleImage(const unsigned char* data, size_t size, ModuleFormat format, std::string& reason) {
  const Bytes bytes(data, size);
  switch (format) {
    case ModuleFormat::Elf: return CheckElf(bytes, reason);
    case ModuleFormat::Pe: return CheckPe(bytes, reason);
    case ModuleFormat::MachO: return CheckMachO(bytes, reason);
  }
  reason = "unknown format";
  return false;
}

bool ReadModuleBytes(const std::filesystem::path& file, std::vector<unsigned char>& data, std::string& reason) {
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(file, ec);
  if (ec || !std::filesystem::exists(status)) {
    reason = "no such file";
    return false;
  }
  if (std::filesystem::is_directory(status)) {
    reason = "a folder, not a module file";
    return false;
  }
  if (!std::filesystem::is_regular_file(status)) {
    reason = "not a regular file (a pipe, socket or device)";
    return false;
  }
  std::ifstream in(file, std::ios::binary);
  data.clear();
  if (in) {
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(0, std::ios::beg);
    // The whole file is read to check it; no module comes near this size.
    constexpr std::streamoff kMaxModuleBytes = std::streamoff{1} << 30;
    if (size > kMaxModuleBytes) {
      reason = "the file is " + std::to_string(size) + " bytes, larger than any module";
      return false;
    }
    if (size > 0) {
      data.resize(static_cast<size_t>(size));
      in.read(reinterpret_cast<char*>(data.data()), size);
    }
  }
  if (!in) {
    reason = "cannot be read";
    return false;
  }
  return true;
}

bool CheckModuleFile(const std::filesystem::path& file, std::string& reason) {
  std::vector<unsigned char> data;
  if (!ReadModuleBytes(file, data, reason)) return false;
  ModuleFormat format = NativeModuleFormat();
  if (DetectModuleFormat(data.data(), data.size(), format) && format != NativeModuleFormat()) {
    reason = std::string(format == ModuleFormat::Elf ? "an " : "a ") + FormatName(format) + " file, which this host (" +
             HostSystemName() + ") cannot load";
    return false;
  }
  return CheckModuleImage(data.data(), data.size(), NativeModuleFormat(), reason);
}

}  // namespace ombrel::host
