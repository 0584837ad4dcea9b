// Costs of a sample through the host's call path (shaders->sample), of the colour-adjust
// shader's render set-up, and of whole renders on one and on two threads.
//
//   build/bin/ombrel_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "bench_host.h"
#include "core/builtin_shaders.h"
#include "core/families.h"
#include "core/gradient.h"
#include "core/host.h"
#include "core/scene.h"
#include "render/demo_scene.h"
#include "render/render_session.h"
#include "render/renderer.h"

namespace {

using namespace ombrel::host;

enum : int32_t {
  kHue = 1002, kSaturation = 1003, kLightness = 1004, kGradientMix = 1006, kGamma = 1007, kColor = 1010
};

// One loaded module and the scenes every benchmark shares; built on first use.
struct Bench {
  Host& host = ombrel::bench::SharedHost();
  Scene samples;  // 64 objects per shader below, so samples hit many variations
  HostNode* constant = nullptr;
  HostNode* adjustOff = nullptr;
  HostNode* adjustAll = nullptr;
  std::vector<HostVolume> hits;  // one per object of the `adjustAll` material
  RenderSession session;
  Scene demo;

  Bench() {
    std::string error;
    if (!BuildDemoScene(host, demo, error)) {
      std::fprintf(stderr, "ombrel_bench: %s\n", error.c_str());
      std::exit(1);
    }
    samples.document = host.NewDocument("samples");
    constant = Material(CreateShader(host.GetRegistry(), kColorShaderType));
    ContainerFamily()->setVector(&constant->data, 1000, HostVector{0.8, 0.4, 0.2});
    adjustOff = Material(CreateShader(host.GetRegistry(), kColourAdjustShaderId));
    ContainerFamily()->setVector(&adjustOff->data, kColor, HostVector{0.8, 0.4, 0.2});
    adjustAll = Material(CreateShader(host.GetRegistry(), kColourAdjustShaderId));
    const HostContainerApi* c = ContainerFamily();
    c->setVector(&adjustAll->data, kColor, HostVector{0.8, 0.4, 0.2});
    c->setReal(&adjustAll->data, kHue, 0.5);
    c->setReal(&adjustAll->data, kSaturation, 0.5);
    c->setReal(&adjustAll->data, kLightness, 0.5);
    c->setReal(&adjustAll->data, kGamma, 0.5);
    c->setReal(&adjustAll->data, kGradientMix, 0.5);
    session.Begin(samples);
    for (HostNode* object : samples.objects) {
      if (RenderSession::ShaderOf(object) == adjustAll) hits.push_back(session.HitOn(object, 0.5, 0.5, HostVector{0.5, 0.5, 0}));
    }
  }

  HostNode* Material(std::unique_ptr<HostNode> node) {
    if (!node) {
      std::fprintf(stderr, "ombrel_bench: cannot create a shader\n");
      std::exit(1);
    }
    HostNode* material = NewMaterial(samples.document, "material");
    HostNode* shader = InsertShader(material, std::move(node), nullptr);
    material->channelShaderSerial = shader->serial;
    for (int32_t i = 0; i < 64; ++i) {
      HostNode* object = NewObject(samples.document, nullptr, "object", i * 13 + 1);
      object->materialSerial = material->serial;
      samples.objects.push_back(object);
    }
    return shader;
  }
};

Bench& Shared() {
  static Bench bench;
  return bench;
}

void SampleThrough(benchmark::State& state, HostNode* Bench::*which, bool withHits = true) {
  Bench& b = Shared();
  HostNode* shader = b.*which;
  const HostShaderApi* api = ShaderFamily();
  HostChannelData cd{};
  cd.n = HostVector{0, 0, 1};
  cd.d = HostVector{0.001, 0.001, 0};
  size_t i = 0;
  for (auto _ : state) {
    cd.p = HostVector{static_cast<double>(i & 255) / 256, 0.5, 0};
    cd.vd = withHits ? &b.hits[i & 63] : nullptr;
    ++i;
    HostVector c = api->sample(shader, &cd);
    benchmark::DoNotOptimize(c);
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_SampleConstant(benchmark::State& state) { SampleThrough(state, &Bench::constant); }
void BM_SampleAdjustOff(benchmark::State& state) { SampleThrough(state, &Bench::adjustOff); }
void BM_SampleAdjustAll(benchmark::State& state) { SampleThrough(state, &Bench::adjustAll); }
// Without a hit record the per-object key costs no host calls: the difference to the line
// above is the object-chain walk.
void BM_SampleAdjustOffNoHit(benchmark::State& state) { SampleThrough(state, &Bench::adjustOff, false); }
BENCHMARK(BM_SampleConstant);
BENCHMARK(BM_SampleAdjustOff);
BENCHMARK(BM_SampleAdjustOffNoHit);
BENCHMARK(BM_SampleAdjustAll);

// Render set-up and release of the colour-adjust shader: the 16000-entry table, with one
// gradient look-up per entry when the gradient is mixed in.
void SetUp(benchmark::State& state, HostNode* Bench::*which) {
  Bench& b = Shared();
  HostNode* shader = b.*which;
  HostInitRender irs{};
  irs.document = b.samples.document;
  irs.fps = 30;
  irs.threadCount = 1;
  for (auto _ : state) {
    benchmark::DoNotOptimize(ShaderFamily()->initRender(shader, &irs));
    ShaderFamily()->freeRender(shader);
  }
  // The sampling benchmarks share this shader: leave it set up, as the shared session had it.
  ShaderFamily()->initRender(shader, &irs);
}
void BM_AdjustSetUpOff(benchmark::State& state) { SetUp(state, &Bench::adjustOff); }
void BM_AdjustSetUpAll(benchmark::State& state) { SetUp(state, &Bench::adjustAll); }
BENCHMARK(BM_AdjustSetUpOff)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AdjustSetUpAll)->Unit(benchmark::kMicrosecond);

// The demo scene at 1600 × 1200: set-up, sampling on N threads, release.
void BM_RenderDemo(benchmark::State& state) {
  Bench& b = Shared();
  RenderOptions options;
  options.width = 1600;
  options.height = 1200;
  options.threads = static_cast<int32_t>(state.range(0));
  options.progress = false;
  FloatImage image;
  RenderReport report;
  std::string error;
  for (auto _ : state) {
    if (!Render(b.demo, options, image, report, error)) {
      state.SkipWithError(error.c_str());
      break;
    }
    benchmark::DoNotOptimize(image.rgb.data());
  }
  state.SetItemsProcessed(state.iterations() * options.width * options.height);
  state.counters["threads"] = report.threads;
}
BENCHMARK(BM_RenderDemo)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// What the machine itself gives a second thread: the same fixed amount of plain arithmetic,
// on one thread or split over two. The render's ratio is read against this one.
void BM_MachineReference(benchmark::State& state) {
  const auto threads = static_cast<int>(state.range(0));
  constexpr int64_t kWork = 40'000'000;
  std::vector<double> sums(static_cast<size_t>(threads) * 8);  // one cache line apart
  for (auto _ : state) {
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t) {
      pool.emplace_back([&sums, t, threads]() {
        double x = 1.0 + t, sum = 0.0;
        for (int64_t i = 0; i < kWork / threads; ++i) {
          x = x * 1.0000001 + 1e-9;
          sum += std::sqrt(x);
        }
        sums[static_cast<size_t>(t) * 8] = sum;
      });
    }
    for (auto& t : pool) t.join();
    benchmark::DoNotOptimize(sums.data());
  }
}
BENCHMARK(BM_MachineReference)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
