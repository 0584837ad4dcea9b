// Gradient noise and turbulence of the stand-in host.
#ifndef OMBREL_HOST_NOISE_H
#define OMBREL_HOST_NOISE_H

namespace ombrel::host {

// Classic three-dimensional gradient noise (a fixed permutation of 256 entries, twelve edge
// gradients, quintic fade), in [-1, 1]; zero at integer lattice points.
double GradientNoise(double x, double y, double z);

// Sum of `octaves` noise layers, each of twice the frequency and half the amplitude of the one
// before (a fractional last octave is weighted by its fraction), mapped into [0, 1]. In
// absolute mode each layer contributes |noise| and the sum is normalised by the total
// amplitude; otherwise the sum is normalised and moved from [-1, 1] to [0, 1]. Non-finite
// points and octave counts give 0.5.
double Turbulence(double x, double y, double z, double octaves, bool absolute);

}  // namespace ombrel::host

#endif
