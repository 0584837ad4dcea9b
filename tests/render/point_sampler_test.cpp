// Sampling a shader at points read as text: the input format, the hit a sample carries, and
// requests that cannot be served.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "render/point_sampler.h"
#include "render_fixture.h"

namespace ombrel::test {
namespace {

TEST(PointSampler, ReadsThreeNumbersPerLineSkippingBlankLinesAndComments) {
  std::istringstream in(
      "# u v w\n"
      "0.25 0.5 0\n"
      "\n"
      "   \t\n"
      "1e-3\t-2 +3   # trailing comment\r\n"
      "nan inf -inf\n"
      "0.1 0.2 0.3");  // no newline at the end
  std::vector<HostVector> points;
  std::string error;
  ASSERT_TRUE(host::ReadSamplePoints(in, points, error)) << error;
  ASSERT_EQ(points.size(), 4u);
  EXPECT_EQ(points[0].y, 0.5);
  EXPECT_EQ(points[1].x, 1e-3);
  EXPECT_EQ(points[1].z, 3.0);
  EXPECT_TRUE(std::isnan(points[2].x));
  EXPECT_TRUE(std::isinf(points[2].z) && points[2].z < 0);
  EXPECT_EQ(points[3].z, 0.3);
}

TEST(PointSampler, AMalformedLineIsAnErrorNamingItsNumber) {
  for (const auto& [text, line] : std::vector<std::pair<std::string, int>>{
           {"0 0 0\n1 2\n", 2},
           {"0 0 0\n\n# c\n1 2 3 4\n", 4},
           {"a b c\n", 1},
           {"1,2,3\n", 1},
           {"1 2 3x\n", 1},
           {"0 0 0\n0 0 0\n1e999 0 0\n", 3},  // out of range
       }) {
    std::istringstream in(text);
    std::vector<HostVector> points;
    std::string error;
    EXPECT_FALSE(host::ReadSamplePoints(in, points, error)) << text;
    EXPECT_EQ(error.rfind("line " + std::to_string(line) + ":", 0), 0u) << error;
  }
}

class PointSamplerScene : public ::testing::Test {
 protected:
  PointSamplerScene() : b_(h_) {
    b_.scene.settings.time = 0.75;
    b_.Material(host::kUvShaderType, "uv");
    b_.ProbeMaterial(Probe::Hit, &probe_, 0, "hit");
    b_.ProbeMaterial(Probe::Point, nullptr, 0, "point");
    b_.ProbeMaterial(Probe::Delta, nullptr, 0, "delta");
    grid_ = b_.Object("grid", nullptr, 0.5, 0.25, 1.0, 0.75, 2, 3);
  }

  bool Sample(const std::string& input, host::PointSampleRequest request, std::string& out, std::string& error) {
    std::istringstream in(input);
    std::ostringstream os;
    host::PointSampleReport report;
    const bool ok = host::SamplePoints(b_.scene, request, in, os, report, error);
    out = os.str();
    return ok;
  }
  host::PointSampleRequest For(const std::string& material) {
    host::PointSampleRequest r;
    r.shader = b_.Shader(material);
    return r;
  }

  host::Host h_;
  SceneBuilder b_;
  ProbeShader* probe_ = nullptr;
  HostNode* grid_ = nullptr;
};

TEST_F(PointSamplerScene, PrintsEachSampleWithSeventeenDigitsSoDoublesSurviveTheTrip) {
  std::string out, error;
  ASSERT_TRUE(Sample("0.1 0.2 0.3\n# skip\n1 -2.5 1e-300\n", For("uv"), out, error)) << error;
  EXPECT_EQ(out, "0.10000000000000001 0.20000000000000001 0.29999999999999999\n1 -2.5 1e-300\n");
}

TEST_F(PointSamplerScene, WithAnObjectSamplesHitItsPolygonAtThePointOnItsRectangle) {
  std::string out, error;
  host::PointSampleRequest hit = For("hit");
  hit.object = grid_;
  hit.texflag = 5;
  ASSERT_TRUE(Sample("0.1 0.1 0\n0.9 0.9 0\n", hit, out, error)) << error;
  EXPECT_EQ(out, "0 0 5\n5 0 5\n");  // polygon under (u, v), render index 0, the flags
  EXPECT_EQ(probe_->setUps, 1);
  EXPECT_EQ(probe_->releases, 1);

  hit.polygon = 4;
  ASSERT_TRUE(Sample("0.1 0.1 0\n", hit, out, error)) << error;
  EXPECT_EQ(out, "4 0 5\n");

  host::PointSampleRequest point = For("point");
  point.object = grid_;
  ASSERT_TRUE(Sample("0.5 0.5 0\n", point, out, error)) << error;
  EXPECT_EQ(out, "0.75 0.5 0\n");

  // Without an object a sample carries no hit record.
  ASSERT_TRUE(Sample("0.5 0.5 0\n", For("point"), out, error)) << error;
  EXPECT_EQ(out, "-1 -1 -1\n");
  ASSERT_TRUE(Sample("0.5 0.5 0\n", For("delta"), out, error)) << error;
  EXPECT_EQ(out, "0 0 0.75\n");  // no filter delta; the scene's time
}

TEST_F(PointSamplerScene, BadRequestsWriteNothingAndSetUpNothing) {
  std::string out, error;
  host::PointSampleRequest hit = For("hit");
  hit.object = grid_;
  hit.polygon = 6;  // 2 × 3 polygons: 0 to 5
  EXPECT_FALSE(Sample("0 0 0\n", hit, out, error));
  EXPECT_NE(error.find("polygons 0 to 5"), std::string::npos) << error;
  hit.polygon = -1;
  EXPECT_FALSE(Sample("0 0 0\n", hit, out, error));

  hit = For("hit");
  hit.polygon = 0;
  EXPECT_FALSE(Sample("0 0 0\n", hit, out, error));
  EXPECT_NE(error.find("needs an object"), std::string::npos) << error;

  hit = For("hit");
  hit.object = b_.scene.Find("uv");  // a material
  EXPECT_FALSE(Sample("0 0 0\n", hit, out, error));

  HostNode* elsewhere = host::NewObject(h_.NewDocument("other"), nullptr, "stray", 1);
  hit.object = elsewhere;
  EXPECT_FALSE(Sample("0 0 0\n", hit, out, error));
  EXPECT_NE(error.find("stray"), std::string::npos) << error;

  EXPECT_EQ(probe_->setUps, 0);  // nothing was set up for requests refused up front
}

TEST_F(PointSamplerScene, ABadLineStopsTheAnswersThereAndReleasesTheShader) {
  std::string out, error;
  host::PointSampleRequest hit = For("hit");
  EXPECT_FALSE(Sample("0 0 0\n0 0\n0 0 0\n", hit, out, error));
  EXPECT_EQ(out, "-1 -1 0\n");  // the line before stands, the line after is not read
  EXPECT_EQ(error.rfind("line 2:", 0), 0u) << error;
  EXPECT_EQ(probe_->setUps, 1);
  EXPECT_EQ(probe_->releases, 1);

  // A line without an end is refused once it passes the limit, not read on forever.
  EXPECT_FALSE(Sample("0 0 0\n" + std::string(host::kMaxSampleLineBytes + 1, ' ') + "0 0 0\n", For("uv"), out, error));
  EXPECT_EQ(error.rfind("line 2: longer than", 0), 0u) << error;
  EXPECT_TRUE(Sample(std::string(host::kMaxSampleLineBytes - 5, ' ') + "0 0 0", For("uv"), out, error)) << error;

  // Input bytes come back escaped, never as raw terminal controls.
  EXPECT_FALSE(Sample("\x1b]0;owned\x07 1 2\n", For("uv"), out, error));
  EXPECT_NE(error.find("\\x1B]0;owned\\x07 1 2"), std::string::npos) << error;
}

}  // namespace
}  // namespace ombrel::test
