// Cost of the tile shader's folder import: 100 pictures of 1024 × 1024 pixels, generated in a
// temporary folder when the benchmark first runs. Against it, in the same run: reading the same
// pictures alone (what the bitmap shader's set-up does for each one), and importing a folder of
// 100 files that are no pictures (the walk, the suffix tests and the dialog).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench_host.h"
#include "core/editing.h"
#include "core/host.h"
#include "core/scene.h"
#include "core/undo.h"
#include "image/image_reader.h"
#include "image/image_writer.h"

namespace {

using namespace ombrel::host;

constexpr int32_t kTilesId = 1028619;
constexpr int32_t kLoadFolder = 1202;
constexpr int kPictures = 100;
constexpr int kSide = 1024;

std::string Utf8(const std::filesystem::path& p) {
  const std::u8string u8 = p.u8string();
  return std::string(u8.begin(), u8.end());
}

struct ImportBench {
  Host& host = ombrel::bench::SharedHost();
  std::filesystem::path root = std::filesystem::temp_directory_path() / "ombrel-import-bench";
  std::filesystem::path pictures = root / "pictures";
  std::filesystem::path texts = root / "texts";
  HostNode* doc = nullptr;
  HostNode* tiles = nullptr;

  ImportBench() {
    InstallImageReader();
    host.GetDialogs().SetInteractive(false);
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(pictures);
    std::filesystem::create_directories(texts);
    // Photographs do not compress to nothing: a pattern with some grain. One picture is
    // written and copied, as every copy costs the import the same.
    FloatImage image;
    image.width = image.height = kSide;
    image.rgb.resize(static_cast<size_t>(kSide) * kSide * 3);
    uint32_t state = 12345;
    for (int y = 0; y < kSide; ++y) {
      for (int x = 0; x < kSide; ++x) {
        state = state * 1664525u + 1013904223u;
        const float grain = static_cast<float>(state >> 24) / 2550.0f;
        float* px = image.Pixel(x, y);
        px[0] = static_cast<float>(x) / kSide * 0.9f + grain;
        px[1] = static_cast<float>(y) / kSide * 0.9f + grain;
        px[2] = static_cast<float>(x ^ y) / 2048.0f + grain;
      }
    }
    std::string error;
    const std::filesystem::path first = pictures / "photo-000.png";
    if (!WriteImage(image, first, error)) Fail(error);
    for (int i = 0; i < kPictures; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "photo-%03d.png", i);
      if (i > 0) std::filesystem::copy_file(first, pictures / name);
      std::snprintf(name, sizeof name, "note-%03d.txt", i);
      std::ofstream(texts / name) << "not a picture\n";
    }
    doc = host.NewDocument("import");
    HostNode* material = NewMaterial(doc, "material");
    tiles = InsertShader(material, CreateShader(host.GetRegistry(), kTilesId), nullptr);
    if (!tiles) Fail("the module has no tile shader");
    material->channelShaderSerial = tiles->serial;
  }
  ~ImportBench() {
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  }
  [[noreturn]] static void Fail(const std::string& why) {
    std::fprintf(stderr, "ombrel_bench: %s\n", why.c_str());
    std::exit(1);
  }
  // One import of the folder, taken back by undo outside the timing.
  void Import(benchmark::State& state, const std::filesystem::path& folder) {
    host.GetDialogs().Queue(DialogAnswer::Chosen(Utf8(folder)));
    PressButton(tiles, kLoadFolder);
    state.PauseTiming();
    HistoryOf(doc)->Undo();
    state.ResumeTiming();
  }
};

ImportBench& Bench() {
  static ImportBench bench;
  return bench;
}

void BM_ImportFolder100(benchmark::State& state) {
  ImportBench& b = Bench();
  for (auto _ : state) b.Import(state, b.pictures);
  if (b.tiles->shaders.size() != 0) state.SkipWithError("undo left imported shaders behind");
  state.SetItemsProcessed(state.iterations() * kPictures);
  // Seconds per picture, over the wall-clock time (the pictures come from the disk).
  state.counters["s_per_image"] =
      benchmark::Counter(static_cast<double>(state.iterations() * kPictures),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ImportFolder100)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// What reading the pictures costs by itself.
void BM_ReadPictures100(benchmark::State& state) {
  ImportBench& b = Bench();
  for (auto _ : state) {
    for (const auto& entry : std::filesystem::directory_iterator(b.pictures)) {
      FloatImage image;
      std::string error;
      if (!ReadImageFile(entry.path(), image, error)) state.SkipWithError(error.c_str());
      benchmark::DoNotOptimize(image.rgb.data());
    }
  }
  state.SetItemsProcessed(state.iterations() * kPictures);
}
BENCHMARK(BM_ReadPictures100)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// Everything but the pictures: the dialog, the walk and the suffix test of every entry.
void BM_ImportFolderOfText100(benchmark::State& state) {
  ImportBench& b = Bench();
  for (auto _ : state) b.Import(state, b.texts);
  state.SetItemsProcessed(state.iterations() * kPictures);
}
BENCHMARK(BM_ImportFolderOfText100)->Unit(benchmark::kMicrosecond);

}  // namespace
