#include <algorithm>
#include <cstddef>
#include <cstring>

#include "families.h"
#include "host.h"
#include "resources/module_resources.h"

namespace ombrel::host {
namespace {

std::string Text(HostStr s) { return std::string(s.data ? s.data : "", static_cast<size_t>(s.length)); }

HostBool RegisterDescription(HostModule* module, int32_t id, HostStr name, const HostResource* resource) {
  if (!module || !module->host || !resource || !resource->resources) return HOST_FALSE;
  const Description* description = resource->resources->FindDescription(Text(name));
  if (!description) {
    module->host->Log().push_back("no description \"" + Text(name) + "\" for plug-in " + std::to_string(id));
    return HOST_FALSE;
  }
  module->host->GetRegistry().SetDescription(id, module, std::make_shared<Description>(*description));
  return HOST_TRUE;
}

HostBool RegisterShader(HostModule* module, int32_t id, HostStr name, int32_t info, const HostShaderClass* cls,
                        HostStr description, int32_t diskLevel) {
  (void)diskLevel;
  if (!module || !module->host || !cls || cls->size < sizeof(HostShaderClass)) return HOST_FALSE;
  auto record = std::make_unique<PluginRecord>();
  record->id = id;
  record->pluginType = HOST_PLUGINTYPE_SHADER;
  record->name = Text(name);
  record->descriptionName = Text(description);
  record->info = info;
  record->module = module;
  record->shaderClass = *cls;
  return module->host->GetRegistry().Add(std::move(record)) ? HOST_TRUE : HOST_FALSE;
}

HostBool RegisterTool(HostModule* module, int32_t id, HostStr name, int32_t info, HostStr help,
                      const HostToolClass* cls, void* instance) {
  if (!instance) return HOST_FALSE;
  // A class from a module built against an older interface ends before the view operations;
  // the host then never calls them.
  if (!module || !module->host || !cls || cls->size < offsetof(HostToolClass, mouseInput)) {
    if (cls && cls->destroy) cls->destroy(instance);
    return HOST_FALSE;
  }
  auto record = std::make_unique<PluginRecord>();
  record->id = id;
  record->pluginType = HOST_PLUGINTYPE_TOOL;
  record->name = Text(name);
  record->help = Text(help);
  record->descriptionName = Text(cls->getResourceSymbol(instance));
  record->info = info;
  record->module = module;
  std::memcpy(&record->toolClass, cls, std::min<size_t>(cls->size, sizeof(HostToolClass)));
  record->toolInstance = instance;
  if (!module->host->GetRegistry().Add(std::move(record))) {
    cls->destroy(instance);
    return HOST_FALSE;
  }
  return HOST_TRUE;
}

int32_t PluginCount(HostModule* module, int32_t type) {
  return module && module->host ? module->host->GetRegistry().Count(type) : 0;
}

HostBool BitmapLoaderMovieInfo(HostModule* module, int32_t index, HostStr path, int32_t* frameCount, double* fps) {
  if (!module || !module->host || !path.data || path.length < 0) return HOST_FALSE;
  const auto& loaders = module->host->GetRegistry().BitmapLoaders();
  if (index < 0 || static_cast<size_t>(index) >= loaders.size() || !loaders[static_cast<size_t>(index)].movieInfo) {
    return HOST_FALSE;
  }
  int32_t frames = 0;
  double rate = 0.0;
  if (!loaders[static_cast<size_t>(index)].movieInfo(Text(path), frames, rate)) return HOST_FALSE;
  if (frameCount) *frameCount = frames;
  if (fps) *fps = rate;
  return HOST_TRUE;
}

const HostRegistryApi kRegistry{sizeof(HostRegistryApi), RegisterDescription, RegisterShader, RegisterTool,
                                PluginCount,             BitmapLoaderMovieInfo};

}  // namespace

const HostRegistryApi* RegistryFamily() { return &kRegistry; }

}  // namespace ombrel::host
