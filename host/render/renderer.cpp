#include "render/renderer.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cmath>
#include <new>
#include <system_error>
#include <thread>

#include "core/families.h"
#include "render/progress_bar.h"
#include "render/render_session.h"

namespace ombrel::host {

namespace {

// One object as the sampling threads see it: everything is worked out before they start, so
// a sample only compares integers and calls its shader.
struct DrawItem {
  const HostNode* object = nullptr;
  HostNode* shader = nullptr;
  int32_t x0 = 0, x1 = 0, y0 = 0, y1 = 0;  // pixels whose centre lies inside: [x0, x1) × [y0, y1)
  double left = 0.0, top = 0.0, width = 1.0, height = 1.0;  // in fractions of the picture
  double du = 0.0, dv = 0.0;  // half a pixel in u and v
};

double Centre(int32_t i, int32_t n) { return (i + 0.5) / n; }

// The first pixel whose centre lies at or beyond `edge` (n when none does). Pixel centres
// are computed the same way here and when sampling, so coverage and u, v agree exactly.
int32_t FirstCentreAtOrAfter(double edge, int32_t n) {
  const double guess = std::ceil(edge * n - 0.5);
  int32_t i = guess <= 0.0 ? 0 : (guess >= n ? n : static_cast<int32_t>(guess));
  while (i > 0 && Centre(i - 1, n) >= edge) --i;
  while (i < n && Centre(i, n) < edge) ++i;
  return i;
}

struct Plan {
  const RenderSession* session = nullptr;
  std::vector<DrawItem> items;  // drawing order: later items cover earlier ones
  int32_t width = 0, height = 0;
  HostVector background{0, 0, 0};
  double time = 0.0;
  int32_t texflag = 0;
};

bool MakeItem(HostNode* object, int32_t width, int32_t height, DrawItem& item) {
  const ObjectGeometry& g = object->geometry;
  const bool finite = std::isfinite(g.left) && std::isfinite(g.right) && std::isfinite(g.top) && std::isfinite(g.bottom);
  // An object with no area, or with edges that are not numbers, covers nothing.
  if (!finite || !(g.right > g.left) || !(g.bottom > g.top)) return false;
  item.object = object;
  item.shader = RenderSession::ShaderOf(object);
  item.left = g.left;
  item.top = g.top;
  item.width = g.right - g.left;
  item.height = g.bottom - g.top;
  item.x0 = FirstCentreAtOrAfter(g.left, width);
  item.x1 = FirstCentreAtOrAfter(g.right, width);
  item.y0 = FirstCentreAtOrAfter(g.top, height);
  item.y1 = FirstCentreAtOrAfter(g.bottom, height);
  item.du = 0.5 / (item.width * width);
  item.dv = 0.5 / (item.height * height);
  return item.x1 > item.x0 && item.y1 > item.y0;
}

void RenderRow(const Plan& plan, int32_t y, float* out) {
  const double py = Centre(y, plan.height);
  const DrawItem* first = plan.items.data();
  const DrawItem* last = first + plan.items.size();
  for (int32_t x = 0; x < plan.width; ++x, out += 3) {
    const DrawItem* hit = nullptr;
    for (const DrawItem* it = last; it != first;) {
      --it;
      if (x >= it->x0 && x < it->x1 && y >= it->y0 && y < it->y1) {
        hit = it;
        break;
      }
    }
    HostVector c = plan.background;
    if (hit && !hit->shader) {
      c = kNoShaderColour;
    } else if (hit) {
      const double px = Centre(x, plan.width);
      const double u = (px - hit->left) / hit->width;
      const double v = (py - hit->top) / hit->height;
      HostVolume vd = plan.session->HitOn(hit->object, u, v, HostVector{px, py, 0.0});
      HostChannelData cd{};
      cd.p = HostVector{hit->object->geometry.U(u), hit->object->geometry.V(v), 0.0};
      cd.n = HostVector{0.0, 0.0, 1.0};
      cd.d = HostVector{hit->du, hit->dv, 0.0};
      cd.t = plan.time;
      cd.texflag = plan.texflag;
      cd.vd = &vd;
      c = ShaderFamily()->sample(hit->shader, &cd);
    }
    out[0] = static_cast<float>(c.x);
    out[1] = static_cast<float>(c.y);
    out[2] = static_cast<float>(c.z);
  }
}

// Waits until `value` no longer holds `old`. MinGW's GCC 12 library has no native wait for
// atomics and its fallback can miss a notification and block for ever (GCC bug 106183, mended in
// GCC 13), so there the value is polled instead.
template <typename T>
void WaitWhileEqual(const std::atomic<T>& value, T old) {
#if defined(__MINGW32__)
  while (value.load() == old) std::this_thread::sleep_for(std::chrono::microseconds(100));
#else
  value.wait(old);
#endif
}

// Runs the sampling on `threadCount` threads, each taking the next row from a shared counter.
// The threads are started and parked before the observer hears that sampling starts, so the
// sampling phase holds nothing but sampling. Answers the number of threads that ran.
int32_t SampleRows(const Plan& plan, FloatImage& image, int32_t threadCount, ProgressBar& bar, RenderObserver* observer) {
  std::atomic<int32_t> nextRow{0};
  std::atomic<int32_t> rowsDone{0};
  std::atomic<int32_t> parked{0};
  std::atomic<int32_t> running{0};
  std::atomic<bool> go{false};

  auto work = [&]() {
    parked.fetch_add(1);
    parked.notify_one();
    WaitWhileEqual(go, false);
    for (int32_t y = nextRow.fetch_add(1, std::memory_order_relaxed); y < plan.height;
         y = nextRow.fetch_add(1, std::memory_order_relaxed)) {
      RenderRow(plan, y, image.Pixel(0, y));
      rowsDone.fetch_add(1, std::memory_order_relaxed);
    }
    if (running.fetch_sub(1) == 1) running.notify_all();
  };

  std::vector<std::thread> threads;
  threads.reserve(static_cast<size_t>(threadCount));
  for (int32_t i = 0; i < threadCount; ++i) {
    try {
      threads.emplace_back(work);
    } catch (const std::system_error&) {
      break;  // the threads that did start share all rows between them
    }
  }
  const auto started = static_cast<int32_t>(threads.size());
  if (started == 0) {
    // No thread could be had: sample on this one.
    running.store(1);
    go.store(true);
    if (observer) observer->SamplingStarts();
    work();
    if (observer) observer->SamplingEnded();
    return 1;
  }
  running.store(started);
  for (int32_t n = parked.load(); n < started; n = parked.load()) WaitWhileEqual(parked, n);

  if (observer) observer->SamplingStarts();
  go.store(true);
  go.notify_all();
  if (bar.Drawing()) {
    bar.Progress("rendering", 0, plan.height);
    while (running.load() != 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      bar.Progress("rendering", rowsDone.load(std::memory_order_relaxed), plan.height);
    }
    // The last rows may end between the reading above and the loop's test: the bar ends full.
    bar.Progress("rendering", rowsDone.load(), plan.height);
  } else {
    for (int32_t n = running.load(); n != 0; n = running.load()) WaitWhileEqual(running, n);
  }
  if (observer) observer->SamplingEnded();

  for (auto& t : threads) t.join();
  return started;
}

}  // namespace

int32_t RenderThreadCount(int32_t requested) {
  int64_t n = requested;
  if (n <= 0) n = std::thread::hardware_concurrency();
  return static_cast<int32_t>(std::clamp<int64_t>(n, 1, kMaxRenderThreads));
}

bool ParsePictureSize(std::string_view text, int32_t& width, int32_t& height, std::string& error) {
  auto fail = [&]() {
    error = "picture size \"" + std::string(text) + "\": expected WIDTHxHEIGHT with whole numbers from 1 to " +
            std::to_string(kMaxPictureSide) + " (for example 640x480)";
    return false;
  };
  const size_t x = text.find_first_of("xX");
  if (x == std::string_view::npos) return fail();
  auto number = [](std::string_view part, int32_t& value) {
    if (part.empty() || part.size() > 6) return false;
    for (char c : part) {
      if (c < '0' || c > '9') return false;
    }
    const auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
    return ec == std::errc() && end == part.data() + part.size() && value >= 1 && value <= kMaxPictureSide;
  };
  int32_t w = 0, h = 0;
  if (!number(text.substr(0, x), w) || !number(text.substr(x + 1), h)) return fail();
  width = w;
  height = h;
  return true;
}

bool Render(const Scene& scene, const RenderOptions& options, FloatImage& image, RenderReport& report,
            std::string& error) {
  const auto begin = std::chrono::steady_clock::now();
  report = RenderReport{};
  const int32_t width = options.width > 0 ? options.width : scene.settings.width;
  const int32_t height = options.height > 0 ? options.height : scene.settings.height;
  if (width < 1 || height < 1 || width > kMaxPictureSide || height > kMaxPictureSide) {
    error = "picture size " + std::to_string(width) + "x" + std::to_string(height) +
            ": width and height must be from 1 to " + std::to_string(kMaxPictureSide);
    return false;
  }
  const int32_t threads =
      std::min(RenderThreadCount(options.threads > 0 ? options.threads : scene.settings.threads), height);

  try {
    // Every pixel is written by the sampling, so a picture reused at the same size is not
    // cleared first.
    image.rgb.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
  } catch (const std::bad_alloc&) {
    error = "picture size " + std::to_string(width) + "x" + std::to_string(height) + ": not enough memory";
    return false;
  }
  image.width = width;
  image.height = height;
  image.linear = scene.settings.linearWorkflow;

  RenderSession session;
  Plan plan;
  plan.session = &session;
  plan.width = width;
  plan.height = height;
  plan.background = scene.settings.background;
  plan.time = scene.settings.time;
  plan.texflag = options.texflag;
  plan.items.reserve(scene.objects.size());
  for (HostNode* object : scene.objects) {
    DrawItem item;
    if (object && MakeItem(object, width, height, item)) plan.items.push_back(item);
  }

  // A bar of the render's own, unless the command shows its other phases on one too.
  ProgressBar own(options.progress && !options.bar);
  ProgressBar& bar = options.progress && options.bar ? *options.bar : own;
  // Shaders decode their pictures in their set-up, which can take as long as the sampling.
  bar.Phase("setting up shaders");
  session.Begin(scene);
  for (const auto& [shader, code] : session.Results()) {
    if (code != 0) report.failedSetUps.emplace_back(shader, code);
  }
  report.threads = SampleRows(plan, image, threads, bar, options.observer);
  bar.Phase("releasing shaders");
  session.End();
  own.Clear();

  report.width = width;
  report.height = height;
  report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  return true;
}

}  // namespace ombrel::host
