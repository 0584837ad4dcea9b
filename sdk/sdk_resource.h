// The module's string table and descriptions, and the host console.
#ifndef OMBREL_SDK_RESOURCE_H
#define OMBREL_SDK_RESOURCE_H

#include "sdk_string.h"

class GeResource {
 public:
  // Loads from the module folder once; later calls answer the first result.
  Bool Init(const Filename& moduleFolder);
  void Free();
  Bool IsLoaded() const { return resource_ != nullptr; }
  // Empty while nothing is loaded or for an unknown ID.
  String LoadString(LONG id) const;
  const HostResource* Host() const { return resource_; }

 private:
  HostResource* resource_ = nullptr;
  Bool attempted_ = FALSE;
};

// The module's own resource, loaded at plug-in message 1.
extern GeResource gModuleResource;

// A string of the module's resource; empty while the resource is not loaded.
String GeLoadString(LONG id);

// One line on the host console.
void GePrint(const String& line);

#endif
