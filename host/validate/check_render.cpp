// Levels 3, 4 and 8: a shader's render round trip with its defaults (finite samples, the sample
// record restored, nothing allocated), the same picture from two set-ups and from any number of
// threads, and every shader of the module sampled from every core at once.
#include <atomic>
#include <thread>

#include "sampling.h"

namespace ombrel::validate {

namespace {

// Sets up the shader of a scene; false after a failure when it cannot.
bool SetUp(CheckContext& c, const ShaderScene& s, host::RenderSession& session, const char* check) {
  session.Begin(s.scene);
  for (const auto& [shader, code] : session.Results()) {
    if (shader == s.shader && code != 0) {
      c.Fail(check, -1, "the render set-up with the defaults answered " + std::to_string(code));
      return false;
    }
  }
  return true;
}

bool Prepare(CheckContext& c, Subject& subject, ShaderScene& scene, const char* check) {
  std::string error;
  if (!subject.Load(c.options, error)) {
    c.Fail(check, -1, error);
    return false;
  }
  if (!BuildShaderScene(subject.Host(), c.plugin, scene)) {
    c.Fail(check, -1, "no node could be made: the allocator or Init failed");
    return false;
  }
  return true;
}

// Samples `points` on `threads` threads at once, each thread walking all of them from its own
// starting point, for `rounds` rounds; answers the indices whose colour differed from `reference`.
// `shaders` names the shader of each point.
std::vector<int64_t> SampleOnThreads(const std::vector<std::pair<const ShaderScene*, HostNode*>>& shaders,
                                     const host::RenderSession& session, const std::vector<SamplePoint>& points,
                                     const std::vector<HostVector>& reference, int threads, int rounds) {
  // Enough samples per thread that the threads overlap for a while even on a busy machine.
  constexpr int64_t kSamplesPerThread = 50000;
  if (!points.empty()) {
    const int64_t count = static_cast<int64_t>(points.size());
    const int64_t needed = (kSamplesPerThread + count - 1) / count;
    rounds = static_cast<int>(std::min<int64_t>(1000000, std::max<int64_t>(rounds, needed)));
  }
  std::vector<std::vector<int64_t>> differing(static_cast<size_t>(threads));
  std::atomic<int> ready{0};
  std::vector<std::thread> pool;
  const int64_t count = static_cast<int64_t>(points.size());
  for (int t = 0; t < threads; ++t) {
    pool.emplace_back([&, t] {
      // Every thread starts at once, so that their samples overlap.
      ready.fetch_add(1);
      while (ready.load() < threads) std::this_thread::yield();
      std::vector<int64_t>& mine = differing[static_cast<size_t>(t)];
      for (int round = 0; round < rounds; ++round) {
        const int64_t start = count * t / threads;
        for (int64_t k = 0; k < count; ++k) {
          const int64_t i = (start + k) % count;
          const auto& [scene, shader] = shaders[static_cast<size_t>(i)];
          const HostVector colour = SampleColour(*scene, session, shader, points[static_cast<size_t>(i)]);
          if (!SameBits(colour, reference[static_cast<size_t>(i)]) && mine.size() < 16) mine.push_back(i);
        }
      }
    });
  }
  for (std::thread& th : pool) th.join();
  std::vector<int64_t> all;
  for (const auto& d : differing) all.insert(all.end(), d.begin(), d.end());
  return all;
}

}  // namespace

void CheckRender(CheckContext& c) {
  Subject subject;
  ShaderScene scene;
  if (!Prepare(c, subject, scene, "render.set-up")) return;
  host::RenderSession session;
  if (!SetUp(c, scene, session, "render.set-up")) return;
  const int64_t first = c.options.caseNumber.value_or(0);
  const int64_t end = c.options.caseNumber ? first + 1 : c.budget.renderPoints;
  for (int64_t n = first; n < end; ++n) {
    if (!c.Runs(n)) continue;
    CaseRandom r(c.CaseSeed(n));
    const SamplePoint point = OrdinaryPoint(r);
    const SampleOutcome out = SampleOnce(scene, session, scene.shader, point, subject.Module());
    if (!Finite(out.colour) && !c.TooMany("render.finite")) {
      c.Fail("render.finite", n, "sample " + Text(out.colour) + " at " + Describe(point));
    }
    if (!out.changed.empty() && !c.TooMany("render.channel-data")) {
      c.Fail("render.channel-data", n, out.changed + " (" + Describe(point) + ")");
    }
    if ((out.moduleAllocations != 0 || out.newCalls != 0) && !c.TooMany("render.allocation")) {
      c.Fail("render.allocation", n,
             "a sample asked the host for " + std::to_string(out.moduleAllocations) + " blocks or objects and called operator new " +
                 std::to_string(out.newCalls) + " times");
    }
  }
  session.End();
}

void CheckDeterminism(CheckContext& c) {
  Subject subject;
  ShaderScene a, b;
  if (!Prepare(c, subject, a, "determinism.set-up")) return;
  if (!BuildShaderScene(subject.Host(), c.plugin, b, "second")) return;
  // Cases 0 .. K-1 are points compared between set-ups; case K is the comparison of one thread
  // with many over all K points, as a race shows only when the threads overlap.
  const int64_t pointCount = c.budget.determinismPoints;
  const int64_t threadCase = pointCount;
  const bool threadRun = !c.options.caseNumber || *c.options.caseNumber == threadCase;
  std::vector<SamplePoint> points;
  std::vector<int64_t> numbers;
  for (int64_t n = 0; n < pointCount; ++n) {
    const bool selected = !c.options.caseNumber || *c.options.caseNumber == n;
    if (!selected && !threadRun) continue;
    if (selected) c.Runs(n);
    CaseRandom r(c.CaseSeed(n));
    points.push_back(OrdinaryPoint(r));
    numbers.push_back(selected ? n : -1);
  }
  // Two set-ups of one node, and a second node with the same parameters.
  std::vector<HostVector> reference, again, other;
  {
    host::RenderSession session;
    if (!SetUp(c, a, session, "determinism.set-up")) return;
    for (const SamplePoint& p : points) reference.push_back(SampleColour(a, session, a.shader, p));
  }
  {
    host::RenderSession session;
    if (!SetUp(c, a, session, "determinism.set-up")) return;
    for (const SamplePoint& p : points) again.push_back(SampleColour(a, session, a.shader, p));
  }
  {
    host::RenderSession session;
    if (!SetUp(c, b, session, "determinism.set-up")) return;
    for (const SamplePoint& p : points) other.push_back(SampleColour(b, session, b.shader, p));
  }
  for (size_t i = 0; i < points.size(); ++i) {
    if (c.TooMany("determinism.set-ups")) break;
    if (numbers[i] < 0) continue;
    if (!SameBits(reference[i], again[i])) {
      c.Fail("determinism.set-ups", numbers[i],
             "a second set-up samples " + Text(again[i]) + ", the first " + Text(reference[i]) + " at " + Describe(points[i]));
    } else if (!SameBits(reference[i], other[i])) {
      c.Fail("determinism.set-ups", numbers[i],
             "a second node with the same parameters samples " + Text(other[i]) + ", the first " + Text(reference[i]) +
                 " at " + Describe(points[i]));
    }
  }
  // One thread against many, over the same points and the same set-up.
  if (!threadRun || !c.Runs(threadCase)) return;
  host::RenderSession session;
  if (!SetUp(c, a, session, "determinism.set-up")) return;
  std::vector<HostVector> single;
  for (const SamplePoint& p : points) single.push_back(SampleColour(a, session, a.shader, p));
  const std::vector<std::pair<const ShaderScene*, HostNode*>> each(points.size(), {&a, a.shader});
  const std::vector<int64_t> differing =
      SampleOnThreads(each, session, points, single, c.budget.threads, c.budget.determinismRounds);
  for (size_t i = 0; i < differing.size() && !c.TooMany("determinism.threads"); ++i) {
    const size_t k = static_cast<size_t>(differing[i]);
    c.Fail("determinism.threads", threadCase,
           "on " + std::to_string(c.budget.threads) + " threads the sample at " + Describe(points[k]) +
               " differs from the one thread's " + Text(single[k]));
  }
  c.note = std::to_string(c.budget.threads) + " threads";
}

void CheckConcurrency(CheckContext& c) {
  Subject subject;
  std::string error;
  if (!subject.Load(c.options, error)) {
    c.Fail("concurrency.set-up", -1, error);
    return;
  }
  // Every shader of the module in its own document, all set up at once as one render would.
  std::vector<std::unique_ptr<ShaderScene>> scenes;
  for (const auto& p : subject.Host().GetRegistry().Plugins()) {
    if (p->module != subject.Module() || p->pluginType != HOST_PLUGINTYPE_SHADER) continue;
    auto s = std::make_unique<ShaderScene>();
    if (BuildShaderScene(subject.Host(), p->id, *s, "concurrency " + std::to_string(p->id))) scenes.push_back(std::move(s));
  }
  if (scenes.empty()) {
    c.skipped = true;
    c.note = "no shaders";
    return;
  }
  std::vector<std::unique_ptr<host::RenderSession>> sessions;
  std::vector<std::pair<const ShaderScene*, HostNode*>> shaders;
  for (const auto& s : scenes) {
    sessions.push_back(std::make_unique<host::RenderSession>());
    sessions.back()->Begin(s->scene);
    shaders.emplace_back(s.get(), s->shader);
  }
  // Points of every shader interleaved; the sessions answer hits on their own scene's objects,
  // so each shader is sampled with the session of its scene.
  // One case: a race shows only over many points at once.
  if (!c.Runs(0)) return;
  std::vector<SamplePoint> points;
  std::vector<int64_t> numbers;
  const int64_t count = c.budget.determinismPoints * static_cast<int64_t>(scenes.size());
  for (int64_t n = 0; n < count; ++n) {
    CaseRandom r(c.CaseSeed(n));
    SamplePoint p = OrdinaryPoint(r);
    // Hits go without render objects here: each scene's session knows only its own objects.
    if (p.hit == Hit::OnObject) p.hit = Hit::WithoutObject;
    points.push_back(p);
    numbers.push_back(n);
  }
  std::vector<std::pair<const ShaderScene*, HostNode*>> each;
  std::vector<HostVector> single;
  for (size_t i = 0; i < points.size(); ++i) {
    each.push_back(shaders[static_cast<size_t>(numbers[i]) % shaders.size()]);
    single.push_back(SampleColour(*each.back().first, *sessions.front(), each.back().second, points[i]));
  }
  const std::vector<int64_t> differing =
      SampleOnThreads(each, *sessions.front(), points, single, c.budget.threads, c.budget.determinismRounds);
  for (size_t i = 0; i < differing.size() && !c.TooMany("concurrency.threads"); ++i) {
    const size_t k = static_cast<size_t>(differing[i]);
    const HostNode* shader = each[k].second;
    c.Fail("concurrency.threads", 0,
           "shader " + std::to_string(shader->type) + " sampled with every other shader on " +
               std::to_string(c.budget.threads) + " threads differs from one thread at " + Describe(points[k]));
  }
  for (auto& s : sessions) s->End();
  c.note = std::to_string(scenes.size()) + " shaders on " + std::to_string(c.budget.threads) + " threads";
}

}  // namespace ombrel::validate
