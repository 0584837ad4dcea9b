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
    SeededRandom();

    // Restart the sequence; a waiting Gaussian spare is discarded.
    void Init(int32_t seed);

    // One step, then state / (2^31 + 1): in [0, 1), never reaching 1.
    double Get01();

    // One step, mapped to [-1, 1).
    double Get11();

    // Normally distributed, standard deviation 0.18 (polar method). Values
    // come in pairs: every second call returns the waiting spare without
    // stepping the generator.
    double GetG11();

    // Current state, for tests and diagnostics.
    int32_t GetSeed() const { return seed; }

private:
    void Step();

    // Field order and types are part of the shaders' stored layout (LONG, Bool, Real).
    int32_t seed;
    int32_t hasSpare;
    double spare;
};

#endif // OMBREL_COMMON_SEEDED_RANDOM_H
