// Building scenes on the host side: documents, shader nodes (plug-in or built-in), insertion.
#ifndef OMBREL_HOST_SCENE_H
#define OMBREL_HOST_SCENE_H

#include <cstdint>
#include <memory>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "nodes.h"

namespace ombrel::host {

class Registry;

// A shader node of a registered plug-in or a built-in type: the plug-in object is allocated and
// its Init run, as the host does for every new node. Null for an unknown type or when the
// plug-in's allocator or Init fails.
std::unique_ptr<HostNode> CreateShader(const Registry& registry, int32_t type);

// Puts `shader` under `parent` (a shader, material or document) after `pred` (null: first).
HostNode* InsertShader(HostNode* parent, std::unique_ptr<HostNode> shader, HostNode* pred);

// A new object at the top of the document (parent null) or under `parent`, last among its
// siblings.
// HOST_OBJECT_CUBE starts with its default size.
HostNode* NewObject(HostNode* doc, HostNode* parent, const std::string& name, int32_t identity,
                    int32_t type = HOST_OBJECT_NULL);

// A new material in the document.
HostNode* NewMaterial(HostNode* doc, const std::string& name);

// The material's colour channel shader (one of its child shaders), or null.
HostNode* ChannelShader(const HostNode* material);

// The object's material, or null.
HostNode* MaterialOf(const HostNode* object);

// Every object of the document, depth first, in document order (parents before children).
std::vector<HostNode*> AllObjects(HostNode* doc);

// Render settings of a scene.
struct RenderSettings {
  int32_t width = 640;
  int32_t height = 480;
  bool linearWorkflow = false;
  int32_t threads = 0;  // 0: all cores
  HostVector background{0.0, 0.0, 0.0};
  double time = 0.0;  // seconds
  double fps = 30.0;
};

// A document ready to render: its objects in drawing order (later ones cover earlier ones),
// its render settings, and its nodes by name for commands that name them.
struct Scene {
  HostNode* document = nullptr;
  RenderSettings settings;
  std::vector<HostNode*> objects;
  std::map<std::string, HostNode*, std::less<>> named;

  HostNode* Find(std::string_view name) const {
    auto it = named.find(name);
    return it == named.end() ? nullptr : it->second;
  }
};

}  // namespace ombrel::host

#endif
