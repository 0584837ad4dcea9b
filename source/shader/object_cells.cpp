#include "object_cells.h"

namespace {
// A render of more objects than this works its cells out per sample instead: the table would
// take more memory than it saves time.
constexpr LONG kMaxTableObjects = 1 << 22;
}  // namespace

Bool ObjectCells::Reserve(LONG count) {
  Clear();
  if (count <= 0 || count > kMaxTableObjects) return FALSE;
  uint32_t slots = 8;
  while (slots < 2u * static_cast<uint32_t>(count)) slots *= 2;
  slots_ = static_cast<Cell*>(GeAlloc(static_cast<VLONG>(sizeof(Cell)) * slots));
  if (!slots_) return FALSE;
  for (uint32_t i = 0; i < slots; ++i) slots_[i] = Cell{nullptr, 0.0, 0.0};
  mask_ = slots - 1;
  room_ = count;
  return TRUE;
}

void ObjectCells::Insert(const RayObject* object, Real u, Real v) {
  if (!slots_ || !object || room_ <= 0) return;
  uint32_t i = SlotOf(object);
  while (slots_[i].object && slots_[i].object != object) i = (i + 1) & mask_;
  if (slots_[i].object) return;
  slots_[i] = Cell{object, u, v};
  --room_;
}

void ObjectCells::Clear() {
  if (slots_) GeFree(slots_);
  slots_ = nullptr;
  mask_ = 0;
  room_ = 0;
}
