// Shared set-up for tests that drive the real module through the real loader.
#ifndef OMBREL_TESTS_MODULE_FIXTURE_H
#define OMBREL_TESTS_MODULE_FIXTURE_H

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/host.h"

namespace ombrel::test {

constexpr int32_t kTilesId = 1028619;
constexpr int32_t kColorId = 1029019;
constexpr int32_t kCutId = 1031438;
constexpr int32_t kTransformId = 1027722;
constexpr int32_t kToolId = 1027723;

inline std::filesystem::path ModulePath() { return host::DefaultModulePath(); }

// The registered plug-in IDs, in registration order.
inline std::vector<int32_t> RegisteredIds(host::Host& h) {
  std::vector<int32_t> ids;
  for (const auto& p : h.GetRegistry().Plugins()) ids.push_back(p->id);
  return ids;
}

// Opens the module without calling it; fails the test if the file cannot be opened.
inline HostModule* OpenModule(host::Host& h, const host::LoadOptions& options = {}) {
  std::string error;
  HostModule* m = h.Open(ModulePath(), options, error);
  EXPECT_NE(m, nullptr) << error;
  return m;
}

// Loads and starts the module the usual way.
inline HostModule* LoadModule(host::Host& h, const host::LoadOptions& options = {}) {
  std::string error;
  HostModule* m = h.Load(ModulePath(), options, error);
  EXPECT_NE(m, nullptr) << error;
  return m;
}

// Opens the module, makes its memory request `failAt` fail (0: none), then inits and starts it
// as the host does; null when the file cannot be opened.
inline HostModule* StartModuleFailingAt(host::Host& h, int64_t failAt) {
  HostModule* m = OpenModule(h);
  if (!m) return nullptr;
  m->ledger.FailAllocation(failAt);
  if (h.Init(m) == 1) {
    h.Message(m, 1);
    h.Start(m);
  }
  return m;
}

}  // namespace ombrel::test

#endif
