// Host facts about one sample of the tile shader, filled by the caller from its render context,
// so the tile pattern itself needs no host call.
#ifndef OMBREL_COMMON_TILE_HIT_H
#define OMBREL_COMMON_TILE_HIT_H

#include <cstdint>

struct TileHit
{
    bool hasContext = false;       // a render context exists
    bool hasHit = false;           // its last-hit identifier is non-zero
    int32_t polygon = 0;           // hit polygon number
    double cornerWeights[4] = {0.0, 0.0, 0.0, 0.0}; // read in polygon mode only
    bool hasRenderObject = false;  // the last hit resolves to a render object
    bool hasSource = false;        // ... that names a source object
    int32_t renderIndex = 0;       // the render object's index number (polygon mode)
    int32_t sourceIdentity = 0;    // identity of the source object
    int32_t sourceChainIdentity = 0; // identities of the source and all its ancestors, summed with wrap-around (object mode)
    bool hasOrigin = false;        // the render object carries an origin object (object mode)
    double noise = 0.0;            // turbulence; read only when NeedsJointNoise is true
};

#endif // OMBREL_COMMON_TILE_HIT_H
