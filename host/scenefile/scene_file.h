// Scene files: JSON documents that describe shaders, materials, objects and render settings.
// The format is documented in docs/scene-format.md.
#ifndef OMBREL_HOST_SCENE_FILE_H
#define OMBREL_HOST_SCENE_FILE_H

#include <filesystem>
#include <string>
#include <string_view>

#include "core/host.h"
#include "core/scene.h"

namespace ombrel::host {

// Builds the scene described by `file` in a new document of `host`, whose module must already
// be loaded (shaders are created through the registry). On failure answers false, leaves no
// half-built document behind, and `error` names the file, the line and the field, and says
// what was expected.
bool LoadSceneFile(Host& host, const std::filesystem::path& file, Scene& scene, std::string& error);

// Makes the relative image file names of the scene's bitmap shaders relative to `folder`.
// LoadSceneFile does this with the scene file's folder.
void ResolveImageFiles(Scene& scene, const std::filesystem::path& folder);

// The same from text; `name` stands for the file in error messages. Image file names stay as
// written (relative to the working folder).
bool LoadSceneText(Host& host, std::string_view text, const std::string& name, Scene& scene, std::string& error);

}  // namespace ombrel::host

#endif
