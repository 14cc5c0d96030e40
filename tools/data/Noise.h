// Deterministic randomness for the data writers: a small seeded generator and value noise
// built from it. Same seed, same numbers, on every run and every machine.
#pragma once

#include <cstdint>

namespace data {

// Permuted congruential generator (32-bit output, 64-bit state).
class Random {
public:
    explicit Random(uint64_t seed);
    uint32_t Next();
    // Uniform in [0, 1).
    float Uniform();

private:
    uint64_t m_state;
};

// Smooth noise in [0, 1] on a lattice of random values, with fractal sums of octaves.
class ValueNoise {
public:
    explicit ValueNoise(uint64_t seed);

    // Trilinear with smoothstep weights. A positive periodX repeats the noise every
    // periodX lattice cells along x, for images that must tile horizontally.
    float At(float x, float y, float z, int periodX = 0) const;
    // Sum of `octaves` octaves, each at twice the frequency and `gain` times the weight of
    // the last, normalised back to [0, 1]. periodX is that of the first octave.
    float Fractal(float x, float y, float z, int octaves, float gain = 0.5f, int periodX = 0) const;

private:
    float Lattice(int x, int y, int z) const;

    uint8_t m_perm[256];
    float m_values[256];
};

}  // namespace data
