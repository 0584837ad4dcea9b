// The per-render cell table: objects told apart however their addresses fall on its slots.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "object_cells.h"

namespace {

// Addresses of `count` objects spaced `stride` bytes apart; nothing is read through them.
std::vector<const void*> Objects(uintptr_t first, uintptr_t stride, int count) {
  std::vector<const void*> out;
  for (int i = 0; i < count; ++i) out.push_back(reinterpret_cast<const void*>(first + stride * static_cast<uintptr_t>(i)));
  return out;
}

TEST(ObjectCells, SlotsAreAPowerOfTwoAtLeastTwiceTheObjects) {
  EXPECT_EQ(ObjectCells::SlotsFor(0), 0u);
  EXPECT_EQ(ObjectCells::SlotsFor(-3), 0u);
  EXPECT_EQ(ObjectCells::SlotsFor(1), 8u);
  EXPECT_EQ(ObjectCells::SlotsFor(4), 8u);
  EXPECT_EQ(ObjectCells::SlotsFor(5), 16u);
  EXPECT_EQ(ObjectCells::SlotsFor(1 << 22), 1u << 23);
  EXPECT_EQ(ObjectCells::SlotsFor((1 << 22) + 1), 0u) << "too many: samples draw their cells";
}

// Strides that put many objects on one slot of a table indexed by low address bits, and the
// dense strides of an array: every object finds its own start, and strangers find none.
TEST(ObjectCells, EveryObjectFindsItsOwnCellAtAnyStride) {
  for (const uintptr_t stride : {uintptr_t{8}, uintptr_t{168}, uintptr_t{4096}, uintptr_t{1} << 20}) {
    const int count = 300;
    std::vector<ObjectCells::Cell> memory(ObjectCells::SlotsFor(count));
    ObjectCells table;
    table.Attach(memory.data(), count);
    const std::vector<const void*> objects = Objects(0x10000, stride, count);
    for (int i = 0; i < count; ++i) table.Insert(objects[i], i, -i);
    for (int i = 0; i < count; ++i) {
      const ObjectCells::Cell* c = table.Find(objects[i]);
      ASSERT_NE(c, nullptr) << stride << " " << i;
      EXPECT_EQ(c->object, objects[i]);
      EXPECT_EQ(c->u, i);
      EXPECT_EQ(c->v, -i);
    }
    for (const void* stranger : Objects(0x10000 + stride * count, stride, 50)) EXPECT_EQ(table.Find(stranger), nullptr) << stride;
    EXPECT_EQ(table.Detach(), memory.data());
    EXPECT_EQ(table.Find(objects[0]), nullptr) << "a detached table finds nothing";
  }
}

TEST(ObjectCells, RepeatsNullAndObjectsBeyondTheCountAreNotRecorded) {
  const int count = 4;
  std::vector<ObjectCells::Cell> memory(ObjectCells::SlotsFor(count));
  ObjectCells table;
  EXPECT_EQ(table.Find(&memory), nullptr) << "no table yet";
  table.Insert(&memory, 1, 1);  // nothing to record into
  EXPECT_EQ(table.Detach(), nullptr);

  table.Attach(memory.data(), count);
  const std::vector<const void*> objects = Objects(0x4000, 64, 8);
  table.Insert(objects[0], 1, 2);
  table.Insert(objects[0], 3, 4);  // the first start stays
  table.Insert(nullptr, 5, 6);
  for (int i = 1; i < 8; ++i) table.Insert(objects[i], 10 + i, 0);
  EXPECT_EQ(table.Find(objects[0])->u, 1);
  EXPECT_EQ(table.Find(nullptr), nullptr);
  int recorded = 0;
  for (const void* o : objects) recorded += table.Find(o) ? 1 : 0;
  EXPECT_EQ(recorded, count) << "the repeat counts once; the last four find no room";
  EXPECT_EQ(table.Find(objects[7]), nullptr);
}

}  // namespace
