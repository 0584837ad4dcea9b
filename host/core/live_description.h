// Descriptions as the interface shows them: the entries of a node's attribute panel, each with
// its ID, its group and a container of attributes. A plug-in builds one in GetDDescription
// through the description service; a plug-in that builds none shows its registered resource.
#ifndef OMBREL_HOST_LIVE_DESCRIPTION_H
#define OMBREL_HOST_LIVE_DESCRIPTION_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data.h"
#include "host_api.h"
#include "resources/description.h"

struct HostDescription {
  struct Entry {
    HostDescId id{};
    HostDescId group{};        // depth 0: at the top
    HostContainer attributes;  // HOST_DESC_* entries
    // What `describe` prints: the resource's element, or one made from the attributes for
    // entries a plug-in added (its symbol is then empty).
    ombrel::host::DescElement element;
  };
  std::vector<Entry> entries;
};

namespace ombrel::host {

class Registry;

// The data type of a description entry of this kind ("REAL", "GROUP", ...).
int32_t DescriptionDataType(const DescElement& element);

// Whether two IDs name the same entry: same depth and level IDs; a data type or creator of 0 on
// either side matches any.
bool SameDescId(const HostDescId& a, const HostDescId& b);

// The entries of a registered description, made by plug-in `creator`.
void LoadStaticDescription(HostDescription& out, const Description& description, int32_t creator);
// By plug-in ID through the registry; false when the plug-in has no description.
bool LoadRegisteredDescription(HostDescription& out, const Registry& registry, int32_t pluginId);

// Index of the entry with this ID, or -1.
int FindEntry(const HostDescription& d, const HostDescId& id);
// Adds an entry at the end of its group (the top for depth 0); false when the ID is taken or the
// group is missing.
bool AddEntry(HostDescription& d, const HostContainer& attributes, const HostDescId& id, const HostDescId& group);
// Copies an entry in: it replaces the entry of the same ID, else goes at the end of its group,
// or at the end when the group is missing.
void CopyEntry(HostDescription& to, const HostDescription::Entry& entry);

// The description the interface shows for a node: what its plug-in's GetDDescription builds, or
// the registered resource when the plug-in builds none (or fails, which leaves nothing of its
// attempt). Null for nodes of the host's own types.
std::unique_ptr<HostDescription> LiveDescriptionOf(HostNode* node, const Registry& registry);

// The user removes an entry the node's interface shows as removable: message 24 with the
// entry's ID as the interface knows it. False with `error` set when there is no such entry.
bool RemoveInterfaceEntry(HostNode* node, const Registry& registry, int32_t id, std::string& error);

}  // namespace ombrel::host

#endif
