// Reads a scene document into a plan and checks all of it — keys, types, names, links and who
// owns which shader — before anything is built.
#ifndef OMBREL_HOST_SCENEFILE_SCENE_READER_H
#define OMBREL_HOST_SCENEFILE_SCENE_READER_H

#include "core/registry.h"
#include "scenefile/json_checks.h"
#include "scenefile/scene_plan.h"

namespace ombrel::host::scenefile {

// Throws SceneFileError at the first fault, in file order for faults of form and type, then in
// file order for faults of names and links.
ScenePlan ReadScene(const Json& document, const Registry& registry);

}  // namespace ombrel::host::scenefile

#endif
