#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "cli_app.h"
#include "cli_report.h"
#include "core/atomic_file.h"
#include "image/image_writer.h"
#include "module_session.h"
#include "render/demo_scene.h"
#include "render/progress_bar.h"
#include "render/renderer.h"
#include "scenefile/scene_file.h"
#include "set_up_report.h"

namespace ombrel::cli {

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point begin, Clock::time_point end) { return std::chrono::duration<double>(end - begin).count(); }

// The writer's two phases on the command's bar: encoding has no count, the file's bytes have.
class WriteShown : public host::ImageWriteObserver {
 public:
  WriteShown(host::ProgressBar& bar, const std::filesystem::path& file) : bar_(bar), name_(file.filename().string()) {}
  void Encoding() override { bar_.Phase("encoding " + name_); }
  void Written(size_t written, size_t total) override {
    bar_.Progress("writing " + name_, static_cast<int64_t>(written), static_cast<int64_t>(total));
  }

 private:
  host::ProgressBar& bar_;
  std::string name_;
};

}  // namespace

int RunRender(const ModuleArgs& args, const RenderArgs& render) {
  const Clock::time_point begin = Clock::now();
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

  // Every phase is named on the bar, so that a bar at 100 % is not taken for the end while a
  // large picture is still encoded and written; the bar is emptied before any message.
  // The module's start is short and may speak on stderr, so the bar begins after it.
  ModuleSession session(args);
  if (!session.Ok()) return kExitFailed;
  host::ProgressBar bar(true);
  options.bar = &bar;
  host::Scene scene;
  bar.Phase(render.scene.empty() ? std::string("building the demo scene") : "reading " + render.scene);
  const bool loaded = render.scene.empty() ? host::BuildDemoScene(session.Host(), scene, error)
                                           : host::LoadSceneFile(session.Host(), render.scene, scene, error);
  bar.Clear();
  if (!loaded) {
    ReportText(error);
    return kExitFailed;
  }
  const double reading = Seconds(begin, Clock::now());

  host::FloatImage image;
  host::RenderReport report;
  session.Host().SetUpFailures().clear();
  const bool rendered = host::Render(scene, options, image, report, error);
  bar.Clear();
  if (!rendered) {
    ReportText(error);
    return kExitFailed;
  }
  const size_t dropped = ReportSetUpFailures(session.Host(), scene, "rendered", CalledByRender(report));
  const Clock::time_point writing = Clock::now();
  WriteShown shown(bar, output);
  const bool written = host::WriteImage(image, output, error, &shown);
  bar.Clear();
  if (!written) {
    ReportText(error);
    return kExitFailed;
  }
  // The time is the whole command's, with its three phases: a large picture can take longer to
  // encode and write than to render.
  const Clock::time_point end = Clock::now();
  Report("rendered %dx%d on %d thread%s in %.3f s (reading %.3f s, rendering %.3f s, writing %.3f s): %s",
         report.width, report.height, report.threads, report.threads == 1 ? "" : "s", Seconds(begin, end), reading,
         report.seconds, Seconds(writing, end), output.string().c_str());
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
