#include "atlas_grid.h"

#include <cmath>
#include <cstdlib>

#include "numeric.h"

AtlasGrid MakeAtlasGrid(int32_t width, int32_t height, int32_t cellWidth, int32_t cellHeight) {
  AtlasGrid grid;
  if (width <= 0 || height <= 0 || cellWidth <= 0 || cellHeight <= 0) return grid;
  grid.columns = width / cellWidth;  // floor of the quotient of positive numbers
  grid.rows = height / cellHeight;
  if (grid.columns == 0 || grid.rows == 0) return AtlasGrid{};
  const int64_t count = static_cast<int64_t>(grid.columns) * grid.rows;
  if (count > INT32_MAX) grid.rows = INT32_MAX / grid.columns;
  grid.cellCount = grid.columns * grid.rows;
  return grid;
}

int32_t PickAtlasCell(double r, int32_t key, int32_t cellCount) {
  // r × cellCount lies in [0, cellCount) for r in [0, 1); a value outside (which the generator
  // never gives) is pulled into the grid rather than converted out of range. Inside, the
  // scaled value is not negative, so truncation is its floor (and much cheaper per sample than
  // a floor without the processor's rounding instruction).
  const double scaled = r * static_cast<double>(cellCount);
  int32_t pick = 0;  // also for NaN
  if (scaled >= static_cast<double>(cellCount - 1)) {
    pick = cellCount - 1;
  } else if (scaled > 0.0) {
    pick = static_cast<int32_t>(scaled);
  }
  // (pick + key) mod count, with the key reduced first: both terms are then below the count, and
  // their sum below 2^32, so 32-bit unsigned arithmetic holds it (and a 32-bit division is much
  // cheaper per sample than a 64-bit one).
  int32_t keyCell = key % cellCount;
  if (keyCell < 0) keyCell += cellCount;
  uint32_t cell = static_cast<uint32_t>(pick) + static_cast<uint32_t>(keyCell);
  if (cell >= static_cast<uint32_t>(cellCount)) cell -= static_cast<uint32_t>(cellCount);
  return static_cast<int32_t>(cell);
}

bool AtlasCellFromValue(double value, int32_t cellCount, int32_t& cell) {
  if (std::isnan(value)) return false;
  const double scaled = value * static_cast<double>(cellCount);
  const int32_t last = cellCount - 1;
  if (scaled >= static_cast<double>(last)) {
    cell = last;
  } else {
    const int32_t t = ombrel::TruncToInt32(scaled);
    cell = t < 0 ? 0 : t;
  }
  return true;
}

AtlasLayout MakeMovieAtlasLayout(int32_t frameWidth, int32_t frameHeight, int32_t frameCount, int32_t maxSize) {
  AtlasLayout best;
  if (frameWidth < 2 || frameHeight <= 0 || frameCount <= 0 || maxSize <= 0) return best;
  const double ratio = static_cast<double>(frameHeight) / static_cast<double>(frameWidth);
  int64_t bestDistance = -1;
  for (int32_t w = frameWidth; w >= 2; --w) {
    if (w > maxSize) continue;
    const double hReal = std::floor(static_cast<double>(w) * ratio + 0.5);
    const int32_t h = hReal < 1.0 ? 1 : ombrel::TruncToInt32(hReal);
    if (h > maxSize) continue;
    const int64_t columns = maxSize / w;
    const int64_t rows = maxSize / h;
    const int64_t capacity = columns * rows;
    const int64_t placed = capacity < frameCount ? capacity : frameCount;
    const int64_t distance = frameCount - placed;
    if (bestDistance < 0 || distance < bestDistance) {
      bestDistance = distance;
      best.cellWidth = w;
      best.cellHeight = h;
      best.placed = static_cast<int32_t>(placed);
      best.columns = static_cast<int32_t>(placed < columns ? placed : columns);
      best.rows = static_cast<int32_t>((placed + columns - 1) / columns);
      best.width = best.columns * w;
      best.height = best.rows * h;
    }
    if (distance == 0) break;  // every frame placed: smaller cells cannot come closer
  }
  return best;
}
