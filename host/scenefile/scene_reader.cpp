#include "scenefile/scene_reader.h"

#include <charconv>
#include <limits>

#include "core/builtin_shaders.h"
#include "core/printable_text.h"
#include "resources/description.h"
#include "scenefile/json_positions.h"
#include "scenefile/parameter_values.h"
#include "scenefile/scene_keys.h"

namespace ombrel::host::scenefile {
namespace {

constexpr int32_t kMaxPictureSide = 16384;
constexpr int32_t kMaxThreads = 1024;

std::string_view KindWord(NodeKind kind) {
  switch (kind) {
    case NodeKind::Shader: return "a shader";
    case NodeKind::Material: return "a material";
    case NodeKind::Object: return "an object";
    default: return "a node";
  }
}

std::optional<int32_t> ParseDecimal(std::string_view text) {
  int32_t id = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), id);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return id;
}

class SceneReader {
 public:
  explicit SceneReader(const Registry& registry) : registry_(registry) {}

  ScenePlan Read(const Json& doc) {
    RequireObject(doc, "");
    CheckKeys(doc, "", kDocumentKeys);
    if (doc.contains("settings")) ReadSettings(doc["settings"], "settings");
    if (doc.contains("shaders")) {
      RequireArray(doc["shaders"], "shaders");
      for (size_t i = 0; i < doc["shaders"].size(); ++i) ReadShader(doc["shaders"][i], ItemPath("shaders", i), true);
    }
    if (doc.contains("materials")) {
      RequireArray(doc["materials"], "materials");
      for (size_t i = 0; i < doc["materials"].size(); ++i) ReadMaterial(doc["materials"][i], ItemPath("materials", i));
    }
    if (doc.contains("objects")) {
      RequireArray(doc["objects"], "objects");
      for (size_t i = 0; i < doc["objects"].size(); ++i) ReadObject(doc["objects"][i], ItemPath("objects", i), i);
    }
    ResolveShaderLinks();
    ResolveMaterials();
    ResolveObjects();
    CheckShaderNesting();
    return std::move(plan_);
  }

 private:
  void ReadSettings(const Json& v, const std::string& path) {
    RequireObject(v, path);
    CheckKeys(v, path, kSettingsKeys);
    RenderSettings& s = plan_.settings;
    auto field = [&](const char* key) { return MemberPath(path, key); };
    if (v.contains("width")) s.width = ReadInt32InRange(v["width"], field("width"), 1, kMaxPictureSide);
    if (v.contains("height")) s.height = ReadInt32InRange(v["height"], field("height"), 1, kMaxPictureSide);
    if (v.contains("linearWorkflow")) s.linearWorkflow = ReadBool(v["linearWorkflow"], field("linearWorkflow"));
    if (v.contains("threads")) s.threads = ReadInt32InRange(v["threads"], field("threads"), 0, kMaxThreads);
    if (v.contains("background")) s.background = ReadVector3(v["background"], field("background"));
    if (v.contains("time")) s.time = ReadNumber(v["time"], field("time"));
    if (v.contains("fps")) {
      s.fps = ReadNumber(v["fps"], field("fps"));
      if (!(s.fps > 0.0)) Expected(field("fps"), "a number above 0", v["fps"]);
    }
  }

  void AddName(const std::string& name, NodeKind kind, int index, const std::string& nodePath) {
    auto [it, added] = plan_.names.try_emplace(name, NamedEntry{kind, index, nodePath});
    if (!added) {
      throw SceneFileError(MemberPath(nodePath, "name"), "the name \"" + ShownName(name) + "\" is already used by " + it->second.path +
                                     "; names must be unique across shaders, materials and objects");
    }
  }

  int32_t ResolveShaderType(const Json& v, const std::string& path, const PluginRecord*& plugin) {
    plugin = nullptr;
    std::string text;
    if (v.is_string()) {
      text = v.get<std::string>();
      if (int32_t builtin = BuiltinShaderType(text)) return builtin;
    } else if (v.is_number_integer() || v.is_number_unsigned()) {
      const int32_t id = ReadInt32(v, path);
      if (MakeBuiltinShader(id)) return id;
      text = std::to_string(id);
    } else {
      Expected(path, "a shader type (a name or a plug-in ID)", v);
    }
    plugin = registry_.FindByName(text);
    if (plugin && plugin->pluginType == HOST_PLUGINTYPE_SHADER) return plugin->id;
    if (plugin) throw SceneFileError(path, "\"" + ShownName(text) + "\" is a tool, not a shader");
    std::string known;
    for (const BuiltinShaderName& builtin : BuiltinShaderNames()) {
      if (!known.empty()) known += ", ";
      known += builtin.name;
    }
    for (const auto& p : registry_.Plugins()) {
      if (p->pluginType == HOST_PLUGINTYPE_SHADER) known += ", " + p->descriptionName + " (" + std::to_string(p->id) + ")";
    }
    throw SceneFileError(path, "unknown shader type \"" + ShownName(text) + "\"; known types: " + known);
  }

  // Reads a shader definition and answers its index. Definitions in place are read depth first,
  // so a shader's own definitions follow it in the plan.
  int ReadShader(const Json& v, const std::string& path, bool topLevel) {
    RequireObject(v, path);
    CheckKeys(v, path, kShaderKeys);
    std::string name;
    if (v.contains("name")) {
      name = ReadName(v["name"], MemberPath(path, "name"));
    } else if (topLevel) {
      throw SceneFileError(MemberPath(path, "name"), "missing; a shader of the \"shaders\" list needs a name");
    }
    if (!v.contains("type")) {
      throw SceneFileError(MemberPath(path, "type"), "missing; expected a shader type such as \"xglent_color\" or \"color\"");
    }
    const PluginRecord* plugin = nullptr;
    const int32_t type = ResolveShaderType(v["type"], MemberPath(path, "type"), plugin);

    const int index = static_cast<int>(plan_.shaders.size());
    plan_.shaders.push_back(ShaderPlan{});
    plan_.shaders[index].name = name;
    plan_.shaders[index].path = path;
    plan_.shaders[index].type = type;
    if (!name.empty()) AddName(name, NodeKind::Shader, index, path);

    if (!v.contains("params")) return index;
    const std::string paramsPath = MemberPath(path, "params");
    RequireObject(v["params"], paramsPath);
    const Description* description = plugin ? plugin->description.get() : nullptr;
    std::map<int32_t, std::string> seen;
    for (const auto& [key, value] : v["params"].items()) {
      const std::string p = MemberPath(paramsPath, key);
      ParamPlan param = description ? ReadDescribedParam(*description, key, value, p, index)
                                    : ReadUntypedParam(key, value, p, index);
      auto [it, added] = seen.try_emplace(param.id, p);
      if (!added) throw SceneFileError(p, "parameter " + std::to_string(param.id) + " is already set by " + it->second);
      plan_.shaders[index].params.push_back(std::move(param));
    }
    return index;
  }

  [[noreturn]] void UnknownParam(const Description& d, const std::string& key, const std::string& path, bool exists) {
    std::string list;
    for (const DescElement& e : d.elements) {
      if (!SettableKind(e)) continue;
      if (!list.empty()) list += ", ";
      list += e.symbol;
    }
    const std::string what = exists ? "\"" + key + "\" is not a parameter a scene file can set"
                                    : "unknown parameter \"" + ShownName(key) + "\"";
    throw SceneFileError(path, what + "; parameters of " + d.name + ": " + list);
  }

  ParamPlan ReadDescribedParam(const Description& d, const std::string& key, const Json& value, const std::string& path,
                               int shader) {
    const DescElement* element = d.FindSymbol(key);
    if (!element) {
      if (auto id = ParseDecimal(key)) {
        element = d.Find(*id);
        // A link by a number the description does not list may be a slot the plug-in adds at
        // run time (the tile shader's extra texture slots): the builder checks it against the
        // node's live description. Plain values still have to be listed.
        if (!element && (value.is_object() || value.is_string())) {
          ParamPlan param;
          param.id = *id;
          param.path = path;
          param.link = ReadLink(value, path, true, shader);
          param.dynamicSlot = true;
          return param;
        }
      }
    }
    if (!element) UnknownParam(d, key, path, false);
    const std::optional<ParamKind> kind = SettableKind(*element);
    if (!kind) UnknownParam(d, key, path, true);
    ParamPlan param;
    param.id = element->id;
    param.path = path;
    if (*kind == ParamKind::ShaderLink || *kind == ParamKind::Link) {
      param.link = ReadLink(value, path, *kind == ParamKind::ShaderLink, shader);
    } else {
      param.value = ReadParamValue(*kind, value, path);
    }
    return param;
  }

  ParamPlan ReadUntypedParam(const std::string& key, const Json& value, const std::string& path, int shader) {
    const auto id = ParseDecimal(key);
    if (!id) {
      throw SceneFileError(path, "unknown parameter \"" + ShownName(key) +
                                     "\"; a shader without a description takes parameters by number, e.g. \"1000\"");
    }
    ParamPlan param;
    param.id = *id;
    param.path = path;
    if (value.is_object()) {
      param.link = ReadLink(value, path, false, shader);
    } else {
      param.value = ReadUntypedValue(value, path);
    }
    return param;
  }

  // A link: a name, {"link": name}, or a shader defined in place (owned by `owner`). Only shader
  // links own a named target; a plain link to a shader only points at it.
  LinkPlan ReadLink(const Json& v, const std::string& path, bool shaderOnly, int owner) {
    LinkPlan link;
    link.shaderOnly = shaderOnly;
    if (v.is_string() || (v.is_object() && v.contains("link"))) {
      const Json* name = &v;
      if (v.is_object()) {
        CheckKeys(v, path, kLinkKeys);
        name = &v["link"];
      }
      link.target = NameRef{ReadName(*name, path), path, -1};
      link.owning = shaderOnly && Owns(v, path, shaderOnly);
      return link;
    }
    if (!v.is_object()) {
      Expected(path, shaderOnly ? "a shader's name or a shader definition" : "a name or a shader definition", v);
    }
    link.inlineShader = ReadShader(v, path, false);
    link.kind = NodeKind::Shader;
    link.owning = true;
    SetOwner(link.inlineShader, OwnerKind::Shader, owner, path);
    return link;
  }

  // {"link": name, "owns": false} points at a shader that belongs elsewhere (a second link to
  // it). Only shader links own, so elsewhere "owns" may only say what a link does anyway.
  static bool Owns(const Json& link, const std::string& path, bool canOwn) {
    if (!link.is_object() || !link.contains("owns")) return canOwn;
    const std::string ownsPath = MemberPath(path, "owns");
    const bool owns = ReadBool(link["owns"], ownsPath);
    if (owns && !canOwn) {
      throw SceneFileError(ownsPath, "this link only points at its target; only a shader link (SHADERLINK) owns one");
    }
    return owns;
  }

  void SetOwner(int shader, OwnerKind kind, int owner, const std::string& via) {
    ShaderPlan& s = plan_.shaders[shader];
    if (s.owner != OwnerKind::Document) {
      throw SceneFileError(via, "shader \"" + ShownName(s.name) + "\" already belongs to " + s.ownerPath +
                                    "; a shader has one owner, so define another shader for this use");
    }
    s.owner = kind;
    s.ownerIndex = owner;
    s.ownerPath = via;
  }

  void ReadMaterial(const Json& v, const std::string& path) {
    RequireObject(v, path);
    CheckKeys(v, path, kMaterialKeys);
    if (!v.contains("name")) throw SceneFileError(MemberPath(path, "name"), "missing; every material needs a name");
    const int index = static_cast<int>(plan_.materials.size());
    plan_.materials.push_back(MaterialPlan{});
    plan_.materials[index].name = ReadName(v["name"], MemberPath(path, "name"));
    plan_.materials[index].path = path;
    if (v.contains("active")) plan_.materials[index].active = ReadBool(v["active"], MemberPath(path, "active"));
    AddName(plan_.materials[index].name, NodeKind::Material, index, path);
    if (!v.contains("shader")) return;
    const std::string shaderPath = MemberPath(path, "shader");
    LinkPlan link;
    link.shaderOnly = true;
    link.owning = true;
    const Json& s = v["shader"];
    if (s.is_string()) {
      link.target = NameRef{ReadName(s, shaderPath), shaderPath, -1};
    } else if (s.is_object()) {
      link.inlineShader = ReadShader(s, shaderPath, false);
      SetOwner(link.inlineShader, OwnerKind::Material, index, shaderPath);
    } else {
      Expected(shaderPath, "a shader's name or a shader definition", s);
    }
    plan_.materials[index].shader = std::move(link);
  }

  void ReadObject(const Json& v, const std::string& path, size_t position) {
    RequireObject(v, path);
    CheckKeys(v, path, kObjectKeys);
    if (!v.contains("name")) throw SceneFileError(MemberPath(path, "name"), "missing; every object needs a name");
    ObjectPlan o;
    auto field = [&](const char* key) { return MemberPath(path, key); };
    o.name = ReadName(v["name"], field("name"));
    o.path = path;
    // Defaults that differ from object to object, as the host's numbers do, and that depend on
    // nothing but the file: identity counts from 1, the render index from 0.
    o.identity = static_cast<int32_t>(position + 1);
    o.renderIndex = static_cast<int32_t>(position);
    if (v.contains("identity")) o.identity = ReadInt32(v["identity"], field("identity"));
    if (v.contains("renderIndex")) o.renderIndex = ReadInt32(v["renderIndex"], field("renderIndex"));
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    if (v.contains("rows")) o.geometry.rows = ReadInt32InRange(v["rows"], field("rows"), 1, kMax);
    if (v.contains("columns")) o.geometry.columns = ReadInt32InRange(v["columns"], field("columns"), 1, kMax);
    // Polygon numbers are 32-bit.
    if (static_cast<int64_t>(o.geometry.rows) * o.geometry.columns > kMax) {
      throw SceneFileError(field(v.contains("columns") ? "columns" : "rows"),
                           "rows × columns must stay below 2^31 polygons");
    }
    if (v.contains("rect")) ReadRect(v["rect"], field("rect"), o.geometry);
    if (v.contains("uv")) ReadUv(v["uv"], field("uv"), o.geometry);
    auto ref = [&](const char* key) -> std::optional<NameRef> {
      if (!v.contains(key)) return std::nullopt;
      return NameRef{ReadName(v[key], field(key)), field(key), -1};
    };
    o.parent = ref("parent");
    o.origin = ref("origin");
    o.material = ref("material");
    if (v.contains("type")) o.type = ReadObjectType(v["type"], field("type"));
    if (v.contains("params")) o.params = ReadNodeParams(v["params"], field("params"));
    if (v.contains("active")) o.active = ReadBool(v["active"], field("active"));
    if (v.contains("tags")) {
      RequireArray(v["tags"], field("tags"));
      for (size_t t = 0; t < v["tags"].size(); ++t) o.tags.push_back(ReadTag(v["tags"][t], ItemPath(field("tags"), t)));
    }
    const int index = static_cast<int>(plan_.objects.size());
    AddName(o.name, NodeKind::Object, index, path);
    plan_.objects.push_back(std::move(o));
  }

  static int32_t ReadObjectType(const Json& v, const std::string& path) {
    if (v.is_string()) {
      if (v.get<std::string>() == "null") return HOST_OBJECT_NULL;
      if (v.get<std::string>() == "cube") return HOST_OBJECT_CUBE;
    } else if (v.is_number()) {
      const int32_t type = ReadInt32(v, path);
      if (type == HOST_OBJECT_NULL || type == HOST_OBJECT_CUBE) return type;
    }
    Expected(path, "an object type: \"null\" (5155) or \"cube\" (5159)", v);
  }

  TagPlan ReadTag(const Json& v, const std::string& path) {
    RequireObject(v, path);
    CheckKeys(v, path, kTagKeys);
    TagPlan tag;
    tag.path = path;
    const std::string typePath = MemberPath(path, "type");
    if (!v.contains("type")) throw SceneFileError(typePath, "missing; expected a tag type such as \"texture\"");
    const Json& t = v["type"];
    if ((t.is_string() && t.get<std::string>() == "texture") || (t.is_number() && ReadInt32(t, typePath) == HOST_TAG_TEXTURE)) {
      tag.type = HOST_TAG_TEXTURE;
    } else {
      Expected(typePath, "a tag type: \"texture\" (5616)", t);
    }
    if (v.contains("name")) tag.name = ReadName(v["name"], MemberPath(path, "name"));
    if (v.contains("params")) tag.params = ReadNodeParams(v["params"], MemberPath(path, "params"));
    return tag;
  }

  // Objects and tags of the host have no description: parameters by number, links by name.
  std::vector<NodeParamPlan> ReadNodeParams(const Json& v, const std::string& path) {
    RequireObject(v, path);
    std::vector<NodeParamPlan> params;
    std::map<int32_t, size_t> seen;
    for (const auto& [key, value] : v.items()) {
      const std::string p = MemberPath(path, key);
      const auto id = ParseDecimal(key);
      if (!id) throw SceneFileError(p, "unknown parameter \"" + ShownName(key) + "\"; objects and tags take parameters by number");
      if (const auto [it, added] = seen.try_emplace(*id, params.size()); !added) {
        throw SceneFileError(p, "parameter " + key + " is already set by " + params[it->second].path);
      }
      NodeParamPlan param;
      param.id = *id;
      param.path = p;
      if (value.is_object()) {
        CheckKeys(value, p, kLinkKeys);
        if (!value.contains("link")) Expected(p, "{\"link\": name}", value);
        Owns(value, p, false);
        param.link = NameRef{ReadName(value["link"], p), p, -1};
      } else {
        param.value = ReadUntypedValue(value, p);
      }
      params.push_back(std::move(param));
    }
    return params;
  }

  static void ReadUv(const Json& v, const std::string& path, ObjectGeometry& g) {
    if (!v.is_array() || v.size() != 4) Expected(path, "an array of 4 numbers", v);
    g.u0 = ReadNumber(v[0], ItemPath(path, 0));
    g.v0 = ReadNumber(v[1], ItemPath(path, 1));
    g.u1 = ReadNumber(v[2], ItemPath(path, 2));
    g.v1 = ReadNumber(v[3], ItemPath(path, 3));
  }

  static void ReadRect(const Json& v, const std::string& path, ObjectGeometry& g) {
    if (!v.is_array() || v.size() != 4) Expected(path, "an array of 4 numbers", v);
    const double left = ReadNumber(v[0], ItemPath(path, 0));
    const double top = ReadNumber(v[1], ItemPath(path, 1));
    const double right = ReadNumber(v[2], ItemPath(path, 2));
    const double bottom = ReadNumber(v[3], ItemPath(path, 3));
    if (!(left < right) || !(top < bottom)) {
      throw SceneFileError(path, "expected left < right and top < bottom, found [" + v[0].dump() + ", " + v[1].dump() +
                                     ", " + v[2].dump() + ", " + v[3].dump() + "]");
    }
    g.left = left;
    g.top = top;
    g.right = right;
    g.bottom = bottom;
  }

  const NamedEntry& Resolve(NameRef& ref) {
    auto it = plan_.names.find(ref.name);
    if (it == plan_.names.end()) throw SceneFileError(ref.path, "no shader, material or object is named \"" + ShownName(ref.name) + "\"");
    ref.index = it->second.index;
    return it->second;
  }

  const NamedEntry& ResolveAs(NameRef& ref, NodeKind kind) {
    const NamedEntry& entry = Resolve(ref);
    if (entry.kind != kind) {
      throw SceneFileError(ref.path, "expected " + std::string(KindWord(kind)) + ", but \"" + ShownName(ref.name) + "\" is " +
                                         std::string(KindWord(entry.kind)) + " (" + entry.path + ")");
    }
    return entry;
  }

  void ResolveShaderLinks() {
    for (size_t s = 0; s < plan_.shaders.size(); ++s) {
      for (ParamPlan& param : plan_.shaders[s].params) {
        if (!param.link || param.link->inlineShader >= 0) continue;
        LinkPlan& link = *param.link;
        link.kind = (link.shaderOnly ? ResolveAs(link.target, NodeKind::Shader) : Resolve(link.target)).kind;
        if (link.owning) SetOwner(link.target.index, OwnerKind::Shader, static_cast<int>(s), param.path);
      }
    }
  }

  void ResolveMaterials() {
    for (size_t m = 0; m < plan_.materials.size(); ++m) {
      auto& link = plan_.materials[m].shader;
      if (!link || link->inlineShader >= 0) continue;
      ResolveAs(link->target, NodeKind::Shader);
      SetOwner(link->target.index, OwnerKind::Material, static_cast<int>(m), link->target.path);
    }
  }

  void ResolveObjects() {
    std::vector<int> depth(plan_.objects.size(), 0);
    for (size_t i = 0; i < plan_.objects.size(); ++i) {
      ObjectPlan& o = plan_.objects[i];
      if (o.parent) {
        ResolveAs(*o.parent, NodeKind::Object);
        // Parents come first, so the hierarchy is built in one pass and can hold no circle.
        if (o.parent->index >= static_cast<int>(i)) {
          throw SceneFileError(o.parent->path, "the parent \"" + ShownName(o.parent->name) + "\" must be listed before \"" +
                                                   ShownName(o.name) + "\"");
        }
        depth[i] = depth[static_cast<size_t>(o.parent->index)] + 1;
        if (depth[i] >= kMaxNesting) {
          throw SceneFileError(o.parent->path, "objects nested deeper than " + std::to_string(kMaxNesting) + " levels");
        }
      }
      if (o.origin) ResolveAs(*o.origin, NodeKind::Object);
      if (o.material) ResolveAs(*o.material, NodeKind::Material);
      for (NodeParamPlan& p : o.params) {
        if (p.link) p.linkKind = Resolve(*p.link).kind;
      }
      for (TagPlan& t : o.tags) {
        for (NodeParamPlan& p : t.params) {
          if (p.link) p.linkKind = Resolve(*p.link).kind;
        }
      }
    }
  }

  std::string Label(int shader) const {
    const ShaderPlan& s = plan_.shaders[static_cast<size_t>(shader)];
    return s.name.empty() ? s.path : "\"" + ShownName(s.name) + "\"";
  }

  // Owners form chains that end at a material or the document; a circle would own itself and
  // never be freed, and very deep chains are refused like deep JSON.
  void CheckShaderNesting() {
    for (size_t start = 0; start < plan_.shaders.size(); ++start) {
      std::vector<int> chain{static_cast<int>(start)};
      int at = static_cast<int>(start);
      while (plan_.shaders[static_cast<size_t>(at)].owner == OwnerKind::Shader) {
        at = plan_.shaders[static_cast<size_t>(at)].ownerIndex;
        if (at == static_cast<int>(start)) {
          if (chain.size() == 1) {
            throw SceneFileError(plan_.shaders[start].ownerPath,
                                 "shader " + Label(at) + " links itself; a shader cannot contain itself");
          }
          // Each shader owns the one before it in the chain, so the links run the other way.
          std::string circle = Label(static_cast<int>(start));
          for (size_t k = chain.size() - 1; k >= 1; --k) circle += " → " + Label(chain[k]);
          circle += " → " + Label(static_cast<int>(start));
          throw SceneFileError(plan_.shaders[start].ownerPath,
                               "shaders link each other in a circle (" + circle + "); a shader cannot contain itself");
        }
        chain.push_back(at);
        if (static_cast<int>(chain.size()) > kMaxNesting) {
          throw SceneFileError(plan_.shaders[start].ownerPath,
                               "shaders nested deeper than " + std::to_string(kMaxNesting) + " levels");
        }
      }
    }
  }

  const Registry& registry_;
  ScenePlan plan_;
};

}  // namespace

ScenePlan ReadScene(const Json& document, const Registry& registry) {
  return SceneReader(registry).Read(document);
}

}  // namespace ombrel::host::scenefile
