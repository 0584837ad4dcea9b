#include "sampling.h"

#include <cfloat>
#include <cmath>
#include <limits>

#include "allocation_hook.h"
#include "core/families.h"

namespace ombrel::validate {

namespace {

double Special(CaseRandom& r) {
  static const std::vector<double> kValues = {std::numeric_limits<double>::quiet_NaN(),
                                              std::numeric_limits<double>::infinity(),
                                              -std::numeric_limits<double>::infinity(),
                                              1e308, -1e308, 1e18, -1e18, 4.9e-324, -4.9e-324, DBL_MIN / 2, -0.0,
                                              2147483648.0, -2147483649.0};
  return r.Pick(kValues);
}

double Coordinate(CaseRandom& r, bool hostile) {
  if (hostile && r.Chance(0.2)) return Special(r);
  return r.Unit() * 2.0 - 0.5;
}

}  // namespace

SamplePoint OrdinaryPoint(CaseRandom& r) {
  SamplePoint s;
  s.p = HostVector{Coordinate(r, false), Coordinate(r, false), r.Unit() - 0.5};
  s.d = HostVector{r.Unit() * 0.01, r.Unit() * 0.01, 0.0};
  s.hitPoint = HostVector{s.p.x, s.p.y, 0.0};
  s.texflag = r.Chance(0.5) ? 0 : static_cast<int32_t>(r.Range(0, 3));
  s.hit = r.Chance(0.6) ? Hit::OnObject : Hit::None;
  s.object = static_cast<int>(r.Range(0, 2));
  return s;
}

SamplePoint HostilePoint(CaseRandom& r) {
  SamplePoint s;
  s.p = HostVector{Coordinate(r, true), Coordinate(r, true), r.Chance(0.1) ? Special(r) : r.Unit() * 4.0 - 2.0};
  s.d = HostVector{r.Chance(0.1) ? Special(r) : r.Unit() * 0.1, r.Chance(0.1) ? Special(r) : r.Unit() * 0.1,
                   r.Chance(0.1) ? Special(r) : 0.0};
  s.hitPoint = HostVector{Coordinate(r, true), Coordinate(r, true), Coordinate(r, true)};
  // Random flags: tile and mirror bits, a channel in bits 6..9, and now and then every bit.
  s.texflag = r.Chance(0.2) ? static_cast<int32_t>(static_cast<uint32_t>(r.Next())) : static_cast<int32_t>(r.Range(0, 1023));
  const int64_t kind = r.Range(0, 9);
  s.hit = kind < 3 ? Hit::None : kind < 6 ? Hit::OnObject : kind < 8 ? Hit::OnPolygon : kind < 9 ? Hit::WithoutObject
                                                                                         : Hit::SourcelessObject;
  s.object = static_cast<int>(r.Range(0, 2));
  static const std::vector<int32_t> kPolygons = {-1, -7, 0, 5, 6, 1000000, std::numeric_limits<int32_t>::min(),
                                                 std::numeric_limits<int32_t>::max()};
  s.polygon = r.Pick(kPolygons);
  return s;
}

bool FinitePoint(const SamplePoint& s) { return Finite(s.p) && Finite(s.d) && Finite(s.hitPoint); }

std::string Describe(const SamplePoint& s) {
  static const char* kHits[] = {"no hit", "a hit on object", "a hit on polygon", "a hit without render object",
                                "a hit on a render object without source"};
  std::string text = "p " + Text(s.p) + ", texflag " + std::to_string(s.texflag) + ", " + kHits[static_cast<int>(s.hit)];
  if (s.hit == Hit::OnObject || s.hit == Hit::OnPolygon) text += " " + std::to_string(s.object);
  if (s.hit == Hit::OnPolygon || s.hit == Hit::WithoutObject || s.hit == Hit::SourcelessObject) {
    text += " polygon " + std::to_string(s.polygon);
  }
  return text;
}

namespace {

HostVolume VolumeFor(const ShaderScene& scene, const host::RenderSession& session, const SamplePoint& s) {
  const HostNode* object = scene.objects.empty() ? nullptr : scene.objects[static_cast<size_t>(s.object) % scene.objects.size()];
  switch (s.hit) {
    case Hit::OnObject: return session.HitOn(object, s.p.x, s.p.y, s.hitPoint);
    case Hit::OnPolygon: return session.HitOnPolygon(object, s.polygon, s.p.x, s.p.y, s.hitPoint);
    case Hit::WithoutObject: return session.HitWithoutRenderObject(s.polygon, s.p.x, s.p.y, s.hitPoint);
    case Hit::SourcelessObject: return session.HitOnRenderObject(nullptr, s.polygon, s.p.x, s.p.y, s.hitPoint);
    case Hit::None: break;
  }
  return HostVolume{};
}

HostChannelData Record(const SamplePoint& s, HostVolume* vd) {
  HostChannelData cd{};
  cd.p = s.p;
  cd.n = HostVector{0.0, 0.0, 1.0};
  cd.d = s.d;
  cd.t = 0.25;
  cd.texflag = s.texflag;
  cd.vd = s.hit == Hit::None ? nullptr : vd;
  return cd;
}

}  // namespace

SampleOutcome SampleOnce(const ShaderScene& scene, const host::RenderSession& session, HostNode* shader,
                         const SamplePoint& s, HostModule* count) {
  SampleOutcome out;
  HostVolume vd = VolumeFor(scene, session, s);
  const HostVolume vdBefore = vd;
  HostChannelData cd = Record(s, &vd);
  const HostChannelData before = cd;
  host::LedgerSnapshot ledgerBefore;
  int64_t newBefore = 0;
  if (count) {
    ledgerBefore = count->ledger.Snapshot();
    newBefore = CountedNew();
    StartCountingNew();
  }
  out.colour = host::ShaderFamily()->sample(shader, &cd);
  if (count) {
    StopCountingNew();
    out.newCalls = CountedNew() - newBefore;
    const host::LedgerSnapshot after = count->ledger.Snapshot();
    out.moduleAllocations =
        (after.totalAllocations - ledgerBefore.totalAllocations) + (after.totalHandles - ledgerBefore.totalHandles);
  }
  out.changed = ChannelDataChange(before, cd);
  if (out.changed.empty()) out.changed = VolumeChange(vdBefore, vd);
  return out;
}

HostVector SampleColour(const ShaderScene& scene, const host::RenderSession& session, HostNode* shader,
                        const SamplePoint& s) {
  HostVolume vd = VolumeFor(scene, session, s);
  HostChannelData cd = Record(s, &vd);
  return host::ShaderFamily()->sample(shader, &cd);
}

}  // namespace ombrel::validate
