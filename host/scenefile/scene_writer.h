// Writing a document back as a scene file (docs/scene-format.md) that reads back to the same
// document: every object with its tags and parameters, every material, every shader with its
// parameters and links, and the render settings.
#ifndef OMBREL_HOST_SCENE_WRITER_H
#define OMBREL_HOST_SCENE_WRITER_H

#include <filesystem>
#include <string>
#include <vector>

#include "core/host.h"
#include "core/scene.h"

namespace ombrel::host {

// The scene as scene-file text. Image file names are written relative to `folder` when they
// lie under it, else as absolute names. `notes` receives one line for each thing the format
// cannot hold (it is then left out), and for each name that had to be changed to stay unique.
std::string SceneToText(const Host& host, const Scene& scene, const std::filesystem::path& folder,
                        std::vector<std::string>& notes);

// The same, checked: the text must read back through the scene reader, so that a file it would
// refuse is never written. False with `error` saying why otherwise.
bool SceneToCheckedText(const Host& host, const Scene& scene, const std::filesystem::path& folder,
                        std::vector<std::string>& notes, std::string& text, std::string& error);

// Writes the scene file through WriteFileAtomically (core/atomic_file.h): an existing file is
// replaced only once the new one is complete. False with a message naming the file and the reason.
bool WriteSceneFile(const Host& host, const Scene& scene, const std::filesystem::path& file,
                    std::vector<std::string>& notes, std::string& error);

}  // namespace ombrel::host

#endif
