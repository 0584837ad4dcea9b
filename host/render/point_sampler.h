// Sampling one shader at points given as text, outside any picture: the way to look at a
// shader's exact numbers.
#ifndef OMBREL_HOST_POINT_SAMPLER_H
#define OMBREL_HOST_POINT_SAMPLER_H

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "core/scene.h"

namespace ombrel::host {

struct PointSampleRequest {
  HostNode* shader = nullptr;
  // With an object, every sample carries a hit on it: on `polygon` when given, else on the
  // polygon of its grid under (u, v). The hit point is (u, v) placed on the object's
  // rectangle, in fractions of the picture.
  const HostNode* object = nullptr;
  std::optional<int32_t> polygon;
  int32_t texflag = 0;
};

struct PointSampleReport {
  int32_t setUpCode = 0;  // what the shader's render set-up answered; sampling goes on regardless
  int64_t samples = 0;
};

// Reads lines "u v w" (blank lines and lines starting with '#' are skipped; anything after a
// '#' is a comment). False with `error` naming the line when a line is not three numbers.
bool ReadSamplePoints(std::istream& in, std::vector<HostVector>& points, std::string& error);

// Samples the shader at each point between one render set-up and one release, and writes
// "r g b" per point with 17 significant digits. Nothing is written when the input or the
// request is bad: false with `error` set.
bool SamplePoints(const Scene& scene, const PointSampleRequest& request, std::istream& in, std::ostream& out,
                  PointSampleReport& report, std::string& error);

}  // namespace ombrel::host

#endif
