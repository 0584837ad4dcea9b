#include "scenefile/scene_writer.h"

#include <cmath>
#include <map>
#include <set>
#include <unordered_map>

#include "core/atomic_file.h"
#include "core/builtin_shaders.h"
#include "core/gradient.h"
#include "core/printable_text.h"
#include "core/registry.h"
#include "resources/description.h"
#include "scenefile/byte_text.h"
#include "scenefile/json_checks.h"
#include "scenefile/parameter_values.h"
#include "scenefile/scene_json.h"
#include "scenefile/scene_reader.h"

namespace ombrel::host {
namespace {

using scenefile::Json;

// Every built-in shader the reader knows is written by the name the reader takes.
std::string BuiltinName(int32_t type) {
  for (const BuiltinShaderName& builtin : BuiltinShaderNames()) {
    if (builtin.type == type) return std::string(builtin.name);
  }
  return "";
}

// Adds a member whose key is known to be new. Objects keep their keys in order in a list, which
// operator[] searches: a shader of thousands of slots would make writing it quadratic.
void AddMember(Json& object, std::string key, Json value) {
  auto& members = static_cast<std::vector<std::pair<const std::string, Json>>&>(object.get_ref<Json::object_t&>());
  members.emplace_back(std::move(key), std::move(value));
}

std::string Utf8(const std::filesystem::path& p) {
  const std::u8string u8 = p.u8string();
  return std::string(u8.begin(), u8.end());
}

class SceneWriter {
 public:
  SceneWriter(const Host& host, const Scene& scene, const std::filesystem::path& folder, std::vector<std::string>& notes)
      // No folder is the working folder (a file named without one), so that pictures under it
      // are written relative to it there too.
      : registry_(const_cast<Host&>(host).GetRegistry()), scene_(scene), folder_(folder.empty() ? "." : folder), notes_(notes) {}

  Json Write() {
    HostNode* doc = scene_.document;
    Json out = Json::object();
    out["settings"] = Settings(doc);
    NameEverything(doc);

    Json shaders = Json::array();
    for (const auto& s : doc->shaders) shaders.push_back(Shader(*s, true));
    Json materials = Json::array();
    for (const auto& m : doc->materials) materials.push_back(Material(*m));
    Json objects = Json::array();
    for (const auto& o : doc->children) WriteObjects(*o, nullptr, objects);
    if (!shaders.empty()) out["shaders"] = shaders;
    if (!materials.empty()) out["materials"] = materials;
    if (!objects.empty()) out["objects"] = objects;
    return out;
  }

 private:
  Json Settings(const HostNode* doc) {
    const RenderSettings& s = scene_.settings;
    Json j = Json::object();
    j["width"] = s.width;
    j["height"] = s.height;
    j["linearWorkflow"] = s.linearWorkflow;
    j["threads"] = s.threads;
    j["background"] = Json::array({s.background.x, s.background.y, s.background.z});
    // The document's own time and rate win over the settings the scene was loaded with.
    double time = s.time, fps = s.fps;
    if (const HostData* t = doc->data.Find(HOST_DOCUMENT_TIME)) time = t->real;
    if (const HostData* f = doc->data.Find(HOST_DOCUMENT_FPS); f && f->type == HOST_DA_LONG && f->i32 > 0) fps = f->i32;
    j["time"] = time;
    j["fps"] = fps;
    return j;
  }

  // The default name a node of this kind gets when the file gives none.
  std::string DefaultName(const HostNode& node) const {
    if (node.kind != NodeKind::Shader) return "";
    const PluginRecord* plugin = registry_.Find(node.type);
    return plugin && !node.builtin ? plugin->name : "";
  }

  std::string Unique(const std::string& wanted, const char* fallback) {
    std::string base = wanted.empty() ? fallback : wanted;
    std::string name = base;
    for (int n = 2; !used_.insert(name).second; ++n) name = base + "#" + std::to_string(n);
    if (!wanted.empty() && name != wanted) {
      notes_.push_back("the name \"" + ShownName(wanted) + "\" is used more than once; written as \"" + ShownName(name) + "\"");
    }
    return name;
  }

  void NameTree(const HostNode& node) {
    for (const auto* list : {&node.shaders}) {
      for (const auto& s : *list) {
        // A shader needs a name in the file when it differs from its default or when it is
        // named by a link rather than defined in place.
        if (s->name != DefaultName(*s) || linkedByName_.count(s->serial) || s->parent->kind == NodeKind::Document) {
          names_[s->serial] = Unique(s->name, "shader");
        }
        NameTree(*s);
      }
    }
  }

  void NameEverything(HostNode* doc) {
    // Shaders in place are written under the first link of their holder that names them;
    // every other link to a node names it.
    FindInPlaceShaders(*doc);
    std::vector<const HostNode*> stack{doc};
    while (!stack.empty()) {
      const HostNode* n = stack.back();
      stack.pop_back();
      for (const auto& [id, value] : n->data.entries) {
        if (value.type == HOST_DA_LINK && value.linkSerial != 0 && !IsInPlace(*n, id, value.linkSerial)) {
          linkedByName_.insert(value.linkSerial);
        }
      }
      for (const auto* list : {&n->children, &n->tags, &n->materials, &n->shaders}) {
        for (const auto& c : *list) stack.push_back(c.get());
      }
    }
    for (const HostNode* o : AllObjects(doc)) names_[o->serial] = Unique(o->name, "object");
    for (const auto& m : doc->materials) names_[m->serial] = Unique(m->name, "material");
    NameTree(*doc);
    for (const auto& m : doc->materials) NameTree(*m);
  }

  void FindInPlaceShaders(const HostNode& node) {
    // The first link to each target, found in one pass: a shader may hold thousands of slots.
    std::unordered_map<uint64_t, int32_t> firstLink;
    if (node.kind == NodeKind::Shader) {
      for (const auto& [id, value] : node.data.entries) {
        if (value.type == HOST_DA_LINK && value.linkSerial != 0) firstLink.try_emplace(value.linkSerial, id);
      }
    }
    for (const auto& s : node.shaders) {
      if (const auto link = firstLink.find(s->serial); link != firstLink.end()) {
        inPlace_.emplace(s->serial, std::make_pair(node.serial, link->second));
      }
      if (node.kind == NodeKind::Material && node.channelShaderSerial == s->serial) {
        inPlace_.emplace(s->serial, std::make_pair(node.serial, 0));
      }
      FindInPlaceShaders(*s);
    }
    for (const auto& m : node.materials) FindInPlaceShaders(*m);
  }

  bool IsInPlace(const HostNode& holder, int32_t id, uint64_t target) const {
    auto it = inPlace_.find(target);
    return it != inPlace_.end() && it->second.first == holder.serial && it->second.second == id;
  }

  // A link that is not a shader in place points at a node placed elsewhere. Where the reader
  // would take a named shader link as its owner, it says that it is not.
  Json LinkByName(uint64_t serial, const std::string& where, bool wouldOwn = false) {
    auto it = names_.find(serial);
    if (it == names_.end()) {
      notes_.push_back(where + ": links a node outside the document; left out");
      return Json();
    }
    Json link = Json::object({{"link", it->second}});
    if (wouldOwn) link["owns"] = false;
    return link;
  }

  Json Value(const HostData& d, const std::optional<scenefile::ParamKind>& kind, const std::string& where) {
    switch (d.type) {
      case HOST_DA_LONG:
        if (kind == scenefile::ParamKind::Bool) return Json(d.i32 != 0);
        return Json(d.i32);
      case HOST_DA_REAL:
      case HOST_DA_TIME:
        if (!std::isfinite(d.real)) break;
        return Json(d.real);
      case HOST_DA_VECTOR:
        if (!std::isfinite(d.vec.x) || !std::isfinite(d.vec.y) || !std::isfinite(d.vec.z)) break;
        return Json::array({d.vec.x, d.vec.y, d.vec.z});
      case HOST_DA_STRING: return Json(d.text);
      case HOST_DA_FILENAME: return Json(FileName(d.text));
      default:
        if (const auto* g = dynamic_cast<const HostGradient*>(d.custom.get())) {
          Json knots = Json::array();
          for (const HostGradientKnot& k : g->knots) {
            knots.push_back(Json::object({{"color", Json::array({k.color.x, k.color.y, k.color.z})},
                                          {"position", k.position},
                                          {"brightness", k.brightness},
                                          {"bias", k.bias}}));
          }
          return knots;
        }
        break;
    }
    notes_.push_back(where + ": a value the scene format cannot hold; left out");
    return Json();
  }

  std::string FileName(const std::string& text) const {
    const std::filesystem::path path(std::u8string(text.begin(), text.end()));
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec).lexically_normal();
    const std::filesystem::path base = std::filesystem::absolute(folder_, ec).lexically_normal();
    const std::filesystem::path relative = absolute.lexically_relative(base);
    if (!relative.empty() && *relative.begin() != "..") return Utf8(relative);
    return Utf8(path.is_absolute() ? path : absolute);
  }

  std::string Label(const HostNode& node) const {
    auto it = names_.find(node.serial);
    return it != names_.end() ? "\"" + ShownName(it->second) + "\"" : "a shader of type " + std::to_string(node.type);
  }

  Json Shader(const HostNode& node, bool topLevel) {
    Json j = Json::object();
    auto named = names_.find(node.serial);
    if (named != names_.end()) j["name"] = named->second;
    const PluginRecord* plugin = node.builtin ? nullptr : registry_.Find(node.type);
    if (node.builtin) {
      j["type"] = BuiltinName(node.type);
    } else if (plugin) {
      j["type"] = plugin->descriptionName.empty() ? Json(plugin->id) : Json(plugin->descriptionName);
    } else {
      j["type"] = node.type;
    }
    (void)topLevel;
    const Description* description = plugin ? plugin->description.get() : nullptr;
    Json params = Json::object();
    for (const auto& [id, value] : node.data.entries) {
      const std::string where = Label(node) + " parameter " + std::to_string(id);
      std::string key = std::to_string(id);
      std::optional<scenefile::ParamKind> kind;
      // Described shader links own a shader they name, and so do the run-time slots (which the
      // description does not list).
      bool owningLink = false;
      if (description) {
        const DescElement* element = description->Find(id);
        if (element) {
          kind = scenefile::SettableKind(*element);
          // Entries the host keeps for itself come back by themselves; others are noted.
          if (!kind) {
            if (element->origin.empty() && value.type != HOST_DA_NIL) notes_.push_back(where + ": not a settable parameter; left out");
            continue;
          }
          key = element->symbol;
          owningLink = kind == scenefile::ParamKind::ShaderLink;
        } else if (value.type != HOST_DA_LINK) {
          notes_.push_back(where + ": not in the shader's description; left out");
          continue;
        } else {
          owningLink = true;
        }
      }
      if (value.type == HOST_DA_LINK) {
        if (value.linkSerial == 0) continue;  // an empty link is what a new node has
        HostNode* target = FindLiveNode(value.linkSerial);
        if (target && IsInPlace(node, id, value.linkSerial)) {
          AddMember(params, key, Shader(*target, false));
        } else {
          Json link = LinkByName(value.linkSerial, where, owningLink);
          if (!link.is_null()) AddMember(params, key, std::move(link));
        }
        continue;
      }
      Json v = Value(value, kind, where);
      if (!v.is_null()) AddMember(params, key, std::move(v));
    }
    for (const auto& child : node.shaders) {
      if (!inPlace_.count(child->serial)) notes_.push_back(Label(*child) + ": a child shader no link holds; left out");
    }
    if (!params.empty()) j["params"] = params;
    return j;
  }

  Json Material(const HostNode& m) {
    Json j = Json::object();
    j["name"] = names_[m.serial];
    for (const auto& s : m.shaders) {
      if (s->serial == m.channelShaderSerial) {
        j["shader"] = Shader(*s, false);
      } else {
        notes_.push_back("material \"" + ShownName(m.name) + "\": a shader outside its colour channel; left out");
      }
    }
    if (m.bits & HOST_BIT_ACTIVE) j["active"] = true;
    return j;
  }

  Json NodeParams(const HostNode& node, const std::string& label) {
    Json params = Json::object();
    for (const auto& [id, value] : node.data.entries) {
      const std::string where = label + " parameter " + std::to_string(id);
      if (value.type == HOST_DA_LINK) {
        if (value.linkSerial == 0) continue;
        Json link = LinkByName(value.linkSerial, where);
        if (!link.is_null()) AddMember(params, std::to_string(id), std::move(link));
        continue;
      }
      // Untyped values read back by their JSON form: integers as integers, other numbers as
      // reals, so a whole real keeps its fraction part.
      Json v = Value(value, std::nullopt, where);
      if (!v.is_null()) AddMember(params, std::to_string(id), value.type == HOST_DA_REAL && v.is_number_integer() ? Json(value.real) : v);
    }
    return params;
  }

  void WriteObjects(const HostNode& o, const HostNode* parent, Json& out) {
    Json j = Json::object();
    const std::string& name = names_[o.serial];
    j["name"] = name;
    if (o.type == HOST_OBJECT_CUBE) j["type"] = "cube";
    j["identity"] = o.identity;
    j["renderIndex"] = o.renderIndex;
    j["rows"] = o.geometry.rows;
    j["columns"] = o.geometry.columns;
    j["rect"] = Json::array({o.geometry.left, o.geometry.top, o.geometry.right, o.geometry.bottom});
    const ObjectGeometry plain;
    if (o.geometry.u0 != plain.u0 || o.geometry.v0 != plain.v0 || o.geometry.u1 != plain.u1 || o.geometry.v1 != plain.v1) {
      j["uv"] = Json::array({o.geometry.u0, o.geometry.v0, o.geometry.u1, o.geometry.v1});
    }
    if (parent) j["parent"] = names_[parent->serial];
    if (HostNode* origin = FindLiveNode(o.originSerial); origin && names_.count(origin->serial)) j["origin"] = names_[origin->serial];
    if (HostNode* m = FindLiveNode(o.materialSerial); m && names_.count(m->serial)) j["material"] = names_[m->serial];
    Json params = NodeParams(o, "object \"" + name + "\"");
    if (!params.empty()) j["params"] = params;
    Json tags = Json::array();
    for (const auto& t : o.tags) {
      Json tag = Json::object();
      tag["type"] = t->type == HOST_TAG_TEXTURE ? Json("texture") : Json(t->type);
      tag["name"] = t->name;
      Json tagParams = NodeParams(*t, "a tag of \"" + name + "\"");
      if (!tagParams.empty()) tag["params"] = tagParams;
      tags.push_back(tag);
    }
    if (!tags.empty()) j["tags"] = tags;
    if (o.bits & HOST_BIT_ACTIVE) j["active"] = true;
    out.push_back(j);
    for (const auto& c : o.children) WriteObjects(*c, &o, out);
  }

  Registry& registry_;
  const Scene& scene_;
  std::filesystem::path folder_;
  std::vector<std::string>& notes_;
  std::set<std::string> used_;
  std::unordered_map<uint64_t, std::string> names_;
  std::set<uint64_t> linkedByName_;
  // Shader serial -> (holder serial, link ID; 0 for a material's channel).
  std::unordered_map<uint64_t, std::pair<uint64_t, int32_t>> inPlace_;
};

}  // namespace

std::string SceneToText(const Host& host, const Scene& scene, const std::filesystem::path& folder,
                        std::vector<std::string>& notes) {
  if (!scene.document) return "{}\n";
  Json document = SceneWriter(host, scene, folder, notes).Write();
  scenefile::WriteByteTexts(document);
  // Keys are the format's words and the description's symbols; should one not be UTF-8, the
  // check of the text below refuses it instead of the writer aborting.
  return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

bool SceneToCheckedText(const Host& host, const Scene& scene, const std::filesystem::path& folder,
                        std::vector<std::string>& notes, std::string& text, std::string& error) {
  text = SceneToText(host, scene, folder, notes);
  // Read as a scene file is read, up to the nodes it would make: a file the reader refuses
  // would tell the user "saved" for edits that could only be recovered by hand.
  Json document;
  scenefile::JsonFault fault;
  std::string faultText;
  if (!scenefile::ParseSceneJson(text, document, fault)) {
    faultText = (fault.path.empty() ? "" : fault.path + ": ") + fault.message;
  } else {
    try {
      scenefile::ReadScene(document, const_cast<Host&>(host).GetRegistry());
    } catch (const scenefile::SceneFileError& e) {
      faultText = e.path + ": " + e.what();
    }
  }
  if (faultText.empty()) return true;
  error = "the scene was not saved, as the file would not read back (" + faultText +
          "); this is a fault of ombrel-host, please report it with the edits that led here";
  return false;
}

bool WriteSceneFile(const Host& host, const Scene& scene, const std::filesystem::path& file,
                    std::vector<std::string>& notes, std::string& error) {
  std::string text;
  if (!SceneToCheckedText(host, scene, file.parent_path(), notes, text, error)) {
    error = "cannot write " + file.string() + ": " + error;
    return false;
  }
  return WriteFileAtomically(file, text.data(), text.size(), error);
}

}  // namespace ombrel::host
