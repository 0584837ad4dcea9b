#include "sdk_container.h"

#include "sdk_host.h"
#include "sdk_nodes.h"

namespace {
const HostContainerApi* Api() { return SdkHost()->containers; }
HostNode* NodeOf(const BaseDocument* doc) {
  return const_cast<HostNode*>(reinterpret_cast<const HostNode*>(doc));
}
}  // namespace

BaseContainer* BaseContainer::Alloc() { return SdkHost() ? From(Api()->containerNew(SdkModule())) : nullptr; }

void BaseContainer::Free(BaseContainer*& bc) {
  if (bc && SdkHost()) Api()->containerFree(SdkModule(), bc->Host());
  bc = nullptr;
}

Bool BaseContainer::CopyTo(BaseContainer* dest) const { return dest && Api()->containerCopy(Host(), dest->Host()); }
LONG BaseContainer::GetType(LONG id) const { return Api()->getType(Host(), id); }
LONG BaseContainer::GetLong(LONG id, LONG preset) const { return Api()->getInt32(Host(), id, preset); }
Real BaseContainer::GetReal(LONG id, Real preset) const { return Api()->getReal(Host(), id, preset); }
Bool BaseContainer::GetBool(LONG id, Bool preset) const { return Api()->getInt32(Host(), id, preset) != 0; }
Vector BaseContainer::GetVector(LONG id, const Vector& preset) const { return Api()->getVector(Host(), id, preset); }
String BaseContainer::GetString(LONG id) const { return String(Api()->getString(Host(), id)); }

BaseList2D* BaseContainer::GetLink(LONG id, const BaseDocument* doc, LONG baseType) const {
  return BaseList2D::From(Api()->getLink(Host(), id, NodeOf(doc), baseType));
}

void* BaseContainer::GetCustomDataType(LONG id, LONG customType) const {
  return Api()->getCustom(Host(), id, customType);
}

GeData BaseContainer::GetData(LONG id) const {
  GeData copy;
  const HostData* data = Api()->getData(Host(), id);
  if (data && copy.Host()) Api()->dataCopy(copy.Host(), data);
  return copy;
}

void BaseContainer::SetLong(LONG id, LONG value) { Api()->setInt32(Host(), id, value); }
void BaseContainer::SetReal(LONG id, Real value) { Api()->setReal(Host(), id, value); }
void BaseContainer::SetBool(LONG id, Bool value) { Api()->setInt32(Host(), id, value ? TRUE : FALSE); }
void BaseContainer::SetVector(LONG id, const Vector& value) { Api()->setVector(Host(), id, value); }
void BaseContainer::SetString(LONG id, const String& value) { Api()->setString(Host(), id, value.ToHost()); }
void BaseContainer::SetLink(LONG id, BaseList2D* target) { Api()->setLink(Host(), id, target ? target->Host() : nullptr); }
void BaseContainer::SetData(LONG id, const GeData& value) { Api()->setData(Host(), id, value.Host()); }
Bool BaseContainer::RemoveData(LONG id) { return Api()->remove(Host(), id); }

Bool BaseContainer::GetIndexData(LONG index, LONG* id, GeData* value) const {
  int32_t entryId = 0;
  const HostData* data = nullptr;
  if (!Api()->browse(Host(), index, &entryId, &data) || !data) return FALSE;
  if (id) *id = entryId;
  if (value && value->Host()) Api()->dataCopy(value->Host(), data);
  return TRUE;
}

GeData::GeData() : data_(SdkHost() ? Api()->dataNew(SdkModule()) : nullptr) {}
GeData::GeData(LONG value) : GeData() { SetLong(value); }
GeData::GeData(Real value) : GeData() { SetReal(value); }
GeData::GeData(const Vector& value) : GeData() { SetVector(value); }
GeData::GeData(const String& value) : GeData() { SetString(value); }
GeData::GeData(const GeData& other) : GeData() {
  if (data_ && other.Host()) Api()->dataCopy(data_, other.Host());
}
GeData& GeData::operator=(const GeData& other) {
  // Assigning into a view would write into the host's own value: make it an owned value first.
  if (!owned_) {
    data_ = SdkHost() ? Api()->dataNew(SdkModule()) : nullptr;
    owned_ = true;
  }
  if (this != &other && data_ && other.Host()) Api()->dataCopy(data_, other.Host());
  return *this;
}
GeData::~GeData() {
  if (owned_ && data_ && SdkHost()) Api()->dataFree(SdkModule(), data_);
}

LONG GeData::GetType() const { return data_ ? Api()->dataType(Host()) : HOST_DA_NIL; }
LONG GeData::GetLong() const { return data_ ? Api()->dataGetInt32(Host()) : 0; }
Real GeData::GetReal() const { return data_ ? Api()->dataGetReal(Host()) : 0.0; }
Vector GeData::GetVector() const { return data_ ? Vector(Api()->dataGetVector(Host())) : Vector(); }
String GeData::GetString() const { return data_ ? String(Api()->dataGetString(Host())) : String(); }
BaseList2D* GeData::GetLink(const BaseDocument* doc, LONG baseType) const {
  return data_ ? BaseList2D::From(Api()->dataGetLink(Host(), NodeOf(doc), baseType)) : nullptr;
}
void* GeData::GetCustomDataType(LONG customType) const {
  return data_ ? Api()->dataGetCustom(Host(), customType) : nullptr;
}
void GeData::SetLong(LONG value) { if (data_) Api()->dataSetInt32(data_, value); }
void GeData::SetReal(Real value) { if (data_) Api()->dataSetReal(data_, value); }
void GeData::SetVector(const Vector& value) { if (data_) Api()->dataSetVector(data_, value); }
void GeData::SetString(const String& value) { if (data_) Api()->dataSetString(data_, value.ToHost()); }
void GeData::SetLink(BaseList2D* target) { if (data_) Api()->dataSetLink(data_, target ? target->Host() : nullptr); }
Bool GeData::SetCustomDefault(LONG customType) { return data_ && Api()->dataSetCustomDefault(data_, customType); }
