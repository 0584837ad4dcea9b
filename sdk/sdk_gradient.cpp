#include "sdk_gradient.h"

#include "sdk_host.h"
#include "sdk_render.h"

namespace {
const HostGradientApi* Api() { return SdkHost()->gradients; }
}  // namespace

LONG Gradient::GetKnotCount() const { return Api()->knotCount(Host()); }

GradientKnot Gradient::GetKnot(LONG index) const {
  HostGradientKnot raw{};
  GradientKnot knot;
  if (Api()->getKnot(Host(), index, &raw)) {
    knot.col = raw.color;
    knot.brightness = raw.brightness;
    knot.pos = raw.position;
    knot.bias = raw.bias;
    knot.index = raw.index;
  }
  return knot;
}

LONG Gradient::InsertKnot(const GradientKnot& knot) {
  const HostGradientKnot raw{knot.col, knot.brightness, knot.pos, knot.bias, knot.index, 0};
  return Api()->insertKnot(Host(), &raw);
}

void Gradient::FlushKnots() { Api()->removeAllKnots(Host()); }
Bool Gradient::InitRender(const InitRenderStruct& irs) { return Api()->initRender(Host(), irs.ToHost()); }
Vector Gradient::CalcGradientPixel(Real pos) const { return Api()->calcGradient(Host(), pos); }
void Gradient::FreeRender() { Api()->freeRender(Host()); }
