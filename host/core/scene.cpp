#include "scene.h"

#include <algorithm>

#include "builtin_shaders.h"
#include "editing.h"
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
  node->output = plugin->shaderClass.output;
  if (!plugin->shaderClass.init(object, node.get())) return nullptr;  // the node's destructor frees the object
  return node;
}

HostNode* InsertShader(HostNode* parent, std::unique_ptr<HostNode> shader, HostNode* pred) {
  if (!parent || !shader) return nullptr;
  HostNode* raw = shader.get();
  auto& list = parent->shaders;
  auto at = list.begin();
  if (pred && !list.empty() && list.back().get() == pred) {
    // After the last child: how a scene file's shaders arrive, thousands of them at times, so
    // without a search each.
    at = list.end();
  } else if (pred) {
    at = std::find_if(list.begin(), list.end(), [pred](const auto& n) { return n.get() == pred; });
    at = at == list.end() ? list.end() : at + 1;
  }
  list.insert(at, std::move(shader));
  raw->parent = parent;
  raw->SetDocument(parent->kind == NodeKind::Document ? parent : parent->document);
  return raw;
}

}  // namespace ombrel::host

namespace ombrel::host {

HostNode* NewObject(HostNode* doc, HostNode* parent, const std::string& name, int32_t identity, int32_t type) {
  if (!doc) return nullptr;
  HostNode* holder = parent ? parent : doc;
  auto object = MakeObject(type);
  if (!object) return nullptr;
  object->name = name;
  object->identity = identity;
  object->parent = holder;
  object->document = doc;
  holder->children.push_back(std::move(object));
  return holder->children.back().get();
}

HostNode* NewMaterial(HostNode* doc, const std::string& name) {
  if (!doc) return nullptr;
  auto material = std::make_unique<HostNode>(NodeKind::Material, HOST_BASETYPE_MATERIAL);
  material->name = name;
  material->parent = doc;
  material->document = doc;
  doc->materials.push_back(std::move(material));
  return doc->materials.back().get();
}

HostNode* ChannelShader(const HostNode* material) {
  return material ? ResolveLink(material->channelShaderSerial, material->document, HOST_BASETYPE_SHADER) : nullptr;
}

HostNode* MaterialOf(const HostNode* object) {
  if (!object) return nullptr;
  if (HostNode* material = ResolveLink(object->materialSerial, object->document, HOST_BASETYPE_MATERIAL)) return material;
  // Objects made while editing carry their material on a texture tag, as the application's do.
  for (const auto& tag : object->tags) {
    if (tag->type != HOST_TAG_TEXTURE) continue;
    const HostData* link = tag->data.Find(HOST_TEXTURETAG_MATERIAL);
    if (link && link->type == HOST_DA_LINK) {
      if (HostNode* material = ResolveLink(link->linkSerial, object->document, HOST_BASETYPE_MATERIAL)) return material;
    }
  }
  return nullptr;
}

namespace {
void CollectObjects(HostNode* node, std::vector<HostNode*>& out) {
  for (auto& child : node->children) {
    out.push_back(child.get());
    CollectObjects(child.get(), out);
  }
}
}  // namespace

std::vector<HostNode*> AllObjects(HostNode* doc) {
  std::vector<HostNode*> out;
  if (doc) CollectObjects(doc, out);
  return out;
}

}  // namespace ombrel::host
