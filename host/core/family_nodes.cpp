#include "families.h"
#include "host.h"
#include "scene.h"

namespace ombrel::host {
namespace {

HostContainer* DataInstance(HostNode* node) { return node ? &node->data : nullptr; }
int32_t Type(const HostNode* node) { return node ? node->type : 0; }
HostBool IsInstanceOf(const HostNode* node, int32_t baseType) { return node && node->IsInstanceOf(baseType); }
HostNode* Document(HostNode* node) { return node ? node->document : nullptr; }
HostStr Name(const HostNode* node) {
  return node ? HostStr{node->name.data(), static_cast<int64_t>(node->name.size())} : HostStr{"", 0};
}
void* PluginData(HostNode* node) { return node ? node->pluginData : nullptr; }
HostNode* Up(HostNode* node) {
  if (!node || !node->parent) return nullptr;
  // Only objects have an "up" in the hierarchy; a shader's holder is not its parent object.
  return node->kind == NodeKind::Object && node->parent->kind == NodeKind::Object ? node->parent : nullptr;
}
HostNode* Down(HostNode* node) {
  if (!node) return nullptr;
  if (node->kind == NodeKind::Shader) return node->shaders.empty() ? nullptr : node->shaders.front().get();
  return node->children.empty() ? nullptr : node->children.front().get();
}
HostNode* Next(HostNode* node) {
  if (!node || !node->parent) return nullptr;
  auto& list = node->kind == NodeKind::Shader ? node->parent->shaders
               : node->kind == NodeKind::Material ? node->parent->materials
                                                  : node->parent->children;
  for (size_t i = 0; i + 1 < list.size(); ++i) {
    if (list[i].get() == node) return list[i + 1].get();
  }
  return nullptr;
}
int32_t UniqueIdentity(const HostNode* node) { return node ? node->identity : 0; }

void InsertShaderC(HostNode* parent, HostNode* shader, HostNode* pred) {
  if (!parent || !shader || shader->parent) return;
  // The module hands over a node it created: from here on the scene owns it.
  if (shader->ownerModule) {
    shader->ownerModule->ledger.HandleFreed();
    shader->ownerModule = nullptr;
  }
  InsertShader(parent, std::unique_ptr<HostNode>(shader), pred);
}
HostNode* FirstShader(HostNode* node) { return node && !node->shaders.empty() ? node->shaders.front().get() : nullptr; }

void Remove(HostNode* node) {
  if (!node || !node->parent) return;
  // A removed node belongs to whoever removed it; the module frees it through `free`.
  Detach(node).release();
}
void Free(HostModule* module, HostNode* node) {
  if (!node || node->parent || node->kind == NodeKind::Document) return;
  if (node->ownerModule) node->ownerModule->ledger.HandleFreed();
  (void)module;
  delete node;
}
HostNode* ShaderNew(HostModule* module, int32_t type) {
  if (!module || !module->host) return nullptr;
  if (!module->ledger.TakeHandle("shader node")) return nullptr;
  std::unique_ptr<HostNode> node = CreateShader(module->host->GetRegistry(), type);
  if (!node) {
    module->ledger.HandleFreed();
    return nullptr;
  }
  node->ownerModule = module;
  return node.release();
}

HostLink* LinkNew(HostModule* module) {
  if (module && !module->ledger.TakeHandle("link")) return nullptr;
  return new HostLink();
}
void LinkFree(HostModule* module, HostLink* link) {
  if (!link) return;
  if (module) module->ledger.HandleFreed();
  delete link;
}
void LinkSet(HostLink* link, HostNode* target) {
  if (link) link->serial = target ? target->serial : 0;
}
HostNode* LinkGet(const HostLink* link, HostNode* doc, int32_t baseType) {
  return link ? ResolveLink(link->serial, doc, baseType) : nullptr;
}

HostNode* ActiveDocument() {
  Host* host = CurrentHost();
  return host ? host->ActiveDocument() : nullptr;
}
HostBool UndoStart(HostNode* doc) { return doc && doc->kind == NodeKind::Document; }
HostBool UndoAdd(HostNode* doc, int32_t, HostNode* node) { return doc && node; }
HostBool UndoEnd(HostNode* doc) { return doc && doc->kind == NodeKind::Document; }
void EventAdd(int32_t) {
  if (Host* host = CurrentHost()) host->NoteSceneChanged();
}

HostAtomArray* AtomArrayNew(HostModule* module) {
  if (module && !module->ledger.TakeHandle("atom array")) return nullptr;
  return new HostAtomArray();
}
void AtomArrayFree(HostModule* module, HostAtomArray* arr) {
  if (!arr) return;
  if (module) module->ledger.HandleFreed();
  delete arr;
}
HostBool AtomArrayAppend(HostAtomArray* arr, HostNode* node) {
  if (!arr) return HOST_FALSE;
  arr->nodes.push_back(node);
  return HOST_TRUE;
}
void AtomArrayFlush(HostAtomArray* arr) {
  if (arr) arr->nodes.clear();
}
int32_t AtomArrayCount(const HostAtomArray* arr) { return arr ? static_cast<int32_t>(arr->nodes.size()) : 0; }
HostNode* AtomArrayIndex(const HostAtomArray* arr, int32_t index) {
  if (!arr || index < 0 || static_cast<size_t>(index) >= arr->nodes.size()) return nullptr;
  return arr->nodes[static_cast<size_t>(index)];
}

const HostNodeApi kNodes{sizeof(HostNodeApi), DataInstance, Type, IsInstanceOf, Document, Name, PluginData, Up, Down,
                         Next, UniqueIdentity, InsertShaderC, FirstShader, Remove, Free, ShaderNew, LinkNew,
                         LinkFree, LinkSet, LinkGet, ActiveDocument, UndoStart, UndoAdd, UndoEnd, EventAdd,
                         AtomArrayNew, AtomArrayFree, AtomArrayAppend, AtomArrayFlush, AtomArrayCount,
                         AtomArrayIndex};

}  // namespace

const HostNodeApi* NodeFamily() { return &kNodes; }

}  // namespace ombrel::host
