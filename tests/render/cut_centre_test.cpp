// The cut shader's centre shader through the sample command's path: a ramp from black to white
// across a row of objects picks their cells from left to right.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "../host/module_fixture.h"
#include "core/builtin_shaders.h"
#include "core/editing.h"
#include "core/families.h"
#include "core/nodes.h"
#include "image/image_reader.h"
#include "render/point_sampler.h"
#include "scenefile/scene_file.h"
#include "seeded_random.h"

namespace ombrel::test {
namespace {

constexpr int32_t kTexture = 1000;
constexpr int32_t kCenter = 1001;

class CutCentreExample : public ::testing::Test {
 protected:
  void SetUp() override {
    host::InstallImageReader();
    ASSERT_NE(LoadModule(host_), nullptr);
    std::string error;
    ASSERT_TRUE(host::LoadSceneFile(host_, std::string(OMBREL_SOURCE_DIR) + "/examples/cut_centre.json", scene_, error))
        << error;
    row_ = host::FindByName(scene_.document, "row");
    ASSERT_NE(row_, nullptr);
    // The atlas answers the coordinate it is sampled at, so the cell shows in numbers.
    HostNode* uv = host::InsertShader(row_, host::CreateShader(host_.GetRegistry(), host::kUvShaderType), nullptr);
    host::ContainerFamily()->setLink(&row_->data, kTexture, uv);
  }

  // The cell the object's sample at the middle of its rectangle lands in (8 x 4 cells of 1/8 x 1/4).
  int32_t CellOf(const std::string& object) {
    host::PointSampleRequest request;
    request.shader = row_;
    request.object = host::FindByName(scene_.document, object);
    EXPECT_NE(request.object, nullptr) << object;
    std::istringstream in("0.5 0.5 0\n");
    std::ostringstream out;
    host::PointSampleReport report;
    std::string error;
    EXPECT_TRUE(host::SamplePoints(scene_, request, in, out, report, error)) << error;
    std::istringstream result(out.str());
    double u = -1, v = -1, w = -1;
    result >> u >> v >> w;
    return static_cast<int32_t>(std::floor(v * 4.0)) * 8 + static_cast<int32_t>(std::floor(u * 8.0));
  }

  host::Host host_;
  host::Scene scene_;
  HostNode* row_ = nullptr;
};

TEST_F(CutCentreExample, RampPicksCellsFromLeftToRight) {
  // Object k (from 0) spans texture coordinates k/8 to (k+1)/8; its centre is at u = (k + 0.5) / 8,
  // where the 256-pixel ramp (column i is grey i/255) reads (32k + 15.5) / 255 between two
  // columns. Of 32 cells that chooses trunc(32 × (32k + 15.5) / 255).
  int32_t previous = -1;
  for (int32_t k = 0; k < 8; ++k) {
    const int32_t expected = static_cast<int32_t>(32.0 * (32.0 * k + 15.5) / 255.0);
    const int32_t cell = CellOf("tile-" + std::to_string(k + 1));
    EXPECT_EQ(cell, expected) << "tile " << k + 1;
    EXPECT_GT(cell, previous);
    previous = cell;
  }
}

TEST_F(CutCentreExample, WithoutTheCentreShaderTheRandomPickStands) {
  host::ContainerFamily()->setLink(&row_->data, kCenter, nullptr);
  for (int32_t k = 1; k <= 8; ++k) {
    // A top-level object's key is twice its identity (k × 7919 in the example).
    const int32_t key = 2 * (k * 7919);
    SeededRandom rnd;
    rnd.Init(key);
    rnd.Get01();
    const int32_t expected = static_cast<int32_t>((static_cast<int64_t>(std::floor(rnd.Get01() * 32)) + key) % 32);
    EXPECT_EQ(CellOf("tile-" + std::to_string(k)), expected) << k;
  }
}

}  // namespace
}  // namespace ombrel::test
