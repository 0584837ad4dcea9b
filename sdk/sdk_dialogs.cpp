#include "sdk_dialogs.h"

#include "sdk_container.h"
#include "sdk_host.h"

namespace {
const HostDialogApi* Api() { return SdkHost() ? SdkHost()->dialogs : nullptr; }
}  // namespace

Bool Filename::FileSelect(LONG type, LONG mode, const String& title, const String& forceSuffix) {
  if (!OMBREL_HAS(Api(), fileSelect)) return FALSE;
  GeData result;
  if (!result.Host()) return FALSE;
  if (path_.Content()) result.SetString(path_);
  if (!Api()->fileSelect(type, mode, title.ToHost(), forceSuffix.ToHost(), result.Host())) return FALSE;
  path_ = result.GetString();
  return path_.Content();
}

Bool QuestionDialog(const String& text) { return OMBREL_HAS(Api(), question) && Api()->question(text.ToHost()); }

void MessageDialog(const String& text) {
  if (OMBREL_HAS(Api(), message)) Api()->message(text.ToHost());
}
