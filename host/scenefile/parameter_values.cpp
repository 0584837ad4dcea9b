#include "scenefile/parameter_values.h"

#include <memory>

#include "core/gradient.h"
#include "scenefile/json_positions.h"
#include "scenefile/scene_keys.h"

namespace ombrel::host::scenefile {

std::optional<ParamKind> SettableKind(const DescElement& element) {
  // The host's own entries (node name, shader type) are not parameters a file sets: the name
  // has its own field and the type is given by "type".
  if (!element.origin.empty()) return std::nullopt;
  const std::string& k = element.kind;
  if (k == "REAL") return ParamKind::Real;
  if (k == "LONG") return ParamKind::Long;
  if (k == "BOOL") return ParamKind::Bool;
  if (k == "VECTOR" || k == "COLOR") return ParamKind::Vector;
  if (k == "STRING") return ParamKind::Text;
  if (k == "FILENAME") return ParamKind::Filename;
  if (k == "SHADERLINK") return ParamKind::ShaderLink;
  if (k == "LINK") return ParamKind::Link;
  if (k == "GRADIENT") return ParamKind::Gradient;
  return std::nullopt;
}

namespace {

HostData Vector(const HostVector& v) {
  HostData d;
  d.type = HOST_DA_VECTOR;
  d.vec = v;
  return d;
}

HostData Text(int32_t type, const std::string& text) {
  HostData d;
  d.type = type;
  d.text = text;
  return d;
}

double ReadFraction(const Json& value, const std::string& path) {
  const double v = ReadNumber(value, path);
  if (v < 0.0 || v > 1.0) Expected(path, "a number from 0 to 1", value);
  return v;
}

}  // namespace

HostData ReadGradient(const Json& value, const std::string& path) {
  if (!value.is_array()) Expected(path, "an array of gradient knots", value);
  auto gradient = std::make_unique<HostGradient>();
  for (size_t i = 0; i < value.size(); ++i) {
    const std::string knotPath = ItemPath(path, i);
    const Json& k = value[i];
    if (!k.is_object()) Expected(knotPath, "a gradient knot (an object)", k);
    CheckKeys(k, knotPath, kKnotKeys);
    if (!k.contains("color")) throw SceneFileError(MemberPath(knotPath, "color"), "missing; a knot needs a colour [r, g, b]");
    if (!k.contains("position")) throw SceneFileError(MemberPath(knotPath, "position"), "missing; a knot needs a position from 0 to 1");
    HostGradientKnot knot{};
    knot.color = ReadVector3(k["color"], MemberPath(knotPath, "color"));
    knot.position = ReadFraction(k["position"], MemberPath(knotPath, "position"));
    knot.brightness = 1.0;
    if (k.contains("brightness")) {
      const std::string p = MemberPath(knotPath, "brightness");
      knot.brightness = ReadNumber(k["brightness"], p);
      if (knot.brightness < 0.0) Expected(p, "a brightness of 0 or more", k["brightness"]);
    }
    knot.bias = k.contains("bias") ? ReadFraction(k["bias"], MemberPath(knotPath, "bias")) : 0.5;
    knot.index = 0;
    gradient->knots.push_back(knot);
  }
  HostData d;
  d.type = HOST_DA_CUSTOM;
  d.custom = std::move(gradient);
  return d;
}

HostData ReadParamValue(ParamKind kind, const Json& value, const std::string& path) {
  switch (kind) {
    case ParamKind::Real: return HostData::OfReal(ReadNumber(value, path));
    case ParamKind::Long: return HostData::OfInt32(ReadInt32(value, path));
    case ParamKind::Bool: return HostData::OfInt32(ReadBool(value, path) ? 1 : 0);
    case ParamKind::Vector: return Vector(ReadVector3(value, path));
    case ParamKind::Text: return Text(HOST_DA_STRING, ReadString(value, path));
    case ParamKind::Filename: return Text(HOST_DA_FILENAME, ReadString(value, path));
    case ParamKind::Gradient: return ReadGradient(value, path);
    case ParamKind::ShaderLink:
    case ParamKind::Link: break;
  }
  throw SceneFileError(path, "internal: links are read by the scene reader");
}

HostData ReadUntypedValue(const Json& value, const std::string& path) {
  if (value.is_boolean()) return HostData::OfInt32(value.get<bool>() ? 1 : 0);
  if (value.is_number_float()) return HostData::OfReal(ReadNumber(value, path));
  if (value.is_number()) return HostData::OfInt32(ReadInt32(value, path));
  if (value.is_string()) return Text(HOST_DA_STRING, value.get<std::string>());
  if (value.is_array() && !value.empty() && value[0].is_object()) return ReadGradient(value, path);
  if (value.is_array()) return Vector(ReadVector3(value, path));
  Expected(path, "a number, true/false, [x, y, z], gradient knots, a string, a shader or {\"link\": name}", value);
}

}  // namespace ombrel::host::scenefile
