#include "families.h"
#include "gradient.h"

namespace ombrel::host {
namespace {

int32_t KnotCount(const HostGradient* g) { return g ? static_cast<int32_t>(g->knots.size()) : 0; }
HostBool GetKnot(const HostGradient* g, int32_t index, HostGradientKnot* knot) {
  if (!g || !knot || index < 0 || static_cast<size_t>(index) >= g->knots.size()) return HOST_FALSE;
  *knot = g->knots[static_cast<size_t>(index)];
  return HOST_TRUE;
}
int32_t InsertKnot(HostGradient* g, const HostGradientKnot* knot) {
  if (!g || !knot) return -1;
  g->knots.push_back(*knot);
  return static_cast<int32_t>(g->knots.size()) - 1;
}
void RemoveAll(HostGradient* g) {
  if (g) g->knots.clear();
}
HostBool InitRender(HostGradient* g, const HostInitRender*) { return g && g->InitRender() ? HOST_TRUE : HOST_FALSE; }
HostVector Calc(const HostGradient* g, double position) { return g ? g->Calc(position) : HostVector{0, 0, 0}; }
void FreeRender(HostGradient* g) {
  if (g) g->FreeRender();
}

const HostGradientApi kGradients{sizeof(HostGradientApi), KnotCount, GetKnot,  InsertKnot, RemoveAll,
                                 InitRender,              Calc,      FreeRender};

}  // namespace

const HostGradientApi* GradientFamily() { return &kGradients; }

}  // namespace ombrel::host
