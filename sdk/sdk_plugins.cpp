// Trampolines: the C entry points the host calls, each forwarding to one virtual method.
#include "sdk_plugins.h"

#include "sdk_host.h"
#include "sdk_memory.h"
#include "sdk_resource.h"

// The SDK's own view of a shader's set-up state.
struct ShaderSetUpState {
  static bool& Busy(ShaderData& shader) { return shader.settingUp_; }
};

namespace {

// One record per registered shader class; its address is the class's classData. Static, so
// registration allocates nothing; a class registered again reuses its record.
constexpr int kMaxShaderClasses = 32;
DataAllocator* g_shaderAllocators[kMaxShaderClasses] = {};

ShaderData* AsShader(void* self) { return static_cast<ShaderData*>(static_cast<BaseData*>(self)); }

// Whether a host call on plug-in object `self` can be served. After the last end the module has
// no host to call, so a host that still uses its plug-in objects gets the answer for "nothing
// done" instead of a crash; a null object gets the same.
bool Serviceable(const void* self) { return self && SdkHost(); }
DescriptionToolData* AsTool(void* self) { return static_cast<DescriptionToolData*>(static_cast<BaseData*>(self)); }

void* ShaderAlloc(const void* classData) {
  DataAllocator* allocator = *static_cast<DataAllocator* const*>(classData);
  NodeData* data = allocator ? allocator() : nullptr;
  return data ? static_cast<BaseData*>(data) : nullptr;
}

void DataDestroy(void* self) {
  // Without a host the object's memory cannot be given back; it is left to the host's account.
  if (!Serviceable(self)) return;
  BaseData* data = static_cast<BaseData*>(self);
  SdkDelete(data);
}

HostBool ShaderInit(void* self, HostNode* node) {
  return Serviceable(self) && node ? AsShader(self)->Init(GeListNode::From(node)) : HOST_FALSE;
}

HostBool ShaderMessage(void* self, HostNode* node, int32_t type, void* data) {
  if (!Serviceable(self) || !node) return HOST_FALSE;
  return AsShader(self)->Message(GeListNode::From(node), type, data);
}

HostBool ShaderGetDDescription(void* self, HostNode* node, HostDescription* description, int32_t* flags) {
  if (!Serviceable(self) || !node) return HOST_FALSE;
  LONG local = flags ? *flags : 0;
  const Bool result = AsShader(self)->GetDDescription(GeListNode::From(node), Description::From(description), local);
  if (flags) *flags = local;
  return result;
}

HostBool ShaderGetDEnabling(void* self, HostNode* node, const HostDescId* id, const HostData* data, int32_t flags,
                            const HostContainer* itemDescription) {
  if (!Serviceable(self) || !node) return HOST_TRUE;
  const DescID descId = id ? DescID(*id) : DescID();
  const GeData value(GeData::ViewTag{}, data);
  return AsShader(self)->GetDEnabling(GeListNode::From(node), descId, value, flags,
                                      BaseContainer::From(itemDescription));
}

HostBool ShaderSetDParameter(void* self, HostNode* node, const HostDescId* id, const HostData* data,
                             int32_t* flags) {
  if (!Serviceable(self) || !node) return HOST_FALSE;
  const DescID descId = id ? DescID(*id) : DescID();
  const GeData value(GeData::ViewTag{}, data);
  LONG local = flags ? *flags : 0;
  const Bool result = AsShader(self)->SetDParameter(GeListNode::From(node), descId, value, local);
  if (flags) *flags = local;
  return result;
}

int32_t ShaderGetRenderInfo(void* self, HostNode* shader) {
  if (!Serviceable(self) || !shader) return 0;
  return AsShader(self)->GetRenderInfo(BaseShader::From(shader));
}

// The answer of a render set-up that could not run.
constexpr int32_t kSetUpNotRun = -1;
// The answer of a set-up entered again from within itself, through a link that leads back to
// the shader (its own texture, or a chain of shaders that ends at it): the outer set-up then
// renders without that input instead of recursing until the stack runs out. Stored scenes may
// hold such links.
constexpr int32_t kSetUpEnteredAgain = 1;

int32_t ShaderInitRender(void* self, HostNode* shader, const HostInitRender* irs) {
  if (!Serviceable(self) || !shader || !irs) return kSetUpNotRun;
  ShaderData* data = AsShader(self);
  bool& busy = ShaderSetUpState::Busy(*data);
  if (busy) return kSetUpEnteredAgain;
  busy = true;
  const int32_t result = data->InitRender(BaseShader::From(shader), *InitRenderStruct::From(irs));
  busy = false;
  return result;
}

void ShaderFreeRender(void* self, HostNode* shader) {
  if (Serviceable(self) && shader) AsShader(self)->FreeRender(BaseShader::From(shader));
}

HostVector ShaderOutput(void* self, HostNode* shader, HostChannelData* cd) {
  if (!Serviceable(self) || !shader || !cd) return HostVector{0.0, 0.0, 0.0};
  return AsShader(self)->Output(BaseShader::From(shader), ChannelData::From(cd));
}

// Each tool's resource symbol, kept from its registration on. The host may ask for it at any
// time, and answering from here needs no memory, so a failed allocation can never make a tool
// lose its interface. Static, so nothing of it is left in the host allocator when the module ends.
struct ToolSymbol {
  LONG id;
  char text[256];
  int64_t length;
};
constexpr int kMaxToolSymbols = 16;
ToolSymbol g_toolSymbols[kMaxToolSymbols] = {};

ToolSymbol* ToolSymbolOf(LONG id, Bool create) {
  for (ToolSymbol& slot : g_toolSymbols) {
    if (slot.id == id && slot.length > 0) return &slot;
  }
  if (!create) return nullptr;
  for (ToolSymbol& slot : g_toolSymbols) {
    if (slot.length == 0) return &slot;
  }
  return nullptr;
}

Bool KeepToolSymbol(LONG id, const String& symbol) {
  if (!symbol.Content() || symbol.GetLength() >= static_cast<LONG>(sizeof(ToolSymbol::text))) return FALSE;
  ToolSymbol* slot = ToolSymbolOf(id, TRUE);
  if (!slot) return FALSE;
  slot->id = id;
  for (LONG i = 0; i < symbol.GetLength(); ++i) slot->text[i] = symbol.GetCStr()[i];
  slot->text[symbol.GetLength()] = '\0';
  slot->length = symbol.GetLength();
  return TRUE;
}

// The tools' settings arrive as a reference: a null container is answered like a missing host.
HostBool ToolInit(void* self, HostNode* doc, HostContainer* settings) {
  if (!Serviceable(self) || !settings) return HOST_FALSE;
  return AsTool(self)->InitTool(BaseDocument::From(doc), *BaseContainer::From(settings));
}
void ToolFree(void* self, HostNode* doc, HostContainer* settings) {
  if (!Serviceable(self) || !settings) return;
  AsTool(self)->FreeTool(BaseDocument::From(doc), *BaseContainer::From(settings));
}
void ToolInitDefaults(void* self, HostNode* doc, HostContainer* settings) {
  if (!Serviceable(self) || !settings) return;
  AsTool(self)->InitDefaultSettings(BaseDocument::From(doc), *BaseContainer::From(settings));
}
HostStr ToolResourceSymbol(void* self) {
  if (!self) return HostStr{"", 0};
  const ToolSymbol* slot = ToolSymbolOf(AsTool(self)->GetToolPluginId(), FALSE);
  return slot ? HostStr{slot->text, slot->length} : HostStr{"", 0};
}
HostBool ToolSetDParameter(void* self, HostNode* doc, HostContainer* settings, const HostDescId* id,
                           const HostData* data, int32_t* flags) {
  if (!Serviceable(self) || !settings) return HOST_FALSE;
  const DescID descId = id ? DescID(*id) : DescID();
  const GeData value(GeData::ViewTag{}, data);
  LONG local = flags ? *flags : 0;
  const Bool result =
      AsTool(self)->SetDParameter(BaseDocument::From(doc), *BaseContainer::From(settings), descId, value, local);
  if (flags) *flags = local;
  return result;
}
HostBool ToolMessage(void* self, HostNode* doc, HostContainer* settings, int32_t type, void* data) {
  if (!Serviceable(self) || !settings) return HOST_FALSE;
  return AsTool(self)->Message(BaseDocument::From(doc), *BaseContainer::From(settings), type, data);
}
int32_t ToolPluginId(void* self) { return self ? AsTool(self)->GetToolPluginId() : 0; }

// Input and drawing need a view and a message or result container; without them the host gets
// the answer for "not handled".
HostBool ToolMouseInput(void* self, HostNode* doc, HostContainer* settings, HostNode* view, HostEditorWindow* win,
                        const HostContainer* msg) {
  if (!Serviceable(self) || !settings || !view || !msg) return HOST_FALSE;
  return AsTool(self)->MouseInput(BaseDocument::From(doc), *BaseContainer::From(settings), BaseDraw::From(view),
                                  EditorWindow::From(win), *BaseContainer::From(msg));
}
HostBool ToolKeyboardInput(void* self, HostNode* doc, HostContainer* settings, HostNode* view, HostEditorWindow* win,
                           const HostContainer* msg) {
  if (!Serviceable(self) || !settings || !view || !msg) return HOST_FALSE;
  return AsTool(self)->KeyboardInput(BaseDocument::From(doc), *BaseContainer::From(settings), BaseDraw::From(view),
                                     EditorWindow::From(win), *BaseContainer::From(msg));
}
HostBool ToolGetCursorInfo(void* self, HostNode* doc, HostContainer* settings, HostNode* view, double x, double y,
                           HostContainer* result) {
  if (!Serviceable(self) || !settings || !view || !result) return HOST_TRUE;
  return AsTool(self)->GetCursorInfo(BaseDocument::From(doc), *BaseContainer::From(settings), BaseDraw::From(view), x,
                                     y, *BaseContainer::From(result));
}
int32_t ToolDraw(void* self, HostNode* doc, HostContainer* settings, HostNode* view, HostDrawHelp* help,
                 HostThread* thread, int32_t flags) {
  if (!Serviceable(self) || !settings || !view) return TOOLDRAW_0;
  return AsTool(self)->Draw(BaseDocument::From(doc), *BaseContainer::From(settings), BaseDraw::From(view),
                            BaseDrawHelp::From(help), BaseThread::From(thread), flags);
}

const void* ShaderClassRecord(DataAllocator* allocator) {
  for (auto& slot : g_shaderAllocators) {
    if (slot == allocator) return &slot;
  }
  for (auto& slot : g_shaderAllocators) {
    if (!slot) {
      slot = allocator;
      return &slot;
    }
  }
  return nullptr;
}

}  // namespace

Bool RegisterDescription(LONG id, const String& name) {
  const HostApi* host = SdkHost();
  if (!host) return FALSE;
  return host->registry->registerDescription(host->module, id, name.ToHost(), gModuleResource.Host());
}

Bool RegisterShaderPlugin(LONG id, const String& name, LONG info, DataAllocator* allocator,
                          const String& description, LONG diskLevel, void* emulation) {
  (void)emulation;  // no emulation layers in this interface
  const HostApi* host = SdkHost();
  if (!host || !allocator) return FALSE;
  if (description.Content() && !RegisterDescription(id, description)) return FALSE;
  const void* record = ShaderClassRecord(allocator);
  if (!record) return FALSE;

  HostShaderClass cls{};
  cls.size = sizeof(HostShaderClass);
  cls.classData = record;
  cls.alloc = ShaderAlloc;
  cls.destroy = DataDestroy;
  cls.init = ShaderInit;
  cls.message = ShaderMessage;
  cls.getDDescription = ShaderGetDDescription;
  cls.getDEnabling = ShaderGetDEnabling;
  cls.setDParameter = ShaderSetDParameter;
  cls.getRenderInfo = ShaderGetRenderInfo;
  cls.initRender = ShaderInitRender;
  cls.freeRender = ShaderFreeRender;
  cls.output = ShaderOutput;
  return host->registry->registerShader(host->module, id, name.ToHost(), info, &cls, description.ToHost(), diskLevel);
}

Bool RegisterShaderPlugin(LONG id, const String& name, LONG info, DataAllocator* allocator,
                          const char* description, LONG diskLevel, void* emulation) {
  const String copy(description);
  if (description && description[0] != '\0' && !copy.Content()) return FALSE;
  return RegisterShaderPlugin(id, name, info, allocator, copy, diskLevel, emulation);
}

Bool RegisterToolPlugin(LONG id, const String& name, LONG info, BaseBitmap* icon, const String& help,
                        DescriptionToolData* instance) {
  (void)icon;  // the stand-in host shows no icons; the parameter keeps the host's signature
  const HostApi* host = SdkHost();
  if (!instance) return FALSE;
  if (!host) {
    SdkDelete(static_cast<BaseData*>(instance));
    return FALSE;
  }
  const String symbol = instance->GetResourceSymbol();
  if (!KeepToolSymbol(instance->GetToolPluginId(), symbol) || !RegisterDescription(id, symbol)) {
    SdkDelete(static_cast<BaseData*>(instance));
    return FALSE;
  }
  HostToolClass cls{};
  cls.size = sizeof(HostToolClass);
  cls.destroy = DataDestroy;
  cls.initTool = ToolInit;
  cls.freeTool = ToolFree;
  cls.initDefaultSettings = ToolInitDefaults;
  cls.getResourceSymbol = ToolResourceSymbol;
  cls.setDParameter = ToolSetDParameter;
  cls.message = ToolMessage;
  cls.getToolPluginId = ToolPluginId;
  cls.mouseInput = ToolMouseInput;
  cls.keyboardInput = ToolKeyboardInput;
  cls.getCursorInfo = ToolGetCursorInfo;
  cls.draw = ToolDraw;
  return host->registry->registerTool(host->module, id, name.ToHost(), info, help.ToHost(), &cls,
                                      static_cast<BaseData*>(instance));
}

LONG GetPluginCount(LONG type) {
  const HostApi* host = SdkHost();
  if (!host || !OMBREL_HAS(host->registry, pluginCount)) return 0;
  return host->registry->pluginCount(host->module, type);
}

Bool BitmapLoaderMovieInfo(LONG index, const Filename& name, LONG* frameCount, Real* fps) {
  const HostApi* host = SdkHost();
  if (!host || !OMBREL_HAS(host->registry, bitmapLoaderMovieInfo)) return FALSE;
  int32_t frames = 0;
  double rate = 0.0;
  if (!host->registry->bitmapLoaderMovieInfo(host->module, index, name.GetString().ToHost(), &frames, &rate)) {
    return FALSE;
  }
  if (frameCount) *frameCount = frames;
  if (fps) *fps = rate;
  return TRUE;
}
