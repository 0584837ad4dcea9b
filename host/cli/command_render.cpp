#include <memory>
#include <string>

#include "cli_app.h"
#include "cli_report.h"
#include "core/atomic_file.h"
#include "image/image_writer.h"
#include "module_session.h"
#include "render/demo_scene.h"
#include "render/renderer.h"
#include "scenefile/scene_file.h"
#include "set_up_report.h"

namespace ombrel::cli {

int RunRender(const ModuleArgs& args, const RenderArgs& render) {
  // Everything that can be checked without the module is checked before rendering starts.
  host::RenderOptions options;
  std::string error;
  if (!render.size.empty() && !host::ParsePictureSize(render.size, options.width, options.height, error)) {
    Report("--size: %s", error.c_str());
    return kExitUsage;
  }
  if (render.threads < 0 || render.threads > host::kMaxRenderThreads) {
    Report("--threads %d: expected a number from 1 to %d (0: the scene's setting)", render.threads,
           host::kMaxRenderThreads);
    return kExitUsage;
  }
  options.threads = render.threads;
  std::filesystem::path output = render.output;
  if (output.empty()) {
    // A build without the image library writes the one format it has.
    const char* suffix = OMBREL_HOST_IMAGE_LIBRARY ? ".png" : ".pfm";
    output = render.scene.empty() ? std::filesystem::path("ombrel-demo").replace_extension(suffix)
                                  : std::filesystem::path(render.scene).filename().replace_extension(suffix);
  }
  if (!host::CanWriteImageType(output, error) || !host::CanWriteFileAt(output, error)) {
    ReportText(error);
    return kExitUsage;
  }

  ModuleSession session(args);
  if (!session.Ok()) return kExitFailed;
  host::Scene scene;
  const bool loaded = render.scene.empty() ? host::BuildDemoScene(session.Host(), scene, error)
                                           : host::LoadSceneFile(session.Host(), render.scene, scene, error);
  if (!loaded) {
    ReportText(error);
    return kExitFailed;
  }

  host::FloatImage image;
  host::RenderReport report;
  session.Host().SetUpFailures().clear();
  if (!host::Render(scene, options, image, report, error)) {
    ReportText(error);
    return kExitFailed;
  }
  const size_t dropped = ReportSetUpFailures(session.Host(), scene, "rendered", [&report](const HostNode* shader) {
    for (const auto& [failed, code] : report.failedSetUps) {
      if (failed == shader) return true;
    }
    return false;
  });
  if (!host::WriteImage(image, output, error)) {
    ReportText(error);
    return kExitFailed;
  }
  Report("rendered %dx%d on %d thread%s in %.3f s: %s", report.width, report.height, report.threads,
         report.threads == 1 ? "" : "s", report.seconds, output.string().c_str());
  return StrictEnd(render.strict, dropped);
}

Subcommand AddRenderCommand(CLI::App& app) {
  struct State {
    ModuleArgs module;
    RenderArgs render;
  };
  auto state = std::make_shared<State>();
  RenderArgs& r = state->render;
  CLI::App* command = app.add_subcommand("render", "render a scene file, or the built-in demo scene, into a picture");
  command->add_option("scene", r.scene, "scene file (default: the built-in demo scene)");
  AddOutputOption(command, r.output,
                  "picture file: .png, .exr, .tif, .tiff or .pfm (default: ombrel-demo.png, or the scene's name; .pfm without the image library)");
  command->add_option("--size", r.size, "picture size WIDTHxHEIGHT (default: the scene's)");
  command->add_option("--threads", r.threads, "render threads (default: the scene's setting, else every core)");
  command->add_flag("--strict", r.strict,
                    "exit with code 3 when a shader input fails its render set-up (the picture is still written)");
  AddModuleOptions(command, state->module);
  return {command, [state] { return RunRender(state->module, state->render); }};
}

}  // namespace ombrel::cli
