#include "families.h"
#include "host.h"

namespace ombrel::host {
namespace {

void* Alloc(HostModule* module, int64_t size, int32_t line, const char* file) {
  return module ? module->ledger.Allocate(size, line, file) : nullptr;
}
void* Realloc(HostModule* module, void* block, int64_t size) {
  return module ? module->ledger.Reallocate(block, size) : nullptr;
}
void Free(HostModule* module, void* block) {
  if (module) module->ledger.Free(block);
}

const HostMemoryApi kMemory{sizeof(HostMemoryApi), Alloc, Realloc, Free};

}  // namespace

const HostMemoryApi* MemoryFamily() { return &kMemory; }

}  // namespace ombrel::host
