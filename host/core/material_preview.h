// The host's material-preview data (custom data type 1011153): how the material editor
// previews a shader. The stand-in host has no material editor; it keeps the mode so that scenes
// and tests can see what a plug-in asked for.
#ifndef OMBREL_HOST_MATERIAL_PREVIEW_H
#define OMBREL_HOST_MATERIAL_PREVIEW_H

#include <memory>

#include "data.h"

struct HostMaterialPreview : HostCustomData {
  int32_t previewType = 0;  // 0: the editor's own choice

  int32_t CustomType() const override { return HOST_CUSTOMDATA_MATPREVIEW; }
  std::unique_ptr<HostCustomData> Clone() const override { return std::make_unique<HostMaterialPreview>(*this); }
};

#endif
