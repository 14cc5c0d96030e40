// Recipes for the soundtrack's instruments: drums from shaped noise and swept sines, tonal
// instruments from harmonics so that their loops are seamless, each with the envelope and
// fadeout that lets it start and stop without clicks.
#include "Instruments.h"

#include "Synth.h"

#include <cmath>
#include <string>
#include <utility>

namespace fourbeat {

namespace {

using synth::Buffer;
using synth::kRate;

constexpr double kTwoPi = 6.28318530717958647692;

// A looped tone's sample: a short faded-in lead-in, then the loop of `cycles` cycles. The
// tone repeats every `loop` frames, so the lead-in is simply the loop's own ending.
constexpr size_t kLeadIn = 256;
xm::Sample LoopedTone(const std::string& name, size_t loop, uint32_t cycles, Buffer tone, uint8_t volume) {
    synth::FadeIn(tone, kLeadIn);
    const double framesPerCycle = static_cast<double>(loop) / cycles;
    xm::Sample s = synth::ToSample(name, tone, synth::TunedPitch(framesPerCycle), volume, 128);
    s.loop = xm::Loop::Forward;
    s.loopStart = kLeadIn;
    s.loopLength = static_cast<uint32_t>(loop);
    return s;
}

xm::Instrument WithSample(const std::string& name, xm::Sample sample) {
    xm::Instrument ins;
    ins.name = name;
    ins.samples.push_back(std::move(sample));
    return ins;
}

// Inharmonic square waves: the metallic part of hats and cymbals.
float Metal(double t, double base) {
    static const double kRatios[] = {1.0, 1.342, 1.783, 2.126, 2.571, 3.017};
    float sum = 0;
    for (double r : kRatios) sum += std::sin(kTwoPi * base * r * t) >= 0 ? 1.0f : -1.0f;
    return sum / 6;
}

xm::Sample Kick() {
    Buffer b(synth::Frames(0.42));
    synth::Noise noise(0x4B1C);
    synth::Biquad clickTone = synth::Biquad::BandPass(2800, 0.8);
    double phase = 0;
    for (size_t i = 0; i < b.size(); ++i) {
        const double t = i / kRate;
        // The pitch falls fast from a knock to a low boom.
        const double hz = 47 + 115 * std::exp(-t / 0.028) + 280 * std::exp(-t / 0.004);
        phase += kTwoPi * hz / kRate;
        const double body = std::sin(phase) * std::exp(-t / 0.26);
        const double click = clickTone.Process(noise.Next()) * std::exp(-t / 0.003);
        b[i] = static_cast<float>(std::tanh(1.8 * body) / std::tanh(1.8) + 0.6 * click);
    }
    synth::FadeIn(b, 16);
    synth::FadeOut(b, synth::Frames(0.03));
    synth::Normalise(b, 0.95f);
    return synth::ToSample("kick", b, synth::NativePitch(), 64, 128);
}

xm::Sample Clap() {
    Buffer b(synth::Frames(0.4));
    synth::Noise noise(0xC1A9);
    synth::Biquad band = synth::Biquad::BandPass(1350, 1.1);
    synth::Biquad low = synth::Biquad::HighPass(500, 0.7);
    for (size_t i = 0; i < b.size(); ++i) {
        const double t = i / kRate;
        // Three quick hand hits, then the room's tail, over a short snare-like body.
        double env = 0;
        for (double hit : {0.0, 0.011, 0.022})
            if (t >= hit) env += std::exp(-(t - hit) / 0.005);
        if (t >= 0.032) env += 0.8 * std::exp(-(t - 0.032) / 0.12);
        const double hiss = low.Process(band.Process(noise.Next())) * env;
        const double body = std::sin(kTwoPi * 185 * t) * std::exp(-t / 0.04);
        b[i] = static_cast<float>(2.2 * hiss + 0.3 * body);
    }
    synth::FadeIn(b, 16);
    synth::FadeOut(b, synth::Frames(0.04));
    synth::Normalise(b, 0.9f);
    return synth::ToSample("clap", b, synth::NativePitch(), 40, 128);
}

// Hats and the crash share one recipe: high-passed noise with a little metal, decaying.
Buffer Cymbal(double seconds, double decay, double highPass, double metalBase, uint32_t seed) {
    Buffer b(synth::Frames(seconds));
    synth::Noise noise(seed);
    synth::Biquad hp1 = synth::Biquad::HighPass(highPass, 0.7), hp2 = synth::Biquad::HighPass(highPass, 0.7);
    synth::Biquad shine = synth::Biquad::BandPass(10500, 1.2);
    for (size_t i = 0; i < b.size(); ++i) {
        const double t = i / kRate;
        const float raw = 0.7f * noise.Next() + 0.5f * Metal(t, metalBase);
        const float high = hp2.Process(hp1.Process(raw));
        b[i] = static_cast<float>((high + 0.8f * shine.Process(high)) * std::exp(-t / decay));
    }
    synth::FadeIn(b, 8);
    synth::FadeOut(b, b.size() / 5);
    synth::Normalise(b, 0.9f);
    return b;
}

xm::Sample Pad() {
    // Five saws a few cents apart (whole cycles per loop keeps the beating seamless), a soft
    // sub an octave down, gently low-passed.
    constexpr uint32_t kCycles = 256;
    const size_t loop = synth::TunedLength(168, kCycles);
    Buffer b(loop + kLeadIn);
    const int detune[] = {-3, -1, 0, 1, 3};
    for (int v = 0; v < 5; ++v) {
        const uint32_t cycles = static_cast<uint32_t>(static_cast<int>(kCycles) + detune[v]);
        const double hz = cycles * kRate / loop;
        synth::AddHarmonics(b, loop, cycles, static_cast<uint32_t>(v * 7919 % loop), 46, [hz](int n, size_t) {
            return 0.2 * synth::SawHarmonic(n) * synth::LowPassGain(n * hz, 2000, 0.7);
        });
    }
    synth::AddHarmonics(b, loop, kCycles / 2, 0, 1, [](int, size_t) { return 0.25; });
    synth::Normalise(b, 0.9f);
    return LoopedTone("pad", loop, kCycles, std::move(b), 30);
}

xm::Sample Bass() {
    // A saw/square blend with a sub, through a resonant low-pass whose cutoff falls from
    // bright to dark over the attack; the loop after it repeats the dark tone.
    constexpr uint32_t kCycles = 16;
    constexpr size_t kAttack = 12800;  // whole 32-frame gain blocks, so the loop's tone is steady
    constexpr double kTau = 0.06, kEnd = kAttack / kRate;
    const size_t loop = synth::TunedLength(400, kCycles);
    Buffer b(kAttack + loop);
    const double hz = kCycles * kRate / loop;
    synth::AddHarmonics(b, loop, kCycles, 0, 60, [hz](int n, size_t frame) {
        const double t = frame / kRate;
        const double fall = t >= kEnd ? 0.0 : (std::exp(-t / kTau) - std::exp(-kEnd / kTau)) / (1 - std::exp(-kEnd / kTau));
        const double cutoff = 320 + 2600 * fall;
        const double tone = 0.7 * synth::SawHarmonic(n) + 0.3 * synth::SquareHarmonic(n) + (n == 1 ? 0.6 : 0.0);
        return tone * synth::LowPassGain(n * hz, cutoff, 1.8);
    });
    synth::FadeIn(b, 64);
    synth::Normalise(b, 0.9f);
    xm::Sample s = synth::ToSample("bass", b, synth::TunedPitch(static_cast<double>(loop) / kCycles), 46, 128);
    s.loop = xm::Loop::Forward;
    s.loopStart = kAttack;
    s.loopLength = static_cast<uint32_t>(loop);
    return s;
}

xm::Sample Lead() {
    constexpr uint32_t kCycles = 512;
    const size_t loop = synth::TunedLength(84, kCycles);
    Buffer b(loop + kLeadIn);
    const int detune[] = {-2, 0, 2};
    for (int v = 0; v < 3; ++v) {
        const uint32_t cycles = static_cast<uint32_t>(static_cast<int>(kCycles) + detune[v]);
        const double hz = cycles * kRate / loop;
        synth::AddHarmonics(b, loop, cycles, static_cast<uint32_t>(v * 3371), 24, [hz](int n, size_t) {
            const double tone = 0.6 * synth::SawHarmonic(n) + 0.4 * synth::SquareHarmonic(n);
            return tone * synth::LowPassGain(n * hz, 3600, 1.0);
        });
    }
    synth::Normalise(b, 0.9f);
    return LoopedTone("lead", loop, kCycles, std::move(b), 40);
}

xm::Sample Pluck() {
    // Two saws a few cents apart, struck: bright for a moment, then dark and fading.
    constexpr uint32_t kCycles = 256;
    const size_t loop = synth::TunedLength(168, kCycles);
    Buffer b(synth::Frames(0.5));
    for (uint32_t cycles : {kCycles, kCycles + 1}) {
        const double hz = cycles * kRate / loop;
        synth::AddHarmonics(b, loop, cycles, cycles * 97, 46, [hz](int n, size_t frame) {
            const double t = frame / kRate;
            const double tone = 0.6 * synth::SawHarmonic(n) + 0.4 * synth::SquareHarmonic(n);
            return tone * synth::LowPassGain(n * hz, 450 + 5200 * std::exp(-t / 0.05), 1.4) * std::exp(-t / 0.16);
        });
    }
    synth::FadeIn(b, 32);
    synth::FadeOut(b, synth::Frames(0.05));
    synth::Normalise(b, 0.9f);
    return synth::ToSample("pluck", b, synth::TunedPitch(static_cast<double>(loop) / kCycles), 34, 150);
}

// A volume envelope: up to the sustain point while the key is held, then the rest.
xm::Envelope Envelope(std::initializer_list<std::pair<uint16_t, uint16_t>> points, int sustain) {
    xm::Envelope e;
    e.points.assign(points.begin(), points.end());
    e.sustain = sustain;
    return e;
}

}  // namespace

std::vector<xm::Instrument> MakeInstruments() {
    std::vector<xm::Instrument> list(kLastInst);
    auto at = [&list](Inst i) -> xm::Instrument& { return list[i - 1]; };

    // Envelope ticks are 1/50 s at the song's tempo.
    const xm::Sample pad = Pad();
    at(kPad) = WithSample("pad", pad);
    at(kPad).volumeEnvelope = Envelope({{0, 12}, {10, 64}, {60, 0}}, 1);
    at(kPad).fadeout = 600;

    // Ducks at the start of each beat (24 ticks) and swells back, like a pad keyed by the kick.
    at(kPumpPad) = WithSample("pumping pad", pad);
    at(kPumpPad).samples[0].volume = 32;
    at(kPumpPad).volumeEnvelope = Envelope({{0, 10}, {4, 34}, {12, 58}, {20, 64}, {24, 10}}, -1);
    at(kPumpPad).volumeEnvelope.loopStart = 0;
    at(kPumpPad).volumeEnvelope.loopEnd = 4;
    at(kPumpPad).fadeout = 1200;

    at(kKick) = WithSample("kick", Kick());
    at(kClap) = WithSample("clap", Clap());
    at(kClosedHat) = WithSample("closed hat", synth::ToSample("closed hat", Cymbal(0.12, 0.035, 7000, 540, 0x4A7),
                                                               synth::NativePitch(), 30, 160));
    at(kOpenHat) = WithSample("open hat", synth::ToSample("open hat", Cymbal(0.5, 0.12, 6500, 540, 0x0BE7),
                                                           synth::NativePitch(), 26, 96));
    at(kCrash) = WithSample("crash", synth::ToSample("crash", Cymbal(2.0, 0.6, 3500, 380, 0xC7A5),
                                                      synth::NativePitch(), 30, 112));

    at(kBass) = WithSample("bass", Bass());
    at(kBass).volumeEnvelope = Envelope({{0, 64}, {8, 52}, {12, 0}}, 1);
    at(kBass).fadeout = 2048;

    at(kLead) = WithSample("lead", Lead());
    at(kLead).volumeEnvelope = Envelope({{0, 0}, {1, 64}, {10, 50}, {22, 0}}, 2);
    at(kLead).fadeout = 1024;

    at(kPluck) = WithSample("pluck", Pluck());
    return list;
}

}  // namespace fourbeat
