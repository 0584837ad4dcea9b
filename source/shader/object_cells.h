// Where each render object's atlas cell starts, worked out once per render. The table is filled
// in InitRender on the main thread; Find is called on render threads and only reads it: no lock,
// no allocation.
#ifndef OMBREL_OBJECT_CELLS_H
#define OMBREL_OBJECT_CELLS_H

#include <cstdint>

#include "sdk.h"

class ObjectCells {
 public:
  struct Cell {
    const RayObject* object;  // null marks a free slot
    Real u;
    Real v;
  };

  ObjectCells() = default;
  ~ObjectCells() { Clear(); }
  ObjectCells(const ObjectCells&) = delete;
  ObjectCells& operator=(const ObjectCells&) = delete;

  // Room for `count` objects, empty. FALSE, with no table, when the memory is refused or the
  // count is beyond what a table is worth: callers then work each cell out as they need it.
  Bool Reserve(LONG count);
  // Records an object's cell start; an object recorded twice keeps its first start, and objects
  // beyond the reserved count are not recorded.
  void Insert(const RayObject* object, Real u, Real v);
  // The object's cell, or null when it was not recorded (or there is no table).
  const Cell* Find(const RayObject* object) const {
    if (!slots_ || !object) return nullptr;
    for (uint32_t i = SlotOf(object);; i = (i + 1) & mask_) {
      const Cell& c = slots_[i];
      if (c.object == object) return &c;
      if (!c.object) return nullptr;
    }
  }
  void Clear();

 private:
  uint32_t SlotOf(const RayObject* object) const {
    // Fibonacci hashing of the address: objects sit a few dozen bytes apart, and the high bits
    // of the product spread them over the table.
    const uint64_t h = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(object)) * 0x9E3779B97F4A7C15ull;
    return static_cast<uint32_t>(h >> 32) & mask_;
  }

  Cell* slots_ = nullptr;
  uint32_t mask_ = 0;  // slot count - 1; the slot count is a power of two, at least twice the objects
  LONG room_ = 0;      // objects that may still be recorded; keeps a free slot to end every search
};

#endif
