#include "scenefile/scene_file.h"

#include <algorithm>

#include "core/builtin_shaders.h"
#include "core/printable_text.h"
#include "core/regular_file.h"
#include "scenefile/json_checks.h"
#include "scenefile/json_positions.h"
#include "scenefile/scene_builder.h"
#include "scenefile/scene_json.h"
#include "scenefile/scene_reader.h"

namespace ombrel::host {
namespace {

using scenefile::Json;
using scenefile::TextPosition;

// A field's path names every key on the way; a key of megabytes is cut like a name, each on its
// own, so that a deep path still shows every level.
std::string ShownPath(std::string_view path) {
  std::string out;
  for (size_t start = 0; start <= path.size();) {
    const size_t dot = std::min(path.find('.', start), path.size());
    if (start > 0) out += '.';
    out += ShownName(path.substr(start, dot - start));
    start = dot + 1;
  }
  return out;
}

// Scene files are small; anything far larger is not one, and is refused before it is read.
constexpr std::uintmax_t kMaxFileBytes = 64u << 20;

std::string Located(const std::string& name, TextPosition at, const std::string& path, const std::string& message) {
  std::string out = name + ":" + std::to_string(at.line) + ": ";
  if (!path.empty()) out += ShownPath(path) + ": ";
  return out + message;
}

}  // namespace

bool LoadSceneText(Host& host, std::string_view text, const std::string& name, Scene& scene, std::string& error) {
  Json document;
  scenefile::JsonFault fault;
  if (!scenefile::ParseSceneJson(text, document, fault)) {
    const TextPosition at = scenefile::PositionOfOffset(text, fault.offset);
    if (fault.syntax) {
      std::string message = fault.message;
      if (message.rfind("syntax error", 0) != 0) message = "syntax error: " + message;
      error = name + ":" + std::to_string(at.line) + ":" + std::to_string(at.column) + ": " + message;
    } else {
      error = Located(name, at, fault.path, fault.message);
    }
    return false;
  }
  try {
    scenefile::ScenePlan plan = scenefile::ReadScene(document, host.GetRegistry());
    // The document can be large; the plan holds all that is still needed.
    document = Json();
    scene = scenefile::BuildScene(host, plan, name);
  } catch (const scenefile::SceneFileError& e) {
    error = Located(name, scenefile::PositionOfPath(text, e.path), e.path, e.what());
    return false;
  }
  return true;
}

namespace {

// Image files named in a scene are relative to the scene file, so scenes can be moved and run
// from any working folder.
void ResolveImageFilesUnder(HostNode* node, const std::filesystem::path& folder) {
  for (auto& shader : node->shaders) {
    if (shader->type == kBitmapShaderType) {
      for (auto& [id, value] : shader->data.entries) {
        if (id != kBitmapFileParam || (value.type != HOST_DA_STRING && value.type != HOST_DA_FILENAME)) continue;
        const std::filesystem::path path(std::u8string(value.text.begin(), value.text.end()));
        if (value.text.empty()) continue;
        value.type = HOST_DA_FILENAME;  // an image file, wherever it lies
        if (path.is_absolute()) continue;
        const std::u8string resolved = (folder / path).lexically_normal().u8string();
        value.text.assign(resolved.begin(), resolved.end());
        value.type = HOST_DA_FILENAME;
      }
    }
    ResolveImageFilesUnder(shader.get(), folder);
  }
  for (auto& material : node->materials) ResolveImageFilesUnder(material.get(), folder);
}

}  // namespace

void ResolveImageFiles(Scene& scene, const std::filesystem::path& folder) {
  if (scene.document) ResolveImageFilesUnder(scene.document, folder);
}

bool LoadSceneFile(Host& host, const std::filesystem::path& file, Scene& scene, std::string& error) {
  const std::string name = file.string();
  std::string text;
  // Opened without waiting, so a FIFO or a device given by mistake is named and refused instead
  // of blocking the host or feeding it bytes without end.
  if (!ReadRegularFile(file, kMaxFileBytes, {"a scene file", "scene files"}, text, error)) return false;
  if (!LoadSceneText(host, text, name, scene, error)) return false;
  ResolveImageFiles(scene, file.parent_path());
  return true;
}

}  // namespace ombrel::host
