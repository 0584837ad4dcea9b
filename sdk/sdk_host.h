// Access to the host's function table, stored once at system init.
#ifndef OMBREL_SDK_HOST_H
#define OMBREL_SDK_HOST_H

#include "host_api.h"

// Stores the table the host handed to c4d_main: the first system init that accepts the host
// sets it, the last end clears it (null).
void SdkSetHost(const HostApi* api);

// Whether every service family the SDK calls through is present in the table.
bool SdkHostTableComplete(const HostApi* api);

// The table; null before system init. Every SDK call goes through it.
const HostApi* SdkHost();

// The module handle the host gave us, passed back on calls that are accounted per module.
HostModule* SdkModule();

#endif
