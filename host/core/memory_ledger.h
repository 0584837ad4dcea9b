// Accounting of a module's memory: every block it takes from the host, and every host object
// it asked for, so tests can prove that nothing leaks and nothing is allocated while rendering.
#ifndef OMBREL_HOST_MEMORY_LEDGER_H
#define OMBREL_HOST_MEMORY_LEDGER_H

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace ombrel::host {

struct LedgerSnapshot {
  int64_t liveBlocks = 0;
  int64_t liveBytes = 0;
  int64_t totalAllocations = 0;  // blocks ever allocated, plus reallocations
  int64_t liveHandles = 0;       // host objects (containers, values, links, bitmaps, nodes) the module owns
  int64_t totalHandles = 0;
};

class MemoryLedger {
 public:
  MemoryLedger() = default;
  // The host takes back whatever blocks the module left when it closes the module.
  ~MemoryLedger();
  MemoryLedger(const MemoryLedger&) = delete;
  MemoryLedger& operator=(const MemoryLedger&) = delete;

  // Safe on any thread. Blocks carry a header with their size and owner, so free needs no lookup.
  void* Allocate(int64_t size, int32_t line, const char* file);
  void* Reallocate(void* block, int64_t size);
  void Free(void* block);

  // A host object (container, value, link, bitmap, resource, node) asked for by the module.
  // False when an injected failure hits this request: the host then hands out nothing.
  bool TakeHandle(const char* kind);
  void HandleFreed() { liveHandles_--; }

  LedgerSnapshot Snapshot() const;
  // "file:line size" of every live block, for leak reports. Main thread only.
  std::vector<std::string> LiveBlocks() const;

  // Failure injection for tests: request number n of the module (1-based, counted from now)
  // fails. Requests are blocks (allocate, reallocate) and host objects alike, in the order the
  // module makes them; n = 0 switches the injection off.
  void FailAllocation(int64_t n);
  // Requests made so far (blocks and host objects), whether the injected failure has struck,
  // and where: "file:line" of a block request, or the kind of host object.
  int64_t Requests() const { return requests_.load(); }
  bool InjectedFailureStruck() const { return failedKind_.load() != nullptr; }
  std::string InjectedFailureSite() const;

 private:
  std::atomic<int64_t> liveBlocks_{0};
  std::atomic<int64_t> liveBytes_{0};
  std::atomic<int64_t> totalAllocations_{0};
  std::atomic<int64_t> liveHandles_{0};
  std::atomic<int64_t> totalHandles_{0};
  std::atomic<int64_t> requests_{0};
  std::atomic<int64_t> failAt_{0};
  // The request that failed: its source file (or host object kind) and line.
  std::atomic<const char*> failedKind_{nullptr};
  std::atomic<int32_t> failedLine_{0};
  bool FailsNow(const char* kind, int32_t line);
  struct BlockHeader* head_ = nullptr;  // live blocks, linked for leak reports
  mutable std::atomic_flag listLock_ = ATOMIC_FLAG_INIT;
};

}  // namespace ombrel::host

#endif
