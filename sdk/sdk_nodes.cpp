#include "sdk_nodes.h"

#include "sdk_bitmap.h"
#include "sdk_host.h"
#include "sdk_render.h"

namespace {
const HostNodeApi* Nodes() { return SdkHost()->nodes; }
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
Vector BaseShader::Sample(ChannelData* cd) { return Shaders()->sample(Host(), cd->ToHost()); }
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
