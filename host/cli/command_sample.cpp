#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <iostream>
#include <memory>
#include <string>

#include "cli_app.h"
#include "cli_report.h"
#include "core/printable_text.h"
#include "module_session.h"
#include "render/point_sampler.h"
#include "scenefile/scene_file.h"
#include "set_up_report.h"

namespace ombrel::cli {

namespace {

std::string Names(const host::Scene& scene, NodeKind kind) {
  std::string list;
  for (const auto& [name, node] : scene.named) {
    if (node->kind != kind) continue;
    list += (list.empty() ? " " : ", ") + host::ShownName(name);
  }
  return list.empty() ? " none" : list;
}

// Answers reach a program on the other end of a pipe at once; a file gets them in blocks.
bool OutputWantsEachAnswer() {
#if defined(_WIN32)
  return GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)) != FILE_TYPE_DISK;
#else
  struct stat info{};
  if (::fstat(STDOUT_FILENO, &info) != 0) return true;
  return !S_ISREG(info.st_mode);
#endif
}

}  // namespace

int RunSample(const ModuleArgs& args, const SampleArgs& sample) {
  ModuleSession session(args);
  if (!session.Ok()) return kExitFailed;
  host::Scene scene;
  std::string error;
  if (!host::LoadSceneFile(session.Host(), sample.scene, scene, error)) {
    ReportText(error);
    return kExitFailed;
  }

  host::PointSampleRequest request;
  request.shader = scene.Find(sample.shader);
  if (!request.shader || request.shader->kind != NodeKind::Shader) {
    Report("--shader: the scene has no shader named \"%s\"; its shaders:%s", host::ShownName(sample.shader).c_str(),
           Names(scene, NodeKind::Shader).c_str());
    return kExitFailed;
  }
  if (!sample.object.empty()) {
    request.object = scene.Find(sample.object);
    if (!request.object || request.object->kind != NodeKind::Object) {
      Report("--object: the scene has no object named \"%s\"; its objects:%s", host::ShownName(sample.object).c_str(),
             Names(scene, NodeKind::Object).c_str());
      return kExitFailed;
    }
  }
  request.polygon = sample.polygon;
  request.texflag = sample.texflag;
  request.flushEachAnswer = OutputWantsEachAnswer();
  size_t dropped = 0;
  session.Host().SetUpFailures().clear();
  // Reasons come before the first answer, while the user still looks at the input.
  request.afterSetUp = [&] {
    dropped = ReportSetUpFailures(session.Host(), scene, "sampled",
                                  [&request](const HostNode* shader) { return shader == request.shader; },
                                  request.shader);
  };

  host::PointSampleReport report;
  const bool sampled = host::SamplePoints(scene, request, std::cin, std::cout, report, error);
  if (!sampled) {
    ReportText(error);
    return kExitFailed;
  }
  return StrictEnd(sample.strict, dropped);
}

Subcommand AddSampleCommand(CLI::App& app) {
  struct State {
    ModuleArgs module;
    SampleArgs sample;
    int polygon = 0;
    CLI::Option* polygonOption = nullptr;
  };
  auto state = std::make_shared<State>();
  SampleArgs& s = state->sample;
  CLI::App* command =
      app.add_subcommand("sample", "sample one shader of a scene at points \"u v w\" read from standard input");
  command->add_option("scene", s.scene, "scene file")->required();
  command->add_option("--shader", s.shader, "name of the shader in the scene")->required();
  CLI::Option* object = command->add_option("--object", s.object, "samples hit this object of the scene");
  state->polygonOption =
      command->add_option("--polygon", state->polygon, "the hit polygon's number (default: the one under u, v)");
  state->polygonOption->needs(object);
  command->add_option("--texflag", s.texflag, "texture flags handed to every sample");
  command->add_flag("--strict", s.strict,
                    "exit with code 3 when a shader input fails its render set-up (every point is still answered)");
  AddModuleOptions(command, state->module);
  return {command, [state] {
            if (state->polygonOption->count() > 0) state->sample.polygon = state->polygon;
            return RunSample(state->module, state->sample);
          }};
}

}  // namespace ombrel::cli
