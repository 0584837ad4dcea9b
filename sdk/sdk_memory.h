// Memory through the host allocator, so the host can account for every block of the module.
#ifndef OMBREL_SDK_MEMORY_H
#define OMBREL_SDK_MEMORY_H

#include <cstddef>
#include <new>
#include <utility>

#include "sdk_types.h"

// Raw blocks; null on failure. Safe on render threads.
void* GeAllocImpl(VLONG size, LONG line, const char* file);
void GeFreeImpl(void* block);

#define GeAlloc(size) GeAllocImpl((size), __LINE__, __FILE__)
#define GeFree(block) GeFreeImpl(block)

// Typed construction in a host block; null when the host has no memory. T must not throw.
template <typename T, typename... Args>
T* SdkNew(LONG line, const char* file, Args&&... args) {
  void* mem = GeAllocImpl(static_cast<VLONG>(sizeof(T)), line, file);
  if (!mem) return nullptr;
  return new (mem) T(std::forward<Args>(args)...);
}

template <typename T>
void SdkDelete(T* object) {
  if (!object) return;
  object->~T();
  GeFreeImpl(object);
}

// gNew(Type, ctor args...) / gDelete(pointer): the host allocator with source file and line.
#define gNew(T, ...) SdkNew<T>(__LINE__, __FILE__, ##__VA_ARGS__)
#define gDelete(p) \
  do {             \
    SdkDelete(p);  \
    (p) = nullptr; \
  } while (0)

#endif
