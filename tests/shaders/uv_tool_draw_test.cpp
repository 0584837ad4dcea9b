// What the UV transform tool draws, checked call by call in the view's draw log: the picture
// with the view's draw parameters kept around it, the dashed outline, the guides and their
// vanishing points, the handles and the magnifier. Positions are worked out by hand for the
// default 800 x 600 view, where a square picture fills (100, 0, 700, 600).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "uv_tool_fixture.h"

namespace ombrel::test {
namespace {

using Numbers = std::vector<double>;

void ExpectCall(const ViewCall& c, const std::string& op, const Numbers& a, double tolerance = 1e-9) {
  EXPECT_EQ(c.op, op);
  ASSERT_EQ(c.a.size(), a.size()) << op;
  for (size_t i = 0; i < a.size(); ++i) EXPECT_NEAR(c.a[i], a[i], tolerance) << op << " number " << i;
}

class UvToolDraw : public UvToolTest {
 protected:
  // The calls after the picture: from the first pen on.
  std::vector<ViewCall> Overlay() const {
    for (size_t i = 0; i < standIn_.log.size(); ++i) {
      if (standIn_.log[i].op == "SetPen") return std::vector<ViewCall>(standIn_.log.begin() + i, standIn_.log.end());
    }
    return {};
  }
  size_t Count(const std::vector<ViewCall>& calls, const std::string& op) const {
    size_t n = 0;
    for (const ViewCall& c : calls) n += c.op == op;
    return n;
  }
};

TEST_F(UvToolDraw, ThePictureIsDrawnWithItsOwnDrawParametersAndTheViewsAreGivenBack) {
  standIn_.drawParams[HOST_DRAWPARAM_DEPTH_OFFSET] = HostData::OfReal(0.25);
  standIn_.drawParams[HOST_DRAWPARAM_SHADING] = HostData::OfInt32(7);
  ASSERT_TRUE(Start());
  EXPECT_EQ(Draw(), 0);
  const std::vector<ViewCall>& log = standIn_.log;
  ASSERT_GE(log.size(), 22u);
  ExpectCall(log[0], "GetDrawParam", {1002});
  ExpectCall(log[1], "GetDrawParam", {2});
  ExpectCall(log[2], "SetDrawParam", {1002, HOST_DA_REAL, 0.0});
  ExpectCall(log[3], "SetDrawParam", {2, HOST_DA_LONG, 4});
  ExpectCall(log[4], "SetMatrix_Screen", {});
  ExpectCall(log[5], "SetTransparency", {0});
  ExpectCall(log[6], "SetDepthOffset", {-1});
  ExpectCall(log[7], "SetMatrix_Screen", {});
  ExpectCall(log[8], "SetDepthOffset", {-1});
  ExpectCall(log[9], "SW", {100, 0, 20000});
  ExpectCall(log[10], "SW", {700, 0, 20000});
  ExpectCall(log[11], "SW", {700, 600, 20000});
  ExpectCall(log[12], "SW", {100, 600, 20000});
  ExpectCall(log[13], "SetMatrix_Matrix", {0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1});
  ExpectCall(log[14], "SetDrawParam", {2, HOST_DA_LONG, 2});
  // The world points the view gave for the screen corners (its camera puts the view's middle,
  // (400, 300), on the axis and scales by the depth), white, facing the viewer, the whole picture.
  const double X0 = -300 * 20000.0, X1 = 300 * 20000.0, Y0 = 300 * 20000.0, Y1 = -300 * 20000.0;
  ExpectCall(log[15], "DrawTexture",
             {X0, Y0, 20000, X1, Y0, 20000, X1, Y1, 20000, X0, Y1, 20000,  // points
              1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,                           // colours
              0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1,                           // normals
              0, 0, 1e308, 1, 0, 1e308, 1, 1, 1e308, 0, 1, 1e308,           // texture coordinates
              4, 12, 0});
  ExpectCall(log[16], "SetMatrix_Screen", {});
  ExpectCall(log[17], "SetDrawParam", {1002, HOST_DA_REAL, 0.25});
  ExpectCall(log[18], "SetDrawParam", {2, HOST_DA_LONG, 7});
  ExpectCall(log[19], "SetPen", {0, 0, 0});
  EXPECT_EQ(standIn_.drawParams[HOST_DRAWPARAM_DEPTH_OFFSET].real, 0.25);
  EXPECT_EQ(standIn_.drawParams[HOST_DRAWPARAM_SHADING].i32, 7);
}

TEST_F(UvToolDraw, TwelvePixelsDashInThreeStepsAndTheWhiteFillsTheGap) {
  SetCorner(2, 0.02, 0.0);  // corner 2 at (112, 0): the first edge is 12 pixels, n = 2.4
  ASSERT_TRUE(Start());
  Draw();
  const std::vector<ViewCall> o = Overlay();
  ASSERT_GE(o.size(), 7u);
  ExpectCall(o[0], "SetPen", {0, 0, 0});
  ExpectCall(o[1], "DrawLine", {101, 1, 0, 106, 1, 0, 0});
  ExpectCall(o[2], "DrawLine", {111, 1, 0, 113, 1, 0, 0});
  ExpectCall(o[3], "DrawHandle2D", {101, 1, 0, 3});
  ExpectCall(o[4], "SetPen", {1, 1, 1});
  ExpectCall(o[5], "DrawLine", {105, 0, 0, 110, 0, 0, 0});
  ExpectCall(o[6], "DrawHandle2D", {100, 0, 0, 3});
  ExpectCall(o[7], "SetPen", {0, 0, 0});  // the next edge starts afresh
}

TEST_F(UvToolDraw, TenPixelsDashOnceInBlackAndWhiteAtTheSamePlace) {
  SetCorner(2, 10.0 / 600.0, 0.0);  // (110, 0)
  ASSERT_TRUE(Start());
  Draw();
  const std::vector<ViewCall> o = Overlay();
  ASSERT_GE(o.size(), 6u);
  ExpectCall(o[0], "SetPen", {0, 0, 0});
  ExpectCall(o[1], "DrawLine", {101, 1, 0, 106, 1, 0, 0});
  ExpectCall(o[2], "DrawHandle2D", {101, 1, 0, 3});
  ExpectCall(o[3], "SetPen", {1, 1, 1});
  ExpectCall(o[4], "DrawLine", {100, 0, 0, 105, 0, 0, 0});
  ExpectCall(o[5], "DrawHandle2D", {100, 0, 0, 3});
}

TEST_F(UvToolDraw, DefaultCornersDrawAxisParallelGuidesAndNoVanishingPoint) {
  ASSERT_TRUE(Start());
  Draw();
  const std::vector<ViewCall> o = Overlay();
  // Four dashed edges of 600 pixels: 120 steps each, 60 dashes in black and 60 in white.
  EXPECT_EQ(Count(o, "DrawHandle2D"), 8u);
  size_t i = 0;
  while (i < o.size() && !(o[i].op == "SetPen" && o[i].a == Numbers{1, 0, 0})) ++i;
  ASSERT_LE(i + 11, o.size());
  EXPECT_EQ(Count(std::vector<ViewCall>(o.begin(), o.begin() + i), "DrawLine"), 4u * 120u);
  // Red: each corner's guide runs 1000 pixels away along the top and bottom edges.
  ExpectCall(o[i + 1], "DrawLine", {100, 0, 0, -900, 0, 0, 1});
  ExpectCall(o[i + 2], "DrawLine", {100, 600, 0, -900, 600, 0, 1});
  ExpectCall(o[i + 3], "DrawLine", {700, 600, 0, 1700, 600, 0, 1});
  ExpectCall(o[i + 4], "DrawLine", {700, 0, 0, 1700, 0, 0, 1});
  // Green: along the sides. No vanishing point for either pair.
  ExpectCall(o[i + 5], "SetPen", {0, 1, 0});
  ExpectCall(o[i + 6], "DrawLine", {100, 0, 0, 100, -1000, 0, 1});
  ExpectCall(o[i + 7], "DrawLine", {100, 600, 0, 100, 1600, 0, 1});
  ExpectCall(o[i + 8], "DrawLine", {700, 600, 0, 700, 1600, 0, 1});
  ExpectCall(o[i + 9], "DrawLine", {700, 0, 0, 700, -1000, 0, 1});
  ExpectCall(o[i + 10], "SetPen", {1, 0.6, 0});
  EXPECT_EQ(i + 11, o.size()) << "nothing selected, no magnifier";

  ASSERT_TRUE(SetSetting(kToolGuides, HostData::OfInt32(0)));
  Draw();
  EXPECT_EQ(Count(Overlay(), "SetPen"), 8u + 1u) << "black and white per edge, then the selection colour";
}

TEST_F(UvToolDraw, ConvergingSidesMeetAtTheirVanishingPoint) {
  // Corners (250, 0), (550, 0), (700, 600), (100, 600): the sides meet 600 above the top edge at
  // x = 400; the top and bottom edges are parallel.
  SetCorner(1, 0.25, 0.0);
  SetCorner(2, 0.75, 0.0);
  ASSERT_TRUE(Start());
  Draw();
  std::vector<ViewCall> handles;
  Numbers pen;
  for (const ViewCall& c : Overlay()) {
    if (c.op == "SetPen") pen = c.a;
    if (c.op == "DrawHandle2D" && (pen == Numbers{1, 0, 0} || pen == Numbers{0, 1, 0})) {
      handles.push_back(ViewCall{c.op, {pen[0], pen[1], c.a[0], c.a[1], c.a[3]}});
    }
  }
  ASSERT_EQ(handles.size(), 1u);
  ExpectCall(handles[0], "DrawHandle2D", {0, 1, 400, -600, 3}, 1e-6);

  // Handles off: no corner or vanishing-point handles, but the selected corner keeps its own.
  ASSERT_TRUE(Press(250, 0));
  ASSERT_TRUE(SetSetting(kToolHandles, HostData::OfInt32(0)));
  Draw();
  const std::vector<ViewCall> o = Overlay();
  EXPECT_EQ(Count(o, "DrawHandle2D"), 0u);
  ASSERT_EQ(Count(o, "DrawHandle"), 1u);
  ExpectCall(o.back(), "DrawHandle", {250, 0, 0, 3, 0});
  ExpectCall(o[o.size() - 2], "SetPen", {1, 0.6, 0});
}

TEST_F(UvToolDraw, TheMagnifierShowsTheHighestSelectedCorner) {
  SetCorner(2, 0.5, 0.5);    // (400, 300)
  SetCorner(3, 0.505, 0.5);  // (403, 300)
  ASSERT_TRUE(Start());
  ASSERT_TRUE(SetSetting(kToolMagnifier, HostData::OfInt32(1)));
  Draw();
  EXPECT_EQ(Count(standIn_.log, "DrawTexture"), 1u) << "no corner selected: no magnifier";

  ASSERT_TRUE(Press(401, 300));  // corners 2 and 3
  const HostVector c3 = Corner(3);
  Draw();
  const std::vector<ViewCall> o = Overlay();
  ASSERT_GE(o.size(), 3u);
  // The box: 128 pixels square, 10 in from the view's top right corner (790, 10).
  ExpectCall(o[o.size() - 3], "DrawTexture",
             {662, 10, 0, 790, 10, 0, 790, 138, 0, 662, 138, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
              0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, c3.x - 0.02, c3.y - 0.02, 0, c3.x + 0.02, c3.y - 0.02, 0,
              c3.x + 0.02, c3.y + 0.02, 0, c3.x - 0.02, c3.y + 0.02, 0, 4, 10, 15},
             1e-12);
  ExpectCall(o[o.size() - 2], "SetPen", {0, 0, 0});
  ExpectCall(o[o.size() - 1], "DrawHandle", {726, 74, 0, 3, 0});
  EXPECT_NEAR(c3.x, 0.505, 1e-12);
}

TEST_F(UvToolDraw, AnEdgeThousandsOfKilometresLongEndsAndShowsOnlyWhatTheViewCanShow) {
  SetCorner(2, 1e7, 0.0);     // 6e9 pixels to the right
  SetCorner(3, 1e300, 1e300);
  SetCorner(4, std::nan(""), 1.0);
  ASSERT_TRUE(Start());
  Draw();
  const size_t lines = Count(standIn_.log, "DrawLine");
  EXPECT_GT(lines, 8u);
  EXPECT_LT(lines, 1000u);
  // The long edge's dashes still lie where the whole walk puts them: every other 5 pixels from
  // corner 1 at (100, 0).
  const std::vector<ViewCall> o = Overlay();
  ExpectCall(o[1], "DrawLine", {101, 1, 0, 106, 1, 0, 0}, 1e-3);
  ExpectCall(o[2], "DrawLine", {111, 1, 0, 116, 1, 0, 0}, 1e-3);
}

TEST_F(UvToolDraw, OnlyTheToolsViewIsDrawnInto) {
  ASSERT_TRUE(Start());
  HostNode other(NodeKind::Object, HOST_BASETYPE_VIEW);
  other.document = Doc();
  standIn_.log.clear();
  EXPECT_EQ(tool_->toolClass.draw(tool_->toolInstance, Doc(), Settings(), &other, nullptr, nullptr, 0), 0);
  EXPECT_TRUE(standIn_.log.empty());
  // Setting the tool's view to the other one: the first view now gets nothing.
  HostData link;
  link.type = HOST_DA_LINK;
  link.linkSerial = other.serial;
  C()->setData(Settings(), kToolView, &link);
  Draw();
  EXPECT_TRUE(standIn_.log.empty());
  EXPECT_EQ(Cursor(100, 0), 0);
}

}  // namespace
}  // namespace ombrel::test
