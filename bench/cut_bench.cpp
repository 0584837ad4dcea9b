// Cost of the cut shader: a sample through it, remapped into an object's cell of an atlas,
// against its texture's own sample (the host's bitmap shader) in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench_host.h"
#include "core/builtin_shaders.h"
#include "core/families.h"
#include "core/host.h"
#include "core/render_context.h"
#include "core/scene.h"
#include "render/render_session.h"

namespace {

using namespace ombrel::host;

constexpr int32_t kCutId = 1031438;
enum : int32_t { kTexture = 1000, kImageWidth = 1004, kImageHeight = 1005, kCellWidth = 1007, kCellHeight = 1008 };

struct CutBench {
  Host& host = ombrel::bench::SharedHost();
  Scene scene;
  HostNode* source = nullptr;  // the bitmap shader on its own
  HostNode* cut = nullptr;     // the cut shader over the same picture, 4 x 4 cells
  RenderSession session;
  std::vector<HostVolume> hits;  // one per object, each on its own cell

  CutBench() {
    if (!host.GetRegistry().Find(kCutId)) Fail("the module has no cut shader");
    scene.document = host.NewDocument("cut");
    source = Material(Bitmap(), "source");
    auto node = CreateShader(host.GetRegistry(), kCutId);
    if (!node) Fail("cannot create the cut shader");
    HostNode* bitmap = InsertShader(node.get(), Bitmap(), nullptr);
    const HostContainerApi* c = ContainerFamily();
    c->setLink(&node->data, kTexture, bitmap);
    c->setInt32(&node->data, kImageWidth, 512);
    c->setInt32(&node->data, kImageHeight, 512);
    c->setInt32(&node->data, kCellWidth, 128);
    c->setInt32(&node->data, kCellHeight, 128);
    cut = Material(std::move(node), "cut");
    for (int32_t i = 0; i < 14; ++i) Object("tile", cut);
    session.Begin(scene);
    for (const auto& [n, code] : session.Results()) {
      if (code != 0) Fail("a shader of the cut benchmark failed its set-up");
    }
    for (const HostNode* o : scene.objects) hits.push_back(session.HitOn(o, 0.5, 0.5, HostVector{}));
  }

  [[noreturn]] static void Fail(const std::string& why) {
    std::fprintf(stderr, "ombrel_bench: %s\n", why.c_str());
    std::exit(1);
  }

  std::unique_ptr<HostNode> Bitmap() {
    auto node = CreateShader(host.GetRegistry(), kBitmapShaderType);
    const std::string file = std::string(OMBREL_SOURCE_DIR) + "/examples/textures/wood.png";
    ContainerFamily()->setString(&node->data, kBitmapFileParam, HostStr{file.data(), static_cast<int64_t>(file.size())});
    return node;
  }

  void Object(const std::string& name, HostNode* shader) {
    HostNode* material = nullptr;
    for (const auto& m : scene.document->materials) {
      if (m->channelShaderSerial == shader->serial) material = m.get();
    }
    HostNode* object = NewObject(scene.document, nullptr, name, static_cast<int32_t>(scene.objects.size()) + 1);
    object->materialSerial = material ? material->serial : 0;
    scene.objects.push_back(object);
  }

  HostNode* Material(std::unique_ptr<HostNode> node, const std::string& name) {
    HostNode* material = NewMaterial(scene.document, name);
    HostNode* shader = InsertShader(material, std::move(node), nullptr);
    material->channelShaderSerial = shader->serial;
    Object(name, shader);
    return shader;
  }
};

CutBench& Shared() {
  static CutBench bench;
  return bench;
}

// Points spread over the unit square, each on a hit of the next object: the bitmap shader reads
// as many texels on its own as through the cut shader.
void SampleShader(benchmark::State& state, HostNode* CutBench::*which) {
  CutBench& b = Shared();
  HostNode* shader = b.*which;
  const HostShaderApi* api = ShaderFamily();
  HostChannelData cd{};
  size_t i = 0;
  const size_t objects = b.hits.size();
  for (auto _ : state) {
    cd.p = HostVector{static_cast<double>(i & 1023) / 1024, static_cast<double>((i * 7) & 1023) / 1024, 0};
    cd.vd = &b.hits[i % objects];
    ++i;
    HostVector c = api->sample(shader, &cd);
    benchmark::DoNotOptimize(c);
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_SampleCutSource(benchmark::State& state) { SampleShader(state, &CutBench::source); }
void BM_SampleCut(benchmark::State& state) { SampleShader(state, &CutBench::cut); }

BENCHMARK(BM_SampleCutSource);
BENCHMARK(BM_SampleCut);

}  // namespace
