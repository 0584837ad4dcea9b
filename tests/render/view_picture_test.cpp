// The picture of a view: which pixels each drawing call paints.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>

#include "core/families.h"
#include "core/host.h"
#include "core/view.h"
#include "draw/view_drawing.h"
#include "draw/view_picture.h"

namespace ombrel::test {
namespace {

const HostViewApi* Views() { return host::ViewFamily(); }

constexpr uint32_t kBackground = 0x4C4C4C;  // view colour 0: 0.3 grey
constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

struct PictureTest : ::testing::Test {
  host::Host h;
  HostNode* doc = h.NewDocument("doc");
  HostNode* view = Views()->activeView(doc);
  host::View* state = host::ViewOfNode(view);
  HostBitmap bmp;  // 2 x 2: red green / blue white
  void SetUp() override {
    host::InstallLinkedViewDrawing();
    state->SetFrame(0, 0, 64, 48);
    bmp.Init(2, 2);
    const uint8_t texels[12] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    bmp.rgb.assign(texels, texels + 12);
  }
  void Texture(const HostVector (&pts)[4], const HostVector (&uv)[4], int32_t flags) {
    Views()->drawTexture(view, &bmp, pts, nullptr, nullptr, uv, 4, 12, flags);
  }
};

TEST_F(PictureTest, ALineCoversThePixelsFromEndToEnd) {
  Views()->setPen(view, HostVector{1, 0, 0});
  Views()->drawLine(view, HostVector{10, 20, 0}, HostVector{30, 20, 0}, 0);
  Views()->drawLine(view, HostVector{5.7, 2, 0}, HostVector{5.2, 12, 0}, 0);  // within pixel column 5
  const host::ViewPicture p = host::RasterizeView(*state);
  ASSERT_EQ(p.width, 64);
  ASSERT_EQ(p.height, 48);
  for (int x = 10; x <= 30; ++x) EXPECT_EQ(p.At(x, 20), kRed) << x;
  EXPECT_EQ(p.At(9, 20), kBackground);
  EXPECT_EQ(p.At(31, 20), kBackground);
  EXPECT_EQ(p.At(20, 19), kBackground);
  EXPECT_EQ(p.At(20, 21), kBackground);
  for (int y = 2; y <= 12; ++y) EXPECT_EQ(p.At(5, y), kRed) << y;
  EXPECT_EQ(p.At(4, 7), kBackground);
  EXPECT_EQ(p.At(6, 7), kBackground);
}

TEST_F(PictureTest, HandlesAreSquaresOnTheirPixel) {
  Views()->setPen(view, HostVector{0, 1, 0});
  Views()->drawHandle2D(view, HostVector{20.6, 20.2, 0}, HOST_HANDLE_BIG);  // pixel (20, 20): 17..23
  Views()->setPen(view, HostVector{0, 0, 1});
  Views()->drawHandle(view, HostVector{40, 10, 0}, 0, 0);  // small: 39..41
  const host::ViewPicture p = host::RasterizeView(*state);
  for (int d = -3; d <= 3; ++d) {
    EXPECT_EQ(p.At(20 + d, 20), kGreen) << d;
    EXPECT_EQ(p.At(20, 20 + d), kGreen) << d;
  }
  EXPECT_EQ(p.At(16, 20), kBackground);
  EXPECT_EQ(p.At(24, 20), kBackground);
  EXPECT_EQ(p.At(20, 16), kBackground);
  EXPECT_EQ(p.At(20, 24), kBackground);
  EXPECT_EQ(p.At(39, 9), kBlue);
  EXPECT_EQ(p.At(41, 11), kBlue);
  EXPECT_EQ(p.At(38, 10), kBackground);
  EXPECT_EQ(p.At(42, 10), kBackground);
}

TEST_F(PictureTest, ATextureFillsAParallelogramWithItsTexels) {
  // A 20 x 20 square from (10, 10): each texel covers a 10 x 10 quarter.
  Texture({{10, 10, 0}, {30, 10, 0}, {30, 30, 0}, {10, 30, 0}}, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, 0);
  const host::ViewPicture p = host::RasterizeView(*state);
  EXPECT_EQ(p.At(10, 10), kRed);
  EXPECT_EQ(p.At(19, 19), kRed);
  EXPECT_EQ(p.At(20, 10), kGreen);
  EXPECT_EQ(p.At(29, 19), kGreen);
  EXPECT_EQ(p.At(10, 20), kBlue);
  EXPECT_EQ(p.At(29, 29), kWhite);
  EXPECT_EQ(p.At(9, 15), kBackground);
  EXPECT_EQ(p.At(30, 15), kBackground);
  EXPECT_EQ(p.At(15, 30), kBackground);
}

TEST_F(PictureTest, ANonParallelogramIsTwoAffineTriangles) {
  // Corners (10, 10), (50, 10), (40, 30), (10, 30). Triangle (0, 1, 2) lies above the diagonal
  // from (10, 10) to (40, 30): a point there is p0 + a (p1 - p0) + b (p2 - p0) with u = a + b,
  // v = b. Triangle (0, 2, 3) lies below it: p0 + a (p2 - p0) + b (p3 - p0), u = a, v = a + b.
  Texture({{10, 10, 0}, {50, 10, 0}, {40, 30, 0}, {10, 30, 0}}, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, 0);
  const host::ViewPicture p = host::RasterizeView(*state);
  // Centre (45.5, 12.5): b = 0.125, a = 0.79375: u = 0.91875, v = 0.125 -> green.
  EXPECT_EQ(p.At(45, 12), kGreen);
  // Centre (12.5, 28.5): a = 1/12, b = 0.8417: u = 0.083, v = 0.925 -> blue.
  EXPECT_EQ(p.At(12, 28), kBlue);
  // Centre (25.5, 25.5), below the diagonal: u = 15.5 / 30 = 0.517, v = 0.775 -> white. One
  // affine map through corners 0, 1 and 3 would give u = 15.5 / 40 = 0.3875 -> blue.
  EXPECT_EQ(p.At(25, 25), kWhite);
  // Right of the slanted edge from (50, 10) to (40, 30) nothing is drawn.
  EXPECT_EQ(p.At(48, 25), kBackground);
}

TEST_F(PictureTest, TextureFlagsDecideWhatLiesOutsideZeroToOne) {
  // 40 pixels wide for u from -1 to 1, 10 high for v from 0 to 0.5 (the top row: red, green).
  // Pixel column x is u = -1 + (x + 0.5) / 20: column 5 is u = -0.725, column 15 is -0.225.
  const HostVector pts[4] = {{0, 0, 0}, {40, 0, 0}, {40, 10, 0}, {0, 10, 0}};
  const HostVector uv[4] = {{-1, 0, 0}, {1, 0, 0}, {1, 0.5, 0}, {-1, 0.5, 0}};
  struct Case {
    int32_t flags;
    uint32_t at5, at15;
  };
  // Clamp: the edge texel (red). Repeat: 0.275 red, 0.775 green. Mirror: 0.725 green,
  // 0.225 red; mirror wins over repeat.
  const Case cases[] = {{0, kRed, kRed},
                        {HOST_DRAWTEXTURE_REPEAT_U, kRed, kGreen},
                        {HOST_DRAWTEXTURE_MIRROR_U, kGreen, kRed},
                        {HOST_DRAWTEXTURE_MIRROR_U | HOST_DRAWTEXTURE_REPEAT_U, kGreen, kRed},
                        {HOST_DRAWTEXTURE_REPEAT_V, kRed, kRed}};
  for (const Case& c : cases) {
    state->ClearRecord();
    Texture(pts, uv, c.flags);
    const host::ViewPicture p = host::RasterizeView(*state);
    EXPECT_EQ(p.At(5, 5), c.at5) << "flags " << c.flags;
    EXPECT_EQ(p.At(15, 5), c.at15) << "flags " << c.flags;
    EXPECT_EQ(p.At(35, 5), kGreen) << "flags " << c.flags;  // inside [0, 1]: u = 0.775
  }
  // Along v: 10 rows for v from 1 to 2; repeat starts again at the top row (red), clamp
  // stays on the bottom one (blue), mirror comes back through it (blue).
  const HostVector vuv[4] = {{0, 1, 0}, {0.25, 1, 0}, {0.25, 2, 0}, {0, 2, 0}};
  const HostVector vpts[4] = {{0, 20, 0}, {10, 20, 0}, {10, 30, 0}, {0, 30, 0}};
  for (const auto& [flags, expected] : {std::pair<int32_t, uint32_t>{0, kBlue}, {HOST_DRAWTEXTURE_REPEAT_V, kRed},
                                        {HOST_DRAWTEXTURE_MIRROR_V, kBlue}}) {
    state->ClearRecord();
    Texture(vpts, vuv, flags);
    // Row 21 is v = 1.15.
    EXPECT_EQ(host::RasterizeView(*state).At(5, 21), expected) << "flags " << flags;
  }
}

TEST_F(PictureTest, AWorldQuadFromScreenPointsLandsOnThoseScreenPixels) {
  const HostVector uv[4] = {{0, 0, 1e308}, {1, 0, 1e308}, {1, 1, 1e308}, {0, 1, 1e308}};
  Texture({{10, 10, 0}, {30, 10, 0}, {30, 30, 0}, {10, 30, 0}}, uv, 0);
  const host::ViewPicture screen = host::RasterizeView(*state);
  state->ClearRecord();
  HostVector world[4];
  const HostVector corners[4] = {{10, 10, 20000}, {30, 10, 20000}, {30, 30, 20000}, {10, 30, 20000}};
  for (int i = 0; i < 4; ++i) world[i] = Views()->screenToWorld(view, corners[i]);
  Views()->setMatrixMatrix(view, nullptr, nullptr);
  Views()->drawTexture(view, &bmp, world, nullptr, nullptr, uv, 4, 12, 0);
  const host::ViewPicture fromWorld = host::RasterizeView(*state);
  EXPECT_EQ(fromWorld.rgb, screen.rgb);
}

TEST_F(PictureTest, HugeAndBrokenCoordinatesNeitherHangNorDraw) {
  const double inf = std::numeric_limits<double>::infinity();
  Views()->setPen(view, HostVector{1, 0, 0});
  Views()->drawLine(view, HostVector{-1e300, 20, 0}, HostVector{1e300, 20, 0}, 0);  // clipped: all of row 20
  Views()->drawLine(view, HostVector{std::nan(""), 5, 0}, HostVector{10, 5, 0}, 0);
  Views()->drawLine(view, HostVector{0, 30, 0}, HostVector{inf, 30, 0}, 0);
  Views()->drawHandle2D(view, HostVector{1e300, -1e300, 0}, HOST_HANDLE_BIG);
  Views()->drawHandle2D(view, HostVector{-4e9, 5, 0}, HOST_HANDLE_BIG);
  Texture({{-1e300, -1e300, 0}, {1e300, -1e300, 0}, {1e300, 1e300, 0}, {-1e300, 1e300, 0}},
          {{0, 0, 0}, {1e308, 0, 0}, {1e308, 1e308, 0}, {std::nan(""), 1e308, 0}}, 15);
  Views()->setPen(view, HostVector{0, 0, 1});
  Views()->drawLine(view, HostVector{0, 40, 0}, HostVector{2e9, 40, 0}, 0);
  // Slope 0.1 through the centre of pixel (0, 10): centre 23.5 is at y = 12.8, 47.5 at 15.2;
  // a line handed to Cairo unclipped would lose its slope in Cairo's fixed-point range.
  Views()->setPen(view, HostVector{0, 1, 0});
  Views()->drawLine(view, HostVector{0, 10, 0}, HostVector{1e12, 10 + 1e11, 0}, 0);
  const host::ViewPicture p = host::RasterizeView(*state);
  ASSERT_EQ(p.width, 64);
  for (int x = 0; x < 64; ++x) EXPECT_EQ(p.At(x, 40), kBlue) << x;
  EXPECT_EQ(p.At(23, 12), kGreen);
  EXPECT_EQ(p.At(47, 15), kGreen);
  EXPECT_EQ(p.At(47, 12), kBackground);
}

TEST_F(PictureTest, TinyViewsDrawOrSayThereIsNothing) {
  Views()->setPen(view, HostVector{0, 1, 0});
  Views()->drawLine(view, HostVector{0, 0, 0}, HostVector{100, 100, 0}, 0);
  Views()->drawHandle2D(view, HostVector{0, 0, 0}, HOST_HANDLE_BIG);
  Texture({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, 0);
  state->SetFrame(0, 0, 1, 1);
  const host::ViewPicture one = host::RasterizeView(*state);
  ASSERT_EQ(one.width, 1);
  EXPECT_EQ(one.At(0, 0), kWhite);  // the texture came last; its centre (0.5, 0.5) takes texel (1, 1)
  state->SetFrame(0, 0, 0, 0);
  EXPECT_EQ(host::RasterizeView(*state).width, 0);
  std::string error;
  const auto file = std::filesystem::temp_directory_path() / "ombrel_empty_view.png";
  EXPECT_FALSE(host::WriteViewPicture(*state, file, error));
  EXPECT_NE(error.find("0x0"), std::string::npos) << error;
  state->SetFrame(10, 10, 5, 5);  // right of left: no pixels either
  EXPECT_EQ(host::RasterizeView(*state).height, 0);
}

TEST_F(PictureTest, ThePictureIsWrittenAsPng) {
  const auto file = std::filesystem::temp_directory_path() / "ombrel_view_picture_test.png";
  std::string error;
  ASSERT_TRUE(host::WriteViewPicture(*state, file, error)) << error;
  std::ifstream in(file, std::ios::binary);
  char signature[8] = {};
  in.read(signature, 8);
  EXPECT_EQ(std::string(signature + 1, 3), "PNG");
  std::filesystem::remove(file);
}

}  // namespace
}  // namespace ombrel::test
