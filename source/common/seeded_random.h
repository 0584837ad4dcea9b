// Seeded linear congruential generator shared by the shaders.
// Every table and render set-up draws its variation from one of these, in a
// fixed order, so a scene renders bit-identically on every run and machine.
// Pure maths: no host calls, no allocation, no global state.
#ifndef OMBREL_COMMON_SEEDED_RANDOM_H
#define OMBREL_COMMON_SEEDED_RANDOM_H

#include <cstdint>

class SeededRandom
{
public:
    SeededRandom() : seed(100), hasSpare(0), spare(0.0)
    {
    }

    // Restart the sequence; a waiting Gaussian spare is discarded.
    void Init(int32_t newSeed)
    {
        seed = newSeed;
        hasSpare = 0;
    }

    // One step, then state / (2^31 + 1): in [0, 1), never reaching 1. Inline: the shaders that
    // pick per object draw on every sample.
    double Get01()
    {
        Step();
        return seed / kDivisor;
    }

    // One step, mapped to [-1, 1).
    double Get11();

    // Normally distributed, standard deviation 0.18 (polar method). Values
    // come in pairs: every second call returns the waiting spare without
    // stepping the generator.
    double GetG11();

    // Current state, for tests and diagnostics.
    int32_t GetSeed() const { return seed; }

private:
    // 2^31 + 1 rather than 2^31, so the largest state 2^31 - 1 still maps below 1.
    static constexpr double kDivisor = 2147483649.0;

    void Step()
    {
        // Unsigned arithmetic gives the required 32-bit wrap-around without
        // signed-overflow UB; after the mask the value always fits int32_t.
        uint32_t s = static_cast<uint32_t>(seed);
        s = (s + 1u) * 69069u;
        seed = static_cast<int32_t>(s & 0x7FFFFFFFu);
    }

    // Field order and types are part of the shaders' stored layout (LONG, Bool, Real).
    int32_t seed;
    int32_t hasSpare;
    double spare;
};

#endif // OMBREL_COMMON_SEEDED_RANDOM_H
