#include "memory_ledger.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace ombrel::host {

struct alignas(std::max_align_t) BlockHeader {
  MemoryLedger* owner;
  int64_t size;
  const char* file;
  int32_t line;
  BlockHeader* prev;
  BlockHeader* next;
};

namespace {
// The list lock guards only the leak-report links, held for a few instructions.
class SpinGuard {
 public:
  explicit SpinGuard(std::atomic_flag& flag) : flag_(flag) {
    while (flag_.test_and_set(std::memory_order_acquire)) {
    }
  }
  ~SpinGuard() { flag_.clear(std::memory_order_release); }

 private:
  std::atomic_flag& flag_;
};
}  // namespace

void MemoryLedger::FailAllocation(int64_t n) {
  failedKind_ = nullptr;
  failedLine_ = 0;
  failAt_ = n > 0 ? requests_.load() + n : 0;
}

bool MemoryLedger::FailsNow(const char* kind, int32_t line) {
  const int64_t number = ++requests_;
  if (failAt_.load() == 0 || number != failAt_.load()) return false;
  failedLine_ = line;
  failedKind_ = kind ? kind : "?";
  return true;
}

std::string MemoryLedger::InjectedFailureSite() const {
  const char* kind = failedKind_.load();
  if (!kind) return std::string();
  const int32_t line = failedLine_.load();
  return line > 0 ? std::string(kind) + ":" + std::to_string(line) : std::string(kind);
}

bool MemoryLedger::TakeHandle(const char* kind) {
  if (FailsNow(kind, 0)) return false;
  liveHandles_++;
  totalHandles_++;
  return true;
}

void* MemoryLedger::Allocate(int64_t size, int32_t line, const char* file) {
  if (size < 0 || size > std::numeric_limits<int64_t>::max() / 2) return nullptr;
  ++totalAllocations_;
  if (FailsNow(file, line)) return nullptr;
  auto* header = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + static_cast<size_t>(size)));
  if (!header) return nullptr;
  header->owner = this;
  header->size = size;
  header->file = file;
  header->line = line;
  header->prev = nullptr;
  {
    SpinGuard guard(listLock_);
    header->next = head_;
    if (head_) head_->prev = header;
    head_ = header;
  }
  liveBlocks_++;
  liveBytes_ += size;
  void* block = header + 1;
  std::memset(block, 0, static_cast<size_t>(size));
  return block;
}

void* MemoryLedger::Reallocate(void* block, int64_t size) {
  if (!block) return Allocate(size, 0, "realloc");
  auto* header = static_cast<BlockHeader*>(block) - 1;
  void* fresh = Allocate(size, header->line, header->file);
  if (!fresh) return nullptr;
  std::memcpy(fresh, block, static_cast<size_t>(header->size < size ? header->size : size));
  Free(block);
  return fresh;
}

void MemoryLedger::Free(void* block) {
  if (!block) return;
  auto* header = static_cast<BlockHeader*>(block) - 1;
  {
    SpinGuard guard(listLock_);
    if (header->prev) header->prev->next = header->next;
    else head_ = header->next;
    if (header->next) header->next->prev = header->prev;
  }
  liveBlocks_--;
  liveBytes_ -= header->size;
  std::free(header);
}

MemoryLedger::~MemoryLedger() {
  while (head_) {
    BlockHeader* next = head_->next;
    std::free(head_);
    head_ = next;
  }
}

LedgerSnapshot MemoryLedger::Snapshot() const {
  return LedgerSnapshot{liveBlocks_.load(), liveBytes_.load(), totalAllocations_.load(), liveHandles_.load(),
                        totalHandles_.load()};
}

std::vector<std::string> MemoryLedger::LiveBlocks() const {
  std::vector<std::string> out;
  SpinGuard guard(listLock_);
  for (BlockHeader* h = head_; h; h = h->next) {
    out.push_back(std::string(h->file ? h->file : "?") + ":" + std::to_string(h->line) + " " +
                  std::to_string(h->size) + " bytes");
  }
  return out;
}

}  // namespace ombrel::host
