#include "noise.h"

#include <algorithm>
#include <cmath>

namespace ombrel::host {
namespace {

// A fixed permutation, generated once from a small LCG so the noise is the same everywhere.
struct Permutation {
  unsigned char p[512];
  Permutation() {
    unsigned char base[256];
    for (int i = 0; i < 256; ++i) base[i] = static_cast<unsigned char>(i);
    unsigned state = 12345u;
    for (int i = 255; i > 0; --i) {
      state = state * 1103515245u + 12345u;
      const int j = static_cast<int>((state >> 16) % static_cast<unsigned>(i + 1));
      std::swap(base[i], base[j]);
    }
    for (int i = 0; i < 512; ++i) p[i] = base[i & 255];
  }
};

const Permutation kPerm;

double Fade(double t) { return t * t * t * (t * (t * 6.0 - 15.0) + 10.0); }
double Lerp(double t, double a, double b) { return a + t * (b - a); }
double Grad(int hash, double x, double y, double z) {
  const int h = hash & 15;
  const double u = h < 8 ? x : y;
  const double v = h < 4 ? y : (h == 12 || h == 14 ? x : z);
  return ((h & 1) ? -u : u) + ((h & 2) ? -v : v);
}

}  // namespace

double GradientNoise(double x, double y, double z) {
  const double fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
  const int X = static_cast<int>(static_cast<long long>(fx) & 255);
  const int Y = static_cast<int>(static_cast<long long>(fy) & 255);
  const int Z = static_cast<int>(static_cast<long long>(fz) & 255);
  x -= fx;
  y -= fy;
  z -= fz;
  const double u = Fade(x), v = Fade(y), w = Fade(z);
  const unsigned char* p = kPerm.p;
  const int A = p[X] + Y, AA = p[A] + Z, AB = p[A + 1] + Z;
  const int B = p[X + 1] + Y, BA = p[B] + Z, BB = p[B + 1] + Z;
  const double n = Lerp(w,
                        Lerp(v, Lerp(u, Grad(p[AA], x, y, z), Grad(p[BA], x - 1, y, z)),
                             Lerp(u, Grad(p[AB], x, y - 1, z), Grad(p[BB], x - 1, y - 1, z))),
                        Lerp(v, Lerp(u, Grad(p[AA + 1], x, y, z - 1), Grad(p[BA + 1], x - 1, y, z - 1)),
                             Lerp(u, Grad(p[AB + 1], x, y - 1, z - 1), Grad(p[BB + 1], x - 1, y - 1, z - 1))));
  return std::clamp(n, -1.0, 1.0);
}

double Turbulence(double x, double y, double z, double octaves, bool absolute) {
  if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z) || !std::isfinite(octaves)) return 0.5;
  octaves = std::clamp(octaves, 1.0, 16.0);
  double sum = 0.0, total = 0.0, amplitude = 1.0, frequency = 1.0;
  for (int i = 0; i < static_cast<int>(std::ceil(octaves)); ++i) {
    const double weight = std::min(1.0, octaves - i) * amplitude;
    // Large coordinates lose precision in the lattice; wrap them into the permutation period.
    const double n = GradientNoise(std::fmod(x * frequency, 4096.0), std::fmod(y * frequency, 4096.0),
                                   std::fmod(z * frequency, 4096.0));
    sum += (absolute ? std::fabs(n) : n) * weight;
    total += weight;
    amplitude *= 0.5;
    frequency *= 2.0;
  }
  const double value = absolute ? sum / total : (sum / total) * 0.5 + 0.5;
  return std::clamp(value, 0.0, 1.0);
}

}  // namespace ombrel::host
