// Samples as the validator hands them to shaders: a point, a filter delta, texture flags and a
// volume record of one of several kinds, built from a case's random numbers.
#ifndef OMBREL_HOST_VALIDATE_SAMPLING_H
#define OMBREL_HOST_VALIDATE_SAMPLING_H

#include <string>
#include <vector>

#include "check_context.h"
#include "render/render_session.h"

namespace ombrel::validate {

enum class Hit {
  None,             // no volume record
  OnObject,         // a hit on one of the scene's objects, on the polygon under (u, v)
  OnPolygon,        // on a given polygon number, which may be negative or past the last
  WithoutObject,    // a hit that resolves to no render object
  SourcelessObject, // a render object that names no scene object
};

struct SamplePoint {
  HostVector p{0, 0, 0};
  HostVector d{0, 0, 0};
  HostVector hitPoint{0, 0, 0};
  int32_t texflag = 0;
  Hit hit = Hit::None;
  int object = 0;
  int32_t polygon = 0;
};

// An ordinary sample: a point around the unit square, a hit on an object or none, plain flags.
SamplePoint OrdinaryPoint(CaseRandom& r);
// Anything a host might hand over: NaN, infinite and huge coordinates, odd hits, random flags.
SamplePoint HostilePoint(CaseRandom& r);
bool FinitePoint(const SamplePoint& s);
std::string Describe(const SamplePoint& s);

// What one sample did.
struct SampleOutcome {
  HostVector colour{0, 0, 0};
  std::string changed;  // the first field of the record the shader did not restore, or empty
  int64_t moduleAllocations = 0;  // blocks and host objects the module asked for during the sample
  int64_t newCalls = 0;           // operator new calls on this thread during the sample
};

// Samples `shader` of the scene set up in `session`. With `count` the allocations are counted
// (single-threaded callers only: the ledger is the module's).
SampleOutcome SampleOnce(const ShaderScene& scene, const host::RenderSession& session, HostNode* shader,
                         const SamplePoint& s, HostModule* count = nullptr);

// The colour only, for the thread comparisons.
HostVector SampleColour(const ShaderScene& scene, const host::RenderSession& session, HostNode* shader,
                        const SamplePoint& s);

}  // namespace ombrel::validate

#endif
