// The integer that names the hit object when the tile shader gives each object its own texture.
#ifndef OMBREL_COMMON_TILE_OBJECT_NUMBER_H
#define OMBREL_COMMON_TILE_OBJECT_NUMBER_H

#include "tile_hit.h"

#include <cstdint>

// 0 without a render context or render object; otherwise the source chain's identities, plus
// identity(source) + 1 when an origin object is present. 32-bit wrap-around. Unlike the
// colour-adjust shader's key there is no walk from the origin object and no polygon term.
int32_t ObjectNumber(const TileHit& hit);

#endif // OMBREL_COMMON_TILE_OBJECT_NUMBER_H
