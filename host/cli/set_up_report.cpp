#include "set_up_report.h"

#include "cli_report.h"
#include "core/nodes.h"
#include "core/printable_text.h"

namespace ombrel::cli {

std::string ShaderLabel(const host::Scene& scene, const HostNode* shader) {
  for (const auto& [name, node] : scene.named) {
    if (node == shader) return "\"" + host::ShownName(name) + "\"";
  }
  if (!shader->name.empty()) return "\"" + host::ShownName(shader->name) + "\"";
  return "of type " + std::to_string(shader->type);
}

namespace {

bool IsUnder(const HostNode* node, const HostNode* root) {
  for (; node; node = node->parent) {
    if (node == root) return true;
  }
  return false;
}

}  // namespace

size_t ReportSetUpFailures(host::Host& host, const host::Scene& scene, const char* verb,
                           const std::function<bool(const HostNode*)>& calledAnyway, const HostNode* within) {
  size_t count = 0;
  for (const host::SetUpFailure& failure : host.SetUpFailures()) {
    if (within && !IsUnder(failure.shader, within)) continue;
    ++count;
    std::string text = "shader " + ShaderLabel(scene, failure.shader) + " failed its render set-up with code " +
                       std::to_string(failure.code);
    if (!failure.reason.empty()) text += ": " + failure.reason;
    text += "; ";
    text += verb;
    text += calledAnyway(failure.shader) ? " it all the same" : " on without it";
    ReportText(text);
  }
  return count;
}

std::function<bool(const HostNode*)> CalledByRender(const host::RenderReport& report) {
  return [&report](const HostNode* shader) {
    for (const auto& [failed, code] : report.failedSetUps) {
      if (failed == shader) return true;
    }
    return false;
  };
}

}  // namespace ombrel::cli
