// Parameter values of a shader as the file gives them, checked against the kind of the
// description element and turned into the host's stored values.
#ifndef OMBREL_HOST_SCENEFILE_PARAMETER_VALUES_H
#define OMBREL_HOST_SCENEFILE_PARAMETER_VALUES_H

#include <optional>
#include <string>
#include <string_view>

#include "core/data.h"
#include "resources/description.h"
#include "scenefile/json_checks.h"

namespace ombrel::host::scenefile {

enum class ParamKind { Real, Long, Bool, Vector, Text, Filename, ShaderLink, Link, Gradient };

// The kind of value an element holds; nullopt for elements that hold none (groups, buttons,
// separators, the preview) and for entries the host keeps itself (name, type).
std::optional<ParamKind> SettableKind(const DescElement& element);

// A value of any kind but the two links. BOOL is stored as the integer 0 or 1, as the host
// stores it.
HostData ReadParamValue(ParamKind kind, const Json& value, const std::string& path);

// A parameter of a shader without a description: the JSON value decides its type. An integer
// is stored as an integer, any other number as a real, true/false as 0/1, [x, y, z] as a
// vector, a list of knot objects as a gradient and a string as text. Objects (links and shaders
// defined in place) are the caller's.
HostData ReadUntypedValue(const Json& value, const std::string& path);

// [{"color": [r, g, b], "brightness": 1, "position": 0..1, "bias": 0..1}, ...]
HostData ReadGradient(const Json& value, const std::string& path);

}  // namespace ombrel::host::scenefile

#endif
