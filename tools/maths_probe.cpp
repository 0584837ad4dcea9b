// Prints the bits of sin, cos, log, pow and fmod over a fixed sequence of 10^6 arguments each, so
// that the platforms' maths libraries can be compared directly (docs/validate.md, "Linux and
// Windows pictures"). Standard library only; not part of the build:
//
//   g++ -O2 -o probe tools/maths_probe.cpp && ./probe >linux.txt
//   x86_64-w64-mingw32-g++-posix -O2 -static -o probe.exe tools/maths_probe.cpp
//   cmake/wine-run.sh probe.exe | tr -d '\r' >windows.txt
//   paste -d' ' linux.txt windows.txt | awk '{for (i = 1; i <= 6; i++) if ($i != $(i + 6)) d[i]++}
//     END {split("sin cos sin(big) log pow fmod", n, " "); for (i = 1; i <= 6; i++) print n[i], d[i] + 0}'
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

uint64_t state = 88172645463325252ull;

// xorshift64: the same arguments on every platform.
double Uniform() {
  state ^= state << 13;
  state ^= state >> 7;
  state ^= state << 17;
  return static_cast<double>(state >> 11) * (1.0 / 9007199254740992.0);
}

uint64_t Bits(double d) {
  uint64_t b;
  std::memcpy(&b, &d, sizeof b);
  return b;
}

}  // namespace

int main() {
  for (int i = 0; i < 1000000; ++i) {
    const double angle = (Uniform() * 2 - 1) * 8;  // the range the shaders turn and wave through
    const double far = Uniform() * 1e6;
    const double fraction = Uniform();
    const double base = Uniform(), gamma = 0.2 + Uniform() * 4.8;
    const double x = (Uniform() * 2 - 1) * 1000, m = 0.01 + Uniform() * 10;
    std::printf("%016" PRIx64 " %016" PRIx64 " %016" PRIx64 " %016" PRIx64 " %016" PRIx64 " %016" PRIx64 "\n",
                Bits(std::sin(angle)), Bits(std::cos(angle)), Bits(std::sin(far)), Bits(std::log(fraction)),
                Bits(std::pow(base, gamma)), Bits(std::fmod(x, m)));
  }
}
