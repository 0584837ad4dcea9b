#include "scene.h"

#include <algorithm>

#include "builtin_shaders.h"
#include "registry.h"

namespace ombrel::host {

std::unique_ptr<HostNode> CreateShader(const Registry& registry, int32_t type) {
  auto node = std::make_unique<HostNode>(NodeKind::Shader, type);
  if (auto builtin = MakeBuiltinShader(type)) {
    node->builtin = std::move(builtin);
    return node;
  }
  const PluginRecord* plugin = registry.Find(type);
  if (!plugin || plugin->pluginType != HOST_PLUGINTYPE_SHADER) return nullptr;
  node->name = plugin->name;
  void* object = plugin->shaderClass.alloc(plugin->shaderClass.classData);
  if (!object) return nullptr;
  node->plugin = plugin;
  node->pluginData = object;
  if (!plugin->shaderClass.init(object, node.get())) return nullptr;  // the node's destructor frees the object
  return node;
}

HostNode* InsertShader(HostNode* parent, std::unique_ptr<HostNode> shader, HostNode* pred) {
  if (!parent || !shader) return nullptr;
  HostNode* raw = shader.get();
  auto& list = parent->shaders;
  auto at = list.begin();
  if (pred) {
    at = std::find_if(list.begin(), list.end(), [pred](const auto& n) { return n.get() == pred; });
    at = at == list.end() ? list.end() : at + 1;
  }
  list.insert(at, std::move(shader));
  raw->parent = parent;
  raw->SetDocument(parent->kind == NodeKind::Document ? parent : parent->document);
  return raw;
}

}  // namespace ombrel::host
