#include "sdk_memory.h"

#include "sdk_host.h"

void* GeAllocImpl(VLONG size, LONG line, const char* file) {
  const HostApi* host = SdkHost();
  if (!host || size < 0) return nullptr;
  return host->memory->alloc(host->module, size, line, file);
}

void GeFreeImpl(void* block) {
  const HostApi* host = SdkHost();
  if (!host || !block) return;
  host->memory->free(host->module, block);
}
