#include "scenefile/scene_file.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "core/builtin_shaders.h"
#include "core/printable_text.h"
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

namespace {

#if defined(_WIN32)

// Windows has no FIFOs or devices among ordinary paths that a read would wait on: the file's
// kind is checked by its status, then it is read whole.
bool ReadSceneBytes(const std::filesystem::path& file, std::string& text, std::string& error) {
  const std::string name = file.string();
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(file, ec);
  if (ec || !std::filesystem::exists(status)) {
    error = name + ": cannot read the file: " + (ec ? ec.message() : std::string("no such file"));
    return false;
  }
  if (!std::filesystem::is_regular_file(status)) {
    error = name + ": " + (std::filesystem::is_directory(status) ? "a folder" : "not a regular file") +
            ", not a scene file; scene files are regular files";
    return false;
  }
  const std::uintmax_t size = std::filesystem::file_size(file, ec);
  if (!ec && size > kMaxFileBytes) {
    error = name + ": the file is " + std::to_string(size) + " bytes; scene files are limited to " +
            std::to_string(kMaxFileBytes) + " bytes";
    return false;
  }
  std::ifstream in(file, std::ios::binary);
  if (ec || !in) {
    error = name + ": cannot read the file: " + std::strerror(errno);
    return false;
  }
  text.assign(static_cast<size_t>(size), '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  // A file that shrank or grew while being read is not read as another one.
  if (static_cast<size_t>(in.gcount()) != text.size() || in.peek() != std::char_traits<char>::eof()) {
    error = name + ": cannot read the file: it changed while being read";
    return false;
  }
  return true;
}

#else

std::string FileKind(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a pipe (FIFO)";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

// Reads a whole scene file. Opened without waiting, so a FIFO or a device given by mistake is
// named and refused instead of blocking the host or feeding it bytes without end.
bool ReadSceneBytes(const std::filesystem::path& file, std::string& text, std::string& error) {
  const std::string name = file.string();
  const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = name + ": cannot read the file: " + std::strerror(errno);
    return false;
  }
  struct stat info {};
  bool ok = ::fstat(fd, &info) == 0;
  if (!ok) {
    error = name + ": cannot read the file: " + std::strerror(errno);
  } else if (!S_ISREG(info.st_mode)) {
    error = name + ": " + FileKind(info.st_mode) + ", not a scene file; scene files are regular files";
    ok = false;
  } else if (static_cast<std::uintmax_t>(info.st_size) > kMaxFileBytes) {
    error = name + ": the file is " + std::to_string(info.st_size) + " bytes; scene files are limited to " +
            std::to_string(kMaxFileBytes) + " bytes";
    ok = false;
  }
  if (ok) {
    text.assign(static_cast<size_t>(info.st_size), '\0');
    size_t done = 0;
    while (done < text.size()) {
      const ssize_t n = ::read(fd, text.data() + done, text.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    // A file that shrank while being read is not read as a shorter one.
    if (done != text.size()) {
      error = name + ": cannot read the file: it changed while being read";
      ok = false;
    }
  }
  ::close(fd);
  return ok;
}

#endif

}  // namespace

bool LoadSceneFile(Host& host, const std::filesystem::path& file, Scene& scene, std::string& error) {
  const std::string name = file.string();
  std::string text;
  if (!ReadSceneBytes(file, text, error)) return false;
  if (!LoadSceneText(host, text, name, scene, error)) return false;
  ResolveImageFiles(scene, file.parent_path());
  return true;
}

}  // namespace ombrel::host
