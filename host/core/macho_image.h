// The frame of a Mach-O file: which image of a universal file is ours, its header, and its
// table of load commands, each command checked to lie inside the table. The truncation check and
// the reader of a module's exports and imports both walk the file through this.
#ifndef OMBREL_HOST_MACHO_IMAGE_H
#define OMBREL_HOST_MACHO_IMAGE_H

#include <cstdint>
#include <string>
#include <vector>

#include "image_bytes.h"

namespace ombrel::host::macho {

// Magic numbers as a little-endian read of the first four bytes sees them, except the
// universal file's, whose header is big-endian and is read so.
constexpr uint32_t kMagic64 = 0xFEEDFACF;
constexpr uint32_t kMagic32 = 0xFEEDFACE;
constexpr uint32_t kSwappedMagic64 = 0xCFFAEDFE;  // a big-endian file
constexpr uint32_t kSwappedMagic32 = 0xCEFAEDFE;
constexpr uint32_t kFatMagic = 0xCAFEBABE;
constexpr uint32_t kFatMagic64 = 0xCAFEBABF;

constexpr uint32_t kCpuX86_64 = 0x01000007;
constexpr uint32_t kCpuArm64 = 0x0100000C;

constexpr uint32_t kFileDylib = 6;
constexpr uint32_t kFileBundle = 8;

constexpr uint32_t kFlagTwoLevel = 0x80;
constexpr uint32_t kFlagForceFlat = 0x100;

constexpr uint32_t kReqDyld = 0x80000000;
constexpr uint32_t kSegment64 = 0x19;
constexpr uint32_t kSymtab = 0x2;
constexpr uint32_t kLoadDylib = 0xC;
constexpr uint32_t kLoadWeakDylib = 0x18 | kReqDyld;
constexpr uint32_t kReexportDylib = 0x1F | kReqDyld;
constexpr uint32_t kLazyLoadDylib = 0x20;
constexpr uint32_t kLoadUpwardDylib = 0x23 | kReqDyld;
constexpr uint32_t kDyldInfo = 0x22;
constexpr uint32_t kDyldInfoOnly = 0x22 | kReqDyld;
constexpr uint32_t kDyldExportsTrie = 0x33 | kReqDyld;
constexpr uint32_t kBuildVersion = 0x32;
constexpr uint32_t kVersionMinMacOs = 0x24;
constexpr uint32_t kVersionMinIPhoneOs = 0x25;
constexpr uint32_t kVersionMinTvOs = 0x2F;
constexpr uint32_t kVersionMinWatchOs = 0x30;

constexpr uint64_t kHeaderSize = 32;  // mach_header_64

// Whether the file starts like a Mach-O file of any kind (thin, either byte order or width,
// or universal).
bool LooksLikeMachO(const ImageBytes& file);

// Where the 64-bit little-endian image lies in the file: the whole file, or the x86_64 slice of
// a universal file (which `universal` then describes, "x86_64 slice of a universal file (x86_64,
// arm64)"). False with a reason for a universal file without an x86_64 slice and for the kinds
// of Mach-O file no module is (32-bit, big-endian).
struct Slice {
  uint64_t offset = 0;
  uint64_t size = 0;
  std::string universal;
};
bool FindSlice(const ImageBytes& file, Slice& slice, std::string& reason);

struct LoadCommand {
  uint32_t cmd = 0;
  uint64_t offset = 0;  // from the start of the image
  uint32_t size = 0;
};

struct Header {
  uint32_t cpuType = 0;
  uint32_t cpuSubtype = 0;
  uint32_t fileType = 0;
  uint32_t flags = 0;
  std::vector<LoadCommand> commands;
};

// The header and load commands of a thin 64-bit little-endian image. False with a reason when
// the table or a command does not lie where the header says.
bool ReadHeader(const ImageBytes& image, Header& header, std::string& reason);

// The truncation check of a thin image: the load commands, every segment's and section's bytes,
// and the link-edit tables the loader reads, all inside the image.
bool CheckImage(const ImageBytes& image, std::string& reason);

// "x86_64", "arm64", "i386", ...; "CPU type 0x..." for others.
std::string CpuName(uint32_t cpuType, uint32_t cpuSubtype);
// "dylib", "bundle", "executable", ...
std::string FileTypeName(uint32_t fileType);
// "LC_SEGMENT_64", ...; "load command 0x..." for others.
std::string CommandName(uint32_t cmd);
// "load command 3 (LC_SYMTAB)"
std::string CommandLabel(size_t index, uint32_t cmd);

}  // namespace ombrel::host::macho

#endif
