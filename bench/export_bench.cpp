// Cost of the UV transform shader's TIFF export of a 2048 × 2048 picture (render set-up, one
// sample per pixel on the main thread, the save), against sampling its source shader over the
// same pixels in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "bench_host.h"
#include "core/builtin_shaders.h"
#include "core/editing.h"
#include "core/families.h"
#include "core/host.h"
#include "core/scene.h"
#include "image/bitmap_save.h"
#include "image/image_writer.h"

namespace {

using namespace ombrel::host;

constexpr int32_t kTransformId = 1027722;
constexpr int32_t kSide = 2048;
enum : int32_t { kSource = 1100, kSaveImage = 1117 };

struct ExportBench {
  Host& host = ombrel::bench::SharedHost();
  std::filesystem::path folder = std::filesystem::temp_directory_path() / "ombrel-export-bench";
  HostNode* doc = nullptr;
  HostNode* bitmap = nullptr;
  HostNode* transform = nullptr;

  ExportBench() {
    InstallBitmapSaver();
    host.GetDialogs().SetInteractive(false);
    std::filesystem::create_directories(folder);
    FloatImage image;
    image.width = image.height = kSide;
    image.rgb.resize(static_cast<size_t>(kSide) * kSide * 3);
    for (int y = 0; y < kSide; ++y) {
      for (int x = 0; x < kSide; ++x) {
        float* px = image.Pixel(x, y);
        px[0] = static_cast<float>(x) / kSide;
        px[1] = static_cast<float>(y) / kSide;
        px[2] = static_cast<float>((x ^ y) & 255) / 255.0f;
      }
    }
    std::string error;
    const std::filesystem::path file = folder / "source.tif";
    if (!WriteImage(image, file, error)) Fail(error);
    doc = host.NewDocument("export");
    HostNode* material = NewMaterial(doc, "material");
    transform = InsertShader(material, CreateShader(host.GetRegistry(), kTransformId), nullptr);
    if (!transform) Fail("the module has no UV transform shader");
    material->channelShaderSerial = transform->serial;
    bitmap = InsertShader(transform, CreateShader(host.GetRegistry(), kBitmapShaderType), nullptr);
    const std::string name = file.string();
    ContainerFamily()->setString(&bitmap->data, kBitmapFileParam, HostStr{name.data(), static_cast<int64_t>(name.size())});
    ContainerFamily()->setLink(&transform->data, kSource, bitmap);
  }
  ~ExportBench() {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
  [[noreturn]] static void Fail(const std::string& why) {
    std::fprintf(stderr, "ombrel_bench: %s\n", why.c_str());
    std::exit(1);
  }
};

ExportBench& Bench() {
  static ExportBench bench;
  return bench;
}

void BM_Export2048(benchmark::State& state) {
  ExportBench& b = Bench();
  const std::string out = (b.folder / "baked.tiff").string();
  for (auto _ : state) {
    b.host.GetDialogs().Queue(DialogAnswer::Chosen(out));
    PressButton(b.transform, kSaveImage);
  }
  if (!std::filesystem::exists(out)) state.SkipWithError("the export wrote no file");
  state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_Export2048)->Unit(benchmark::kMillisecond);

// The source's own samples over the same pixels, with its set-up and release.
void BM_SourceSamples2048(benchmark::State& state) {
  ExportBench& b = Bench();
  const HostShaderApi* shaders = ShaderFamily();
  for (auto _ : state) {
    HostInitRender irs{b.doc, 0.0, 30.0, HOST_FALSE, 1};
    if (shaders->initRender(b.bitmap, &irs) != 0) state.SkipWithError("the source cannot be set up");
    HostChannelData cd{};
    cd.texflag = HOST_TEX_TILE | HOST_TEX_MIRROR;
    double sum = 0.0;
    for (int y = 0; y < kSide; ++y) {
      for (int x = 0; x < kSide; ++x) {
        cd.p = HostVector{x / (kSide - 1.0), y / (kSide - 1.0), 0.0};
        sum += shaders->sample(b.bitmap, &cd).x;
      }
    }
    benchmark::DoNotOptimize(sum);
    shaders->freeRender(b.bitmap);
  }
  state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_SourceSamples2048)->Unit(benchmark::kMillisecond);

}  // namespace
