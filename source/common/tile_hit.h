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
    // When set, the turbulence is fetched through this instead of read from `noise`, and only
    // for samples that can reach a joint: the host's turbulence is the dearest part of a
    // sample. It must answer values in [0, 1], as the host's absolute turbulence does.
    double (*fetchNoise)(const void* context) = nullptr;
    const void* noiseContext = nullptr;
};

#endif // OMBREL_COMMON_TILE_HIT_H
