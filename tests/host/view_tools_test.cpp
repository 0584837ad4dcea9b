// Views, input and the active tool: what a tool sees through the view family, the virtual clock
// of a scripted session, drags fed by a pointer path, and the host calling a tool's operations.
// A small tool written here stands in for a module's, registered through the registry family.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstddef>
#include <limits>
#include <string>
#include <vector>

#include "core/families.h"
#include "core/host.h"
#include "core/nodes.h"
#include "core/registry.h"
#include "core/view.h"

namespace ombrel::test {
namespace {

const HostViewApi* Views() { return host::ViewFamily(); }

struct ViewTest : ::testing::Test {
  host::Host h;
  HostNode* doc = h.NewDocument("doc");
  HostNode* view = Views()->activeView(doc);
  host::View* state = host::ViewOfNode(view);
};

TEST_F(ViewTest, ADocumentHasOneActiveViewThatLinksCanName) {
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(Views()->activeView(doc), view);
  EXPECT_TRUE(view->IsInstanceOf(HOST_BASETYPE_VIEW));
  EXPECT_FALSE(view->IsInstanceOf(HOST_BASETYPE_SHADER));
  EXPECT_EQ(host::ResolveLink(view->serial, doc, HOST_BASETYPE_VIEW), view);
  EXPECT_EQ(Views()->activeView(nullptr), nullptr);
  EXPECT_EQ(Views()->activeView(view), nullptr);  // a view is no document
  int32_t l = -1, t = -1, r = -1, b = -1;
  Views()->getFrame(view, &l, &t, &r, &b);
  EXPECT_EQ(std::vector<int32_t>({l, t, r, b}), std::vector<int32_t>({0, 0, 800, 600}));
}

TEST_F(ViewTest, EveryCallIsLoggedInOrderWithExactNumbers) {
  HostData shading;
  Views()->getDrawParam(view, HOST_DRAWPARAM_SHADING, &shading);
  HostData depth;
  Views()->getDrawParam(view, HOST_DRAWPARAM_DEPTH_OFFSET, &depth);
  HostData none = HostData::OfInt32(5);
  Views()->getDrawParam(view, 77, &none);
  EXPECT_EQ(shading.type, HOST_DA_LONG);
  EXPECT_EQ(shading.i32, 1);
  EXPECT_EQ(depth.type, HOST_DA_REAL);
  EXPECT_EQ(depth.real, 0.0);
  EXPECT_EQ(none.type, HOST_DA_NIL);
  const HostData four = HostData::OfInt32(4);
  Views()->setDrawParam(view, HOST_DRAWPARAM_SHADING, &four);
  const HostData tenth = HostData::OfReal(0.1);
  Views()->setDrawParam(view, HOST_DRAWPARAM_DEPTH_OFFSET, &tenth);
  Views()->setTransparency(view, 0);
  Views()->setDepthOffset(view, -1);
  Views()->setMatrixScreen(view);
  Views()->setMatrixMatrix(view, nullptr, nullptr);
  Views()->screenToWorld(view, HostVector{500, 200, 20000});
  Views()->setPen(view, HostVector{1, 0.66, 0});
  Views()->drawLine(view, HostVector{1.5, 2, 0}, HostVector{1e308, -0.25, 0}, 1);
  Views()->drawHandle2D(view, HostVector{3, 4, 0}, 3);
  Views()->drawHandle(view, HostVector{5, 6, 7}, 3, 0);
  const HostVector pts[4] = {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}};
  const HostVector uvw[4] = {{0, 0, 1e308}, {1, 0, 1e308}, {1, 1, 1e308}, {0, 1, 1e308}};
  HostBitmap bmp;
  bmp.Init(2, 1);
  Views()->drawTexture(view, &bmp, pts, nullptr, nullptr, uvw, 4, 12, 0);
  const std::vector<std::string> expected{
      "getDrawParam 2 -> integer 1",
      "getDrawParam 1002 -> real 0",
      "getDrawParam 77 -> none",
      "setDrawParam 2 integer 4",
      "setDrawParam 1002 real 0.1",
      "setTransparency 0",
      "setDepthOffset -1",
      "setMatrixScreen",
      "setMatrixMatrix no object identity",
      "screenToWorld (500, 200, 20000) -> (2000, 2000, 20000)",
      "setPen (1, 0.66, 0)",
      "drawLine (1.5, 2, 0) (1e+308, -0.25, 0) flags 1",
      "drawHandle2D (3, 4, 0) type 3",
      "drawHandle (5, 6, 7) type 3 flags 0",
      "drawTexture bitmap 2x1 count 4 alpha 12 flags 0 points (0, 0, 0) (2, 0, 0) (2, 2, 0) (0, 2, 0) colours none "
      "normals none uvw (0, 0, 1e+308) (1, 0, 1e+308) (1, 1, 1e+308) (0, 1, 1e+308)",
  };
  EXPECT_EQ(state->LogLines(), expected);
  // The parameters keep what was set.
  HostData back;
  Views()->getDrawParam(view, HOST_DRAWPARAM_DEPTH_OFFSET, &back);
  EXPECT_EQ(back.real, 0.1);
}

TEST_F(ViewTest, ScreenToWorldGoesBackToTheSameScreenPoint) {
  state->SetFrame(0, 0, 300, 1000);
  // The frame's middle is (150, 500); f = 1000: (x - 150) z / 1000, (500 - y) z / 1000.
  const HostVector w = Views()->screenToWorld(view, HostVector{0, 350, 20000});
  EXPECT_DOUBLE_EQ(w.x, -3000.0);
  EXPECT_DOUBLE_EQ(w.y, 3000.0);
  EXPECT_DOUBLE_EQ(w.z, 20000.0);
  for (const HostVector s : {HostVector{0, 0, 20000}, HostVector{300, 1000, 20000}, HostVector{123.25, -40, 5},
                             HostVector{-1e6, 1e6, 1e-3}}) {
    HostVector back{};
    ASSERT_TRUE(state->WorldToScreen(Views()->screenToWorld(view, s), back));
    EXPECT_NEAR(back.x, s.x, 1e-9 * (1 + std::abs(s.x)));
    EXPECT_NEAR(back.y, s.y, 1e-9 * (1 + std::abs(s.y)));
  }
  HostVector ignored{};
  EXPECT_FALSE(state->WorldToScreen(HostVector{1, 1, 0}, ignored));    // at the camera
  EXPECT_FALSE(state->WorldToScreen(HostVector{1, 1, -5}, ignored));   // behind it
  EXPECT_FALSE(state->WorldToScreen(HostVector{std::nan(""), 1, 5}, ignored));
}

TEST_F(ViewTest, ViewColourTwelveIsTheSelectionOrange) {
  const HostVector c = Views()->viewColor(HOST_VIEWCOLOR_SELECTION);
  EXPECT_EQ(c.x, 1.0);
  EXPECT_EQ(c.y, 0.66);
  EXPECT_EQ(c.z, 0.0);
}

TEST_F(ViewTest, PointsWithoutAScreenPositionAreLoggedButNotDrawn) {
  Views()->drawLine(view, HostVector{std::nan(""), 0, 0}, HostVector{1, 1, 0}, 0);
  Views()->drawHandle2D(view, HostVector{std::numeric_limits<double>::infinity(), 0, 0}, 3);
  Views()->setMatrixMatrix(view, nullptr, nullptr);
  Views()->drawLine(view, HostVector{0, 0, -10}, HostVector{0, 0, 10}, 0);  // starts behind the camera
  ASSERT_EQ(state->Commands().size(), 3u);
  for (const auto& c : state->Commands()) EXPECT_FALSE(c.visible);
  EXPECT_EQ(state->LogLines()[0], "drawLine (nan, 0, 0) (1, 1, 0) flags 0");
  EXPECT_EQ(state->LogLines()[1], "drawHandle2D (inf, 0, 0) type 3");
}

TEST_F(ViewTest, CallsOnSomethingElseThanAViewDoNothing) {
  int32_t l = 5;
  Views()->getFrame(doc, &l, nullptr, nullptr, nullptr);
  EXPECT_EQ(l, 0);
  Views()->drawLine(doc, HostVector{0, 0, 0}, HostVector{1, 1, 0}, 0);
  Views()->drawLine(nullptr, HostVector{0, 0, 0}, HostVector{1, 1, 0}, 0);
  Views()->drawTexture(view, nullptr, nullptr, nullptr, nullptr, nullptr, 4, 12, 0);
  EXPECT_EQ(state->LogLines(), std::vector<std::string>{"drawTexture bitmap none count 4 alpha 12 flags 0 points none "
                                                        "colours none normals none uvw none"});
}

// ---- input ---------------------------------------------------------------------------------------

bool KeyDown(int32_t channel, HostEditorWindow* win = nullptr) {
  HostContainer result;
  const HostBool known = win ? Views()->windowInputState(win, HOST_INPUT_KEYBOARD, channel, &result)
                             : Views()->inputState(HOST_INPUT_KEYBOARD, channel, &result);
  EXPECT_TRUE(known);
  const HostData* d = result.Find(HOST_INPUT_VALUE);
  return d && d->type == HOST_DA_LONG && d->i32 != 0;
}

TEST_F(ViewTest, AScriptedKeyIsDownForItsTimeOnTheVirtualClock) {
  h.Input().BeginScript();
  const HostMiscApi* misc = host::MiscFamily();
  EXPECT_EQ(misc->timerMs(), 0);
  h.Input().HoldKey(HOST_KEY_RIGHT, 250);
  // Each poll reads the state at the clock, then the clock moves on by a millisecond: a key
  // held for 250 ms answers down exactly 250 times.
  int downs = 0;
  while (KeyDown(HOST_KEY_RIGHT)) downs++;
  EXPECT_EQ(downs, 250);
  EXPECT_EQ(misc->timerMs(), 251);
  EXPECT_FALSE(KeyDown(HOST_KEY_LEFT, state->Window()));
  EXPECT_FALSE(h.Input().AnyKeyHeld());
  // The window answers as the global state does; a window the host did not make does not.
  h.Input().HoldKey(HOST_KEY_UP, 2);
  EXPECT_TRUE(KeyDown(HOST_KEY_UP, state->Window()));
  HostEditorWindow stranger;
  HostContainer result;
  EXPECT_FALSE(Views()->windowInputState(&stranger, HOST_INPUT_KEYBOARD, HOST_KEY_UP, &result));
  EXPECT_FALSE(Views()->inputState(12345, HOST_KEY_UP, &result));
}

TEST_F(ViewTest, OutsideAScriptNoKeyIsDownAndTheClockIsReal) {
  EXPECT_FALSE(KeyDown(HOST_KEY_RIGHT));
  h.Input().HoldKey(HOST_KEY_RIGHT, 100);
  EXPECT_FALSE(KeyDown(HOST_KEY_RIGHT));
  // Milliseconds of the machine's steady clock, not a count of polls: the readings fall between
  // the test's own readings of that clock, however long each step takes.
  auto clockMs = [] {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  };
  const int64_t before = clockMs();
  const int64_t a = host::MiscFamily()->timerMs();
  const int64_t b = host::MiscFamily()->timerMs();
  const int64_t after = clockMs();
  EXPECT_LE(before, a);
  EXPECT_LE(a, b);
  EXPECT_LE(b, after);
}

TEST_F(ViewTest, ADragHandsOutThePathThenReleases) {
  HostEditorWindow* win = state->Window();
  double dx = 9, dy = 9;
  EXPECT_EQ(Views()->dragStep(win, &dx, &dy, nullptr), HOST_DRAGRESULT_ESCAPE);  // no drag yet
  EXPECT_EQ(dx, 0.0);
  h.Input().SetPointerPath({{1, 2}, {0, 0}, {-3.5, 4}});
  h.Input().DragLog().clear();
  Views()->dragStart(win, HOST_BUTTON_LEFT, 100, 50, HOST_DRAGFLAGS_NOMOVE);
  std::vector<std::pair<double, double>> moves;
  HostContainer channels;
  int32_t result = 0;
  int steps = 0;
  while ((result = Views()->dragStep(win, &dx, &dy, &channels)) == HOST_DRAGRESULT_CONTINUE && steps < 100) {
    moves.emplace_back(dx, dy);
    steps++;
  }
  EXPECT_EQ(moves, (std::vector<std::pair<double, double>>{{1, 2}, {0, 0}, {-3.5, 4}}));
  EXPECT_EQ(result, HOST_DRAGRESULT_NOCHANGE);
  EXPECT_EQ(dx, 0.0);
  EXPECT_EQ(channels.Find(HOST_INPUT_VALUE)->i32, 0);  // the button is up
  EXPECT_EQ(Views()->dragStep(win, nullptr, nullptr, nullptr), HOST_DRAGRESULT_NOCHANGE);
  Views()->dragEnd(win);
  EXPECT_EQ(h.Input().DragLog().front(), "dragStart button 61440 at (100, 50, 0) flags 1");
  EXPECT_EQ(h.Input().DragLog()[1], "dragStep 1 2 continue");
  EXPECT_EQ(h.Input().DragLog().back(), "dragEnd");
}

TEST_F(ViewTest, HostEventsAreRecordedWithTheirParameters) {
  host::MiscFamily()->specialEventAdd(HOST_EVENT_EDITOR_MOVE, 0, 0);
  host::MiscFamily()->drawViews(0x506);
  ASSERT_EQ(h.Events().size(), 2u);
  EXPECT_EQ(h.Events()[0].kind, host::Host::Event::Kind::Special);
  EXPECT_EQ(h.Events()[0].flags, 0x65646D76);
  EXPECT_EQ(h.Events()[1].kind, host::Host::Event::Kind::Redraw);
  EXPECT_EQ(h.Events()[1].flags, 0x506);
}

// ---- the active tool ------------------------------------------------------------------------------

// What the stand-in tool saw.
struct ToolLog {
  std::vector<std::string> calls;
  HostNode* view = nullptr;
  HostEditorWindow* window = nullptr;
  int32_t x = 0, y = 0;
  double sumX = 0, sumY = 0;
  int keySteps = 0;
  int32_t setId = 0;
  int32_t messageId = 0;
};
ToolLog* g_log = nullptr;

void Destroy(void*) {}
HostBool InitTool(void*, HostNode*, HostContainer*) {
  g_log->calls.push_back("InitTool");
  return HOST_TRUE;
}
void FreeTool(void*, HostNode*, HostContainer*) { g_log->calls.push_back("FreeTool"); }
void InitDefaults(void*, HostNode*, HostContainer* settings) {
  host::ContainerFamily()->setReal(settings, 1006, 0.5);
}
HostStr Symbol(void*) { return HostStr{"tool_stand_in", 13}; }
HostBool SetDParameter(void*, HostNode*, HostContainer*, const HostDescId* id, const HostData*, int32_t*) {
  g_log->setId = id->level[0].id;
  return HOST_TRUE;
}
HostBool Message(void*, HostNode*, HostContainer*, int32_t type, void* data) {
  if (type == HOST_MSG_DESCRIPTION_POSTSETPARAMETER) g_log->messageId = static_cast<HostDescPostSet*>(data)->id->level[0].id;
  return HOST_TRUE;
}
int32_t PluginId(void*) { return 990001; }

// A drag as a tool runs it: the pointer from the message, then the steps until released.
HostBool MouseInput(void*, HostNode*, HostContainer*, HostNode* view, HostEditorWindow* win, const HostContainer* msg) {
  g_log->calls.push_back("MouseInput");
  g_log->view = view;
  g_log->window = win;
  g_log->x = host::ContainerFamily()->getInt32(msg, HOST_MSG_POINTER_X, -1);
  g_log->y = host::ContainerFamily()->getInt32(msg, HOST_MSG_POINTER_Y, -1);
  Views()->dragStart(win, HOST_BUTTON_LEFT, g_log->x, g_log->y, HOST_DRAGFLAGS_NOMOVE);
  double dx = 0, dy = 0;
  while (Views()->dragStep(win, &dx, &dy, nullptr) == HOST_DRAGRESULT_CONTINUE) {
    g_log->sumX += dx;
    g_log->sumY += dy;
  }
  Views()->dragEnd(win);
  return HOST_TRUE;
}
// Polls Right until it is up or 200 ms have passed, as an arrow-key step does.
HostBool KeyboardInput(void*, HostNode*, HostContainer*, HostNode*, HostEditorWindow* win, const HostContainer*) {
  const int64_t t0 = host::MiscFamily()->timerMs();
  bool any = false;
  while (KeyDown(HOST_KEY_RIGHT, win)) {
    any = true;
    if (host::MiscFamily()->timerMs() - t0 > 200) break;
  }
  if (any) g_log->keySteps++;
  return any ? HOST_TRUE : HOST_FALSE;
}
HostBool CursorInfo(void*, HostNode*, HostContainer*, HostNode*, double x, double, HostContainer* result) {
  if (host::ContainerFamily()->getId(result) == HOST_CURSORINFO_LEAVE) return HOST_TRUE;
  if (x < 7) host::ContainerFamily()->setInt32(result, HOST_RESULT_CURSOR, HOST_CURSOR_POINT_HAND);
  return HOST_TRUE;
}
int32_t Draw(void*, HostNode*, HostContainer*, HostNode* view, HostDrawHelp*, HostThread*, int32_t) {
  Views()->setPen(view, HostVector{1, 0, 0});
  Views()->drawLine(view, HostVector{0, 0, 0}, HostVector{10, 0, 0}, 0);
  return 0;
}

struct ToolTest : ViewTest {
  ToolLog log;
  HostModule module;
  HostToolClass cls{};
  int instance = 0;
  void SetUp() override {
    g_log = &log;
    module.host = &h;
    cls.size = sizeof(HostToolClass);
    cls.destroy = Destroy;
    cls.initTool = InitTool;
    cls.freeTool = FreeTool;
    cls.initDefaultSettings = InitDefaults;
    cls.getResourceSymbol = Symbol;
    cls.setDParameter = SetDParameter;
    cls.message = Message;
    cls.getToolPluginId = PluginId;
    cls.mouseInput = MouseInput;
    cls.keyboardInput = KeyboardInput;
    cls.getCursorInfo = CursorInfo;
    cls.draw = Draw;
  }
  void TearDown() override { g_log = nullptr; }
  void Register(uint32_t size) {
    cls.size = size;
    ASSERT_TRUE(host::RegistryFamily()->registerTool(&module, 990001, HostStr{"Stand-in", 8}, 0, HostStr{"", 0}, &cls,
                                                     &instance));
  }
};

TEST_F(ToolTest, WithoutAnActiveToolNothingIsCalled) {
  Register(sizeof(HostToolClass));
  int32_t result = 7;
  HostContainer cursor;
  EXPECT_EQ(h.ToolMouseInput(1, 2), host::Host::ToolAnswer::NoTool);
  EXPECT_EQ(h.ToolKeyboardInput(), host::Host::ToolAnswer::NoTool);
  EXPECT_EQ(h.ToolCursorInfo(1, 2, false, cursor), host::Host::ToolAnswer::NoTool);
  EXPECT_EQ(h.ToolDraw(0, result), host::Host::ToolAnswer::NoTool);
  EXPECT_TRUE(log.calls.empty());
}

TEST_F(ToolTest, TheHostCallsTheActiveToolInTheDocumentsView) {
  Register(sizeof(HostToolClass));
  ASSERT_TRUE(host::MiscFamily()->callCommand(990001));
  EXPECT_TRUE(h.ToolStarted());
  h.Input().BeginScript();
  h.Input().SetPointerPath({{2, 0}, {3, -1}});
  EXPECT_EQ(h.ToolMouseInput(40, 30), host::Host::ToolAnswer::True);
  EXPECT_EQ(log.view, view);
  EXPECT_EQ(log.window, state->Window());
  EXPECT_EQ(log.x, 40);
  EXPECT_EQ(log.y, 30);
  EXPECT_EQ(log.sumX, 5.0);
  EXPECT_EQ(log.sumY, -1.0);
  EXPECT_FALSE(h.Input().Dragging());

  HostContainer cursor;
  EXPECT_EQ(h.ToolCursorInfo(6, 0, false, cursor), host::Host::ToolAnswer::True);
  EXPECT_EQ(cursor.Find(HOST_RESULT_CURSOR)->i32, HOST_CURSOR_POINT_HAND);
  HostContainer leaving;
  EXPECT_EQ(h.ToolCursorInfo(6, 0, true, leaving), host::Host::ToolAnswer::True);
  EXPECT_EQ(leaving.Find(HOST_RESULT_CURSOR), nullptr);

  int32_t result = 7;
  Views()->setPen(view, HostVector{0, 0, 1});  // an earlier redraw: gone from the record
  EXPECT_EQ(h.ToolDraw(0, result), host::Host::ToolAnswer::True);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(state->LogLines(), (std::vector<std::string>{"setPen (1, 0, 0)", "drawLine (0, 0, 0) (10, 0, 0) flags 0"}));

  // A tool setting edited in the panel: SetDParameter, the store, then message 19.
  EXPECT_EQ(h.ToolSetParameter(1006, HostData::OfReal(0.25)), host::Host::ToolAnswer::True);
  EXPECT_EQ(log.setId, 1006);
  EXPECT_EQ(log.messageId, 1006);
  EXPECT_EQ(h.ToolSettings(990001)->Find(1006)->real, 0.25);
}

TEST_F(ToolTest, KeyPollingTakesItsTimeOnTheVirtualClock) {
  Register(sizeof(HostToolClass));
  ASSERT_TRUE(host::MiscFamily()->callCommand(990001));
  h.Input().BeginScript();
  h.Input().HoldKey(HOST_KEY_RIGHT, 250);
  // The first press polls at 0 to 200 ms and stops once more than 200 ms have passed; the
  // repeat polls the rest of the 250 ms and the release at 250.
  EXPECT_EQ(h.ToolKeyboardInput(), host::Host::ToolAnswer::True);
  EXPECT_EQ(h.Input().NowMs(), 201);
  EXPECT_EQ(h.ToolKeyboardInput(), host::Host::ToolAnswer::True);
  EXPECT_EQ(h.Input().NowMs(), 251);
  EXPECT_FALSE(h.Input().AnyKeyHeld());
  EXPECT_EQ(h.ToolKeyboardInput(), host::Host::ToolAnswer::False);
  EXPECT_EQ(log.keySteps, 2);
}

TEST_F(ToolTest, AnOlderToolClassIsNeverAskedForViewOperations) {
  // A module built before tools had view operations registers a shorter class; whatever lies
  // beyond its size is not the module's.
  Register(static_cast<uint32_t>(offsetof(HostToolClass, mouseInput)));
  ASSERT_TRUE(host::MiscFamily()->callCommand(990001));
  int32_t result = 0;
  HostContainer cursor;
  EXPECT_EQ(h.ToolMouseInput(1, 2), host::Host::ToolAnswer::NotOffered);
  EXPECT_EQ(h.ToolKeyboardInput(), host::Host::ToolAnswer::NotOffered);
  EXPECT_EQ(h.ToolCursorInfo(1, 2, false, cursor), host::Host::ToolAnswer::NotOffered);
  EXPECT_EQ(h.ToolDraw(0, result), host::Host::ToolAnswer::NotOffered);
  EXPECT_EQ(log.calls, std::vector<std::string>{"InitTool"});
  // Shorter still: not a tool class at all.
  cls.size = static_cast<uint32_t>(offsetof(HostToolClass, getToolPluginId));
  EXPECT_FALSE(host::RegistryFamily()->registerTool(&module, 990002, HostStr{"x", 1}, 0, HostStr{"", 0}, &cls, &instance));
}

TEST_F(ToolTest, AnEmptySlotInAFullClassIsNotCalled) {
  cls.draw = nullptr;
  Register(sizeof(HostToolClass));
  ASSERT_TRUE(host::MiscFamily()->callCommand(990001));
  int32_t result = 0;
  EXPECT_EQ(h.ToolDraw(0, result), host::Host::ToolAnswer::NotOffered);
}

}  // namespace
}  // namespace ombrel::test
