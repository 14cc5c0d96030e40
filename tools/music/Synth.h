// The sound-making kit behind the soundtrack's instruments: a seeded noise source, biquad
// filters, band-limited tones built from harmonics, and the step that turns a rendered
// buffer into an in-tune 16-bit module sample. Everything is deterministic: the same
// recipe gives the same samples on every run.
#pragma once

#include "XMWriter.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace synth {

// Every sample is rendered at this rate.
constexpr double kRate = 44100.0;

using Buffer = std::vector<float>;

// Frames in the given number of seconds.
size_t Frames(double seconds);

// A small xorshift generator: white noise with a fixed seed, so every run matches.
class Noise {
public:
    explicit Noise(uint32_t seed) : m_state(seed ? seed : 0x9E3779B9u) {}
    float Next();  // uniform in [-1, 1)

private:
    uint32_t m_state;
};

// A second-order filter (direct form I) with the usual low-, high- and band-pass shapes.
class Biquad {
public:
    static Biquad LowPass(double hz, double q);
    static Biquad HighPass(double hz, double q);
    static Biquad BandPass(double hz, double q);
    float Process(float x);

private:
    double m_b0 = 1, m_b1 = 0, m_b2 = 0, m_a1 = 0, m_a2 = 0;
    double m_x1 = 0, m_x2 = 0, m_y1 = 0, m_y2 = 0;
};

// Gain of a resonant two-pole low-pass at frequency hz: used to shape harmonics directly,
// which keeps looped tones exactly periodic.
double LowPassGain(double hz, double cutoff, double q);

// Adds a periodic tone whose loop of `period` frames holds `cycles` whole cycles, so the
// result loops seamlessly every `period` frames. gain(n, frame) is the amplitude of
// harmonic n (from 1) at that frame; it is sampled every 32 frames. `phase` (in frames of
// the loop) shifts the start so that stacked voices do not line up.
void AddHarmonics(Buffer& out, size_t period, uint32_t cycles, uint32_t phase, int harmonics,
                  const std::function<double(int, size_t)>& gain);

// Amplitude of harmonic n in a sawtooth and in a square wave (the square has odd ones only).
double SawHarmonic(int n);
double SquareHarmonic(int n);

// Scales the buffer so its largest magnitude is `peak`; a silent buffer stays silent.
void Normalise(Buffer& buffer, float peak);
// Linear fades over the first or last `frames` frames, so a sample starts and stops silently.
void FadeIn(Buffer& buffer, size_t frames);
void FadeOut(Buffer& buffer, size_t frames);

// How a rendered buffer maps onto notes.
struct Pitch {
    int8_t relativeNote = 0;
    int8_t finetune = 0;  // 1/128 semitone
};
// For a tone that repeats every `framesPerCycle` frames: the note C-4 then sounds middle C.
// The player resolves finetune only to 1/16 semitone, so the pitch is rounded to that grid;
// render tones with TunedLength to make the rounding exact.
Pitch TunedPitch(double framesPerCycle);
// The number of frames, close to cycles * framesPerCycle, that holds `cycles` cycles of a
// tone the player can reproduce exactly (see TunedPitch).
size_t TunedLength(double framesPerCycle, uint32_t cycles);
// For a drum: the note C-4 plays the buffer back at the rate it was rendered at.
Pitch NativePitch();

// The buffer as a 16-bit module sample (values clamped to the 16-bit range).
xm::Sample ToSample(const std::string& name, const Buffer& buffer, Pitch pitch, uint8_t volume, uint8_t panning);

}  // namespace synth
