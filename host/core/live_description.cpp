#include "live_description.h"

#include <map>

#include "editing.h"
#include "nodes.h"
#include "registry.h"

namespace ombrel::host {
namespace {

HostDescId OneLevel(int32_t id, int32_t dtype, int32_t creator) {
  HostDescId d{};
  d.depth = 1;
  d.level[0] = HostDescLevel{id, dtype, creator};
  return d;
}

void SetText(HostContainer& bc, int32_t id, const std::string& text) {
  HostData& v = bc.Slot(id);
  v.Clear();
  v.type = HOST_DA_STRING;
  v.text = text;
}

std::string KindOfDataType(int32_t dtype, const HostContainer& attributes) {
  switch (dtype) {
    case HOST_DTYPE_GROUP: return "GROUP";
    case HOST_DA_REAL: return "REAL";
    case HOST_DA_LONG: return "LONG";
    case HOST_DTYPE_BOOL: return "BOOL";
    case HOST_DA_VECTOR: return "VECTOR";
    case HOST_DTYPE_COLOR: return "COLOR";
    case HOST_DA_STRING: return "STRING";
    case HOST_DTYPE_BUTTON: return "BUTTON";
    case HOST_DTYPE_SEPARATOR: return "SEPARATOR";
    case HOST_CUSTOMDATA_GRADIENT: return "GRADIENT";
    case HOST_CUSTOMDATA_MATPREVIEW: return "MATPREVIEW";
    case HOST_DA_LINK: {
      const HostData* accept = attributes.Find(HOST_DESC_ACCEPT);
      return accept && accept->type == HOST_DA_LONG && accept->i32 == HOST_BASETYPE_SHADER ? "SHADERLINK" : "LINK";
    }
    default: return std::to_string(dtype);
  }
}

// The entry's group chain reaches `group`.
bool Inside(const HostDescription& d, const HostDescription::Entry& entry, const HostDescId& group) {
  HostDescId at = entry.group;
  for (int guard = 0; guard < 64 && at.depth > 0; ++guard) {
    if (SameDescId(at, group)) return true;
    const int parent = FindEntry(d, at);
    if (parent < 0) return false;
    at = d.entries[static_cast<size_t>(parent)].group;
  }
  return false;
}

// Where an entry of the group goes: after the group's last member, or at the end for the top.
size_t EndOfGroup(const HostDescription& d, const HostDescId& group, int groupIndex) {
  size_t at = static_cast<size_t>(groupIndex) + 1;
  while (at < d.entries.size() && Inside(d, d.entries[at], group)) ++at;
  return at;
}

}  // namespace

int32_t DescriptionDataType(const DescElement& e) {
  static const std::map<std::string, int32_t> kTypes{
      {"REAL", HOST_DA_REAL},         {"LONG", HOST_DA_LONG},          {"BOOL", HOST_DTYPE_BOOL},
      {"VECTOR", HOST_DA_VECTOR},     {"COLOR", HOST_DTYPE_COLOR},     {"SHADERLINK", HOST_DA_LINK},
      {"LINK", HOST_DA_LINK},         {"GRADIENT", HOST_CUSTOMDATA_GRADIENT},
      {"BUTTON", HOST_DTYPE_BUTTON},  {"SEPARATOR", HOST_DTYPE_SEPARATOR}, {"GROUP", HOST_DTYPE_GROUP},
      {"STRING", HOST_DA_STRING},     {"MATPREVIEW", HOST_CUSTOMDATA_MATPREVIEW}};
  auto it = kTypes.find(e.kind);
  return it == kTypes.end() ? 0 : it->second;
}

bool SameDescId(const HostDescId& a, const HostDescId& b) {
  if (a.depth != b.depth) return false;
  for (int32_t i = 0; i < a.depth && i < HOST_DESCID_MAX_DEPTH; ++i) {
    const HostDescLevel& x = a.level[i];
    const HostDescLevel& y = b.level[i];
    if (x.id != y.id) return false;
    if (x.dtype && y.dtype && x.dtype != y.dtype) return false;
    if (x.creator && y.creator && x.creator != y.creator) return false;
  }
  return true;
}

void LoadStaticDescription(HostDescription& out, const Description& description, int32_t creator) {
  out.entries.clear();
  for (const DescElement& e : description.elements) {
    if (e.kind == "SEPARATOR" && e.id == 0) continue;
    HostDescription::Entry entry;
    entry.id = OneLevel(e.id, DescriptionDataType(e), e.origin.empty() ? creator : 0);
    if (e.parentGroup != 0) entry.group = OneLevel(e.parentGroup, HOST_DTYPE_GROUP, 0);
    SetText(entry.attributes, HOST_DESC_NAME, e.label);
    SetText(entry.attributes, HOST_DESC_SHORT_NAME, e.label);
    if (e.kind == "SHADERLINK") {
      HostData& accept = entry.attributes.Slot(HOST_DESC_ACCEPT);
      accept.type = HOST_DA_LONG;
      accept.i32 = HOST_BASETYPE_SHADER;
    }
    entry.element = e;
    out.entries.push_back(std::move(entry));
  }
}

bool LoadRegisteredDescription(HostDescription& out, const Registry& registry, int32_t pluginId) {
  const std::shared_ptr<const Description> d = registry.DescriptionOf(pluginId);
  if (!d) return false;
  LoadStaticDescription(out, *d, pluginId);
  return true;
}

int FindEntry(const HostDescription& d, const HostDescId& id) {
  for (size_t i = 0; i < d.entries.size(); ++i) {
    if (SameDescId(d.entries[i].id, id)) return static_cast<int>(i);
  }
  return -1;
}

bool AddEntry(HostDescription& d, const HostContainer& attributes, const HostDescId& id, const HostDescId& group) {
  if (id.depth < 1 || id.depth > HOST_DESCID_MAX_DEPTH || FindEntry(d, id) >= 0) return false;
  size_t at = d.entries.size();
  if (group.depth > 0) {
    const int groupIndex = FindEntry(d, group);
    if (groupIndex < 0) return false;
    at = EndOfGroup(d, group, groupIndex);
  }
  HostDescription::Entry entry;
  entry.id = id;
  entry.group = group;
  entry.attributes = attributes;
  DescElement& e = entry.element;
  e.id = id.level[id.depth - 1].id;
  e.kind = KindOfDataType(id.level[id.depth - 1].dtype, attributes);
  const HostData* name = attributes.Find(HOST_DESC_NAME);
  e.label = name && name->type == HOST_DA_STRING ? name->text : "";
  e.parentGroup = group.depth > 0 ? group.level[group.depth - 1].id : 0;
  d.entries.insert(d.entries.begin() + static_cast<std::ptrdiff_t>(at), std::move(entry));
  return true;
}

void CopyEntry(HostDescription& to, const HostDescription::Entry& entry) {
  const int existing = FindEntry(to, entry.id);
  if (existing >= 0) {
    to.entries[static_cast<size_t>(existing)] = entry;
    return;
  }
  size_t at = to.entries.size();
  if (entry.group.depth > 0) {
    const int groupIndex = FindEntry(to, entry.group);
    if (groupIndex >= 0) at = EndOfGroup(to, entry.group, groupIndex);
  }
  to.entries.insert(to.entries.begin() + static_cast<std::ptrdiff_t>(at), entry);
}

std::unique_ptr<HostDescription> LiveDescriptionOf(HostNode* node, const Registry& registry) {
  if (!node || !node->plugin) return nullptr;
  auto live = std::make_unique<HostDescription>();
  const HostShaderClass& cls = node->plugin->shaderClass;
  int32_t flags = 0;
  const bool built = node->pluginData && cls.getDDescription &&
                     cls.getDDescription(node->pluginData, node, live.get(), &flags) != 0;
  if (!built || !(flags & HOST_DESCFLAGS_DESC_LOADED)) {
    live->entries.clear();
    LoadRegisteredDescription(*live, registry, node->type);
  }
  return live;
}

bool RemoveInterfaceEntry(HostNode* node, const Registry& registry, int32_t id, std::string& error) {
  const std::unique_ptr<HostDescription> live = LiveDescriptionOf(node, registry);
  const HostDescription::Entry* entry = nullptr;
  if (live) {
    for (const auto& e : live->entries) {
      if (e.id.depth == 1 && e.id.level[0].id == id) entry = &e;
    }
  }
  if (!entry) {
    error = "the interface shows no entry " + std::to_string(id);
    return false;
  }
  const HostData* removable = entry->attributes.Find(HOST_DESC_REMOVABLE);
  if (!removable || removable->type != HOST_DA_LONG || removable->i32 == 0) {
    error = "entry " + std::to_string(id) + " cannot be removed";
    return false;
  }
  HostDescriptionRemoveEntry data{};
  data.id = entry->id;
  SendMessage(node, HOST_MSG_DESCRIPTION_REMOVE_ENTRY, &data);
  return true;
}

}  // namespace ombrel::host
