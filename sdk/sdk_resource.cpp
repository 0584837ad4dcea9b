#include "sdk_resource.h"

#include "sdk_host.h"

GeResource gModuleResource;

Bool GeResource::Init(const Filename& moduleFolder) {
  if (attempted_) return IsLoaded();
  // Without a host nothing was tried: a load once a host is there must still happen.
  const HostApi* host = SdkHost();
  if (!host) return FALSE;
  attempted_ = TRUE;
  resource_ = host->strings->resourceLoad(host->module, moduleFolder.GetString().ToHost());
  return IsLoaded();
}

void GeResource::Free() {
  const HostApi* host = SdkHost();
  if (resource_ && host) host->strings->resourceFree(host->module, resource_);
  resource_ = nullptr;
  attempted_ = FALSE;
}

String GeResource::LoadString(LONG id) const {
  if (!resource_) return String();
  return String(SdkHost()->strings->resourceString(resource_, id));
}

String GeLoadString(LONG id) { return gModuleResource.LoadString(id); }

void GePrint(const String& line) {
  const HostApi* host = SdkHost();
  if (host) host->strings->print(host->module, line.ToHost());
}
