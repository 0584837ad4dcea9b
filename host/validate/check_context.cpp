#include "check_context.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>

#include "core/families.h"
#include "core/render_context.h"

namespace ombrel::validate {

Budget BudgetFor(int level, const Options& options) {
  struct Row {
    int cycles;
    int64_t renderPoints, determinismPoints;
    int rounds;
    int64_t fuzzSets;
    int64_t unknownMessages, toolScripts, allocationFailures;
  };
  // Levels 8 to 10 add sampling from every core and the allocation-failure walk.
  static const Row kRows[] = {
      {2, 0, 0, 0, 0, 0, 0, 0},                        // 1
      {3, 0, 0, 0, 0, 0, 0, 0},                        // 2
      {4, 64, 0, 0, 0, 0, 0, 0},                       // 3
      {5, 64, 256, 1, 0, 0, 0, 0},                     // 4
      {6, 128, 256, 1, 100, 0, 0, 0},                  // 5
      {8, 128, 512, 1, 200, 64, 0, 0},                 // 6
      {10, 256, 512, 1, 500, 64, 20, 0},               // 7
      {25, 512, 2048, 2, 2000, 256, 50, 4000},         // 8
      {50, 1024, 4096, 3, 10000, 1024, 100, 20000},    // 9
      {100, 4096, 16384, 4, 100000, 4096, 200, 100000} // 10
  };
  const int at = std::max(1, std::min(10, level)) - 1;
  const Row& r = kRows[at];
  Budget b;
  b.lifecycleCycles = r.cycles;
  b.renderPoints = r.renderPoints;
  b.determinismPoints = r.determinismPoints;
  b.determinismRounds = r.rounds;
  b.fuzzSets = r.fuzzSets;
  b.unknownMessages = r.unknownMessages;
  b.toolScripts = r.toolScripts;
  b.allocationFailureLimit = r.allocationFailures;
  const int cores = static_cast<int>(std::thread::hardware_concurrency());
  b.threads = level >= 8 ? std::max(2, cores) : 2;
  if (options.threads) b.threads = std::max(1, *options.threads);
  if (options.fuzzSets) b.fuzzSets = std::max<int64_t>(0, *options.fuzzSets);
  return b;
}

uint64_t CaseRandom::Next() {
  // splitmix64: small, fast and the same everywhere.
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

double CaseRandom::Unit() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }

int64_t CaseRandom::Range(int64_t lo, int64_t hi) {
  if (hi <= lo) return lo;
  const uint64_t span = static_cast<uint64_t>(hi) - static_cast<uint64_t>(lo) + 1;
  return span == 0 ? static_cast<int64_t>(Next()) : static_cast<int64_t>(static_cast<uint64_t>(lo) + Next() % span);
}

CheckContext::CheckContext(const Options& o, const Budget& b, std::string f, int32_t p, std::string name,
                           CaseProgress* progress)
    : options(o), budget(b), family(std::move(f)), plugin(p), pluginName(std::move(name)), progress_(progress) {}

bool CheckContext::Runs(int64_t n) {
  if (options.caseNumber && *options.caseNumber != n) return false;
  if (progress_) {
    progress_->current.store(n);
    progress_->started.fetch_add(1);
  }
  ++casesRun;
  return true;
}

uint64_t CheckContext::CaseSeed(int64_t n) const {
  uint64_t h = 1469598103934665603ull;  // FNV-1a of the family's name
  for (const char ch : family) h = (h ^ static_cast<unsigned char>(ch)) * 1099511628211ull;
  CaseRandom mix(options.seed ^ h);
  mix.Next();
  CaseRandom second(mix.Next() ^ (static_cast<uint64_t>(static_cast<uint32_t>(plugin)) << 32));
  return second.Next() ^ static_cast<uint64_t>(n) * 0xD1B54A32D192ED03ull;
}

void CheckContext::Fail(const std::string& check, int64_t n, const std::string& what) {
  failures.push_back(Failure{check, plugin, pluginName, n, what});
}

bool CheckContext::TooMany(const std::string& check) const {
  int count = 0;
  for (const Failure& f : failures) count += f.check == check ? 1 : 0;
  return count >= 5;
}

Subject::Subject() : host_(std::make_unique<host::Host>()) {
  // Nobody answers dialogs during a validation; every one is cancelled from the queue.
  host_->GetDialogs().SetInteractive(false);
}

Subject::~Subject() { Unload(); }

bool Subject::Load(const Options& options, std::string& error) {
  host::LoadOptions load;
  if (!options.resourceDir.empty()) load.resourceDir = std::filesystem::path(options.resourceDir);
  const std::filesystem::path file =
      options.module.empty() ? host::DefaultModulePath() : std::filesystem::path(options.module);
  module_ = host_->Load(file, load, error);
  if (!module_) return false;
  if (module_->resourceAnswer != 1) {
    error = "the module could not load its resources";
    return false;
  }
  if (module_->startAnswer != 1) {
    error = "the module's start answered " + std::to_string(module_->startAnswer);
    return false;
  }
  return true;
}

host::LedgerSnapshot Subject::Unload() {
  if (!module_) return {};
  host_->ReleasePlugins(module_);
  host_->End(module_);
  const host::LedgerSnapshot left = module_->ledger.Snapshot();
  leaksAfterEnd_ = module_->ledger.LiveBlocks();
  host_->Close(module_);
  module_ = nullptr;
  return left;
}

const host::PluginRecord* Subject::Plugin(int32_t id) const { return host_->GetRegistry().Find(id); }

bool BuildShaderScene(host::Host& host, int32_t type, ShaderScene& out, const std::string& name) {
  out.scene.document = host.NewDocument(name);
  out.material = host::NewMaterial(out.scene.document, "material");
  std::unique_ptr<HostNode> node = host::CreateShader(host.GetRegistry(), type);
  if (node) {
    out.shader = host::InsertShader(out.material, std::move(node), nullptr);
    out.material->channelShaderSerial = out.shader->serial;
  }
  HostNode* parent = nullptr;
  const int32_t identities[] = {17, 1234567, -42};
  for (int i = 0; i < 3; ++i) {
    HostNode* o = host::NewObject(out.scene.document, i == 1 ? parent : nullptr, "object " + std::to_string(i),
                                  identities[i]);
    o->geometry = ObjectGeometry{0.1 * i, 0.0, 0.1 * i + 0.3, 1.0, 2, 3};
    o->materialSerial = out.material->serial;
    o->renderIndex = i;
    out.scene.objects.push_back(o);
    out.objects.push_back(o);
    if (i == 0) parent = o;
  }
  return out.shader != nullptr;
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }
bool SameBits(const HostVector& a, const HostVector& b) { return SameBits(a.x, b.x) && SameBits(a.y, b.y) && SameBits(a.z, b.z); }
bool Finite(const HostVector& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

std::string Text(double d) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.17g", d);
  return buf;
}
std::string Text(const HostVector& v) { return "(" + Text(v.x) + ", " + Text(v.y) + ", " + Text(v.z) + ")"; }

std::string ChannelDataChange(const HostChannelData& b, const HostChannelData& a) {
  if (!SameBits(b.p, a.p)) return "p " + Text(b.p) + " came back as " + Text(a.p);
  if (!SameBits(b.n, a.n)) return "n " + Text(b.n) + " came back as " + Text(a.n);
  if (!SameBits(b.d, a.d)) return "d " + Text(b.d) + " came back as " + Text(a.d);
  if (!SameBits(b.t, a.t)) return "t " + Text(b.t) + " came back as " + Text(a.t);
  if (b.texflag != a.texflag) return "texflag " + std::to_string(b.texflag) + " came back as " + std::to_string(a.texflag);
  if (b.reserved != a.reserved) return "the reserved field changed";
  if (b.vd != a.vd) return "vd was replaced";
  return {};
}

std::string VolumeChange(const HostVolume& b, const HostVolume& a) {
  if (b.lastHitId != a.lastHitId) return "the volume record's hit identifier changed";
  if (b.lastHit != a.lastHit) return "the volume record's render object changed";
  if (b.lastPolygon != a.lastPolygon) return "the volume record's polygon changed";
  if (!SameBits(b.hitPoint, a.hitPoint)) return "the volume record's hit point changed";
  for (int i = 0; i < 4; ++i) {
    if (!SameBits(b.weights[i], a.weights[i])) return "the volume record's corner weights changed";
  }
  return {};
}

}  // namespace ombrel::validate
