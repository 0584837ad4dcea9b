#include "sdk_host.h"

namespace {
const HostApi* g_host = nullptr;
}

void SdkSetHost(const HostApi* api) { g_host = api; }

const HostApi* SdkHost() { return g_host; }

HostModule* SdkModule() { return g_host ? g_host->module : nullptr; }
