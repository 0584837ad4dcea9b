// The grid of equal cells an atlas image is divided into, and how a cell is chosen for an
// object. Pure maths: no host calls, no allocation.
#ifndef OMBREL_COMMON_ATLAS_GRID_H
#define OMBREL_COMMON_ATLAS_GRID_H

#include <cstdint>

struct AtlasGrid {
  int32_t columns = 0;
  int32_t rows = 0;
  int32_t cellCount = 0;  // columns × rows; 0 when no whole cell fits
};

// Whole cells of cellWidth × cellHeight pixels in an image of width × height pixels. Sizes of 0
// or below (a stored scene can hold them) give no cells. A grid of more than 2^31 - 1 cells
// keeps only as many whole rows as that count allows, so every cell number fits 32 bits.
AtlasGrid MakeAtlasGrid(int32_t width, int32_t height, int32_t cellWidth, int32_t cellHeight);

// The object's cell from a random number r in [0, 1) and its variation key: floor(r × cellCount)
// plus the key, modulo cellCount, never negative. The sum is formed in 64 bits, so keys near the
// ends of the 32-bit range wrap round the grid instead of overflowing. cellCount must be above 0.
int32_t PickAtlasCell(double r, int32_t key, int32_t cellCount);

// The cell a value in [0, 1] chooses: trunc(value × cellCount), at most cellCount - 1, at least
// 0. False for NaN, which chooses nothing. cellCount must be above 0.
bool AtlasCellFromValue(double value, int32_t cellCount, int32_t& cell);

// How the frames of a movie are laid out as cells of one atlas.
struct AtlasLayout {
  int32_t cellWidth = 0;
  int32_t cellHeight = 0;
  int32_t columns = 0;
  int32_t rows = 0;    // rows holding at least one frame
  int32_t placed = 0;  // frames that fit, at most the frame count
  int32_t width = 0;   // atlas size in pixels: columns × cellWidth, rows × cellHeight
  int32_t height = 0;
};

// For cell widths from the frame width down to 2, places cells of that width (and the height that
// keeps the frame's ratio, at least 1) row by row into maxSize × maxSize pixels until every frame
// is placed or the atlas is full, and keeps the first width whose placed count is closest to the
// frame count. All zero when there is nothing to place.
AtlasLayout MakeMovieAtlasLayout(int32_t frameWidth, int32_t frameHeight, int32_t frameCount,
                                 int32_t maxSize = 8192);

#endif
