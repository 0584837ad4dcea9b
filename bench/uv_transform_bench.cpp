// Costs of the UV transform shader: a sample through it with default settings, with every
// effect on and in quad placement, each against its source's own sample (the host's bitmap
// shader) in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include "bench_host.h"
#include "core/builtin_shaders.h"
#include "core/families.h"
#include "core/host.h"
#include "core/scene.h"
#include "render/render_session.h"
#include "uv_transform.h"

namespace {

using namespace ombrel::host;

constexpr int32_t kTransformId = 1027722;
enum : int32_t {
  kSource = 1100, kCorner1 = 1103, kCorner2, kCorner3, kCorner4, kRotation, kBulge, kWave, kBiasU, kBiasV,
  kBiasUPhase = 1119, kBiasVPhase = 1120, kPlaceInQuad = 1200
};

struct TransformBench {
  Host& host = ombrel::bench::SharedHost();
  Scene scene;
  HostNode* source = nullptr;   // the bitmap shader on its own
  HostNode* defaults = nullptr;
  HostNode* effects = nullptr;  // a corner quad, rotation, bulge, wave and both biases
  HostNode* quad = nullptr;     // quad placement in a skewed quad
  RenderSession session;

  TransformBench() {
    if (!host.GetRegistry().Find(kTransformId)) Fail("the module has no UV transform shader");
    scene.document = host.NewDocument("uv transform");
    source = Material(Bitmap(), "source");
    defaults = Material(Transform(), "defaults");
    effects = Material(Transform(), "effects");
    const HostContainerApi* c = ContainerFamily();
    c->setVector(&effects->data, kCorner1, HostVector{0.1, 0.05, 0});
    c->setVector(&effects->data, kCorner2, HostVector{0.9, 0.15, 0});
    c->setVector(&effects->data, kCorner3, HostVector{0.85, 0.95, 0});
    c->setVector(&effects->data, kCorner4, HostVector{0.05, 0.8, 0});
    c->setReal(&effects->data, kRotation, 0.4);
    c->setReal(&effects->data, kBulge, 0.8);
    c->setReal(&effects->data, kWave, 0.3);
    c->setReal(&effects->data, kBiasU, 0.4);
    c->setReal(&effects->data, kBiasV, -0.3);
    c->setReal(&effects->data, kBiasUPhase, 0.2);
    c->setReal(&effects->data, kBiasVPhase, 0.7);
    quad = Material(Transform(), "quad");
    c->setInt32(&quad->data, kPlaceInQuad, 1);
    c->setVector(&quad->data, kCorner1, HostVector{-0.1, 0.1, 0});
    c->setVector(&quad->data, kCorner2, HostVector{1.0, -0.05, 0});
    c->setVector(&quad->data, kCorner3, HostVector{1.1, 1.0, 0});
    c->setVector(&quad->data, kCorner4, HostVector{0.0, 1.1, 0});
    session.Begin(scene);
    for (const auto& [node, code] : session.Results()) {
      if (code != 0) Fail("a shader of the UV transform benchmark failed its set-up");
    }
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

  std::unique_ptr<HostNode> Transform() {
    auto node = CreateShader(host.GetRegistry(), kTransformId);
    if (!node) Fail("cannot create the UV transform shader");
    HostNode* bitmap = InsertShader(node.get(), Bitmap(), nullptr);
    ContainerFamily()->setLink(&node->data, kSource, bitmap);
    return node;
  }

  HostNode* Material(std::unique_ptr<HostNode> node, const std::string& name) {
    HostNode* material = NewMaterial(scene.document, name);
    HostNode* shader = InsertShader(material, std::move(node), nullptr);
    material->channelShaderSerial = shader->serial;
    HostNode* object = NewObject(scene.document, nullptr, name, static_cast<int32_t>(scene.objects.size()) + 1);
    object->materialSerial = material->serial;
    scene.objects.push_back(object);
    return shader;
  }
};

TransformBench& Shared() {
  static TransformBench bench;
  return bench;
}

// Points spread over the unit square, as a surface's coordinates are: the source then reads the
// same texels on its own as through the default transform.
void SampleShader(benchmark::State& state, HostNode* TransformBench::*which) {
  TransformBench& b = Shared();
  HostNode* shader = b.*which;
  const HostShaderApi* api = ShaderFamily();
  HostChannelData cd{};
  size_t i = 0;
  for (auto _ : state) {
    cd.p = HostVector{static_cast<double>(i & 1023) / 1024, static_cast<double>((i * 7) & 1023) / 1024, 0};
    ++i;
    HostVector c = api->sample(shader, &cd);
    benchmark::DoNotOptimize(c);
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_SampleTransformSource(benchmark::State& state) { SampleShader(state, &TransformBench::source); }
void BM_SampleTransformDefaults(benchmark::State& state) { SampleShader(state, &TransformBench::defaults); }
void BM_SampleTransformEffects(benchmark::State& state) { SampleShader(state, &TransformBench::effects); }
void BM_SampleTransformQuad(benchmark::State& state) { SampleShader(state, &TransformBench::quad); }
BENCHMARK(BM_SampleTransformSource);
BENCHMARK(BM_SampleTransformDefaults);
BENCHMARK(BM_SampleTransformEffects);
BENCHMARK(BM_SampleTransformQuad);

// The transform alone, with the default settings, prepared once as the shader prepares it: what
// the shader adds beyond the calls.
void BM_TransformUvDefaults(benchmark::State& state) {
  const UvTransform transform{UvTransformSettings()};
  size_t i = 0;
  for (auto _ : state) {
    const UvPoint p{static_cast<double>(i & 1023) / 1024, static_cast<double>((i * 7) & 1023) / 1024, 0};
    ++i;
    UvPoint q;
    benchmark::DoNotOptimize(transform.Apply(p, false, q));
    benchmark::DoNotOptimize(q);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TransformUvDefaults);

}  // namespace
