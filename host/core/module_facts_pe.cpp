// A PE module's facts: the names of its export directory (what GetProcAddress can find, and
// exports by ordinal only) and the DLLs of its import and delay-load import directories.
#include <algorithm>
#include <cstdio>

#include "module_facts_readers.h"

namespace ombrel::host {
namespace {

constexpr uint64_t kCharacteristicExecutable = 0x0002;
constexpr uint64_t kCharacteristicDll = 0x2000;
constexpr uint64_t kSectionCode = 0x20;            // IMAGE_SCN_CNT_CODE
constexpr uint64_t kSectionExecute = 0x20000000;   // IMAGE_SCN_MEM_EXECUTE
constexpr uint64_t kDirectoryExports = 0;
constexpr uint64_t kDirectoryImports = 1;
constexpr uint64_t kDirectoryDelayImports = 13;
// More than any real DLL has; the tables are also bounded by the file, this bounds the work.
constexpr uint64_t kMaxExports = 1u << 20;
constexpr uint64_t kMaxImportedDlls = 4096;

std::string MachineName(uint64_t machine) {
  switch (machine) {
    case 0x8664: return "x86_64";
    case 0x14C: return "i386";
    case 0xAA64: return "arm64";
    case 0x1C4: return "arm";
    default: {
      char buf[32];
      std::snprintf(buf, sizeof buf, "machine 0x%04llX", static_cast<unsigned long long>(machine));
      return buf;
    }
  }
}

// The image as the loader maps it: addresses relative to the image base (RVAs) found in the
// section whose bytes hold them.
class Pe {
 public:
  explicit Pe(const ImageBytes& b) : b_(b) {
    pe_ = b.U(0x3C, 4);
    const uint64_t optional = pe_ + 24;
    const uint64_t optionalSize = b.U(pe_ + 20, 2);
    wide_ = b.U(optional, 2) == 0x20B;
    imageBase_ = wide_ ? b.U(optional + 24, 8) : b.U(optional + 28, 4);
    sizeOfHeaders_ = b.U(optional + 60, 4);
    // CheckModuleImage has checked that the optional header lies in the file and has its first
    // 64 bytes; the directories follow only in a header long enough to hold them.
    directories_ = optional + (wide_ ? 112 : 96);
    if (optional + optionalSize >= directories_) {
      const uint64_t declared = b.U(directories_ - 4, 4);
      const uint64_t room = (optional + optionalSize - directories_) / 8;
      directoryCount_ = declared < room ? declared : room;
    }
    sections_ = optional + optionalSize;
    sectionCount_ = b.U(pe_ + 6, 2);
  }

  uint64_t Machine() const { return b_.U(pe_ + 4, 2); }
  uint64_t Characteristics() const { return b_.U(pe_ + 22, 2); }
  uint64_t ImageBase() const { return imageBase_; }

  // The RVA and size of data directory `index`; 0, 0 when the header has none.
  void Directory(uint64_t index, uint64_t& rva, uint64_t& size) const {
    rva = size = 0;
    if (index >= directoryCount_) return;
    rva = b_.U(directories_ + index * 8, 4);
    size = b_.U(directories_ + index * 8 + 4, 4);
  }

  // The file offset of `rva` and the end of the file bytes that follow it in its section; false
  // when no section holds it in the file.
  bool Map(uint64_t rva, uint64_t& offset, uint64_t& end) const {
    if (rva < sizeOfHeaders_) {
      offset = rva;
      end = sizeOfHeaders_;
      return true;
    }
    // CheckModuleImage has checked the section table and each section's bytes.
    for (uint64_t i = 0; i < sectionCount_; ++i) {
      const uint64_t at = sections_ + i * 40;
      const uint64_t virtualAddress = b_.U(at + 12, 4);
      const uint64_t rawSize = b_.U(at + 16, 4);
      const uint64_t rawOffset = b_.U(at + 20, 4);
      if (rva < virtualAddress || rva - virtualAddress >= rawSize) continue;
      offset = rawOffset + (rva - virtualAddress);
      end = rawOffset + rawSize;
      return true;
    }
    return false;
  }

  // `count` fields of `bytes` each at `rva`, all inside one section.
  bool Table(uint64_t rva, uint64_t count, uint64_t bytes, uint64_t& offset) const {
    uint64_t end = 0;
    return Map(rva, offset, end) && count <= (end - offset) / bytes;
  }

  bool Name(uint64_t rva, std::string& name) const {
    uint64_t offset = 0, end = 0;
    return Map(rva, offset, end) && b_.CString(offset, end, name);
  }

  // Whether `rva` lies in a section the loader maps as code; true when no section holds it, as
  // nothing then says otherwise.
  bool InCode(uint64_t rva) const {
    for (uint64_t i = 0; i < sectionCount_; ++i) {
      const uint64_t at = sections_ + i * 40;
      const uint64_t virtualSize = std::max(b_.U(at + 8, 4), b_.U(at + 16, 4));
      const uint64_t virtualAddress = b_.U(at + 12, 4);
      if (rva < virtualAddress || rva - virtualAddress >= virtualSize) continue;
      return (b_.U(at + 36, 4) & (kSectionCode | kSectionExecute)) != 0;
    }
    return true;
  }

  const ImageBytes& Bytes() const { return b_; }

 private:
  const ImageBytes& b_;
  uint64_t pe_ = 0;
  bool wide_ = true;
  uint64_t imageBase_ = 0;
  uint64_t sizeOfHeaders_ = 0;
  uint64_t directories_ = 0;
  uint64_t directoryCount_ = 0;
  uint64_t sections_ = 0;
  uint64_t sectionCount_ = 0;
};

bool Exports(const Pe& pe, ModuleFileFacts& facts, std::string& reason) {
  uint64_t rva = 0, size = 0;
  pe.Directory(kDirectoryExports, rva, size);
  if (rva == 0 || size == 0) return true;
  const ImageBytes& b = pe.Bytes();
  uint64_t at = 0;
  if (!pe.Table(rva, 1, 40, at)) {
    reason = "the export directory lies outside the file's sections";
    return false;
  }
  const uint64_t base = b.U(at + 16, 4);
  const uint64_t functions = b.U(at + 20, 4);
  const uint64_t names = b.U(at + 24, 4);
  if (functions > kMaxExports || names > functions) {
    reason = "an export directory of " + std::to_string(functions) + " functions and " + std::to_string(names) +
             " names";
    return false;
  }
  uint64_t functionTable = 0, nameTable = 0, ordinalTable = 0;
  if (!pe.Table(b.U(at + 28, 4), functions, 4, functionTable) || !pe.Table(b.U(at + 32, 4), names, 4, nameTable) ||
      !pe.Table(b.U(at + 36, 4), names, 2, ordinalTable)) {
    reason = "the export directory's tables lie outside the file's sections";
    return false;
  }
  std::vector<bool> named(static_cast<size_t>(functions), false);
  for (uint64_t i = 0; i < names; ++i) {
    std::string name;
    if (!pe.Name(b.U(nameTable + i * 4, 4), name)) {
      reason = "export name " + std::to_string(i) + " does not end inside its section";
      return false;
    }
    facts.exports.push_back(name);
    const uint64_t index = b.U(ordinalTable + i * 2, 2);
    if (index >= functions) continue;
    named[static_cast<size_t>(index)] = true;
    // An address inside the export directory forwards the name to another DLL's function.
    const uint64_t target = b.U(functionTable + index * 4, 4);
    const bool forwarded = target >= rva && target - rva < size;
    if (!forwarded && !pe.InCode(target)) facts.dataExports.push_back(name);
  }
  // A function without a name is still found by its ordinal.
  for (uint64_t i = 0; i < functions; ++i) {
    if (!named[static_cast<size_t>(i)] && b.U(functionTable + i * 4, 4) != 0) {
      facts.exports.push_back("ordinal " + std::to_string(base + i));
    }
  }
  return true;
}

// The DLL names of an import table of `entry`-byte descriptors ending in an empty one, whose
// name field is at `nameField`.
bool Imports(const Pe& pe, uint64_t directory, uint64_t entry, uint64_t nameField, const char* what,
             ModuleFileFacts& facts, std::string& reason) {
  uint64_t rva = 0, size = 0;
  pe.Directory(directory, rva, size);
  if (rva == 0) return true;
  const ImageBytes& b = pe.Bytes();
  const bool delayed = directory == kDirectoryDelayImports;
  for (uint64_t i = 0;; ++i) {
    uint64_t at = 0;
    if (i == kMaxImportedDlls || !pe.Table(rva + i * entry, 1, entry, at)) {
      reason = std::string("the ") + what + " runs past its section without an end";
      return false;
    }
    uint64_t nameRva = b.U(at + nameField, 4);
    if (nameRva == 0) return true;
    // Old delay-load descriptors (attribute bit 0 clear) hold addresses, not RVAs.
    if (delayed && (b.U(at, 4) & 1) == 0) nameRva -= pe.ImageBase();
    std::string name;
    if (!pe.Name(nameRva, name)) {
      reason = std::string("the name of entry ") + std::to_string(i) + " of the " + what +
               " does not end inside its section";
      return false;
    }
    facts.imports.push_back(name);
  }
}

}  // namespace

bool ReadPeFacts(const ImageBytes& b, ModuleFileFacts& facts, std::string& reason) {
  const Pe pe(b);
  facts.cpu = MachineName(pe.Machine());
  const uint64_t characteristics = pe.Characteristics();
  facts.library = (characteristics & kCharacteristicDll) != 0;
  facts.fileType = facts.library ? "DLL" : (characteristics & kCharacteristicExecutable) ? "executable" : "object file";
  return Exports(pe, facts, reason) && Imports(pe, kDirectoryImports, 20, 12, "import table", facts, reason) &&
         Imports(pe, kDirectoryDelayImports, 32, 4, "delay-load import table", facts, reason);
}

}  // namespace ombrel::host
