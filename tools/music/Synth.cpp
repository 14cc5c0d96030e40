// The sound-making kit: noise, filters, additive tones, fades and the conversion to an
// in-tune module sample.
#include "Synth.h"

#include <algorithm>
#include <cmath>

namespace synth {

namespace {

constexpr double kPi = 3.14159265358979323846;
// The player's rate for C-4 with no relative note or finetune, and middle C.
constexpr double kBaseRate = 8363.0;
constexpr double kMiddleC = 261.6255653005986;

// The player uses finetune in steps of 8 (1/16 semitone), rounding down.
constexpr double kStepsPerSemitone = 16;

double SemitonesAboveBase(double framesPerCycle) { return 12.0 * std::log2(kMiddleC * framesPerCycle / kBaseRate); }

Pitch PitchFromSemitones(double semitones) {
    const double whole = std::round(semitones);
    const long steps = std::lround((semitones - whole) * kStepsPerSemitone);
    Pitch pitch;
    pitch.relativeNote = static_cast<int8_t>(whole);
    pitch.finetune = static_cast<int8_t>(steps * (128 / static_cast<long>(kStepsPerSemitone)));
    return pitch;
}

}  // namespace

size_t Frames(double seconds) { return static_cast<size_t>(std::lround(seconds * kRate)); }

float Noise::Next() {
    m_state ^= m_state << 13;
    m_state ^= m_state >> 17;
    m_state ^= m_state << 5;
    return static_cast<float>(m_state / 2147483648.0 - 1.0);
}

// Coefficients from the well-known bilinear-transform formulas for second-order sections.
Biquad Biquad::LowPass(double hz, double q) {
    const double w = 2 * kPi * hz / kRate, alpha = std::sin(w) / (2 * q), c = std::cos(w), a0 = 1 + alpha;
    Biquad f;
    f.m_b0 = (1 - c) / 2 / a0;
    f.m_b1 = (1 - c) / a0;
    f.m_b2 = f.m_b0;
    f.m_a1 = -2 * c / a0;
    f.m_a2 = (1 - alpha) / a0;
    return f;
}

Biquad Biquad::HighPass(double hz, double q) {
    const double w = 2 * kPi * hz / kRate, alpha = std::sin(w) / (2 * q), c = std::cos(w), a0 = 1 + alpha;
    Biquad f;
    f.m_b0 = (1 + c) / 2 / a0;
    f.m_b1 = -(1 + c) / a0;
    f.m_b2 = f.m_b0;
    f.m_a1 = -2 * c / a0;
    f.m_a2 = (1 - alpha) / a0;
    return f;
}

Biquad Biquad::BandPass(double hz, double q) {
    const double w = 2 * kPi * hz / kRate, alpha = std::sin(w) / (2 * q), c = std::cos(w), a0 = 1 + alpha;
    Biquad f;
    f.m_b0 = alpha / a0;
    f.m_b1 = 0;
    f.m_b2 = -alpha / a0;
    f.m_a1 = -2 * c / a0;
    f.m_a2 = (1 - alpha) / a0;
    return f;
}

float Biquad::Process(float x) {
    const double y = m_b0 * x + m_b1 * m_x1 + m_b2 * m_x2 - m_a1 * m_y1 - m_a2 * m_y2;
    m_x2 = m_x1;
    m_x1 = x;
    m_y2 = m_y1;
    m_y1 = y;
    return static_cast<float>(y);
}

double LowPassGain(double hz, double cutoff, double q) {
    const double r = hz / cutoff;
    const double a = 1 - r * r, b = r / q;
    return 1.0 / std::sqrt(a * a + b * b);
}

void AddHarmonics(Buffer& out, size_t period, uint32_t cycles, uint32_t phase, int harmonics,
                  const std::function<double(int, size_t)>& gain) {
    if (period == 0 || cycles == 0) return;
    // One cycle of a sine over the whole loop: every harmonic has a whole number of cycles
    // in the loop, so each is an exact walk through this table.
    std::vector<float> table(period);
    for (size_t i = 0; i < period; ++i) table[i] = static_cast<float>(std::sin(2 * kPi * i / period));

    std::vector<uint64_t> index, step;
    for (int n = 1; n <= harmonics; ++n) {
        const uint64_t perFrame = static_cast<uint64_t>(n) * cycles;
        if (2 * perFrame >= period) break;  // at or above half the rate it would alias
        step.push_back(perFrame % period);
        index.push_back(perFrame * phase % period);
    }
    constexpr size_t kBlock = 32;
    for (size_t start = 0; start < out.size(); start += kBlock) {
        const size_t end = std::min(out.size(), start + kBlock);
        for (size_t h = 0; h < step.size(); ++h) {
            const float g = static_cast<float>(gain(static_cast<int>(h) + 1, start));
            uint64_t at = index[h];
            for (size_t f = start; f < end; ++f) {
                out[f] += g * table[at];
                at += step[h];
                if (at >= period) at -= period;
            }
            index[h] = at;
        }
    }
}

double SawHarmonic(int n) { return (n % 2 ? 1.0 : -1.0) / n; }

double SquareHarmonic(int n) { return n % 2 ? 1.0 / n : 0.0; }

void Normalise(Buffer& buffer, float peak) {
    float largest = 0;
    for (float v : buffer) largest = std::max(largest, std::fabs(v));
    if (largest <= 0) return;
    const float scale = peak / largest;
    for (float& v : buffer) v *= scale;
}

void FadeIn(Buffer& buffer, size_t frames) {
    frames = std::min(frames, buffer.size());
    for (size_t i = 0; i < frames; ++i) buffer[i] *= static_cast<float>(i) / frames;
}

void FadeOut(Buffer& buffer, size_t frames) {
    frames = std::min(frames, buffer.size());
    const size_t first = buffer.size() - frames;
    for (size_t i = 0; i < frames; ++i) buffer[first + i] *= static_cast<float>(frames - 1 - i) / frames;
}

Pitch TunedPitch(double framesPerCycle) {
    // Played at rate r, the tone sounds r / framesPerCycle; C-4 plays at 8363 Hz shifted
    // by the relative note and finetune, and should sound middle C.
    return PitchFromSemitones(SemitonesAboveBase(framesPerCycle));
}

size_t TunedLength(double framesPerCycle, uint32_t cycles) {
    const double onGrid = std::round(SemitonesAboveBase(framesPerCycle) * kStepsPerSemitone) / kStepsPerSemitone;
    const double exact = kBaseRate * std::exp2(onGrid / 12.0) / kMiddleC;
    return static_cast<size_t>(std::lround(exact * cycles));
}

Pitch NativePitch() { return PitchFromSemitones(12.0 * std::log2(kRate / kBaseRate)); }

xm::Sample ToSample(const std::string& name, const Buffer& buffer, Pitch pitch, uint8_t volume, uint8_t panning) {
    xm::Sample sample;
    sample.name = name;
    sample.data.reserve(buffer.size());
    for (float v : buffer) {
        const long scaled = std::lround(std::clamp(v, -1.0f, 1.0f) * 32767.0f);
        sample.data.push_back(static_cast<int16_t>(scaled));
    }
    sample.relativeNote = pitch.relativeNote;
    sample.finetune = pitch.finetune;
    sample.volume = volume;
    sample.panning = panning;
    return sample;
}

}  // namespace synth
