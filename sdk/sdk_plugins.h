// Plug-in base classes and their registration with the host.
//
// A plug-in class overrides what it needs; every operation it leaves alone answers the host's
// default. The host reaches these virtual methods through the C class tables that the
// registration functions build (see sdk_plugins.cpp).
#ifndef OMBREL_SDK_PLUGINS_H
#define OMBREL_SDK_PLUGINS_H

#include "sdk_container.h"
#include "sdk_memory.h"
#include "sdk_nodes.h"
#include "sdk_render.h"
#include "sdk_view.h"

class BaseBitmap;

// Description entry attributes and flags.
#define DESC_NAME HOST_DESC_NAME
#define DESC_SHORT_NAME HOST_DESC_SHORT_NAME
#define DESC_REMOVEABLE HOST_DESC_REMOVABLE
#define DESC_DYNAMIC HOST_DESC_DYNAMIC
#define DESCFLAGS_DESC_LOADED HOST_DESCFLAGS_DESC_LOADED
#define DTYPE_GROUP HOST_DTYPE_GROUP
#define DTYPE_BASELISTLINK HOST_DA_LINK

class AtomArray;

// A description: the entries of a node's interface. The host hands one to GetDDescription; a
// plug-in may also build its own (Alloc) and copy entries from it into the host's.
class Description {
 public:
  HostDescription* Host() { return reinterpret_cast<HostDescription*>(this); }
  const HostDescription* Host() const { return reinterpret_cast<const HostDescription*>(this); }
  static Description* From(HostDescription* d) { return reinterpret_cast<Description*>(d); }

  // A description the module owns; null when the host has no memory or no description service.
  static Description* Alloc();
  static void Free(Description*& description);
  // Takes the registered description of plug-in id.
  Bool LoadDescription(LONG id);
  // The attributes of the entry with this ID, or null; valid until the description changes. `ar`
  // names the nodes the description is for.
  const BaseContainer* GetParameterI(const DescID& id, AtomArray* ar) const;
  // Adds an entry with these attributes at the end of a group; FALSE when the ID is taken, the
  // group is missing or there is no memory.
  Bool SetParameter(const DescID& id, const BaseContainer& entry, const DescID& group);
  // The index-th entry in order; FALSE past the end.
  Bool GetEntry(LONG index, DescID& id, const BaseContainer*& entry, DescID& group) const;
  // Copies the index-th entry into `to` (replacing an entry of the same ID); FALSE past the end.
  Bool CopyEntryTo(LONG index, Description* to) const;

 private:
  Description() = delete;
  ~Description() = delete;
};

class BaseData {
 public:
  virtual ~BaseData() = default;
  // Plug-in objects live in host blocks (gNew) and end through gDelete, never through a delete
  // expression. The deleting destructor that a virtual destructor brings along still names an
  // operator delete; this one sends it to the host as well, so the module needs no C++ runtime
  // library for it (the macOS module links none).
  static void operator delete(void* block) noexcept { GeFreeImpl(block); }
};

class NodeData : public BaseData {
 public:
  virtual Bool Init(GeListNode* node) { (void)node; return TRUE; }
  virtual Bool Message(GeListNode* node, LONG type, void* data) {
    (void)node; (void)type; (void)data;
    return TRUE;
  }
  virtual Bool GetDDescription(GeListNode* node, Description* description, LONG& flags) {
    (void)node; (void)description; (void)flags;
    return FALSE;
  }
  virtual Bool GetDEnabling(GeListNode* node, const DescID& id, const GeData& data, LONG flags,
                            const BaseContainer* itemDescription) {
    (void)node; (void)id; (void)data; (void)flags; (void)itemDescription;
    return TRUE;
  }
  virtual Bool SetDParameter(GeListNode* node, const DescID& id, const GeData& data, LONG& flags) {
    (void)node; (void)id; (void)data; (void)flags;
    return TRUE;
  }
};

// Node messages (the type of NodeData::Message) and what their data points at.
#define MSG_DESCRIPTION_POSTSETPARAMETER HOST_MSG_DESCRIPTION_POSTSETPARAMETER
#define MSG_DESCRIPTION_COMMAND HOST_MSG_DESCRIPTION_COMMAND
#define MSG_DESCRIPTION_CHECKUPDATE HOST_MSG_DESCRIPTION_CHECKUPDATE
#define MSG_INITIALCHANNEL HOST_MSG_INITIALCHANNEL
#define MSG_DESCRIPTION_REMOVE_ENTRY HOST_MSG_DESCRIPTION_REMOVE_ENTRY
#define MSG_UPDATE HOST_MSG_UPDATE

// Data of MSG_DESCRIPTION_POSTSETPARAMETER, laid out exactly as HostDescPostSet.
struct DescriptionPostSetValue {
  const DescID* descid;
};
static_assert(sizeof(DescID) == sizeof(HostDescId), "DescID must match HostDescId");
static_assert(sizeof(DescriptionPostSetValue) == sizeof(HostDescPostSet), "must match HostDescPostSet");

// Data of MSG_DESCRIPTION_COMMAND (a button was pressed), laid out exactly as HostDescriptionCommand.
struct DescriptionCommand {
  DescID id;
};
static_assert(sizeof(DescriptionCommand) == sizeof(HostDescriptionCommand), "must match HostDescriptionCommand");

// Data of MSG_DESCRIPTION_REMOVE_ENTRY (the user removed an entry), laid out exactly as
// HostDescriptionRemoveEntry.
struct DescriptionRemoveEntry {
  DescID id;
};
static_assert(sizeof(DescriptionRemoveEntry) == sizeof(HostDescriptionRemoveEntry), "must match HostDescriptionRemoveEntry");

#define INITRENDERRESULT_OK 0

class ShaderData : public NodeData {
 public:
  virtual LONG GetRenderInfo(BaseShader* sh) { (void)sh; return 0; }
  // Render set-up on the main thread; 0 means success.
  virtual LONG InitRender(BaseShader* sh, const InitRenderStruct& irs) = 0;
  virtual void FreeRender(BaseShader* sh) = 0;
  // One sample, on any render thread, concurrently: read render state, write nothing shared.
  virtual Vector Output(BaseShader* sh, ChannelData* cd) = 0;

 private:
  // Set while this shader's render set-up runs: a set-up entered again from within itself,
  // through a link that leads back to the shader, is refused by the class table's entry point.
  friend struct ShaderSetUpState;
  bool settingUp_ = false;
};

class ToolData : public BaseData {
 public:
  virtual Bool InitTool(BaseDocument* doc, BaseContainer& data) { (void)doc; (void)data; return TRUE; }
  virtual void FreeTool(BaseDocument* doc, BaseContainer& data) { (void)doc; (void)data; }
  virtual void InitDefaultSettings(BaseDocument* doc, BaseContainer& data) { (void)doc; (void)data; }
  virtual Bool SetDParameter(BaseDocument* doc, BaseContainer& data, const DescID& id, const GeData& value,
                             LONG& flags) {
    (void)doc; (void)data; (void)id; (void)value; (void)flags;
    return TRUE;
  }
  virtual Bool Message(BaseDocument* doc, BaseContainer& data, LONG type, void* t_data) {
    (void)doc; (void)data; (void)type; (void)t_data;
    return TRUE;
  }
  // A mouse press in a view; msg holds the pointer at BFM_INPUT_X / BFM_INPUT_Y. TRUE: handled.
  virtual Bool MouseInput(BaseDocument* doc, BaseContainer& data, BaseDraw* bd, EditorWindow* win,
                          const BaseContainer& msg) {
    (void)doc; (void)data; (void)bd; (void)win; (void)msg;
    return FALSE;
  }
  // A key press in a view; FALSE leaves the key to the host.
  virtual Bool KeyboardInput(BaseDocument* doc, BaseContainer& data, BaseDraw* bd, EditorWindow* win,
                             const BaseContainer& msg) {
    (void)doc; (void)data; (void)bd; (void)win; (void)msg;
    return FALSE;
  }
  // The pointer is at (x, y) in view pixels; the cursor to show goes to bc's RESULT_CURSOR.
  virtual Bool GetCursorInfo(BaseDocument* doc, BaseContainer& data, BaseDraw* bd, Real x, Real y,
                             BaseContainer& bc) {
    (void)doc; (void)data; (void)bd; (void)x; (void)y; (void)bc;
    return TRUE;
  }
  // Draws into a view; bh and bt may be null. TOOLDRAW_*.
  virtual LONG Draw(BaseDocument* doc, BaseContainer& data, BaseDraw* bd, BaseDrawHelp* bh, BaseThread* bt,
                    LONG flags) {
    (void)doc; (void)data; (void)bd; (void)bh; (void)bt; (void)flags;
    return TOOLDRAW_0;
  }
};

// A tool whose settings panel the host builds from a description resource.
class DescriptionToolData : public ToolData {
 public:
  virtual String GetResourceSymbol() = 0;
  virtual LONG GetToolPluginId() = 0;
};

typedef NodeData* DataAllocator();

// Registers description `name` of the module's resource as the interface of plug-in id.
Bool RegisterDescription(LONG id, const String& name);

// Registers a channel shader. A non-empty description is registered first; if that fails the
// shader is not registered.
Bool RegisterShaderPlugin(LONG id, const String& name, LONG info, DataAllocator* allocator,
                          const String& description, LONG diskLevel, void* emulation = nullptr);
// The same with the description named by text: a name that could not be copied for want of
// memory fails the registration rather than registering the shader without its interface.
Bool RegisterShaderPlugin(LONG id, const String& name, LONG info, DataAllocator* allocator,
                          const char* description, LONG diskLevel, void* emulation = nullptr);

// Registers a description tool; the host owns `instance` from here on, also on failure.
Bool RegisterToolPlugin(LONG id, const String& name, LONG info, BaseBitmap* icon, const String& help,
                        DescriptionToolData* instance);

#define PLUGINTYPE_BITMAPLOADER HOST_PLUGINTYPE_BITMAPLOADER

// Number of registered plug-ins of a type; 0 when the host cannot list them.
LONG GetPluginCount(LONG type);

// The index-th registered bitmap loader's answer whether it reads `name` as a movie, with its
// frame count and frame rate. FALSE when it does not, or when the host has no such loaders.
Bool BitmapLoaderMovieInfo(LONG index, const Filename& name, LONG* frameCount, Real* fps);

#endif
