// Module files from any bytes: the truncation check of every format and the reader of a
// module's exports and imports must answer facts or a reason, never read outside the file. An
// input is either a file of its own or, when its first byte is below 8, one of the test images
// (ELF, PE, Mach-O with its variants, universal) with the input's bytes written over it in
// (offset, value) pairs, so mutations start deep inside well-formed tables.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "../tests/host/module_test_images.h"
#include "core/module_boundary.h"
#include "core/module_file_facts.h"

namespace {

using ombrel::test::images::Bytes;

Bytes Seed(unsigned char which) {
  namespace images = ombrel::test::images;
  images::MachOPlan plan;
  switch (which) {
    case 0: return images::Elf({{"c4d_main"}, {"helper", 2, 1}}, {"libc.so.6", "libm.so.6"});
    case 1: return images::Pe();
    case 2: return images::MachO();
    case 3:
      plan.trie = images::TrieTwoExports();
      plan.trieIn = images::TrieIn::ExportsTrie;
      plan.symbols = {{"_c4d_main"}, {"_helper"}, {"_missing", images::kUndefinedExternal, 0xFE00}};
      return images::MachO(plan);
    case 4:
      plan.trieIn = images::TrieIn::None;
      plan.osIn = images::OsIn::VersionMin;
      return images::MachO(plan);
    case 5: return images::Universal({{0x0100000C, images::MachO()}, {0x01000007, images::MachO()}});
    default: return images::Elf();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Bytes image;
  if (size > 0 && data[0] < 8) {
    image = Seed(data[0]);
    // Two bytes of offset (scaled over the image), one of value.
    for (size_t i = 1; i + 3 <= size; i += 3) {
      const size_t at = (static_cast<size_t>(data[i]) | static_cast<size_t>(data[i + 1]) << 8) % image.size();
      image[at] = data[i + 2];
    }
  } else {
    image.assign(data, data + size);
  }
  // An exact-size copy, so a read past the end is a read past the allocation.
  unsigned char* exact = static_cast<unsigned char*>(std::malloc(image.size() ? image.size() : 1));
  for (size_t i = 0; i < image.size(); ++i) exact[i] = image[i];
  std::string reason;
  for (const ombrel::host::ModuleFormat format :
       {ombrel::host::ModuleFormat::Elf, ombrel::host::ModuleFormat::Pe, ombrel::host::ModuleFormat::MachO}) {
    if (!ombrel::host::CheckModuleImage(exact, image.size(), format, reason) && reason.empty()) std::abort();
  }
  ombrel::host::ModuleFileFacts facts;
  if (ombrel::host::ReadModuleFacts(exact, image.size(), facts, reason)) {
    (void)ombrel::host::FormatProblem(facts);
    (void)ombrel::host::ExportsProblem(facts);
    (void)ombrel::host::ImportsProblem(facts);
    (void)ombrel::host::MinimumOsProblem(facts);
  } else if (reason.empty()) {
    std::abort();  // a refusal always says why
  }
  std::free(exact);
  return 0;
}
