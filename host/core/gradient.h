// The host's colour gradient (custom data type 1000481).
#ifndef OMBREL_HOST_GRADIENT_H
#define OMBREL_HOST_GRADIENT_H

#include <vector>

#include "data.h"

// Knots are kept sorted by position at render set-up. Between two knots the colour runs
// linearly, except that the left knot's bias moves the midpoint: a bias b (0..1) maps the
// halfway colour to the fraction b of the interval, by the power curve t^(log 0.5 / log b).
// Outside the first and last knot the colour is that knot's. Colour = knot colour × brightness.
struct HostGradient : HostCustomData {
  std::vector<HostGradientKnot> knots;
  std::vector<HostGradientKnot> renderKnots;  // sorted copy, valid between InitRender and FreeRender
  bool prepared = false;

  int32_t CustomType() const override { return HOST_CUSTOMDATA_GRADIENT; }
  std::unique_ptr<HostCustomData> Clone() const override;

  bool InitRender();
  void FreeRender();
  HostVector Calc(double position) const;  // safe on render threads after InitRender
};

#endif
