// The stand-in host: loads modules, drives their lifecycle and offers them its services.
#ifndef OMBREL_HOST_HOST_H
#define OMBREL_HOST_HOST_H

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "console.h"
#include "dialogs.h"
#include "host_api.h"
#include "input.h"
#include "memory_ledger.h"
#include "module_library.h"
#include "registry.h"

namespace ombrel::host {

class Host;
class ModuleResources;
class View;

struct LoadOptions {
  int32_t interfaceVersion = HOST_API_VERSION;  // reported in the table (tests hand older ones)
  std::optional<std::filesystem::path> resourceDir;  // instead of "res" beside the module
  bool passModulePath = true;                        // false hands the module a null path
};

}  // namespace ombrel::host

namespace ombrel::host {

// A shader whose render set-up answered non-zero: renderers go on without it.
struct SetUpFailure {
  const HostNode* shader = nullptr;
  int32_t code = 0;
  std::string reason;  // what the host logged during its set-up (a file that cannot be read, ...)
};

}  // namespace ombrel::host

// One loaded module as the host knows it. The table handed to c4d_main points back here.
struct HostModule {
  ombrel::host::Host* host = nullptr;
  std::unique_ptr<ombrel::host::ModuleLibrary> library;
  std::filesystem::path file;
  std::string fileUtf8;
  ombrel::host::LoadOptions options;
  HostApi api{};
  ombrel::host::MemoryLedger ledger;
  // What Load's steps answered: 1 is success for both. The host goes on after a failed
  // resource load, as the application does, but a caller may treat it as a failed start.
  int32_t resourceAnswer = 0;
  int32_t startAnswer = 0;
};

// A module's loaded resources; the handle the module keeps as its GeResource.
struct HostResource {
  std::shared_ptr<ombrel::host::ModuleResources> resources;
};

namespace ombrel::host {

// Drives one module through the host's side of the lifecycle. Each step is one c4d_main call,
// so tests can take the steps in any order; Load and Unload run the usual sequence.
class Host {
 public:
  Host();
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  // Opens the module file; no c4d_main call yet. Null with `error` set on failure.
  HostModule* Open(const std::filesystem::path& file, const LoadOptions& options, std::string& error);
  int32_t Init(HostModule* module);                 // action 1
  int32_t Message(HostModule* module, int32_t id, void* data = nullptr);  // action 6
  int32_t Start(HostModule* module);                // action 2
  int32_t End(HostModule* module);                  // action 3
  int32_t Call(HostModule* module, int32_t action, void* p1, void* p2, void* p3);
  // Frees the module's plug-in objects and registrations, then closes the file.
  void Close(HostModule* module);

  // Open, init, message 1 (resources), start. Null with `error` set when a step fails.
  HostModule* Load(const std::filesystem::path& file, const LoadOptions& options, std::string& error);
  // Frees what the host holds of the module's plug-ins: documents (and so every plug-in node)
  // and tool instances. Registrations stay.
  void ReleasePlugins(HostModule* module);
  // Releases the plug-ins, ends the module and closes it. Answers the module's memory account
  // as it stood after the end action, so callers can prove that nothing was left behind.
  LedgerSnapshot Unload(HostModule* module);

  Registry& GetRegistry() { return registry_; }
  Console& GetConsole() { return console_; }
  // Problems the host itself reports (unreadable resources, ...), one line each.
  std::vector<std::string>& Log() { return log_; }
  // Render set-ups that failed, in the order they were asked for, nested inputs included; the
  // first 4096 are kept. Main thread only, like the set-ups; callers clear it when they like.
  std::vector<SetUpFailure>& SetUpFailures() { return setUpFailures_; }

  // Documents the host keeps; all are freed before a module ends.
  HostNode* NewDocument(const std::string& name);
  void FreeDocuments();
  HostNode* ActiveDocument() const { return active_; }

  // Makes a document the active one (it must be one of the host's documents).
  bool SetActiveDocument(HostNode* doc);

  // Update events, redraw requests (with their flag words) and host events (a message number
  // with two parameters) the modules posted, in order.
  struct Event {
    enum class Kind { Update, Redraw, Special };
    Kind kind;
    int32_t flags;  // Special: the message number
    int64_t p1 = 0;
    int64_t p2 = 0;
  };
  void NoteSceneChanged(int32_t flags = 0) {
    sceneChanges_++;
    events_.push_back(Event{Event::Kind::Update, flags});
  }
  void NoteRedraw(int32_t flags) { events_.push_back(Event{Event::Kind::Redraw, flags}); }
  void NoteSpecialEvent(int32_t message, int64_t p1, int64_t p2) {
    events_.push_back(Event{Event::Kind::Special, message, p1, p2});
  }
  int64_t SceneChanges() const { return sceneChanges_; }
  const std::vector<Event>& Events() const { return events_; }
  void ClearEvents() { events_.clear(); }

  // Host commands: a registered tool's ID makes it the active tool: the tool that was active
  // is freed (FreeTool), the new one gets its settings (made with InitDefaultSettings on first
  // use) and InitTool with the active document. False for unknown commands.
  bool RunCommand(int32_t command);
  int32_t ActiveTool() const { return activeTool_; }
  // The settings of a tool, once it has been active; null before.
  HostContainer* ToolSettings(int32_t toolId);
  // What InitTool answered when the active tool last started (false without one).
  bool ToolStarted() const { return toolStarted_; }

  // The active tool at work in the active document's view, as the view's input handling and
  // redraws call it. Each answers NoTool without an active tool with an instance and a
  // document, NotOffered when the tool's class has no such operation (an older module: the
  // class's size says so), else the operation's answer.
  enum class ToolAnswer { NoTool, NotOffered, False, True };
  // The view the active tool works in: the active document's view (made on first need).
  View* ToolView();
  // A mouse press at (x, y): MouseInput, which runs its drag loop on the pointer path of the
  // input state.
  ToolAnswer ToolMouseInput(int32_t x, int32_t y);
  // A key press: KeyboardInput once; the tool polls the input state for the keys held.
  ToolAnswer ToolKeyboardInput();
  // The cursor query for the pointer at (x, y), or leaving the view: the result container
  // takes the cursor at HOST_RESULT_CURSOR.
  ToolAnswer ToolCursorInfo(double x, double y, bool leaving, HostContainer& result);
  // A redraw of the tool's view: the view's record is cleared first, so it then holds exactly
  // this draw. drawResult takes what Draw answered.
  ToolAnswer ToolDraw(int32_t flags, int32_t& drawResult);
  // A user edit of the tool's panel: SetDParameter, the store unless the tool stored the value
  // itself, then message 19 (HOST_MSG_DESCRIPTION_POSTSETPARAMETER) with the ID.
  ToolAnswer ToolSetParameter(int32_t id, const HostData& value);

  // Keys, mouse button, drag path and clock as tools see them.
  InputState& Input() { return input_; }

  Dialogs& GetDialogs() { return dialogs_; }

 private:
  Registry registry_;
  Console console_;
  std::vector<std::string> log_;
  std::vector<SetUpFailure> setUpFailures_;
  std::vector<std::unique_ptr<HostModule>> modules_;
  std::vector<std::unique_ptr<HostNode>> documents_;
  HostNode* active_ = nullptr;
  int64_t sceneChanges_ = 0;
  std::vector<Event> events_;
  int32_t activeTool_ = 0;
  std::map<int32_t, std::unique_ptr<HostContainer>> toolSettings_;
  bool toolStarted_ = false;
  InputState input_;
  Dialogs dialogs_;
};

// The default module file: beside the running program, else the build output.
std::filesystem::path DefaultModulePath();

}  // namespace ombrel::host

#endif
