#include "editing.h"

#include <algorithm>
#include <cmath>

#include "builtin_shaders.h"
#include "families.h"
#include "host.h"
#include "registry.h"
#include "scene.h"
#include "undo.h"

namespace ombrel::host {

std::unique_ptr<HostNode> MakeObject(int32_t type) {
  if (type != HOST_OBJECT_NULL && type != HOST_OBJECT_CUBE) return nullptr;
  auto object = std::make_unique<HostNode>(NodeKind::Object, type);
  if (type == HOST_OBJECT_CUBE) {
    object->name = "Cube";
    HostData& size = object->data.Slot(HOST_CUBE_SIZE);
    size.type = HOST_DA_VECTOR;
    size.vec = HostVector{200.0, 200.0, 200.0};
  } else {
    object->name = "Null";
  }
  return object;
}

namespace {
size_t IndexAfter(const std::vector<std::unique_ptr<HostNode>>& list, const HostNode* pred) {
  if (!pred) return 0;
  for (size_t i = 0; i < list.size(); ++i) {
    if (list[i].get() == pred) return i + 1;
  }
  return list.size();
}
}  // namespace

HostNode* InsertObject(HostNode* doc, std::unique_ptr<HostNode> object, HostNode* parent, HostNode* pred) {
  if (!doc || doc->kind != NodeKind::Document || !object || object->kind != NodeKind::Object) return nullptr;
  if (parent && (parent->kind != NodeKind::Object || parent->document != doc)) return nullptr;
  HostNode* holder = parent ? parent : doc;
  return InsertAt(NodePlace{holder, NodeList::Children, IndexAfter(holder->children, pred)}, std::move(object));
}

HostNode* MakeTag(HostNode* object, int32_t type, HostNode* pred) {
  if (!object || object->kind != NodeKind::Object || type != HOST_TAG_TEXTURE) return nullptr;
  auto tag = std::make_unique<HostNode>(NodeKind::Tag, type);
  tag->name = "Texture";
  HostData& link = tag->data.Slot(HOST_TEXTURETAG_MATERIAL);
  link.type = HOST_DA_LINK;
  HostData& projection = tag->data.Slot(HOST_TEXTURETAG_PROJECTION);
  projection.type = HOST_DA_LONG;
  projection.i32 = HOST_TEXTURETAG_PROJECTION_UVW;
  const size_t at = pred ? IndexAfter(object->tags, pred) : object->tags.size();
  return InsertAt(NodePlace{object, NodeList::Tags, at}, std::move(tag));
}

std::string UniqueMaterialName(const HostNode* doc, const std::string& name) {
  auto taken = [doc](const std::string& n) {
    return std::any_of(doc->materials.begin(), doc->materials.end(), [&n](const auto& m) { return m->name == n; });
  };
  if (!taken(name)) return name;
  // "Stone.2" goes on as "Stone.3", not "Stone.2.1".
  std::string stem = name;
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot + 1 < name.size() &&
      std::all_of(name.begin() + static_cast<std::ptrdiff_t>(dot) + 1, name.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    stem = name.substr(0, dot);
  }
  for (int n = 1;; ++n) {
    std::string candidate = stem + "." + std::to_string(n);
    if (!taken(candidate)) return candidate;
  }
}

HostNode* InsertMaterial(HostNode* doc, std::unique_ptr<HostNode> material, HostNode* pred, bool checkNames) {
  if (!doc || doc->kind != NodeKind::Document || !material || material->kind != NodeKind::Material) return nullptr;
  if (checkNames) material->name = UniqueMaterialName(doc, material->name);
  return InsertAt(NodePlace{doc, NodeList::Materials, IndexAfter(doc->materials, pred)}, std::move(material));
}

namespace {

std::unique_ptr<HostNode> CopyOne(const HostNode& node) {
  std::unique_ptr<HostNode> copy;
  if (node.kind == NodeKind::Shader) {
    // Plug-in shaders are made as the host makes every node (allocator and Init), then take the
    // original's parameters.
    Host* host = CurrentHost();
    if (!host) return nullptr;
    copy = CreateShader(host->GetRegistry(), node.type);
  } else {
    copy = std::make_unique<HostNode>(node.kind, node.type);
  }
  if (!copy) return nullptr;
  copy->name = node.name;
  copy->data = node.data;
  copy->identity = node.identity;
  copy->bits = node.bits;
  copy->geometry = node.geometry;
  copy->renderIndex = node.renderIndex;
  copy->originSerial = node.originSerial;
  copy->materialSerial = node.materialSerial;
  copy->channelShaderSerial = node.channelShaderSerial;
  return copy;
}

std::unique_ptr<HostNode> CloneTree(const HostNode& node, int32_t flags, bool top,
                                    std::unordered_map<uint64_t, uint64_t>& map, std::vector<uint64_t>& made) {
  std::unique_ptr<HostNode> copy = CopyOne(node);
  if (!copy) return nullptr;
  if (flags & HOST_COPYFLAGS_NO_BITS) copy->bits = 0;
  map[node.serial] = copy->serial;
  made.push_back(copy->serial);
  auto cloneList = [&](const std::vector<std::unique_ptr<HostNode>>& from, NodeList list) {
    for (const auto& child : from) {
      std::unique_ptr<HostNode> c = CloneTree(*child, flags, false, map, made);
      if (!c) return false;
      InsertAt(NodePlace{copy.get(), list, ListOf(copy.get(), list).size()}, std::move(c));
    }
    return true;
  };
  if (!cloneList(node.shaders, NodeList::Shaders) || !cloneList(node.tags, NodeList::Tags)) return nullptr;
  if (!(top && (flags & HOST_COPYFLAGS_NO_HIERARCHY)) && !cloneList(node.children, NodeList::Children)) return nullptr;
  return copy;
}

void Retarget(uint64_t& serial, const std::unordered_map<uint64_t, uint64_t>& map) {
  auto it = map.find(serial);
  if (it != map.end()) serial = it->second;
}

void RetargetLinks(HostNode& node, const std::unordered_map<uint64_t, uint64_t>& map) {
  for (auto& [id, value] : node.data.entries) {
    if (value.type == HOST_DA_LINK) Retarget(value.linkSerial, map);
  }
}

void RetargetTree(HostNode& node, const std::unordered_map<uint64_t, uint64_t>& map) {
  RetargetLinks(node, map);
  for (auto* list : {&node.children, &node.shaders, &node.tags, &node.materials}) {
    for (auto& child : *list) RetargetTree(*child, map);
  }
}

}  // namespace

std::unique_ptr<HostNode> CloneNode(const HostNode& node, int32_t copyFlags, HostAliasTrans* trans) {
  if (node.kind == NodeKind::Document) return nullptr;
  std::unordered_map<uint64_t, uint64_t> map;
  std::vector<uint64_t> made;
  std::unique_ptr<HostNode> copy = CloneTree(node, copyFlags, true, map, made);
  if (!copy) return nullptr;
  // The host's own references stay inside the copy whatever the caller does with links.
  std::vector<HostNode*> stack{copy.get()};
  while (!stack.empty()) {
    HostNode* n = stack.back();
    stack.pop_back();
    Retarget(n->channelShaderSerial, map);
    Retarget(n->materialSerial, map);
    Retarget(n->originSerial, map);
    for (auto* list : {&n->children, &n->shaders, &n->tags}) {
      for (auto& child : *list) stack.push_back(child.get());
    }
  }
  if (trans) {
    trans->cloneOf.insert(map.begin(), map.end());
    trans->clones.insert(trans->clones.end(), made.begin(), made.end());
  }
  return copy;
}

void TranslateAliases(HostAliasTrans& trans, bool connectOldGoals) {
  for (uint64_t serial : trans.clones) {
    HostNode* clone = FindLiveNode(serial);
    if (!clone) continue;
    for (auto& [id, value] : clone->data.entries) {
      if (value.type != HOST_DA_LINK || value.linkSerial == 0) continue;
      auto it = trans.cloneOf.find(value.linkSerial);
      if (it != trans.cloneOf.end()) {
        value.linkSerial = it->second;
      } else if (!connectOldGoals) {
        value.linkSerial = 0;  // a goal outside the clones is dropped unless asked to keep it
      }
    }
  }
}

bool SetParameter(HostNode* node, int32_t id, const HostData& value, int32_t flags) {
  if (!node) return false;
  if (node->plugin && node->pluginData) {
    HostDescId descId{};
    descId.depth = 1;
    descId.level[0] = HostDescLevel{id, value.type, 0};
    if (!node->plugin->shaderClass.setDParameter(node->pluginData, node, &descId, &value, &flags)) return false;
    if (flags & HOST_DESCFLAGS_SET_PARAM_SET) return true;
  }
  node->data.Slot(id) = value;
  return true;
}

bool SendMessage(HostNode* node, int32_t type, void* data) {
  if (!node) return false;
  if (node->builtin) {
    node->builtin->messagesReceived++;
    node->builtin->lastMessage = type;
    return true;
  }
  if (node->plugin && node->pluginData) return node->plugin->shaderClass.message(node->pluginData, node, type, data) != 0;
  return true;
}

bool PressButton(HostNode* node, int32_t buttonId) {
  HostDescriptionCommand command{};
  command.id.depth = 1;
  command.id.level[0] = HostDescLevel{buttonId, 0, 0};
  return SendMessage(node, HOST_MSG_DESCRIPTION_COMMAND, &command);
}

bool EditParameter(Host& host, HostNode* node, int32_t id, const HostData& value) {
  if (!node) return false;
  UndoHistory* history = HistoryOf(node->document);
  if (history) {
    history->Start();
    history->Add(node->document, HOST_UNDOTYPE_CHANGE, node);
  }
  const bool stored = SetParameter(node, id, value, HOST_DESCFLAGS_SET_USERINTERACTION);
  if (stored) {
    HostDescId descId{};
    descId.depth = 1;
    descId.level[0] = HostDescLevel{id, value.type, 0};
    HostDescPostSet post{&descId};
    SendMessage(node, HOST_MSG_DESCRIPTION_POSTSETPARAMETER, &post);
    SendMessage(node, HOST_MSG_DESCRIPTION_CHECKUPDATE, &post);
  }
  if (history) history->End();
  if (stored) host.NoteSceneChanged(0);
  return stored;
}

void SetDocumentSettings(HostNode* doc, const std::string& path, int32_t fps, double seconds) {
  if (!doc) return;
  HostData& p = doc->data.Slot(HOST_DOCUMENT_PATH);
  p.type = HOST_DA_FILENAME;
  p.text = path;
  HostData& f = doc->data.Slot(HOST_DOCUMENT_FPS);
  f.type = HOST_DA_LONG;
  f.i32 = fps;
  HostData& t = doc->data.Slot(HOST_DOCUMENT_TIME);
  t.type = HOST_DA_TIME;
  t.real = std::isfinite(seconds) ? seconds : 0.0;
}

HostTime DocumentTime(const HostNode* doc) {
  const HostData* t = doc ? doc->data.Find(HOST_DOCUMENT_TIME) : nullptr;
  if (!t || (t->type != HOST_DA_TIME && t->type != HOST_DA_REAL)) return HostTime{0.0, 1.0};
  // Kept in frames of the document where that is exact, as the application keeps it.
  const HostData* f = doc->data.Find(HOST_DOCUMENT_FPS);
  const double fps = f && f->type == HOST_DA_LONG && f->i32 > 0 ? f->i32 : 0.0;
  if (fps > 0.0 && std::floor(t->real * fps) == t->real * fps) return HostTime{t->real * fps, fps};
  return HostTime{t->real, 1.0};
}

HostNode* FindByName(HostNode* doc, const std::string& name) {
  if (!doc) return nullptr;
  auto walkObjects = [&](auto&& self, HostNode* holder) -> HostNode* {
    for (auto& o : holder->children) {
      if (o->name == name) return o.get();
      for (auto& t : o->tags) {
        if (t->name == name) return t.get();
      }
      if (HostNode* found = self(self, o.get())) return found;
    }
    return nullptr;
  };
  if (HostNode* found = walkObjects(walkObjects, doc)) return found;
  for (auto& m : doc->materials) {
    if (m->name == name) return m.get();
  }
  auto walkShaders = [&](auto&& self, HostNode* holder) -> HostNode* {
    for (auto& s : holder->shaders) {
      if (s->name == name) return s.get();
      if (HostNode* found = self(self, s.get())) return found;
    }
    return nullptr;
  };
  for (auto& m : doc->materials) {
    if (HostNode* found = walkShaders(walkShaders, m.get())) return found;
  }
  return walkShaders(walkShaders, doc);
}

}  // namespace ombrel::host
