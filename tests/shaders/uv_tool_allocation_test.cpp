// Every request the UV transform tool makes of the host for memory, failed in turn over a whole
// session (start from the shader's button, draw, a drag, a key step, the cursor, a new preview,
// end): each run must survive it and leave nothing behind.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "core/families.h"
#include "uv_tool_fixture.h"

namespace ombrel::test {
namespace {

struct ToolRun {
  bool struck = false;
  std::string site;
  int64_t requests = 0;
  HostVector corner1{-1, -1, -1};  // after the session
  host::LedgerSnapshot left;
  std::vector<std::string> leaks;
};

ToolRun RunToolWithFailure(int64_t failAt) {
  ToolRun result;
  host::Host h;
  HostModule* m = StartModuleFailingAt(h, failAt);
  if (!m) return result;
  const HostContainerApi* C = host::ContainerFamily();
  HostNode* doc = h.NewDocument("tool allocation failures");
  HostNode* material = host::NewMaterial(doc, "material");
  HostNode* shader = host::InsertShader(material, host::CreateShader(h.GetRegistry(), kTransformId), nullptr);
  const host::PluginRecord* tool = h.GetRegistry().Find(kToolId);
  ViewStandIn standIn;
  HostNode view(NodeKind::Object, HOST_BASETYPE_VIEW);
  view.document = doc;
  standIn.node = &view;
  StandIn() = &standIn;
  const HostViewApi* hostViews = m->api.views;
  const HostMiscApi* hostMisc = m->api.misc;
  const HostViewApi views = StandInViews();
  const HostMiscApi misc = StandInMisc(*hostMisc);
  m->api.views = &views;
  m->api.misc = &misc;

  if (shader && tool && tool->toolInstance) {
    HostNode* source = host::InsertShader(shader, host::CreateShader(h.GetRegistry(), host::kColorShaderType), nullptr);
    C->setLink(&shader->data, 1100, source);
    C->setVector(&shader->data, 1104, HostVector{0.005, 0.0, 0.0});  // near corner 1
    host::PressButton(shader, kEditInTool);
    HostContainer* settings = h.ToolSettings(kToolId);
    void* self = tool->toolInstance;
    const HostToolClass& cls = tool->toolClass;
    HostEditorWindow* win = reinterpret_cast<HostEditorWindow*>(&standIn);
    if (settings) {
      C->setInt32(settings, kToolMagnifier, 1);
      cls.draw(self, doc, settings, &view, nullptr, nullptr, 0);
      HostContainer msg;
      C->setInt32(&msg, HOST_MSG_POINTER_X, 101);
      C->setInt32(&msg, HOST_MSG_POINTER_Y, 1);
      standIn.drag = {{0, 0}, {3, 4}};
      cls.mouseInput(self, doc, settings, &view, win, &msg);
      standIn.keysHeldUntil = {{HOST_KEY_RIGHT, standIn.clock + 3}};
      cls.keyboardInput(self, doc, settings, &view, win, &msg);
      HostContainer cursor;
      cls.getCursorInfo(self, doc, settings, &view, 100, 0, &cursor);
      cls.draw(self, doc, settings, &view, nullptr, nullptr, 0);
      HostDescId id{};
      id.depth = 1;
      id.level[0] = HostDescLevel{kToolShader, 0, 0};
      HostData link;
      int32_t flags = 0;
      cls.setDParameter(self, doc, settings, &id, &link, &flags);
      cls.draw(self, doc, settings, &view, nullptr, nullptr, 0);
    }
  }

  if (shader) {
    if (const HostData* c = shader->data.Find(1103)) result.corner1 = c->vec;
  }
  result.struck = m->ledger.InjectedFailureStruck();
  result.site = m->ledger.InjectedFailureSite();
  result.requests = m->ledger.Requests();
  m->api.views = hostViews;
  m->api.misc = hostMisc;
  h.ReleasePlugins(m);
  h.End(m);
  result.left = m->ledger.Snapshot();
  result.leaks = m->ledger.LiveBlocks();
  h.Close(m);
  StandIn() = nullptr;
  return result;
}

TEST(UvToolAllocationFailure, EveryRequestOfAToolSessionMayFail) {
  const ToolRun clean = RunToolWithFailure(0);
  ASSERT_EQ(clean.left.liveBlocks, 0);
  ASSERT_EQ(clean.left.liveHandles, 0);
  ASSERT_GT(clean.requests, 20);
  // The session did its work: dragged by (3, 4) and one step right, in a 600-pixel frame.
  ASSERT_NEAR(clean.corner1.x, 4.0 / 600.0, 1e-12);
  ASSERT_NEAR(clean.corner1.y, 4.0 / 600.0, 1e-12);
  int64_t n = 1;
  for (;; ++n) {
    const ToolRun run = RunToolWithFailure(n);
    const std::string at = "request " + std::to_string(n) + " (" + run.site + ")";
    if (!run.struck) break;
    ASSERT_LE(n, clean.requests) << at;
    EXPECT_EQ(run.left.liveBlocks, 0) << at << ::testing::PrintToString(run.leaks);
    EXPECT_EQ(run.left.liveHandles, 0) << at;
  }
  EXPECT_EQ(n, clean.requests + 1);
  std::printf("tool allocation failures: %lld requests walked\n", static_cast<long long>(clean.requests));
}

}  // namespace
}  // namespace ombrel::test
