// Sizes that follow from the corner quad: the preview cube and the exported picture. Expected
// values are the edge lengths worked out by hand.
#include "../../source/common/corner_sizes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace {

using ombrel::CornerUv;

TEST(PreviewCubeSize, FollowsTheLongerEdgesStretchedByTheSideRatio) {
  const CornerUv unit[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  ombrel::CubeSize s = ombrel::PreviewCubeSize(unit);
  EXPECT_DOUBLE_EQ(s.x, 100.0);
  EXPECT_DOUBLE_EQ(s.y, 100.0);
  EXPECT_DOUBLE_EQ(s.z, 100.0);

  const CornerUv wide[4] = {{0, 0}, {2, 0}, {2, 1}, {0, 1}};
  s = ombrel::PreviewCubeSize(wide);
  EXPECT_DOUBLE_EQ(s.x, 200.0);
  EXPECT_DOUBLE_EQ(s.y, 100.0);
  EXPECT_DOUBLE_EQ(s.z, 200.0);

  // Side edges 100 and 200 give a ratio of 2; the longer of the top and bottom edges is the
  // bottom one, sqrt(2) units.
  const CornerUv slanted[4] = {{0, 0}, {1, 0}, {1, 2}, {0, 1}};
  s = ombrel::PreviewCubeSize(slanted);
  EXPECT_NEAR(s.x, 200.0 * std::sqrt(2.0), 1e-9);
  EXPECT_DOUBLE_EQ(s.y, 200.0);
  EXPECT_NEAR(s.z, 200.0 * std::sqrt(2.0), 1e-9);

  // A collapsed side edge leaves the ratio at 1.
  const CornerUv collapsed[4] = {{0, 0}, {1, 0}, {1, 0}, {0, 1}};
  s = ombrel::PreviewCubeSize(collapsed);
  EXPECT_DOUBLE_EQ(s.x, 100.0 * std::sqrt(2.0));
  EXPECT_DOUBLE_EQ(s.y, 100.0);
}

TEST(ExportPictureSize, RulesOverA640By480Picture) {
  const CornerUv unit[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  ombrel::PixelSize p = ombrel::ExportPictureSize(unit, 640, 480);
  EXPECT_EQ(p.width, 640);
  EXPECT_EQ(p.height, 480);

  const CornerUv half[4] = {{0, 0}, {0.5, 0}, {0.5, 1}, {0, 1}};
  p = ombrel::ExportPictureSize(half, 640, 480);
  EXPECT_EQ(p.width, 320);
  EXPECT_EQ(p.height, 480);

  // Edge 1-4 (480) longer than 2-3 (sqrt(160² + 240²) = 288.44) and edge 1-2 (640) longer than
  // 3-4 (sqrt(480² + 240²) = 536.66): height 480, width 640 × 480 / 288.44 = 1065.02.
  const CornerUv leaning[4] = {{0, 0}, {1, 0}, {0.75, 0.5}, {0, 1}};
  p = ombrel::ExportPictureSize(leaning, 640, 480);
  EXPECT_EQ(p.height, 480);
  EXPECT_EQ(p.width, 1065);

  // Edge 3-4 longer than 1-2: the width is the edge 1-2 whatever the side ratio.
  const CornerUv flared[4] = {{0.25, 0}, {0.75, 0}, {1, 1}, {0, 0.5}};
  p = ombrel::ExportPictureSize(flared, 640, 480);
  EXPECT_EQ(p.width, 320);
  EXPECT_EQ(p.height, static_cast<int32_t>(std::sqrt(160.0 * 160.0 + 480.0 * 480.0)));  // edge 2-3

  // No picture of its own: nothing to export.
  p = ombrel::ExportPictureSize(unit, 0, 0);
  EXPECT_EQ(p.width, 0);
  EXPECT_EQ(p.height, 0);
  // A collapsed side saturates instead of overflowing.
  // Corners 2 and 3 meet: edge 2-3 is 0, edge 1-4 is |(320, 480)| = 576.9.
  const CornerUv pinched[4] = {{0, 0}, {1, 0}, {1, 0}, {0.5, 1}};
  p = ombrel::ExportPictureSize(pinched, 640, 480);
  EXPECT_EQ(p.width, INT32_MAX);
  EXPECT_EQ(p.height, 576);
}

}  // namespace
