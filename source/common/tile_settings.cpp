#include "tile_settings.h"

#include "numeric.h"

#include <cmath>

TileSettings DeriveTileSettings(const TileParameters& p)
{
    TileSettings s;
    s.columns = p.columns;
    s.rows = p.rows;
    s.tileAspect = p.tileAspect;
    s.mode = p.mode;
    s.polygonGroup = p.polygonGroup;
    // A width that is not finite would only produce NaN bounds: no joints then.
    s.jointsOn = p.jointWidth != 0.0 && std::isfinite(p.jointWidth);
    s.fitInside = s.jointsOn && p.fitTextureInsideJoints;
    s.noiseScale = p.jointNoiseScale != 0.0 ? p.jointNoiseScale / 10.0 : 0.0;
    const double x = ombrel::Clamp01(p.jointBiasX);
    const double y = ombrel::Clamp01(p.jointBiasY);
    s.jointLeft = 1.0 - x;
    s.jointRight = x;
    s.jointBottom = y;
    s.jointTop = 1.0 - y;
    s.stretch = p.stretchTexture;
    s.textureTurn = (p.textureRotation == 1 || p.textureRotation == 2) ? p.textureRotation : 0;
    return s;
}

bool CheckerTurnsApply(const TileParameters& p)
{
    return p.checkerRotate && p.mode == kTileModeUv;
}
