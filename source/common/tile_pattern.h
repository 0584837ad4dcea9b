// Tile pattern of the tile shader: a table of per-tile random values, built
// once per render from one seed, and the evaluation that turns a sample point
// into a tile, a point inside that tile and a joint weight.
//
// Pure maths: no host calls and no allocation. Host facts about a sample
// (render context, hit polygon, corner weights, object identities, turbulence)
// come in as plain data in a TileHit filled by the caller; textures are opaque
// pointers the pattern only hands back. LocateSample and ObjectNumber only
// read their arguments, so any number of render threads may call them at once.
#ifndef OMBREL_COMMON_TILE_PATTERN_H
#define OMBREL_COMMON_TILE_PATTERN_H

#include <cstdint>

// Tiles per direction; tile indices wrap at this count, so the pattern repeats
// every 333 tiles both ways.
constexpr int32_t kTileGridSize = 333;

enum TileMode : int32_t
{
    kTileModeUv = 0,      // tiles laid over the texture coordinates
    kTileModePolygon = 1, // one whole tile per polygon (or polygon group)
    kTileModeObject = 2   // UV tiles, one texture per object (picked by the caller)
};

// One tile's precomputed values. Field order is part of the stored layout.
struct TileCell
{
    uint8_t flipU = 0;       // mirror the in-tile U coordinate
    uint8_t flipV = 0;       // mirror the in-tile V coordinate
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

// 333 x 333 cells, embedded in its owner (about 4.4 MB; no heap). Column a is
// taken from U, row b from V; both must lie in 0..332.
struct TileTable
{
    TileCell cells[kTileGridSize * kTileGridSize];

    const TileCell& At(int32_t a, int32_t b) const { return cells[b * kTileGridSize + a]; }
    TileCell& At(int32_t a, int32_t b) { return cells[b * kTileGridSize + a]; }
};

// The tile shader's parameters as read from its container. The member
// defaults are the values used when a scene holds no entry.
struct TileParameters
{
    int32_t seed = 666;
    int32_t columns = 1;
    int32_t rows = 1;
    double tileAspect = 1.0;
    int32_t mode = kTileModeUv;
    int32_t polygonGroup = 1;
    bool randomFlipU = false;
    bool randomFlipV = false;
    bool randomRotate = false;
    bool checkerRotate = false;
    bool stretchTexture = true;
    double jointWidth = 0.0;
    double jointNoiseScale = 0.0;
    bool fitTextureInsideJoints = false;
    double jointBiasX = 0.5; // share of the U joint on the right side
    double jointBiasY = 0.5; // share of the V joint on the bottom side
    double jointRatio = 1.0;
    double tileRotation = 0.0; // in units of pi
    double saturationVariation = 0.0;
    double gammaVariation = 0.0;
    double brightnessVariation = 0.0;
    double rowOffset = 0.0;
    double rowOffsetVariation = 0.0;
    double rowDrift = 0.0;
    double rowDriftVariation = 0.0;
    int32_t textureRotation = 0; // 0 none, 1 +pi/2, 2 -pi/2
};

// Everything the build and the evaluation read. DeriveTileSettings fills it
// from TileParameters; tests may also set fields directly.
struct TileSettings
{
    int32_t seed = 666;
    double columns = 1.0;
    double rows = 1.0;
    double tileAspect = 1.0;
    int32_t mode = kTileModeUv;
    int32_t polygonGroup = 1; // values above 1 group consecutive polygons
    bool flipU = false;
    bool flipV = false;
    bool randomRotate = false;
    bool checker = false;   // only honoured in UV mode
    bool jointsOn = false;
    bool fitInside = false; // squeeze the content between the joints
    double noiseScale = 0.0; // already divided by 10; 500 or more switches the noise off
    double jointLeft = 0.5;  // share of each joint on each side of a tile
    double jointRight = 0.5;
    double jointBottom = 0.5;
    double jointTop = 0.5;
    bool stretch = true;
    int32_t textureTurn = 0; // 0 none, 1 +pi/2, 2 -pi/2
    double rowOffset = 0.0;          // R1: U shift of odd rows, tile widths
    double rowOffsetVariation = 0.0; // R2
    double rowDrift = 0.0;           // R3: shift growing with the row number
    double rowDriftVariation = 0.0;  // R4
    double jointWidth = 0.0;         // J
    double jointRatio = 1.0;         // K: U joint width = J * K
    double tileRotation = 0.0;       // T, in units of pi
    double saturationVariation = 0.0; // S
    double gammaVariation = 0.0;      // G
    double brightnessVariation = 0.0; // B
};

// Derived values: joints on for a non-zero finite width, noise scale / 10,
// joint-side shares from the bias clamped to [0, 1], checker only in UV mode,
// texture-turn codes other than 1 and 2 read as 0.
TileSettings DeriveTileSettings(const TileParameters& parameters);

// Host facts about one sample, filled by the caller from its render context.
struct TileHit
{
    bool hasContext = false;       // a render context exists
    bool hasHit = false;           // its last-hit identifier is non-zero
    int32_t polygon = 0;           // hit polygon number
    double cornerWeights[4] = {0.0, 0.0, 0.0, 0.0}; // read in polygon mode only
    bool hasRenderObject = false;  // the last hit resolves to a render object
    bool hasSource = false;        // ... that names a source object
    int32_t renderIndex = 0;       // the render object's index number
    int32_t sourceIdentity = 0;    // identity of the source object
    int32_t sourceChainIdentity = 0; // identities of the source and all its ancestors, summed with wrap-around
    bool hasOrigin = false;        // the render object carries an origin object
    double noise = 0.0;            // turbulence; read only when NeedsJointNoise is true
};

// Where a sample lands. With `early` set the caller samples `earlyTexture`
// with its unchanged channel data and returns that colour as it is.
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

// 0 when lo == hi and x < lo, 1 when lo == hi otherwise; else (x - lo) / (hi - lo)
// clamped to [0, 1]. A NaN ratio gives 0, so the result is always in [0, 1].
double Boxstep(double lo, double hi, double x);

// Fills the whole table from settings.seed. `textures` holds `count` opaque
// pointers (may be null when count is 0). Deterministic: the same settings and
// list always give the same table.
void BuildTileTable(TileTable& table, const TileSettings& settings, const void* const* textures,
                    int32_t count);

// True when LocateSample will read hit.noise: the caller then fills it with the
// host's absolute 2-octave turbulence at (hit point * settings.noiseScale).
bool NeedsJointNoise(const TileSettings& settings, bool hasContext);

// The texture of the polygon-group shortcut (UV mode, polygon group above 1, a
// hit), or null when the sample takes the normal path. Lets the caller skip
// the turbulence for samples that never reach the joints.
const void* PolygonGroupTexture(const TileTable& table, const TileSettings& settings,
                                const TileHit& hit);

// Locates one sample at texture point (pu, pv, pw) with the channel's texture
// flags (bit value 2 = mirror). An axis whose grid coordinate is not finite
// (NaN or infinite input or settings) gives tile index 0 and in-tile 0 there;
// the returned point is always finite.
TileLocation LocateSample(const TileTable& table, const TileSettings& settings, double pu, double pv,
                          double pw, int32_t textureFlags, const TileHit& hit);

// Integer naming the hit object (object mode): 0 without a render context or
// render object; otherwise the source chain's identities, plus identity(source)
// + 1 when an origin object is present. 32-bit wrap-around.
int32_t ObjectNumber(const TileHit& hit);

#endif // OMBREL_COMMON_TILE_PATTERN_H
