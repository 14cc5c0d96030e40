// The soundtrack file: 16-bit stereo PCM WAV, streamed as the samples come and closed
// with its sizes filled in. Written through OutputFile, so a failed capture leaves no
// WAV that looks whole.
#pragma once

#include "OutputFile.h"

#include <cstddef>
#include <cstdint>
#include <string>

class WavWriter {
public:
    // Largest data chunk a RIFF size field can describe.
    static constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFull - 36;

    bool Open(const std::string& path, int32_t sampleRate, std::string* error);
    // Appends interleaved stereo frames. False with *error when the disk refuses them or
    // the file would pass the format's 4 GiB limit.
    bool Write(const int16_t* samples, size_t frames, std::string* error);
    // Fills in the header's sizes and gives the file its name.
    bool Finish(std::string* error);
    void Abandon() { m_file.Abandon(); }

    uint64_t GetFrames() const { return m_dataBytes / 4; }

private:
    bool WriteHeader(std::string* error);

    OutputFile m_file;
    int32_t m_rate = 44100;
    uint64_t m_dataBytes = 0;
};
