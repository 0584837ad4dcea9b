#include <cstdio>
#include <string>

#include "commands.h"
#include "image/image_writer.h"
#include "module_session.h"
#include "render/demo_scene.h"
#include "render/renderer.h"
#include "scenefile/scene_file.h"

namespace ombrel::cli {

namespace {

// How a shader is called in messages: its name in the scene when it has one.
std::string ShaderLabel(const host::Scene& scene, const HostNode* shader) {
  for (const auto& [name, node] : scene.named) {
    if (node == shader) return "\"" + name + "\"";
  }
  if (!shader->name.empty()) return "\"" + shader->name + "\"";
  return "of type " + std::to_string(shader->type);
}

}  // namespace

int RunRender(const ModuleArgs& args, const RenderArgs& render) {
  // Everything that can be checked without the module is checked before rendering starts.
  host::RenderOptions options;
  std::string error;
  if (!render.size.empty() && !host::ParsePictureSize(render.size, options.width, options.height, error)) {
    std::fprintf(stderr, "ombrel-host: --size: %s\n", error.c_str());
    return 2;
  }
  if (render.threads < 0 || render.threads > host::kMaxRenderThreads) {
    std::fprintf(stderr, "ombrel-host: --threads %d: expected a number from 1 to %d (0: the scene's setting)\n", render.threads,
                 host::kMaxRenderThreads);
    return 2;
  }
  options.threads = render.threads;
  std::filesystem::path output = render.output;
  if (output.empty()) {
    output = render.scene.empty() ? std::filesystem::path("ombrel-demo.png")
                                  : std::filesystem::path(render.scene).filename().replace_extension(".png");
  }
  if (!host::CanWriteImageType(output, error)) {
    std::fprintf(stderr, "ombrel-host: %s\n", error.c_str());
    return 2;
  }

  ModuleSession session(args);
  if (!session.Ok()) return 1;
  host::Scene scene;
  const bool loaded = render.scene.empty() ? host::BuildDemoScene(session.Host(), scene, error)
                                           : host::LoadSceneFile(session.Host(), render.scene, scene, error);
  if (!loaded) {
    std::fprintf(stderr, "ombrel-host: %s\n", error.c_str());
    return 1;
  }

  host::FloatImage image;
  host::RenderReport report;
  if (!host::Render(scene, options, image, report, error)) {
    std::fprintf(stderr, "ombrel-host: %s\n", error.c_str());
    return 1;
  }
  for (const auto& [shader, code] : report.failedSetUps) {
    std::fprintf(stderr,
                 "ombrel-host: shader %s failed its render set-up with code %d; rendered on without the inputs it "
                 "dropped\n",
                 ShaderLabel(scene, shader).c_str(), code);
  }
  if (!host::WriteImage(image, output, error)) {
    std::fprintf(stderr, "ombrel-host: %s\n", error.c_str());
    return 1;
  }
  std::fprintf(stderr, "ombrel-host: rendered %dx%d on %d thread%s in %.3f s: %s\n", report.width, report.height,
               report.threads, report.threads == 1 ? "" : "s", report.seconds, output.string().c_str());
  return 0;
}

}  // namespace ombrel::cli
