// The host's service families, one C function table each, as handed to modules in HostApi.
// Each family lives in its own family_*.cpp; a new service goes at the end of its family.
#ifndef OMBREL_HOST_FAMILIES_H
#define OMBREL_HOST_FAMILIES_H

#include <string>

#include "host_api.h"

namespace ombrel::host {

class Host;

const HostMemoryApi* MemoryFamily();
const HostStringApi* StringFamily();
const HostRegistryApi* RegistryFamily();
const HostContainerApi* ContainerFamily();
const HostNodeApi* NodeFamily();
const HostShaderApi* ShaderFamily();
const HostGradientApi* GradientFamily();
const HostBitmapApi* BitmapFamily();
const HostDialogApi* DialogFamily();
const HostViewApi* ViewFamily();
const HostMiscApi* MiscFamily();

// The host that modules currently talk to, for services that carry no module handle
// (active document, scene events). Set while a Host exists.
Host* CurrentHost();
void SetCurrentHost(Host* host);

// Shortest text that reads back to the same double, in fixed notation unless asked otherwise.
std::string RealToText(double value, int32_t before, int32_t after, bool exponent, char fill);

}  // namespace ombrel::host

#endif
