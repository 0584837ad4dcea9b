// Costs of the UV transform tool: the preview made by sampling (1,048,576 samples of the
// source) against the same samples taken straight through the host, one Draw, and one step of
// a drag. The view's services do nothing here, so the figures are the tool's own work.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include "bench_host.h"
#include "core/builtin_shaders.h"
#include "core/editing.h"
#include "core/families.h"
#include "core/host.h"
#include "core/nodes.h"
#include "core/registry.h"
#include "core/scene.h"

namespace {

using namespace ombrel::host;

constexpr int32_t kTransformId = 1027722;
constexpr int32_t kToolId = 1027723;
constexpr int32_t kDragSteps = 64;

HostNode* g_view = nullptr;
int32_t g_dragLeft = 0;

// A view 800 x 600 that draws nothing; its drag moves the pointer one pixel a step.
HostNode* ActiveView(HostNode*) { return g_view; }
void GetFrame(HostNode*, int32_t* l, int32_t* t, int32_t* r, int32_t* b) {
  *l = 0;
  *t = 0;
  *r = 800;
  *b = 600;
}
void GetDrawParam(HostNode*, int32_t, HostData*) {}
void SetDrawParam(HostNode*, int32_t, const HostData*) {}
void SetInt(HostNode*, int32_t) {}
void SetMatrixScreen(HostNode*) {}
void SetMatrixMatrix(HostNode*, HostNode*, const HostMatrix*) {}
HostVector ScreenToWorld(HostNode*, HostVector p) { return p; }
void DrawTexture(HostNode*, const HostBitmap*, const HostVector*, const HostVector*, const HostVector*,
                 const HostVector*, int32_t, int32_t, int32_t) {}
void SetPen(HostNode*, HostVector) {}
void DrawLine(HostNode*, HostVector, HostVector, int32_t) {}
void DrawHandle2D(HostNode*, HostVector, int32_t) {}
void DrawHandle(HostNode*, HostVector, int32_t, int32_t) {}
HostVector ViewColor(int32_t) { return HostVector{1, 1, 0}; }
HostBool InputState(int32_t, int32_t, HostContainer*) { return HOST_FALSE; }
HostBool WindowInputState(HostEditorWindow*, int32_t, int32_t, HostContainer*) { return HOST_FALSE; }
void DragStart(HostEditorWindow*, int32_t, double, double, int32_t) { g_dragLeft = kDragSteps; }
int32_t DragStep(HostEditorWindow*, double* dx, double* dy, HostContainer*) {
  *dx = 1.0;
  *dy = 0.0;
  return g_dragLeft-- > 0 ? HOST_DRAGRESULT_CONTINUE : HOST_DRAGRESULT_ESCAPE;
}
void DragEnd(HostEditorWindow*) {}
int64_t Timer() { return 0; }
void DrawViews(int32_t) {}
void SpecialEventAdd(int32_t, int64_t, int64_t) {}

const HostViewApi kQuietViews{sizeof(HostViewApi), ActiveView, GetFrame, GetDrawParam, SetDrawParam, SetInt, SetInt,
                              SetMatrixScreen, SetMatrixMatrix, ScreenToWorld, DrawTexture, SetPen, DrawLine,
                              DrawHandle2D, DrawHandle, ViewColor, InputState, WindowInputState, DragStart, DragStep,
                              DragEnd};

struct ToolBench {
  Host& host = ombrel::bench::SharedHost();
  HostModule* module = ombrel::bench::SharedModule();
  HostNode* doc = nullptr;
  HostNode* shader = nullptr;
  HostNode* source = nullptr;
  std::unique_ptr<HostNode> view;
  HostMiscApi misc{};
  const PluginRecord* tool = nullptr;
  HostContainer* settings = nullptr;

  ToolBench() {
    tool = host.GetRegistry().Find(kToolId);
    if (!tool || !tool->toolInstance) Fail("the module has no UV transform tool");
    doc = host.NewDocument("uv tool");
    HostNode* material = NewMaterial(doc, "material");
    shader = InsertShader(material, CreateShader(host.GetRegistry(), kTransformId), nullptr);
    source = InsertShader(shader, CreateShader(host.GetRegistry(), kColorShaderType), nullptr);
    const HostContainerApi* c = ContainerFamily();
    c->setVector(&source->data, 1000, HostVector{0.2, 0.5, 0.8});
    c->setLink(&shader->data, 1100, source);
    // A quad in perspective, so that both guide pairs have a vanishing point.
    c->setVector(&shader->data, 1103, HostVector{0.2, 0.1, 0});
    c->setVector(&shader->data, 1104, HostVector{0.7, 0.2, 0});
    c->setVector(&shader->data, 1105, HostVector{0.9, 0.9, 0});
    c->setVector(&shader->data, 1106, HostVector{0.1, 0.8, 0});
    view = std::make_unique<HostNode>(NodeKind::Object, HOST_BASETYPE_VIEW);
    view->document = doc;
    g_view = view.get();
    misc = *module->api.misc;
    misc.size = sizeof(HostMiscApi);
    misc.timerMs = Timer;
    misc.drawViews = DrawViews;
    misc.specialEventAdd = SpecialEventAdd;
    Quiet q(*this);
    PressButton(shader, 1101);
    settings = host.ToolSettings(kToolId);
    if (!settings) Fail("the UV transform tool did not start");
    c->setInt32(settings, 1007, 1);  // the magnifier too
  }

  // The quiet view is the module's only for the time of one benchmark: other benchmarks share
  // the host's table.
  struct Quiet {
    HostModule* m;
    const HostViewApi* views;
    const HostMiscApi* misc;
    explicit Quiet(ToolBench& b) : m(b.module), views(b.module->api.views), misc(b.module->api.misc) {
      m->api.views = &kQuietViews;
      m->api.misc = &b.misc;
    }
    ~Quiet() {
      m->api.views = views;
      m->api.misc = misc;
    }
  };

  [[noreturn]] static void Fail(const std::string& why) {
    std::fprintf(stderr, "ombrel_bench: %s\n", why.c_str());
    std::exit(1);
  }
};

ToolBench& Shared() {
  static ToolBench bench;
  return bench;
}

// A new preview: what a change of the tool's shader setting costs.
void BM_ToolPreviewSampled(benchmark::State& state) {
  ToolBench& b = Shared();
  ToolBench::Quiet q(b);
  HostDescId id{};
  id.depth = 1;
  id.level[0] = HostDescLevel{1001, 0, 0};
  HostData link;
  for (auto _ : state) {
    int32_t flags = 0;
    b.tool->toolClass.setDParameter(b.tool->toolInstance, b.doc, b.settings, &id, &link, &flags);
  }
  state.SetItemsProcessed(state.iterations() * 1024 * 1024);
}
BENCHMARK(BM_ToolPreviewSampled)->Unit(benchmark::kMillisecond);

// The same 1,048,576 samples of the source, straight through the host, for the ratio.
void BM_ToolPreviewSourceSamples(benchmark::State& state) {
  ToolBench& b = Shared();
  const HostShaderApi* api = ShaderFamily();
  HostInitRender irs{};
  irs.document = b.doc;
  api->initRender(b.source, &irs);
  HostChannelData cd{};
  for (auto _ : state) {
    for (int i = 0; i < 1024; ++i) {
      for (int j = 0; j < 1024; ++j) {
        cd.p = HostVector{j * 0.0009775171065493646, i * 0.0009775171065493646, 0};
        HostVector c = api->sample(b.source, &cd);
        benchmark::DoNotOptimize(c);
      }
    }
  }
  api->freeRender(b.source);
  state.SetItemsProcessed(state.iterations() * 1024 * 1024);
}
BENCHMARK(BM_ToolPreviewSourceSamples)->Unit(benchmark::kMillisecond);

void BM_ToolDraw(benchmark::State& state) {
  ToolBench& b = Shared();
  ToolBench::Quiet q(b);
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        b.tool->toolClass.draw(b.tool->toolInstance, b.doc, b.settings, b.view.get(), nullptr, nullptr, 0));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ToolDraw);

// A press on corner 1 and a drag of 64 steps; the figure per item is one step.
void BM_ToolDragStep(benchmark::State& state) {
  ToolBench& b = Shared();
  ToolBench::Quiet q(b);
  const HostContainerApi* c = ContainerFamily();
  HostContainer msg;
  int windowTag = 0;
  HostEditorWindow* win = reinterpret_cast<HostEditorWindow*>(&windowTag);
  for (auto _ : state) {
    state.PauseTiming();
    c->setVector(&b.shader->data, 1103, HostVector{0.2, 0.1, 0});
    c->setInt32(&msg, HOST_MSG_POINTER_X, 220);
    c->setInt32(&msg, HOST_MSG_POINTER_Y, 60);
    state.ResumeTiming();
    b.tool->toolClass.mouseInput(b.tool->toolInstance, b.doc, b.settings, b.view.get(), win, &msg);
  }
  state.SetItemsProcessed(state.iterations() * kDragSteps);
  const HostVector moved = c->getVector(&b.shader->data, 1103, HostVector{});
  if (moved.x < 0.2 + 60.0 / 600.0) state.SkipWithError("the drag did not move the corner");
}
BENCHMARK(BM_ToolDragStep);

}  // namespace
