// Level 2: a shader's description against what its Init writes: every described parameter has
// a default of the described type inside the described limits, nothing undescribed is written,
// and every entry has its text.
#include <cmath>

#include "check_context.h"
#include "core/live_description.h"

namespace ombrel::validate {

namespace {

// The value type a description entry of this kind is stored as; 0 for entries without a value.
int32_t StoredType(const std::string& kind) {
  if (kind == "REAL") return HOST_DA_REAL;
  if (kind == "LONG" || kind == "BOOL") return HOST_DA_LONG;
  if (kind == "VECTOR" || kind == "COLOR") return HOST_DA_VECTOR;
  if (kind == "SHADERLINK" || kind == "LINK") return HOST_DA_LINK;
  if (kind == "GRADIENT") return HOST_DA_CUSTOM;
  if (kind == "STRING") return HOST_DA_STRING;
  return 0;
}

std::string Name(const host::DescElement& e) {
  return std::to_string(e.id) + (e.symbol.empty() ? "" : " (" + e.symbol + ")");
}

bool Inside(double shown, const host::DescElement& e) {
  if (!std::isfinite(shown)) return false;
  // Limits are written with a few digits; a stored fraction shown in percent may miss by a hair.
  const double slack = 1e-9 * std::max(1.0, std::fabs(shown));
  if (e.min && shown < *e.min - slack) return false;
  if (e.max && shown > *e.max + slack) return false;
  return true;
}

std::string Limits(const host::DescElement& e) {
  return "[" + (e.min ? Text(*e.min) : std::string("-")) + ", " + (e.max ? Text(*e.max) : std::string("-")) + "]" +
         (e.unit.empty() ? "" : " " + e.unit);
}

}  // namespace

void CheckDescriptions(CheckContext& c) {
  if (!c.Runs(0)) return;
  Subject subject;
  std::string error;
  if (!subject.Load(c.options, error)) {
    c.Fail("descriptions.load", -1, error);
    return;
  }
  const host::PluginRecord* plugin = subject.Plugin(c.plugin);
  if (!plugin) return;
  if (plugin->name.empty()) c.Fail("descriptions.strings", -1, "the plug-in registered without a name");
  if (!plugin->description) {
    c.Fail("descriptions.missing", -1, "the plug-in registered no description");
    return;
  }
  HostNode* doc = subject.Host().NewDocument("descriptions");
  std::unique_ptr<HostNode> made = host::CreateShader(subject.Host().GetRegistry(), c.plugin);
  if (!made) {
    c.Fail("descriptions.init", -1, "no node could be made: the allocator or Init failed");
    return;
  }
  HostNode* node = host::InsertShader(doc, std::move(made), nullptr);
  const std::unique_ptr<HostDescription> live = host::LiveDescriptionOf(node, subject.Host().GetRegistry());
  if (!live) return;

  for (const HostDescription::Entry& entry : live->entries) {
    const host::DescElement& e = entry.element;
    if (e.kind == "SEPARATOR" || entry.id.depth != 1) continue;
    // Every entry the panel shows has its text.
    const HostData* label = entry.attributes.Find(HOST_DESC_NAME);
    if ((!label || label->text.empty()) && e.label.empty()) {
      c.Fail("descriptions.strings", -1, "entry " + Name(e) + " has no label in the string table");
    }
    for (const auto& [item, text] : e.cycle) {
      if (text.empty()) c.Fail("descriptions.strings", -1, "entry " + Name(e) + ": choice " + std::to_string(item) + " has no label");
    }
    // The host's own entries (from its included descriptions) are the host's business.
    if (!e.origin.empty()) continue;
    const int32_t type = StoredType(e.kind);
    if (type == 0) continue;
    const HostData* value = node->data.Find(e.id);
    // A link left out reads as an empty link everywhere, which is its only sensible default.
    if ((!value || value->type == HOST_DA_NIL) && type == HOST_DA_LINK) continue;
    if (!value || value->type == HOST_DA_NIL) {
      c.Fail("descriptions.default", -1, e.kind + " " + Name(e) + " is described but Init writes no default");
      continue;
    }
    if (value->type != type ||
        (type == HOST_DA_CUSTOM && e.customType != 0 && value->CustomType() != e.customType)) {
      c.Fail("descriptions.type", -1,
             e.kind + " " + Name(e) + " is written by Init as " + host::DataTypeName(value->type, value->CustomType()));
      continue;
    }
    const double scale = e.UnitScale();
    if (type == HOST_DA_REAL && !Inside(value->real * scale, e)) {
      c.Fail("descriptions.limits", -1,
             "default of " + Name(e) + " is " + Text(value->real * scale) + ", outside its limits " + Limits(e));
    }
    if (type == HOST_DA_LONG && e.kind == "LONG") {
      if (!Inside(value->i32, e)) {
        c.Fail("descriptions.limits", -1,
               "default of " + Name(e) + " is " + std::to_string(value->i32) + ", outside its limits " + Limits(e));
      }
      if (!e.cycle.empty()) {
        bool known = false;
        for (const auto& item : e.cycle) known = known || item.first == value->i32;
        if (!known) c.Fail("descriptions.limits", -1, "default of " + Name(e) + " is " + std::to_string(value->i32) + ", none of its choices");
      }
    }
    if (type == HOST_DA_VECTOR) {
      for (const double v : {value->vec.x, value->vec.y, value->vec.z}) {
        if (!Inside(v * scale, e)) {
          c.Fail("descriptions.limits", -1, "default of " + Name(e) + " is " + Text(value->vec) + ", outside its limits " + Limits(e));
          break;
        }
      }
    }
  }
  // Nothing is written that the interface does not show.
  for (const auto& [id, value] : node->data.entries) {
    bool described = false;
    for (const HostDescription::Entry& entry : live->entries) described = described || entry.id.level[0].id == id;
    if (!described) {
      c.Fail("descriptions.undescribed", -1,
             "Init writes parameter " + std::to_string(id) + " (" + host::DataTypeName(value.type, value.CustomType()) +
                 ") that the description lacks");
    }
  }
}

}  // namespace ombrel::validate
