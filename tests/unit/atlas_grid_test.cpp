// The atlas grid, the cell pick and the movie layout, with numbers worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "atlas_grid.h"

namespace {

TEST(AtlasGrid, WholeCellsOnly) {
  const AtlasGrid g = MakeAtlasGrid(256, 128, 64, 64);
  EXPECT_EQ(g.columns, 4);
  EXPECT_EQ(g.rows, 2);
  EXPECT_EQ(g.cellCount, 8);
  EXPECT_EQ(MakeAtlasGrid(100, 32, 32, 32).columns, 3);
  for (const AtlasGrid& none : {MakeAtlasGrid(1, 1, 32, 32), MakeAtlasGrid(0, 64, 32, 32),
                                MakeAtlasGrid(64, 64, -3, 32), MakeAtlasGrid(INT32_MIN, 64, 1, 1)}) {
    EXPECT_EQ(none.cellCount, 0);
  }
}

TEST(AtlasGrid, MoreCellsThan32BitsKeepWholeRows) {
  // 2147483647 x 2147483647 one-pixel cells: only one row of 2^31 - 1 fits the count.
  const AtlasGrid g = MakeAtlasGrid(INT32_MAX, INT32_MAX, 1, 1);
  EXPECT_EQ(g.columns, INT32_MAX);
  EXPECT_EQ(g.rows, 1);
  EXPECT_EQ(g.cellCount, INT32_MAX);
  // 65536 columns x 65536 rows = 2^32: 32767 whole rows fit.
  const AtlasGrid h = MakeAtlasGrid(65536, 65536, 1, 1);
  EXPECT_EQ(h.rows, 32767);
  EXPECT_EQ(h.cellCount, 65536 * 32767);
}

TEST(AtlasGrid, PickWrapsTheKeyRoundTheGrid) {
  EXPECT_EQ(PickAtlasCell(0.0, 0, 8), 0);
  EXPECT_EQ(PickAtlasCell(0.99, 0, 8), 7);
  EXPECT_EQ(PickAtlasCell(0.5, 3, 8), 7);      // 4 + 3
  EXPECT_EQ(PickAtlasCell(0.5, -7, 8), 5);     // -3 -> 5
  EXPECT_EQ(PickAtlasCell(0.99, INT32_MAX, 9), static_cast<int32_t>((8LL + INT32_MAX) % 9));
  EXPECT_EQ(PickAtlasCell(0.0, INT32_MIN, 9), static_cast<int32_t>(((INT32_MIN % 9) + 9) % 9));
}

TEST(AtlasGrid, PickPullsNumbersOutsideTheUnitRangeIntoTheGrid) {
  EXPECT_EQ(PickAtlasCell(0.875, 0, 8), 7);       // exactly 7
  EXPECT_EQ(PickAtlasCell(0.8749999, 0, 8), 6);   // just below
  EXPECT_EQ(PickAtlasCell(-1.5, 3, 8), 3);        // below 0: pick 0
  EXPECT_EQ(PickAtlasCell(1.5, 0, 8), 7);         // 1 and above: the last cell
  EXPECT_EQ(PickAtlasCell(std::nan(""), 3, 8), 3);
  EXPECT_EQ(PickAtlasCell(std::numeric_limits<double>::infinity(), 1, 8), 0);  // 7 + 1 wraps
}

TEST(AtlasGrid, ValueChoosesACellInsideTheGrid) {
  int32_t cell = -1;
  struct Case { double value; int32_t cell; };
  for (const Case& c : {Case{0.0, 0}, Case{0.24, 0}, Case{0.25, 1}, Case{0.99, 3}, Case{1.0, 3}, Case{7.0, 3},
                        Case{-0.5, 0}, Case{1e300, 3}, Case{-1e300, 0}}) {
    ASSERT_TRUE(AtlasCellFromValue(c.value, 4, cell)) << c.value;
    EXPECT_EQ(cell, c.cell) << c.value;
  }
  EXPECT_FALSE(AtlasCellFromValue(std::nan(""), 4, cell));
}

TEST(MovieAtlasLayout, LargestCellThatHoldsEveryFrame) {
  // 10 frames of 4096 x 2048 into 8192 x 8192: down to 3277 wide (1639 high, the half rounded
  // up) 2 x 4 = 8 fit; at 3276 wide (1638 high) 2 x 5 = 10 fit, the first width to place all.
  const AtlasLayout l = MakeMovieAtlasLayout(4096, 2048, 10);
  EXPECT_EQ(l.cellWidth, 3276);
  EXPECT_EQ(l.cellHeight, 1638);
  EXPECT_EQ(l.placed, 10);
  EXPECT_EQ(l.columns, 2);
  EXPECT_EQ(l.rows, 5);
  EXPECT_EQ(l.width, 6552);
  EXPECT_EQ(l.height, 8190);
  // A few small frames fit at full size, in one row.
  const AtlasLayout s = MakeMovieAtlasLayout(64, 48, 5);
  EXPECT_EQ(s.cellWidth, 64);
  EXPECT_EQ(s.columns, 5);
  EXPECT_EQ(s.rows, 1);
  EXPECT_EQ(s.width, 320);
  EXPECT_EQ(s.height, 48);
}

TEST(MovieAtlasLayout, TooManyFramesPlaceAsManyAsTheSmallestCellsAllow) {
  // 2 x 2 cells: 4096 x 4096 = 16777216 places; more frames keep that many.
  const AtlasLayout l = MakeMovieAtlasLayout(2, 2, 20000000);
  EXPECT_EQ(l.cellWidth, 2);
  EXPECT_EQ(l.placed, 16777216);
  EXPECT_EQ(l.width, 8192);
  EXPECT_EQ(l.height, 8192);
  EXPECT_EQ(MakeMovieAtlasLayout(0, 10, 5).placed, 0);
  EXPECT_EQ(MakeMovieAtlasLayout(10, 10, 0).placed, 0);
}

}  // namespace
