#include "editing.h"
#include "families.h"
#include "host.h"
#include "scene.h"
#include "undo.h"

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
               : node->kind == NodeKind::Tag      ? node->parent->tags
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
  // A node recorded for deletion goes to the undo step that recorded it.
  if (UndoHistory* history = node->document ? node->document->undo.get() : nullptr) {
    if (history->TakeRemoved(node)) return;
  }
  // A removed node belongs to whoever removed it; the module frees it through `free`.
  Detach(node).release();
}
void Free(HostModule* module, HostNode* node) {
  if (!node || node->parent || node->heldByUndo || node->kind == NodeKind::Document) return;
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
HostBool UndoStart(HostNode* doc) {
  UndoHistory* history = HistoryOf(doc);
  return history && history->Start();
}
HostBool UndoAdd(HostNode* doc, int32_t type, HostNode* node) {
  UndoHistory* history = HistoryOf(doc);
  return history && history->Add(doc, type, node);
}
HostBool UndoEnd(HostNode* doc) {
  UndoHistory* history = HistoryOf(doc);
  return history && history->End();
}
void EventAdd(int32_t flags) {
  if (Host* host = CurrentHost()) host->NoteSceneChanged(flags);
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

// A free node the module made is counted against it until a scene takes it.
HostNode* Counted(HostModule* module, std::unique_ptr<HostNode> node, const char* kind) {
  if (!node) return nullptr;
  if (module) {
    if (!module->ledger.TakeHandle(kind)) return nullptr;  // the node goes with `node`
    node->ownerModule = module;
  }
  return node.release();
}
std::unique_ptr<HostNode> Adopt(HostNode* node) {
  if (node->ownerModule) {
    node->ownerModule->ledger.HandleFreed();
    node->ownerModule = nullptr;
  }
  return std::unique_ptr<HostNode>(node);
}
bool IsFree(const HostNode* node) { return node && !node->parent && !node->heldByUndo && node->kind != NodeKind::Document; }

HostNode* ObjectNew(HostModule* module, int32_t type) { return Counted(module, MakeObject(type), "object"); }
void InsertObjectC(HostNode* doc, HostNode* object, HostNode* parent, HostNode* pred) {
  if (!IsFree(object) || object->kind != NodeKind::Object || !doc || doc->kind != NodeKind::Document) return;
  if (parent && (parent->kind != NodeKind::Object || parent->document != doc)) return;
  InsertObject(doc, Adopt(object), parent, pred);
}
HostNode* MakeTagC(HostNode* object, int32_t type, HostNode* pred) { return MakeTag(object, type, pred); }
void InsertMaterialC(HostNode* doc, HostNode* material, HostNode* pred, HostBool checkNames) {
  if (!IsFree(material) || material->kind != NodeKind::Material || !doc || doc->kind != NodeKind::Document) return;
  InsertMaterial(doc, Adopt(material), pred, checkNames != 0);
}
HostNode* FirstObject(HostNode* doc) { return doc && !doc->children.empty() ? doc->children.front().get() : nullptr; }
HostNode* FirstMaterial(HostNode* doc) { return doc && !doc->materials.empty() ? doc->materials.front().get() : nullptr; }
HostNode* FirstTag(HostNode* object) { return object && !object->tags.empty() ? object->tags.front().get() : nullptr; }
HostNode* Clone(HostModule* module, HostNode* node, int32_t flags, HostAliasTrans* trans) {
  return node ? Counted(module, CloneNode(*node, flags, trans), "clone") : nullptr;
}
HostAliasTrans* AliasTransNew(HostModule* module) {
  if (module && !module->ledger.TakeHandle("alias translator")) return nullptr;
  return new HostAliasTrans();
}
void AliasTransFree(HostModule* module, HostAliasTrans* trans) {
  if (!trans) return;
  if (module) module->ledger.HandleFreed();
  delete trans;
}
HostBool AliasTransInit(HostAliasTrans* trans, HostNode* doc) {
  if (!trans || !doc || doc->kind != NodeKind::Document) return HOST_FALSE;
  *trans = HostAliasTrans();
  trans->document = doc;
  return HOST_TRUE;
}
void AliasTransTranslate(HostAliasTrans* trans, HostBool connectOldGoals) {
  if (trans) TranslateAliases(*trans, connectOldGoals != 0);
}
int32_t GetBits(const HostNode* node) { return node ? node->bits : 0; }
void ChangeBits(HostNode* node, int32_t set, int32_t clear) {
  if (node) node->bits = (node->bits & ~clear) | set;
}
HostBool SetParameterC(HostNode* node, const HostDescId* id, const HostData* value, int32_t flags) {
  if (!node || !id || !value || id->depth < 1) return HOST_FALSE;
  return SetParameter(node, id->level[0].id, *value, flags) ? HOST_TRUE : HOST_FALSE;
}
HostTime DocumentTimeC(const HostNode* doc) { return DocumentTime(doc); }
HostNode* GetMain(HostNode* node) {
  HostNode* holder = node ? node->parent : nullptr;
  if (node && node->kind == NodeKind::Shader) {
    while (holder && holder->kind == NodeKind::Shader) holder = holder->parent;
  }
  return holder;
}

const HostNodeApi kNodes{sizeof(HostNodeApi), DataInstance, Type, IsInstanceOf, Document, Name, PluginData, Up, Down,
                         Next, UniqueIdentity, InsertShaderC, FirstShader, Remove, Free, ShaderNew, LinkNew,
                         LinkFree, LinkSet, LinkGet, ActiveDocument, UndoStart, UndoAdd, UndoEnd, EventAdd,
                         AtomArrayNew, AtomArrayFree, AtomArrayAppend, AtomArrayFlush, AtomArrayCount,
                         AtomArrayIndex, ObjectNew, InsertObjectC, MakeTagC, InsertMaterialC, FirstObject,
                         FirstMaterial, FirstTag, Clone, AliasTransNew, AliasTransFree, AliasTransInit,
                         AliasTransTranslate, GetBits, ChangeBits, SetParameterC, DocumentTimeC, GetMain};

}  // namespace

const HostNodeApi* NodeFamily() { return &kNodes; }

}  // namespace ombrel::host
