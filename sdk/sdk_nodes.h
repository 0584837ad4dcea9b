// Scene nodes as the module sees them: host objects behind pointers, never created by value.
#ifndef OMBREL_SDK_NODES_H
#define OMBREL_SDK_NODES_H

#include "sdk_container.h"
#include "sdk_types.h"

class BaseBitmap;
class BaseDocument;
struct ChannelData;
struct InitRenderStruct;

#define OMBREL_SDK_HANDLE(Class)                                                              \
  HostNode* Host() { return reinterpret_cast<HostNode*>(this); }                              \
  const HostNode* Host() const { return reinterpret_cast<const HostNode*>(this); }            \
  static Class* From(HostNode* node) { return reinterpret_cast<Class*>(node); }               \
  static const Class* From(const HostNode* node) { return reinterpret_cast<const Class*>(node); }

class GeListNode {
 public:
  OMBREL_SDK_HANDLE(GeListNode)
  LONG GetType() const;
  Bool IsInstanceOf(LONG baseType) const;
  BaseDocument* GetDocument();
  // The plug-in object behind a node of one of our own plug-ins, else null.
  void* GetNodeData();
  GeListNode* GetUp();
  GeListNode* GetDown();
  GeListNode* GetNext();
  void Remove();

 protected:
  GeListNode() = delete;
  ~GeListNode() = delete;
};

class BaseList2D : public GeListNode {
 public:
  OMBREL_SDK_HANDLE(BaseList2D)
  BaseContainer* GetDataInstance();
  const BaseContainer* GetDataInstance() const;
  String GetName() const;
  // Free a node that is not (or no longer) in a scene.
  static void Free(BaseList2D*& node);

 protected:
  BaseList2D() = delete;
};

class BaseShader : public BaseList2D {
 public:
  OMBREL_SDK_HANDLE(BaseShader)
  static BaseShader* Alloc(LONG type);
  LONG InitRender(const InitRenderStruct& irs);
  Vector Sample(ChannelData* cd);
  void FreeRender();
  BaseBitmap* GetBitmap();
  // Pass a message on to this (linked) shader.
  Bool Message(LONG type, void* data = nullptr);
  // Insert `shader` under this shader after `pred` (null: first).
  void InsertShader(BaseShader* shader, BaseShader* pred = nullptr);
  BaseShader* GetDown() { return reinterpret_cast<BaseShader*>(GeListNode::GetDown()); }
  BaseShader* GetNext() { return reinterpret_cast<BaseShader*>(GeListNode::GetNext()); }
  BaseShader* GetFirstShader();

 protected:
  BaseShader() = delete;
};

class BaseObject : public BaseList2D {
 public:
  OMBREL_SDK_HANDLE(BaseObject)
  BaseObject* GetUp() { return reinterpret_cast<BaseObject*>(GeListNode::GetUp()); }
  // The host's per-object identity number.
  LONG GetUniqueIdentity() const;

 protected:
  BaseObject() = delete;
};

class BaseMaterial : public BaseList2D {
 public:
  OMBREL_SDK_HANDLE(BaseMaterial)
  void InsertShader(BaseShader* shader, BaseShader* pred = nullptr);
  BaseShader* GetFirstShader();

 protected:
  BaseMaterial() = delete;
};

class BaseTag : public BaseList2D {
 public:
  OMBREL_SDK_HANDLE(BaseTag)

 protected:
  BaseTag() = delete;
};

class BaseDocument : public BaseList2D {
 public:
  OMBREL_SDK_HANDLE(BaseDocument)
  static BaseDocument* GetActive();
  Bool StartUndo();
  Bool AddUndo(LONG type, BaseList2D* node);
  Bool EndUndo();

 protected:
  BaseDocument() = delete;
};

// A weak reference to a node; resolves to null once the target is gone.
class BaseLink {
 public:
  HostLink* Host() { return reinterpret_cast<HostLink*>(this); }
  const HostLink* Host() const { return reinterpret_cast<const HostLink*>(this); }
  static BaseLink* Alloc();
  static void Free(BaseLink*& link);
  void SetLink(BaseList2D* target);
  BaseList2D* GetLink(const BaseDocument* doc, LONG baseType = 0) const;

 private:
  BaseLink() = delete;
  ~BaseLink() = delete;
};

// An ordered list of node references (not owning). Reads are safe on render threads.
class AtomArray {
 public:
  HostAtomArray* Host() { return reinterpret_cast<HostAtomArray*>(this); }
  const HostAtomArray* Host() const { return reinterpret_cast<const HostAtomArray*>(this); }
  static AtomArray* Alloc();
  static void Free(AtomArray*& arr);
  Bool Append(GeListNode* node);
  void Flush();
  LONG GetCount() const;
  GeListNode* GetIndex(LONG index) const;

 private:
  AtomArray() = delete;
  ~AtomArray() = delete;
};

// Tell the host that the scene changed.
void EventAdd(LONG flags = 0);

#endif
