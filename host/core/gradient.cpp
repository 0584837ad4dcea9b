#include "gradient.h"

#include <algorithm>
#include <cmath>

std::unique_ptr<HostCustomData> HostGradient::Clone() const {
  auto copy = std::make_unique<HostGradient>();
  copy->knots = knots;
  return copy;
}

bool HostGradient::InitRender() {
  // A gradient without knots has no colour to give: its set-up fails.
  if (knots.empty()) {
    prepared = false;
    return false;
  }
  renderKnots = knots;
  std::stable_sort(renderKnots.begin(), renderKnots.end(),
                   [](const HostGradientKnot& a, const HostGradientKnot& b) { return a.position < b.position; });
  prepared = true;
  return true;
}

void HostGradient::FreeRender() {
  renderKnots.clear();
  prepared = false;
}

namespace {
HostVector KnotColour(const HostGradientKnot& k) {
  return HostVector{k.color.x * k.brightness, k.color.y * k.brightness, k.color.z * k.brightness};
}

double BiasCurve(double t, double bias) {
  if (!(bias > 0.0 && bias < 1.0) || bias == 0.5) return t;
  return std::pow(t, std::log(0.5) / std::log(bias));
}
}  // namespace

HostVector HostGradient::Calc(double position) const {
  if (knots.empty() && !prepared) return HostVector{0.0, 0.0, 0.0};
  if (!prepared) {
    // Outside a render (interface previews): work on a sorted copy.
    HostGradient sorted;
    sorted.knots = knots;
    sorted.InitRender();
    return sorted.Calc(position);
  }
  const std::vector<HostGradientKnot>& k = renderKnots;
  if (k.empty()) return HostVector{0.0, 0.0, 0.0};
  if (std::isnan(position)) position = 0.0;
  if (position <= k.front().position) return KnotColour(k.front());
  if (position >= k.back().position) return KnotColour(k.back());
  for (size_t i = 0; i + 1 < k.size(); ++i) {
    const HostGradientKnot& a = k[i];
    const HostGradientKnot& b = k[i + 1];
    if (position > b.position) continue;
    const double span = b.position - a.position;
    double t = span > 0.0 ? (position - a.position) / span : 1.0;
    t = BiasCurve(t, a.bias);
    const HostVector ca = KnotColour(a);
    const HostVector cb = KnotColour(b);
    return HostVector{ca.x + (cb.x - ca.x) * t, ca.y + (cb.y - ca.y) * t, ca.z + (cb.z - ca.z) * t};
  }
  return KnotColour(k.back());
}
