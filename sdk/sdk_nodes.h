// Scene nodes as the module sees them: host objects behind pointers, never created by value.
#ifndef OMBREL_SDK_NODES_H
#define OMBREL_SDK_NODES_H

#include "sdk_container.h"
#include "sdk_host.h"
#include "sdk_render.h"
#include "sdk_types.h"

class AliasTrans;
class BaseBitmap;
class BaseDraw;
class BaseDocument;
class BaseTag;
class GeData;
struct ChannelData;
struct InitRenderStruct;

#define OMBREL_SDK_HANDLE(Class)                                                              \
  HostNode* Host() { return reinterpret_cast<HostNode*>(this); }                              \
  const HostNode* Host() const { return reinterpret_cast<const HostNode*>(this); }            \
  static Class* From(HostNode* node) { return reinterpret_cast<Class*>(node); }               \
  static const Class* From(const HostNode* node) { return reinterpret_cast<const Class*>(node); }

#define BIT_ACTIVE HOST_BIT_ACTIVE

#define UNDOTYPE_CHANGE HOST_UNDOTYPE_CHANGE
#define UNDOTYPE_NEW HOST_UNDOTYPE_NEW
#define UNDOTYPE_DELETE HOST_UNDOTYPE_DELETE

#define COPYFLAGS_0 0
#define COPYFLAGS_NO_HIERARCHY HOST_COPYFLAGS_NO_HIERARCHY
#define COPYFLAGS_NO_BITS HOST_COPYFLAGS_NO_BITS

#define Obase HOST_BASETYPE_OBJECT
#define Ocube HOST_OBJECT_CUBE
#define PRIM_CUBE_LEN HOST_CUBE_SIZE
#define Tbase HOST_BASETYPE_TAG
#define Ttexture HOST_TAG_TEXTURE
#define TEXTURETAG_MATERIAL HOST_TEXTURETAG_MATERIAL
#define TEXTURETAG_PROJECTION HOST_TEXTURETAG_PROJECTION
#define TEXTURETAG_PROJECTION_UVW HOST_TEXTURETAG_PROJECTION_UVW
#define Mbase HOST_BASETYPE_MATERIAL
#define DOCUMENT_TIME HOST_DOCUMENT_TIME
#define DOCUMENT_FPS HOST_DOCUMENT_FPS
#define DOCUMENT_PATH HOST_DOCUMENT_PATH

#define DESCFLAGS_SET_0 0
#define DESCFLAGS_SET_PARAM_SET HOST_DESCFLAGS_SET_PARAM_SET
#define DESCFLAGS_SET_USERINTERACTION HOST_DESCFLAGS_SET_USERINTERACTION

// A point in the document's time: numerator over denominator seconds.
class BaseTime {
 public:
  BaseTime() = default;
  BaseTime(Real numerator, Real denominator) : num_(numerator), den_(denominator) {}
  Real GetNumerator() const { return num_; }
  Real GetDenominator() const { return den_; }
  // Seconds; 0 when the denominator is 0.
  Real Get() const { return den_ != 0.0 ? num_ / den_ : 0.0; }

 private:
  Real num_ = 0.0;
  Real den_ = 1.0;
};

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
  // The node whose list holds this one: a shader's material, a tag's object; null when none.
  GeListNode* GetMain();
  // Node bits (BIT_ACTIVE, ...).
  Bool GetBit(LONG bit) const;
  void SetBit(LONG bit);
  void DelBit(LONG bit);

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
  // A copy outside any document, or null; `trans` records which clone stands for which node.
  BaseList2D* GetClone(LONG copyFlags, AliasTrans* trans);
  // The host's parameter setter: the node's SetDParameter, then the store.
  Bool SetParameter(const DescID& id, const GeData& value, LONG flags);

 protected:
  BaseList2D() = delete;
};

class BaseShader : public BaseList2D {
 public:
  OMBREL_SDK_HANDLE(BaseShader)
  static BaseShader* Alloc(LONG type);
  LONG InitRender(const InitRenderStruct& irs);
  // Render threads, between InitRender and FreeRender. Inline: a shader sampling its inputs
  // calls it on every sample.
  Vector Sample(ChannelData* cd) { return SdkHost()->shaders->sample(Host(), cd->ToHost()); }
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
  // A new object of a built-in type (Ocube, ...), not yet in a document; null on failure.
  static BaseObject* Alloc(LONG type);
  BaseObject* GetNext() { return reinterpret_cast<BaseObject*>(GeListNode::GetNext()); }
  // A new tag on this object after pred (null: last); null on failure.
  BaseTag* MakeTag(LONG type, BaseTag* pred = nullptr);
  BaseTag* GetFirstTag();

 protected:
  BaseObject() = delete;
};

class BaseMaterial : public BaseList2D {
 public:
  OMBREL_SDK_HANDLE(BaseMaterial)
  void InsertShader(BaseShader* shader, BaseShader* pred = nullptr);
  BaseShader* GetFirstShader();
  BaseMaterial* GetNext() { return reinterpret_cast<BaseMaterial*>(GeListNode::GetNext()); }

 protected:
  BaseMaterial() = delete;
};

class BaseTag : public BaseList2D {
 public:
  OMBREL_SDK_HANDLE(BaseTag)
  BaseTag* GetNext() { return reinterpret_cast<BaseTag*>(GeListNode::GetNext()); }

 protected:
  BaseTag() = delete;
};

class BaseDocument : public BaseList2D {
 public:
  OMBREL_SDK_HANDLE(BaseDocument)
  static BaseDocument* GetActive();
  // The document's active view, or null (also on a host without views).
  BaseDraw* GetActiveBaseDraw();
  Bool StartUndo();
  Bool AddUndo(LONG type, BaseList2D* node);
  Bool EndUndo();
  // Insert a free object at the top level (parent null) or under parent, after pred (null: first).
  void InsertObject(BaseObject* op, BaseObject* parent, BaseObject* pred, Bool checkNames = FALSE);
  // Insert a free material after pred (null: first); checkNames gives it a unique name.
  void InsertMaterial(BaseMaterial* mat, BaseMaterial* pred = nullptr, Bool checkNames = FALSE);
  BaseObject* GetFirstObject();
  BaseMaterial* GetFirstMaterial();
  BaseTime GetTime() const;

 protected:
  BaseDocument() = delete;
};

// Maps nodes to their clones while cloning, so that links inside the clones can follow.
class AliasTrans {
 public:
  HostAliasTrans* Host() { return reinterpret_cast<HostAliasTrans*>(this); }
  static AliasTrans* Alloc();
  static void Free(AliasTrans*& trans);
  Bool Init(BaseDocument* doc);
  void Translate(Bool connectOldGoals);

 private:
  AliasTrans() = delete;
  ~AliasTrans() = delete;
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
// Ask the host to redraw its views.
void DrawViews(LONG flags = 0);
// Run a host command (a tool's plug-in ID activates the tool). FALSE when the host refuses.
Bool CallCommand(LONG command);

#endif
