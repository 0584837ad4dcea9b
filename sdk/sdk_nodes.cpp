#include "sdk_nodes.h"

#include <cstddef>
#include <type_traits>

#include "sdk_bitmap.h"
#include "sdk_container.h"
#include "sdk_host.h"
#include "sdk_render.h"

namespace {
// Null once the host has ended the module; the revision-2 wrappers then do nothing.
const HostNodeApi* Nodes() { return SdkHost() ? SdkHost()->nodes : nullptr; }
const HostMiscApi* Misc() { return SdkHost() ? SdkHost()->misc : nullptr; }

const HostShaderApi* Shaders() { return SdkHost()->shaders; }
HostNode* Raw(const GeListNode* node) { return const_cast<HostNode*>(node ? node->Host() : nullptr); }
}  // namespace

LONG GeListNode::GetType() const { return Nodes()->type(Host()); }
Bool GeListNode::IsInstanceOf(LONG baseType) const { return Nodes()->isInstanceOf(Host(), baseType); }
BaseDocument* GeListNode::GetDocument() { return BaseDocument::From(Nodes()->document(Host())); }
void* GeListNode::GetNodeData() { return Nodes()->pluginData(Host()); }
GeListNode* GeListNode::GetUp() { return From(Nodes()->up(Host())); }
GeListNode* GeListNode::GetDown() { return From(Nodes()->down(Host())); }
GeListNode* GeListNode::GetNext() { return From(Nodes()->next(Host())); }
void GeListNode::Remove() { Nodes()->remove(Host()); }

BaseContainer* BaseList2D::GetDataInstance() { return BaseContainer::From(Nodes()->dataInstance(Host())); }
const BaseContainer* BaseList2D::GetDataInstance() const {
  return BaseContainer::From(Nodes()->dataInstance(Raw(this)));
}
String BaseList2D::GetName() const { return String(Nodes()->name(Host())); }
void BaseList2D::Free(BaseList2D*& node) {
  if (node && SdkHost()) Nodes()->free(SdkModule(), node->Host());
  node = nullptr;
}

BaseShader* BaseShader::Alloc(LONG type) { return SdkHost() ? From(Nodes()->shaderNew(SdkModule(), type)) : nullptr; }
LONG BaseShader::InitRender(const InitRenderStruct& irs) { return Shaders()->initRender(Host(), irs.ToHost()); }
void BaseShader::FreeRender() { Shaders()->freeRender(Host()); }
BaseBitmap* BaseShader::GetBitmap() { return BaseBitmap::From(Shaders()->getBitmap(Host())); }
Bool BaseShader::Message(LONG type, void* data) { return Shaders()->message(Host(), type, data); }
void BaseShader::InsertShader(BaseShader* shader, BaseShader* pred) {
  if (shader) Nodes()->insertShader(Host(), shader->Host(), Raw(pred));
}
BaseShader* BaseShader::GetFirstShader() { return From(Nodes()->firstShader(Host())); }

LONG BaseObject::GetUniqueIdentity() const { return Nodes()->uniqueIdentity(Host()); }

void BaseMaterial::InsertShader(BaseShader* shader, BaseShader* pred) {
  if (shader) Nodes()->insertShader(Host(), shader->Host(), Raw(pred));
}
BaseShader* BaseMaterial::GetFirstShader() { return BaseShader::From(Nodes()->firstShader(Host())); }

BaseDocument* BaseDocument::GetActive() { return From(Nodes()->activeDocument()); }
Bool BaseDocument::StartUndo() { return Nodes()->undoStart(Host()); }
Bool BaseDocument::AddUndo(LONG type, BaseList2D* node) { return Nodes()->undoAdd(Host(), type, Raw(node)); }
Bool BaseDocument::EndUndo() { return Nodes()->undoEnd(Host()); }

BaseLink* BaseLink::Alloc() {
  return SdkHost() ? reinterpret_cast<BaseLink*>(Nodes()->linkNew(SdkModule())) : nullptr;
}
void BaseLink::Free(BaseLink*& link) {
  if (link && SdkHost()) Nodes()->linkFree(SdkModule(), link->Host());
  link = nullptr;
}
void BaseLink::SetLink(BaseList2D* target) { Nodes()->linkSet(Host(), Raw(target)); }
BaseList2D* BaseLink::GetLink(const BaseDocument* doc, LONG baseType) const {
  return BaseList2D::From(Nodes()->linkGet(Host(), Raw(doc), baseType));
}

void EventAdd(LONG flags) { Nodes()->eventAdd(flags); }

AtomArray* AtomArray::Alloc() {
  return SdkHost() ? reinterpret_cast<AtomArray*>(Nodes()->atomArrayNew(SdkModule())) : nullptr;
}
void AtomArray::Free(AtomArray*& arr) {
  if (arr && SdkHost()) Nodes()->atomArrayFree(SdkModule(), arr->Host());
  arr = nullptr;
}
Bool AtomArray::Append(GeListNode* node) { return Nodes()->atomArrayAppend(Host(), Raw(node)); }
void AtomArray::Flush() { Nodes()->atomArrayFlush(Host()); }
LONG AtomArray::GetCount() const { return Nodes()->atomArrayCount(Host()); }
GeListNode* AtomArray::GetIndex(LONG index) const { return GeListNode::From(Nodes()->atomArrayIndex(Host(), index)); }

GeListNode* GeListNode::GetMain() { return OMBREL_HAS(Nodes(), getMain) ? From(Nodes()->getMain(Host())) : nullptr; }

Bool GeListNode::GetBit(LONG bit) const {
  return OMBREL_HAS(Nodes(), getBits) && (Nodes()->getBits(Host()) & bit) != 0;
}
void GeListNode::SetBit(LONG bit) {
  if (OMBREL_HAS(Nodes(), changeBits)) Nodes()->changeBits(Host(), bit, 0);
}
void GeListNode::DelBit(LONG bit) {
  if (OMBREL_HAS(Nodes(), changeBits)) Nodes()->changeBits(Host(), 0, bit);
}

BaseList2D* BaseList2D::GetClone(LONG copyFlags, AliasTrans* trans) {
  if (!OMBREL_HAS(Nodes(), clone)) return nullptr;
  return From(Nodes()->clone(SdkModule(), Host(), copyFlags, trans ? trans->Host() : nullptr));
}
Bool BaseList2D::SetParameter(const DescID& id, const GeData& value, LONG flags) {
  if (!OMBREL_HAS(Nodes(), setParameter)) return FALSE;
  return Nodes()->setParameter(Host(), &id.ToHost(), value.Host(), flags);
}

BaseObject* BaseObject::Alloc(LONG type) {
  return OMBREL_HAS(Nodes(), objectNew) ? From(Nodes()->objectNew(SdkModule(), type)) : nullptr;
}
BaseTag* BaseObject::MakeTag(LONG type, BaseTag* pred) {
  return OMBREL_HAS(Nodes(), makeTag) ? BaseTag::From(Nodes()->makeTag(Host(), type, Raw(pred))) : nullptr;
}
BaseTag* BaseObject::GetFirstTag() {
  return OMBREL_HAS(Nodes(), firstTag) ? BaseTag::From(Nodes()->firstTag(Host())) : nullptr;
}

void BaseDocument::InsertObject(BaseObject* op, BaseObject* parent, BaseObject* pred, Bool checkNames) {
  (void)checkNames;
  if (op && OMBREL_HAS(Nodes(), insertObject)) Nodes()->insertObject(Host(), op->Host(), Raw(parent), Raw(pred));
}
void BaseDocument::InsertMaterial(BaseMaterial* mat, BaseMaterial* pred, Bool checkNames) {
  if (mat && OMBREL_HAS(Nodes(), insertMaterial)) Nodes()->insertMaterial(Host(), mat->Host(), Raw(pred), checkNames);
}
BaseObject* BaseDocument::GetFirstObject() {
  return OMBREL_HAS(Nodes(), firstObject) ? BaseObject::From(Nodes()->firstObject(Host())) : nullptr;
}
BaseMaterial* BaseDocument::GetFirstMaterial() {
  return OMBREL_HAS(Nodes(), firstMaterial) ? BaseMaterial::From(Nodes()->firstMaterial(Host())) : nullptr;
}
BaseTime BaseDocument::GetTime() const {
  if (!OMBREL_HAS(Nodes(), documentTime)) return BaseTime();
  const HostTime t = Nodes()->documentTime(Host());
  return BaseTime(t.numerator, t.denominator);
}

AliasTrans* AliasTrans::Alloc() {
  return OMBREL_HAS(Nodes(), aliasTransNew) ? reinterpret_cast<AliasTrans*>(Nodes()->aliasTransNew(SdkModule())) : nullptr;
}
void AliasTrans::Free(AliasTrans*& trans) {
  if (trans && OMBREL_HAS(Nodes(), aliasTransFree)) Nodes()->aliasTransFree(SdkModule(), trans->Host());
  trans = nullptr;
}
Bool AliasTrans::Init(BaseDocument* doc) {
  return OMBREL_HAS(Nodes(), aliasTransInit) && Nodes()->aliasTransInit(Host(), Raw(doc));
}
void AliasTrans::Translate(Bool connectOldGoals) {
  if (OMBREL_HAS(Nodes(), aliasTransTranslate)) Nodes()->aliasTransTranslate(Host(), connectOldGoals);
}

void DrawViews(LONG flags) {
  if (OMBREL_HAS(Misc(), drawViews)) Misc()->drawViews(flags);
}
Bool CallCommand(LONG command) { return Misc() && Misc()->callCommand ? Misc()->callCommand(command) : FALSE; }
