// The scene `ombrel-host render` draws when no scene file is named: a grid of objects that all
// use the colour-adjust shader, so that its per-object variation shows at a glance, over a
// tiled floor beside a panel seen through the UV transform shader.
#ifndef OMBREL_HOST_DEMO_SCENE_H
#define OMBREL_HOST_DEMO_SCENE_H

#include <cstdint>
#include <string>

#include "core/host.h"
#include "core/scene.h"

namespace ombrel::host {

// The module's colour-adjust, tile and UV transform shaders.
constexpr int32_t kColourAdjustShaderId = 1029019;
constexpr int32_t kTileShaderId = 1028619;
constexpr int32_t kUvTransformShaderId = 1027722;
constexpr int32_t kCutShaderId = 1031438;

// Builds the demo scene in a new document of `host`, whose module must be loaded and started.
// Four bands, top to bottom, each with its own material:
//   "hue"      six objects (identities 1 to 6) varying only the hue of one base colour;
//   "tone"     six objects varying saturation and lightness;
//   "family"   two parent objects, each drawn as a frame behind three children, varying hue,
//              saturation, lightness, gamma and mixing in colours from a gradient: a child's
//              variation follows from its own identity and its parent's;
//   "polygons" one object of 2 × 16 polygons varying per group of two polygons, and at its right
//              the cut panel ("cut", shader "cut-shader" with its atlas "cut-atlas", objects
//              "cut-1" to "cut-6"): six objects each showing one numbered cell of
//              examples/textures/numbered_cells.png (left out for a module without the cut shader);
// and below them a tiled floor ("floor", shader "floor-shader", object "floor-1"): the tile
// shader with the four example textures (examples/textures), offset rows, random flips and
// turns, colour variation and noisy joints; at the floor's right the UV panel ("uv-panel",
// shader "uv-panel-shader" with its source "uv-panel-wood", object "uv-panel-1"): the wood
// texture through a perspective-like corner quad with bulge and wave.
// Every node is also named in `scene.named` (materials "<band>", shaders "<band>-shader",
// objects "<band>-<n>"). False with `error` set when the module lacks one of the three shaders.
bool BuildDemoScene(Host& host, Scene& scene, std::string& error);

}  // namespace ombrel::host

#endif
