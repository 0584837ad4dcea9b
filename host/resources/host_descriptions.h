// The host's own description pieces: the symbols a plug-in description may
// use without defining them (its groups) and the built-in descriptions it
// may INCLUDE.
//
// Numbering: plug-in parameters start at 1000, so the host keeps 900..999 for
// its own entries; the material preview sits far above every plug-in range.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "description.h"

namespace ombrel::host {

inline constexpr int32_t kIdBaseListName = 900;         // ID_BASELIST_NAME, Xbase
inline constexpr int32_t kIdShaderType = 901;           // ID_SHADER_TYPE, Xbase
inline constexpr int32_t kIdShaderProperties = 910;     // ID_SHADERPROPERTIES, shader group
inline constexpr int32_t kIdToolMainGroup = 920;        // MDATA_MAINGROUP, tool group
inline constexpr int32_t kIdToolResetValues = 921;      // MDATA_RESETVALUES, ToolBase
inline constexpr int32_t kIdMaterialPreview = 520000000;  // ID_MATERIAL_PREVIEW, Mpreview

inline constexpr int32_t kCustomTypeGradient = 1000481;
inline constexpr int32_t kCustomTypeMaterialPreview = 1011153;

struct HostSymbol {
  std::string_view name;
  int32_t id;
  std::string_view label;
};

// A symbol the host defines for every description, or null.
const HostSymbol* FindHostSymbol(std::string_view name);

// Elements that `INCLUDE name;` adds (origin set to name, parentGroup 0,
// line 0), or null if the host has no description of that name.
const std::vector<DescElement>* FindHostDescription(std::string_view name);

}  // namespace ombrel::host
