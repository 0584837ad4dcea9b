// The scene `ombrel-host render` draws when no scene file is named: a grid of objects that all
// use the colour-adjust shader, so that its per-object variation shows at a glance.
#ifndef OMBREL_HOST_DEMO_SCENE_H
#define OMBREL_HOST_DEMO_SCENE_H

#include <cstdint>
#include <string>

#include "core/host.h"
#include "core/scene.h"

namespace ombrel::host {

// The module's colour-adjust shader.
constexpr int32_t kColourAdjustShaderId = 1029019;

// Builds the demo scene in a new document of `host`, whose module must be loaded and started.
// Four bands, top to bottom, each with its own material:
//   "hue"      six objects (identities 1 to 6) varying only the hue of one base colour;
//   "tone"     six objects varying saturation and lightness;
//   "family"   two parent objects, each drawn as a frame behind three children, varying hue,
//              saturation, lightness, gamma and mixing in colours from a gradient: a child's
//              variation follows from its own identity and its parent's;
//   "polygons" one object of 2 × 16 polygons varying per group of two polygons.
// Every node is also named in `scene.named` (materials "<band>", shaders "<band>-shader",
// objects "<band>-<n>"). False with `error` set when the module has no colour-adjust shader.
bool BuildDemoScene(Host& host, Scene& scene, std::string& error);

}  // namespace ombrel::host

#endif
