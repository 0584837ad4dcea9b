#include "sdk_material_preview.h"

#include <cstddef>

#include "sdk_host.h"

Bool MaterialPreviewData::SetPreviewType(LONG previewType) {
  const HostApi* host = SdkHost();
  const HostContainerApi* api = host ? host->containers : nullptr;
  // The service came with a later revision of the containers family: older hosts hand over a
  // shorter table.
  constexpr size_t kNeeded =
      offsetof(HostContainerApi, materialPreviewSetType) + sizeof(HostContainerApi::materialPreviewSetType);
  if (!api || api->size < kNeeded || !api->materialPreviewSetType) return FALSE;
  return api->materialPreviewSetType(this, previewType);
}
