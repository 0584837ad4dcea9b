// Turns a checked plan into host nodes in a new document.
#ifndef OMBREL_HOST_SCENEFILE_SCENE_BUILDER_H
#define OMBREL_HOST_SCENEFILE_SCENE_BUILDER_H

#include <string>

#include "core/host.h"
#include "core/scene.h"
#include "scenefile/scene_plan.h"

namespace ombrel::host::scenefile {

// Every shader node is created (plug-in allocator and Init) before the document exists, so the
// one step that can fail leaves nothing in the host: its SceneFileError names the shader. What
// follows — the document, materials, objects, parameters, links, placement — cannot fail.
Scene BuildScene(Host& host, ScenePlan& plan, const std::string& documentName);

}  // namespace ombrel::host::scenefile

#endif
