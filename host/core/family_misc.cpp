#include <chrono>

#include "families.h"
#include "host.h"

namespace ombrel::host {
namespace {

Host* g_current = nullptr;

int64_t TimerMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

HostBool CallCommand(int32_t command) {
  Host* host = CurrentHost();
  return host && host->RunCommand(command) ? HOST_TRUE : HOST_FALSE;
}

const HostDialogApi kDialogs{sizeof(HostDialogApi)};
const HostViewApi kViews{sizeof(HostViewApi)};
const HostMiscApi kMisc{sizeof(HostMiscApi), TimerMs, CallCommand};

}  // namespace

Host* CurrentHost() { return g_current; }

void SetCurrentHost(Host* host) { g_current = host; }

const HostDialogApi* DialogFamily() { return &kDialogs; }
const HostViewApi* ViewFamily() { return &kViews; }
const HostMiscApi* MiscFamily() { return &kMisc; }

}  // namespace ombrel::host
