// A render allocates nothing while it samples: neither through the module's allocator (counted
// by its ledger) nor anywhere else in the process (counted by the global operator new below,
// which this file replaces for the whole test program; it counts only while asked to).
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "../host/module_fixture.h"
#include "image/image_reader.h"
#include "render/demo_scene.h"
#include "render/renderer.h"

namespace {
std::atomic<bool> gCounting{false};
std::atomic<int64_t> gNewCalls{0};

void* Allocate(std::size_t size) {
  if (gCounting.load(std::memory_order_relaxed)) gNewCalls.fetch_add(1, std::memory_order_relaxed);
  void* p = std::malloc(size == 0 ? 1 : size);
  if (!p) throw std::bad_alloc();
  return p;
}
void* AllocateAligned(std::size_t size, std::align_val_t align) {
  if (gCounting.load(std::memory_order_relaxed)) gNewCalls.fetch_add(1, std::memory_order_relaxed);
  const auto a = static_cast<std::size_t>(align);
  void* p = std::aligned_alloc(a, (size + a - 1) / a * a);
  if (!p) throw std::bad_alloc();
  return p;
}
}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new(std::size_t size, std::align_val_t align) { return AllocateAligned(size, align); }
void* operator new[](std::size_t size, std::align_val_t align) { return AllocateAligned(size, align); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }

namespace ombrel::test {
namespace {

class SamplingCounter : public host::RenderObserver {
 public:
  explicit SamplingCounter(HostModule* module) : module_(module) {}
  void SamplingStarts() override {
    ++phases;
    ledgerBefore = module_->ledger.Snapshot();
    gNewCalls.store(0);
    gCounting.store(true);
  }
  void SamplingEnded() override {
    gCounting.store(false);
    newCalls += gNewCalls.load();
    const host::LedgerSnapshot after = module_->ledger.Snapshot();
    moduleAllocations += after.totalAllocations - ledgerBefore.totalAllocations;
    moduleHandles += after.totalHandles - ledgerBefore.totalHandles;
  }
  int phases = 0;
  int64_t newCalls = 0;
  int64_t moduleAllocations = 0;
  int64_t moduleHandles = 0;

 private:
  HostModule* module_;
  host::LedgerSnapshot ledgerBefore;
};

TEST(RenderThreads, NothingIsAllocatedWhileSampling) {
  // The counter itself must see allocations, or the test below proves nothing.
  gNewCalls.store(0);
  gCounting.store(true);
  delete new int(5);
  gCounting.store(false);
  ASSERT_EQ(gNewCalls.load(), 1);

  host::Host h;
  HostModule* module = LoadModule(h);
  ASSERT_NE(module, nullptr);
  host::Scene scene;
  std::string error;
  host::InstallImageReader();  // the demo's floor reads image files
  ASSERT_TRUE(host::BuildDemoScene(h, scene, error)) << error;

  SamplingCounter counter(module);
  for (int32_t threads : {1, 2}) {
    host::RenderOptions options;
    options.width = 120;
    options.height = 90;
    options.threads = threads;
    options.progress = false;
    options.observer = &counter;
    host::FloatImage image;
    host::RenderReport report;
    ASSERT_TRUE(host::Render(scene, options, image, report, error)) << error;
    EXPECT_EQ(report.threads, threads);
  }
  EXPECT_EQ(counter.phases, 2);
  EXPECT_EQ(counter.newCalls, 0);
  EXPECT_EQ(counter.moduleAllocations, 0);
  EXPECT_EQ(counter.moduleHandles, 0);
}

}  // namespace
}  // namespace ombrel::test
