#include "sdk_gradient.h"

#include "sdk_host.h"
#include "sdk_render.h"

namespace {
const HostGradientApi* Api() { return SdkHost()->gradients; }
}  // namespace

LONG Gradient::InsertKnot(const GradientKnot& knot) {
  const HostGradientKnot raw{knot.col, knot.brightness, knot.pos, knot.bias, knot.index, 0};
  return Api()->insertKnot(Host(), &raw);
}

Bool Gradient::InitRender(const InitRenderStruct& irs) { return Api()->initRender(Host(), irs.ToHost()); }
Vector Gradient::CalcGradientPixel(Real pos) const { return Api()->calcGradient(Host(), pos); }
void Gradient::FreeRender() { Api()->freeRender(Host()); }
