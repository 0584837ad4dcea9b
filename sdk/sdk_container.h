// Parameters: containers, typed values and description IDs.
//
// BaseContainer is a host object seen through a pointer (the SDK never creates one on the
// stack); GeData is a value that owns a host value unless it only views one the host passed in.
#ifndef OMBREL_SDK_CONTAINER_H
#define OMBREL_SDK_CONTAINER_H

#include "sdk_string.h"
#include "sdk_types.h"

class BaseDocument;
class BaseList2D;
class GeData;

class DescID {
 public:
  DescID() { id_.depth = 0; }
  explicit DescID(LONG id) : DescID() { PushId(id, 0, 0); }
  DescID(LONG id, LONG dtype, LONG creator) : DescID() { PushId(id, dtype, creator); }
  explicit DescID(const HostDescId& raw) : id_(raw) {
    if (id_.depth < 0) id_.depth = 0;
    if (id_.depth > HOST_DESCID_MAX_DEPTH) id_.depth = HOST_DESCID_MAX_DEPTH;
  }

  LONG GetDepth() const { return id_.depth; }
  // The level's ID; 0 past the depth.
  LONG operator[](LONG level) const { return level >= 0 && level < id_.depth ? id_.level[level].id : 0; }
  const HostDescLevel* GetLevel(LONG level) const { return level >= 0 && level < id_.depth ? &id_.level[level] : nullptr; }
  void PushId(LONG id, LONG dtype = 0, LONG creator = 0) {
    if (id_.depth < HOST_DESCID_MAX_DEPTH) id_.level[id_.depth++] = HostDescLevel{id, dtype, creator};
  }
  const HostDescId& ToHost() const { return id_; }

 private:
  HostDescId id_{};
};

class BaseContainer {
 public:
  // A container the module owns (free with Free); null when the host has no memory.
  static BaseContainer* Alloc();
  static void Free(BaseContainer*& bc);
  Bool CopyTo(BaseContainer* dest) const;
  // The container's own ID (what a message or query is about); 0 on a host that keeps none.
  LONG GetId() const;
  void SetId(LONG id);

  LONG GetType(LONG id) const;
  LONG GetLong(LONG id, LONG preset = 0) const;
  Real GetReal(LONG id, Real preset = 0.0) const;
  Bool GetBool(LONG id, Bool preset = FALSE) const;
  Vector GetVector(LONG id, const Vector& preset = Vector()) const;
  String GetString(LONG id) const;
  BaseList2D* GetLink(LONG id, const BaseDocument* doc, LONG baseType = 0) const;
  // Custom data (e.g. a Gradient) owned by the container, or null.
  void* GetCustomDataType(LONG id, LONG customType) const;
  // A copy of the stored value; NIL when absent.
  GeData GetData(LONG id) const;

  void SetLong(LONG id, LONG value);
  void SetReal(LONG id, Real value);
  void SetBool(LONG id, Bool value);
  void SetVector(LONG id, const Vector& value);
  void SetString(LONG id, const String& value);
  void SetLink(LONG id, BaseList2D* target);
  void SetData(LONG id, const GeData& value);
  Bool RemoveData(LONG id);
  // Copies the index-th entry into value; FALSE past the end.
  Bool GetIndexData(LONG index, LONG* id, GeData* value) const;

  HostContainer* Host() { return reinterpret_cast<HostContainer*>(this); }
  const HostContainer* Host() const { return reinterpret_cast<const HostContainer*>(this); }
  static BaseContainer* From(HostContainer* bc) { return reinterpret_cast<BaseContainer*>(bc); }
  static const BaseContainer* From(const HostContainer* bc) { return reinterpret_cast<const BaseContainer*>(bc); }

 private:
  BaseContainer() = delete;
  ~BaseContainer() = delete;
};

class GeData {
 public:
  GeData();  // NIL
  explicit GeData(LONG value);
  explicit GeData(Real value);
  explicit GeData(const Vector& value);
  explicit GeData(const String& value);
  GeData(const GeData& other);
  GeData& operator=(const GeData& other);
  ~GeData();

  // A view of a value the host owns, valid for the duration of the call that handed it over.
  struct ViewTag {};
  GeData(ViewTag, const HostData* data) : data_(const_cast<HostData*>(data)), owned_(false) {}

  LONG GetType() const;
  LONG GetLong() const;
  Real GetReal() const;
  Bool GetBool() const { return GetLong() != 0; }
  Vector GetVector() const;
  String GetString() const;
  BaseList2D* GetLink(const BaseDocument* doc, LONG baseType = 0) const;
  void* GetCustomDataType(LONG customType) const;

  void SetLong(LONG value);
  void SetReal(LONG value) = delete;
  void SetReal(Real value);
  void SetVector(const Vector& value);
  void SetString(const String& value);
  void SetLink(BaseList2D* target);
  // A default value of a custom data type; FALSE when the host has none.
  Bool SetCustomDefault(LONG customType);

  const HostData* Host() const { return data_; }
  HostData* Host() { return data_; }

 private:
  HostData* data_ = nullptr;
  bool owned_ = true;
};

#endif
