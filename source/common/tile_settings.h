// The tile shader's parameters, and what they mean for locating a sample. Two records with two
// roles: TileParameters holds the values as the scene stores them (the table build draws from
// these), TileSettings the values derived from them that every sample reads.
// Pure maths: no host calls.
#ifndef OMBREL_COMMON_TILE_SETTINGS_H
#define OMBREL_COMMON_TILE_SETTINGS_H

#include <cstdint>

enum TileMode : int32_t
{
    kTileModeUv = 0,      // tiles laid over the texture coordinates
    kTileModePolygon = 1, // one whole tile per polygon (or polygon group)
    kTileModeObject = 2   // UV tiles, one texture per object (picked by the caller)
};

// The parameters as stored, uninterpreted. The member defaults are the values used when a
// scene holds no entry (which differ from the defaults of a new shader in places).
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
    double jointWidth = 0.0;      // J, in tile widths; 0 switches the joints off
    double jointNoiseScale = 0.0; // as shown; divided by 10 where used
    bool fitTextureInsideJoints = false;
    double jointBiasX = 0.5; // share of the U joint on the right side
    double jointBiasY = 0.5; // share of the V joint on the bottom side
    double jointRatio = 1.0; // K: U joint width = J * K
    double tileRotation = 0.0; // T, in units of pi
    double saturationVariation = 0.0; // S
    double gammaVariation = 0.0;      // G
    double brightnessVariation = 0.0; // B
    double rowOffset = 0.0;          // R1: U shift of odd rows, tile widths
    double rowOffsetVariation = 0.0; // R2
    double rowDrift = 0.0;           // R3: shift growing with the row number
    double rowDriftVariation = 0.0;  // R4
    int32_t textureRotation = 0; // 0 none, 1 +pi/2, 2 -pi/2
};

// What locating a sample reads, derived once per render by DeriveTileSettings.
struct TileSettings
{
    double columns = 1.0;
    double rows = 1.0;
    double tileAspect = 1.0;
    int32_t mode = kTileModeUv;
    int32_t polygonGroup = 1; // values above 1 group consecutive polygons
    bool jointsOn = false;
    bool fitInside = false;  // squeeze the content between the joints
    double noiseScale = 0.0; // already divided by 10; 500 or more switches the noise off
    double jointLeft = 0.5;  // share of each joint on each side of a tile
    double jointRight = 0.5;
    double jointBottom = 0.5;
    double jointTop = 0.5;
    bool stretch = true;
    int32_t textureTurn = 0; // 0 none, 1 +pi/2, 2 -pi/2
};

// Joints on for a non-zero finite width, noise scale / 10, joint-side shares from the bias
// clamped to [0, 1], texture-turn codes other than 1 and 2 read as 0.
TileSettings DeriveTileSettings(const TileParameters& parameters);

// Checkerboard turns are honoured in UV mode only: polygon and object tiles have no
// neighbours to alternate with.
bool CheckerTurnsApply(const TileParameters& parameters);

#endif // OMBREL_COMMON_TILE_SETTINGS_H
