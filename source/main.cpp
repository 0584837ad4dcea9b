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
  const String version = String(" - Version ") + String::RealToString(kModuleVersion, -1, -1, FALSE, '0');
  const String title = GeLoadString(IDS_TITLE);
  GePrint(title + version + String(" Installed"));

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
}

LONG SystemInit(void* table, void* path) {
  if (++g_initCount != 1) return g_hostAccepted ? 1 : -3;
  const HostApi* host = static_cast<const HostApi*>(table);
  if (!host || host->version < HOST_API_MIN_VERSION || !path) return -3;
  SdkSetHost(host);
  g_hostAccepted = TRUE;
  const HostStr* modulePath = static_cast<const HostStr*>(path);
  gModulePath = gNew(Filename);
  if (gModulePath) gModulePath->SetString(String(*modulePath));
  return 1;
}

LONG SystemEnd() {
  if (--g_initCount != 0) return 1;
  if (g_hostAccepted) {
    PluginEnd();
    gModuleResource.Free();
    if (gModulePath) gDelete(gModulePath);
  }
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
