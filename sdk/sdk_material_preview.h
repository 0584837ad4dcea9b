// The host's material-preview data (custom data type 1011153): how the material editor shows a
// shader. Shaders store a default of it under ID_MATERIAL_PREVIEW with their preview mode.
#ifndef OMBREL_SDK_MATERIAL_PREVIEW_H
#define OMBREL_SDK_MATERIAL_PREVIEW_H

#include "sdk_types.h"

#define CUSTOMDATATYPE_MATPREVIEW HOST_CUSTOMDATA_MATPREVIEW
#define ID_MATERIAL_PREVIEW 520000000

class MaterialPreviewData {
 public:
  static MaterialPreviewData* From(void* customData) { return reinterpret_cast<MaterialPreviewData*>(customData); }

  // FALSE when the host has no such service (an older host) or the data is not a preview's.
  Bool SetPreviewType(LONG previewType);

 private:
  MaterialPreviewData() = delete;
  ~MaterialPreviewData() = delete;
};

#endif
