// A module file's exports and imports, read without loading it, from small files of each
// format built in the test; damaged tables give a reason, never a read outside the file.
#include <gtest/gtest.h>

#include "core/module_file_facts.h"
#include "module_fixture.h"
#include "module_test_images.h"

namespace ombrel::test {
namespace {

using host::ModuleFileFacts;
using host::ModuleFormat;
using images::Bytes;
using images::Put;
using Names = std::vector<std::string>;

struct Read {
  bool ok = false;
  ModuleFileFacts facts;
  std::string reason;
};

Read Facts(const Bytes& b) {
  Read r;
  r.ok = host::ReadModuleFacts(b.data(), b.size(), r.facts, r.reason);
  return r;
}

// The reason a damaged file is refused with; fails the test when it is not refused.
std::string Refusal(const Bytes& b) {
  const Read r = Facts(b);
  EXPECT_FALSE(r.ok) << "read as exporting " << r.facts.exports.size() << " names";
  EXPECT_FALSE(r.reason.empty());
  return r.reason;
}

TEST(ModuleFileFacts, ElfExportsAreTheDefinedSymbolsTheLoaderCanFindAndImportsTheNeededLibraries) {
  const Read r = Facts(images::Elf(
      {
          {"c4d_main"},
          {"weak_table", 2, 1},      // a weak object
          {"puts", 1, 2, 0, 0},      // undefined: imported, not exported
          {"hidden_fn", 1, 2, 2},    // hidden: not in reach of dlsym
          {"local_fn", 0, 2},        // local
          {"", 0, 3},                // a section symbol
      },
      {"libc.so.6", "libfoo.so.1"}));
  ASSERT_TRUE(r.ok) << r.reason;
  EXPECT_EQ(r.facts.format, ModuleFormat::Elf);
  EXPECT_EQ(r.facts.cpu, "x86_64");
  EXPECT_EQ(r.facts.fileType, "shared object");
  EXPECT_TRUE(r.facts.library);
  EXPECT_EQ(r.facts.exports, (Names{"c4d_main", "weak_table"}));
  EXPECT_EQ(r.facts.imports, (Names{"libc.so.6", "libfoo.so.1"}));

  Bytes other = images::Elf();
  Put(other, 18, 183, 2);  // EM_AARCH64
  Put(other, 16, 2, 2);    // ET_EXEC
  const Read arm = Facts(other);
  ASSERT_TRUE(arm.ok) << arm.reason;
  EXPECT_EQ(arm.facts.cpu, "arm64");
  EXPECT_EQ(arm.facts.fileType, "executable");
  EXPECT_FALSE(arm.facts.library);
}

TEST(ModuleFileFacts, DamagedElfTablesAreRefusedWithTheReason) {
  Bytes b = images::Elf();
  Put(b, 256 + 24, 5000, 4);  // c4d_main's name past its string table
  EXPECT_NE(Refusal(b).find("does not end inside its string table"), std::string::npos);
  b = images::Elf();
  Put(b, 768 + 2 * 64 + 40, 4, 4);  // the symbols' strings in a section that holds none
  EXPECT_NE(Refusal(b).find("which is no string table"), std::string::npos);
  b = images::Elf();
  Put(b, 768 + 2 * 64 + 40, 0xFFFF, 4);  // ... in a section that does not exist
  EXPECT_NE(Refusal(b).find("which is no string table"), std::string::npos);
  b = images::Elf({{"c4d_main"}}, {"libc.so.6"});
  for (size_t i = 129; i < 256; ++i) b[i] = 'x';  // no name ends inside the strings
  EXPECT_NE(Refusal(b).find("does not end"), std::string::npos);
}

// A host that calls an entry point which is data jumps into bytes that are no code.
TEST(ModuleFileFacts, ExportsTheFileMarksAsDataAreTold) {
  const Read elf = Facts(images::Elf({{"c4d_main", 1, 1}, {"fn", 1, 2}, {"tls", 1, 6}, {"untyped", 1, 0}}));
  ASSERT_TRUE(elf.ok) << elf.reason;
  EXPECT_EQ(elf.facts.dataExports, (Names{"c4d_main", "tls"}));

  // The image's function addresses lie in no section: nothing tells against code.
  EXPECT_TRUE(Facts(images::Pe()).facts.dataExports.empty());
  Bytes b = images::Pe();
  const size_t characteristics = images::kPeOptional + 240 + 36;
  Put(b, characteristics, 0x40000040, 4);         // initialised data, readable
  Put(b, images::kPeSection + 0x40, 0x1180, 4);   // c4d_main into that section
  Put(b, images::kPeSection + 0x44, 0x1070, 4);   // helper into the export directory: forwarded
  const Read pe = Facts(b);
  ASSERT_TRUE(pe.ok) << pe.reason;
  EXPECT_EQ(pe.facts.dataExports, (Names{"c4d_main"}));
  Put(b, characteristics, 0x60000020, 4);         // code, executable, readable
  EXPECT_TRUE(Facts(b).facts.dataExports.empty());

  images::MachOPlan plan;
  plan.sectionFlags = 0;  // S_REGULAR without instructions, as __DATA,__data
  const Read data = Facts(images::MachO(plan));
  ASSERT_TRUE(data.ok) << data.reason;
  EXPECT_EQ(data.facts.dataExports, (Names{"_c4d_main"}));
  plan.sectionFlags = 0x80000400;  // pure and some instructions, as __TEXT,__text
  const Read code = Facts(images::MachO(plan));
  ASSERT_TRUE(code.ok) << code.reason;
  EXPECT_TRUE(code.facts.dataExports.empty());
}

TEST(ModuleFileFacts, PeExportsAreNamesAndNamelessOrdinalsAndImportsIncludeDelayLoadedDlls) {
  const Read r = Facts(images::Pe());
  ASSERT_TRUE(r.ok) << r.reason;
  EXPECT_EQ(r.facts.format, ModuleFormat::Pe);
  EXPECT_EQ(r.facts.cpu, "x86_64");
  EXPECT_EQ(r.facts.fileType, "DLL");
  EXPECT_TRUE(r.facts.library);
  EXPECT_EQ(r.facts.exports, (Names{"c4d_main", "helper", "ordinal 3"}));
  EXPECT_EQ(r.facts.imports, (Names{"KERNEL32.dll", "libfoo.dll", "USER32.dll"}));

  Bytes b = images::Pe();
  Put(b, 0x84, 0xAA64, 2);
  Put(b, 0x96, 0x0022, 2);  // not a DLL
  const Read exe = Facts(b);
  ASSERT_TRUE(exe.ok) << exe.reason;
  EXPECT_EQ(exe.facts.cpu, "arm64");
  EXPECT_EQ(exe.facts.fileType, "executable");
  EXPECT_FALSE(exe.facts.library);
}

TEST(ModuleFileFacts, DamagedPeTablesAreRefusedWithTheReason) {
  const size_t s = images::kPeSection;
  Bytes b = images::Pe();
  Put(b, s + 0x50, 0x9000, 4);  // a name's RVA in no section
  EXPECT_EQ(Refusal(b), "export name 0 does not end inside its section");
  b = images::Pe();
  Put(b, s + 24, 0x7FFFFFFF, 4);  // more names than the file could hold
  EXPECT_NE(Refusal(b).find("an export directory of 3 functions and 2147483647 names"), std::string::npos);
  b = images::Pe();
  Put(b, s + 20, 1000, 4);  // a function table running past its section
  EXPECT_EQ(Refusal(b), "the export directory's tables lie outside the file's sections");
  b = images::Pe();
  for (size_t at = s + 0x80; at + 20 <= s + 0x200; at += 20) Put(b, at + 12, 0x10C0, 4);  // no empty descriptor
  EXPECT_EQ(Refusal(b), "the import table runs past its section without an end");
  b = images::Pe();
  for (size_t i = 0x1C0; i < 0x200; ++i) b[s + i] = 'x';
  Put(b, s + 0x80 + 12, 0x11C0, 4);  // a DLL name running to the section's end
  EXPECT_EQ(Refusal(b), "the name of entry 0 of the import table does not end inside its section");
}

TEST(ModuleFileFacts, MachOExportsComeFromTheTrieAndImportsFromTheLibraryCommands) {
  const Read r = Facts(images::MachO());
  ASSERT_TRUE(r.ok) << r.reason;
  EXPECT_EQ(r.facts.format, ModuleFormat::MachO);
  EXPECT_EQ(r.facts.cpu, "x86_64");
  EXPECT_EQ(r.facts.fileType, "dylib");
  EXPECT_TRUE(r.facts.library);
  EXPECT_EQ(r.facts.exports, (Names{"_c4d_main"}));
  EXPECT_EQ(r.facts.imports, (Names{"/usr/lib/libSystem.B.dylib"}));
  EXPECT_EQ(r.facts.platform, "macOS");
  EXPECT_EQ(r.facts.minimumOs, "11.0");
  EXPECT_FALSE(r.facts.flatNamespace);
  EXPECT_TRUE(r.facts.disagreements.empty());
  EXPECT_TRUE(r.facts.universal.empty());

  images::MachOPlan plan;
  plan.cpuType = 0x0100000C;  // arm64
  plan.fileType = 8;          // MH_BUNDLE
  plan.trie = images::TrieTwoExports();
  plan.trieIn = images::TrieIn::ExportsTrie;
  plan.symbols = {{"_c4d_main"}, {"_helper"}, {"_printf", images::kUndefinedExternal, 0x0100}};
  plan.libraries = {{0xC, "/usr/lib/libSystem.B.dylib"},
                    {0x80000018, "/opt/homebrew/lib/libfoo.dylib"},  // weak
                    {0x8000001F, "@rpath/libbar.dylib"},             // re-exported
                    {0x20, "/usr/lib/libz.1.dylib"}};                // lazy
  plan.osIn = images::OsIn::VersionMin;
  plan.minimumOs = 0x000A0D04;  // 10.13.4
  const Read two = Facts(images::MachO(plan));
  ASSERT_TRUE(two.ok) << two.reason;
  EXPECT_EQ(two.facts.cpu, "arm64");
  EXPECT_EQ(two.facts.fileType, "bundle");
  EXPECT_TRUE(two.facts.library);
  EXPECT_EQ(two.facts.exports, (Names{"_c4d_main", "_helper"}));
  EXPECT_EQ(two.facts.imports, (Names{"/usr/lib/libSystem.B.dylib", "/opt/homebrew/lib/libfoo.dylib",
                                      "@rpath/libbar.dylib", "/usr/lib/libz.1.dylib"}));
  EXPECT_EQ(two.facts.minimumOs, "10.13.4");
  EXPECT_TRUE(two.facts.disagreements.empty()) << two.facts.disagreements[0];
}

TEST(ModuleFileFacts, MachOSymbolTableStandsInForAMissingTrieAndIsComparedWithAPresentOne) {
  images::MachOPlan plan;
  plan.trieIn = images::TrieIn::None;
  plan.symbols = {{"_c4d_main"},
                  {"_kept_private", images::kPrivateExternal},
                  {"_missing_fn", images::kUndefinedExternal, 0xFE00},  // dynamic lookup
                  {"_local", 0x0E}};
  plan.flags = 0x5;  // no two-level namespace
  plan.osIn = images::OsIn::None;
  const Read r = Facts(images::MachO(plan));
  ASSERT_TRUE(r.ok) << r.reason;
  EXPECT_EQ(r.facts.exports, (Names{"_c4d_main"}));
  EXPECT_EQ(r.facts.flatLookups, (Names{"_missing_fn"}));
  EXPECT_TRUE(r.facts.flatNamespace);
  EXPECT_TRUE(r.facts.platform.empty());
  EXPECT_TRUE(r.facts.minimumOs.empty());

  plan = images::MachOPlan{};
  plan.symbols = {{"_c4d_main"}, {"_helper"}};  // the trie holds _c4d_main only
  const Read apart = Facts(images::MachO(plan));
  ASSERT_TRUE(apart.ok) << apart.reason;
  EXPECT_EQ(apart.facts.exports, (Names{"_c4d_main"}));
  EXPECT_EQ(apart.facts.disagreements,
            (Names{"the symbol table marks names external that the export trie lacks: _helper"}));
}

TEST(ModuleFileFacts, MachOTriesThatLoopOrLeaveThemselvesAreRefused) {
  const auto withTrie = [](Bytes trie) {
    images::MachOPlan plan;
    plan.trie = std::move(trie);
    return images::MachO(plan);
  };
  EXPECT_EQ(Refusal(withTrie({0x00, 0x01, 'a', 0x00, 0x00})),
            "the export trie's node at byte 0 is reached a second time: the trie loops");
  EXPECT_EQ(Refusal(withTrie({0x00, 0x01, 'a', 0x00, 0x05, 0x00, 0x01, 'b', 0x00, 0x05})),
            "the export trie's node at byte 5 is reached a second time: the trie loops");
  EXPECT_EQ(Refusal(withTrie({0x00, 0x01, 'a', 0x00, 0x7F})),
            "the export trie's edge at byte 2 leads to byte 127, past the trie's 5 bytes");
  EXPECT_EQ(Refusal(withTrie({0x00, 0x01, 'a', 'b', 'c'})), "the export trie's edge at byte 2 has a label without an end");
  EXPECT_EQ(Refusal(withTrie({0x00, 0x01, 0x00, 0x03, 0x00})), "the export trie's edge at byte 2 has an empty label");
  EXPECT_EQ(Refusal(withTrie({0x00, 0x01, 'a', 0x00, 0x80, 0x80})),
            "the export trie's edge at byte 2 has a child offset that does not end");
  EXPECT_EQ(Refusal(withTrie({0x09, 0x00, 0x00})), "the export trie's node at byte 0 runs past the end of the trie");
  // The information ends inside the node, but its flags run on past it.
  EXPECT_EQ(Refusal(withTrie({0x01, 0x80, 0x00})),
            "the export trie's node at byte 0 has flags that do not end inside its export information");
}

TEST(ModuleFileFacts, DamagedMachOCommandsAreRefusedWithTheReason) {
  const Bytes good = images::MachO();
  Bytes b = good;
  Put(b, 16, 40, 4);  // more commands than the table holds
  EXPECT_NE(Refusal(b).find("lies past the end of the load commands"), std::string::npos);
  b = good;
  Put(b, 32 + 4, 0, 4);  // a command of no size would be read for ever
  EXPECT_EQ(Refusal(b), "load command 0 (LC_SEGMENT_64) gives its size as 0 bytes, not a multiple of 8 from 8 on");
  b = good;
  Put(b, 20, 1u << 30, 4);  // a table larger than the file
  EXPECT_NE(Refusal(b).find("truncated: the load command table needs bytes 32 to"), std::string::npos);

  images::MachOPlan plan;
  plan.libraries = {{0xC, "/usr/lib/libSystem.B.dylib"}};
  plan.osIn = images::OsIn::None;
  b = images::MachO(plan);
  // The library command follows the header and the two segments, the trie's and the symbols'
  // commands (72, 72, 48 and 24 bytes); its 24 fixed bytes and the name are padded to 56.
  const size_t library = 32 + 72 + 72 + 48 + 24;
  ASSERT_EQ(b[library], 0xC);
  Bytes far = b;
  Put(far, library + 8, 56, 4);  // the name starts past the command
  EXPECT_EQ(Refusal(far), "the library name of load command 4 (LC_LOAD_DYLIB) does not end inside the command");
  for (size_t i = library + 24; i < library + 56; ++i) b[i] = 'x';  // no NUL inside the command
  EXPECT_EQ(Refusal(b), "the library name of load command 4 (LC_LOAD_DYLIB) does not end inside the command");

  plan = images::MachOPlan{};
  b = images::MachO(plan);
  Put(b, 4096 + 24, 1u << 20, 4);  // the first symbol's name past the names (after the trie's 18 bytes and padding)
  EXPECT_EQ(Refusal(b), "the name of symbol 0 does not end inside the symbol names");
}

TEST(ModuleFileFacts, UniversalFilesAreReadForTheirX86Slice) {
  const Read r = Facts(images::Universal({{0x0100000C, images::MachO()}, {0x01000007, images::MachO()}}));
  ASSERT_TRUE(r.ok) << r.reason;
  EXPECT_EQ(r.facts.universal, "x86_64 slice of a universal file (arm64, x86_64)");
  EXPECT_EQ(r.facts.exports, (Names{"_c4d_main"}));

  EXPECT_EQ(Refusal(images::Universal({{0x0100000C, images::MachO()}})),
            "a universal file without an x86_64 slice (it holds arm64)");
  Bytes cut = images::Universal({{0x01000007, images::MachO()}});
  cut.resize(cut.size() - 1);
  EXPECT_NE(Refusal(cut).find("truncated: the x86_64 slice needs"), std::string::npos);
  Bytes thin32 = images::MachO();
  Put(thin32, 0, 0xFEEDFACE, 4);
  Put(thin32, 4, 7, 4);
  EXPECT_EQ(Refusal(thin32), "a 32-bit Mach-O file for i386; modules are 64-bit");
  EXPECT_EQ(Refusal({0xFE, 0xED, 0xFA, 0xCF, 0, 0, 0, 18}), "a big-endian Mach-O file (PowerPC); modules are little-endian");
  EXPECT_EQ(Refusal({}), "an empty file");
  EXPECT_EQ(Refusal({'#', '!', '/', 'b'}), "not a module file: neither ELF, PE nor Mach-O");
}

TEST(ModuleFileFacts, TheBuiltModuleExportsOnlyItsEntryPoint) {
  ModuleFileFacts facts;
  std::string reason;
  ASSERT_TRUE(host::ReadModuleFileFacts(ModulePath(), facts, reason)) << reason;
  EXPECT_EQ(facts.format, host::NativeModuleFormat());
  EXPECT_EQ(facts.exports, (Names{"c4d_main"}));
  EXPECT_FALSE(facts.imports.empty());
}

}  // namespace
}  // namespace ombrel::test
