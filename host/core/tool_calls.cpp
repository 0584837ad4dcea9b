// The active tool at work in a view: the host's input handling and redraws call the tool's
// operations with the active document, the tool's settings, the view and its window.
#include <cstddef>

#include "host.h"
#include "nodes.h"
#include "registry.h"
#include "view.h"

namespace ombrel::host {
namespace {

// An operation a module registered: its class must be long enough to hold it (modules built
// against an older interface register shorter classes) and the slot must be filled.
#define OMBREL_TOOL_OFFERS(cls, op) \
  ((cls).size >= offsetof(HostToolClass, op) + sizeof((cls).op) && (cls).op != nullptr)

}  // namespace

View* Host::ToolView() { return DocumentView(active_); }

namespace {
struct ToolContext {
  const PluginRecord* plugin = nullptr;
  HostContainer* settings = nullptr;
  View* view = nullptr;
};
}  // namespace

#define OMBREL_TOOL_CONTEXT(ctx)                                                          \
  ToolContext ctx;                                                                        \
  ctx.plugin = registry_.Find(activeTool_);                                               \
  if (!ctx.plugin || !ctx.plugin->toolInstance || !active_) return ToolAnswer::NoTool;    \
  ctx.settings = ToolSettings(activeTool_);                                               \
  ctx.view = ToolView();                                                                  \
  if (!ctx.settings || !ctx.view) return ToolAnswer::NoTool

Host::ToolAnswer Host::ToolMouseInput(int32_t x, int32_t y) {
  OMBREL_TOOL_CONTEXT(ctx);
  const HostToolClass& cls = ctx.plugin->toolClass;
  if (!OMBREL_TOOL_OFFERS(cls, mouseInput)) return ToolAnswer::NotOffered;
  HostContainer msg;
  msg.ownId = HOST_INPUT_MOUSE;
  HostData& px = msg.Slot(HOST_MSG_POINTER_X);
  px.type = HOST_DA_LONG;
  px.i32 = x;
  HostData& py = msg.Slot(HOST_MSG_POINTER_Y);
  py.type = HOST_DA_LONG;
  py.i32 = y;
  const HostBool answer = cls.mouseInput(ctx.plugin->toolInstance, active_, ctx.settings, ctx.view->Node(),
                                         ctx.view->Window(), &msg);
  // A tool that started a drag and did not end it leaves the button up all the same.
  if (input_.Dragging()) input_.DragEnd();
  return answer ? ToolAnswer::True : ToolAnswer::False;
}

Host::ToolAnswer Host::ToolKeyboardInput() {
  OMBREL_TOOL_CONTEXT(ctx);
  const HostToolClass& cls = ctx.plugin->toolClass;
  if (!OMBREL_TOOL_OFFERS(cls, keyboardInput)) return ToolAnswer::NotOffered;
  HostContainer msg;
  msg.ownId = HOST_INPUT_KEYBOARD;
  HostData& down = msg.Slot(HOST_INPUT_VALUE);
  down.type = HOST_DA_LONG;
  down.i32 = 1;
  const HostBool answer = cls.keyboardInput(ctx.plugin->toolInstance, active_, ctx.settings, ctx.view->Node(),
                                            ctx.view->Window(), &msg);
  return answer ? ToolAnswer::True : ToolAnswer::False;
}

Host::ToolAnswer Host::ToolCursorInfo(double x, double y, bool leaving, HostContainer& result) {
  OMBREL_TOOL_CONTEXT(ctx);
  const HostToolClass& cls = ctx.plugin->toolClass;
  if (!OMBREL_TOOL_OFFERS(cls, getCursorInfo)) return ToolAnswer::NotOffered;
  result.ownId = leaving ? HOST_CURSORINFO_LEAVE : 0;
  const HostBool answer =
      cls.getCursorInfo(ctx.plugin->toolInstance, active_, ctx.settings, ctx.view->Node(), x, y, &result);
  return answer ? ToolAnswer::True : ToolAnswer::False;
}

Host::ToolAnswer Host::ToolDraw(int32_t flags, int32_t& drawResult) {
  drawResult = 0;
  OMBREL_TOOL_CONTEXT(ctx);
  const HostToolClass& cls = ctx.plugin->toolClass;
  if (!OMBREL_TOOL_OFFERS(cls, draw)) return ToolAnswer::NotOffered;
  ctx.view->ClearRecord();
  drawResult = cls.draw(ctx.plugin->toolInstance, active_, ctx.settings, ctx.view->Node(), nullptr, nullptr, flags);
  return ToolAnswer::True;
}

Host::ToolAnswer Host::ToolSetParameter(int32_t id, const HostData& value) {
  OMBREL_TOOL_CONTEXT(ctx);
  const HostToolClass& cls = ctx.plugin->toolClass;
  HostDescId descId{};
  descId.depth = 1;
  descId.level[0] = HostDescLevel{id, value.type, 0};
  int32_t flags = HOST_DESCFLAGS_SET_USERINTERACTION;
  if (cls.setDParameter &&
      !cls.setDParameter(ctx.plugin->toolInstance, active_, ctx.settings, &descId, &value, &flags)) {
    return ToolAnswer::False;
  }
  if (!(flags & HOST_DESCFLAGS_SET_PARAM_SET)) ctx.settings->Slot(id) = value;
  if (cls.message) {
    HostDescPostSet post{&descId};
    cls.message(ctx.plugin->toolInstance, active_, ctx.settings, HOST_MSG_DESCRIPTION_POSTSETPARAMETER, &post);
  }
  return ToolAnswer::True;
}

#undef OMBREL_TOOL_CONTEXT
#undef OMBREL_TOOL_OFFERS

}  // namespace ombrel::host
