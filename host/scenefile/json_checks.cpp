#include "scenefile/json_checks.h"

#include <cmath>
#include <limits>

#include "core/printable_text.h"
#include "scenefile/json_positions.h"

namespace ombrel::host::scenefile {

std::string Found(const Json& value) {
  switch (value.type()) {
    case Json::value_t::null: return "null";
    case Json::value_t::boolean: return value.get<bool>() ? "true" : "false";
    case Json::value_t::string: return "a string";
    case Json::value_t::object: return value.empty() ? "an empty object" : "an object";
    case Json::value_t::array:
      if (value.empty()) return "an empty array";
      return "an array of " + std::to_string(value.size()) + (value.size() == 1 ? " item" : " items");
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
    case Json::value_t::number_float: return value.dump();
    default: return "a value of another kind";
  }
}

void Expected(const std::string& path, std::string_view what, const Json& found) {
  throw SceneFileError(path, "expected " + std::string(what) + ", found " + Found(found));
}

void RequireObject(const Json& value, const std::string& path) {
  if (!value.is_object()) Expected(path, "an object", value);
}

void RequireArray(const Json& value, const std::string& path) {
  if (!value.is_array()) Expected(path, "an array", value);
}

std::string UnknownKeyMessage(std::string_view key, std::span<const std::string_view> allowed) {
  std::string list;
  for (std::string_view a : allowed) {
    if (!list.empty()) list += ", ";
    list += a;
  }
  return "unknown key \"" + ShownName(key) + "\"; expected one of " + list;
}

void CheckKeys(const Json& object, const std::string& path, std::span<const std::string_view> allowed) {
  for (const auto& [key, value] : object.items()) {
    bool known = false;
    for (std::string_view a : allowed) known = known || key == a;
    if (!known) throw SceneFileError(MemberPath(path, key), UnknownKeyMessage(key, allowed));
  }
}

double ReadNumber(const Json& value, const std::string& path) {
  if (!value.is_number()) Expected(path, "a number", value);
  const double v = value.get<double>();
  // The parser refuses literals beyond a double's range, so this only guards against that changing.
  if (!std::isfinite(v)) throw SceneFileError(path, "the number is too large");
  return v;
}

int32_t ReadInt32(const Json& value, const std::string& path) {
  constexpr auto kMin = std::numeric_limits<int32_t>::min();
  constexpr auto kMax = std::numeric_limits<int32_t>::max();
  if (value.is_number_unsigned()) {
    const auto v = value.get<uint64_t>();
    if (v > static_cast<uint64_t>(kMax)) Expected(path, "an integer in the 32-bit range", value);
    return static_cast<int32_t>(v);
  }
  if (value.is_number_integer()) {
    const auto v = value.get<int64_t>();
    if (v < kMin || v > kMax) Expected(path, "an integer in the 32-bit range", value);
    return static_cast<int32_t>(v);
  }
  if (value.is_number_float()) {
    const double v = value.get<double>();
    if (!std::isfinite(v) || v != std::trunc(v)) Expected(path, "an integer", value);
    if (v < kMin || v > kMax) Expected(path, "an integer in the 32-bit range", value);
    return static_cast<int32_t>(v);
  }
  Expected(path, "an integer", value);
}

int32_t ReadInt32InRange(const Json& value, const std::string& path, int32_t min, int32_t max) {
  const int32_t v = ReadInt32(value, path);
  if (v < min || v > max) {
    Expected(path, "an integer from " + std::to_string(min) + " to " + std::to_string(max), value);
  }
  return v;
}

bool ReadBool(const Json& value, const std::string& path) {
  if (!value.is_boolean()) Expected(path, "true or false", value);
  return value.get<bool>();
}

const std::string& ReadString(const Json& value, const std::string& path) {
  if (!value.is_string()) Expected(path, "a string", value);
  return value.get_ref<const std::string&>();
}

const std::string& ReadName(const Json& value, const std::string& path) {
  if (!value.is_string()) Expected(path, "a name (a string)", value);
  const std::string& name = value.get_ref<const std::string&>();
  if (name.empty()) throw SceneFileError(path, "expected a name, found an empty string");
  return name;
}

HostVector ReadVector3(const Json& value, const std::string& path) {
  if (!value.is_array() || value.size() != 3) Expected(path, "an array of 3 numbers", value);
  return HostVector{ReadNumber(value[0], ItemPath(path, 0)), ReadNumber(value[1], ItemPath(path, 1)),
                    ReadNumber(value[2], ItemPath(path, 2))};
}

}  // namespace ombrel::host::scenefile
