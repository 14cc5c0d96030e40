// The capture's soundtrack: what the music players render in step with the virtual
// clock is mixed here by sample frame and written to the WAV as soon as no later sound
// can reach those frames (the end of each tick). Only the current tick's samples are
// held, however long the show.
#pragma once

#include "KLVirtualClock.h"
#include "WavWriter.h"

#include <cstdint>
#include <string>
#include <vector>

class Soundtrack : public KL::SoundtrackSink {
public:
    // The file starts at sample frame `first` of the show (a range's first tick); sounds
    // before it are dropped.
    bool Open(const std::string& path, int32_t sampleRate, std::string* error, uint64_t first = 0);

    int32_t GetSampleRate() const override { return m_rate; }
    // Sounds for frames already written are dropped (none come when players render in
    // step with the ticks).
    void Mix(uint64_t frame, const int16_t* samples, size_t frames) override;

    // Writes every frame before `end` (silence where nothing played). False with *error
    // when the file refused them.
    bool WriteUntil(uint64_t end, std::string* error);
    bool Finish(std::string* error) { return m_wav.Finish(error); }
    void Abandon() { m_wav.Abandon(); }

    uint64_t GetWrittenFrames() const { return m_written; }

private:
    int32_t m_rate = 44100;
    WavWriter m_wav;
    uint64_t m_written = 0;
    std::vector<int32_t> m_pending;  // interleaved stereo from m_written on
    std::vector<int16_t> m_out;
};
