// Cost of the cut shader: a sample through it, remapped into an object's cell of an atlas,
// against its texture's own sample (the host's bitmap shader) in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
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

// The sample point of sample i: spread over the unit square, repeating every 1024 samples.
HostVector SamplePoint(size_t i) {
  return HostVector{static_cast<double>(i & 1023) / 1024, static_cast<double>((i * 7) & 1023) / 1024, 0};
}

struct CutBench {
  Host& host;
  Scene scene;
  HostNode* source = nullptr;  // the bitmap shader on its own
  HostNode* cut = nullptr;     // the cut shader over the same picture, 4 x 4 cells
  RenderSession session;
  std::vector<HostVolume> hits;  // one per object, each on its own cell
  // The points the cut shader hands its texture, for each of the kPoints sample points, found by
  // a second cut shader of the same size whose texture answers the point it is sampled at.
  static constexpr size_t kPoints = 1024;
  HostNode* points = nullptr;
  std::vector<HostVector> cellPoints;

  explicit CutBench(Host& h) : host(h) {
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
    FindCellPoints();
  }
  ~CutBench() {
    if (points) ShaderFamily()->freeRender(points);
  }

  void FindCellPoints() {
    auto node = CreateShader(host.GetRegistry(), kCutId);
    HostNode* uv = InsertShader(node.get(), CreateShader(host.GetRegistry(), kUvShaderType), nullptr);
    const HostContainerApi* c = ContainerFamily();
    c->setLink(&node->data, kTexture, uv);
    for (int32_t id : {kImageWidth, kImageHeight, kCellWidth, kCellHeight}) c->setInt32(&node->data, id, c->getInt32(&cut->data, id, 0));
    points = InsertShader(cut, std::move(node), nullptr);
    if (ShaderFamily()->initRender(points, &session.InitRecord()) != 0) Fail("the point-finding cut shader failed its set-up");
    for (size_t i = 0; i < kPoints; ++i) {
      HostChannelData cd{};
      cd.p = SamplePoint(i);
      cd.vd = &hits[i % hits.size()];
      cellPoints.push_back(ShaderFamily()->sample(points, &cd));
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
  static CutBench bench(ombrel::bench::SharedHost());
  return bench;
}

// The module of an earlier build (OMBREL_BENCH_BASELINE), loaded into a host of its own: before
// and after a change in one run.
CutBench& Baseline() {
  static CutBench bench([]() -> Host& {
    ombrel::bench::SharedHost();  // installs the image reader
    auto* h = new Host();         // lives for the whole run
    std::string error;
    if (!h->Load(std::getenv("OMBREL_BENCH_BASELINE"), LoadOptions{}, error)) CutBench::Fail(error);
    return *h;
  }());
  return bench;
}

// Points spread over the unit square, each on a hit of the next object: the bitmap shader reads
// as many texels on its own as through the cut shader. With cellPoints, the bitmap shader is
// sampled at the very points the cut shader hands it for the same samples: both then read the
// same texels in the same order, and the gap between them is the cut shader's own work.
void SampleShaderOf(benchmark::State& state, CutBench& b, HostNode* CutBench::*which, bool cellPoints = false) {
  HostNode* shader = b.*which;
  const HostShaderApi* api = ShaderFamily();
  HostChannelData cd{};
  size_t i = 0;
  const size_t objects = b.hits.size();
  for (auto _ : state) {
    cd.p = cellPoints ? b.cellPoints[i % CutBench::kPoints] : SamplePoint(i);
    cd.vd = &b.hits[i % objects];
    ++i;
    HostVector c = api->sample(shader, &cd);
    benchmark::DoNotOptimize(c);
  }
  state.SetItemsProcessed(state.iterations());
}

void SampleShader(benchmark::State& state, HostNode* CutBench::*which, bool cellPoints = false) {
  SampleShaderOf(state, Shared(), which, cellPoints);
}

void BM_SampleCutSource(benchmark::State& state) { SampleShader(state, &CutBench::source); }
void BM_SampleCutSourceCellPoints(benchmark::State& state) { SampleShader(state, &CutBench::source, true); }
void BM_SampleCut(benchmark::State& state) { SampleShader(state, &CutBench::cut); }

BENCHMARK(BM_SampleCutSource);
BENCHMARK(BM_SampleCutSourceCellPoints);
BENCHMARK(BM_SampleCut);

const bool kBaselineRegistered = [] {
  const char* path = std::getenv("OMBREL_BENCH_BASELINE");
  if (!path || !*path) return false;
  benchmark::RegisterBenchmark("BM_SampleCut/baseline",
                               [](benchmark::State& state) { SampleShaderOf(state, Baseline(), &CutBench::cut); });
  return true;
}();

}  // namespace
