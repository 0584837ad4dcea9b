// Level 7: tools. Each tool is started and stopped, and driven by seeded scripts of pointer
// presses with drags, arrow keys held for a while, cursor queries and redraws, in views of
// ordinary and odd sizes (0 x 0, 1 x 1, 10000 x 10). Nothing may crash, no undo step may be left
// open, no drag left running, and the tool must give back what it took once it stops.
#include <climits>

#include "core/editing.h"
#include "core/input.h"
#include "core/live_description.h"
#include "core/undo.h"
#include "core/view.h"
#include "check_context.h"

namespace ombrel::validate {

namespace {

struct Frame {
  int32_t width, height;
};
const Frame kOddFrames[] = {{0, 0}, {1, 1}, {10000, 10}};
const Frame kFrames[] = {{0, 0}, {1, 1}, {10000, 10}, {800, 600}, {64, 48}, {10, 10000}};

const int32_t kKeys[] = {HOST_KEY_UP, HOST_KEY_DOWN, HOST_KEY_LEFT, HOST_KEY_RIGHT};

int32_t Coordinate(CaseRandom& r, int32_t side) {
  switch (r.Range(0, 5)) {
    case 0: return INT32_MIN;
    case 1: return INT32_MAX;
    case 2: return static_cast<int32_t>(r.Range(-100, 0));
    default: return static_cast<int32_t>(r.Range(0, std::max(1, side)));
  }
}

// Gives the tool something to work on, as a user would: every shader of the module in the
// document, each of its buttons pressed (a button may point the tool at its shader and start it).
void PrepareDocument(host::Host& h, HostModule* module, HostNode* doc) {
  for (const auto& p : h.GetRegistry().Plugins()) {
    if (p->module != module || p->pluginType != HOST_PLUGINTYPE_SHADER) continue;
    HostNode* material = host::NewMaterial(doc, "material " + std::to_string(p->id));
    HostNode* shader = host::InsertShader(material, host::CreateShader(h.GetRegistry(), p->id), nullptr);
    if (!shader) continue;
    material->channelShaderSerial = shader->serial;
    HostNode* source = host::InsertShader(shader, host::CreateShader(h.GetRegistry(), 1100001), nullptr);
    const auto live = host::LiveDescriptionOf(shader, h.GetRegistry());
    if (!live) continue;
    for (const auto& entry : live->entries) {
      if (entry.id.depth != 1) continue;
      if (source && (entry.element.kind == "SHADERLINK") && entry.element.origin.empty()) {
        HostData& link = shader->data.Slot(entry.id.level[0].id);
        link = HostData();
        link.type = HOST_DA_LINK;
        link.linkSerial = source->serial;
      }
    }
    for (const auto& entry : live->entries) {
      if (entry.element.kind != "BUTTON" || entry.id.depth != 1) continue;
      h.GetDialogs().ClearQueue();
      for (int i = 0; i < 8; ++i) h.GetDialogs().Queue(host::DialogAnswer::Cancelled());
      host::PressButton(shader, entry.id.level[0].id);
    }
  }
  h.GetDialogs().ClearQueue();
}

void StopTool(host::Host& h, int32_t toolId) {
  const host::PluginRecord* tool = h.GetRegistry().Find(toolId);
  if (tool && tool->toolInstance && tool->toolClass.freeTool) {
    tool->toolClass.freeTool(tool->toolInstance, h.ActiveDocument(), h.ToolSettings(toolId));
  }
}

std::string Consistency(host::Host& h, HostNode* doc) {
  host::UndoHistory* history = host::HistoryOf(doc);
  if (history && history->Open()) return "an undo step was left open";
  if (h.Input().Dragging()) return "a drag was left running";
  return {};
}

}  // namespace

void CheckTools(CheckContext& c) {
  Subject subject;
  std::string error;
  if (!subject.Load(c.options, error)) {
    c.Fail("tools.set-up", -1, error);
    return;
  }
  host::Host& h = subject.Host();
  int64_t drawn = 0;  // drawing calls the tool made, to show that the sessions reached it
  const int64_t first = c.options.caseNumber.value_or(0);
  const int64_t end = c.options.caseNumber ? first + 1 : 1 + c.budget.toolScripts;
  for (int64_t n = first; n < end; ++n) {
    if (!c.Runs(n)) continue;
    CaseRandom r(c.CaseSeed(n));
    const host::LedgerSnapshot before = subject.Module()->ledger.Snapshot();
    {
      HostNode* doc = h.NewDocument("tools");
      // Half the sessions start in an empty document, half after the module's buttons ran.
      if (n % 2 == 1) PrepareDocument(h, subject.Module(), doc);
      h.Input().BeginScript();
      h.RunCommand(c.plugin);
      if (h.ActiveTool() != c.plugin) {
        c.Fail("tools.start", n, "the host could not make the tool the active one");
        h.FreeDocuments();
        continue;
      }
      host::View* view = h.ToolView();
      const int steps = n == 0 ? 0 : c.budget.toolScriptSteps;
      std::string script;
      for (int step = 0; step < steps; ++step) {
        const int64_t kind = r.Range(0, 5);
        const int32_t width = view ? view->Width() : 0;
        const int32_t height = view ? view->Height() : 0;
        if (kind == 0 && view) {
          const Frame f = kFrames[r.Range(0, 5)];
          view->SetFrame(0, 0, f.width, f.height);
          script += " frame " + std::to_string(f.width) + "x" + std::to_string(f.height) + ";";
        } else if (kind == 1) {
          std::vector<host::PointerMove> path;
          const int64_t moves = r.Range(0, 12);
          for (int64_t k = 0; k < moves; ++k) {
            const double scale = r.Chance(0.1) ? 1e6 : 40.0;
            path.push_back(host::PointerMove{(r.Unit() - 0.5) * scale, (r.Unit() - 0.5) * scale});
          }
          h.Input().SetPointerPath(std::move(path));
          const int32_t x = Coordinate(r, width), y = Coordinate(r, height);
          h.ToolMouseInput(x, y);
          script += " press (" + std::to_string(x) + ", " + std::to_string(y) + ") with " + std::to_string(moves) + " moves;";
        } else if (kind == 2) {
          const int32_t key = kKeys[r.Range(0, 3)];
          const int64_t ms = r.Range(0, 400);
          h.Input().HoldKey(key, ms);
          h.ToolKeyboardInput();
          h.Input().ReleaseKeys();
          script += " key " + std::to_string(key) + " for " + std::to_string(ms) + " ms;";
        } else if (kind == 3) {
          HostContainer result;
          const double x = r.Chance(0.1) ? 1e300 : (r.Unit() * 1.2 - 0.1) * width;
          const double y = (r.Unit() * 1.2 - 0.1) * height;
          h.ToolCursorInfo(x, y, r.Chance(0.2), result);
          script += " cursor;";
        } else {
          int32_t drawResult = 0;
          h.ToolDraw(0, drawResult);
          if (view) drawn += static_cast<int64_t>(view->Commands().size());
          script += " draw;";
        }
        const std::string wrong = Consistency(h, doc);
        if (!wrong.empty()) {
          c.Fail("tools.state", n, wrong + " after step " + std::to_string(step) + ":" + script);
          break;
        }
      }
      // Draw in views of odd sizes.
      for (const Frame& f : kOddFrames) {
        if (!view) break;
        view->SetFrame(0, 0, f.width, f.height);
        int32_t drawResult = 0;
        h.ToolDraw(0, drawResult);
        drawn += static_cast<int64_t>(view->Commands().size());
      }
      StopTool(h, c.plugin);
      const std::string wrong = Consistency(h, doc);
      if (!wrong.empty()) c.Fail("tools.state", n, wrong + " after the tool stopped");
      h.FreeDocuments();
    }
    const host::LedgerSnapshot after = subject.Module()->ledger.Snapshot();
    if ((after.liveBlocks > before.liveBlocks || after.liveHandles > before.liveHandles) && !c.TooMany("tools.leak")) {
      c.Fail("tools.leak", n,
             "after the tool stopped and its document was freed the module holds " +
                 std::to_string(after.liveBlocks - before.liveBlocks) + " more blocks and " +
                 std::to_string(after.liveHandles - before.liveHandles) + " more host objects");
    }
  }
  c.note = std::to_string(c.casesRun) + " sessions, " + std::to_string(drawn) + " drawing calls";
}

}  // namespace ombrel::validate
