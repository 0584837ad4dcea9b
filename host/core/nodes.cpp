#include "nodes.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <unordered_map>

#include "builtin_shaders.h"
#include "registry.h"
#include "undo.h"
#include "view.h"

namespace ombrel::host {
namespace {

// Every live node by serial. Written on the main thread when nodes come and go; read when
// links resolve. The lock keeps tests that build scenes on several threads honest; it is
// never taken while sampling.
struct LiveNodes {
  std::mutex mutex;
  std::unordered_map<uint64_t, HostNode*> nodes;
};

LiveNodes& Live() {
  static LiveNodes live;
  return live;
}

std::atomic<uint64_t> g_nextSerial{1};

}  // namespace

HostNode* FindLiveNode(uint64_t serial) {
  if (serial == 0) return nullptr;
  LiveNodes& live = Live();
  std::lock_guard<std::mutex> lock(live.mutex);
  auto it = live.nodes.find(serial);
  return it == live.nodes.end() ? nullptr : it->second;
}

HostNode* ResolveLink(uint64_t serial, const HostNode* doc, int32_t baseType) {
  HostNode* node = FindLiveNode(serial);
  if (!node) return nullptr;
  if (doc && node->document != doc) return nullptr;
  if (baseType != 0 && !node->IsInstanceOf(baseType)) return nullptr;
  return node;
}

namespace {
std::unique_ptr<HostNode> TakeFrom(std::vector<std::unique_ptr<HostNode>>& list, HostNode* node) {
  for (auto it = list.begin(); it != list.end(); ++it) {
    if (it->get() == node) {
      std::unique_ptr<HostNode> owned = std::move(*it);
      list.erase(it);
      return owned;
    }
  }
  return nullptr;
}
}  // namespace

std::unique_ptr<HostNode> Detach(HostNode* node) {
  if (!node || !node->parent) return nullptr;
  HostNode* holder = node->parent;
  std::unique_ptr<HostNode> owned = TakeFrom(holder->shaders, node);
  if (!owned) owned = TakeFrom(holder->children, node);
  if (!owned) owned = TakeFrom(holder->materials, node);
  if (!owned) owned = TakeFrom(holder->tags, node);
  if (owned) {
    owned->parent = nullptr;
    owned->SetDocument(nullptr);
  }
  return owned;
}

std::vector<std::unique_ptr<HostNode>>& ListOf(HostNode* holder, NodeList list) {
  switch (list) {
    case NodeList::Shaders: return holder->shaders;
    case NodeList::Materials: return holder->materials;
    case NodeList::Tags: return holder->tags;
    default: return holder->children;
  }
}

NodeList ListFor(const HostNode& node, const HostNode& holder) {
  switch (node.kind) {
    case NodeKind::Shader: return NodeList::Shaders;
    case NodeKind::Material: return NodeList::Materials;
    case NodeKind::Tag: return NodeList::Tags;
    default: return holder.kind == NodeKind::Document || holder.kind == NodeKind::Object ? NodeList::Children
                                                                                         : NodeList::Shaders;
  }
}

bool PlaceOf(const HostNode* node, NodePlace& place) {
  if (!node || !node->parent) return false;
  for (NodeList list : {NodeList::Children, NodeList::Shaders, NodeList::Materials, NodeList::Tags}) {
    auto& nodes = ListOf(node->parent, list);
    for (size_t i = 0; i < nodes.size(); ++i) {
      if (nodes[i].get() == node) {
        place = NodePlace{node->parent, list, i};
        return true;
      }
    }
  }
  return false;
}

HostNode* InsertAt(const NodePlace& place, std::unique_ptr<HostNode> node) {
  if (!place.holder || !node) return nullptr;
  auto& list = ListOf(place.holder, place.list);
  const size_t at = std::min(place.index, list.size());
  HostNode* raw = node.get();
  list.insert(list.begin() + static_cast<std::ptrdiff_t>(at), std::move(node));
  raw->parent = place.holder;
  raw->heldByUndo = false;
  raw->SetDocument(place.holder->kind == NodeKind::Document ? place.holder : place.holder->document);
  return raw;
}

}  // namespace ombrel::host

HostNode::HostNode(NodeKind k, int32_t t) : serial(ombrel::host::g_nextSerial++), kind(k), type(t) {
  auto& live = ombrel::host::Live();
  std::lock_guard<std::mutex> lock(live.mutex);
  live.nodes[serial] = this;
}

HostNode::~HostNode() {
  // The plug-in object goes first: its destructor may still release the render set-up of its
  // inputs, which are its child shaders.
  if (plugin && pluginData) plugin->shaderClass.destroy(pluginData);
  pluginData = nullptr;
  output = nullptr;
  // Undo steps hold nodes that were taken out of this document; they go with it.
  undo.reset();
  tags.clear();
  shaders.clear();
  children.clear();
  materials.clear();
  auto& live = ombrel::host::Live();
  std::lock_guard<std::mutex> lock(live.mutex);
  live.nodes.erase(serial);
}

bool HostNode::IsInstanceOf(int32_t baseType) const {
  switch (baseType) {
    case HOST_BASETYPE_SHADER: return kind == NodeKind::Shader;
    case HOST_BASETYPE_OBJECT: return kind == NodeKind::Object;
    case HOST_BASETYPE_MATERIAL: return kind == NodeKind::Material;
    case HOST_BASETYPE_TAG: return kind == NodeKind::Tag;
    case HOST_BASETYPE_DOCUMENT: return kind == NodeKind::Document;
    default: return type == baseType;
  }
}

void HostNode::SetDocument(HostNode* doc) {
  document = doc;
  for (auto& c : children) c->SetDocument(doc);
  for (auto& s : shaders) s->SetDocument(doc);
  for (auto& m : materials) m->SetDocument(doc);
  for (auto& t : tags) t->SetDocument(doc);
}
