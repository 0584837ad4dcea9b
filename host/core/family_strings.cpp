#include <charconv>
#include <cmath>
#include <cstring>

#include "families.h"
#include "live_description.h"
#include "host.h"
#include "resources/module_resources.h"

namespace ombrel::host {

std::string RealToText(double value, int32_t before, int32_t after, bool exponent, char fill) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  char buf[512];
  std::to_chars_result r{};
  if (exponent) {
    r = after >= 0 ? std::to_chars(buf, buf + sizeof(buf), value, std::chars_format::scientific, after)
                   : std::to_chars(buf, buf + sizeof(buf), value, std::chars_format::scientific);
  } else {
    r = after >= 0 ? std::to_chars(buf, buf + sizeof(buf), value, std::chars_format::fixed, after)
                   : std::to_chars(buf, buf + sizeof(buf), value, std::chars_format::fixed);
  }
  if (r.ec != std::errc()) return "?";
  std::string text(buf, r.ptr);
  if (before > 0) {
    // Pad the integer part to `before` digits with the fill character, after any sign.
    const size_t sign = (!text.empty() && text[0] == '-') ? 1 : 0;
    size_t digits = text.find_first_of(".e", sign);
    if (digits == std::string::npos) digits = text.size();
    digits -= sign;
    if (static_cast<int32_t>(digits) < before) text.insert(sign, static_cast<size_t>(before) - digits, fill);
  }
  return text;
}

namespace {

void Print(HostModule* module, HostStr line) {
  if (!module || !module->host) return;
  module->host->GetConsole().Print(std::string(line.data ? line.data : "", static_cast<size_t>(line.length)));
}

int64_t RealToTextC(double value, int32_t before, int32_t after, HostBool exponent, uint32_t fill, char* buf,
                    int64_t capacity) {
  const std::string text = RealToText(value, before, after, exponent != 0, static_cast<char>(fill ? fill : '0'));
  if (buf && capacity > 0) {
    const size_t n = std::min<size_t>(text.size(), static_cast<size_t>(capacity));
    std::memcpy(buf, text.data(), n);
  }
  return static_cast<int64_t>(text.size());
}

HostResource* ResourceLoad(HostModule* module, HostStr folder) {
  if (!module) return nullptr;
  std::filesystem::path dir;
  if (module->options.resourceDir) {
    dir = *module->options.resourceDir;
  } else if (folder.length <= 0) {
    // An empty module folder names no place: never fall back to the working directory.
    if (module->host) module->host->Log().push_back("cannot load resources: the module passed no folder");
    return nullptr;
  } else {
    const std::string text(folder.data ? folder.data : "", static_cast<size_t>(folder.length));
    dir = std::filesystem::path(std::u8string(text.begin(), text.end()));
    dir /= "res";
  }
  auto resources = std::make_shared<ModuleResources>();
  ResourceError error;
  if (!resources->Load(dir, error)) {
    if (module->host) module->host->Log().push_back("cannot load resources: " + error.ToString());
    return nullptr;
  }
  if (!module->ledger.TakeHandle("resource")) return nullptr;
  return new HostResource{std::move(resources)};
}

void ResourceFree(HostModule* module, HostResource* resource) {
  if (!resource) return;
  if (module) module->ledger.HandleFreed();
  delete resource;
}

HostStr ResourceString(const HostResource* resource, int32_t id) {
  if (!resource || !resource->resources) return HostStr{"", 0};
  const std::string* text = resource->resources->FindString(id);
  if (!text) return HostStr{"", 0};
  return HostStr{text->data(), static_cast<int64_t>(text->size())};
}

HostDescription* DescriptionNew(HostModule* module) {
  if (!module || !module->ledger.TakeHandle("description")) return nullptr;
  return new HostDescription();
}

void DescriptionFree(HostModule* module, HostDescription* description) {
  if (!description) return;
  if (module) module->ledger.HandleFreed();
  delete description;
}

HostBool DescriptionLoad(HostDescription* description, int32_t pluginId) {
  Host* host = CurrentHost();
  if (!description || !host) return HOST_FALSE;
  return LoadRegisteredDescription(*description, host->GetRegistry(), pluginId) ? HOST_TRUE : HOST_FALSE;
}

const HostContainer* DescriptionGetEntry(const HostDescription* description, const HostDescId* id) {
  if (!description || !id) return nullptr;
  const int index = FindEntry(*description, *id);
  return index < 0 ? nullptr : &description->entries[static_cast<size_t>(index)].attributes;
}

HostBool DescriptionAdd(HostDescription* description, const HostContainer* entry, const HostDescId* id,
                        const HostDescId* group) {
  if (!description || !entry || !id) return HOST_FALSE;
  const HostDescId top{};
  return AddEntry(*description, *entry, *id, group ? *group : top) ? HOST_TRUE : HOST_FALSE;
}

HostBool DescriptionBrowse(const HostDescription* description, int32_t index, HostDescId* id,
                           const HostContainer** entry, HostDescId* group) {
  if (!description || index < 0 || static_cast<size_t>(index) >= description->entries.size()) return HOST_FALSE;
  const HostDescription::Entry& e = description->entries[static_cast<size_t>(index)];
  if (id) *id = e.id;
  if (entry) *entry = &e.attributes;
  if (group) *group = e.group;
  return HOST_TRUE;
}

HostBool DescriptionCopyEntry(HostDescription* to, const HostDescription* from, int32_t index) {
  if (!to || !from || to == from || index < 0 || static_cast<size_t>(index) >= from->entries.size()) return HOST_FALSE;
  CopyEntry(*to, from->entries[static_cast<size_t>(index)]);
  return HOST_TRUE;
}

const HostStringApi kStrings{sizeof(HostStringApi), Print,           RealToTextC,         ResourceLoad,
                             ResourceFree,           ResourceString,  DescriptionNew,      DescriptionFree,
                             DescriptionLoad,        DescriptionGetEntry, DescriptionAdd,  DescriptionBrowse,
                             DescriptionCopyEntry};

}  // namespace

const HostStringApi* StringFamily() { return &kStrings; }

}  // namespace ombrel::host
