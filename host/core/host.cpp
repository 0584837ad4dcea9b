#include "host.h"

#include <algorithm>

#include "families.h"
#include "nodes.h"


namespace ombrel::host {

Host::Host() { SetCurrentHost(this); }

Host::~Host() {
  while (!modules_.empty()) Unload(modules_.back().get());
  FreeDocuments();
  if (CurrentHost() == this) SetCurrentHost(nullptr);
}

HostModule* Host::Open(const std::filesystem::path& file, const LoadOptions& options, std::string& error) {
  auto library = ModuleLibrary::Open(file, error);
  if (!library) return nullptr;
  auto module = std::make_unique<HostModule>();
  module->host = this;
  module->library = std::move(library);
  module->file = std::filesystem::absolute(file);
  {
    const std::u8string u8 = module->file.u8string();
    module->fileUtf8.assign(u8.begin(), u8.end());
  }
  module->options = options;
  HostApi& api = module->api;
  api.version = options.interfaceVersion;
  api.revision = HOST_API_REVISION;
  api.module = module.get();
  api.memory = MemoryFamily();
  api.strings = StringFamily();
  api.registry = RegistryFamily();
  api.containers = ContainerFamily();
  api.nodes = NodeFamily();
  api.shaders = ShaderFamily();
  api.gradients = GradientFamily();
  api.bitmaps = BitmapFamily();
  api.dialogs = DialogFamily();
  api.views = ViewFamily();
  api.misc = MiscFamily();
  modules_.push_back(std::move(module));
  return modules_.back().get();
}

int32_t Host::Call(HostModule* module, int32_t action, void* p1, void* p2, void* p3) {
  if (!module || !module->library) return -1;
  return module->library->Entry()(action, p1, p2, p3);
}

int32_t Host::Init(HostModule* module) {
  if (!module) return -1;
  HostStr path{module->fileUtf8.data(), static_cast<int64_t>(module->fileUtf8.size())};
  return Call(module, HOST_ACTION_INIT, &module->api, nullptr, module->options.passModulePath ? &path : nullptr);
}

int32_t Host::Message(HostModule* module, int32_t id, void* data) {
  return Call(module, HOST_ACTION_MESSAGE, reinterpret_cast<void*>(static_cast<intptr_t>(id)), data, nullptr);
}

int32_t Host::Start(HostModule* module) { return Call(module, HOST_ACTION_START, nullptr, nullptr, nullptr); }

int32_t Host::End(HostModule* module) { return Call(module, HOST_ACTION_END, nullptr, nullptr, nullptr); }

void Host::Close(HostModule* module) {
  auto it = std::find_if(modules_.begin(), modules_.end(), [module](const auto& m) { return m.get() == module; });
  if (it == modules_.end()) return;
  registry_.RemoveModule(module);
  modules_.erase(it);  // closes the library
}

HostModule* Host::Load(const std::filesystem::path& file, const LoadOptions& options, std::string& error) {
  HostModule* module = Open(file, options, error);
  if (!module) return nullptr;
  if (Init(module) != 1) {
    error = "module " + file.string() + " refused system init";
    End(module);
    Close(module);
    return nullptr;
  }
  module->resourceAnswer = Message(module, 1);
  if (module->resourceAnswer != 1) {
    // The real host goes on without resources; the module then registers nothing usable.
    log_.push_back("module " + file.string() + " could not load its resources");
  }
  module->startAnswer = Start(module);
  return module;
}

void Host::ReleasePlugins(HostModule* module) {
  FreeDocuments();
  if (const PluginRecord* tool = registry_.Find(activeTool_); tool && tool->module == module) {
    activeTool_ = 0;
    toolStarted_ = false;
  }
  toolSettings_.clear();
  registry_.DestroyToolInstances(module);
}

LedgerSnapshot Host::Unload(HostModule* module) {
  if (!module) return {};
  // Plug-in objects die before their module ends, as they would when the host shuts down.
  ReleasePlugins(module);
  End(module);
  const LedgerSnapshot account = module->ledger.Snapshot();
  Close(module);
  return account;
}

HostNode* Host::NewDocument(const std::string& name) {
  auto doc = std::make_unique<HostNode>(NodeKind::Document, HOST_BASETYPE_DOCUMENT);
  doc->name = name;
  doc->document = doc.get();
  documents_.push_back(std::move(doc));
  active_ = documents_.back().get();
  return active_;
}

void Host::FreeDocuments() {
  active_ = nullptr;
  documents_.clear();
}

bool Host::SetActiveDocument(HostNode* doc) {
  for (const auto& d : documents_) {
    if (d.get() == doc) {
      active_ = doc;
      return true;
    }
  }
  return false;
}

HostContainer* Host::ToolSettings(int32_t toolId) {
  auto it = toolSettings_.find(toolId);
  return it == toolSettings_.end() ? nullptr : it->second.get();
}

bool Host::RunCommand(int32_t command) {
  const PluginRecord* plugin = registry_.Find(command);
  if (!plugin || plugin->pluginType != HOST_PLUGINTYPE_TOOL) return false;
  if (activeTool_ != 0 && activeTool_ != command) {
    const PluginRecord* previous = registry_.Find(activeTool_);
    if (previous && previous->toolInstance) {
      previous->toolClass.freeTool(previous->toolInstance, active_, ToolSettings(activeTool_));
    }
  }
  activeTool_ = command;
  toolStarted_ = false;
  if (!plugin->toolInstance) return true;
  auto& settings = toolSettings_[command];
  if (!settings) {
    settings = std::make_unique<HostContainer>();
    plugin->toolClass.initDefaultSettings(plugin->toolInstance, active_, settings.get());
  }
  toolStarted_ = plugin->toolClass.initTool(plugin->toolInstance, active_, settings.get()) != HOST_FALSE;
  return true;
}

std::filesystem::path DefaultModulePath() {
  const std::string name = std::string("ombrel_shaders") + ModuleSuffix();
  std::error_code ec;
  const std::filesystem::path dir = ExecutableDir();
  if (!dir.empty()) {
    const std::filesystem::path beside = dir / name;
    if (std::filesystem::exists(beside, ec)) return beside;
  }
#ifdef OMBREL_DEFAULT_MODULE
  return std::filesystem::path(OMBREL_DEFAULT_MODULE);
#else
  return std::filesystem::path(name);
#endif
}

}  // namespace ombrel::host
