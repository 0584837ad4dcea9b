// ombrel-host edit: loads a scene and runs a script of edits on it as a user would make them
// in the application: button presses, parameter edits, dialog answers, undo and redo, renders
// and saves. The step format is documented in docs/editing.md.
#include <memory>
#include <cstdio>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli_app.h"
#include "cli_report.h"
#include "commands.h"
#include "edit_script.h"
#include "core/atomic_file.h"
#include "core/builtin_shaders.h"
#include "core/editing.h"
#include "core/families.h"
#include "core/live_description.h"
#include "core/printable_text.h"
#include "core/status_line.h"
#include "core/undo.h"
#include "core/view.h"
#if OMBREL_HOST_VIEW_PICTURES
#include "draw/view_picture.h"
#endif
#include "image/image_writer.h"
#include "module_session.h"
#include "set_up_report.h"
#include "render/renderer.h"
#include "resources/description.h"
#include "scenefile/parameter_values.h"
#include "scenefile/scene_file.h"
#include "scenefile/scene_writer.h"

namespace ombrel::cli {

namespace {

using Json = nlohmann::ordered_json;

// A fault of the script or of one step: what the user reads, then the command stops. `field`
// is where in the step the fault lies ("drag", "moves[1]"; empty: the step itself), so that the
// message can give its line and column.
struct StepError {
  StepError(std::string text, std::string at = {}) : message(std::move(text)), field(std::move(at)) {}
  std::string message;
  std::string field;
};

std::string Real(double v) {
  std::ostringstream out;
  out.precision(15);
  out << v;
  return out.str();
}

// ---- what a step changed ----------------------------------------------------------------------

struct NodeState {
  std::string label;
  std::string described;  // the label, with the file of an unnamed bitmap shader
  std::vector<std::pair<int32_t, std::string>> values;
};
using DocumentState = std::map<uint64_t, NodeState>;

std::string NodeLabel(const HostNode& node) {
  const char* kind = node.kind == NodeKind::Object ? "object" : node.kind == NodeKind::Material ? "material"
                     : node.kind == NodeKind::Tag  ? "tag"
                                                   : "shader";
  return std::string(kind) + " \"" + host::ShownName(node.name) + "\"";
}

// Imported pictures are unnamed bitmap shaders: their file tells them apart.
std::string DescribedLabel(const HostNode& node) {
  if (node.kind == NodeKind::Shader && node.name.empty() && node.type == host::kBitmapShaderType) {
    if (const HostData* file = node.data.Find(host::kBitmapFileParam);
        file && (file->type == HOST_DA_STRING || file->type == HOST_DA_FILENAME)) {
      return "shader reading \"" + host::PrintableText(file->text, true) + "\"";
    }
  }
  return NodeLabel(node);
}

std::string ValueText(const HostData& d) {
  switch (d.type) {
    case HOST_DA_LONG: return std::to_string(d.i32);
    case HOST_DA_REAL:
    case HOST_DA_TIME: return Real(d.real);
    case HOST_DA_VECTOR: return "(" + Real(d.vec.x) + ", " + Real(d.vec.y) + ", " + Real(d.vec.z) + ")";
    case HOST_DA_STRING:
    case HOST_DA_FILENAME: return "\"" + host::PrintableText(d.text, true) + "\"";
    case HOST_DA_LINK: {
      if (d.linkSerial == 0) return "no link";
      const HostNode* target = host::FindLiveNode(d.linkSerial);
      return target ? "link to " + DescribedLabel(*target) : "link to a node that is gone";
    }
    case HOST_DA_NIL: return "nothing";
    default: return "custom data " + std::to_string(d.CustomType());
  }
}

void Collect(const HostNode& node, DocumentState& state) {
  if (node.kind != NodeKind::Document) {
    NodeState& s = state[node.serial];
    s.label = NodeLabel(node);
    s.described = DescribedLabel(node);
    for (const auto& [id, value] : node.data.entries) s.values.emplace_back(id, ValueText(value));
    if (node.bits & HOST_BIT_ACTIVE) s.values.emplace_back(-1, "active");
  }
  for (const auto* list : {&node.children, &node.tags, &node.materials, &node.shaders}) {
    for (const auto& c : *list) Collect(*c, state);
  }
}

DocumentState StateOf(const HostNode* doc) {
  DocumentState state;
  if (doc) Collect(*doc, state);
  return state;
}

std::string ParamName(const HostNode* node, int32_t id, const host::Registry& registry) {
  if (id == -1) return "active bit";
  if (node && node->plugin) {
    if (const host::PluginRecord* p = registry.Find(node->type); p && p->description) {
      if (const host::DescElement* e = p->description->Find(id)) return e->symbol + " (" + std::to_string(id) + ")";
    }
  }
  return std::to_string(id);
}

void PrintChanges(const DocumentState& before, const DocumentState& after, const host::Registry& registry) {
  for (const auto& [serial, state] : after) {
    auto old = before.find(serial);
    if (old == before.end()) {
      std::printf("  added %s\n", state.described.c_str());
      continue;
    }
    const HostNode* node = host::FindLiveNode(serial);
    if (old->second.label != state.label) std::printf("  renamed %s to %s\n", old->second.label.c_str(), state.label.c_str());
    std::map<int32_t, std::string> was(old->second.values.begin(), old->second.values.end());
    std::map<int32_t, std::string> now(state.values.begin(), state.values.end());
    for (const auto& [id, text] : now) {
      auto w = was.find(id);
      if (w == was.end()) {
        std::printf("  %s: %s set to %s\n", state.label.c_str(), ParamName(node, id, registry).c_str(), text.c_str());
      } else if (w->second != text) {
        std::printf("  %s: %s %s -> %s\n", state.label.c_str(), ParamName(node, id, registry).c_str(), w->second.c_str(),
                    text.c_str());
      }
    }
    for (const auto& [id, text] : was) {
      if (!now.count(id)) std::printf("  %s: %s cleared\n", state.label.c_str(), ParamName(node, id, registry).c_str());
    }
  }
  for (const auto& [serial, state] : before) {
    if (!after.count(serial)) std::printf("  removed %s\n", state.described.c_str());
  }
}

// "the document has no node named "x"; its nodes are object "a", shader "b", ..." in the order
// names are looked up; the list is cut after the first 40.
std::string UnknownNode(HostNode* doc, const std::string& name) {
  std::vector<std::string> labels;
  size_t count = 0;
  auto note = [&](const HostNode& node) {
    if (++count <= 40) labels.push_back(NodeLabel(node));
  };
  auto objects = [&](auto&& self, const HostNode& holder) -> void {
    for (const auto& o : holder.children) {
      note(*o);
      for (const auto& t : o->tags) note(*t);
      self(self, *o);
    }
  };
  auto shaders = [&](auto&& self, const HostNode& holder) -> void {
    for (const auto& sh : holder.shaders) {
      note(*sh);
      self(self, *sh);
    }
  };
  if (doc) {
    objects(objects, *doc);
    for (const auto& m : doc->materials) note(*m);
    for (const auto& m : doc->materials) shaders(shaders, *m);
    shaders(shaders, *doc);
  }
  std::string text = "the document has no node named \"" + host::ShownName(name) + "\"";
  if (count == 0) return text + "; it has no nodes";
  text += "; its nodes are ";
  for (size_t i = 0; i < labels.size(); ++i) text += (i ? ", " : "") + labels[i];
  if (count > labels.size()) text += " and " + std::to_string(count - labels.size()) + " more";
  return text;
}

// ---- reading steps ------------------------------------------------------------------------------

std::string Where(size_t index) { return "step " + std::to_string(index + 1); }

// A host event by its four-character code when it has one ("edmv"), else by number.
std::string EventName(int32_t message) {
  const auto u = static_cast<uint32_t>(message);
  std::string code;
  for (int shift = 24; shift >= 0; shift -= 8) code += static_cast<char>((u >> shift) & 0xFF);
  for (char c : code) {
    if (c < 'a' || c > 'z') return std::to_string(message);
  }
  return "\"" + code + "\"";
}

std::string ReadString(const Json& step, const char* key, size_t index) {
  if (!step.contains(key) || !step[key].is_string() || step[key].get<std::string>().empty()) {
    throw StepError{Where(index) + ": \"" + key + "\" must be a non-empty string", step.contains(key) ? key : ""};
  }
  return step[key].get<std::string>();
}

void CheckKeys(const Json& step, size_t index, std::initializer_list<const char*> allowed) {
  for (const auto& [key, value] : step.items()) {
    bool known = false;
    for (const char* a : allowed) known = known || key == a;
    if (!known) throw StepError{Where(index) + ": unknown key \"" + key + "\"", key};
  }
}

const char* kActions[] = {"press",   "set",  "remove", "answer", "undo", "redo", "render", "save",
                          "pointer", "drag", "key",    "tool-set", "draw", "view"};

// The arrow keys a script can hold, by name.
struct KeyName {
  const char* name;
  int32_t channel;
};
constexpr KeyName kKeys[] = {{"left", HOST_KEY_LEFT}, {"right", HOST_KEY_RIGHT}, {"up", HOST_KEY_UP}, {"down", HOST_KEY_DOWN}};
constexpr int64_t kMaxKeyMs = 60000;

// Whether `v` is a whole number from lo to hi. The parser keeps numbers above the signed 64-bit
// range as unsigned ones, which must not be read back as negative (2^64 - 1 is not -1).
bool WholeIn(const Json& v, int64_t lo, int64_t hi) {
  if (v.is_number_unsigned()) {
    const uint64_t u = v.get<uint64_t>();
    return hi >= 0 && u <= static_cast<uint64_t>(hi) && (lo <= 0 || u >= static_cast<uint64_t>(lo));
  }
  return v.is_number_integer() && v.get<int64_t>() >= lo && v.get<int64_t>() <= hi;
}

// A whole number within the 32-bit range, or a StepError naming what it is and where.
int32_t ReadInt32(const Json& v, const std::string& what, size_t index, const std::string& field,
                  int64_t lo = INT32_MIN, int64_t hi = INT32_MAX) {
  if (!WholeIn(v, lo, hi)) {
    throw StepError{Where(index) + ": " + what + " must be a whole number from " + std::to_string(lo) + " to " +
                    std::to_string(hi), field};
  }
  return static_cast<int32_t>(v.get<int64_t>());
}

// [a, b] of two numbers (`shape` names them for the message) at `field`; whole numbers when
// `whole`.
std::pair<double, double> ReadPair(const Json& v, const std::string& what, size_t index, const std::string& field,
                                   bool whole, const char* shape = "[x, y]") {
  if (!v.is_array() || v.size() != 2 || !v[0].is_number() || !v[1].is_number() ||
      (whole && (!v[0].is_number_integer() || !v[1].is_number_integer()))) {
    throw StepError{Where(index) + ": " + what + " must be " + shape + (whole ? " in whole pixels" : ""), field};
  }
  if (whole) {
    return {ReadInt32(v[0], what, index, field + "[0]"), ReadInt32(v[1], what, index, field + "[1]")};
  }
  return {v[0].get<double>(), v[1].get<double>()};
}

std::vector<host::PointerMove> ReadMoves(const Json& step, size_t index) {
  std::vector<host::PointerMove> moves;
  if (!step.contains("moves")) return moves;
  const Json& list = step["moves"];
  if (!list.is_array()) throw StepError{Where(index) + ": \"moves\" must be a list of [dx, dy]", "moves"};
  for (size_t k = 0; k < list.size(); ++k) {
    const auto [dx, dy] =
        ReadPair(list[k], "move " + std::to_string(k + 1), index, "moves[" + std::to_string(k) + "]", false, "[dx, dy]");
    moves.push_back(host::PointerMove{dx, dy});
  }
  return moves;
}

struct HeldKey {
  std::string name;
  int32_t channel = 0;
  int64_t ms = 0;
};

std::vector<HeldKey> ReadKeys(const Json& step, size_t index) {
  const Json& list = step["key"];
  if (!list.is_array() || list.empty()) {
    throw StepError{Where(index) + ": \"key\" must be a list such as [{\"key\": \"right\", \"ms\": 250}]", "key"};
  }
  std::vector<HeldKey> keys;
  for (size_t item = 0; item < list.size(); ++item) {
    const Json& k = list[item];
    const std::string field = "key[" + std::to_string(item) + "]";
    if (!k.is_object() || !k.contains("key") || !k["key"].is_string() || !k.contains("ms") || k.size() != 2) {
      throw StepError{Where(index) + ": each key is {\"key\": NAME, \"ms\": TIME}", field};
    }
    HeldKey held;
    held.name = k["key"].get<std::string>();
    for (const KeyName& n : kKeys) {
      if (held.name == n.name) held.channel = n.channel;
    }
    if (held.channel == 0) {
      throw StepError{Where(index) + ": unknown key \"" + held.name + "\"; keys are left, right, up, down", field + ".key"};
    }
    held.ms = ReadInt32(k["ms"], "\"ms\"", index, field + ".ms", 1, kMaxKeyMs);
    keys.push_back(held);
  }
  return keys;
}

// A parameter or button named by number must be one that the host's 32-bit IDs hold.
void ParamKey(const Json& key, size_t index, const std::string& field) {
  if (key.is_number() && !WholeIn(key, INT32_MIN, INT32_MAX)) {
    throw StepError{Where(index) + ": a parameter number must be a whole number from " + std::to_string(INT32_MIN) +
                        " to " + std::to_string(INT32_MAX), field};
  }
}

std::string ActionOf(const Json& step, size_t index) {
  if (!step.is_object()) throw StepError{Where(index) + ": expected an object such as {\"press\": ..., \"node\": ...}"};
  std::string found;
  for (const char* a : kActions) {
    if (step.contains(a)) {
      if (!found.empty()) {
        throw StepError{Where(index) + ": one action per step, found \"" + found + "\" and \"" + a + "\"", a};
      }
      found = a;
    }
  }
  if (found.empty()) {
    throw StepError{Where(index) + ": no action; a step holds one of press, set, remove, answer, undo, redo, render, "
                                   "save, pointer, drag, key, tool-set, draw, view"};
  }
  return found;
}

// Checks every step before the first runs, so that a typo at the end does not leave a half-run
// script behind. `at` is the step being checked when one is refused.
void CheckScript(const Json& steps, size_t& at) {
  for (size_t i = 0; i < steps.size(); ++i) {
    at = i;
    const Json& step = steps[i];
    const std::string action = ActionOf(step, i);
    if (action == "press" || action == "remove") {
      CheckKeys(step, i, {action.c_str(), "node"});
      ReadString(step, "node", i);
      ParamKey(step[action], i, action);
    } else if (action == "set") {
      CheckKeys(step, i, {"set", "node", "value"});
      ReadString(step, "node", i);
      if (!step.contains("value")) throw StepError{Where(i) + ": \"value\" is missing"};
      ParamKey(step["set"], i, "set");
    } else if (action == "answer") {
      CheckKeys(step, i, {"answer", "file"});
      const std::string kind = ReadString(step, "answer", i);
      if (kind == "file") {
        ReadString(step, "file", i);
      } else if (kind != "cancel" && kind != "yes" && kind != "no") {
        throw StepError{Where(i) + ": \"answer\" must be \"file\" (with \"file\"), \"cancel\", \"yes\" or \"no\"", "answer"};
      }
    } else if (action == "undo" || action == "redo") {
      CheckKeys(step, i, {action.c_str()});
      if (!WholeIn(step[action], 1, 1000)) {
        throw StepError{Where(i) + ": \"" + action + "\" takes a count of steps from 1 to 1000", action};
      }
    } else if (action == "render") {
      CheckKeys(step, i, {"render", "size"});
      std::string error;
      if (!host::CanWriteImageType(ReadString(step, "render", i), error)) throw StepError{Where(i) + ": " + error, "render"};
      if (step.contains("size")) {
        int32_t w = 0, h = 0;
        if (!step["size"].is_string() || !host::ParsePictureSize(step["size"].get<std::string>(), w, h, error)) {
          throw StepError{Where(i) + ": \"size\": " + (error.empty() ? std::string("expected WIDTHxHEIGHT") : error), "size"};
        }
      }
    } else if (action == "pointer") {
      CheckKeys(step, i, {"pointer"});
      if (!(step["pointer"].is_string() && step["pointer"].get<std::string>() == "leave")) {
        ReadPair(step["pointer"], "\"pointer\"", i, "pointer", false);
      }
    } else if (action == "drag") {
      CheckKeys(step, i, {"drag", "moves"});
      ReadPair(step["drag"], "\"drag\"", i, "drag", true);
      ReadMoves(step, i);
    } else if (action == "key") {
      CheckKeys(step, i, {"key"});
      ReadKeys(step, i);
    } else if (action == "tool-set") {
      CheckKeys(step, i, {"tool-set", "value"});
      if (!step["tool-set"].is_string() && !step["tool-set"].is_number_integer()) {
        throw StepError{Where(i) + ": \"tool-set\" names a tool setting by its symbol or number", "tool-set"};
      }
      if (step["tool-set"].is_number()) ReadInt32(step["tool-set"], "\"tool-set\"", i, "tool-set");
      if (!step.contains("value")) throw StepError{Where(i) + ": \"value\" is missing"};
    } else if (action == "draw") {
      CheckKeys(step, i, {"draw", "log"});
      const std::string file = ReadString(step, "draw", i);
      if (std::filesystem::path(file).extension() != ".png") throw StepError{Where(i) + ": \"draw\" writes a .png file", "draw"};
      if (step.contains("log")) ReadString(step, "log", i);
    } else if (action == "view") {
      CheckKeys(step, i, {"view"});
      const Json& v = step["view"];
      if (!v.is_array() || v.size() != 2) throw StepError{Where(i) + ": \"view\" must be [width, height]", "view"};
      ReadInt32(v[0], "the view's width", i, "view[0]", 0, host::kMaxViewSide);
      ReadInt32(v[1], "the view's height", i, "view[1]", 0, host::kMaxViewSide);
    } else {
      CheckKeys(step, i, {"save"});
      ReadString(step, "save", i);
    }
  }
}

// ---- running steps ------------------------------------------------------------------------------

class EditSession {
 public:
  EditSession(host::Host& h, host::Scene& scene, bool verbose) : host_(h), scene_(scene), verbose_(verbose) {}

  // False when the step failed; the reason has been printed.
  bool Run(const Json& step, size_t index) {
    const std::string action = ActionOf(step, index);
    const DocumentState before = StateOf(scene_.document);
    const size_t dialogsBefore = host_.GetDialogs().Shown().size();
    const size_t logBefore = host_.Log().size();
    host_.ClearEvents();
    bool ok = true;
    std::printf("%s: ", Where(index).c_str());
    if (action == "press") ok = Press(step, index);
    else if (action == "remove") ok = RemoveEntry(step, index);
    else if (action == "set") ok = Set(step, index);
    else if (action == "answer") ok = Answer(step);
    else if (action == "undo" || action == "redo") ok = UndoRedo(action == "undo", step[action].get<int>());
    else if (action == "render") ok = RenderStep(step);
    else if (action == "pointer") ok = Pointer(step);
    else if (action == "drag") ok = Drag(step, index);
    else if (action == "key") ok = Keys(step, index);
    else if (action == "tool-set") ok = ToolSet(step, index);
    else if (action == "draw") ok = DrawStep(step);
    else if (action == "view") ok = ViewStep(step);
    else ok = Save(step["save"].get<std::string>());
    host::ClearStatus();
    std::fflush(stdout);
    PrintChanges(before, StateOf(scene_.document), host_.GetRegistry());
    const auto& shown = host_.GetDialogs().Shown();
    for (size_t d = dialogsBefore; d < shown.size(); ++d) {
      const host::DialogRecord& r = shown[d];
      if (r.kind == host::DialogRecord::Kind::Message) {
        // A module shows a message when something went wrong that the user must hear about.
        std::printf("  message shown: %s\n", r.title.c_str());
        ok = false;
      } else {
        std::printf("  %s \"%s\": %s%s\n", r.kind == host::DialogRecord::Kind::Question ? "question" : "file dialog",
                    r.title.c_str(), r.answer.c_str(), r.scripted ? " (scripted)" : "");
        if (r.kind == host::DialogRecord::Kind::FileSelect && r.chosen) SayIfMissing(r);
      }
    }
    // What the host noted while the plug-ins worked (a folder it could not read, a picture it
    // could not make or save) is the reason behind what they report, or say nothing about.
    for (size_t l = logBefore; l < host_.Log().size(); ++l) {
      std::printf("  host: %s\n", host::PrintableText(host_.Log()[l], true).c_str());
    }
    if (verbose_) {
      for (const auto& e : host_.Events()) {
        if (e.kind == host::Host::Event::Kind::Special) {
          std::printf("  host event %s (%lld, %lld)\n", EventName(e.flags).c_str(), static_cast<long long>(e.p1),
                      static_cast<long long>(e.p2));
        } else {
          std::printf("  %s (flags %d)\n", e.kind == host::Host::Event::Kind::Update ? "update event" : "redraw request",
                      e.flags);
        }
      }
    }
    return ok;
  }

  // Before anything runs: the button a press names and the parameter and value a set gives,
  // where the plug-in's description tells them for a node the document holds now. Entries a
  // plug-in shows only at run time are checked when their step runs, and so are the links after
  // a button press, whose targets the press may make.
  void CheckAhead(const Json& step, size_t index, bool afterPress) {
    const std::string action = ActionOf(step, index);
    if (action != "press" && action != "set") return;
    HostNode* node = host::FindByName(scene_.document, step["node"].get<std::string>());
    if (!node) return;
    const host::DescElement* element = nullptr;
    ParamId(step, action, node, index, element);
    if (!element) return;
    if (action == "press") {
      if (element->kind != "BUTTON") {
        throw StepError{Where(index) + ": " + element->symbol + " of " + NodeLabel(*node) + " is not a button", "press"};
      }
      return;
    }
    ElementValue(*element, step["value"], index, "parameter", !afterPress);
  }

 private:
  // A plug-in that opens a file or folder the user chose expects it to be there: one that is
  // not (a script run from another folder) would otherwise read as nothing to do.
  static void SayIfMissing(const host::DialogRecord& r) {
    if (r.mode != HOST_FILESELECT_LOAD && r.mode != HOST_FILESELECT_DIRECTORY) return;
    const std::filesystem::path chosen(std::u8string(r.answer.begin(), r.answer.end()));
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(chosen, ec);
    const bool folder = r.mode == HOST_FILESELECT_DIRECTORY;
    if (std::filesystem::exists(status) && (!folder || std::filesystem::is_directory(status))) return;
    std::string where;
    if (chosen.is_relative()) {
      const std::u8string cwd = std::filesystem::current_path(ec).u8string();
      where = " (relative to the working folder " + std::string(cwd.begin(), cwd.end()) + ")";
    }
    std::printf("  %s: %s%s\n", host::PrintableText(r.answer, true).c_str(),
                !std::filesystem::exists(status) ? (folder ? "no such folder" : "no such file") : "not a folder",
                host::PrintableText(where, true).c_str());
  }

  HostNode* Node(const Json& step, size_t index) {
    const std::string name = step["node"].get<std::string>();
    HostNode* node = host::FindByName(scene_.document, name);
    if (!node) throw StepError{Where(index) + ": " + UnknownNode(scene_.document, name), "node"};
    return node;
  }

  const host::Description* DescriptionOf(const HostNode* node) const {
    if (!node->plugin) return nullptr;
    const host::PluginRecord* p = host_.GetRegistry().Find(node->type);
    return p ? p->description.get() : nullptr;
  }

  // A parameter or button by symbol or by number.
  // The one step[action] names; faults point at it.
  int32_t ParamId(const Json& step, const std::string& action, const HostNode* node, size_t index,
                  const host::DescElement*& element) {
    const Json& key = step[action];
    const host::Description* d = DescriptionOf(node);
    element = nullptr;
    if (key.is_number()) {
      ParamKey(key, index, action);
      const auto id = static_cast<int32_t>(key.get<int64_t>());
      if (d) element = d->Find(id);
      return id;
    }
    if (!key.is_string()) throw StepError{Where(index) + ": a parameter is named by its symbol or its number", action};
    const std::string text = key.get<std::string>();
    if (d) element = d->FindSymbol(text);
    if (element) return element->id;
    try {
      size_t used = 0;
      const long long id = std::stoll(text, &used);
      if (used == text.size() && id >= INT32_MIN && id <= INT32_MAX) {
        if (d) element = d->Find(static_cast<int32_t>(id));
        return static_cast<int32_t>(id);
      }
    } catch (const std::exception&) {
    }
    throw StepError{Where(index) + ": " + NodeLabel(*node) + " has no parameter \"" + text + "\"", action};
  }

  bool Press(const Json& step, size_t index) {
    HostNode* node = Node(step, index);
    const host::DescElement* element = nullptr;
    const int32_t id = ParamId(step, "press", node, index, element);
    if (element && element->kind != "BUTTON") {
      throw StepError{Where(index) + ": " + element->symbol + " of " + NodeLabel(*node) + " is not a button"};
    }
    std::printf("pressed %s of %s\n", ParamName(node, id, host_.GetRegistry()).c_str(), NodeLabel(*node).c_str());
    const int32_t toolBefore = host_.ActiveTool();
    host::PressButton(node, id);
    if (host_.ActiveTool() != toolBefore) {
      const host::PluginRecord* tool = host_.GetRegistry().Find(host_.ActiveTool());
      std::printf("  started tool \"%s\" (%d)%s\n", tool ? tool->name.c_str() : "?", host_.ActiveTool(),
                  host_.ToolStarted() ? "" : "; it could not start (InitTool answered false)");
    }
    return true;
  }

  // ---- the active tool in the view ----

  // Says why a tool operation did not run; false then.
  static bool Called(host::Host::ToolAnswer answer, const char* operation) {
    if (answer == host::Host::ToolAnswer::NoTool) {
      std::printf("  no tool is active\n");
      return false;
    }
    if (answer == host::Host::ToolAnswer::NotOffered) {
      std::printf("  the active tool has no %s\n", operation);
      return false;
    }
    return true;
  }

  bool Pointer(const Json& step) {
    const bool leaving = step["pointer"].is_string();
    double x = 0.0, y = 0.0;
    if (leaving) {
      std::printf("pointer leaves the view\n");
    } else {
      x = step["pointer"][0].get<double>();
      y = step["pointer"][1].get<double>();
      std::printf("pointer at (%s, %s)\n", Real(x).c_str(), Real(y).c_str());
    }
    HostContainer result;
    if (!Called(host_.ToolCursorInfo(x, y, leaving, result), "cursor query")) return false;
    const HostData* cursor = result.Find(HOST_RESULT_CURSOR);
    if (!cursor || cursor->type != HOST_DA_LONG) {
      std::printf("  cursor unchanged\n");
    } else {
      const char* name = cursor->i32 == HOST_CURSOR_POINT_HAND ? " (pointing hand)"
                         : cursor->i32 == HOST_CURSOR_ARROW    ? " (arrow)"
                                                               : "";
      std::printf("  cursor %d%s\n", cursor->i32, name);
    }
    return true;
  }

  bool Drag(const Json& step, size_t index) {
    const auto [x, y] = ReadPair(step["drag"], "\"drag\"", index, "drag", true);
    std::vector<host::PointerMove> moves = ReadMoves(step, index);
    const size_t count = moves.size();
    std::printf("mouse pressed at (%d, %d), %zu move%s\n", static_cast<int32_t>(x), static_cast<int32_t>(y), count,
                count == 1 ? "" : "s");
    host_.Input().SetPointerPath(std::move(moves));
    host_.Input().DragLog().clear();
    const host::Host::ToolAnswer answer = host_.ToolMouseInput(static_cast<int32_t>(x), static_cast<int32_t>(y));
    host_.Input().SetPointerPath({});
    if (verbose_) {
      for (const std::string& line : host_.Input().DragLog()) std::printf("  %s\n", line.c_str());
    }
    return Called(answer, "mouse input");
  }

  bool Keys(const Json& step, size_t index) {
    const std::vector<HeldKey> keys = ReadKeys(step, index);
    host::InputState& input = host_.Input();
    const int64_t start = input.NowMs();
    std::printf("holding");
    for (const HeldKey& k : keys) {
      std::printf(" %s for %lld ms", k.name.c_str(), static_cast<long long>(k.ms));
      input.HoldKey(k.channel, k.ms);
    }
    std::printf("\n");
    // The view hands the tool a key press, and again for as long as a key stays down, as key
    // repeat does. A call that polls nothing still takes a millisecond, so the loop ends.
    int64_t calls = 0, used = 0;
    bool ok = true;
    while (input.AnyKeyHeld()) {
      const int64_t before = input.NowMs();
      const host::Host::ToolAnswer answer = host_.ToolKeyboardInput();
      if (!Called(answer, "keyboard input")) {
        ok = false;
        break;
      }
      calls++;
      if (answer == host::Host::ToolAnswer::False) {
        std::printf("  the tool declined the key\n");
        break;
      }
      used++;
      if (input.NowMs() == before) input.AdvanceMs(1);
    }
    input.ReleaseKeys();
    if (ok) {
      std::printf("  %lld key press%s, %lld used, %lld ms on the clock\n", static_cast<long long>(calls),
                  calls == 1 ? "" : "es", static_cast<long long>(used), static_cast<long long>(input.NowMs() - start));
    }
    return ok;
  }

  bool ToolSet(const Json& step, size_t index) {
    const host::PluginRecord* tool = host_.GetRegistry().Find(host_.ActiveTool());
    if (!tool || tool->pluginType != HOST_PLUGINTYPE_TOOL) {
      std::printf("tool setting %s\n  no tool is active\n", step["tool-set"].dump().c_str());
      return false;
    }
    const host::Description* d = tool->description.get();
    const Json& key = step["tool-set"];
    const host::DescElement* element = nullptr;
    int32_t id = 0;
    if (key.is_number_integer()) {
      id = ReadInt32(key, "\"tool-set\"", index, "tool-set");
      if (d) element = d->Find(id);
    } else if (d) {
      element = d->FindSymbol(key.get<std::string>());
      if (element) id = element->id;
    }
    if (!element) throw StepError{Where(index) + ": the tool \"" + tool->name + "\" has no setting " + key.dump()};
    const HostData value = ElementValue(*element, step["value"], index, "setting", true);
    HostContainer* settings = host_.ToolSettings(host_.ActiveTool());
    const HostData* old = settings ? settings->Find(id) : nullptr;
    const std::string was = old ? ValueText(*old) : "nothing";
    std::printf("set tool setting %s (%d)\n", element->symbol.c_str(), id);
    const host::Host::ToolAnswer answer = host_.ToolSetParameter(id, value);
    if (!Called(answer, "settings")) return false;
    if (answer == host::Host::ToolAnswer::False) {
      std::printf("  the tool refused the value\n");
      return false;
    }
    const HostData* now = settings ? settings->Find(id) : nullptr;
    std::printf("  tool setting %s: %s -> %s\n", element->symbol.c_str(), was.c_str(), now ? ValueText(*now).c_str() : "nothing");
    return true;
  }

  bool DrawStep(const Json& step) {
    const std::string file = step["draw"].get<std::string>();
    int32_t result = 0;
    std::printf("drew the view\n");
    // A view is drawn with or without a tool in it, as the application redraws its views.
    const host::Host::ToolAnswer answer = host_.ToolDraw(HOST_TOOLDRAW_NONE, result);
    host::View* view = host_.ToolView();
    if (!view) {
      std::printf("  the document has no view\n");
      return false;
    }
    if (answer != host::Host::ToolAnswer::True) {
      view->ClearRecord();
      std::printf("  %s\n", answer == host::Host::ToolAnswer::NoTool ? "no tool is active" : "the active tool does not draw");
    }
    std::string error;
    if (step.contains("log")) {
      const std::string logFile = step["log"].get<std::string>();
      std::string text;
      for (const std::string& line : view->LogLines()) text += line + "\n";
      if (!host::WriteFileAtomically(logFile, text.data(), text.size(), error)) {
        std::printf("  %s\n", error.c_str());
        return false;
      }
      std::printf("  %zu call%s logged to %s\n", view->LogLines().size(), view->LogLines().size() == 1 ? "" : "s",
                  logFile.c_str());
    }
#if OMBREL_HOST_VIEW_PICTURES
    if (!host::WriteViewPicture(*view, file, error)) {
      std::printf("  %s\n", error.c_str());
      return false;
    }
    std::printf("  %dx%d picture written to %s\n", view->Width(), view->Height(), file.c_str());
    return true;
#else
    std::printf("  %s: this host is built without the image library, which view pictures need "
                "(the draw log is written all the same)\n", file.c_str());
    return false;
#endif
  }

  bool ViewStep(const Json& step) {
    const int32_t w = step["view"][0].get<int32_t>();
    const int32_t h = step["view"][1].get<int32_t>();
    host::View* view = host_.ToolView();
    if (!view) {
      std::printf("the document has no view\n");
      return false;
    }
    view->SetFrame(0, 0, w, h);
    std::printf("view sized to %dx%d\n", w, h);
    return true;
  }

  // The user removes an entry of the node's interface (message 24), as its panel offers for
  // entries a plug-in marks removable.
  bool RemoveEntry(const Json& step, size_t index) {
    HostNode* node = Node(step, index);
    const host::DescElement* element = nullptr;
    const int32_t id = ParamId(step, "remove", node, index, element);
    std::string error;
    std::printf("removed entry %s of %s\n", ParamName(node, id, host_.GetRegistry()).c_str(), NodeLabel(*node).c_str());
    if (!host::RemoveInterfaceEntry(node, host_.GetRegistry(), id, error)) {
      throw StepError{Where(index) + ": " + NodeLabel(*node) + ": " + error};
    }
    return true;
  }

  HostData LinkValue(const Json& v, size_t index) {
    HostData d;
    d.type = HOST_DA_LINK;
    if (v.is_null()) return d;
    const Json& name = v.is_object() && v.contains("link") ? v["link"] : v;
    if (!name.is_string()) throw StepError{Where(index) + ": a link is a node's name, {\"link\": name} or null"};
    HostNode* target = host::FindByName(scene_.document, name.get<std::string>());
    if (!target) throw StepError{Where(index) + ": " + UnknownNode(scene_.document, name.get<std::string>()), "value"};
    d.linkSerial = target->serial;
    return d;
  }

  bool ShowsLink(HostNode* node, int32_t id) const {
    const std::unique_ptr<HostDescription> live = host::LiveDescriptionOf(node, host_.GetRegistry());
    if (!live) return false;
    for (const auto& e : live->entries) {
      if (e.id.depth == 1 && e.id.level[0].id == id && e.id.level[0].dtype == HOST_DA_LINK) return true;
    }
    return false;
  }

  bool Set(const Json& step, size_t index) {
    HostNode* node = Node(step, index);
    const host::DescElement* element = nullptr;
    const int32_t id = ParamId(step, "set", node, index, element);
    const Json& v = step["value"];
    HostData value;
    try {
      if (element) {
        value = ElementValue(*element, v, index, "parameter", true);
      } else if (DescriptionOf(node)) {
        // Links the plug-in adds to its interface at run time are set like any link.
        if (!ShowsLink(node, id)) {
          throw StepError{Where(index) + ": " + NodeLabel(*node) + " has no parameter " + std::to_string(id)};
        }
        value = LinkValue(v, index);
      } else if (v.is_object() || v.is_null()) {
        value = LinkValue(v, index);
      } else {
        value = host::scenefile::ReadUntypedValue(v, "value");
      }
    } catch (const host::scenefile::SceneFileError& e) {
      throw StepError{Where(index) + ": \"value\": " + e.what(), "value"};
    }
    std::printf("set %s of %s\n", ParamName(node, id, host_.GetRegistry()).c_str(), NodeLabel(*node).c_str());
    if (!host::EditParameter(host_, node, id, value)) {
      std::printf("  the plug-in refused the value\n");
      return false;
    }
    return true;
  }

  // The value a user gives a parameter or tool setting of the plug-in's description; a link's
  // target is looked up only with `links` (before a button press may make it).
  HostData ElementValue(const host::DescElement& element, const Json& v, size_t index, const char* what, bool links) {
    const auto kind = host::scenefile::SettableKind(element);
    if (!kind) throw StepError{Where(index) + ": " + element.symbol + " is not a " + what + " a user sets", "value"};
    if (*kind == host::scenefile::ParamKind::Link || *kind == host::scenefile::ParamKind::ShaderLink) {
      return links ? LinkValue(v, index) : HostData{};
    }
    try {
      return host::scenefile::ReadParamValue(*kind, v, "value");
    } catch (const host::scenefile::SceneFileError& e) {
      throw StepError{Where(index) + ": \"value\": " + e.what(), "value"};
    }
  }

  bool Answer(const Json& step) {
    const std::string kind = step["answer"].get<std::string>();
    if (kind == "file") {
      host_.GetDialogs().Queue(host::DialogAnswer::Chosen(step["file"].get<std::string>()));
      std::printf("queued \"%s\" for the next dialog\n", step["file"].get<std::string>().c_str());
    } else {
      host::DialogAnswer a;
      a.kind = kind == "yes" ? host::DialogAnswer::Kind::Yes : kind == "no" ? host::DialogAnswer::Kind::No
                                                                            : host::DialogAnswer::Kind::Cancel;
      host_.GetDialogs().Queue(a);
      std::printf("queued \"%s\" for the next dialog\n", kind.c_str());
    }
    return true;
  }

  bool UndoRedo(bool undo, int count) {
    host::UndoHistory* history = host::HistoryOf(scene_.document);
    int done = 0;
    for (; done < count; ++done) {
      if (!(undo ? history->Undo() : history->Redo())) break;
    }
    std::printf("%s %d step%s", undo ? "undid" : "redid", done, done == 1 ? "" : "s");
    if (done < count) {
      std::printf("; nothing more to %s\n", undo ? "undo" : "redo");
      return false;
    }
    std::printf("\n");
    if (done > 0) host_.NoteSceneChanged(0);
    return true;
  }

  bool RenderStep(const Json& step) {
    host::RenderOptions options;
    std::string error;
    if (step.contains("size")) host::ParsePictureSize(step["size"].get<std::string>(), options.width, options.height, error);
    options.progress = false;
    // Objects made while editing render too, in document order.
    scene_.objects = host::AllObjects(scene_.document);
    host::FloatImage image;
    host::RenderReport report;
    const std::string file = step["render"].get<std::string>();
    host_.SetUpFailures().clear();
    const size_t logBefore = host_.Log().size();
    if (!host::Render(scene_, options, image, report, error) || !host::WriteImage(image, file, error)) {
      std::printf("render failed: %s\n", error.c_str());
      return false;
    }
    std::printf("rendered %dx%d to %s\n", report.width, report.height, file.c_str());
    // The picture lacks what an input that failed its set-up would have given: named as the
    // render command names it.
    ReportSetUpFailures(host_, scene_, "rendered", CalledByRender(report));
    // The reasons the host noted in the set-ups are in that report already.
    host_.Log().resize(std::min(host_.Log().size(), logBefore));
    return true;
  }

  bool Save(const std::string& file) {
    std::vector<std::string> notes;
    std::string error;
    if (!host::WriteSceneFile(host_, scene_, file, notes, error)) {
      std::printf("save failed: %s\n", error.c_str());
      return false;
    }
    std::printf("saved the scene to %s\n", file.c_str());
    for (const auto& n : notes) std::printf("  note: %s\n", n.c_str());
    return true;
  }

  host::Host& host_;
  host::Scene& scene_;
  bool verbose_;
};

// The script's file, then every step's form; `error` gives the file, line and column.
bool ReadScript(const std::string& file, EditScript& script, std::string& error) {
  if (!ReadEditScript(file, script, error)) return false;
  size_t at = 0;
  try {
    CheckScript(script.steps, at);
  } catch (const StepError& e) {
    error = script.Where(at, e.field) + ": " + e.message;
    return false;
  }
  return true;
}

// Buttons are how plug-ins make named nodes (the transform shader's preview cube); other steps
// add only unnamed ones (pictures an import or an atlas reads), which no step can name, or bring
// back with undo what the document held before.
bool MayAddNamedNodes(const std::string& action) { return action == "press"; }

// The node each step acts on must be in the document before anything runs, so that a typo does
// not leave a half-run script; a name that a button pressed before its step may still make is
// looked up when its step runs.
bool CheckNodeNames(const EditScript& script, HostNode* doc, std::string& error) {
  bool mayHaveAdded = false;
  for (size_t i = 0; i < script.steps.size(); ++i) {
    const Json& step = script.steps[i];
    const std::string action = ActionOf(step, i);
    if (step.contains("node") && !mayHaveAdded) {
      const std::string& name = step["node"].get_ref<const std::string&>();
      if (!host::FindByName(doc, name)) {
        error = script.Where(i, "node") + ": " + Where(i) + ": " + UnknownNode(doc, name);
        return false;
      }
    }
    mayHaveAdded = mayHaveAdded || MayAddNamedNodes(action);
  }
  return true;
}

}  // namespace

int RunEdit(const ModuleArgs& args, const EditArgs& edit) {
  EditScript script;
  std::string error;
  if (!ReadScript(edit.script, script, error)) {
    ReportText(error);
    return kExitUsage;
  }
  const Json& steps = script.steps;
  // A scene file that could never be written there is refused before the edits it would lose.
  if (!edit.output.empty() && !host::CanWriteFileAt(edit.output, error)) {
    ReportText(error);
    return kExitUsage;
  }
  ModuleSession session(args);
  if (!session.Ok()) return kExitFailed;
  host::Host& h = session.Host();
  host::Scene scene;
  if (!host::LoadSceneFile(h, edit.scene, scene, error)) {
    ReportText(error);
    return kExitFailed;
  }
  {
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::absolute(edit.scene, ec).parent_path();
    const std::u8string u8 = folder.u8string();
    host::SetDocumentSettings(scene.document, std::string(u8.begin(), u8.end()), static_cast<int32_t>(std::min(scene.settings.fps, 1e6)),
                              scene.settings.time);
  }
  if (!CheckNodeNames(script, scene.document, error)) {
    ReportText(error);
    return kExitFailed;
  }

  // Keys, drags and the clock follow the script from here on.
  h.Input().BeginScript();
  EditSession session2(h, scene, edit.verbose);
  bool afterPress = false;
  for (size_t i = 0; i < steps.size(); ++i) {
    try {
      session2.CheckAhead(steps[i], i, afterPress);
    } catch (const StepError& e) {
      Report("%s: %s", script.Where(i, e.field).c_str(), e.message.c_str());
      return kExitFailed;
    }
    afterPress = afterPress || ActionOf(steps[i], i) == "press";
  }
  int status = kExitOk;
  for (size_t i = 0; i < steps.size(); ++i) {
    bool ok = false;
    try {
      ok = session2.Run(steps[i], i);
    } catch (const StepError& e) {
      std::printf("\n");
      Report("%s: %s", script.Where(i, e.field).c_str(), e.message.c_str());
      return kExitFailed;
    }
    if (!ok) {
      Report("%s: %s failed; the steps after it were not run", script.Where(i).c_str(), Where(i).c_str());
      status = kExitFailed;
      break;
    }
  }
  if (h.GetDialogs().Queued() > 0) {
    Report("%zu queued dialog answer%s left unused", h.GetDialogs().Queued(),
           h.GetDialogs().Queued() == 1 ? " was" : "s were");
  }
  if (status == kExitOk && !edit.output.empty()) {
    std::vector<std::string> notes;
    if (!host::WriteSceneFile(h, scene, edit.output, notes, error)) {
      ReportText(error);
      return kExitFailed;
    }
    for (const auto& n : notes) Report("%s: %s", edit.output.c_str(), n.c_str());
    std::printf("saved the scene to %s\n", edit.output.c_str());
  }
  return status;
}

Subcommand AddEditCommand(CLI::App& app) {
  struct State {
    ModuleArgs module;
    EditArgs edit;
  };
  auto state = std::make_shared<State>();
  EditArgs& e = state->edit;
  CLI::App* command = app.add_subcommand("edit", "run a script of edits (buttons, parameters, dialogs, undo) on a scene");
  command->add_option("scene", e.scene, "scene file")->required();
  command->add_option("--script", e.script, "the steps, a JSON file (docs/editing.md)")->required();
  AddOutputOption(command, e.output, "write the edited scene to this scene file");
  command->add_flag("--verbose", e.verbose, "also show update events and redraw requests");
  AddModuleOptions(command, state->module);
  return {command, [state] { return RunEdit(state->module, state->edit); }};
}

}  // namespace ombrel::cli
