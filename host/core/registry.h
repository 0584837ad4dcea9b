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

class Registry {
 public:
  // Records a description for a plug-in ID that is about to register.
  void SetDescription(int32_t id, HostModule* module, std::shared_ptr<const Description> description);
  std::shared_ptr<const Description> DescriptionOf(int32_t id) const;

  // False when the ID is taken.
  bool Add(std::unique_ptr<PluginRecord> record);
  const PluginRecord* Find(int32_t id) const;
  // By plug-in name, description name or decimal ID.
  const PluginRecord* FindByName(std::string_view name) const;
  const std::vector<std::unique_ptr<PluginRecord>>& Plugins() const { return plugins_; }

  // Destroys the module's tool instances; their registrations stay.
  void DestroyToolInstances(HostModule* module);
  // Destroys the module's tool instances and forgets all its plug-ins and descriptions.
  void RemoveModule(HostModule* module);

 private:
  std::vector<std::unique_ptr<PluginRecord>> plugins_;
  std::map<int32_t, std::shared_ptr<const Description>> descriptions_;
  std::map<int32_t, HostModule*> descriptionOwners_;
};

}  // namespace ombrel::host

#endif
