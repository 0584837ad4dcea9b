// The renderer: draws a scene's objects, as flat rectangles seen straight on, into a float
// picture, sampling each object's colour shader once per pixel on several threads.
#ifndef OMBREL_HOST_RENDERER_H
#define OMBREL_HOST_RENDERER_H

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/scene.h"
#include "core/image_source.h"

namespace ombrel::host {

class ProgressBar;

// Told when sampling starts and when it has ended, on the thread that called Render, with
// every shader set up: in between only the render threads run, and they only sample.
class RenderObserver {
 public:
  virtual ~RenderObserver() = default;
  virtual void SamplingStarts() {}
  virtual void SamplingEnded() {}
};

struct RenderOptions {
  int32_t width = 0;    // 0: the scene's width
  int32_t height = 0;   // 0: the scene's height
  int32_t threads = 0;  // 0: the scene's setting; when that is 0 too, one per core
  int32_t texflag = 0;  // handed to every sample
  bool progress = true;  // a progress bar on stderr, when stderr is a terminal
  ProgressBar* bar = nullptr;  // the command's bar, which also shows its other phases; null: one of the render's own
  RenderObserver* observer = nullptr;
};

struct RenderReport {
  int32_t width = 0;
  int32_t height = 0;
  int32_t threads = 0;   // render threads that ran
  double seconds = 0.0;  // set-up, sampling and release
  // Shaders whose render set-up answered non-zero, with the code. They were sampled all the
  // same: a shader drops the inputs that failed and renders without them.
  std::vector<std::pair<HostNode*, int32_t>> failedSetUps;
};

constexpr int32_t kMaxPictureSide = 16384;
constexpr int32_t kMaxRenderThreads = 256;
// What an object whose material has no colour shader (or that has no material) shows.
constexpr HostVector kNoShaderColour{0.8, 0.8, 0.8};

// Renders `scene` into `image` (resized to the picture size; scene-linear when the scene
// renders with a linear workflow). Each pixel centre is one sample of the topmost object
// that covers it, or the background. The result depends only on the scene: any thread count
// gives the same picture, bit for bit. False with `error` set when the picture cannot be
// made (bad size, no memory); a shader whose set-up fails does not stop the render.
//
// Each sample gets p = (u, v, 0) on the object's rectangle, n = (0, 0, 1), d = half a pixel
// in (u, v), t = the scene time, and a hit record whose hit point is the pixel centre in
// fractions of the picture: (x, y, 0) with (0, 0) the top left corner.
bool Render(const Scene& scene, const RenderOptions& options, FloatImage& image, RenderReport& report,
            std::string& error);

// "WxH" with whole numbers from 1 to kMaxPictureSide. False with a reason otherwise.
bool ParsePictureSize(std::string_view text, int32_t& width, int32_t& height, std::string& error);

// The threads a render uses for a request (0: every core), capped to [1, kMaxRenderThreads].
int32_t RenderThreadCount(int32_t requested);

}  // namespace ombrel::host

#endif
