// RGB <-> HSV conversions of the tile shader's saturation variation. Hue in [0, 1); all
// components stay in the colour's own range. Pure functions, safe on any thread.
#ifndef OMBREL_COMMON_HSV_COLOR_H
#define OMBREL_COMMON_HSV_COLOR_H

// A colour whose largest component is 0 or less is black (0, 0, 0); one whose smallest
// component is within 0.1 % of its largest has no hue: (0, 0, smallest).
void RgbToHsv(double r, double g, double b, double& h, double& s, double& v);

// Saturation below 0.001 gives grey (v, v, v); a hue of exactly 1 is taken as 0.
void HsvToRgb(double h, double s, double v, double& r, double& g, double& b);

#endif
