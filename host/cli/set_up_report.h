// Telling the user which shader inputs a render went on without, and why.
#ifndef OMBREL_HOST_CLI_SET_UP_REPORT_H
#define OMBREL_HOST_CLI_SET_UP_REPORT_H

#include <functional>
#include <string>

#include "core/host.h"
#include "core/scene.h"
#include "render/renderer.h"

namespace ombrel::cli {

// How a shader is called in messages: its name in the scene when it has one.
std::string ShaderLabel(const host::Scene& scene, const HostNode* shader);

// Prints one line per failed render set-up the host noted, with its code and the host's reason
// (for an image: the file and why it cannot be read). An input dropped by the shader that links
// it is "<verb> on without it"; a shader the command calls itself (`calledAnyway`) is "<verb> it
// all the same". With `within`, only that shader and the inputs under it count. Answers how many
// failed.
size_t ReportSetUpFailures(host::Host& host, const host::Scene& scene, const char* verb,
                           const std::function<bool(const HostNode*)>& calledAnyway, const HostNode* within = nullptr);

// `calledAnyway` for a render: the shaders the render called although their set-up failed.
std::function<bool(const HostNode*)> CalledByRender(const host::RenderReport& report);

}  // namespace ombrel::cli

#endif
