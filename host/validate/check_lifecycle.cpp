// Level 1: the module loads, starts, ends and unloads again and again, refuses hosts it cannot
// use, and gives back every block and host object each time.
#include <climits>

#include "check_context.h"

namespace ombrel::validate {

namespace {

// Refused hosts: interface versions below the first one the module can use, and a table
// without the module's path.
struct RefusedHost {
  int32_t version;
  bool passPath;
  const char* what;
};
const RefusedHost kRefused[] = {
    {12999, true, "interface version 12999"},
    {1300, true, "interface version 1300"},
    {0, true, "interface version 0"},
    {-1, true, "interface version -1"},
    {INT32_MIN, true, "interface version -2147483648"},
    {HOST_API_VERSION, false, "no module path"},
};
constexpr int64_t kRefusedCases = 1000;  // case numbers of the refused hosts start here

std::string Leaks(const host::LedgerSnapshot& left, const std::vector<std::string>& blocks) {
  std::string text = std::to_string(left.liveBlocks) + " blocks (" + std::to_string(left.liveBytes) + " bytes) and " +
                     std::to_string(left.liveHandles) + " host objects left after the end";
  for (size_t i = 0; i < blocks.size() && i < 3; ++i) text += (i ? ", " : ": ") + blocks[i];
  return text;
}

void Cycle(CheckContext& c, int64_t n, std::vector<int32_t>& firstIds) {
  Subject subject;
  std::string error;
  if (!subject.Load(c.options, error)) {
    c.Fail("lifecycle.load", n, error);
    subject.Unload();
    return;
  }
  std::vector<int32_t> ids;
  std::vector<int32_t> shaders;
  for (const auto& p : subject.Host().GetRegistry().Plugins()) {
    if (p->module != subject.Module()) continue;
    ids.push_back(p->id);
    if (p->pluginType == HOST_PLUGINTYPE_SHADER) shaders.push_back(p->id);
  }
  if (firstIds.empty()) firstIds = ids;
  else if (ids != firstIds) c.Fail("lifecycle.registration", n, "the plug-ins registered differ from the first cycle's");
  // A node of every shader, made and destroyed with its document, as a scene would.
  HostNode* doc = subject.Host().NewDocument("cycle");
  for (const int32_t id : shaders) {
    std::unique_ptr<HostNode> node = host::CreateShader(subject.Host().GetRegistry(), id);
    if (!node) c.Fail("lifecycle.node", n, "no node of plug-in " + std::to_string(id) + " could be made");
    else host::InsertShader(doc, std::move(node), nullptr);
  }
  const host::LedgerSnapshot left = subject.Unload();
  if (left.liveBlocks != 0 || left.liveHandles != 0) c.Fail("lifecycle.ledger", n, Leaks(left, subject.LiveBlocksAfterEnd()));
}

void Refused(CheckContext& c, int64_t n, const RefusedHost& refused) {
  host::Host h;
  h.GetDialogs().SetInteractive(false);
  host::LoadOptions load;
  load.interfaceVersion = refused.version;
  load.passModulePath = refused.passPath;
  if (!c.options.resourceDir.empty()) load.resourceDir = std::filesystem::path(c.options.resourceDir);
  const std::filesystem::path file = c.options.module.empty() ? host::DefaultModulePath() : std::filesystem::path(c.options.module);
  std::string error;
  HostModule* m = h.Open(file, load, error);
  if (!m) {
    c.Fail("lifecycle.refused-version", n, error);
    return;
  }
  const int32_t init = h.Init(m);
  if (init == 1) c.Fail("lifecycle.refused-version", n, std::string("system init accepted a host with ") + refused.what);
  // The host application goes on with the steps whatever init answered.
  h.Message(m, 1);
  const int32_t start = h.Start(m);
  if (init != 1 && start == 1) {
    c.Fail("lifecycle.refused-version", n, std::string("start reported success after a refused init (") + refused.what + ")");
  }
  int registered = 0;
  for (const auto& p : h.GetRegistry().Plugins()) registered += p->module == m ? 1 : 0;
  if (init != 1 && registered != 0) {
    c.Fail("lifecycle.refused-version", n,
           std::to_string(registered) + " plug-ins registered with a refused host (" + refused.what + ")");
  }
  h.ReleasePlugins(m);
  h.End(m);
  const host::LedgerSnapshot left = m->ledger.Snapshot();
  if (left.liveBlocks != 0 || left.liveHandles != 0) {
    c.Fail("lifecycle.ledger", n, std::string(refused.what) + ": " + Leaks(left, m->ledger.LiveBlocks()));
  }
  h.Close(m);
}

}  // namespace

void CheckLifecycle(CheckContext& c) {
  std::vector<int32_t> firstIds;
  for (int64_t n = 0; n < c.budget.lifecycleCycles || (c.options.caseNumber && n <= *c.options.caseNumber && n < kRefusedCases); ++n) {
    if (c.Runs(n)) Cycle(c, n, firstIds);
  }
  for (size_t k = 0; k < sizeof kRefused / sizeof kRefused[0]; ++k) {
    const int64_t n = kRefusedCases + static_cast<int64_t>(k);
    if (c.Runs(n)) Refused(c, n, kRefused[k]);
  }
}

}  // namespace ombrel::validate
