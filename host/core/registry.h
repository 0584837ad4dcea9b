// The plug-in registry: every registered plug-in in registration order.
#ifndef OMBREL_HOST_REGISTRY_H
#define OMBREL_HOST_REGISTRY_H

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host_api.h"

namespace ombrel::host {

struct Description;

struct PluginRecord {
  int32_t id = 0;
  int32_t pluginType = 0;  // HOST_PLUGINTYPE_SHADER or HOST_PLUGINTYPE_TOOL
  std::string name;
  std::string descriptionName;
  int32_t info = 0;
  HostModule* module = nullptr;
  HostShaderClass shaderClass{};
  HostToolClass toolClass{};
  void* toolInstance = nullptr;  // owned: destroyed through toolClass.destroy
  std::string help;
  std::shared_ptr<const Description> description;
};

// A bitmap loader of the host (plug-in type 13): it answers whether it reads a file as a movie.
struct BitmapLoaderRecord {
  int32_t id = 0;
  std::string name;
  // True with the frame count and frames per second when the loader reads the file as a movie.
  bool (*movieInfo)(const std::string& file, int32_t& frameCount, double& fps) = nullptr;
};

class Registry {
 public:
  Registry();

  // Records a description for a plug-in ID that is about to register.
  void SetDescription(int32_t id, HostModule* module, std::shared_ptr<const Description> description);
  std::shared_ptr<const Description> DescriptionOf(int32_t id) const;

  // False when the ID is taken.
  bool Add(std::unique_ptr<PluginRecord> record);
  const PluginRecord* Find(int32_t id) const;
  // By plug-in name, description name or decimal ID.
  const PluginRecord* FindByName(std::string_view name) const;
  const std::vector<std::unique_ptr<PluginRecord>>& Plugins() const { return plugins_; }

  // The host's own bitmap loaders, in the fixed order it asks them: still images, then movies.
  const std::vector<BitmapLoaderRecord>& BitmapLoaders() const { return bitmapLoaders_; }
  // Plug-ins of a type (HOST_PLUGINTYPE_*), bitmap loaders included.
  int32_t Count(int32_t pluginType) const;

  // Destroys the module's tool instances; their registrations stay.
  void DestroyToolInstances(HostModule* module);
  // Destroys the module's tool instances and forgets all its plug-ins and descriptions.
  void RemoveModule(HostModule* module);

 private:
  std::vector<std::unique_ptr<PluginRecord>> plugins_;
  std::vector<BitmapLoaderRecord> bitmapLoaders_;
  std::map<int32_t, std::shared_ptr<const Description>> descriptions_;
  std::map<int32_t, HostModule*> descriptionOwners_;
};

}  // namespace ombrel::host

#endif
