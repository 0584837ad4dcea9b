// Every request the module makes of the host for memory, failed in turn: load, start, a scene
// with every shader, render set-up, sampling, release and end must each survive it, leave
// nothing behind, and lose only the feature that needed the memory.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "../host/module_fixture.h"
#include "core/builtin_shaders.h"
#include "core/families.h"
#include "core/scene.h"
#include "render/render_session.h"

namespace ombrel::test {
namespace {

enum : int32_t {
  kTileTexture = 1100, kTileMode = 1130, kTileColumns = 1166, kTileTextureCount = 1220, kTileSlot = 3100,
  kColorTexture = 1000, kColorHue = 1002, kColorGradientMix = 1006, kColorPerPolygon = 1014,
  kCutTexture = 1000, kCutImageWidth = 1004, kCutImageHeight = 1005
};

const HostContainerApi* C() { return host::ContainerFamily(); }

// What one run produced: the plug-ins registered, the start line, and per shader type the
// samples taken (no entry when the shader node could not be made).
struct RunResult {
  bool struck = false;  // the injected failure happened
  std::string site;     // where
  int64_t requests = 0;
  std::vector<int32_t> registered;
  std::vector<int32_t> undescribed;  // registered without their description
  std::vector<std::string> console;
  std::map<int32_t, std::vector<HostVector>> samples;
  host::LedgerSnapshot left;
  std::vector<std::string> leaks;
};

HostNode* AddColour(host::Host& h, HostNode* under, int32_t linkId, HostVector colour) {
  HostNode* input = host::InsertShader(under, host::CreateShader(h.GetRegistry(), host::kColorShaderType), nullptr);
  C()->setVector(&input->data, 1000, colour);
  C()->setLink(&under->data, linkId, input);
  return input;
}

// Load, start, build a scene with every registered shader, set it up, sample, release, end.
// Request `failAt` of the module (counted from before system init) fails; 0 fails none.
// `tileTextures` false leaves the tile shader's slots empty.
RunResult RunWithFailure(int64_t failAt, bool tileTextures = true) {
  RunResult result;
  host::Host h;
  HostModule* m = StartModuleFailingAt(h, failAt);
  if (!m) return result;
  result.registered = RegisteredIds(h);
  for (const auto& plugin : h.GetRegistry().Plugins()) {
    if (!plugin->description || plugin->descriptionName.empty()) result.undescribed.push_back(plugin->id);
  }
  result.console = h.GetConsole().Lines();

  host::Scene scene;
  scene.document = h.NewDocument("allocation failures");
  std::map<int32_t, HostNode*> shaders;
  std::map<int32_t, std::vector<HostNode*>> objects;
  int32_t identity = 10;
  for (const int32_t type : {kTilesId, kColorId, kCutId, kTransformId}) {
    HostNode* material = host::NewMaterial(scene.document, "material " + std::to_string(type));
    HostNode* shader = host::InsertShader(material, host::CreateShader(h.GetRegistry(), type), nullptr);
    for (int i = 0; i < 2; ++i) {
      HostNode* object = host::NewObject(scene.document, nullptr, "object", identity);
      identity += 7;
      object->geometry.rows = 2;
      object->geometry.columns = 2;
      object->materialSerial = material->serial;
      object->renderIndex = static_cast<int32_t>(scene.objects.size());
      scene.objects.push_back(object);
      objects[type].push_back(object);
    }
    if (!shader) continue;
    material->channelShaderSerial = shader->serial;
    shaders[type] = shader;
  }
  const auto shaderOf = [&shaders](int32_t type) {
    const auto it = shaders.find(type);
    return it == shaders.end() ? nullptr : it->second;
  };
  if (HostNode* tiles = shaderOf(kTilesId)) {
    // Object mode picks from the texture list; samples without a hit take the tiles' own
    // textures, so the two can be compared.
    C()->setInt32(&tiles->data, kTileMode, 2);
    C()->setInt32(&tiles->data, kTileColumns, 3);
    if (tileTextures) {
      AddColour(h, tiles, kTileTexture, HostVector{0.9, 0.1, 0.1});
      AddColour(h, tiles, kTileSlot + 1, HostVector{0.1, 0.9, 0.1});
      AddColour(h, tiles, kTileSlot + 2, HostVector{0.1, 0.1, 0.9});
      C()->setInt32(&tiles->data, kTileTextureCount, 3);
    }
  }
  if (HostNode* cut = shaderOf(kCutId)) {
    // Whole cells and a texture: the set-up lists each object's cell, and a sample that cannot
    // find its object there (the list's memory refused) draws the same cell itself.
    C()->setInt32(&cut->data, kCutImageWidth, 96);
    C()->setInt32(&cut->data, kCutImageHeight, 96);
    HostNode* uv = host::InsertShader(cut, host::CreateShader(h.GetRegistry(), host::kUvShaderType), nullptr);
    C()->setLink(&cut->data, kCutTexture, uv);
  }
  if (HostNode* colour = shaderOf(kColorId)) {
    AddColour(h, colour, kColorTexture, HostVector{0.6, 0.4, 0.2});
    C()->setReal(&colour->data, kColorHue, 0.5);
    C()->setReal(&colour->data, kColorGradientMix, 0.5);
    C()->setInt32(&colour->data, kColorPerPolygon, 1);
  }

  host::RenderSession session;
  session.Begin(scene);
  for (const auto& [type, shader] : shaders) {
    std::vector<HostVector>& out = result.samples[type];
    for (const double u : {0.1, 0.45, 0.8}) {
      for (HostNode* object : objects[type]) {
        HostVolume vd = session.HitOn(object, u, 0.7, HostVector{u, 0.7, 0.0});
        HostChannelData cd{};
        cd.p = HostVector{u, 0.7, 0.0};
        cd.vd = &vd;
        out.push_back(host::ShaderFamily()->sample(shader, &cd));
      }
      HostChannelData cd{};
      cd.p = HostVector{u, 0.3, 0.0};
      out.push_back(host::ShaderFamily()->sample(shader, &cd));
    }
  }
  session.End();

  result.struck = m->ledger.InjectedFailureStruck();
  result.site = m->ledger.InjectedFailureSite();
  result.requests = m->ledger.Requests();
  h.ReleasePlugins(m);
  h.End(m);
  result.left = m->ledger.Snapshot();
  result.leaks = m->ledger.LiveBlocks();
  h.Close(m);
  return result;
}

bool Same(const std::vector<HostVector>& a, const std::vector<HostVector>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].x != b[i].x || a[i].y != b[i].y || a[i].z != b[i].z) return false;
  }
  return true;
}

// Whether `part` keeps the order of `whole` and takes nothing else.
bool Subsequence(const std::vector<int32_t>& part, const std::vector<int32_t>& whole) {
  size_t at = 0;
  for (const int32_t id : part) {
    while (at < whole.size() && whole[at] != id) ++at;
    if (at == whole.size()) return false;
    ++at;
  }
  return true;
}

TEST(AllocationFailure, EveryRequestOfARunMayFail) {
  const RunResult clean = RunWithFailure(0);
  ASSERT_EQ(clean.registered, (std::vector<int32_t>{kTilesId, kColorId, kCutId, kTransformId, kToolId}));
  ASSERT_EQ(clean.samples.size(), 4u);
  ASSERT_EQ(clean.left.liveBlocks, 0);
  ASSERT_EQ(clean.left.liveHandles, 0);
  ASSERT_EQ(clean.console, std::vector<std::string>{"Ombrel Shaders - Version 2 Installed"});
  const RunResult untextured = RunWithFailure(0, false);
  ASSERT_FALSE(Same(untextured.samples.at(kTilesId), clean.samples.at(kTilesId)));
  ASSERT_GT(clean.requests, 20);

  int64_t n = 1;
  for (;; ++n) {
    const RunResult run = RunWithFailure(n);
    const std::string at = "request " + std::to_string(n) + " (" + run.site + ")";
    if (!run.struck) break;
    ASSERT_LE(n, clean.requests) << at;
    EXPECT_EQ(run.left.liveBlocks, 0) << at << ::testing::PrintToString(run.leaks);
    EXPECT_EQ(run.left.liveHandles, 0) << at;
    // A plug-in that cannot register is missing; the others keep their order.
    EXPECT_TRUE(Subsequence(run.registered, clean.registered)) << at;
    // The start line is whole or missing; only a title that could not be copied may be missing.
    if (!run.console.empty()) {
      EXPECT_EQ(run.console.size(), 1u) << at;
      const std::string& line = run.console[0];
      EXPECT_TRUE(line == clean.console[0] || line == " - Version 2 Installed") << at << " " << line;
    }
    EXPECT_TRUE(run.undescribed.empty()) << at << ::testing::PrintToString(run.undescribed);
    for (const auto& [type, samples] : run.samples) {
      for (const HostVector& c : samples) {
        ASSERT_TRUE(std::isfinite(c.x) && std::isfinite(c.y) && std::isfinite(c.z)) << at;
      }
      // A shader renders as it always does, or without the part that needed the memory: the
      // tile shader's textures, all of them or none.
      const bool usual = Same(samples, clean.samples.at(type));
      const bool withoutTextures = type == kTilesId && Same(samples, untextured.samples.at(type));
      EXPECT_TRUE(usual || withoutTextures) << at << " shader " << type;
    }
  }
  // The walk went through every request of the clean run.
  EXPECT_EQ(n, clean.requests + 1);
  std::printf("allocation failures: %lld requests walked\n", static_cast<long long>(clean.requests));
}

}  // namespace
}  // namespace ombrel::test
