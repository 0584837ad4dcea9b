#include <cstdio>
#include <string>

#include "commands.h"
#include "core/families.h"
#include "module_session.h"
#include "core/editing.h"
#include "core/live_description.h"
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
    std::fprintf(stderr, "ombrel-host: %s\n", error.c_str());
    return 1;
  }
  HostNode* node = host::FindByName(scene.document, nodeName);
  if (!node) {
    std::fprintf(stderr, "ombrel-host: %s has no node named \"%s\"\n", sceneFile.c_str(), nodeName.c_str());
    return 1;
  }
  const std::unique_ptr<HostDescription> live = host::LiveDescriptionOf(node, session.Host().GetRegistry());
  if (!live) {
    std::fprintf(stderr, "ombrel-host: \"%s\" is a node of the host's own and has no description\n", nodeName.c_str());
    return 1;
  }
  std::printf("\"%s\" (%s, %d), as its interface shows it\n", nodeName.c_str(), node->plugin->name.c_str(), node->type);
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
  if (!session.Ok()) return 1;
  if (!node.empty()) return DescribeNode(session, name, node);
  const host::PluginRecord* plugin = session.Host().GetRegistry().FindByName(name);
  if (!plugin) {
    std::fprintf(stderr, "ombrel-host: no plug-in named \"%s\"; registered:", name.c_str());
    for (const auto& p : session.Host().GetRegistry().Plugins()) std::fprintf(stderr, " %s", p->descriptionName.c_str());
    std::fprintf(stderr, "\n");
    return 1;
  }
  if (!plugin->description) {
    std::fprintf(stderr, "ombrel-host: plug-in %d has no description\n", plugin->id);
    return 1;
  }
  const host::Description& d = *plugin->description;
  std::printf("%s (%d) \"%s\", description %s\n", plugin->name.c_str(), plugin->id, d.title.c_str(), d.name.c_str());
  std::printf("  %-10s %-40s %-11s %s\n", "ID", "symbol", "type", "label");
  for (const auto& e : d.elements) {
    if (e.kind == "SEPARATOR" && e.id == 0) continue;
    PrintElement(e, "");
  }
  return 0;
}

}  // namespace ombrel::cli
