// The renderer: which object, polygon and (u, v) each pixel samples, what a sample carries,
// picture sizes, set-up failures, and the same picture on any number of threads.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <tuple>
#include <vector>

#include "../host/module_fixture.h"
#include "core/families.h"
#include "render/renderer.h"
#include "render_fixture.h"
#include "image/image_reader.h"
#include "scenefile/scene_file.h"

namespace ombrel::test {
namespace {

host::RenderOptions Quiet(int32_t threads = 0) {
  host::RenderOptions o;
  o.threads = threads;
  o.progress = false;
  return o;
}

host::FloatImage RenderOrFail(const host::Scene& scene, const host::RenderOptions& options,
                              host::RenderReport* reportOut = nullptr) {
  host::FloatImage image;
  host::RenderReport report;
  std::string error;
  EXPECT_TRUE(host::Render(scene, options, image, report, error)) << error;
  if (reportOut) *reportOut = report;
  return image;
}

::testing::AssertionResult PixelIs(const host::FloatImage& image, int x, int y, float r, float g, float b) {
  const float* p = image.Pixel(x, y);
  if (p[0] == r && p[1] == g && p[2] == b) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is (" << p[0] << ", " << p[1] << ", "
                                       << p[2] << "), expected (" << r << ", " << g << ", " << b << ")";
}

TEST(Renderer, PixelsSampleTheTopmostObjectAtTheirUvElseTheBackground) {
  host::Host h;
  SceneBuilder b(h);
  b.scene.settings.width = 40;
  b.scene.settings.height = 30;
  b.scene.settings.background = HostVector{0.25, 0.5, 0.75};
  HostNode* uv = b.Material(host::kUvShaderType, "uv");
  HostNode* uv2 = b.Material(host::kUvShaderType, "uv2");
  struct Rect {
    double left, top, right, bottom;
  };
  const Rect back{0.1, 0.1, 0.7, 0.8}, front{0.5, 0.4, 0.9, 0.95}, bare{0.0, 0.85, 0.2, 1.0};
  b.Object("back", uv, back.left, back.top, back.right, back.bottom);
  b.Object("front", uv2, front.left, front.top, front.right, front.bottom);
  b.Object("bare", nullptr, bare.left, bare.top, bare.right, bare.bottom);
  // Objects without area or with edges that are not numbers draw nothing.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  b.Object("nan", uv, nan, 0.0, 1.0, 1.0);
  b.Object("infinite", uv, -inf, 0.0, inf, 1.0);
  b.Object("flat", uv, 0.0, 0.5, 1.0, 0.5);
  b.Object("inverted", uv, 1.0, 0.0, 0.0, 1.0);

  const host::FloatImage image = RenderOrFail(b.scene, Quiet(2));
  ASSERT_EQ(image.width, 40);
  ASSERT_EQ(image.height, 30);
  int backPixels = 0;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x) {
      const double px = (x + 0.5) / 40, py = (y + 0.5) / 30;
      auto inside = [&](const Rect& r) { return px >= r.left && px < r.right && py >= r.top && py < r.bottom; };
      if (inside(front)) {
        ASSERT_TRUE(PixelIs(image, x, y, static_cast<float>((px - front.left) / (front.right - front.left)),
                            static_cast<float>((py - front.top) / (front.bottom - front.top)), 0.0f));
      } else if (inside(back)) {
        ++backPixels;
        ASSERT_TRUE(PixelIs(image, x, y, static_cast<float>((px - back.left) / (back.right - back.left)),
                            static_cast<float>((py - back.top) / (back.bottom - back.top)), 0.0f));
      } else if (inside(bare)) {
        ASSERT_TRUE(PixelIs(image, x, y, 0.8f, 0.8f, 0.8f));
      } else {
        ASSERT_TRUE(PixelIs(image, x, y, 0.25f, 0.5f, 0.75f));
      }
    }
  }
  EXPECT_GT(backPixels, 100);
  // Spot checks worked out by hand: the first pixel of "back", and one just outside it.
  EXPECT_TRUE(PixelIs(image, 4, 3, static_cast<float>(0.0125 / 0.6), static_cast<float>((3.5 / 30 - 0.1) / 0.7), 0.0f));
  EXPECT_TRUE(PixelIs(image, 3, 3, 0.25f, 0.5f, 0.75f));
}

TEST(Renderer, APixelCentreOnTheLeftOrTopEdgeIsInsideAndOnTheRightOrBottomEdgeOutside) {
  host::Host h;
  SceneBuilder b(h);
  b.scene.settings.width = 8;
  b.scene.settings.height = 8;
  // Pixel centres of an 8-pixel side lie at 1/16, 3/16, ...: exact in binary.
  b.Object("box", b.Material(host::kUvShaderType), 3.0 / 16, 5.0 / 16, 9.0 / 16, 11.0 / 16);
  const host::FloatImage image = RenderOrFail(b.scene, Quiet(1));
  EXPECT_TRUE(PixelIs(image, 1, 2, 0.0f, 0.0f, 0.0f));  // on the top left corner: u = v = 0
  EXPECT_TRUE(PixelIs(image, 3, 4, 2.0f / 3, 2.0f / 3, 0.0f));
  EXPECT_TRUE(PixelIs(image, 0, 2, 0.0f, 0.0f, 0.0f));  // background
  EXPECT_TRUE(PixelIs(image, 4, 4, 0.0f, 0.0f, 0.0f));  // x centre 9/16: on the right edge, outside
  EXPECT_TRUE(PixelIs(image, 3, 5, 0.0f, 0.0f, 0.0f));  // y centre 11/16: on the bottom edge, outside
}

TEST(Renderer, SamplesCarryTheHitPolygonObjectPointDeltaTimeAndFlags) {
  host::Host h;
  SceneBuilder b(h);
  b.scene.settings.width = 8;
  b.scene.settings.height = 4;
  b.scene.settings.time = 1.25;
  HostNode* hit = b.ProbeMaterial(Probe::Hit, nullptr, 0, "hit");
  b.Object("grid", hit, 0.0, 0.0, 1.0, 1.0, 2, 4);
  b.Object("patch", hit, 0.75, 0.5, 1.0, 1.0);  // covers polygon 7 of the grid
  host::RenderOptions options = Quiet(3);
  options.texflag = HOST_TEX_MIRROR;
  host::FloatImage image = RenderOrFail(b.scene, options);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 8; ++x) {
      if (x >= 6 && y >= 2) {
        EXPECT_TRUE(PixelIs(image, x, y, 0.0f, 1.0f, 2.0f));
      } else {
        EXPECT_TRUE(PixelIs(image, x, y, static_cast<float>((y / 2) * 4 + x / 2), 0.0f, 2.0f));
      }
    }
  }

  // The hit point is the pixel centre in fractions of the picture.
  SceneBuilder points(h, "points");
  points.scene.settings.width = 5;
  points.scene.settings.height = 3;
  points.Object("all", points.ProbeMaterial(Probe::Point), 0.0, 0.0, 1.0, 1.0);
  image = RenderOrFail(points.scene, Quiet(2));
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) {
      EXPECT_TRUE(PixelIs(image, x, y, static_cast<float>((x + 0.5) / 5), static_cast<float>((y + 0.5) / 3), 0.0f));
    }
  }

  // Half a pixel in (u, v): the rectangle is 50 × 25 pixels.
  SceneBuilder delta(h, "delta");
  delta.scene.settings.width = 100;
  delta.scene.settings.height = 100;
  delta.scene.settings.time = 2.5;
  delta.Object("half", delta.ProbeMaterial(Probe::Delta), 0.25, 0.5, 0.75, 0.75);
  image = RenderOrFail(delta.scene, Quiet(2));
  EXPECT_TRUE(PixelIs(image, 50, 60, static_cast<float>(0.5 / 50), static_cast<float>(0.5 / 25), 2.5f));
}

TEST(Renderer, ShadersAreSetUpOnceAndReleasedAndAFailedSetUpIsReportedWhileTheRenderGoesOn) {
  host::Host h;
  SceneBuilder b(h);
  b.scene.settings.width = 6;
  b.scene.settings.height = 6;
  ProbeShader* failing = nullptr;
  HostNode* material = b.ProbeMaterial(Probe::Hit, &failing, 7);
  b.Object("one", material, 0.0, 0.0, 0.5, 1.0);
  b.Object("two", material, 0.5, 0.0, 1.0, 1.0);
  host::RenderReport report;
  const host::FloatImage image = RenderOrFail(b.scene, Quiet(2), &report);
  EXPECT_EQ(failing->setUps, 1);
  EXPECT_EQ(failing->releases, 1);
  ASSERT_EQ(report.failedSetUps.size(), 1u);
  EXPECT_EQ(report.failedSetUps[0].first, b.Shader("probe"));
  EXPECT_EQ(report.failedSetUps[0].second, 7);
  EXPECT_TRUE(PixelIs(image, 4, 0, 0.0f, 1.0f, 0.0f));  // sampled all the same: object "two"
}

TEST(Renderer, PictureSizeComesFromTheOptionsElseTheSceneAndBadSizesAreRefused) {
  host::Host h;
  SceneBuilder b(h);
  b.scene.settings.width = 7;
  b.scene.settings.height = 5;
  b.scene.settings.linearWorkflow = true;
  b.Object("all", b.Material(host::kUvShaderType), 0.0, 0.0, 1.0, 1.0);
  host::RenderReport report;
  host::FloatImage image = RenderOrFail(b.scene, Quiet(64), &report);
  EXPECT_EQ(report.width, 7);
  EXPECT_EQ(report.height, 5);
  EXPECT_EQ(report.threads, 5);  // never more threads than rows
  EXPECT_EQ(image.rgb.size(), 7u * 5u * 3u);
  EXPECT_TRUE(image.linear);

  host::RenderOptions options = Quiet(1);
  options.width = 3;
  options.height = 2;
  image = RenderOrFail(b.scene, options, &report);
  EXPECT_EQ(image.width, 3);
  EXPECT_EQ(image.height, 2);
  EXPECT_EQ(report.threads, 1);

  std::string error;
  for (auto [w, hgt] : {std::pair{0, 5}, std::pair{-3, 5}, std::pair{7, host::kMaxPictureSide + 1}}) {
    b.scene.settings.width = w;
    b.scene.settings.height = hgt;
    EXPECT_FALSE(host::Render(b.scene, Quiet(1), image, report, error));
    EXPECT_NE(error.find("picture size"), std::string::npos) << error;
  }
}

TEST(Renderer, PictureSizesAreWholeNumbersWithinLimits) {
  int32_t w = 0, h = 0;
  std::string error;
  EXPECT_TRUE(host::ParsePictureSize("640x480", w, h, error));
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  EXPECT_TRUE(host::ParsePictureSize("1X16384", w, h, error));
  EXPECT_EQ(h, 16384);
  for (const char* bad : {"0x10", "10x0", "abc", "", "x", "10x", "x10", "10x10x", "-5x5", "+5x5", " 5x5", "5x5 ",
                          "5.0x5", "16385x1", "99999999999x1", "0x0"}) {
    w = h = 77;
    error.clear();
    EXPECT_FALSE(host::ParsePictureSize(bad, w, h, error)) << bad;
    EXPECT_NE(error.find(std::string("\"") + bad + "\""), std::string::npos) << error;
    EXPECT_EQ(w, 77);  // untouched on failure
  }
  EXPECT_EQ(host::RenderThreadCount(3), 3);
  EXPECT_GE(host::RenderThreadCount(0), 1);
  EXPECT_EQ(host::RenderThreadCount(100000), host::kMaxRenderThreads);
}

// The colour-adjust shader with every variation on, per object and per polygon group: the
// picture must not depend on how rows are shared out between threads, nor differ between runs.
TEST(RenderThreads, SamePictureBitForBitOnAnyThreadCountAndEveryRun) {
  host::Host h;
  HostModule* module = LoadModule(h);
  ASSERT_NE(module, nullptr);
  SceneBuilder b(h);
  b.scene.settings.width = 96;
  b.scene.settings.height = 61;
  HostNode* material = b.Material(kColorId, "glent");
  HostNode* shader = b.Shader("glent");
  ASSERT_NE(shader, nullptr);
  const HostContainerApi* c = host::ContainerFamily();
  c->setVector(&shader->data, 1010, HostVector{0.7, 0.4, 0.2});
  c->setReal(&shader->data, 1002, 0.8);   // hue
  c->setReal(&shader->data, 1003, 0.6);   // saturation
  c->setReal(&shader->data, 1004, 0.5);   // lightness
  c->setReal(&shader->data, 1007, 0.4);   // gamma
  c->setReal(&shader->data, 1006, 0.3);   // gradient mix
  c->setInt32(&shader->data, 1014, 1);    // per polygon
  c->setInt32(&shader->data, 1015, 3);    // groups of three
  HostNode* parent = nullptr;
  for (int i = 0; i < 12; ++i) {
    const double left = (i % 4) * 0.25, top = (i / 4) / 3.0;
    HostNode* o = b.Object("o" + std::to_string(i), material, left, top, left + 0.25, top + 1.0 / 3, 3, 3, i * 7 + 1,
                           i % 3 == 1 ? parent : nullptr);
    if (i % 3 == 0) parent = o;
  }
  host::RenderReport report;
  const host::FloatImage one = RenderOrFail(b.scene, Quiet(1), &report);
  EXPECT_EQ(report.threads, 1);
  std::set<std::tuple<float, float, float>> colours;
  for (size_t i = 0; i < one.rgb.size(); i += 3) colours.emplace(one.rgb[i], one.rgb[i + 1], one.rgb[i + 2]);
  // 12 objects of three polygon groups each: 36 variations.
  EXPECT_GT(colours.size(), 30u) << "the variations should make many different colours";

  EXPECT_EQ(RenderOrFail(b.scene, Quiet(1)).rgb, one.rgb);
  for (int32_t threads : {2, 3}) {
    const host::FloatImage many = RenderOrFail(b.scene, Quiet(threads), &report);
    EXPECT_EQ(report.threads, threads);
    EXPECT_EQ(many.rgb, one.rgb) << threads << " threads";
  }
}

// The tile example scenes (UV tiles with noisy joints, polygon tiles, a texture per object):
// the same picture on any thread count, every texture read, and a picture made of the textures'
// many colours (a black or flat picture would also be the same on any thread count).
TEST(RenderThreads, TileExamplesAreTheSameOnAnyThreadCount) {
  host::InstallImageReader();
  std::set<std::vector<float>> pictures;
  for (const char* name : {"tiles_uv_joints", "tiles_polygons", "tiles_objects"}) {
    host::Host h;
    ASSERT_NE(LoadModule(h), nullptr);
    host::Scene scene;
    std::string error;
    const std::string file = std::string(OMBREL_SOURCE_DIR) + "/examples/" + name + ".json";
    ASSERT_TRUE(host::LoadSceneFile(h, file, scene, error)) << error;
    host::RenderOptions options = Quiet(1);
    options.width = 160;
    options.height = 120;
    host::RenderReport report;
    const host::FloatImage one = RenderOrFail(scene, options, &report);
    EXPECT_TRUE(report.failedSetUps.empty()) << name;
    EXPECT_TRUE(h.Log().empty()) << name << ": " << (h.Log().empty() ? "" : h.Log().front());
    std::set<std::tuple<float, float, float>> colours;
    for (size_t i = 0; i + 2 < one.rgb.size(); i += 3) {
      ASSERT_TRUE(std::isfinite(one.rgb[i]) && std::isfinite(one.rgb[i + 1]) && std::isfinite(one.rgb[i + 2])) << name;
      colours.emplace(one.rgb[i], one.rgb[i + 1], one.rgb[i + 2]);
    }
    EXPECT_GT(colours.size(), 1000u) << name << ": the textures' colours should show";
    pictures.insert(one.rgb);
    options.threads = 2;
    EXPECT_EQ(RenderOrFail(scene, options).rgb, one.rgb) << name;
  }
  EXPECT_EQ(pictures.size(), 3u) << "each example shows its own picture";
}

}  // namespace
}  // namespace ombrel::test
