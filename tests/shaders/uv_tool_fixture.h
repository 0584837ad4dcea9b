// The UV transform tool driven through the host's tool table, in a view whose services are a
// recording stand-in: every view call is kept in order with its numbers (the draw log), the
// pointer's drag and the keys are scripted, and the timer is a virtual clock that each input
// poll advances by 1 ms. The tool starts the way a user starts it: button 1101 of the shader.
#ifndef OMBREL_TESTS_UV_TOOL_FIXTURE_H
#define OMBREL_TESTS_UV_TOOL_FIXTURE_H

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/builtin_shaders.h"
#include "core/editing.h"
#include "core/nodes.h"
#include "core/registry.h"
#include "core/undo.h"
#include "shader_fixture.h"

namespace ombrel::test {

enum : int32_t {
  kToolShader = 1001, kToolView = 1002, kToolGuides = 1004, kToolHandles, kToolOffset, kToolMagnifier
};
enum : int32_t { kSourceLink = 1100, kEditInTool = 1101, kCorner1 = 1103 };

// One call the tool made on the view, timer or events: its name and its numbers in order.
struct ViewCall {
  std::string op;
  std::vector<double> a;
  const HostBitmap* bitmap = nullptr;
};

struct ViewStandIn {
  HostNode* node = nullptr;
  int32_t frame[4] = {0, 0, 800, 600};
  std::map<int32_t, HostData> drawParams;
  std::vector<ViewCall> log;
  // Drag steps still to come: movement and result; the drag ends when they run out.
  struct DragStep {
    double dx, dy;
  };
  std::deque<DragStep> drag;
  // Keys held from the first poll until the clock reaches the given time.
  std::map<int32_t, int64_t> keysHeldUntil;
  bool globalInput = true;  // whether the global input-state query answers
  bool windowInput = true;
  int64_t clock = 0;

  void Log(const std::string& op, std::vector<double> a = {}, const HostBitmap* bmp = nullptr) {
    log.push_back(ViewCall{op, std::move(a), bmp});
  }
};

ViewStandIn*& StandIn();

// The stand-in families, with the host's own services where the stand-in has nothing to add.
HostViewApi StandInViews();
HostMiscApi StandInMisc(const HostMiscApi& hostMisc);

class UvToolTest : public ShaderFixture {
 protected:
  UvToolTest() : ShaderFixture(kTransformId) {}

  void SetUp() override {
    ShaderFixture::SetUp();
    if (HasFatalFailure()) return;
    source_ = AddInput(shader_, host::kColorShaderType, kSourceLink);
    SetColour(0.5, 0.5, 0.5);
    view_ = std::make_unique<HostNode>(NodeKind::Object, HOST_BASETYPE_VIEW);
    view_->name = "view";
    view_->document = scene_.document;
    standIn_.node = view_.get();
    StandIn() = &standIn_;
    hostViews_ = module_->api.views;
    hostMisc_ = module_->api.misc;
    views_ = StandInViews();
    misc_ = StandInMisc(*hostMisc_);
    module_->api.views = &views_;
    module_->api.misc = &misc_;
    tool_ = host_.GetRegistry().Find(kToolId);
    ASSERT_NE(tool_, nullptr);
  }
  void TearDown() override {
    if (module_) {
      module_->api.views = hostViews_;
      module_->api.misc = hostMisc_;
    }
    ShaderFixture::TearDown();
    StandIn() = nullptr;
  }

  void SetColour(double r, double g, double b) {
    C()->setVector(&source_->data, 1000, HostVector{r, g, b});
  }
  void SetCorner(int k, double u, double v) { C()->setVector(&shader_->data, kCorner1 + k - 1, HostVector{u, v, 0}); }
  HostVector Corner(int k) const {
    const HostData* d = shader_->data.Find(kCorner1 + k - 1);
    return d ? d->vec : HostVector{-1, -1, -1};
  }

  // Presses the shader's button "Edit in Tool": the tool starts in the active document.
  bool Start() {
    host::PressButton(shader_, kEditInTool);
    return host_.ActiveTool() == kToolId && Settings() != nullptr;
  }
  HostContainer* Settings() { return host_.ToolSettings(kToolId); }
  HostNode* Doc() { return scene_.document; }
  HostEditorWindow* Window() { return reinterpret_cast<HostEditorWindow*>(&windowTag_); }

  int32_t Draw() {
    standIn_.log.clear();
    return tool_->toolClass.draw(tool_->toolInstance, Doc(), Settings(), view_.get(), nullptr, nullptr, 0);
  }
  // A press at (x, y) followed by the scripted drag steps.
  bool Press(int32_t x, int32_t y, std::vector<ViewStandIn::DragStep> steps = {{0, 0}}) {
    standIn_.drag.assign(steps.begin(), steps.end());
    HostContainer msg;
    C()->setInt32(&msg, HOST_MSG_POINTER_X, x);
    C()->setInt32(&msg, HOST_MSG_POINTER_Y, y);
    standIn_.log.clear();
    return tool_->toolClass.mouseInput(tool_->toolInstance, Doc(), Settings(), view_.get(), Window(), &msg);
  }
  // Keys held for the given milliseconds, then one key press reported to the tool.
  bool Keys(std::map<int32_t, int64_t> heldFor) {
    standIn_.keysHeldUntil.clear();
    for (const auto& [key, ms] : heldFor) standIn_.keysHeldUntil[key] = standIn_.clock + ms;
    HostContainer msg;
    standIn_.log.clear();
    return tool_->toolClass.keyboardInput(tool_->toolInstance, Doc(), Settings(), view_.get(), Window(), &msg);
  }
  // The cursor the tool asks for at (x, y), or 0 when it leaves the host's.
  int32_t Cursor(double x, double y, int32_t id = 0) {
    HostContainer result;
    C()->setId(&result, id);
    tool_->toolClass.getCursorInfo(tool_->toolInstance, Doc(), Settings(), view_.get(), x, y, &result);
    return C()->getInt32(&result, HOST_RESULT_CURSOR, 0);
  }
  bool SetSetting(int32_t id, const HostData& value) {
    HostDescId descId{};
    descId.depth = 1;
    descId.level[0] = HostDescLevel{id, 0, 0};
    int32_t flags = 0;
    const HostBool answer =
        tool_->toolClass.setDParameter(tool_->toolInstance, Doc(), Settings(), &descId, &value, &flags);
    EXPECT_EQ(flags & HOST_DESCFLAGS_SET_PARAM_SET, 0) << "the host stores the value";
    C()->setData(Settings(), id, &value);
    return answer != 0;
  }

  std::vector<ViewCall> Calls(const std::string& op) const {
    std::vector<ViewCall> out;
    for (const ViewCall& c : standIn_.log) {
      if (c.op == op) out.push_back(c);
    }
    return out;
  }
  // The picture the last Draw showed, or null.
  const HostBitmap* Picture() const {
    for (const ViewCall& c : standIn_.log) {
      if (c.op == "DrawTexture") return c.bitmap;
    }
    return nullptr;
  }
  // The picture frame the last Draw used, from the screen points it turned into world points.
  std::vector<double> PictureFrame() const {
    const std::vector<ViewCall> sw = Calls("SW");
    if (sw.size() < 4) return {};
    return {sw[0].a[0], sw[0].a[1], sw[2].a[0], sw[2].a[1]};
  }
  std::vector<int32_t> Pixel(const HostBitmap* bmp, int32_t x, int32_t y) const {
    int32_t rgb[3] = {-1, -1, -1};
    host::BitmapFamily()->getPixel(bmp, x, y, rgb);
    return {rgb[0], rgb[1], rgb[2]};
  }
  host::UndoHistory& History() { return *host::HistoryOf(scene_.document); }

  HostNode* source_ = nullptr;
  std::unique_ptr<HostNode> view_;
  ViewStandIn standIn_;
  const host::PluginRecord* tool_ = nullptr;

 private:
  HostViewApi views_{};
  HostMiscApi misc_{};
  const HostViewApi* hostViews_ = nullptr;
  const HostMiscApi* hostMisc_ = nullptr;
  int windowTag_ = 0;
};

}  // namespace ombrel::test

#endif
