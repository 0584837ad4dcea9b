// Small module files of each format, built byte by byte for the tests of the file reader and of
// `validate` on files this host cannot load. Offsets that matter are written out by hand; the
// Mach-O builder lays its load commands and link-edit data one after the other.
#ifndef OMBREL_TESTS_HOST_MODULE_TEST_IMAGES_H
#define OMBREL_TESTS_HOST_MODULE_TEST_IMAGES_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ombrel::test::images {

using Bytes = std::vector<unsigned char>;

inline void Put(Bytes& b, size_t at, uint64_t value, int bytes) {
  if (b.size() < at + static_cast<size_t>(bytes)) b.resize(at + static_cast<size_t>(bytes));
  for (int i = 0; i < bytes; ++i) b[at + static_cast<size_t>(i)] = static_cast<unsigned char>(value >> (8 * i));
}
inline void PutBig(Bytes& b, size_t at, uint64_t value, int bytes) {
  if (b.size() < at + static_cast<size_t>(bytes)) b.resize(at + static_cast<size_t>(bytes));
  for (int i = 0; i < bytes; ++i) b[at + static_cast<size_t>(i)] = static_cast<unsigned char>(value >> (8 * (bytes - 1 - i)));
}
inline void PutText(Bytes& b, size_t at, const std::string& text) {
  if (b.size() < at + text.size() + 1) b.resize(at + text.size() + 1);
  for (size_t i = 0; i < text.size(); ++i) b[at + i] = static_cast<unsigned char>(text[i]);
  b[at + text.size()] = 0;
}

// ---- ELF: a 64-bit shared object of 1088 bytes.
//   0    header            64    program header (one PT_LOAD of the whole file)
//   128  .dynstr, 128 bytes: the symbols' and libraries' names, from offset 1 on
//   256  .dynsym, 24 bytes a symbol, symbol 0 the null one
//   640  .dynamic, 16 bytes an entry
//   768  section headers: 0 null, 1 .dynstr, 2 .dynsym (link 1), 3 .dynamic (link 1), 4 .text
struct ElfSymbol {
  std::string name;
  int bind = 1;  // STB_GLOBAL
  int type = 2;  // STT_FUNC
  int visibility = 0;
  int section = 4;  // 0: undefined
};

inline Bytes Elf(const std::vector<ElfSymbol>& symbols = {{"c4d_main"}},
                 const std::vector<std::string>& needed = {"libc.so.6"}) {
  Bytes b(1088, 0);
  Put(b, 0, 0x464C457F, 4);
  b[4] = 2;  // 64-bit
  b[5] = 1;  // little-endian
  b[6] = 1;
  Put(b, 16, 3, 2);   // ET_DYN
  Put(b, 18, 62, 2);  // x86_64
  Put(b, 32, 64, 8);  // program headers
  Put(b, 40, 768, 8);
  Put(b, 54, 56, 2);
  Put(b, 56, 1, 2);
  Put(b, 58, 64, 2);
  Put(b, 60, 5, 2);
  Put(b, 64, 1, 4);            // PT_LOAD
  Put(b, 64 + 32, 1088, 8);    // file size
  Put(b, 64 + 40, 1088, 8);    // memory size
  size_t text = 129;           // .dynstr: byte 128 is the empty name
  std::vector<size_t> names;
  for (const ElfSymbol& s : symbols) {
    names.push_back(text - 128);
    PutText(b, text, s.name);
    text += s.name.size() + 1;
  }
  std::vector<size_t> libraries;
  for (const std::string& n : needed) {
    libraries.push_back(text - 128);
    PutText(b, text, n);
    text += n.size() + 1;
  }
  for (size_t i = 0; i < symbols.size(); ++i) {
    const size_t at = 256 + 24 * (i + 1);
    Put(b, at, names[i], 4);
    b[at + 4] = static_cast<unsigned char>((symbols[i].bind << 4) | symbols[i].type);
    b[at + 5] = static_cast<unsigned char>(symbols[i].visibility);
    Put(b, at + 6, static_cast<uint64_t>(symbols[i].section), 2);
  }
  for (size_t i = 0; i < libraries.size(); ++i) {
    Put(b, 640 + 16 * i, 1, 8);  // DT_NEEDED
    Put(b, 640 + 16 * i + 8, libraries[i], 8);
  }
  const auto section = [&b](size_t index, uint64_t type, uint64_t link, uint64_t offset, uint64_t size, uint64_t entry) {
    const size_t at = 768 + 64 * index;
    Put(b, at + 4, type, 4);
    Put(b, at + 24, offset, 8);
    Put(b, at + 32, size, 8);
    Put(b, at + 40, link, 4);
    Put(b, at + 56, entry, 8);
  };
  section(1, 3, 0, 128, 128, 0);                          // SHT_STRTAB
  section(2, 11, 1, 256, 24 * (symbols.size() + 1), 24);  // SHT_DYNSYM
  section(3, 6, 1, 640, 128, 16);                         // SHT_DYNAMIC
  section(4, 1, 0, 200, 8, 0);                            // SHT_PROGBITS
  return b;
}

// ---- PE: a PE32+ DLL of 1024 bytes, headers in the first 512, one section of 512 bytes at
// RVA 0x1000 (file offset 0x200). RVAs inside the section, from its start:
//   0x000 export directory: ordinal base 1, 3 functions, 2 names
//   0x040 function RVAs 0x2000, 0x2010, 0x2020   0x050 name RVAs   0x058 name ordinals 0, 1
//   0x060 "c4d_main"   0x06A "helper"   (function 2 has no name: ordinal 3)
//   0x080 import descriptors: KERNEL32.dll (name at 0x0C0), libfoo.dll (0x0D0), then an empty one
//   0x100 delay-load descriptors: USER32.dll (name at 0x140, attribute 1: RVAs), then an empty one
constexpr size_t kPeOptional = 0x80 + 24;
constexpr size_t kPeSection = 0x200;  // file offset of RVA 0x1000

inline Bytes Pe() {
  Bytes b(1024, 0);
  Put(b, 0, 0x5A4D, 2);
  Put(b, 0x3C, 0x80, 4);
  Put(b, 0x80, 0x00004550, 4);
  Put(b, 0x84, 0x8664, 2);  // x86_64
  Put(b, 0x86, 1, 2);       // one section
  Put(b, 0x94, 240, 2);     // optional header size
  Put(b, 0x96, 0x2022, 2);  // DLL, executable image, large addresses
  const size_t o = kPeOptional;
  Put(b, o, 0x20B, 2);
  Put(b, o + 24, 0x180000000, 8);  // image base
  Put(b, o + 60, 0x200, 4);        // size of headers
  Put(b, o + 108, 16, 4);          // data directories
  Put(b, o + 112 + 0 * 8, 0x1000, 4);  // exports
  Put(b, o + 112 + 0 * 8 + 4, 0x80, 4);
  Put(b, o + 112 + 1 * 8, 0x1080, 4);  // imports
  Put(b, o + 112 + 1 * 8 + 4, 60, 4);
  Put(b, o + 112 + 13 * 8, 0x1100, 4);  // delay-load imports
  Put(b, o + 112 + 13 * 8 + 4, 64, 4);
  const size_t table = o + 240;
  PutText(b, table, ".rdata");
  Put(b, table + 8, 0x200, 4);   // virtual size
  Put(b, table + 12, 0x1000, 4); // virtual address
  Put(b, table + 16, 0x200, 4);  // raw size
  Put(b, table + 20, 0x200, 4);  // raw offset
  const size_t s = kPeSection;
  Put(b, s + 16, 1, 4);       // ordinal base
  Put(b, s + 20, 3, 4);       // functions
  Put(b, s + 24, 2, 4);       // names
  Put(b, s + 28, 0x1040, 4);
  Put(b, s + 32, 0x1050, 4);
  Put(b, s + 36, 0x1058, 4);
  Put(b, s + 0x40, 0x2000, 4);
  Put(b, s + 0x44, 0x2010, 4);
  Put(b, s + 0x48, 0x2020, 4);
  Put(b, s + 0x50, 0x1060, 4);
  Put(b, s + 0x54, 0x106A, 4);
  Put(b, s + 0x58, 0, 2);
  Put(b, s + 0x5A, 1, 2);
  PutText(b, s + 0x60, "c4d_main");
  PutText(b, s + 0x6A, "helper");
  Put(b, s + 0x80 + 12, 0x10C0, 4);
  Put(b, s + 0x80 + 16, 0x1200, 4);  // first thunk
  Put(b, s + 0x94 + 12, 0x10D0, 4);
  Put(b, s + 0x94 + 16, 0x1208, 4);
  PutText(b, s + 0xC0, "KERNEL32.dll");
  PutText(b, s + 0xD0, "libfoo.dll");
  Put(b, s + 0x100, 1, 4);
  Put(b, s + 0x104, 0x1140, 4);
  PutText(b, s + 0x140, "USER32.dll");
  return b;
}

// ---- Mach-O export tries, written out by hand. A node is the size of its export information,
// the information (flags, then the address), its number of children, and per child the edge's
// label and the child's offset from the start of the trie.

// "_c4d_main" alone: the root (bytes 0 to 12) has one edge to the node at 13, which exports
// with flags 0 at address 0x590 (ULEB128 90 0B) and has no children.
inline Bytes TrieEntryOnly() {
  return {0x00, 0x01, '_', 'c', '4', 'd', '_', 'm', 'a', 'i', 'n', 0x00, 0x0D,  //
          0x03, 0x00, 0x90, 0x0B, 0x00};
}

// "_c4d_main" and "_helper": the root (0 to 4) shares "_" to the node at 5, whose edges
// "c4d_main" and "helper" (5 to 24) lead to the exports at 25 and 29.
inline Bytes TrieTwoExports() {
  return {0x00, 0x01, '_', 0x00, 0x05,                                        //
          0x00, 0x02, 'c', '4', 'd', '_', 'm', 'a', 'i', 'n', 0x00, 0x19,     //
          'h', 'e', 'l', 'p', 'e', 'r', 0x00, 0x1D,                           //
          0x02, 0x00, 0x10, 0x00,                                             //
          0x02, 0x00, 0x20, 0x00};
}

// nlist_64 n_type values.
constexpr uint8_t kDefinedExternal = 0x0F;  // N_SECT | N_EXT
constexpr uint8_t kPrivateExternal = 0x1F;  // N_PEXT | N_SECT | N_EXT
constexpr uint8_t kUndefinedExternal = 0x01;

struct MachOSymbol {
  std::string name;
  uint8_t type = kDefinedExternal;
  uint16_t desc = 0;
};

enum class TrieIn { DyldInfo, ExportsTrie, None };
enum class OsIn { BuildVersion, VersionMin, None };

struct MachOPlan {
  uint32_t cpuType = 0x01000007;  // x86_64
  uint32_t cpuSubtype = 3;
  uint32_t fileType = 6;          // MH_DYLIB
  uint32_t flags = 0x85;          // NOUNDEFS, DYLDLINK, TWOLEVEL
  Bytes trie = TrieEntryOnly();
  TrieIn trieIn = TrieIn::DyldInfo;
  bool symbolTable = true;
  std::vector<MachOSymbol> symbols = {{"_c4d_main"}};
  std::vector<std::pair<uint32_t, std::string>> libraries = {{0xC, "/usr/lib/libSystem.B.dylib"}};
  OsIn osIn = OsIn::BuildVersion;
  uint32_t platform = 1;        // macOS
  uint32_t minimumOs = 0xB0000; // 11.0
  // With a value: __TEXT holds one empty section of these flags, the section of every symbol.
  std::optional<uint32_t> sectionFlags;
};

// Header and load commands first; the __TEXT segment spans the first 4096 bytes, __LINKEDIT
// the rest: the trie at 4096, then the symbols and their names.
inline Bytes MachO(const MachOPlan& plan = {}) {
  constexpr size_t kLinkEdit = 4096;
  const size_t trieAt = kLinkEdit;
  const size_t symbolsAt = trieAt + (plan.trie.size() + 7) / 8 * 8;
  const size_t stringsAt = symbolsAt + 16 * plan.symbols.size();
  Bytes strings = {' ', 0};  // name 0 is unused
  std::vector<size_t> nameAt;
  for (const MachOSymbol& s : plan.symbols) {
    nameAt.push_back(strings.size());
    for (char ch : s.name) strings.push_back(static_cast<unsigned char>(ch));
    strings.push_back(0);
  }
  while (strings.size() % 8) strings.push_back(0);
  const size_t end = stringsAt + strings.size();

  std::vector<Bytes> commands;
  const auto command = [&commands](uint32_t cmd, size_t size) {
    Bytes c((size + 7) / 8 * 8, 0);
    Put(c, 0, cmd, 4);
    Put(c, 4, c.size(), 4);
    commands.push_back(c);
    return &commands.back();
  };
  const auto segment = [&](const char* name, uint64_t offset, uint64_t size) {
    Bytes* c = command(0x19, 72);
    PutText(*c, 8, name);
    Put(*c, 24, offset, 8);  // vmaddr
    Put(*c, 32, (size + 4095) / 4096 * 4096, 8);
    Put(*c, 40, offset, 8);
    Put(*c, 48, size, 8);
  };
  segment("__TEXT", 0, kLinkEdit);
  if (plan.sectionFlags) {
    Bytes& text = commands.back();
    text.resize(72 + 80, 0);
    Put(text, 4, text.size(), 4);
    Put(text, 64, 1, 4);  // nsects
    PutText(text, 72, "__text");
    PutText(text, 72 + 16, "__TEXT");
    Put(text, 72 + 64, *plan.sectionFlags, 4);
  }
  segment("__LINKEDIT", kLinkEdit, end - kLinkEdit);
  if (plan.trieIn == TrieIn::DyldInfo) {
    Bytes* c = command(0x80000022, 48);
    Put(*c, 40, trieAt, 4);
    Put(*c, 44, plan.trie.size(), 4);
  } else if (plan.trieIn == TrieIn::ExportsTrie) {
    Bytes* c = command(0x80000033, 16);
    Put(*c, 8, trieAt, 4);
    Put(*c, 12, plan.trie.size(), 4);
  }
  if (plan.symbolTable) {
    Bytes* c = command(0x2, 24);
    Put(*c, 8, symbolsAt, 4);
    Put(*c, 12, plan.symbols.size(), 4);
    Put(*c, 16, stringsAt, 4);
    Put(*c, 20, strings.size(), 4);
  }
  for (const auto& [cmd, name] : plan.libraries) {
    Bytes* c = command(cmd, 24 + name.size() + 1);
    Put(*c, 8, 24, 4);  // the name follows the command's fixed part
    PutText(*c, 24, name);
  }
  if (plan.osIn == OsIn::BuildVersion) {
    Bytes* c = command(0x32, 24);
    Put(*c, 8, plan.platform, 4);
    Put(*c, 12, plan.minimumOs, 4);
    Put(*c, 16, plan.minimumOs, 4);  // SDK
  } else if (plan.osIn == OsIn::VersionMin) {
    Bytes* c = command(0x24, 16);
    Put(*c, 8, plan.minimumOs, 4);
    Put(*c, 12, plan.minimumOs, 4);
  }

  Bytes b(end, 0);
  Put(b, 0, 0xFEEDFACF, 4);
  Put(b, 4, plan.cpuType, 4);
  Put(b, 8, plan.cpuSubtype, 4);
  Put(b, 12, plan.fileType, 4);
  Put(b, 16, commands.size(), 4);
  Put(b, 24, plan.flags, 4);
  size_t at = 32;
  for (const Bytes& c : commands) {
    for (size_t i = 0; i < c.size(); ++i) b[at + i] = c[i];
    at += c.size();
  }
  Put(b, 20, at - 32, 4);
  for (size_t i = 0; i < plan.trie.size(); ++i) b[trieAt + i] = plan.trie[i];
  for (size_t i = 0; i < plan.symbols.size(); ++i) {
    const size_t s = symbolsAt + 16 * i;
    Put(b, s, nameAt[i], 4);
    b[s + 4] = plan.symbols[i].type;
    b[s + 5] = plan.symbols[i].type == kUndefinedExternal ? 0 : 1;
    Put(b, s + 6, plan.symbols[i].desc, 2);
  }
  for (size_t i = 0; i < strings.size(); ++i) b[stringsAt + i] = strings[i];
  return b;
}

// A universal file: the big-endian header and one 20-byte entry per slice, each slice at a
// multiple of 4096.
inline Bytes Universal(const std::vector<std::pair<uint32_t, Bytes>>& slices) {
  Bytes b;
  PutBig(b, 0, 0xCAFEBABE, 4);
  PutBig(b, 4, slices.size(), 4);
  size_t at = 4096;
  for (size_t i = 0; i < slices.size(); ++i) {
    const size_t entry = 8 + 20 * i;
    PutBig(b, entry, slices[i].first, 4);
    PutBig(b, entry + 4, 3, 4);
    PutBig(b, entry + 8, at, 4);
    PutBig(b, entry + 12, slices[i].second.size(), 4);
    PutBig(b, entry + 16, 12, 4);
    b.resize(at, 0);
    b.insert(b.end(), slices[i].second.begin(), slices[i].second.end());
    at = (b.size() + 4095) / 4096 * 4096;
  }
  return b;
}

}  // namespace ombrel::test::images

#endif
