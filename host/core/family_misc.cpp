#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

#include "data.h"
#include "families.h"
#include "host.h"

namespace ombrel::host {
namespace {

Host* g_current = nullptr;

// Real milliseconds, or the virtual clock of a scripted session (see input.h).
int64_t TimerMs() {
  if (Host* host = CurrentHost()) return host->Input().NowMs();
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

HostBool CallCommand(int32_t command) {
  Host* host = CurrentHost();
  return host && host->RunCommand(command) ? HOST_TRUE : HOST_FALSE;
}

void DrawViews(int32_t flags) {
  if (Host* host = CurrentHost()) host->NoteRedraw(flags);
}

void SpecialEventAdd(int32_t message, int64_t p1, int64_t p2) {
  if (Host* host = CurrentHost()) host->NoteSpecialEvent(message, p1, p2);
}

std::string Text(HostStr s) { return s.data && s.length > 0 ? std::string(s.data, static_cast<size_t>(s.length)) : std::string(); }

HostBool FileSelect(int32_t type, int32_t mode, HostStr title, HostStr forceSuffix, HostData* result) {
  (void)type;
  Host* host = CurrentHost();
  if (!host || mode < HOST_FILESELECT_LOAD || mode > HOST_FILESELECT_DIRECTORY) return HOST_FALSE;
  std::string proposed;
  if (result && (result->type == HOST_DA_STRING || result->type == HOST_DA_FILENAME)) proposed = result->text;
  std::string suffix = Text(forceSuffix);
  if (!suffix.empty() && suffix.front() == '.') suffix.erase(0, 1);
  const std::optional<std::string> chosen = host->GetDialogs().FileSelect(mode, Text(title), suffix, proposed);
  if (!chosen) return HOST_FALSE;
  if (result) {
    result->Clear();
    result->type = HOST_DA_FILENAME;
    result->text = *chosen;
  }
  return HOST_TRUE;
}
HostBool Question(HostStr text) {
  Host* host = CurrentHost();
  return host && host->GetDialogs().Question(Text(text)) ? HOST_TRUE : HOST_FALSE;
}
void MessageDialog(HostStr text) {
  if (Host* host = CurrentHost()) host->GetDialogs().Message(Text(text));
}

const HostDialogApi kDialogs{sizeof(HostDialogApi), FileSelect, Question, MessageDialog};
const HostMiscApi kMisc{sizeof(HostMiscApi), TimerMs, CallCommand, DrawViews, SpecialEventAdd};

}  // namespace

Host* CurrentHost() { return g_current; }

void SetCurrentHost(Host* host) { g_current = host; }

const HostDialogApi* DialogFamily() { return &kDialogs; }
const HostMiscApi* MiscFamily() { return &kMisc; }

}  // namespace ombrel::host
