// The host's colour gradient (custom data type 1000481).
#ifndef OMBREL_SDK_GRADIENT_H
#define OMBREL_SDK_GRADIENT_H

#include "sdk_types.h"

#define CUSTOMDATATYPE_GRADIENT HOST_CUSTOMDATA_GRADIENT

struct InitRenderStruct;

struct GradientKnot {
  Vector col;
  Real brightness = 1.0;
  Real pos = 0.0;
  Real bias = 0.5;
  LONG index = 0;
};

class Gradient {
 public:
  HostGradient* Host() { return reinterpret_cast<HostGradient*>(this); }
  const HostGradient* Host() const { return reinterpret_cast<const HostGradient*>(this); }
  static Gradient* From(void* customData) { return reinterpret_cast<Gradient*>(customData); }

  LONG InsertKnot(const GradientKnot& knot);  // index, or -1 on failure
  Bool InitRender(const InitRenderStruct& irs);
  Vector CalcGradientPixel(Real pos) const;  // render threads, between InitRender and FreeRender
  void FreeRender();

 private:
  Gradient() = delete;
  ~Gradient() = delete;
};

#endif
