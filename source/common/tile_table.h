// The table of per-tile random values of the tile shader, built once per render from one seed
// in a fixed draw order, so the same parameters give the same picture on every thread and run.
// Pure maths: no host calls and no allocation; textures are opaque pointers the table only
// hands back.
#ifndef OMBREL_COMMON_TILE_TABLE_H
#define OMBREL_COMMON_TILE_TABLE_H

#include "tile_settings.h"

#include <cstdint>

// Tiles per direction; tile indices wrap at this count, so the pattern repeats every 333 tiles
// both ways.
constexpr int32_t kTileGridSize = 333;

// One tile's precomputed values. Field order is part of the stored layout.
struct TileCell
{
    uint8_t flipU = 0;       // mirror the in-tile U coordinate (only ever set when enabled)
    uint8_t flipV = 0;       // mirror the in-tile V coordinate (only ever set when enabled)
    uint8_t quarterTurn = 0; // 0 none, 1 turn by -pi/2, 2 turn by +pi/2
    float rowShift = 0.0f;   // U shift of the tile's row, in tile widths
    float jointWidthU = 0.0f;
    float jointWidthV = 0.0f;
    float rotation = 0.0f;   // extra turn of the content, radians
    float saturationFactor = 1.0f;
    float gammaFactor = 1.0f;
    float brightnessFactor = 1.0f;
    const void* texture = nullptr; // not owned; null when the texture list is empty
};

// 333 x 333 cells, embedded in its owner (about 4.4 MB; no heap). Column a is taken from U,
// row b from V; both must lie in 0..332.
struct TileTable
{
    TileCell cells[kTileGridSize * kTileGridSize];

    const TileCell& At(int32_t a, int32_t b) const { return cells[b * kTileGridSize + a]; }
    TileCell& At(int32_t a, int32_t b) { return cells[b * kTileGridSize + a]; }
};

// Fills the whole table from parameters.seed. `textures` holds `count` opaque pointers (may be
// null when count is 0). Deterministic: the same parameters and list always give the same
// table.
void BuildTileTable(TileTable& table, const TileParameters& parameters, const void* const* textures,
                    int32_t count);

#endif // OMBREL_COMMON_TILE_TABLE_H
