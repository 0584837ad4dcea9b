#include "scenefile/scene_file.h"

#include <cstdio>
#include <fstream>

#include "core/builtin_shaders.h"
#include "scenefile/json_checks.h"
#include "scenefile/json_positions.h"
#include "scenefile/scene_builder.h"
#include "scenefile/scene_reader.h"

namespace ombrel::host {
namespace {

using scenefile::Json;
using scenefile::JsonPositions;
using scenefile::TextPosition;

// Scene files are small; anything far larger is not one, and is refused before it is read.
constexpr std::uintmax_t kMaxFileBytes = 64u << 20;

// The parser quotes what it last read, which may be any bytes of a broken file.
std::string Printable(std::string_view text) {
  std::string out;
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u < 0x7f) {
      out += c;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", u);
      out += hex;
    }
  }
  return out;
}

std::string SyntaxMessage(const Json::parse_error& e) {
  // "[json.exception.parse_error.101] parse error at line 3, column 4: syntax error while ..."
  std::string_view what = e.what();
  const size_t column = what.find("column ");
  const size_t colon = what.find(": ", column == std::string_view::npos ? 0 : column);
  if (colon != std::string_view::npos) what.remove_prefix(colon + 2);
  return Printable(what);
}

std::string Located(const std::string& name, TextPosition at, const std::string& path, const std::string& message) {
  std::string out = name + ":" + std::to_string(at.line) + ": ";
  if (!path.empty()) out += path + ": ";
  return out + message;
}

}  // namespace

bool LoadSceneText(Host& host, std::string_view text, const std::string& name, Scene& scene, std::string& error) {
  Json document;
  JsonPositions positions;
  scenefile::ScanProblem problem;
  try {
    document = Json::parse(text);
  } catch (const Json::parse_error& e) {
    const TextPosition at = scenefile::PositionOfOffset(text, e.byte > 0 ? e.byte - 1 : 0);
    std::string message = SyntaxMessage(e);
    if (message.rfind("syntax error", 0) != 0) message = "syntax error: " + message;
    error = name + ":" + std::to_string(at.line) + ":" + std::to_string(at.column) + ": " + message;
    return false;
  } catch (const Json::exception& e) {
    // A number beyond a double's range stops the parser without a position; the scan finds it.
    if (!positions.Scan(text, scenefile::kMaxNesting, problem)) {
      error = Located(name, problem.at, problem.path, problem.message);
    } else {
      error = name + ": " + Printable(e.what());
    }
    return false;
  }
  if (!positions.Scan(text, scenefile::kMaxNesting, problem)) {
    error = Located(name, problem.at, problem.path, problem.message);
    return false;
  }
  try {
    scenefile::ScenePlan plan = scenefile::ReadScene(document, host.GetRegistry());
    scene = scenefile::BuildScene(host, plan, name);
  } catch (const scenefile::SceneFileError& e) {
    error = Located(name, positions.At(e.path), e.path, e.what());
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
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(file, ec);
  if (ec) {
    error = name + ": cannot read the file: " + ec.message();
    return false;
  }
  if (size > kMaxFileBytes) {
    error = name + ": the file is " + std::to_string(size) + " bytes; scene files are limited to " +
            std::to_string(kMaxFileBytes) + " bytes";
    return false;
  }
  std::ifstream in(file, std::ios::binary);
  std::string text(static_cast<size_t>(size), '\0');
  if (!in.is_open() || !in.read(text.data(), static_cast<std::streamsize>(text.size()))) {
    error = name + ": cannot read the file";
    return false;
  }
  if (!LoadSceneText(host, text, name, scene, error)) return false;
  ResolveImageFiles(scene, file.parent_path());
  return true;
}

}  // namespace ombrel::host
