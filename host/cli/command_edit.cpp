// ombrel-host edit: loads a scene and runs a script of edits on it as a user would make them
// in the application: button presses, parameter edits, dialog answers, undo and redo, renders
// and saves. The step format is documented in docs/editing.md.
#include <memory>
#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli_app.h"
#include "cli_report.h"
#include "commands.h"
#include "core/editing.h"
#include "core/families.h"
#include "core/live_description.h"
#include "core/undo.h"
#include "image/image_writer.h"
#include "module_session.h"
#include "render/renderer.h"
#include "resources/description.h"
#include "scenefile/parameter_values.h"
#include "scenefile/scene_file.h"
#include "scenefile/scene_writer.h"

namespace ombrel::cli {

namespace {

using Json = nlohmann::ordered_json;

// A fault of the script or of one step: what the user reads, then the command stops.
struct StepError {
  std::string message;
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
  std::vector<std::pair<int32_t, std::string>> values;
};
using DocumentState = std::map<uint64_t, NodeState>;

std::string NodeLabel(const HostNode& node) {
  const char* kind = node.kind == NodeKind::Object ? "object" : node.kind == NodeKind::Material ? "material"
                     : node.kind == NodeKind::Tag  ? "tag"
                                                   : "shader";
  return std::string(kind) + " \"" + node.name + "\"";
}

std::string ValueText(const HostData& d) {
  switch (d.type) {
    case HOST_DA_LONG: return std::to_string(d.i32);
    case HOST_DA_REAL:
    case HOST_DA_TIME: return Real(d.real);
    case HOST_DA_VECTOR: return "(" + Real(d.vec.x) + ", " + Real(d.vec.y) + ", " + Real(d.vec.z) + ")";
    case HOST_DA_STRING:
    case HOST_DA_FILENAME: return "\"" + d.text + "\"";
    case HOST_DA_LINK: {
      if (d.linkSerial == 0) return "no link";
      const HostNode* target = host::FindLiveNode(d.linkSerial);
      return target ? "link to " + NodeLabel(*target) : "link to a node that is gone";
    }
    case HOST_DA_NIL: return "nothing";
    default: return "custom data " + std::to_string(d.CustomType());
  }
}

void Collect(const HostNode& node, DocumentState& state) {
  if (node.kind != NodeKind::Document) {
    NodeState& s = state[node.serial];
    s.label = NodeLabel(node);
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
      std::printf("  added %s\n", state.label.c_str());
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
    if (!after.count(serial)) std::printf("  removed %s\n", state.label.c_str());
  }
}

// ---- reading steps ------------------------------------------------------------------------------

std::string Where(size_t index) { return "step " + std::to_string(index + 1); }

std::string ReadString(const Json& step, const char* key, size_t index) {
  if (!step.contains(key) || !step[key].is_string() || step[key].get<std::string>().empty()) {
    throw StepError{Where(index) + ": \"" + key + "\" must be a non-empty string"};
  }
  return step[key].get<std::string>();
}

void CheckKeys(const Json& step, size_t index, std::initializer_list<const char*> allowed) {
  for (const auto& [key, value] : step.items()) {
    bool known = false;
    for (const char* a : allowed) known = known || key == a;
    if (!known) throw StepError{Where(index) + ": unknown key \"" + key + "\""};
  }
}

const char* kActions[] = {"press", "set", "remove", "answer", "undo", "redo", "render", "save"};

std::string ActionOf(const Json& step, size_t index) {
  if (!step.is_object()) throw StepError{Where(index) + ": expected an object such as {\"press\": ..., \"node\": ...}"};
  std::string found;
  for (const char* a : kActions) {
    if (step.contains(a)) {
      if (!found.empty()) throw StepError{Where(index) + ": one action per step, found \"" + found + "\" and \"" + a + "\""};
      found = a;
    }
  }
  if (found.empty()) {
    throw StepError{Where(index) + ": no action; a step holds one of press, set, remove, answer, undo, redo, render, save"};
  }
  return found;
}

// Checks every step before the first runs, so that a typo at the end does not leave a half-run
// script behind.
void CheckScript(const Json& steps) {
  for (size_t i = 0; i < steps.size(); ++i) {
    const Json& step = steps[i];
    const std::string action = ActionOf(step, i);
    if (action == "press" || action == "remove") {
      CheckKeys(step, i, {action.c_str(), "node"});
      ReadString(step, "node", i);
    } else if (action == "set") {
      CheckKeys(step, i, {"set", "node", "value"});
      ReadString(step, "node", i);
      if (!step.contains("value")) throw StepError{Where(i) + ": \"value\" is missing"};
    } else if (action == "answer") {
      CheckKeys(step, i, {"answer", "file"});
      const std::string kind = ReadString(step, "answer", i);
      if (kind == "file") {
        ReadString(step, "file", i);
      } else if (kind != "cancel" && kind != "yes" && kind != "no") {
        throw StepError{Where(i) + ": \"answer\" must be \"file\" (with \"file\"), \"cancel\", \"yes\" or \"no\""};
      }
    } else if (action == "undo" || action == "redo") {
      CheckKeys(step, i, {action.c_str()});
      const Json& n = step[action];
      if (!n.is_number_integer() || n.get<int64_t>() < 1 || n.get<int64_t>() > 1000) {
        throw StepError{Where(i) + ": \"" + action + "\" takes a count of steps from 1 to 1000"};
      }
    } else if (action == "render") {
      CheckKeys(step, i, {"render", "size"});
      std::string error;
      if (!host::CanWriteImageType(ReadString(step, "render", i), error)) throw StepError{Where(i) + ": " + error};
      if (step.contains("size")) {
        int32_t w = 0, h = 0;
        if (!step["size"].is_string() || !host::ParsePictureSize(step["size"].get<std::string>(), w, h, error)) {
          throw StepError{Where(i) + ": \"size\": " + (error.empty() ? std::string("expected WIDTHxHEIGHT") : error)};
        }
      }
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
    host_.ClearEvents();
    bool ok = true;
    std::printf("%s: ", Where(index).c_str());
    if (action == "press") ok = Press(step, index);
    else if (action == "remove") ok = RemoveEntry(step, index);
    else if (action == "set") ok = Set(step, index);
    else if (action == "answer") ok = Answer(step);
    else if (action == "undo" || action == "redo") ok = UndoRedo(action == "undo", step[action].get<int>());
    else if (action == "render") ok = RenderStep(step);
    else ok = Save(step["save"].get<std::string>());
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
      }
    }
    if (verbose_) {
      for (const auto& e : host_.Events()) {
        std::printf("  %s (flags %d)\n", e.kind == host::Host::Event::Kind::Update ? "update event" : "redraw request", e.flags);
      }
    }
    return ok;
  }

 private:
  HostNode* Node(const Json& step, size_t index) {
    const std::string name = step["node"].get<std::string>();
    HostNode* node = host::FindByName(scene_.document, name);
    if (!node) throw StepError{Where(index) + ": the document has no node named \"" + name + "\""};
    return node;
  }

  const host::Description* DescriptionOf(const HostNode* node) const {
    if (!node->plugin) return nullptr;
    const host::PluginRecord* p = host_.GetRegistry().Find(node->type);
    return p ? p->description.get() : nullptr;
  }

  // A parameter or button by symbol or by number.
  int32_t ParamId(const Json& key, const HostNode* node, size_t index, const host::DescElement*& element) {
    const host::Description* d = DescriptionOf(node);
    element = nullptr;
    if (key.is_number_integer()) {
      const int64_t id = key.get<int64_t>();
      if (id < INT32_MIN || id > INT32_MAX) throw StepError{Where(index) + ": parameter number out of range"};
      if (d) element = d->Find(static_cast<int32_t>(id));
      return static_cast<int32_t>(id);
    }
    if (!key.is_string()) throw StepError{Where(index) + ": a parameter is named by its symbol or its number"};
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
    throw StepError{Where(index) + ": " + NodeLabel(*node) + " has no parameter \"" + text + "\""};
  }

  bool Press(const Json& step, size_t index) {
    HostNode* node = Node(step, index);
    const host::DescElement* element = nullptr;
    const int32_t id = ParamId(step["press"], node, index, element);
    if (element && element->kind != "BUTTON") {
      throw StepError{Where(index) + ": " + element->symbol + " of " + NodeLabel(*node) + " is not a button"};
    }
    std::printf("pressed %s of %s\n", ParamName(node, id, host_.GetRegistry()).c_str(), NodeLabel(*node).c_str());
    host::PressButton(node, id);
    return true;
  }

  // The user removes an entry of the node's interface (message 24), as its panel offers for
  // entries a plug-in marks removable.
  bool RemoveEntry(const Json& step, size_t index) {
    HostNode* node = Node(step, index);
    const host::DescElement* element = nullptr;
    const int32_t id = ParamId(step["remove"], node, index, element);
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
    if (!target) throw StepError{Where(index) + ": the document has no node named \"" + name.get<std::string>() + "\""};
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
    const int32_t id = ParamId(step["set"], node, index, element);
    const Json& v = step["value"];
    HostData value;
    try {
      if (element) {
        const auto kind = host::scenefile::SettableKind(*element);
        if (!kind) throw StepError{Where(index) + ": " + element->symbol + " is not a parameter a user sets"};
        if (*kind == host::scenefile::ParamKind::Link || *kind == host::scenefile::ParamKind::ShaderLink) {
          value = LinkValue(v, index);
        } else {
          value = host::scenefile::ReadParamValue(*kind, v, "value");
        }
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
      throw StepError{Where(index) + ": \"value\": " + e.what()};
    }
    std::printf("set %s of %s\n", ParamName(node, id, host_.GetRegistry()).c_str(), NodeLabel(*node).c_str());
    if (!host::EditParameter(host_, node, id, value)) {
      std::printf("  the plug-in refused the value\n");
      return false;
    }
    return true;
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
    if (!host::Render(scene_, options, image, report, error) || !host::WriteImage(image, file, error)) {
      std::printf("render failed: %s\n", error.c_str());
      return false;
    }
    std::printf("rendered %dx%d to %s\n", report.width, report.height, file.c_str());
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

bool ReadScript(const std::string& file, Json& steps, std::string& error) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    error = file + ": cannot read the file";
    return false;
  }
  Json doc;
  try {
    doc = Json::parse(in);
  } catch (const Json::exception& e) {
    error = file + ": not a JSON file: " + e.what();
    return false;
  }
  if (doc.is_object() && doc.contains("steps") && doc.size() == 1) doc = doc["steps"];
  if (!doc.is_array()) {
    error = file + ": expected {\"steps\": [...]} or a list of steps";
    return false;
  }
  try {
    CheckScript(doc);
  } catch (const StepError& e) {
    error = file + ": " + e.message;
    return false;
  }
  steps = std::move(doc);
  return true;
}

}  // namespace

int RunEdit(const ModuleArgs& args, const EditArgs& edit) {
  Json steps;
  std::string error;
  if (!ReadScript(edit.script, steps, error)) {
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

  EditSession session2(h, scene, edit.verbose);
  int status = kExitOk;
  for (size_t i = 0; i < steps.size(); ++i) {
    bool ok = false;
    try {
      ok = session2.Run(steps[i], i);
    } catch (const StepError& e) {
      std::printf("\n");
      Report("%s: %s", edit.script.c_str(), e.message.c_str());
      return kExitFailed;
    }
    if (!ok) {
      Report("%s: %s failed; the steps after it were not run", edit.script.c_str(), Where(i).c_str());
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
  command->add_option("-o,--output", e.output, "write the edited scene to this scene file");
  command->add_flag("--verbose", e.verbose, "also show update events and redraw requests");
  AddModuleOptions(command, state->module);
  return {command, [state] { return RunEdit(state->module, state->edit); }};
}

}  // namespace ombrel::cli
