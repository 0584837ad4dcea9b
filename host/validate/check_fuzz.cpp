// Level 5 and up: seeded parameter sets for a shader, from its description: values at, inside
// and beyond the limits, the special values of each type, empty, self and cyclic links, and
// gradients of 0, 1 and 100 knots. Each set is set up, sampled at ordinary and hostile points
// and released; nothing may crash, a finite set at finite points samples finite colours, every
// sample restores its record and allocates nothing, and the set gives back what it took.
#include <cfloat>
#include <climits>
#include <cmath>
#include <functional>
#include <limits>

#include "core/builtin_shaders.h"
#include "core/gradient.h"
#include "core/live_description.h"
#include "sampling.h"

namespace ombrel::validate {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct FuzzedSet {
  bool finite = true;     // every real written is finite
  std::string changes;    // what was written, for the failure line
  void Note(const host::DescElement& e, const std::string& what) {
    if (changes.size() < 600) changes += (changes.empty() ? "" : ", ") + std::to_string(e.id) + "=" + what;
  }
};

// A real in the units the user sees, then stored: at, inside or beyond the limits, or one of
// the special values.
double FuzzReal(CaseRandom& r, const host::DescElement& e, FuzzedSet& set) {
  const double lo = e.min ? *e.min : (e.minSlider ? *e.minSlider : -1000.0);
  const double hi = e.max ? *e.max : (e.maxSlider ? *e.maxSlider : 1000.0);
  const double span = std::max(1.0, hi - lo);
  const double scale = e.UnitScale() != 0.0 ? e.UnitScale() : 1.0;
  switch (r.Range(0, 9)) {
    case 0: return lo / scale;
    case 1: return hi / scale;
    case 2: case 3: return (lo + (hi - lo) * r.Unit()) / scale;
    case 4: return (lo - span * (0.01 + 10.0 * r.Unit())) / scale;
    case 5: return (hi + span * (0.01 + 10.0 * r.Unit())) / scale;
    case 6: return r.Chance(0.5) ? 0.0 : -0.0;
    default: {
      static const std::vector<double> kSpecial = {kNaN, kInf, -kInf, 1e308, -1e308, DBL_MAX, -DBL_MAX,
                                                   4.9e-324, -4.9e-324, DBL_MIN / 4, 1e-300, -1e-300};
      const double v = r.Pick(kSpecial);
      if (!std::isfinite(v)) set.finite = false;
      return v;
    }
  }
}

int32_t FuzzInt(CaseRandom& r, const host::DescElement& e) {
  const double lo = e.min ? *e.min : -1000.0;
  const double hi = e.max ? *e.max : 1000.0;
  switch (r.Range(0, 9)) {
    case 0: return static_cast<int32_t>(std::max<double>(INT32_MIN, lo));
    case 1: return static_cast<int32_t>(std::min<double>(INT32_MAX, hi));
    case 2: return static_cast<int32_t>(std::clamp(lo + std::floor((hi - lo + 1.0) * r.Unit()), double(INT32_MIN), double(INT32_MAX)));
    case 3: return static_cast<int32_t>(std::max<double>(INT32_MIN, lo - 1.0 - static_cast<double>(r.Range(0, 100))));
    case 4: return static_cast<int32_t>(std::min<double>(INT32_MAX, hi + 1.0 + static_cast<double>(r.Range(0, 100))));
    case 5: return INT32_MIN;
    case 6: return INT32_MAX;
    case 7:
      if (!e.cycle.empty()) return r.Pick(e.cycle).first;
      return static_cast<int32_t>(r.Range(-1, 2));
    case 8: return static_cast<int32_t>(static_cast<uint32_t>(r.Next()));
    default: return 0;
  }
}

void FuzzGradient(CaseRandom& r, HostData& value, FuzzedSet& set, const host::DescElement& e) {
  auto gradient = std::make_unique<HostGradient>();
  static const int kKnots[] = {0, 1, 100, 2, 3};
  const int knots = kKnots[r.Range(0, 4)];
  for (int k = 0; k < knots; ++k) {
    HostGradientKnot knot{};
    const bool odd = r.Chance(0.1);
    auto component = [&]() {
      if (!odd) return r.Unit();
      // The host multiplies a knot's colour by its brightness: odd values stay small enough
      // that the host's own product cannot overflow, so a NaN found is the shader's.
      static const std::vector<double> kOdd = {kNaN, kInf, -1.0, 2.0, 1e6, -0.0};
      const double v = r.Pick(kOdd);
      if (!std::isfinite(v)) set.finite = false;
      return v;
    };
    knot.color = HostVector{component(), component(), component()};
    knot.brightness = odd ? component() : 1.0;
    knot.position = r.Chance(0.1) ? component() * 3.0 - 1.0 : r.Unit();
    knot.bias = r.Chance(0.2) ? component() : 0.5;
    if (!std::isfinite(knot.position) || !std::isfinite(knot.bias)) set.finite = false;
    knot.index = static_cast<int32_t>(r.Range(-2, 200));
    gradient->knots.push_back(knot);
  }
  value = HostData();
  value.type = HOST_DA_CUSTOM;
  value.custom = std::move(gradient);
  set.Note(e, std::to_string(knots) + " knots");
}

// Shaders a link may point at: the host's colour shader, one that answers the sample point, a
// node of the same type whose own link leads back (a cycle), the shader itself, or nothing.
struct LinkTargets {
  HostNode* self = nullptr;
  HostNode* colour = nullptr;
  HostNode* uv = nullptr;
  // Same type; its link of the same ID points back at `self`. Made when a cycle is drawn: a
  // node may be large, and most sets need none.
  std::function<HostNode*()> partner;
};

void FuzzLink(CaseRandom& r, HostContainer& data, const host::DescElement& e, const LinkTargets& t, FuzzedSet& set) {
  switch (r.Range(0, 6)) {
    case 0: data.Remove(e.id); set.Note(e, "absent"); return;
    case 1: data.Slot(e.id) = HostData(); data.Slot(e.id).type = HOST_DA_LINK; set.Note(e, "empty link"); return;
    case 2: {
      HostData& d = data.Slot(e.id);
      d = HostData();
      d.type = HOST_DA_LINK;
      d.linkSerial = t.self->serial;
      set.Note(e, "itself");
      return;
    }
    case 3:
      if (HostNode* partner = t.partner()) {
        HostData& d = data.Slot(e.id);
        d = HostData();
        d.type = HOST_DA_LINK;
        d.linkSerial = partner->serial;
        HostData& back = partner->data.Slot(e.id);
        back = HostData();
        back.type = HOST_DA_LINK;
        back.linkSerial = t.self->serial;
        set.Note(e, "a cycle through a second node");
        return;
      }
      [[fallthrough]];
    case 4: {
      HostData& d = data.Slot(e.id);
      d = HostData();
      d.type = HOST_DA_LINK;
      d.linkSerial = t.uv->serial;
      set.Note(e, "the uv shader");
      return;
    }
    default: {
      HostData& d = data.Slot(e.id);
      d = HostData();
      d.type = HOST_DA_LINK;
      d.linkSerial = t.colour->serial;
      set.Note(e, "a colour shader");
      return;
    }
  }
}

std::string Number(double v) { return Text(v); }

void FuzzParameters(CaseRandom& r, const HostDescription& description, HostNode* node, const LinkTargets& links,
                    FuzzedSet& set) {
  for (const HostDescription::Entry& entry : description.entries) {
    const host::DescElement& e = entry.element;
    if (!e.origin.empty() || entry.id.depth != 1 || e.id == 0) continue;
    if (!r.Chance(0.7)) continue;
    HostContainer& data = node->data;
    if (e.kind == "REAL") {
      HostData& d = data.Slot(e.id);
      d = HostData();
      d.type = HOST_DA_REAL;
      d.real = FuzzReal(r, e, set);
      set.Note(e, Number(d.real));
    } else if (e.kind == "LONG" || e.kind == "BOOL") {
      HostData& d = data.Slot(e.id);
      d = HostData();
      d.type = HOST_DA_LONG;
      d.i32 = e.kind == "BOOL" && r.Chance(0.7) ? static_cast<int32_t>(r.Range(0, 1)) : FuzzInt(r, e);
      set.Note(e, std::to_string(d.i32));
    } else if (e.kind == "VECTOR" || e.kind == "COLOR") {
      HostData& d = data.Slot(e.id);
      d = HostData();
      d.type = HOST_DA_VECTOR;
      d.vec = HostVector{FuzzReal(r, e, set), FuzzReal(r, e, set), FuzzReal(r, e, set)};
      set.Note(e, Text(d.vec));
    } else if (e.kind == "SHADERLINK" || e.kind == "LINK") {
      FuzzLink(r, data, e, links, set);
    } else if (e.kind == "GRADIENT") {
      FuzzGradient(r, data.Slot(e.id), set, e);
    } else if (e.kind == "STRING") {
      HostData& d = data.Slot(e.id);
      d = HostData();
      d.type = HOST_DA_STRING;
      d.text = r.Chance(0.5) ? std::string() : std::string("\xff\x01 name/../", 12);
      set.Note(e, "a string");
    }
  }
}

HostNode* AddChild(host::Host& h, HostNode* under, int32_t type) {
  std::unique_ptr<HostNode> node = host::CreateShader(h.GetRegistry(), type);
  return node ? host::InsertShader(under, std::move(node), nullptr) : nullptr;
}

}  // namespace

void CheckFuzz(CheckContext& c) {
  Subject subject;
  std::string error;
  if (!subject.Load(c.options, error)) {
    c.Fail("fuzz.set-up", -1, error);
    return;
  }
  host::Host& h = subject.Host();
  std::unique_ptr<HostDescription> description;
  {
    ShaderScene probe;
    if (!BuildShaderScene(h, c.plugin, probe)) {
      c.Fail("fuzz.set-up", -1, "no node could be made: the allocator or Init failed");
      return;
    }
    description = host::LiveDescriptionOf(probe.shader, h.GetRegistry());
    h.FreeDocuments();
  }
  if (!description) return;
  const int64_t first = c.options.caseNumber.value_or(0);
  const int64_t end = c.options.caseNumber ? first + 1 : c.budget.fuzzSets;
  int64_t samples = 0;
  for (int64_t n = first; n < end; ++n) {
    if (!c.Runs(n)) continue;
    CaseRandom r(c.CaseSeed(n));
    const host::LedgerSnapshot before = subject.Module()->ledger.Snapshot();
    {
      ShaderScene scene;
      if (!BuildShaderScene(h, c.plugin, scene)) {
        c.Fail("fuzz.set-up", n, "no node could be made: the allocator or Init failed");
        h.FreeDocuments();
        continue;
      }
      LinkTargets links;
      links.self = scene.shader;
      links.colour = AddChild(h, scene.shader, host::kColorShaderType);
      if (links.colour) {
        links.colour->data.Slot(1000).type = HOST_DA_VECTOR;
        links.colour->data.Slot(1000).vec = HostVector{r.Unit(), r.Unit(), r.Unit()};
      }
      links.uv = AddChild(h, scene.shader, host::kUvShaderType);
      HostNode* partner = nullptr;
      links.partner = [&]() {
        if (!partner) partner = AddChild(h, scene.shader, c.plugin);
        return partner;
      };
      FuzzedSet set;
      FuzzParameters(r, *description, scene.shader, links, set);
      host::RenderSession session;
      session.Begin(scene.scene);
      for (int k = 0; k < c.budget.pointsPerSet; ++k) {
        // The first points are ordinary, so that every set is also sampled where it must be finite.
        const SamplePoint point = k < 2 ? OrdinaryPoint(r) : HostilePoint(r);
        const SampleOutcome out = SampleOnce(scene, session, scene.shader, point, subject.Module());
        ++samples;
        if (set.finite && FinitePoint(point) && !Finite(out.colour) && !c.TooMany("fuzz.finite")) {
          c.Fail("fuzz.finite", n, "sample " + Text(out.colour) + " at " + Describe(point) + " with " + set.changes);
          break;
        }
        if (!out.changed.empty() && !c.TooMany("fuzz.channel-data")) {
          c.Fail("fuzz.channel-data", n, out.changed + " (" + Describe(point) + ") with " + set.changes);
          break;
        }
        if ((out.moduleAllocations != 0 || out.newCalls != 0) && !c.TooMany("fuzz.allocation")) {
          c.Fail("fuzz.allocation", n,
                 "a sample asked for " + std::to_string(out.moduleAllocations) + " blocks or objects and called operator new " +
                     std::to_string(out.newCalls) + " times with " + set.changes);
          break;
        }
      }
      session.End();
      h.FreeDocuments();
      h.Log().clear();
      h.SetUpFailures().clear();
    }
    const host::LedgerSnapshot after = subject.Module()->ledger.Snapshot();
    if ((after.liveBlocks != before.liveBlocks || after.liveHandles != before.liveHandles) && !c.TooMany("fuzz.leak")) {
      c.Fail("fuzz.leak", n,
             "after the set's nodes were freed the module holds " + std::to_string(after.liveBlocks - before.liveBlocks) +
                 " more blocks and " + std::to_string(after.liveHandles - before.liveHandles) + " more host objects");
    }
  }
  c.note = std::to_string(c.casesRun) + " sets, " + std::to_string(samples) + " samples";
}

}  // namespace ombrel::validate
