// Reading typed fields out of the JSON document: each reader answers the value or throws a
// SceneFileError that names the field and says what was expected and what was found.
#ifndef OMBREL_HOST_SCENEFILE_JSON_CHECKS_H
#define OMBREL_HOST_SCENEFILE_JSON_CHECKS_H

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "host_api.h"
#include "scenefile/scene_plan.h"

namespace ombrel::host::scenefile {

// Objects keep the file's key order, so faults are reported in the order they were written.
using Json = nlohmann::ordered_json;

// How a value is named in messages: "a string", "an object", "2.5", "true", ...
std::string Found(const Json& value);

[[noreturn]] void Expected(const std::string& path, std::string_view what, const Json& found);

void RequireObject(const Json& value, const std::string& path);
void RequireArray(const Json& value, const std::string& path);
// Every key of `object` must be one of `allowed`: a misspelt key must not pass silently.
void CheckKeys(const Json& object, const std::string& path, std::span<const std::string_view> allowed);
// "unknown key "k"; expected one of a, b, c"
std::string UnknownKeyMessage(std::string_view key, std::span<const std::string_view> allowed);

double ReadNumber(const Json& value, const std::string& path);
// An integer in the 32-bit range; an integral value written with a fraction part or exponent
// (2.0, 1e3) counts as one.
int32_t ReadInt32(const Json& value, const std::string& path);
int32_t ReadInt32InRange(const Json& value, const std::string& path, int32_t min, int32_t max);
bool ReadBool(const Json& value, const std::string& path);
const std::string& ReadString(const Json& value, const std::string& path);
// A non-empty string naming a node.
const std::string& ReadName(const Json& value, const std::string& path);
// [x, y, z]
HostVector ReadVector3(const Json& value, const std::string& path);

}  // namespace ombrel::host::scenefile

#endif
