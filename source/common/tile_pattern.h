// Tile pattern of the tile shader: the parameters and what they mean, the table of per-tile
// random values built once per render, the location of a sample in a tile, and the number of
// the hit object. Pure maths: no host calls and no allocation.
#ifndef OMBREL_COMMON_TILE_PATTERN_H
#define OMBREL_COMMON_TILE_PATTERN_H

#include "tile_hit.h"
#include "tile_locate.h"
#include "tile_object_number.h"
#include "tile_settings.h"
#include "tile_table.h"

#endif // OMBREL_COMMON_TILE_PATTERN_H
