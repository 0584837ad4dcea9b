#include "seeded_random.h"

#include <cmath>

namespace
{
const double kGaussScale = 0.18;
} // namespace

double SeededRandom::Get11()
{
    Step();
    return (seed / kDivisor) * 2.0 - 1.0;
}

double SeededRandom::GetG11()
{
    if (hasSpare)
    {
        hasSpare = 0;
        return spare * kGaussScale;
    }

    double u1;
    double u2;
    double w;
    // u1 is drawn before u2; the order is part of the reproducible sequence.
    // Terminates: the step is a full-period LCG modulo 2^31 (c odd,
    // a - 1 divisible by 4), so pairs inside the unit disc always come.
    do
    {
        u1 = Get11();
        u2 = Get11();
        w = u2 * u2 + u1 * u1;
    } while (!(w > 0.0 && w < 1.0));

    const double f = std::sqrt(std::log(w) * (-2.0) / w);
    spare = f * u1;
    hasSpare = 1;
    return f * u2 * kGaussScale;
}
