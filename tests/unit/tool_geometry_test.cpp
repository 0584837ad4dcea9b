// Screen geometry of the UV transform tool. Expected frames, points and dashes are worked out by
// hand from the view sizes, not taken from the code's output.
#include "../../source/common/tool_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <vector>

namespace {

using ombrel::PixelFrame;
using ombrel::Vec3;

void ExpectFrame(const PixelFrame& f, int32_t l, int32_t t, int32_t r, int32_t b) {
  EXPECT_EQ(f.left, l);
  EXPECT_EQ(f.top, t);
  EXPECT_EQ(f.right, r);
  EXPECT_EQ(f.bottom, b);
}

TEST(FitPictureFrame, FillsOneAxisAndSlidesAlongTheOther) {
  const PixelFrame wideView{0, 0, 800, 600};
  // A square picture is as high as the view: 600 wide, centred, a quarter of 800 either way.
  ExpectFrame(ombrel::FitPictureFrame(wideView, 0.5, 1.0), 100, 0, 700, 600);
  ExpectFrame(ombrel::FitPictureFrame(wideView, 1.0, 1.0), 300, 0, 900, 600);
  ExpectFrame(ombrel::FitPictureFrame(wideView, 0.0, 1.0), -100, 0, 500, 600);
  // Twice as wide: 800 x 400 in the middle; twice as high: 300 x 600.
  ExpectFrame(ombrel::FitPictureFrame(wideView, 0.5, 2.0), 0, 100, 800, 500);
  ExpectFrame(ombrel::FitPictureFrame(wideView, 0.5, 0.5), 250, 0, 550, 600);

  const PixelFrame tallView{0, 0, 300, 1000};
  ExpectFrame(ombrel::FitPictureFrame(tallView, 0.5, 1.0), 0, 350, 300, 650);
  ExpectFrame(ombrel::FitPictureFrame(tallView, 1.0, 1.0), 0, 600, 300, 900);
  ExpectFrame(ombrel::FitPictureFrame(tallView, 0.0, 1.0), 0, 100, 300, 400);

  // 801 wide: the centre 400.5 gives 100.5 and 700.5, truncated.
  ExpectFrame(ombrel::FitPictureFrame(PixelFrame{0, 0, 801, 600}, 0.5, 1.0), 100, 0, 700, 600);
  // A view that does not start at 0: the frame follows it.
  ExpectFrame(ombrel::FitPictureFrame(PixelFrame{10, 20, 810, 620}, 0.5, 1.0), 110, 20, 710, 620);
}

TEST(FitPictureFrame, HostileSizesAndOffsetsStayDefined) {
  const PixelFrame view{0, 0, 800, 600};
  // A preview 0 pixels high: aspect is infinite (w / 0), a picture of no height in the middle;
  // or NaN (0 / 0), whose half height truncates to 0.
  ExpectFrame(ombrel::FitPictureFrame(view, 0.5, std::numeric_limits<double>::infinity()), 0, 300, 800, 300);
  ExpectFrame(ombrel::FitPictureFrame(view, 0.5, std::nan("")), 0, 0, 800, 0);
  // Offsets far out: the frame saturates instead of wrapping.
  ExpectFrame(ombrel::FitPictureFrame(view, 1e300, 1.0), INT32_MAX, 0, INT32_MAX, 600);
  ExpectFrame(ombrel::FitPictureFrame(view, -1e300, 1.0), INT32_MIN, 0, INT32_MIN, 600);
  ExpectFrame(ombrel::FitPictureFrame(view, std::nan(""), 1.0), 0, 0, 0, 600);
  // A view at the ends of the 32-bit range: its width is worked out in doubles.
  // The full 32-bit width: its middle, -0.5, is worked out in doubles without overflow.
  ExpectFrame(ombrel::FitPictureFrame(PixelFrame{INT32_MIN, 0, INT32_MAX, 600}, 0.5, 1.0), -300, 0, 299, 600);
}

TEST(CornerToScreen, MapsTheUnitSquareOntoTheFrameAndNormaliseUndoesIt) {
  const PixelFrame frame{100, 0, 700, 600};
  const Vec3 topLeft = ombrel::CornerToScreen(frame, 0.0, 0.0);
  const Vec3 bottomRight = ombrel::CornerToScreen(frame, 1.0, 1.0);
  EXPECT_EQ(topLeft.x, 100.0);
  EXPECT_EQ(topLeft.y, 0.0);
  EXPECT_EQ(bottomRight.x, 700.0);
  EXPECT_EQ(bottomRight.y, 600.0);
  const Vec3 p = ombrel::CornerToScreen(frame, 0.25, 0.75);
  EXPECT_EQ(p.x, 250.0);
  EXPECT_EQ(p.y, 450.0);
  for (double u : {0.0, 0.1, 0.3, 0.5, 0.77, 1.0}) {
    const Vec3 s = ombrel::CornerToScreen(frame, u, 1.0 - u);
    EXPECT_NEAR(ombrel::Normalise(s.x, 100, 700), u, 1e-15);
    EXPECT_NEAR(ombrel::Normalise(s.y, 0, 600), 1.0 - u, 1e-15);
  }
  // A frame given right to left still spans its width from `left`.
  EXPECT_EQ(ombrel::CornerToScreen(PixelFrame{700, 0, 100, 600}, 1.0, 0.0).x, 1300.0);
}

TEST(Normalise, ClampsAndHandlesAnEmptySpan) {
  EXPECT_EQ(ombrel::Normalise(50.0, 100.0, 700.0), 0.0);  // left of the frame
  EXPECT_EQ(ombrel::Normalise(900.0, 100.0, 700.0), 1.0);  // right of it
  EXPECT_EQ(ombrel::Normalise(100.0, 100.0, 700.0), 0.0);
  EXPECT_EQ(ombrel::Normalise(700.0, 100.0, 700.0), 1.0);
  EXPECT_EQ(ombrel::Normalise(400.0, 100.0, 700.0), 0.5);
  // A frame of zero width: before it 0, at it and after it 1.
  EXPECT_EQ(ombrel::Normalise(99.0, 100.0, 100.0), 0.0);
  EXPECT_EQ(ombrel::Normalise(100.0, 100.0, 100.0), 1.0);
  EXPECT_EQ(ombrel::Normalise(101.0, 100.0, 100.0), 1.0);
  EXPECT_EQ(ombrel::Normalise(std::nan(""), 100.0, 700.0), 0.0);
}

TEST(ClosestPointsOfLines, MeetsCrossingLinesAndRefusesParallelOrEmptyOnes) {
  ombrel::ClosestPoints c;
  // The diagonals of the square (0,0)-(10,10) cross at (5, 5), halfway along both.
  ASSERT_TRUE(ombrel::ClosestPointsOfLines(Vec3{0, 0, 0}, Vec3{10, 10, 0}, Vec3{10, 0, 0}, Vec3{0, 10, 0}, c));
  EXPECT_NEAR(c.onA.x, 5.0, 1e-12);
  EXPECT_NEAR(c.onA.y, 5.0, 1e-12);
  EXPECT_NEAR(c.onB.x, 5.0, 1e-12);
  EXPECT_NEAR(c.onB.y, 5.0, 1e-12);
  EXPECT_NEAR(c.s, 0.5, 1e-12);
  EXPECT_NEAR(c.t, 0.5, 1e-12);
  // Lines that meet beyond their ends: y = 0 and the line through (4, 1) and (3, 2) meet at x = 5,
  // s = 5 / 2 along (0,0)-(2,0), t = -1 along (4,1)-(3,2).
  ASSERT_TRUE(ombrel::ClosestPointsOfLines(Vec3{0, 0, 0}, Vec3{2, 0, 0}, Vec3{4, 1, 0}, Vec3{3, 2, 0}, c));
  EXPECT_NEAR(c.onA.x, 5.0, 1e-12);
  EXPECT_NEAR(c.onA.y, 0.0, 1e-12);
  EXPECT_NEAR(c.s, 2.5, 1e-12);
  EXPECT_NEAR(c.t, -1.0, 1e-12);
  // Parallel lines, and a direction shorter than 1e-4 in every axis.
  EXPECT_FALSE(ombrel::ClosestPointsOfLines(Vec3{0, 0, 0}, Vec3{10, 0, 0}, Vec3{0, 5, 0}, Vec3{10, 5, 0}, c));
  EXPECT_FALSE(ombrel::ClosestPointsOfLines(Vec3{0, 0, 0}, Vec3{10, 0, 0}, Vec3{3, 3, 0}, Vec3{3.00005, 3, 0}, c));
  EXPECT_FALSE(ombrel::ClosestPointsOfLines(Vec3{3, 3, 0}, Vec3{3, 3.00005, 0}, Vec3{0, 0, 0}, Vec3{10, 0, 0}, c));
  // The parallel test is absolute: a crossing line 0.002 long passes (determinant 100 * 4e-6),
  // one 0.0009 long does not (8.1e-5).
  EXPECT_TRUE(ombrel::ClosestPointsOfLines(Vec3{0, 0, 0}, Vec3{10, 0, 0}, Vec3{3, 3, 0}, Vec3{3, 3.002, 0}, c));
  EXPECT_NEAR(c.onA.x, 3.0, 1e-9);
  EXPECT_FALSE(ombrel::ClosestPointsOfLines(Vec3{0, 0, 0}, Vec3{10, 0, 0}, Vec3{3, 3, 0}, Vec3{3, 3.0009, 0}, c));
}

TEST(Picking, PressTakesASquareAndTheCursorACircleBothStrictAtSeven) {
  const Vec3 corner{100, 200, 0};
  EXPECT_TRUE(ombrel::WithinPressSquare(106, 200, corner));
  EXPECT_TRUE(ombrel::WithinCursorCircle(106, 200, corner));
  EXPECT_FALSE(ombrel::WithinPressSquare(107, 200, corner));
  EXPECT_FALSE(ombrel::WithinCursorCircle(107, 200, corner));
  EXPECT_FALSE(ombrel::WithinPressSquare(100, 193, corner));
  // (5, 5) off is 7.07 away: inside the square, outside the circle.
  EXPECT_TRUE(ombrel::WithinPressSquare(105, 205, corner));
  EXPECT_FALSE(ombrel::WithinCursorCircle(105, 205, corner));
  EXPECT_TRUE(ombrel::WithinPressSquare(94, 194, corner));
}

TEST(QuantisePreview, ScalesBy255Point999AndClamps) {
  EXPECT_EQ(ombrel::QuantisePreview(0.5), 127);  // 127.9995
  EXPECT_EQ(ombrel::QuantisePreview(1.0), 255);
  EXPECT_EQ(ombrel::QuantisePreview(1.2), 255);
  EXPECT_EQ(ombrel::QuantisePreview(-0.1), 0);
  EXPECT_EQ(ombrel::QuantisePreview(0.25), 63);  // 63.99975
  EXPECT_EQ(ombrel::QuantisePreview(0.0), 0);
  EXPECT_EQ(ombrel::QuantisePreview(std::nan("")), 0);
  EXPECT_EQ(ombrel::QuantisePreview(1e300), 255);
  // The grid step reaches 1.0 exactly at the last column.
  EXPECT_EQ(1023 * ombrel::kPreviewStep, 1.0);
  EXPECT_NEAR(512 * ombrel::kPreviewStep, 0.5005, 1e-4);
}

struct Dash {
  double x0, y0, x1, y1;
};

std::vector<Dash> Walk(const Vec3& a, const Vec3& b, bool& on, const ombrel::DashClip& clip) {
  std::vector<Dash> out;
  ombrel::WalkDashes(a, b, 5.0, clip, on, [&](const ombrel::DashSegment& s) {
    out.push_back(Dash{s.from.x, s.from.y, s.to.x, s.to.y});
  });
  return out;
}

const ombrel::DashClip kViewClip = ombrel::DashClipOf(PixelFrame{0, 0, 800, 600});

TEST(WalkDashes, TwelvePixelsGiveThreeStepsAndTheStateRunsOn) {
  bool on = true;
  // n = 2.4: dashes 0-5 and 10-12; three steps leave the pen off for the next walk.
  std::vector<Dash> first = Walk(Vec3{100, 100, 0}, Vec3{112, 100, 0}, on, kViewClip);
  ASSERT_EQ(first.size(), 2u);
  EXPECT_NEAR(first[0].x0, 100.0, 1e-12);
  EXPECT_NEAR(first[0].x1, 105.0, 1e-12);
  EXPECT_NEAR(first[1].x0, 110.0, 1e-12);
  EXPECT_EQ(first[1].x1, 112.0);  // the last step ends exactly at b
  EXPECT_FALSE(on);
  std::vector<Dash> second = Walk(Vec3{100, 100, 0}, Vec3{112, 100, 0}, on, kViewClip);
  ASSERT_EQ(second.size(), 1u);
  EXPECT_NEAR(second[0].x0, 105.0, 1e-12);
  EXPECT_NEAR(second[0].x1, 110.0, 1e-12);
  EXPECT_TRUE(on);
}

TEST(WalkDashes, TenPixelsGiveTwoStepsAndLeaveTheStateAsItWas) {
  bool on = true;
  std::vector<Dash> first = Walk(Vec3{0, 50, 0}, Vec3{0, 60, 0}, on, kViewClip);
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(first[0].y0, 50.0);
  EXPECT_NEAR(first[0].y1, 55.0, 1e-12);
  EXPECT_TRUE(on);
  // A line of length 0 has no step and keeps the state.
  EXPECT_TRUE(Walk(Vec3{3, 3, 0}, Vec3{3, 3, 0}, on, kViewClip).empty());
  EXPECT_TRUE(on);
}

TEST(WalkDashes, AnEdgeFarLongerThanTheViewDrawsOnlyWhatTheViewShows) {
  // 5,000 km of pixels from inside the view to far right: only the steps up to the clip edge
  // (816 + a step) are produced, at the places the whole walk puts them.
  const Vec3 a{0, 300, 0}, b{5e9, 300, 0};
  const ombrel::DashPlan plan = ombrel::PlanDashes(a, b, 5.0, kViewClip);
  EXPECT_EQ(plan.steps, 1e9);
  EXPECT_EQ(plan.first, 0.0);
  EXPECT_LE(plan.count, 170);
  EXPECT_GE(plan.count, 164);
  bool on = true;
  const std::vector<Dash> dashes = Walk(a, b, on, kViewClip);
  ASSERT_FALSE(dashes.empty());
  EXPECT_NEAR(dashes[1].x0, 10.0, 1e-6);
  EXPECT_NEAR(dashes[1].x1, 15.0, 1e-6);
  EXPECT_TRUE(on);  // 1e9 steps: an even count

  // From far left of the view to inside it: the first produced step keeps its parity, so the
  // dashes lie where they would lie on the whole line (every other 5 pixels from a).
  const Vec3 c{-5e9 - 5, 300, 0}, d{400, 300, 0};
  on = true;
  const std::vector<Dash> tail = Walk(c, d, on, kViewClip);
  ASSERT_FALSE(tail.empty());
  for (const Dash& s : tail) {
    const double fromA = s.x0 - c.x;
    EXPECT_NEAR(std::fmod(fromA, 10.0), 0.0, 1e-3) << s.x0;
  }
  EXPECT_LE(tail.size(), 50u);

  // Lines wholly outside the view, infinite or NaN: nothing, and the state is kept.
  on = true;
  EXPECT_TRUE(Walk(Vec3{-1e12, -1e12, 0}, Vec3{-2e12, -1e12, 0}, on, kViewClip).empty());
  EXPECT_TRUE(Walk(Vec3{0, 0, 0}, Vec3{std::numeric_limits<double>::infinity(), 0, 0}, on, kViewClip).empty());
  EXPECT_TRUE(Walk(Vec3{0, 0, 0}, Vec3{std::nan(""), 0, 0}, on, kViewClip).empty());
  EXPECT_TRUE(on);
  // A clip rectangle as wide as the 32-bit range still ends after kMaxDashSteps steps.
  const ombrel::DashClip all = ombrel::DashClipOf(PixelFrame{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX});
  EXPECT_EQ(ombrel::PlanDashes(Vec3{0, 0, 0}, Vec3{1e12, 0, 0}, 5.0, all).count, ombrel::kMaxDashSteps);
}

// A scripted keyboard: which keys are down until which timer reading; each timer read advances
// the clock by 1 ms, as the editing host's virtual clock does.
struct Keyboard {
  std::map<ombrel::ArrowKey, int64_t> heldUntil;
  int64_t clock = 0;
  int polls = 0;
  bool Down(ombrel::ArrowKey k) {
    ++polls;
    auto it = heldUntil.find(k);
    return it != heldUntil.end() && clock < it->second;
  }
  int64_t Now() { return ++clock; }
};

bool Step(Keyboard& kb, double& dx, double& dy) {
  return ombrel::ReadArrowKeyStep(
      dx, dy, [&](ombrel::ArrowKey k) { return kb.Down(k); }, [&] { return kb.Now(); });
}

TEST(ReadArrowKeyStep, LeftWinsOverRightUpOverDownAndHeldKeysStopAfter200Ms) {
  using ombrel::ArrowKey;
  Keyboard both;
  both.heldUntil = {{ArrowKey::kLeft, 250}, {ArrowKey::kRight, 250}, {ArrowKey::kUp, 250}, {ArrowKey::kDown, 250}};
  double dx = 0, dy = 0;
  ASSERT_TRUE(Step(both, dx, dy));
  EXPECT_EQ(dx, -1.0);
  EXPECT_EQ(dy, -1.0);
  EXPECT_LE(both.clock, 205) << "polling ends about 200 ms after the first reading";

  Keyboard right;
  right.heldUntil = {{ArrowKey::kRight, 1000}};
  dx = 2;
  dy = 0;
  ASSERT_TRUE(Step(right, dx, dy));
  EXPECT_EQ(dx, 3.0);  // added to what was there
  EXPECT_EQ(dy, 0.0);
  EXPECT_GE(right.clock, 201);
  EXPECT_LE(right.clock, 205);

  // A key released early ends its polling at once.
  Keyboard tap;
  tap.heldUntil = {{ArrowKey::kDown, 5}};
  dx = dy = 0;
  ASSERT_TRUE(Step(tap, dx, dy));
  EXPECT_EQ(dy, 1.0);
  EXPECT_LT(tap.clock, 10);

  // A timer that never moves: a held key is given up after a bounded number of polls.
  int polls = 0;
  dx = dy = 0;
  EXPECT_TRUE(ombrel::ReadArrowKeyStep(
      dx, dy, [&](ombrel::ArrowKey k) { return ++polls, k == ArrowKey::kUp; }, [] { return int64_t{0}; }));
  EXPECT_EQ(dy, -1.0);
  EXPECT_LE(polls, ombrel::kMaxArrowKeyPolls + 3);

  Keyboard none;
  dx = dy = 0;
  EXPECT_FALSE(Step(none, dx, dy));
  EXPECT_EQ(none.polls, 4) << "each key is polled once";
}

}  // namespace
