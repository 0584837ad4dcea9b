// The export trie of a Mach-O image: the table the dynamic loader looks names up in, so what a
// module exports as the loader sees it. A hostile trie (a loop, an edge leaving the trie, a
// number that never ends) is refused with a reason.
#ifndef OMBREL_HOST_MACHO_EXPORT_TRIE_H
#define OMBREL_HOST_MACHO_EXPORT_TRIE_H

#include <cstdint>
#include <string>
#include <vector>

#include "image_bytes.h"

namespace ombrel::host::macho {

struct TrieExport {
  std::string name;
  uint64_t flags = 0;
};

// EXPORT_SYMBOL_FLAGS_*
constexpr uint64_t kExportKindMask = 0x3;
constexpr uint64_t kExportKindAbsolute = 0x2;
constexpr uint64_t kExportReexport = 0x8;
constexpr uint64_t kExportStubAndResolver = 0x10;

// Every name of the trie of `size` bytes at `offset`, in the trie's order. An empty trie (size
// 0) holds none.
bool ReadExportTrie(const ImageBytes& image, uint64_t offset, uint64_t size, std::vector<TrieExport>& exports,
                    std::string& reason);

}  // namespace ombrel::host::macho

#endif
