// The keys of the fixed parts of a scene file, shared by the checks while parsing and the reader.
#ifndef OMBREL_HOST_SCENEFILE_SCENE_KEYS_H
#define OMBREL_HOST_SCENEFILE_SCENE_KEYS_H

#include <array>
#include <string_view>

namespace ombrel::host::scenefile {

inline constexpr std::array<std::string_view, 4> kDocumentKeys{"settings", "shaders", "materials", "objects"};
inline constexpr std::array<std::string_view, 7> kSettingsKeys{"width",      "height", "linearWorkflow", "threads",
                                                              "background", "time",   "fps"};
inline constexpr std::array<std::string_view, 3> kShaderKeys{"name", "type", "params"};
inline constexpr std::array<std::string_view, 2> kLinkKeys{"link", "owns"};
inline constexpr std::array<std::string_view, 3> kMaterialKeys{"name", "shader", "active"};
inline constexpr std::array<std::string_view, 14> kObjectKeys{"name",    "type", "identity", "parent", "origin",
                                                             "renderIndex", "rows", "columns", "rect",  "uv",
                                                             "material",    "params", "tags", "active"};
inline constexpr std::array<std::string_view, 3> kTagKeys{"type", "name", "params"};
inline constexpr std::array<std::string_view, 4> kKnotKeys{"color", "brightness", "position", "bias"};

}  // namespace ombrel::host::scenefile

#endif
