#include "sdk_host.h"

namespace {
const HostApi* g_host = nullptr;
}

void SdkSetHost(const HostApi* api) { g_host = api; }

bool SdkHostTableComplete(const HostApi* api) {
  return api && api->memory && api->strings && api->registry && api->containers && api->nodes && api->shaders &&
         api->gradients && api->bitmaps;
}

const HostApi* SdkHost() { return g_host; }

HostModule* SdkModule() { return g_host ? g_host->module : nullptr; }
