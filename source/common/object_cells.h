// Where each render object's atlas cell starts, worked out once per render and found again on
// every sample by the object's address. Filled on the main thread; Find only reads: no lock, no
// allocation. The memory comes from the caller. Pure: no host calls.
#ifndef OMBREL_COMMON_OBJECT_CELLS_H
#define OMBREL_COMMON_OBJECT_CELLS_H

#include <cstdint>

class ObjectCells {
 public:
  struct Cell {
    const void* object;  // null marks a free slot
    double u;
    double v;
  };

  // Slots a table of `count` objects takes: a power of two, at least twice the count, so every
  // search ends at a free slot. 0 for no objects or more than a table is worth.
  static uint32_t SlotsFor(int32_t count);

  // Starts an empty table of `count` objects in `slots` (SlotsFor(count) of them, cleared here).
  void Attach(Cell* slots, int32_t count);
  // Ends the table and hands its memory back (null when there was none).
  Cell* Detach();

  // Records an object's cell start. An object recorded twice keeps its first start; objects
  // beyond the attached count, and null, are not recorded.
  void Insert(const void* object, double u, double v);
  // The object's cell, or null when it was not recorded (or there is no table).
  const Cell* Find(const void* object) const {
    if (!slots_ || !object) return nullptr;
    for (uint32_t i = SlotOf(object);; i = (i + 1) & mask_) {
      const Cell& c = slots_[i];
      if (c.object == object) return &c;
      if (!c.object) return nullptr;
    }
  }

 private:
  uint32_t SlotOf(const void* object) const {
    // Fibonacci hashing of the address: the top bits of the product spread objects over the
    // table however far apart they sit, also at power-of-two strides.
    return (static_cast<uint32_t>(reinterpret_cast<uintptr_t>(object) >> 3) * 0x9E3779B1u) >> shift_;
  }

  Cell* slots_ = nullptr;
  uint32_t shift_ = 31;  // 32 - log2 of the slot count
  uint32_t mask_ = 0;    // slot count - 1
  int32_t room_ = 0;     // objects that may still be recorded
};

#endif
