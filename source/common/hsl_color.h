// RGB <-> HSL conversions of the colour-adjust shader:
// six-sector hexcone model, hue in degrees, lightness = (max + min) / 2.
// The step order and exact equality tests are fixed to the bit, so
// renders stay reproducible. Pure and re-entrant: safe on any render thread.
#ifndef OMBREL_COMMON_HSL_COLOR_H
#define OMBREL_COMMON_HSL_COLOR_H

// Hue -1 marks a colour without hue (lightness <= 0). Pure red gives 360,
// not 0. Inputs are not clamped.
void RgbToHsl(double r, double g, double b, double& h, double& l, double& s);

// Saturation 0 or hue exactly -1 gives grey (l, l, l). Channel hues are
// wrapped by one step of 360 only, by design.
void HslToRgb(double h, double l, double s, double& r, double& g, double& b);

#endif // OMBREL_COMMON_HSL_COLOR_H
