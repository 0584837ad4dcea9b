#include "sdk_host.h"

namespace sdk_detail {
const HostApi* host = nullptr;
}

void SdkSetHost(const HostApi* api) { sdk_detail::host = api; }

bool SdkHostTableComplete(const HostApi* api) {
  return api && api->memory && api->strings && api->registry && api->containers && api->nodes && api->shaders &&
         api->gradients && api->bitmaps;
}

HostModule* SdkModule() { return sdk_detail::host ? sdk_detail::host->module : nullptr; }
