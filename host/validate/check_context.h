// What every check family of the validator shares: the budget of its level, the seeded cases,
// failure reporting, and a module loaded with a scene to put shader nodes in.
#ifndef OMBREL_HOST_VALIDATE_CHECK_CONTEXT_H
#define OMBREL_HOST_VALIDATE_CHECK_CONTEXT_H

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/host.h"
#include "case_progress.h"
#include "core/scene.h"
#include "validate.h"

namespace ombrel::validate {

// How much each family does at a level.
struct Budget {
  int lifecycleCycles = 2;
  int64_t renderPoints = 64;       // samples of the render round trip per shader
  int64_t determinismPoints = 256; // points compared between set-ups and thread counts
  int determinismRounds = 1;       // repetitions of the thread comparison
  int threads = 2;                 // sampling threads of the thread comparison
  int64_t fuzzSets = 0;            // parameter sets per shader
  int pointsPerSet = 6;
  int64_t unknownMessages = 16;
  int64_t toolScripts = 0;
  int toolScriptSteps = 40;
  int64_t allocationFailureLimit = 0;  // requests failed in turn per shader (0: none)
};

Budget BudgetFor(int level, const Options& options);

// A small deterministic generator for cases: the same (seed, check, plug-in, case) gives the
// same values on every machine and with every standard library.
class CaseRandom {
 public:
  explicit CaseRandom(uint64_t seed) : state_(seed) {}
  uint64_t Next();
  double Unit();                         // [0, 1)
  int64_t Range(int64_t lo, int64_t hi); // [lo, hi]
  bool Chance(double p) { return Unit() < p; }
  template <class T>
  const T& Pick(const std::vector<T>& v) { return v[static_cast<size_t>(Range(0, static_cast<int64_t>(v.size()) - 1))]; }

 private:
  uint64_t state_;
};

class CheckContext {
 public:
  CheckContext(const Options& options, const Budget& budget, std::string family, int32_t plugin,
               std::string pluginName, CaseProgress* progress);

  const Options& options;
  const Budget& budget;
  const std::string family;
  const int32_t plugin;
  const std::string pluginName;

  // Whether case n runs (--case picks one). Records the case as the one running, so a crash
  // can name it.
  bool Runs(int64_t n);
  uint64_t CaseSeed(int64_t n) const;
  int64_t casesRun = 0;

  // One failure: `check` is the family's sub-check ("render.finite"); n = -1 for checks
  // without numbered cases.
  void Fail(const std::string& check, int64_t n, const std::string& what);
  std::vector<Failure> failures;
  std::string note;
  bool skipped = false;
  // Stops a check after this many failures of one kind; the first ones say enough.
  bool TooMany(const std::string& check) const;

 private:
  CaseProgress* progress_;
};

// A module loaded into a host of its own, for one check.
class Subject {
 public:
  Subject();
  ~Subject();
  Subject(const Subject&) = delete;
  Subject& operator=(const Subject&) = delete;

  // Loads and starts the module; false with `error` when it cannot be loaded or started.
  bool Load(const Options& options, std::string& error);
  // Frees the plug-ins, ends the module and closes it: the ledger as it stood after the end.
  host::LedgerSnapshot Unload();
  std::vector<std::string> LiveBlocksAfterEnd() const { return leaksAfterEnd_; }

  host::Host& Host() { return *host_; }
  HostModule* Module() { return module_; }
  const host::PluginRecord* Plugin(int32_t id) const;

 private:
  std::unique_ptr<host::Host> host_;
  HostModule* module_ = nullptr;
  std::vector<std::string> leaksAfterEnd_;
};

// A document with a material whose channel shader is a new node of `type`, and three objects
// of 2 × 3 polygons with their own identities, the second a child of the first.
struct ShaderScene {
  host::Scene scene;
  HostNode* material = nullptr;
  HostNode* shader = nullptr;  // null when the node could not be made
  std::vector<HostNode*> objects;
};
bool BuildShaderScene(host::Host& host, int32_t type, ShaderScene& out, const std::string& name = "validate");

// Whether two doubles have the same bits (NaN compares with itself).
bool SameBits(double a, double b);
bool SameBits(const HostVector& a, const HostVector& b);
bool Finite(const HostVector& v);
std::string Text(const HostVector& v);
std::string Text(double d);

// Compares the record after a sample with the one handed in; empty when they agree, else the
// first field that differs.
std::string ChannelDataChange(const HostChannelData& before, const HostChannelData& after);
std::string VolumeChange(const HostVolume& before, const HostVolume& after);

// The check families; each fills its context.
void CheckFile(CheckContext& c);
void CheckLifecycle(CheckContext& c);
void CheckDescriptions(CheckContext& c);
void CheckRender(CheckContext& c);
void CheckDeterminism(CheckContext& c);
void CheckFuzz(CheckContext& c);
void CheckMessages(CheckContext& c);
void CheckTools(CheckContext& c);
void CheckConcurrency(CheckContext& c);
void CheckAllocationFailure(CheckContext& c);

// Whether this host can load the module file at all; false with `why` ("the module is a Mach-O
// x86_64 dylib, which this host (Linux) cannot load") for a file of another system's format.
bool LoadableHere(const Options& options, std::string& why);

}  // namespace ombrel::validate

#endif
