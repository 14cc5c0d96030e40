// The data writers' seeded generator and lattice value noise: fixed seeds and tables, no
// clock or system randomness, so the pictures and the rock come out the same on every run.
#include "Noise.h"

#include <cmath>

namespace data {

Random::Random(uint64_t seed) : m_state(seed * 2u + 1u) {
    Next();
}

uint32_t Random::Next() {
    const uint64_t old = m_state;
    m_state = old * 6364136223846793005ull + 1442695040888963407ull;
    const uint32_t shifted = static_cast<uint32_t>(((old >> 18u) ^ old) >> 27u);
    const uint32_t rotation = static_cast<uint32_t>(old >> 59u);
    return (shifted >> rotation) | (shifted << ((32u - rotation) & 31u));
}

float Random::Uniform() {
    // 24 bits: every value exactly representable, and never 1.
    return static_cast<float>(Next() >> 8) * (1.0f / 16777216.0f);
}

ValueNoise::ValueNoise(uint64_t seed) {
    Random random(seed);
    for (int i = 0; i < 256; ++i) {
        m_perm[i] = static_cast<uint8_t>(i);
        m_values[i] = random.Uniform();
    }
    // Fisher-Yates shuffle of the permutation.
    for (int i = 255; i > 0; --i) {
        const int j = static_cast<int>(random.Next() % static_cast<uint32_t>(i + 1));
        const uint8_t swap = m_perm[i];
        m_perm[i] = m_perm[j];
        m_perm[j] = swap;
    }
}

float ValueNoise::Lattice(int x, int y, int z) const {
    const int a = m_perm[x & 255];
    const int b = m_perm[(a + y) & 255];
    return m_values[m_perm[(b + z) & 255]];
}

namespace {

float Smooth(float t) { return t * t * (3.0f - 2.0f * t); }
float Mix(float a, float b, float t) { return a + (b - a) * t; }

int Wrap(int value, int period) {
    if (period <= 0) return value;
    const int r = value % period;
    return r < 0 ? r + period : r;
}

}  // namespace

float ValueNoise::At(float x, float y, float z, int periodX) const {
    const float fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
    const int x0 = Wrap(static_cast<int>(fx), periodX), x1 = Wrap(static_cast<int>(fx) + 1, periodX);
    const int y0 = static_cast<int>(fy), z0 = static_cast<int>(fz);
    const float tx = Smooth(x - fx), ty = Smooth(y - fy), tz = Smooth(z - fz);

    const float c00 = Mix(Lattice(x0, y0, z0), Lattice(x1, y0, z0), tx);
    const float c10 = Mix(Lattice(x0, y0 + 1, z0), Lattice(x1, y0 + 1, z0), tx);
    const float c01 = Mix(Lattice(x0, y0, z0 + 1), Lattice(x1, y0, z0 + 1), tx);
    const float c11 = Mix(Lattice(x0, y0 + 1, z0 + 1), Lattice(x1, y0 + 1, z0 + 1), tx);
    return Mix(Mix(c00, c10, ty), Mix(c01, c11, ty), tz);
}

float ValueNoise::Fractal(float x, float y, float z, int octaves, float gain, int periodX) const {
    float sum = 0.0f, weight = 1.0f, total = 0.0f, scale = 1.0f;
    for (int octave = 0; octave < octaves; ++octave) {
        sum += weight * At(x * scale, y * scale, z * scale, periodX > 0 ? periodX << octave : 0);
        total += weight;
        weight *= gain;
        scale *= 2.0f;
    }
    return sum / total;
}

}  // namespace data
