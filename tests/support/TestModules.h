// Small modules for the sound tests, written with the project's own XM writer: tone
// instruments (a looped sine), one pattern at speed 6 and 125 BPM, so a tick is 882 frames
// and a row 5292 frames at 44100 Hz.
#pragma once

#include "XMWriter.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace testmodules {

constexpr uint64_t kTickFrames = 882;
constexpr uint64_t kRowFrames = 6 * kTickFrames;

inline xm::Instrument ToneInstrument(int number) {
    xm::Instrument ins;
    ins.name = "tone " + std::to_string(number);
    xm::Sample s;
    s.data.resize(8000);
    for (size_t k = 0; k < s.data.size(); ++k) s.data[k] = static_cast<int16_t>(8000 * std::sin(0.1 * k * number));
    s.loop = xm::Loop::Forward;
    s.loopLength = static_cast<uint32_t>(s.data.size());
    ins.samples.push_back(s);
    return ins;
}

inline xm::Module SmallModule(int channels, int rows, int instruments) {
    xm::Module m;
    m.name = "test";
    m.channels = channels;
    m.orders = {0};
    m.patterns.emplace_back(rows, channels);
    for (int i = 1; i <= instruments; ++i) m.instruments.push_back(ToneInstrument(i));
    return m;
}

inline std::vector<uint8_t> Bytes(const xm::Module& m) {
    std::vector<uint8_t> bytes;
    std::string error;
    if (!xm::Write(m, &bytes, &error)) bytes.clear();
    return bytes;
}

}  // namespace testmodules
