// Sampling one shader at points given as text, outside any picture: the way to look at a
// shader's exact numbers.
#ifndef OMBREL_HOST_POINT_SAMPLER_H
#define OMBREL_HOST_POINT_SAMPLER_H

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string_view>
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
  // Flush the output after every answer, so a program on the other end of a pipe can write its
  // next point after reading the last answer.
  bool flushEachAnswer = false;
  // Called once the shader is set up, before the first line is read.
  std::function<void()> afterSetUp;
};

struct PointSampleReport {
  int32_t setUpCode = 0;  // what the shader's render set-up answered; sampling goes on regardless
  int64_t samples = 0;
};

// Longest input line accepted, in bytes: input is read a line at a time, in bounded memory.
constexpr size_t kMaxSampleLineBytes = 4096;

// One input line "u v w"; a blank line or one holding only a comment (from '#' to the end)
// sets `isPoint` false. False with `error` (without the line number) when the line is not
// three numbers; the error quotes the line with control bytes escaped.
bool ParseSamplePoint(std::string_view line, HostVector& point, bool& isPoint, std::string& error);

// Reads all lines as ParseSamplePoint does. False with `error` naming the line when a line is
// not three numbers or longer than kMaxSampleLineBytes.
bool ReadSamplePoints(std::istream& in, std::vector<HostVector>& points, std::string& error);

// Samples the shader between one render set-up and one release at the points read from `in`,
// answering each line as it arrives with "r g b" in 17 significant digits. A bad request is
// refused before anything is set up or written; a bad line stops the sampling there (the
// answers before it stand): false with `error` naming the line.
bool SamplePoints(const Scene& scene, const PointSampleRequest& request, std::istream& in, std::ostream& out,
                  PointSampleReport& report, std::string& error);

}  // namespace ombrel::host

#endif
