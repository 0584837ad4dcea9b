#include "object_cells.h"

namespace {
// A render of more objects than this works its cells out per sample instead: the table would
// take more memory than it saves time.
constexpr int32_t kMaxTableObjects = 1 << 22;
}  // namespace

uint32_t ObjectCells::SlotsFor(int32_t count) {
  if (count <= 0 || count > kMaxTableObjects) return 0;
  uint32_t slots = 8;
  while (slots < 2u * static_cast<uint32_t>(count)) slots *= 2;
  return slots;
}

void ObjectCells::Attach(Cell* slots, int32_t count) {
  const uint32_t n = SlotsFor(count);
  slots_ = n ? slots : nullptr;
  if (!slots_) return;
  for (uint32_t i = 0; i < n; ++i) slots_[i] = Cell{nullptr, 0.0, 0.0};
  uint32_t bits = 0;
  while ((1u << bits) < n) ++bits;
  shift_ = 32 - bits;
  mask_ = n - 1;
  room_ = count;
}

ObjectCells::Cell* ObjectCells::Detach() {
  Cell* slots = slots_;
  slots_ = nullptr;
  shift_ = 31;
  mask_ = 0;
  room_ = 0;
  return slots;
}

void ObjectCells::Insert(const void* object, double u, double v) {
  if (!slots_ || !object || room_ <= 0) return;
  uint32_t i = SlotOf(object);
  while (slots_[i].object && slots_[i].object != object) i = (i + 1) & mask_;
  if (slots_[i].object) return;
  slots_[i] = Cell{object, u, v};
  --room_;
}
