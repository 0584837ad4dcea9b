// A Mach-O module's facts: the names of its export trie (the dynamic loader's own table),
// checked against the external symbols of its symbol table; the libraries its load commands
// name; the system version it needs; and whether it binds symbols in a flat namespace.
#include <set>

#include "macho_export_trie.h"
#include "macho_image.h"
#include "module_facts_readers.h"

namespace ombrel::host {
namespace {

using macho::LoadCommand;

constexpr uint64_t kTypeMask = 0x0E;     // N_TYPE
constexpr uint64_t kTypeSection = 0x0E;  // N_SECT
constexpr uint64_t kTypeUndefined = 0x0;
constexpr uint64_t kExternal = 0x01;     // N_EXT
constexpr uint64_t kPrivateExternal = 0x10;
constexpr uint64_t kDebugEntry = 0xE0;   // N_STAB
constexpr uint64_t kDynamicLookupOrdinal = 0xFE;
constexpr size_t kDisagreementsShown = 3;

std::string Version(uint64_t v) {
  std::string text = std::to_string(v >> 16) + "." + std::to_string((v >> 8) & 0xFF);
  if ((v & 0xFF) != 0) text += "." + std::to_string(v & 0xFF);
  return text;
}

std::string PlatformName(uint64_t platform) {
  switch (platform) {
    case 1: return "macOS";
    case 2: return "iOS";
    case 3: return "tvOS";
    case 4: return "watchOS";
    case 6: return "Mac Catalyst";
    case 7: return "iOS simulator";
    default: return "platform " + std::to_string(platform);
  }
}

bool IsLibraryLoad(uint32_t cmd) {
  return cmd == macho::kLoadDylib || cmd == macho::kLoadWeakDylib || cmd == macho::kReexportDylib ||
         cmd == macho::kLazyLoadDylib || cmd == macho::kLoadUpwardDylib;
}

// The library a dylib_command names: a string inside the command, after its 24 fixed bytes.
bool LibraryName(const ImageBytes& image, size_t index, const LoadCommand& c, std::string& name, std::string& reason) {
  const std::string label = macho::CommandLabel(index, c.cmd);
  if (c.size < 24) {
    reason = label + " is " + std::to_string(c.size) + " bytes, too short to name a library";
    return false;
  }
  const uint64_t at = image.U(c.offset + 8, 4);
  if (at < 24 || at >= c.size || !image.CString(c.offset + at, c.offset + c.size, name)) {
    reason = "the library name of " + label + " does not end inside the command";
    return false;
  }
  return true;
}

// The system and version the image needs, from a build-version or older version-minimum
// command; the first one counts.
void Versions(const ImageBytes& image, const LoadCommand& c, ModuleFileFacts& facts) {
  if (!facts.platform.empty()) return;
  if (c.cmd == macho::kBuildVersion && c.size >= 24) {
    facts.platform = PlatformName(image.U(c.offset + 8, 4));
    facts.minimumOs = Version(image.U(c.offset + 12, 4));
  } else if (c.size >= 16 && (c.cmd == macho::kVersionMinMacOs || c.cmd == macho::kVersionMinIPhoneOs ||
                              c.cmd == macho::kVersionMinTvOs || c.cmd == macho::kVersionMinWatchOs)) {
    facts.platform = c.cmd == macho::kVersionMinMacOs      ? "macOS"
                     : c.cmd == macho::kVersionMinIPhoneOs ? "iOS"
                     : c.cmd == macho::kVersionMinTvOs     ? "tvOS"
                                                           : "watchOS";
    facts.minimumOs = Version(image.U(c.offset + 8, 4));
  }
}

struct SymbolTable {
  std::vector<std::string> defined;  // external, in a section, not private
  std::vector<uint64_t> definedIn;   // the section of each, numbered from 1 over all segments
  std::vector<std::string> flatLookups;
};

// Whether each section of a segment holds instructions, in the order the symbols number them.
// CheckModuleImage has checked that the command holds its sections.
void SectionKinds(const ImageBytes& image, const LoadCommand& c, std::vector<bool>& code) {
  constexpr uint64_t kSomeInstructions = 0x400, kPureInstructions = 0x80000000;
  const uint64_t sections = image.U(c.offset + 64, 4);
  for (uint64_t i = 0; i < sections; ++i) {
    const uint64_t flags = image.U(c.offset + 72 + i * 80 + 64, 4);
    code.push_back((flags & (kSomeInstructions | kPureInstructions)) != 0);
  }
}

bool Symbols(const ImageBytes& image, const LoadCommand& c, SymbolTable& table, std::string& reason) {
  // CheckModuleImage has checked the command's size and both tables against the file.
  const uint64_t symbols = image.U(c.offset + 8, 4);
  const uint64_t count = image.U(c.offset + 12, 4);
  const uint64_t strings = image.U(c.offset + 16, 4);
  const uint64_t stringsSize = image.U(c.offset + 20, 4);
  for (uint64_t i = 0; i < count; ++i) {
    const uint64_t at = symbols + i * 16;
    const uint64_t nameOffset = image.U(at, 4);
    const uint64_t type = image.U(at + 4, 1);
    const uint64_t desc = image.U(at + 6, 2);
    if ((type & kDebugEntry) != 0 || (type & kExternal) == 0) continue;
    const bool defined = (type & kTypeMask) == kTypeSection && (type & kPrivateExternal) == 0;
    const bool flat = (type & kTypeMask) == kTypeUndefined && (desc >> 8) == kDynamicLookupOrdinal;
    if (!defined && !flat) continue;
    std::string name;
    if (nameOffset >= stringsSize || !image.CString(strings + nameOffset, strings + stringsSize, name)) {
      reason = "the name of symbol " + std::to_string(i) + " does not end inside the symbol names";
      return false;
    }
    (defined ? table.defined : table.flatLookups).push_back(name);
    if (defined) table.definedIn.push_back(image.U(at + 5, 1));
  }
  return true;
}

// The names of one list missing from the other, the first few.
std::string Missing(const std::set<std::string>& from, const std::set<std::string>& in) {
  std::string text;
  size_t n = 0;
  for (const std::string& name : from) {
    if (in.count(name)) continue;
    if (n < kDisagreementsShown) text += (n ? ", " : "") + name;
    ++n;
  }
  if (n > kDisagreementsShown) text += " and " + std::to_string(n - kDisagreementsShown) + " more";
  return text;
}

// The trie names what the loader finds; the symbol table what the linker meant to export. The
// trie also holds names the symbol table keeps elsewhere (re-exports, absolute symbols), which
// are left out of the comparison.
void Compare(const std::vector<macho::TrieExport>& trie, const std::vector<std::string>& defined,
             ModuleFileFacts& facts) {
  std::set<std::string> fromTrie;
  for (const macho::TrieExport& e : trie) {
    const bool elsewhere = (e.flags & macho::kExportReexport) != 0 ||
                           (e.flags & macho::kExportKindMask) == macho::kExportKindAbsolute;
    if (!elsewhere) fromTrie.insert(e.name);
  }
  const std::set<std::string> fromTable(defined.begin(), defined.end());
  const std::string onlyTrie = Missing(fromTrie, fromTable);
  const std::string onlyTable = Missing(fromTable, fromTrie);
  if (!onlyTrie.empty()) {
    facts.disagreements.push_back("the export trie exports names the symbol table keeps private or lacks: " + onlyTrie);
  }
  if (!onlyTable.empty()) {
    facts.disagreements.push_back("the symbol table marks names external that the export trie lacks: " + onlyTable);
  }
}

}  // namespace

bool ReadMachOFacts(const ImageBytes& file, ModuleFileFacts& facts, std::string& reason) {
  macho::Slice slice;
  if (!macho::FindSlice(file, slice, reason)) return false;
  facts.universal = slice.universal;
  const ImageBytes image(file.Data() + slice.offset, static_cast<size_t>(slice.size));
  macho::Header header;
  if (!macho::ReadHeader(image, header, reason)) return false;
  facts.cpu = macho::CpuName(header.cpuType, header.cpuSubtype);
  facts.fileType = macho::FileTypeName(header.fileType);
  facts.library = header.fileType == macho::kFileDylib || header.fileType == macho::kFileBundle;
  facts.flatNamespace = (header.flags & macho::kFlagTwoLevel) == 0 || (header.flags & macho::kFlagForceFlat) != 0;

  bool hasTrie = false, hasSymbols = false;
  uint64_t trieOffset = 0, trieSize = 0;
  SymbolTable table;
  std::vector<bool> sectionIsCode;
  for (size_t i = 0; i < header.commands.size(); ++i) {
    const LoadCommand& c = header.commands[i];
    if (IsLibraryLoad(c.cmd)) {
      std::string name;
      if (!LibraryName(image, i, c, name, reason)) return false;
      facts.imports.push_back(name);
    } else if ((c.cmd == macho::kDyldInfo || c.cmd == macho::kDyldInfoOnly) && !hasTrie) {
      hasTrie = true;
      trieOffset = image.U(c.offset + 40, 4);
      trieSize = image.U(c.offset + 44, 4);
    } else if (c.cmd == macho::kDyldExportsTrie && !hasTrie) {
      hasTrie = true;
      trieOffset = image.U(c.offset + 8, 4);
      trieSize = image.U(c.offset + 12, 4);
    } else if (c.cmd == macho::kSegment64) {
      SectionKinds(image, c, sectionIsCode);
    } else if (c.cmd == macho::kSymtab && !hasSymbols) {
      hasSymbols = true;
      if (!Symbols(image, c, table, reason)) return false;
    }
    Versions(image, c, facts);
  }
  facts.flatLookups = table.flatLookups;
  // A defined symbol in a section without instructions is data.
  for (size_t i = 0; i < table.defined.size(); ++i) {
    const uint64_t section = table.definedIn[i];
    if (section >= 1 && section <= sectionIsCode.size() && !sectionIsCode[section - 1]) {
      facts.dataExports.push_back(table.defined[i]);
    }
  }
  if (!hasTrie) {
    // Without a trie the loader searches the symbol table's external symbols.
    facts.exports = table.defined;
    return true;
  }
  std::vector<macho::TrieExport> trie;
  if (!macho::ReadExportTrie(image, trieOffset, trieSize, trie, reason)) return false;
  for (const macho::TrieExport& e : trie) facts.exports.push_back(e.name);
  // Only what the loader can find counts: a data symbol the trie leaves out is exported by nobody.
  const std::set<std::string> exported(facts.exports.begin(), facts.exports.end());
  std::vector<std::string> data;
  for (const std::string& name : facts.dataExports) {
    if (exported.count(name)) data.push_back(name);
  }
  facts.dataExports = std::move(data);
  if (hasSymbols) Compare(trie, table.defined, facts);
  return true;
}

}  // namespace ombrel::host
