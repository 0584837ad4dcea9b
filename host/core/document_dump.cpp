#include "document_dump.h"

#include <cstdio>
#include <unordered_map>

#include "gradient.h"

namespace ombrel::host {
namespace {

using Places = std::unordered_map<uint64_t, std::string>;

const char* KindName(NodeKind kind) {
  switch (kind) {
    case NodeKind::Document: return "document";
    case NodeKind::Object: return "object";
    case NodeKind::Material: return "material";
    case NodeKind::Tag: return "tag";
    default: return "shader";
  }
}

void CollectPlaces(const HostNode& node, const std::string& place, Places& places) {
  places[node.serial] = place;
  auto walk = [&](const std::vector<std::unique_ptr<HostNode>>& list, const char* name) {
    for (size_t i = 0; i < list.size(); ++i) CollectPlaces(*list[i], place + "/" + name + std::to_string(i), places);
  };
  walk(node.children, "o");
  walk(node.tags, "t");
  walk(node.materials, "m");
  walk(node.shaders, "s");
}

std::string Real(double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
}

std::string Target(uint64_t serial, const Places& places) {
  if (serial == 0) return "none";
  auto it = places.find(serial);
  return it == places.end() ? "outside" : it->second;
}

std::string Value(const HostData& d, const Places& places) {
  switch (d.type) {
    case HOST_DA_LONG: return "long " + std::to_string(d.i32);
    case HOST_DA_REAL: return "real " + Real(d.real);
    case HOST_DA_TIME: return "time " + Real(d.real);
    case HOST_DA_VECTOR: return "vector " + Real(d.vec.x) + " " + Real(d.vec.y) + " " + Real(d.vec.z);
    case HOST_DA_STRING: return "string \"" + d.text + "\"";
    case HOST_DA_FILENAME: return "filename \"" + d.text + "\"";
    case HOST_DA_LINK: return "link " + Target(d.linkSerial, places);
    case HOST_DA_NIL: return "nil";
    default: return "custom " + std::to_string(d.CustomType());
  }
}

void DumpNode(const HostNode& node, const Places& places, std::string& out) {
  // A document's name is where it was read from, not what it holds.
  const std::string name = node.kind == NodeKind::Document ? "" : node.name;
  out += Target(node.serial, places) + " " + KindName(node.kind) + " " + std::to_string(node.type) + " \"" + name +
         "\" bits " + std::to_string(node.bits);
  if (node.kind == NodeKind::Object) {
    const ObjectGeometry& g = node.geometry;
    out += " identity " + std::to_string(node.identity) + " index " + std::to_string(node.renderIndex) + " rect " +
           Real(g.left) + " " + Real(g.top) + " " + Real(g.right) + " " + Real(g.bottom) + " grid " +
           std::to_string(g.rows) + "x" + std::to_string(g.columns) + " origin " + Target(node.originSerial, places) +
           " material " + Target(node.materialSerial, places);
  }
  if (node.kind == NodeKind::Material) out += " channel " + Target(node.channelShaderSerial, places);
  out += "\n";
  for (const auto& [id, value] : node.data.entries) {
    out += "  " + std::to_string(id) + " = " + Value(value, places);
    if (const auto* g = dynamic_cast<const HostGradient*>(value.custom.get())) {
      for (const HostGradientKnot& k : g->knots) {
        out += " [" + Real(k.color.x) + " " + Real(k.color.y) + " " + Real(k.color.z) + " b " + Real(k.brightness) +
               " p " + Real(k.position) + " s " + Real(k.bias) + "]";
      }
    }
    out += "\n";
  }
  for (const auto* list : {&node.children, &node.tags, &node.materials, &node.shaders}) {
    for (const auto& child : *list) DumpNode(*child, places, out);
  }
}

}  // namespace

std::string DumpDocument(const HostNode* doc) {
  if (!doc) return "";
  Places places;
  CollectPlaces(*doc, "doc", places);
  std::string out;
  DumpNode(*doc, places, out);
  return out;
}

}  // namespace ombrel::host
