// Module files are checked against their own headers before the system loader maps them: a
// file cut short anywhere is refused with a reason instead of crashing the host.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "core/module_file_check.h"
#include "core/module_library.h"
#include "module_fixture.h"
#include "module_test_images.h"

namespace ombrel::test {
namespace {

using host::CheckModuleImage;
using host::ModuleFormat;

void Put(std::vector<unsigned char>& b, size_t at, uint64_t value, int bytes) {
  if (b.size() < at + static_cast<size_t>(bytes)) b.resize(at + static_cast<size_t>(bytes));
  for (int i = 0; i < bytes; ++i) b[at + static_cast<size_t>(i)] = static_cast<unsigned char>(value >> (8 * i));
}

// A 64-bit ELF file of 4096 bytes: one loaded segment of bytes 0 to 3000 and a table of two
// sections (a null one and one of bytes 3000 to 3500) at byte 3584.
std::vector<unsigned char> SmallElf() {
  std::vector<unsigned char> b(4096, 0);
  Put(b, 0, 0x464C457F, 4);
  b[4] = 2;  // 64-bit
  b[5] = 1;  // little-endian
  b[6] = 1;
  Put(b, 32, 64, 8);    // program headers right after the header
  Put(b, 40, 3584, 8);  // section headers
  Put(b, 54, 56, 2);
  Put(b, 56, 1, 2);
  Put(b, 58, 64, 2);
  Put(b, 60, 2, 2);
  Put(b, 64, 1, 4);         // PT_LOAD
  Put(b, 64 + 8, 0, 8);     // offset
  Put(b, 64 + 32, 3000, 8); // file size
  Put(b, 64 + 40, 3000, 8); // memory size
  Put(b, 3584 + 64 + 4, 1, 4);      // section 1: PROGBITS
  Put(b, 3584 + 64 + 24, 3000, 8);  // offset
  Put(b, 3584 + 64 + 32, 500, 8);   // size
  return b;
}

// A PE32+ file of 2048 bytes: headers of 1024 bytes and one section of bytes 1024 to 2048.
std::vector<unsigned char> SmallPe() {
  std::vector<unsigned char> b(2048, 0);
  Put(b, 0, 0x5A4D, 2);
  Put(b, 0x3C, 128, 4);
  Put(b, 128, 0x00004550, 4);
  Put(b, 128 + 6, 1, 2);      // one section
  Put(b, 128 + 20, 240, 2);   // optional header size
  Put(b, 152, 0x20B, 2);      // PE32+
  Put(b, 152 + 60, 1024, 4);  // size of headers
  const size_t section = 152 + 240;
  Put(b, section + 16, 1024, 4);  // raw size
  Put(b, section + 20, 1024, 4);  // raw offset
  return b;
}

bool Check(const std::vector<unsigned char>& b, ModuleFormat format, std::string& reason) {
  return CheckModuleImage(b.data(), b.size(), format, reason);
}

TEST(ModuleFileCheck, WholeFilesPassAndEveryShorterCutIsRefused) {
  for (const auto& [image, format] : {std::pair{SmallElf(), ModuleFormat::Elf}, std::pair{SmallPe(), ModuleFormat::Pe}}) {
    std::string reason;
    ASSERT_TRUE(Check(image, format, reason)) << reason;
    // Every byte up to the end of the last thing the headers name belongs to the file.
    const size_t needed = format == ModuleFormat::Elf ? 3584 + 2 * 64 : 2048;
    for (size_t cut = 0; cut < needed; ++cut) {
      const std::vector<unsigned char> shorter(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(cut));
      EXPECT_FALSE(Check(shorter, format, reason)) << cut;
      EXPECT_FALSE(reason.empty());
    }
  }
}

TEST(ModuleFileCheck, HeadersThatPointOutsideTheFileAreRefusedWithTheReason) {
  std::string reason;
  std::vector<unsigned char> elf = SmallElf();
  Put(elf, 64 + 32, 5000, 8);  // the loaded segment runs past the end
  Put(elf, 64 + 40, 5000, 8);
  EXPECT_FALSE(Check(elf, ModuleFormat::Elf, reason));
  EXPECT_EQ(reason, "truncated: segment 0 needs bytes 0 to 5000 but the file has 4096 bytes");

  elf = SmallElf();
  Put(elf, 64 + 8, ~uint64_t{0} - 10, 8);  // an offset that wraps around when the size is added
  EXPECT_FALSE(Check(elf, ModuleFormat::Elf, reason));

  elf = SmallElf();
  Put(elf, 56, 0xFFFF, 2);  // more program headers than the file holds
  EXPECT_FALSE(Check(elf, ModuleFormat::Elf, reason));
  EXPECT_NE(reason.find("program header table"), std::string::npos) << reason;

  std::vector<unsigned char> pe = SmallPe();
  Put(pe, 0x3C, 0xFFFFFFF0, 4);
  EXPECT_FALSE(Check(pe, ModuleFormat::Pe, reason));
  pe = SmallPe();
  Put(pe, 128 + 6, 200, 2);  // a section table longer than the file
  EXPECT_FALSE(Check(pe, ModuleFormat::Pe, reason));
  EXPECT_NE(reason.find("section table"), std::string::npos) << reason;

  // One format is not taken for the other.
  EXPECT_FALSE(Check(SmallPe(), ModuleFormat::Elf, reason));
  EXPECT_EQ(reason, "not an ELF file");
  EXPECT_FALSE(Check(SmallElf(), ModuleFormat::Pe, reason));
  EXPECT_FALSE(CheckModuleImage(nullptr, 100, ModuleFormat::Elf, reason));
}

// A Mach-O dylib of the test images: header and load commands, the __TEXT segment to byte 4096
// and __LINKEDIT from there to the end.
TEST(ModuleFileCheck, MachOFilesPassWholeAndEveryShorterCutIsRefused) {
  const std::vector<unsigned char> image = images::MachO();
  // 4096 + the trie's 18 bytes padded to 24 + one 16-byte symbol + " \0_c4d_main\0" padded to 16.
  ASSERT_EQ(image.size(), 4152u);
  std::string reason;
  ASSERT_TRUE(Check(image, ModuleFormat::MachO, reason)) << reason;
  for (size_t cut = 0; cut < image.size(); ++cut) {
    const std::vector<unsigned char> shorter(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(cut));
    EXPECT_FALSE(Check(shorter, ModuleFormat::MachO, reason)) << cut;
    EXPECT_FALSE(reason.empty());
  }
  // Each slice of a universal file lies in the file, and the x86_64 slice's own headers pass.
  const std::vector<unsigned char> universal = images::Universal({{0x0100000C, image}, {0x01000007, image}});
  ASSERT_TRUE(Check(universal, ModuleFormat::MachO, reason)) << reason;
  std::vector<unsigned char> damaged = universal;
  images::Put(damaged, 12288 + 16, 1000, 4);  // the command count of the x86_64 slice, the second one
  EXPECT_FALSE(Check(damaged, ModuleFormat::MachO, reason));
}

TEST(ModuleFileCheck, MachOSegmentsAndTablesThatPointOutsideTheFileAreRefused) {
  const std::vector<unsigned char> good = images::MachO();
  const size_t linkEdit = 32 + 72;  // the second load command
  std::vector<unsigned char> b = good;
  images::Put(b, linkEdit + 48, good.size(), 8);  // __LINKEDIT's file size from byte 4096 on
  std::string reason;
  EXPECT_FALSE(Check(b, ModuleFormat::MachO, reason));
  EXPECT_EQ(reason, "truncated: segment __LINKEDIT needs bytes 4096 to " + std::to_string(4096 + good.size()) +
                        " but the file has " + std::to_string(good.size()) + " bytes");
  b = good;
  images::Put(b, linkEdit + 40, ~uint64_t{0} - 10, 8);  // an offset that wraps around
  EXPECT_FALSE(Check(b, ModuleFormat::MachO, reason));
  b = good;
  images::Put(b, linkEdit + 32, 16, 8);  // more in the file than in memory
  EXPECT_FALSE(Check(b, ModuleFormat::MachO, reason));
  EXPECT_EQ(reason, "segment __LINKEDIT holds more bytes in the file than in memory");
  b = good;
  images::Put(b, linkEdit + 64, 1, 4);  // a section the command has no room for
  EXPECT_FALSE(Check(b, ModuleFormat::MachO, reason));
  EXPECT_EQ(reason, "segment __LINKEDIT lists 1 sections, more than its load command holds");
  b = good;
  images::Put(b, 32 + 72 + 72 + 48 + 12, 0x10000000, 4);  // symbol count of LC_SYMTAB
  EXPECT_FALSE(Check(b, ModuleFormat::MachO, reason));
  EXPECT_NE(reason.find("truncated: the symbol table needs"), std::string::npos) << reason;
}

TEST(ModuleFileCheck, FormatsAreToldByTheirFirstBytes) {
  ModuleFormat format{};
  ASSERT_TRUE(host::DetectModuleFormat(SmallElf().data(), 4096, format));
  EXPECT_EQ(format, ModuleFormat::Elf);
  ASSERT_TRUE(host::DetectModuleFormat(SmallPe().data(), 2048, format));
  EXPECT_EQ(format, ModuleFormat::Pe);
  const std::vector<unsigned char> universal = images::Universal({{0x01000007, images::MachO()}});
  ASSERT_TRUE(host::DetectModuleFormat(universal.data(), universal.size(), format));
  EXPECT_EQ(format, ModuleFormat::MachO);
  // A Java class file shares the universal file's magic number, with a version where the slice
  // count would be.
  const unsigned char javaClass[] = {0xCA, 0xFE, 0xBA, 0xBE, 0x00, 0x00, 0x00, 0x37};
  EXPECT_FALSE(host::DetectModuleFormat(javaClass, sizeof javaClass, format));
  EXPECT_FALSE(host::DetectModuleFormat(nullptr, 0, format));
}

TEST(ModuleFileCheck, AFileOfAnotherSystemIsRefusedAsSuch) {
  const std::filesystem::path file = std::filesystem::path(testing::TempDir()) / "ombrel_module_check.dylib";
  {
    const std::vector<unsigned char> b = images::MachO();
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  }
  std::string reason;
  EXPECT_FALSE(host::CheckModuleFile(file, reason));
  EXPECT_EQ(reason, std::string("a Mach-O file, which this host (") + host::HostSystemName() + ") cannot load");
  std::filesystem::remove(file);
}

#if defined(__linux__) && defined(__x86_64__)
// The system loader would answer "No such file or directory" for the first, and the host would
// call the second's data.
TEST(ModuleFileCheck, ModulesForAnotherCpuOrWithDataForTheirEntryAreNotHandedToTheLoader) {
  const std::filesystem::path file = std::filesystem::path(testing::TempDir()) / "ombrel_module_refused.so";
  const auto open = [&file](const std::vector<unsigned char>& b) {
    {
      std::ofstream out(file, std::ios::binary);
      out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    }
    std::string error;
    EXPECT_EQ(host::ModuleLibrary::Open(file, error), nullptr);
    return error;
  };
  std::vector<unsigned char> arm = images::Elf();
  images::Put(arm, 18, 183, 2);  // EM_AARCH64
  EXPECT_EQ(open(arm), "cannot load module " + file.string() +
                           ": it is an ELF arm64 shared object, built for another machine: this host (Linux x86_64) "
                           "loads x86_64 modules only");
  EXPECT_NE(open(images::Elf({{"c4d_main", 1, 1}})).find(": it exports c4d_main as data (an ELF object symbol)"),
            std::string::npos);
  std::filesystem::remove(file);
}
#endif

TEST(ModuleFileCheck, TheBuiltModulePasses) {
  std::ifstream in(ModulePath(), std::ios::binary);
  const std::vector<unsigned char> image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string reason;
  EXPECT_TRUE(CheckModuleImage(image.data(), image.size(), host::NativeModuleFormat(), reason)) << reason;
}

}  // namespace
}  // namespace ombrel::test
