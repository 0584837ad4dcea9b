// The UV transform tool through the host's tool table: how it starts, the preview it makes of
// the source, the picture frame in views of every shape, and how corners are picked, dragged
// and nudged. Expected positions are worked out from the view sizes by hand.
#include <OpenImageIO/imageio.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "image/image_reader.h"
#include "uv_tool_fixture.h"

namespace ombrel::test {
namespace {

// A grey picture of w × h pixels, for bitmap-backed sources.
std::filesystem::path WritePicture(const std::string& name, int w, int h) {
  const std::filesystem::path file = std::filesystem::temp_directory_path() / name;
  auto out = OIIO::ImageOutput::create(file.string());
  OIIO::ImageSpec layout(w, h, 3, OIIO::TypeDesc::UINT8);
  std::vector<unsigned char> pixels(static_cast<size_t>(w) * h * 3, 200);
  EXPECT_TRUE(out && out->open(file.string(), layout) && out->write_image(OIIO::TypeDesc::UINT8, pixels.data()));
  if (out) out->close();
  return file;
}

void ExpectFrame(const std::vector<double>& f, double l, double t, double r, double b) {
  ASSERT_EQ(f.size(), 4u);
  EXPECT_EQ(f[0], l);
  EXPECT_EQ(f[1], t);
  EXPECT_EQ(f[2], r);
  EXPECT_EQ(f[3], b);
}

using UvTool = UvToolTest;

TEST_F(UvTool, StartsFromTheShaderButtonWithTheDefaultsAndAQuantisedPreview) {
  ASSERT_TRUE(Start());
  EXPECT_EQ(C()->getLink(Settings(), kToolShader, Doc(), 0), shader_);
  EXPECT_EQ(C()->getLink(Settings(), kToolView, Doc(), 0), view_.get());
  EXPECT_EQ(C()->getInt32(Settings(), kToolGuides, -1), 1);
  EXPECT_EQ(C()->getInt32(Settings(), kToolHandles, -1), 1);
  EXPECT_EQ(C()->getReal(Settings(), kToolOffset, -1), 0.5);
  EXPECT_EQ(C()->getInt32(Settings(), kToolMagnifier, -1), 0);

  Draw();
  const HostBitmap* picture = Picture();
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(host::BitmapFamily()->width(picture), 1024);
  EXPECT_EQ(host::BitmapFamily()->height(picture), 1024);
  EXPECT_EQ(Pixel(picture, 0, 0), (std::vector<int32_t>{127, 127, 127}));  // 0.5 x 255.999

  // Out-of-range components clamp; 0.25 truncates to 63, 1.0 stays 255.
  SetColour(1.2, -0.1, 0.25);
  ASSERT_TRUE(SetSetting(kToolShader, HostData::OfLink(shader_->serial)));
  Draw();
  EXPECT_EQ(Pixel(Picture(), 500, 700), (std::vector<int32_t>{255, 0, 63}));
  SetColour(1.0, std::nan(""), 0.0);
  ASSERT_TRUE(SetSetting(kToolShader, HostData::OfLink(shader_->serial)));
  Draw();
  EXPECT_EQ(Pixel(Picture(), 1023, 1023), (std::vector<int32_t>{255, 0, 0}));
}

TEST_F(UvTool, TheSampledGridReachesOneAtItsLastRowAndColumn) {
  HostNode* uv = AddInput(shader_, host::kUvShaderType, kSourceLink);
  ASSERT_NE(uv, nullptr);
  ASSERT_TRUE(Start());
  Draw();
  const HostBitmap* picture = Picture();
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(Pixel(picture, 1023, 1023), (std::vector<int32_t>{255, 255, 0}));
  EXPECT_EQ(Pixel(picture, 0, 1023), (std::vector<int32_t>{0, 255, 0}));
  // Column 512 samples u = 512 / 1023 = 0.50049, 128.13 as a code.
  EXPECT_EQ(Pixel(picture, 512, 0), (std::vector<int32_t>{128, 0, 0}));
}

TEST_F(UvTool, ABitmapSourceKeepsItsSizeAndAspect) {
  host::InstallImageReader();
  HostNode* wide = AddInput(shader_, host::kBitmapShaderType, kSourceLink);
  HostData file;
  file.type = HOST_DA_FILENAME;
  file.text = WritePicture("ombrel-tool-wide.png", 2000, 1000).string();
  C()->setData(&wide->data, host::kBitmapFileParam, &file);
  ASSERT_TRUE(Start());
  Draw();
  ASSERT_NE(Picture(), nullptr);
  EXPECT_EQ(host::BitmapFamily()->width(Picture()), 2000);
  EXPECT_EQ(host::BitmapFamily()->height(Picture()), 1000);
  EXPECT_EQ(Pixel(Picture(), 1999, 999), (std::vector<int32_t>{200, 200, 200}));
  ExpectFrame(PictureFrame(), 0, 100, 800, 500);
  // Offset 1 moves it down by a quarter of the view's height.
  ASSERT_TRUE(SetSetting(kToolOffset, HostData::OfReal(1.0)));
  Draw();
  ExpectFrame(PictureFrame(), 0, 250, 800, 650);

  HostNode* tall = AddInput(shader_, host::kBitmapShaderType, kSourceLink);
  file.text = WritePicture("ombrel-tool-tall.png", 100, 200).string();
  C()->setData(&tall->data, host::kBitmapFileParam, &file);
  ASSERT_TRUE(SetSetting(kToolOffset, HostData::OfReal(0.5)));
  ASSERT_TRUE(SetSetting(kToolShader, HostData::OfLink(shader_->serial)));
  Draw();
  EXPECT_EQ(host::BitmapFamily()->width(Picture()), 100);
  ExpectFrame(PictureFrame(), 250, 0, 550, 600);
  ASSERT_TRUE(SetSetting(kToolOffset, HostData::OfReal(0.0)));
  Draw();
  ExpectFrame(PictureFrame(), 50, 0, 350, 600);
}

TEST_F(UvTool, TheSquarePictureFillsViewsOfEveryShape) {
  ASSERT_TRUE(Start());
  struct Case {
    int32_t w, h;
    double offset;
    double l, t, r, b;
  };
  const Case cases[] = {
      {800, 600, 0.5, 100, 0, 700, 600}, {800, 600, 1.0, 300, 0, 900, 600}, {800, 600, 0.0, -100, 0, 500, 600},
      {300, 1000, 0.5, 0, 350, 300, 650}, {300, 1000, 1.0, 0, 600, 300, 900}, {300, 1000, 0.0, 0, 100, 300, 400},
      {801, 600, 0.5, 100, 0, 700, 600},
      // Stored offsets far out of range: the frame saturates, NaN counts as 0.
      {800, 600, 1e300, 2147483647, 0, 2147483647, 600}, {800, 600, -1e300, -2147483648.0, 0, -2147483648.0, 600},
      {800, 600, std::nan(""), 0, 0, 0, 600},
  };
  for (const Case& c : cases) {
    standIn_.frame[2] = c.w;
    standIn_.frame[3] = c.h;
    ASSERT_TRUE(SetSetting(kToolOffset, HostData::OfReal(c.offset)));
    Draw();
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " at " + std::to_string(c.offset));
    ExpectFrame(PictureFrame(), c.l, c.t, c.r, c.b);
  }
}

TEST_F(UvTool, OnlyTheShaderAndViewSettingsMakeANewPreview) {
  ASSERT_TRUE(Start());
  SetColour(1.0, 1.0, 1.0);
  for (int32_t id : {kToolOffset, kToolGuides, kToolHandles, kToolMagnifier}) {
    ASSERT_TRUE(SetSetting(id, id == kToolOffset ? HostData::OfReal(0.7) : HostData::OfInt32(0)));
    ASSERT_EQ(Calls("DrawViews").size(), 1u);
    EXPECT_EQ(Calls("DrawViews")[0].a[0], 6.0);
    Draw();
    EXPECT_EQ(Pixel(Picture(), 10, 10), (std::vector<int32_t>{127, 127, 127})) << id;
  }
  ASSERT_TRUE(SetSetting(kToolShader, HostData::OfLink(shader_->serial)));
  Draw();
  EXPECT_EQ(Pixel(Picture(), 10, 10), (std::vector<int32_t>{255, 255, 255}));
}

TEST_F(UvTool, APreviewThatCannotBeMadeLeavesTheToolWithoutAPicture) {
  HostNode* failing = AddInput(shader_, host::kFailingShaderType, kSourceLink);
  ASSERT_NE(failing, nullptr);
  Start();
  EXPECT_EQ(C()->getLink(Settings(), kToolView, Doc(), 0), nullptr) << "a failed start takes no view";
  Draw();
  EXPECT_TRUE(standIn_.log.empty());
  EXPECT_TRUE(Press(100, 0));

  // From a working preview to none: Draw draws nothing until the next good one.
  C()->setLink(&shader_->data, kSourceLink, source_);
  ASSERT_TRUE(SetSetting(kToolShader, HostData::OfLink(shader_->serial)));
  Draw();
  EXPECT_NE(Picture(), nullptr);
  C()->setLink(&shader_->data, kSourceLink, nullptr);
  ASSERT_TRUE(SetSetting(kToolShader, HostData::OfLink(shader_->serial)));
  Draw();
  EXPECT_TRUE(standIn_.log.empty());
}

TEST_F(UvTool, ACornerTypedOutsideTheSquareIsClampedByAnyEdit) {
  SetCorner(3, 1.5, -0.2);
  ASSERT_TRUE(Start());
  EXPECT_TRUE(Press(400, 300));  // away from every corner: the first drag step still writes
  EXPECT_EQ(Corner(3).x, 1.0);
  EXPECT_EQ(Corner(3).y, 0.0);
  EXPECT_EQ(Corner(1).x, 0.0);
  EXPECT_EQ(Corner(2).x, 1.0);
  EXPECT_EQ(Corner(4).y, 1.0);

  // Dragged past the frame's right edge, a corner stays at u = 1; past the left, at u = 0.
  ASSERT_TRUE(Press(700, 0, {{0, 0}, {150, 0}, {40, 0}}));
  EXPECT_EQ(Corner(2).x, 1.0);
  ASSERT_TRUE(Press(100, 0, {{-30, 0}}));
  EXPECT_EQ(Corner(1).x, 0.0);
}

TEST_F(UvTool, AFrameOfZeroWidthGivesOneAtItsEdgeAndZeroBeforeIt) {
  ASSERT_TRUE(Start());
  standIn_.frame[2] = 0;  // a view 0 wide: the picture frame is (0, 300, 0, 300)
  ASSERT_TRUE(Press(0, 300));
  for (int k = 1; k <= 4; ++k) {
    EXPECT_EQ(Corner(k).x, 1.0) << k;
    EXPECT_EQ(Corner(k).y, 1.0) << k;
  }
  ASSERT_TRUE(Press(0, 300, {{-1, -1}}));
  for (int k = 1; k <= 4; ++k) EXPECT_EQ(Corner(k).x, 0.0) << k;
}

// The handles Draw puts on the selected corners: those drawn after the pen in view colour 12.
std::vector<std::vector<double>> SelectedHandles(const std::vector<ViewCall>& log) {
  std::vector<std::vector<double>> out;
  bool selection = false;
  for (const ViewCall& c : log) {
    if (c.op == "SetPen") selection = c.a == std::vector<double>{1.0, 0.6, 0.0};
    if (selection && c.op == "DrawHandle") out.push_back({c.a[0], c.a[1]});
  }
  return out;
}

TEST_F(UvTool, ThePickRadiusIsASquareForPressesAndACircleForTheCursor) {
  SetCorner(1, 0.5, 0.5);  // (400, 300) on screen
  ASSERT_TRUE(Start());
  EXPECT_EQ(Cursor(406, 300), HOST_CURSOR_POINT_HAND);
  EXPECT_EQ(Cursor(394, 300), HOST_CURSOR_POINT_HAND);
  EXPECT_EQ(Cursor(407, 300), 0);
  EXPECT_EQ(Cursor(405, 305), 0);  // 7.07 away
  EXPECT_EQ(Cursor(400, 300, HOST_CURSORINFO_LEAVE), 0) << "a pointer leaving the view changes nothing";

  ASSERT_TRUE(Press(406, 300));
  Draw();
  EXPECT_EQ(SelectedHandles(standIn_.log), (std::vector<std::vector<double>>{{400, 300}}));
  ASSERT_TRUE(Press(407, 300));
  Draw();
  EXPECT_TRUE(SelectedHandles(standIn_.log).empty());
  ASSERT_TRUE(Press(405, 305));
  Draw();
  EXPECT_EQ(SelectedHandles(standIn_.log), (std::vector<std::vector<double>>{{400, 300}}));
}

TEST_F(UvTool, ADragMovesEveryCornerUnderThePressAsOneUndoStep) {
  SetCorner(1, 0.5, 0.5);    // (400, 300)
  SetCorner(2, 0.505, 0.5);  // (403, 300): within 7 pixels in both axes of a press at (401, 300)
  ASSERT_TRUE(Start());
  const size_t steps = History().UndoCount();
  ASSERT_TRUE(Press(401, 300, {{0, 0}, {10, 0}, {0, 0}, {5, -6}}));
  // Moved by the sum (15, -6): (415, 294) and (418, 294) in a frame from x = 100, 600 wide.
  EXPECT_NEAR(Corner(1).x, 315.0 / 600.0, 1e-12);
  EXPECT_NEAR(Corner(1).y, 294.0 / 600.0, 1e-12);
  EXPECT_NEAR(Corner(2).x, 318.0 / 600.0, 1e-12);
  EXPECT_NEAR(Corner(2).y, 294.0 / 600.0, 1e-12);
  EXPECT_EQ(Corner(3).x, 1.0);
  EXPECT_EQ(Corner(4).x, 0.0);
  EXPECT_EQ(History().UndoCount(), steps + 1);

  // The drag as the host saw it: start at the press, three written steps (the still one after
  // the first is skipped), end; then the redraw and event after the edit.
  std::vector<std::string> ops;
  for (const ViewCall& c : standIn_.log) ops.push_back(c.op);
  EXPECT_EQ(ops, (std::vector<std::string>{"DragStart", "DrawViews", "SpecialEventAdd", "DrawViews",
                                           "SpecialEventAdd", "DrawViews", "SpecialEventAdd", "DragEnd",
                                           "DrawViews", "SpecialEventAdd"}));
  EXPECT_EQ(standIn_.log[0].a, (std::vector<double>{61440, 401, 300, 1}));
  EXPECT_EQ(standIn_.log[1].a[0], 0x506);
  EXPECT_EQ(standIn_.log[2].a, (std::vector<double>{0x65646D76, 0, 0}));
  EXPECT_EQ(standIn_.log[8].a[0], 0x502);
  EXPECT_EQ(standIn_.log[9].a, (std::vector<double>{200000073, 0, 0}));

  ASSERT_TRUE(History().Undo());
  EXPECT_EQ(Corner(1).x, 0.5);
  EXPECT_EQ(Corner(2).x, 0.505);
}

TEST_F(UvTool, ArrowKeysMoveTheSelectionOnePixelWithoutUndo) {
  SetCorner(1, 0.5, 0.5);  // (400, 300)
  ASSERT_TRUE(Start());
  ASSERT_TRUE(Press(400, 300));
  const size_t steps = History().UndoCount();

  ASSERT_TRUE(Keys({{HOST_KEY_RIGHT, 50}}));
  EXPECT_NEAR(Corner(1).x, 301.0 / 600.0, 1e-12);  // one pixel of a 600-pixel frame
  EXPECT_EQ(Corner(1).y, 0.5);
  EXPECT_EQ(History().UndoCount(), steps) << "key steps are not recorded for undo";

  // Both keys of an axis held: Left and Up win. Held past 200 ms, the polling stops by itself.
  const int64_t before = standIn_.clock;
  ASSERT_TRUE(Keys({{HOST_KEY_LEFT, 250}, {HOST_KEY_RIGHT, 250}, {HOST_KEY_UP, 250}, {HOST_KEY_DOWN, 250}}));
  EXPECT_NEAR(Corner(1).x, 300.0 / 600.0, 1e-12);
  EXPECT_NEAR(Corner(1).y, 299.0 / 600.0, 1e-12);
  EXPECT_LE(standIn_.clock - before, 206);

  // Without a global answer, the window is asked.
  standIn_.globalInput = false;
  ASSERT_TRUE(Keys({{HOST_KEY_DOWN, 10}}));
  EXPECT_NEAR(Corner(1).y, 300.0 / 600.0, 1e-12);
  EXPECT_FALSE(Calls("WindowInputState").empty());
  // Neither answering: every key is up and the key is left to the host.
  standIn_.windowInput = false;
  EXPECT_FALSE(Keys({{HOST_KEY_DOWN, 10}}));
}

TEST_F(UvTool, APressAwayFromEveryCornerClearsTheSelectionAndKeysAreDeclined) {
  ASSERT_TRUE(Start());
  ASSERT_TRUE(Press(100, 0));  // corner 1
  ASSERT_TRUE(Keys({{HOST_KEY_RIGHT, 20}}));
  EXPECT_NEAR(Corner(1).x, 1.0 / 600.0, 1e-12);
  ASSERT_TRUE(Press(400, 300));
  EXPECT_FALSE(Keys({{HOST_KEY_RIGHT, 20}}));
  EXPECT_TRUE(Calls("InputState").empty()) << "without a selection no key is polled";
  EXPECT_NEAR(Corner(1).x, 1.0 / 600.0, 1e-12);
}

TEST_F(UvTool, WithoutTheShaderNothingIsPickedMovedOrOutlined) {
  ASSERT_TRUE(Start());
  ASSERT_TRUE(Press(100, 0));
  C()->setLink(Settings(), kToolShader, nullptr);
  EXPECT_TRUE(Press(100, 0));
  EXPECT_TRUE(Calls("DragStart").empty());
  EXPECT_FALSE(Keys({{HOST_KEY_RIGHT, 20}}));
  EXPECT_EQ(Cursor(100, 0), 0);
  Draw();
  EXPECT_NE(Picture(), nullptr);
  EXPECT_TRUE(Calls("DrawLine").empty());
  // A link to something that is no UV transform shader counts as none.
  C()->setLink(Settings(), kToolShader, source_);
  EXPECT_EQ(Cursor(100, 0), 0);
}

TEST_F(UvTool, HostileCornersAreClampedByTheFirstEdit) {
  SetCorner(1, 1e300, std::nan(""));
  SetCorner(2, -1e300, std::numeric_limits<double>::infinity());
  SetCorner(3, std::nan(""), -1e300);
  ASSERT_TRUE(Start());
  EXPECT_EQ(Cursor(100, 0), 0);
  ASSERT_TRUE(Press(100, 600));  // corner 4
  for (int k = 1; k <= 4; ++k) {
    EXPECT_GE(Corner(k).x, 0.0);
    EXPECT_LE(Corner(k).x, 1.0);
    EXPECT_GE(Corner(k).y, 0.0);
    EXPECT_LE(Corner(k).y, 1.0);
  }
  EXPECT_EQ(Corner(1).x, 1.0);
  EXPECT_EQ(Corner(1).y, 0.0);  // NaN counts as 0
}

TEST_F(UvTool, OnAHostWithoutViewsTheToolCallsNothingThatIsMissing) {
  // A host of an earlier revision: its views family ends before the first view service and its
  // miscellany before the event broadcast. Every missing entry is null here, so a call through
  // one would crash.
  HostViewApi noViews{};
  noViews.size = offsetof(HostViewApi, activeView);
  HostMiscApi oldMisc = *module_->api.misc;
  oldMisc.size = offsetof(HostMiscApi, specialEventAdd);
  oldMisc.specialEventAdd = nullptr;
  module_->api.views = &noViews;
  module_->api.misc = &oldMisc;
  ASSERT_TRUE(Start());
  EXPECT_EQ(C()->getLink(Settings(), kToolView, Doc(), 0), nullptr);
  EXPECT_EQ(Draw(), 0);
  EXPECT_TRUE(Press(100, 0));
  EXPECT_EQ(Corner(1).x, 0.0);
  EXPECT_FALSE(Keys({{HOST_KEY_RIGHT, 20}}));
  EXPECT_EQ(Cursor(100, 0), 0);
  EXPECT_TRUE(standIn_.log.empty());
}

}  // namespace
}  // namespace ombrel::test
