// Locating one sample of the tile shader: the tile it falls in, the point inside that tile after
// joints, flips and turns, and its joint weight. Only reads the table and the settings and keeps
// everything else on the stack, so any number of render threads may locate at once.
#ifndef OMBREL_COMMON_TILE_LOCATE_H
#define OMBREL_COMMON_TILE_LOCATE_H

#include "tile_hit.h"
#include "tile_settings.h"
#include "tile_table.h"

#include <cstdint>

// Where a sample lands. With `early` set the caller samples `earlyTexture` with its unchanged
// channel data and returns that colour as it is.
struct TileLocation
{
    bool early = false;
    const void* earlyTexture = nullptr;
    int32_t a = 0; // column, 0..332
    int32_t b = 0; // row, 0..332
    const TileCell* cell = nullptr; // never null
    double u = 0.0; // point inside the tile, after joints, flips and turns; always finite
    double v = 0.0;
    double w = 0.0;
    double jointWeight = 0.0; // 1 at the tile border, 0 at the joint's inner edge
    bool inJoint = false;
};

// 0 when lo == hi and x < lo, 1 when lo == hi otherwise; else (x - lo) / (hi - lo) clamped to
// [0, 1]. A NaN ratio gives 0, so the result is always in [0, 1].
double Boxstep(double lo, double hi, double x);

// True when LocateSample may read the joint noise: the caller then fills hit.noise, or sets
// hit.fetchNoise, with the host's absolute 2-octave turbulence at (hit point *
// settings.noiseScale).
bool NeedsJointNoise(const TileSettings& settings, bool hasContext);

// The texture of the polygon-group shortcut (UV mode, polygon group above 1, a hit, a texture in
// the group's cell), or null when the sample takes the normal path. The shortcut reaches no
// joint, so a caller that asks first can skip the turbulence for it.
const void* PolygonGroupTexture(const TileTable& table, const TileSettings& settings, const TileHit& hit);

// Locates one sample at texture point (pu, pv, pw) with the channel's texture flags (bit value
// 2 = mirror). An axis whose grid coordinate is not finite (NaN or infinite input or settings)
// gives tile index 0 and in-tile 0 there; the returned point is always finite.
TileLocation LocateSample(const TileTable& table, const TileSettings& settings, double pu, double pv,
                          double pw, int32_t textureFlags, const TileHit& hit);

#endif // OMBREL_COMMON_TILE_LOCATE_H
