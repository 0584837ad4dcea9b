#include <cstdio>
#include <memory>
#include <string>

#include "cli_app.h"
#include "cli_report.h"
#include "core/families.h"
#include "module_session.h"
#include "core/editing.h"
#include "core/live_description.h"
#include "core/printable_text.h"
#include "resources/description.h"
#include "scenefile/scene_file.h"

namespace ombrel::cli {

namespace {
std::string Limits(const host::DescElement& e) {
  std::string out;
  auto num = [](double v) { return host::RealToText(v, -1, -1, false, '0'); };
  if (e.min) out += " min " + num(*e.min);
  if (e.max) out += " max " + num(*e.max);
  if (e.step) out += " step " + num(*e.step);
  if (!e.unit.empty()) out += " unit " + e.unit;
  if (e.animOff) out += " anim off";
  return out;
}

void PrintElement(const host::DescElement& e, const std::string& where) {
  std::string kind = e.kind;
  if (!e.origin.empty()) kind += " (" + e.origin + ")";
  std::printf("  %-10d %-40s %-11s \"%s\"%s%s\n", e.id, e.symbol.c_str(), kind.c_str(), e.label.c_str(),
              Limits(e).c_str(), where.c_str());
  for (const auto& [itemId, itemLabel] : e.cycle) std::printf("  %-10s   %d: \"%s\"\n", "", itemId, itemLabel.c_str());
}

// The interface of one node of a scene as it shows now: entries the plug-in adds at run time
// included, each with the group it sits in.
int DescribeNode(ModuleSession& session, const std::string& sceneFile, const std::string& nodeName) {
  host::Scene scene;
  std::string error;
  if (!host::LoadSceneFile(session.Host(), sceneFile, scene, error)) {
    ReportText(error);
    return kExitFailed;
  }
  HostNode* node = host::FindByName(scene.document, nodeName);
  if (!node) {
    Report("%s has no node named \"%s\"", sceneFile.c_str(), host::ShownName(nodeName).c_str());
    return kExitFailed;
  }
  const std::unique_ptr<HostDescription> live = host::LiveDescriptionOf(node, session.Host().GetRegistry());
  if (!live) {
    Report("\"%s\" is a node of the host's own and has no description", host::ShownName(nodeName).c_str());
    return kExitFailed;
  }
  // Names of nodes are bytes from a file, shown as messages show them.
  std::printf("\"%s\" (%s, %d), as its interface shows it\n", host::ShownName(nodeName).c_str(), node->plugin->name.c_str(),
              node->type);
  std::printf("  %-10s %-40s %-11s %s\n", "ID", "symbol", "type", "label");
  for (const auto& entry : live->entries) {
    const host::DescElement& e = entry.element;
    if (e.kind == "SEPARATOR" && e.id == 0) continue;
    const std::string where =
        entry.group.depth > 0 ? " in group " + std::to_string(entry.group.level[entry.group.depth - 1].id) : "";
    PrintElement(e, where);
  }
  return 0;
}

}  // namespace

int RunDescribe(const ModuleArgs& args, const std::string& name, const std::string& node) {
  ModuleSession session(args);
  if (!session.Ok()) return kExitFailed;
  if (!node.empty()) return DescribeNode(session, name, node);
  const host::PluginRecord* plugin = session.Host().GetRegistry().FindByName(name);
  if (!plugin) {
    std::string registered;
    for (const auto& p : session.Host().GetRegistry().Plugins()) registered += " " + p->descriptionName;
    Report("no plug-in named \"%s\"; registered:%s", host::ShownName(name).c_str(), registered.c_str());
    return kExitFailed;
  }
  if (!plugin->description) {
    Report("plug-in %d has no description", plugin->id);
    return kExitFailed;
  }
  const host::Description& d = *plugin->description;
  std::printf("%s (%d) \"%s\", description %s\n", plugin->name.c_str(), plugin->id, d.title.c_str(), d.name.c_str());
  std::printf("  %-10s %-40s %-11s %s\n", "ID", "symbol", "type", "label");
  for (const auto& e : d.elements) {
    if (e.kind == "SEPARATOR" && e.id == 0) continue;
    PrintElement(e, "");
  }
  return kExitOk;
}

Subcommand AddDescribeCommand(CLI::App& app) {
  struct State {
    ModuleArgs module;
    std::string name;
    std::string node;
  };
  auto state = std::make_shared<State>();
  CLI::App* command = app.add_subcommand("describe", "print a plug-in's parameters from its description");
  command->add_option("name", state->name, "description name, plug-in name or plug-in ID; with --node a scene file")
      ->required();
  command->add_option("--node", state->node, "print this node of the scene as its interface shows it now");
  AddModuleOptions(command, state->module);
  return {command, [state] { return RunDescribe(state->module, state->name, state->node); }};
}

}  // namespace ombrel::cli
