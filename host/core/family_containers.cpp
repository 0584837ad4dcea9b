#include "families.h"
#include "host.h"
#include "material_preview.h"
#include "nodes.h"

namespace ombrel::host {
namespace {

std::string Text(HostStr s) { return std::string(s.data ? s.data : "", static_cast<size_t>(s.length)); }
HostStr View(const std::string& s) { return HostStr{s.data(), static_cast<int64_t>(s.size())}; }

HostContainer* ContainerNew(HostModule* module) {
  if (module && !module->ledger.TakeHandle("container")) return nullptr;
  return new HostContainer();
}
void ContainerFree(HostModule* module, HostContainer* bc) {
  if (!bc) return;
  if (module) module->ledger.HandleFreed();
  delete bc;
}
HostBool ContainerCopy(const HostContainer* from, HostContainer* to) {
  if (!from || !to) return HOST_FALSE;
  if (from != to) *to = *from;
  return HOST_TRUE;
}

int32_t GetType(const HostContainer* bc, int32_t id) {
  const HostData* d = bc ? bc->Find(id) : nullptr;
  return d ? d->type : HOST_DA_NIL;
}

// Typed reads answer the preset when the entry holds another type, as the host does.
int32_t GetInt32(const HostContainer* bc, int32_t id, int32_t preset) {
  const HostData* d = bc ? bc->Find(id) : nullptr;
  if (!d) return preset;
  if (d->type == HOST_DA_LONG) return d->i32;
  return preset;
}
double GetReal(const HostContainer* bc, int32_t id, double preset) {
  const HostData* d = bc ? bc->Find(id) : nullptr;
  if (!d) return preset;
  if (d->type == HOST_DA_REAL || d->type == HOST_DA_TIME) return d->real;
  return preset;
}
HostVector GetVector(const HostContainer* bc, int32_t id, HostVector preset) {
  const HostData* d = bc ? bc->Find(id) : nullptr;
  return d && d->type == HOST_DA_VECTOR ? d->vec : preset;
}
HostStr GetString(const HostContainer* bc, int32_t id) {
  const HostData* d = bc ? bc->Find(id) : nullptr;
  if (!d || (d->type != HOST_DA_STRING && d->type != HOST_DA_FILENAME)) return HostStr{"", 0};
  return View(d->text);
}
HostNode* GetLink(const HostContainer* bc, int32_t id, HostNode* doc, int32_t baseType) {
  const HostData* d = bc ? bc->Find(id) : nullptr;
  if (!d || d->type != HOST_DA_LINK) return nullptr;
  return ResolveLink(d->linkSerial, doc, baseType);
}
void* GetCustom(const HostContainer* bc, int32_t id, int32_t customType) {
  const HostData* d = bc ? bc->Find(id) : nullptr;
  if (!d || d->type != HOST_DA_CUSTOM || !d->custom || d->custom->CustomType() != customType) return nullptr;
  return d->custom.get();
}
const HostData* GetData(const HostContainer* bc, int32_t id) { return bc ? bc->Find(id) : nullptr; }

void SetInt32(HostContainer* bc, int32_t id, int32_t value) {
  if (!bc) return;
  HostData& d = bc->Slot(id);
  d.Clear();
  d.type = HOST_DA_LONG;
  d.i32 = value;
}
void SetReal(HostContainer* bc, int32_t id, double value) {
  if (!bc) return;
  HostData& d = bc->Slot(id);
  d.Clear();
  d.type = HOST_DA_REAL;
  d.real = value;
}
void SetVector(HostContainer* bc, int32_t id, HostVector value) {
  if (!bc) return;
  HostData& d = bc->Slot(id);
  d.Clear();
  d.type = HOST_DA_VECTOR;
  d.vec = value;
}
void SetString(HostContainer* bc, int32_t id, HostStr value) {
  if (!bc) return;
  HostData& d = bc->Slot(id);
  d.Clear();
  d.type = HOST_DA_STRING;
  d.text = Text(value);
}
void SetLink(HostContainer* bc, int32_t id, HostNode* target) {
  if (!bc) return;
  HostData& d = bc->Slot(id);
  d.Clear();
  d.type = HOST_DA_LINK;
  d.linkSerial = target ? target->serial : 0;
}
void SetData(HostContainer* bc, int32_t id, const HostData* value) {
  if (!bc) return;
  if (!value) {
    bc->Remove(id);
    return;
  }
  bc->Slot(id) = *value;
}
HostBool Remove(HostContainer* bc, int32_t id) { return bc && bc->Remove(id) ? HOST_TRUE : HOST_FALSE; }
HostBool Browse(const HostContainer* bc, int32_t index, int32_t* id, const HostData** data) {
  if (!bc || index < 0 || static_cast<size_t>(index) >= bc->entries.size()) return HOST_FALSE;
  if (id) *id = bc->entries[static_cast<size_t>(index)].first;
  if (data) *data = &bc->entries[static_cast<size_t>(index)].second;
  return HOST_TRUE;
}

HostData* DataNew(HostModule* module) {
  if (module && !module->ledger.TakeHandle("value")) return nullptr;
  return new HostData();
}
void DataFree(HostModule* module, HostData* data) {
  if (!data) return;
  if (module) module->ledger.HandleFreed();
  delete data;
}
void DataCopy(HostData* to, const HostData* from) {
  if (to && from && to != from) *to = *from;
}
int32_t DataType(const HostData* d) { return d ? d->type : HOST_DA_NIL; }
int32_t DataCustomType(const HostData* d) { return d ? d->CustomType() : 0; }
int32_t DataGetInt32(const HostData* d) { return d && d->type == HOST_DA_LONG ? d->i32 : 0; }
double DataGetReal(const HostData* d) { return d && (d->type == HOST_DA_REAL || d->type == HOST_DA_TIME) ? d->real : 0.0; }
HostVector DataGetVector(const HostData* d) { return d && d->type == HOST_DA_VECTOR ? d->vec : HostVector{0, 0, 0}; }
HostStr DataGetString(const HostData* d) {
  return d && (d->type == HOST_DA_STRING || d->type == HOST_DA_FILENAME) ? View(d->text) : HostStr{"", 0};
}
HostNode* DataGetLink(const HostData* d, HostNode* doc, int32_t baseType) {
  return d && d->type == HOST_DA_LINK ? ResolveLink(d->linkSerial, doc, baseType) : nullptr;
}
void* DataGetCustom(const HostData* d, int32_t customType) {
  return d && d->custom && d->custom->CustomType() == customType ? d->custom.get() : nullptr;
}
void DataSetInt32(HostData* d, int32_t v) {
  if (!d) return;
  d->Clear();
  d->type = HOST_DA_LONG;
  d->i32 = v;
}
void DataSetReal(HostData* d, double v) {
  if (!d) return;
  d->Clear();
  d->type = HOST_DA_REAL;
  d->real = v;
}
void DataSetVector(HostData* d, HostVector v) {
  if (!d) return;
  d->Clear();
  d->type = HOST_DA_VECTOR;
  d->vec = v;
}
void DataSetString(HostData* d, HostStr v) {
  if (!d) return;
  d->Clear();
  d->type = HOST_DA_STRING;
  d->text = Text(v);
}
void DataSetLink(HostData* d, HostNode* target) {
  if (!d) return;
  d->Clear();
  d->type = HOST_DA_LINK;
  d->linkSerial = target ? target->serial : 0;
}
HostBool DataSetCustomDefault(HostData* d, int32_t customType) {
  if (!d) return HOST_FALSE;
  auto custom = MakeCustomData(customType);
  if (!custom) return HOST_FALSE;
  d->Clear();
  d->type = HOST_DA_CUSTOM;
  d->custom = std::move(custom);
  return HOST_TRUE;
}

HostBool MaterialPreviewSetType(void* preview, int32_t previewType) {
  auto* mp = dynamic_cast<HostMaterialPreview*>(static_cast<HostCustomData*>(preview));
  if (!mp) return HOST_FALSE;
  mp->previewType = previewType;
  return HOST_TRUE;
}

int32_t GetId(const HostContainer* bc) { return bc ? bc->ownId : 0; }
void SetId(HostContainer* bc, int32_t id) {
  if (bc) bc->ownId = id;
}

const HostContainerApi kContainers{
    sizeof(HostContainerApi), ContainerNew, ContainerFree, ContainerCopy, GetType, GetInt32, GetReal, GetVector,
    GetString, GetLink, GetCustom, GetData, SetInt32, SetReal, SetVector, SetString, SetLink, SetData, Remove,
    Browse, DataNew, DataFree, DataCopy, DataType, DataCustomType, DataGetInt32, DataGetReal, DataGetVector,
    DataGetString, DataGetLink, DataGetCustom, DataSetInt32, DataSetReal, DataSetVector, DataSetString,
    DataSetLink, DataSetCustomDefault, MaterialPreviewSetType, GetId, SetId};

}  // namespace

const HostContainerApi* ContainerFamily() { return &kContainers; }

}  // namespace ombrel::host
