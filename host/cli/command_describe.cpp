#include <cstdio>
#include <memory>
#include <string>

#include "cli_app.h"
#include "cli_report.h"
#include "core/families.h"
#include "module_session.h"
#include "resources/description.h"

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
}  // namespace

int RunDescribe(const ModuleArgs& args, const std::string& name) {
  ModuleSession session(args);
  if (!session.Ok()) return kExitFailed;
  const host::PluginRecord* plugin = session.Host().GetRegistry().FindByName(name);
  if (!plugin) {
    std::string registered;
    for (const auto& p : session.Host().GetRegistry().Plugins()) registered += " " + p->descriptionName;
    Report("no plug-in named \"%s\"; registered:%s", name.c_str(), registered.c_str());
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
    std::string kind = e.kind;
    if (!e.origin.empty()) kind += " (" + e.origin + ")";
    std::printf("  %-10d %-40s %-11s \"%s\"%s\n", e.id, e.symbol.c_str(), kind.c_str(), e.label.c_str(),
                Limits(e).c_str());
    for (const auto& [itemId, itemLabel] : e.cycle) std::printf("  %-10s   %d: \"%s\"\n", "", itemId, itemLabel.c_str());
  }
  return kExitOk;
}

Subcommand AddDescribeCommand(CLI::App& app) {
  struct State {
    ModuleArgs module;
    std::string name;
  };
  auto state = std::make_shared<State>();
  CLI::App* command = app.add_subcommand("describe", "print a plug-in's parameters from its description");
  command->add_option("name", state->name, "description name, plug-in name or plug-in ID")->required();
  AddModuleOptions(command, state->module);
  return {command, [state] { return RunDescribe(state->module, state->name); }};
}

}  // namespace ombrel::cli
