// Level 8 and up: every request the module makes of the host for memory or a host object fails
// in turn, over a whole run with one shader: load, start, a node, its render set-up, samples,
// release and end. Each run must end with nothing left behind, and every sample stays finite.
#include "sampling.h"

namespace ombrel::validate {

void CheckAllocationFailure(CheckContext& c) {
  const std::filesystem::path file =
      c.options.module.empty() ? host::DefaultModulePath() : std::filesystem::path(c.options.module);
  const int64_t first = c.options.caseNumber.value_or(1);
  const int64_t end = c.options.caseNumber ? first + 1 : c.budget.allocationFailureLimit + 1;
  int64_t walked = 0;
  bool complete = false;
  for (int64_t n = std::max<int64_t>(1, first); n < end; ++n) {
    if (!c.Runs(n)) continue;
    host::Host h;
    h.GetDialogs().SetInteractive(false);
    host::LoadOptions load;
    if (!c.options.resourceDir.empty()) load.resourceDir = std::filesystem::path(c.options.resourceDir);
    std::string error;
    HostModule* m = h.Open(file, load, error);
    if (!m) {
      c.Fail("allocation-failure.load", n, error);
      return;
    }
    m->ledger.FailAllocation(n);
    if (h.Init(m) == 1) {
      h.Message(m, 1);
      h.Start(m);
    }
    {
      ShaderScene scene;
      if (h.GetRegistry().Find(c.plugin) && BuildShaderScene(h, c.plugin, scene)) {
        host::RenderSession session;
        session.Begin(scene.scene);
        CaseRandom r(c.CaseSeed(0));  // the same points in every run
        for (int k = 0; k < 8; ++k) {
          const SamplePoint point = OrdinaryPoint(r);
          const HostVector colour = SampleColour(scene, session, scene.shader, point);
          if (!Finite(colour) && !c.TooMany("allocation-failure.finite")) {
            c.Fail("allocation-failure.finite", n,
                   "with request " + std::to_string(n) + " (" + m->ledger.InjectedFailureSite() + ") failed, the sample at " +
                       Describe(point) + " is " + Text(colour));
            break;
          }
        }
        session.End();
      }
    }
    const bool struck = m->ledger.InjectedFailureStruck();
    const std::string site = m->ledger.InjectedFailureSite();
    h.ReleasePlugins(m);
    h.End(m);
    const host::LedgerSnapshot left = m->ledger.Snapshot();
    if ((left.liveBlocks != 0 || left.liveHandles != 0) && !c.TooMany("allocation-failure.leak")) {
      const std::vector<std::string> blocks = m->ledger.LiveBlocks();
      c.Fail("allocation-failure.leak", n,
             "with request " + std::to_string(n) + " (" + site + ") failed, " + std::to_string(left.liveBlocks) +
                 " blocks and " + std::to_string(left.liveHandles) + " host objects are left after the end" +
                 (blocks.empty() ? std::string() : ": " + blocks.front()));
    }
    h.Close(m);
    ++walked;
    if (!struck) {
      complete = true;
      break;
    }
  }
  c.note = std::to_string(walked) + " requests failed in turn" + (complete || c.options.caseNumber ? "" : " (the walk was cut short at the level's limit)");
}

}  // namespace ombrel::validate
