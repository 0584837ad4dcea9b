// Costs of the tile shader: a sample with one bitmap texture (joints off; on with noise, fitted
// and not) against the bitmap shader's own sample in the same run; the table build; the
// object's size. With OMBREL_BENCH_BASELINE naming the module file of an earlier build, the
// same tile benchmarks also run on that module, as ".../baseline", in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_host.h"
#include "core/builtin_shaders.h"
#include "core/families.h"
#include "core/host.h"
#include "core/scene.h"
#include "render/render_session.h"

namespace {

using namespace ombrel::host;

constexpr int32_t kTilesId = 1028619;
enum : int32_t { kJointWidth = 1081, kNoiseScale = 1082, kFitInside = 1083, kTexture = 1100, kColumns = 1166,
                 kRows = 1167 };

enum class Joints { kOff, kFitted, kUnfitted };

struct TileBench {
  Host& host;
  HostModule* module = nullptr;
  Scene scene;
  HostNode* bitmap = nullptr;     // sampled on its own
  HostNode* tilesPlain = nullptr;  // joints off
  HostNode* tilesJoints = nullptr; // joints on, with noise, the content fitted between them
  HostNode* tilesJointsUnfitted = nullptr; // the same without fitting
  HostNode* tilesEmpty = nullptr;  // no texture: its set-up is the table build alone
  int64_t objectBytes = 0;
  std::vector<HostVolume> hits;
  RenderSession session;

  explicit TileBench(Host& h) : host(h) {
    module = host.GetRegistry().Find(kTilesId) ? host.GetRegistry().Find(kTilesId)->module : nullptr;
    if (!module) Fail("the module has no tile shader");
    scene.document = host.NewDocument("tiles");
    bitmap = Material(Bitmap(), "bitmap");
    const int64_t before = module->ledger.Snapshot().liveBytes;
    tilesPlain = Material(Tiles(Joints::kOff), "plain");
    objectBytes = module->ledger.Snapshot().liveBytes - before;
    tilesJoints = Material(Tiles(Joints::kFitted), "joints");
    tilesJointsUnfitted = Material(Tiles(Joints::kUnfitted), "joints unfitted");
    tilesEmpty = Material(CreateShader(host.GetRegistry(), kTilesId), "empty");
    session.Begin(scene);
    for (HostNode* object : scene.objects) hits.push_back(session.HitOn(object, 0.5, 0.5, HostVector{0.3, 0.7, 0}));
  }

  [[noreturn]] static void Fail(const std::string& why) {
    std::fprintf(stderr, "ombrel_bench: %s\n", why.c_str());
    std::exit(1);
  }

  std::unique_ptr<HostNode> Bitmap() {
    auto node = CreateShader(host.GetRegistry(), kBitmapShaderType);
    const std::string file = std::string(OMBREL_SOURCE_DIR) + "/examples/textures/stone.png";
    ContainerFamily()->setString(&node->data, kBitmapFileParam, HostStr{file.data(), static_cast<int64_t>(file.size())});
    return node;
  }

  std::unique_ptr<HostNode> Tiles(Joints joints) {
    auto node = CreateShader(host.GetRegistry(), kTilesId);
    if (!node) Fail("cannot create the tile shader");
    const HostContainerApi* c = ContainerFamily();
    c->setInt32(&node->data, kColumns, 8);
    c->setInt32(&node->data, kRows, 8);
    if (joints != Joints::kOff) {
      c->setReal(&node->data, kJointWidth, 0.1);
      c->setReal(&node->data, kNoiseScale, 10.0);
      c->setInt32(&node->data, kFitInside, joints == Joints::kFitted ? 1 : 0);
    }
    HostNode* texture = InsertShader(node.get(), Bitmap(), nullptr);
    c->setLink(&node->data, kTexture, texture);
    return node;
  }

  HostNode* Material(std::unique_ptr<HostNode> node, const std::string& name) {
    HostNode* material = NewMaterial(scene.document, name);
    HostNode* shader = InsertShader(material, std::move(node), nullptr);
    material->channelShaderSerial = shader->serial;
    HostNode* object = NewObject(scene.document, nullptr, name, static_cast<int32_t>(scene.objects.size()) + 5);
    object->materialSerial = material->serial;
    scene.objects.push_back(object);
    return shader;
  }
};

TileBench& Shared() {
  static TileBench bench(ombrel::bench::SharedHost());
  return bench;
}

// The module of an earlier build, loaded into a host of its own.
TileBench& Baseline() {
  static TileBench bench([]() -> Host& {
    ombrel::bench::SharedHost();  // installs the image reader
    auto* h = new Host();         // lives for the whole run
    std::string error;
    if (!h->Load(std::getenv("OMBREL_BENCH_BASELINE"), LoadOptions{}, error)) TileBench::Fail(error);
    return *h;
  }());
  return bench;
}

void SampleShaderOf(benchmark::State& state, TileBench& b, HostNode* TileBench::*which) {
  HostNode* shader = b.*which;
  const HostShaderApi* api = ShaderFamily();
  HostChannelData cd{};
  cd.vd = &b.hits[0];
  size_t i = 0;
  for (auto _ : state) {
    cd.p = HostVector{static_cast<double>(i & 1023) / 1024, static_cast<double>((i * 7) & 1023) / 1024, 0};
    ++i;
    HostVector c = api->sample(shader, &cd);
    benchmark::DoNotOptimize(c);
  }
  state.SetItemsProcessed(state.iterations());
}

void SampleShader(benchmark::State& state, HostNode* TileBench::*which) { SampleShaderOf(state, Shared(), which); }

void BM_SampleBitmap(benchmark::State& state) { SampleShader(state, &TileBench::bitmap); }
void BM_SampleTilesJointsOff(benchmark::State& state) { SampleShader(state, &TileBench::tilesPlain); }
void BM_SampleTilesJointsOn(benchmark::State& state) { SampleShader(state, &TileBench::tilesJoints); }
void BM_SampleTilesJointsUnfitted(benchmark::State& state) { SampleShader(state, &TileBench::tilesJointsUnfitted); }
BENCHMARK(BM_SampleBitmap);
BENCHMARK(BM_SampleTilesJointsOff);
BENCHMARK(BM_SampleTilesJointsOn);
BENCHMARK(BM_SampleTilesJointsUnfitted);

const bool kBaselineRegistered = [] {
  const char* path = std::getenv("OMBREL_BENCH_BASELINE");
  if (!path || !*path) return false;
  const std::pair<const char*, HostNode* TileBench::*> samples[] = {
      {"BM_SampleTilesJointsOff/baseline", &TileBench::tilesPlain},
      {"BM_SampleTilesJointsOn/baseline", &TileBench::tilesJoints},
      {"BM_SampleTilesJointsUnfitted/baseline", &TileBench::tilesJointsUnfitted},
  };
  for (const auto& [name, which] : samples) {
    benchmark::RegisterBenchmark(name, [which = which](benchmark::State& state) {
      SampleShaderOf(state, Baseline(), which);
    });
  }
  return true;
}();

// The tile table's build: the render set-up of a tile shader without textures, so no image file
// is read in the loop.
void BM_TileTableBuild(benchmark::State& state) {
  TileBench& b = Shared();
  const HostShaderApi* api = ShaderFamily();
  HostNode* tiles = b.tilesEmpty;
  const HostInitRender& irs = b.session.InitRecord();
  for (auto _ : state) {
    api->freeRender(tiles);
    benchmark::DoNotOptimize(api->initRender(tiles, &irs));
  }
  state.counters["object_bytes"] = static_cast<double>(b.objectBytes);
}
BENCHMARK(BM_TileTableBuild)->Unit(benchmark::kMillisecond);

}  // namespace
