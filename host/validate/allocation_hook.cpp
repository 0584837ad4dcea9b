// The program's global operator new and delete: the default behaviour, plus a count of the calls
// made on threads that asked for counting. Only the validator's sampling loops count, so the
// rest of the program pays one thread-local test per allocation.
#include "allocation_hook.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
thread_local bool t_counting = false;
std::atomic<int64_t> gCounted{0};

void Note() {
  if (t_counting) gCounted.fetch_add(1, std::memory_order_relaxed);
}

void* Allocate(std::size_t size) {
  Note();
  void* p = std::malloc(size == 0 ? 1 : size);
  if (!p) throw std::bad_alloc();
  return p;
}

#ifndef _WIN32
void* AllocateAligned(std::size_t size, std::align_val_t align) {
  Note();
  const auto a = static_cast<std::size_t>(align);
  void* p = std::aligned_alloc(a, (size + a - 1) / a * a);
  if (!p) throw std::bad_alloc();
  return p;
}
#endif
}  // namespace

namespace ombrel::validate {
void StartCountingNew() { t_counting = true; }
void StopCountingNew() { t_counting = false; }
int64_t CountedNew() { return gCounted.load(); }
}  // namespace ombrel::validate

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  Note();
  return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  Note();
  return std::malloc(size == 0 ? 1 : size);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
// Windows keeps its own aligned forms: its aligned blocks need their own release function.
#ifndef _WIN32
void* operator new(std::size_t size, std::align_val_t align) { return AllocateAligned(size, align); }
void* operator new[](std::size_t size, std::align_val_t align) { return AllocateAligned(size, align); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
#endif
