#include "render/point_sampler.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <istream>
#include <ostream>
#include <string_view>

#include "core/families.h"
#include "core/printable_text.h"
#include "render/render_session.h"

namespace ombrel::host {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

bool ParseNumber(std::string_view token, double& value) {
  if (!token.empty() && token.front() == '+') token.remove_prefix(1);
  if (token.empty()) return false;
  const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
  return ec == std::errc() && end == token.data() + token.size();
}

std::string Shown(std::string_view line) {
  constexpr size_t kMax = 60;
  return PrintableText(line.size() <= kMax ? line : line.substr(0, kMax)) + (line.size() <= kMax ? "" : "...");
}

// Reads one line without its end; answers false at the end of the input. A line longer than
// `max` bytes stops the reading at once through `tooLong`: a stream without line ends must not
// grow memory or keep the caller waiting for an answer that cannot come.
bool ReadLine(std::istream& in, std::string& line, size_t max, bool& tooLong) {
  line.clear();
  tooLong = false;
  std::streambuf* buffer = in.rdbuf();
  bool any = false;
  for (;;) {
    const int c = buffer->sbumpc();
    if (c == std::char_traits<char>::eof()) {
      in.setstate(std::ios::eofbit);
      return any;
    }
    any = true;
    if (c == '\n') return true;
    if (line.size() == max) {
      tooLong = true;
      return true;
    }
    line += static_cast<char>(c);
  }
}

// Reads and parses lines until a point, the end of the input or a bad line.
enum class NextPoint { Point, End, Bad };
NextPoint ReadNextPoint(std::istream& in, int64_t& number, HostVector& point, std::string& line, std::string& error) {
  bool tooLong = false;
  while (ReadLine(in, line, kMaxSampleLineBytes, tooLong)) {
    ++number;
    if (tooLong) {
      error = "line " + std::to_string(number) + ": longer than " + std::to_string(kMaxSampleLineBytes) + " bytes";
      return NextPoint::Bad;
    }
    bool isPoint = false;
    if (!ParseSamplePoint(line, point, isPoint, error)) {
      error = "line " + std::to_string(number) + ": " + error;
      return NextPoint::Bad;
    }
    if (isPoint) return NextPoint::Point;
  }
  if (in.bad()) {
    error = "line " + std::to_string(number + 1) + ": the input could not be read";
    return NextPoint::Bad;
  }
  return NextPoint::End;
}

}  // namespace

bool ParseSamplePoint(std::string_view line, HostVector& point, bool& isPoint, std::string& error) {
  isPoint = false;
  std::string_view rest(line);
  if (const size_t hash = rest.find('#'); hash != std::string_view::npos) rest = rest.substr(0, hash);
  double values[3];
  int count = 0;
  bool bad = false;
  while (!rest.empty()) {
    size_t start = 0;
    while (start < rest.size() && IsSpace(rest[start])) ++start;
    rest.remove_prefix(start);
    if (rest.empty()) break;
    size_t end = 0;
    while (end < rest.size() && !IsSpace(rest[end])) ++end;
    if (count == 3 || !ParseNumber(rest.substr(0, end), values[count])) {
      bad = true;
      break;
    }
    ++count;
    rest.remove_prefix(end);
  }
  if (count == 0 && !bad) return true;
  if (bad || count != 3) {
    error = "expected three numbers \"u v w\", got \"" + Shown(line) + "\"";
    return false;
  }
  point = HostVector{values[0], values[1], values[2]};
  isPoint = true;
  return true;
}

bool ReadSamplePoints(std::istream& in, std::vector<HostVector>& points, std::string& error) {
  int64_t number = 0;
  HostVector point{};
  std::string line;
  for (;;) {
    switch (ReadNextPoint(in, number, point, line, error)) {
      case NextPoint::Point: points.push_back(point); break;
      case NextPoint::End: return true;
      case NextPoint::Bad: return false;
    }
  }
}

bool SamplePoints(const Scene& scene, const PointSampleRequest& request, std::istream& in, std::ostream& out,
                  PointSampleReport& report, std::string& error) {
  report = PointSampleReport{};
  if (!request.shader || request.shader->kind != NodeKind::Shader) {
    error = "no shader to sample";
    return false;
  }
  const HostNode* object = request.object;
  if (object && object->kind != NodeKind::Object) {
    error = "\"" + object->name + "\" is not an object";
    return false;
  }
  if (object && object->document != scene.document) {
    error = "object \"" + object->name + "\" is not part of the scene's document";
    return false;
  }
  if (request.polygon && !object) {
    error = "a polygon number needs an object";
    return false;
  }
  if (request.polygon) {
    const int64_t polygons = static_cast<int64_t>(std::max(1, object->geometry.rows)) * std::max(1, object->geometry.columns);
    if (*request.polygon < 0 || *request.polygon >= polygons) {
      error = "polygon " + std::to_string(*request.polygon) + ": object \"" + object->name + "\" has polygons 0 to " +
              std::to_string(polygons - 1);
      return false;
    }
  }
  RenderSession session;
  session.BeginShader(scene, request.shader);
  for (const auto& [shader, code] : session.Results()) {
    if (shader == request.shader) report.setUpCode = code;
  }
  if (object && !session.RayObjectOf(object)) {
    error = "object \"" + object->name + "\" is not part of the scene's document";
    return false;
  }
  if (request.afterSetUp) request.afterSetUp();

  char text[3 * 32];
  int64_t number = 0;
  HostVector p{};
  std::string line;
  for (;;) {
    const NextPoint next = ReadNextPoint(in, number, p, line, error);
    if (next == NextPoint::Bad) {
      out.flush();
      return false;
    }
    if (next == NextPoint::End) break;
    HostVolume vd;
    HostChannelData cd{};
    cd.p = p;
    cd.n = HostVector{0.0, 0.0, 1.0};
    cd.t = scene.settings.time;
    cd.texflag = request.texflag;
    if (object) {
      const ObjectGeometry& g = object->geometry;
      const HostVector hit{g.left + p.x * (g.right - g.left), g.top + p.y * (g.bottom - g.top), 0.0};
      vd = request.polygon ? session.HitOnPolygon(object, *request.polygon, p.x, p.y, hit)
                           : session.HitOn(object, p.x, p.y, hit);
      cd.vd = &vd;
      cd.p = HostVector{g.U(p.x), g.V(p.y), p.z};
    }
    const HostVector c = ShaderFamily()->sample(request.shader, &cd);
    std::snprintf(text, sizeof text, "%.17g %.17g %.17g\n", c.x, c.y, c.z);
    out << text;
    if (request.flushEachAnswer) out.flush();
    ++report.samples;
  }
  session.End();
  out.flush();
  return true;
}

}  // namespace ombrel::host
