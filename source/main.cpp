// Entry point of the module: the host drives everything through c4d_main.
#include "main.h"


#if defined(_WIN32)
#define OMBREL_EXPORT __declspec(dllexport)
#else
#define OMBREL_EXPORT __attribute__((visibility("default")))
#endif

Filename* gModulePath = nullptr;
BaseLink* gTransformShaderLink = nullptr;

namespace {

// Version of the plug-in set, shown in the start line.
constexpr Real kModuleVersion = 2.0;

// Raised by every system init, lowered by every end: only the outermost pair does the work.
LONG g_initCount = 0;

// Whether the outermost system init accepted the host. A host that was refused stays refused
// for nested inits, so a repeated init cannot report success without a usable table.
Bool g_hostAccepted = FALSE;

Bool PluginStart() {
  // A refused host's table is not kept, so there is nothing to print to or register with; the
  // answer says so instead of claiming a start that did not happen.
  if (!SdkHost()) return FALSE;
  const String prefix(" - Version ");
  const String number = String::RealToString(kModuleVersion, -1, -1, FALSE, '0');
  const String suffix(" Installed");
  const String title = GeLoadString(IDS_TITLE);
  const String line = title + prefix + number + suffix;
  // A part lost for want of memory would make the line misstate what was installed: it is
  // printed whole or not at all.
  const LONG parts = title.GetLength() + prefix.GetLength() + number.GetLength() + suffix.GetLength();
  if (prefix.Content() && number.Content() && suffix.Content() && line.GetLength() == parts) GePrint(line);

  // The order is fixed; a plug-in that fails to register does not stop the others.
  RegisterTavrelTiles();
  RegisterGlentShader();
#ifndef __APPLE__
  RegisterKestleShader();
#endif
  RegisterXvarnel();
  RegisterUvPickerTool();
  return TRUE;
}

Bool PluginMessage(LONG id, void* data) {
  (void)data;
  switch (id) {
    case 0:
      return TRUE;
    case 1: {
      // The host loads resources from the module's folder; without a path that is an empty path.
      const Filename folder = gModulePath ? gModulePath->GetDirectory() : Filename();
      return gModuleResource.Init(folder);
    }
    case 1001:
      return TRUE;
    default:
      return FALSE;
  }
}

void PluginEnd() {
  if (gTransformShaderLink) BaseLink::Free(gTransformShaderLink);
  gTransformShaderLink = nullptr;
}

LONG SystemInit(void* table, void* path) {
  if (++g_initCount != 1) return g_hostAccepted ? 1 : -3;
  const HostApi* host = static_cast<const HostApi*>(table);
  // The table of a refused host is not kept: an older interface may lay it out differently, so
  // nothing may be called through it. The module then behaves as if no init had happened.
  if (!host || host->version < HOST_API_MIN_VERSION || !path || !SdkHostTableComplete(host)) return -3;
  SdkSetHost(host);
  g_hostAccepted = TRUE;
  const HostStr* modulePath = static_cast<const HostStr*>(path);
  gModulePath = gNew(Filename);
  if (gModulePath) gModulePath->SetString(String(*modulePath));
  return 1;
}

LONG SystemEnd() {
  // An end without an init has nothing to end. Counting it would turn the next init into a
  // nested one, which could then never accept a host.
  if (g_initCount <= 0) return 1;
  if (--g_initCount != 0) return 1;
  // The resource state is cleared even for a refused host, so that a message 1 sent in between
  // cannot decide the outcome of the next init's load.
  PluginEnd();
  gModuleResource.Free();
  if (gModulePath) gDelete(gModulePath);
  // After the last end the module holds nothing of the host; a later init starts afresh.
  g_hostAccepted = FALSE;
  SdkSetHost(nullptr);
  return 1;
}

}  // namespace

extern "C" OMBREL_EXPORT LONG c4d_main(LONG action, void* p1, void* p2, void* p3) {
  switch (action) {
    case HOST_ACTION_INIT:
      return SystemInit(p1, p3);
    case HOST_ACTION_START:
      return PluginStart() ? 1 : -1;
    case HOST_ACTION_END:
      return SystemEnd();
    case HOST_ACTION_QUERY:
      return 5;
    case HOST_ACTION_MESSAGE:
      return PluginMessage(static_cast<LONG>(reinterpret_cast<intptr_t>(p1)), p2) ? 1 : -1;
    default:
      return -1;
  }
}
