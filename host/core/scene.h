// Building scenes on the host side: documents, shader nodes (plug-in or built-in), insertion.
#ifndef OMBREL_HOST_SCENE_H
#define OMBREL_HOST_SCENE_H

#include <cstdint>
#include <memory>
#include <string>

#include "nodes.h"

namespace ombrel::host {

class Registry;

// A shader node of a registered plug-in or a built-in type: the plug-in object is allocated and
// its Init run, as the host does for every new node. Null for an unknown type or when the
// plug-in's allocator or Init fails.
std::unique_ptr<HostNode> CreateShader(const Registry& registry, int32_t type);

// Puts `shader` under `parent` (a shader, material or document) after `pred` (null: first).
HostNode* InsertShader(HostNode* parent, std::unique_ptr<HostNode> shader, HostNode* pred);

}  // namespace ombrel::host

#endif
