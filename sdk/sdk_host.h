// Access to the host's function table, stored once at system init.
#ifndef OMBREL_SDK_HOST_H
#define OMBREL_SDK_HOST_H

#include <cstddef>
#include <type_traits>

#include "host_api.h"

// Stores the table the host handed to c4d_main: the first system init that accepts the host
// sets it, the last end clears it (null).
void SdkSetHost(const HostApi* api);

// Whether every service family the SDK calls through is present in the table.
bool SdkHostTableComplete(const HostApi* api);

namespace sdk_detail {
extern const HostApi* host;
}

// The table; null before system init. Every SDK call goes through it, some on every sample, so it
// is read inline.
inline const HostApi* SdkHost() { return sdk_detail::host; }

// The module handle the host gave us, passed back on calls that are accounted per module.
HostModule* SdkModule();

// Functions of a later revision exist only when the host's family is long enough to hold them.
#define OMBREL_HAS(family, member)                                                                      \
  ((family) != nullptr &&                                                                               \
   (family)->size >= offsetof(std::remove_cv_t<std::remove_pointer_t<decltype(family)>>, member) +     \
                         sizeof((family)->member) &&                                                    \
   (family)->member != nullptr)

#endif
