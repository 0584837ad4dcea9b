#include <cstdio>
#include <iostream>
#include <string>

#include "commands.h"
#include "module_session.h"
#include "render/point_sampler.h"
#include "scenefile/scene_file.h"

namespace ombrel::cli {

namespace {

void ListNames(const host::Scene& scene, NodeKind kind) {
  bool any = false;
  for (const auto& [name, node] : scene.named) {
    if (node->kind != kind) continue;
    std::fprintf(stderr, "%s %s", any ? "," : "", name.c_str());
    any = true;
  }
  std::fprintf(stderr, any ? "\n" : " none\n");
}

}  // namespace

int RunSample(const ModuleArgs& args, const SampleArgs& sample) {
  ModuleSession session(args);
  if (!session.Ok()) return 1;
  host::Scene scene;
  std::string error;
  if (!host::LoadSceneFile(session.Host(), sample.scene, scene, error)) {
    std::fprintf(stderr, "ombrel-host: %s\n", error.c_str());
    return 1;
  }

  host::PointSampleRequest request;
  request.shader = scene.Find(sample.shader);
  if (!request.shader || request.shader->kind != NodeKind::Shader) {
    std::fprintf(stderr, "ombrel-host: --shader: the scene has no shader named \"%s\"; its shaders:",
                 sample.shader.c_str());
    ListNames(scene, NodeKind::Shader);
    return 1;
  }
  if (!sample.object.empty()) {
    request.object = scene.Find(sample.object);
    if (!request.object || request.object->kind != NodeKind::Object) {
      std::fprintf(stderr, "ombrel-host: --object: the scene has no object named \"%s\"; its objects:",
                   sample.object.c_str());
      ListNames(scene, NodeKind::Object);
      return 1;
    }
  }
  request.polygon = sample.polygon;
  request.texflag = sample.texflag;

  host::PointSampleReport report;
  if (!host::SamplePoints(scene, request, std::cin, std::cout, report, error)) {
    std::fprintf(stderr, "ombrel-host: %s\n", error.c_str());
    return 1;
  }
  if (report.setUpCode != 0) {
    std::fprintf(stderr, "ombrel-host: shader \"%s\" failed its render set-up with code %d; sampled it all the same\n",
                 sample.shader.c_str(), report.setUpCode);
  }
  return 0;
}

}  // namespace ombrel::cli
