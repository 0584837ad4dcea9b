// An ELF module's facts: the defined symbols of its dynamic symbol table (what dlsym can find)
// and the libraries its dynamic section names (DT_NEEDED).
#include "module_facts_readers.h"

namespace ombrel::host {
namespace {

constexpr uint64_t kSectionStrings = 3;  // SHT_STRTAB
constexpr uint64_t kSectionDynamic = 6;  // SHT_DYNAMIC
constexpr uint64_t kSectionDynsym = 11;  // SHT_DYNSYM
constexpr uint64_t kTagNeeded = 1;       // DT_NEEDED
constexpr uint64_t kTagFlags1 = 0x6FFFFFFB;
constexpr uint64_t kFlag1Pie = 0x08000000;

struct Layout {
  bool wide = true;
  int word = 8;
};

struct Section {
  uint64_t type = 0;
  uint64_t link = 0;
  uint64_t offset = 0;
  uint64_t size = 0;
  uint64_t entrySize = 0;
};

std::string MachineName(uint64_t machine) {
  switch (machine) {
    case 62: return "x86_64";
    case 3: return "i386";
    case 183: return "arm64";
    case 40: return "arm";
    case 243: return "riscv";
    case 21: return "ppc64";
    default: return "machine " + std::to_string(machine);
  }
}

std::vector<Section> Sections(const ImageBytes& b, const Layout& l) {
  const uint64_t shoff = b.U(l.wide ? 40 : 32, l.word);
  const uint64_t shentsize = b.U(l.wide ? 58 : 46, 2);
  const uint64_t shnum = b.U(l.wide ? 60 : 48, 2);
  std::vector<Section> out;
  // CheckModuleImage has checked the table and every section's bytes against the file.
  for (uint64_t i = 0; i < shnum; ++i) {
    const uint64_t at = shoff + i * shentsize;
    Section s;
    s.type = b.U(at + 4, 4);
    s.link = b.U(at + (l.wide ? 40 : 24), 4);
    s.offset = b.U(at + (l.wide ? 24 : 16), l.word);
    s.size = b.U(at + (l.wide ? 32 : 20), l.word);
    s.entrySize = b.U(at + (l.wide ? 56 : 36), l.word);
    out.push_back(s);
  }
  return out;
}

// The string table a section links to; false when the link names no string table.
bool LinkedStrings(const std::vector<Section>& sections, const Section& s, const char* what, Section& strings,
                   std::string& reason) {
  if (s.link >= sections.size() || sections[s.link].type != kSectionStrings) {
    reason = std::string("the ") + what + " links to section " + std::to_string(s.link) + ", which is no string table";
    return false;
  }
  strings = sections[s.link];
  return true;
}

bool Name(const ImageBytes& b, const Section& strings, uint64_t offset, const char* what, std::string& name,
          std::string& reason) {
  if (offset >= strings.size || !b.CString(strings.offset + offset, strings.offset + strings.size, name)) {
    reason = std::string("a name of the ") + what + " at string " + std::to_string(offset) +
             " does not end inside its string table";
    return false;
  }
  return true;
}

bool Exports(const ImageBytes& b, const Layout& l, const std::vector<Section>& sections, const Section& dynsym,
             ModuleFileFacts& facts, std::string& reason) {
  const uint64_t entry = l.wide ? 24 : 16;
  if (dynsym.entrySize < entry) {
    reason = "dynamic symbol entries of " + std::to_string(dynsym.entrySize) + " bytes";
    return false;
  }
  Section strings;
  if (!LinkedStrings(sections, dynsym, "dynamic symbol table", strings, reason)) return false;
  const uint64_t count = dynsym.size / dynsym.entrySize;
  for (uint64_t i = 1; i < count; ++i) {  // symbol 0 is the null symbol
    const uint64_t at = dynsym.offset + i * dynsym.entrySize;
    if (!b.Holds(at, entry)) break;
    const uint64_t nameOffset = b.U(at, 4);
    const uint64_t info = b.U(at + (l.wide ? 4 : 12), 1);
    const uint64_t other = b.U(at + (l.wide ? 5 : 13), 1);
    const uint64_t shndx = b.U(at + (l.wide ? 6 : 14), 2);
    const uint64_t bind = info >> 4;
    const uint64_t type = info & 0xF;
    const uint64_t visibility = other & 0x3;
    const bool global = bind == 1 || bind == 2 || bind == 10;  // GLOBAL, WEAK, GNU_UNIQUE
    // Hidden and internal symbols are not found by the loader, sections and files are no symbols.
    if (!global || shndx == 0 || type == 3 || type == 4 || visibility == 1 || visibility == 2) continue;
    std::string name;
    if (!Name(b, strings, nameOffset, "dynamic symbol table", name, reason)) return false;
    facts.exports.push_back(name);
    // OBJECT, COMMON and TLS name data: calling one jumps into bytes that are no code.
    if (type == 1 || type == 5 || type == 6) facts.dataExports.push_back(name);
  }
  return true;
}

bool Needed(const ImageBytes& b, const Layout& l, const std::vector<Section>& sections, const Section& dynamic,
            ModuleFileFacts& facts, bool& pie, std::string& reason) {
  Section strings;
  if (!LinkedStrings(sections, dynamic, "dynamic section", strings, reason)) return false;
  const uint64_t entry = l.wide ? 16 : 8;
  for (uint64_t at = dynamic.offset; at + entry <= dynamic.offset + dynamic.size && b.Holds(at, entry); at += entry) {
    const uint64_t tag = b.U(at, l.word);
    const uint64_t value = b.U(at + static_cast<uint64_t>(l.word), l.word);
    if (tag == 0) break;  // DT_NULL
    if (tag == kTagFlags1 && (value & kFlag1Pie) != 0) pie = true;
    if (tag != kTagNeeded) continue;
    std::string name;
    if (!Name(b, strings, value, "needed libraries", name, reason)) return false;
    facts.imports.push_back(name);
  }
  return true;
}

}  // namespace

bool ReadElfFacts(const ImageBytes& b, ModuleFileFacts& facts, std::string& reason) {
  Layout l;
  l.wide = b.U(4, 1) == 2;
  l.word = l.wide ? 8 : 4;
  const uint64_t type = b.U(16, 2);
  facts.cpu = MachineName(b.U(18, 2));
  const std::vector<Section> sections = Sections(b, l);
  const Section* dynsym = nullptr;
  const Section* dynamic = nullptr;
  for (const Section& s : sections) {
    if (s.type == kSectionDynsym && !dynsym) dynsym = &s;
    if (s.type == kSectionDynamic && !dynamic) dynamic = &s;
  }
  bool pie = false;
  if (dynsym && !Exports(b, l, sections, *dynsym, facts, reason)) return false;
  if (dynamic && !Needed(b, l, sections, *dynamic, facts, pie, reason)) return false;
  switch (type) {
    case 1: facts.fileType = "relocatable object"; break;
    case 2: facts.fileType = "executable"; break;
    case 3: facts.fileType = pie ? "position-independent executable" : "shared object"; break;
    case 4: facts.fileType = "core file"; break;
    default: facts.fileType = "file type " + std::to_string(type); break;
  }
  facts.library = type == 3 && !pie;
  if (facts.library && !dynamic) {
    reason = "a shared object without a dynamic section";
    return false;
  }
  if (facts.library && !dynsym) {
    reason = "a shared object without a dynamic symbol table (or without section headers to find it by)";
    return false;
  }
  return true;
}

}  // namespace ombrel::host
