// Level 6: messages. Types the plug-in does not know, and known ones, arrive with null data; every
// button of its interface is pressed with and without a document; a button that made an undo
// step is undone, and the document must then be exactly as before.
#include <climits>

#include "core/document_dump.h"
#include "core/editing.h"
#include "core/live_description.h"
#include "core/undo.h"
#include "check_context.h"

namespace ombrel::validate {

namespace {

// Messages a host sends with data, sent here without: a careless host may.
const int32_t kKnownTypes[] = {0, 1, 5, 18, 19, 20, 24, 1001073, 1027723, -1, INT32_MIN, INT32_MAX};

void QueueCancels(host::Host& h) {
  h.GetDialogs().ClearQueue();
  for (int i = 0; i < 8; ++i) h.GetDialogs().Queue(host::DialogAnswer::Cancelled());
}

}  // namespace

void CheckMessages(CheckContext& c) {
  Subject subject;
  std::string error;
  if (!subject.Load(c.options, error)) {
    c.Fail("messages.set-up", -1, error);
    return;
  }
  host::Host& h = subject.Host();
  // Cases 0 .. n-1: message types with null data; then two cases per button.
  const int64_t messages = c.budget.unknownMessages;
  {
    ShaderScene scene;
    if (!BuildShaderScene(h, c.plugin, scene)) {
      c.Fail("messages.set-up", -1, "no node could be made: the allocator or Init failed");
      return;
    }
    std::unique_ptr<HostNode> loose = host::CreateShader(h.GetRegistry(), c.plugin);
    const int64_t known = static_cast<int64_t>(sizeof kKnownTypes / sizeof kKnownTypes[0]);
    for (int64_t n = 0; n < messages; ++n) {
      if (!c.Runs(n)) continue;
      CaseRandom r(c.CaseSeed(n));
      const int32_t type = n < known ? kKnownTypes[n] : static_cast<int32_t>(static_cast<uint32_t>(r.Next()));
      QueueCancels(h);
      host::SendMessage(scene.shader, type, nullptr);
      if (loose) host::SendMessage(loose.get(), type, nullptr);
    }
    h.GetDialogs().ClearQueue();
    h.FreeDocuments();
  }

  // The buttons, from the interface of a fresh node.
  std::vector<std::pair<int32_t, std::string>> buttons;
  {
    ShaderScene probe;
    if (!BuildShaderScene(h, c.plugin, probe)) return;
    if (auto live = host::LiveDescriptionOf(probe.shader, h.GetRegistry())) {
      for (const auto& entry : live->entries) {
        if (entry.element.kind == "BUTTON" && entry.id.depth == 1) {
          buttons.emplace_back(entry.id.level[0].id, entry.element.symbol);
        }
      }
    }
    h.FreeDocuments();
  }
  for (size_t k = 0; k < buttons.size(); ++k) {
    const auto& [id, symbol] = buttons[k];
    const std::string name = std::to_string(id) + (symbol.empty() ? "" : " (" + symbol + ")");
    const int64_t inDocument = messages + 2 * static_cast<int64_t>(k);
    if (c.Runs(inDocument)) {
      ShaderScene scene;
      if (BuildShaderScene(h, c.plugin, scene)) {
        host::UndoHistory* history = host::HistoryOf(scene.scene.document);
        const size_t steps = history ? history->UndoCount() : 0;
        const std::string before = host::DumpDocument(scene.scene.document);
        QueueCancels(h);
        host::PressButton(scene.shader, id);
        h.GetDialogs().ClearQueue();
        if (history && history->UndoCount() > steps) {
          if (!history->Undo()) {
            c.Fail("messages.undo", inDocument, "the step button " + name + " made cannot be undone");
          } else if (host::DumpDocument(scene.scene.document) != before) {
            c.Fail("messages.undo", inDocument, "undoing button " + name + " does not give back the document as it was");
          }
        }
      }
      h.FreeDocuments();
    }
    const int64_t loose = inDocument + 1;
    if (c.Runs(loose)) {
      std::unique_ptr<HostNode> node = host::CreateShader(h.GetRegistry(), c.plugin);
      if (node) {
        QueueCancels(h);
        host::PressButton(node.get(), id);
        h.GetDialogs().ClearQueue();
      }
    }
  }
  c.note = std::to_string(buttons.size()) + " buttons";
}

}  // namespace ombrel::validate
