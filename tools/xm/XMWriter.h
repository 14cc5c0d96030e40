// A writer of FastTracker 2 extended modules (.xm, version 1.04), for the project's own
// music: the data tool composes "4beat.xm" with it, and the sound tests write small
// modules with known notes on known rows. Only writing; libopenmpt reads them.
//
// Samples are 16-bit mono. Every value is checked before anything is written, so a module
// that the format cannot hold is refused with a message instead of being cut short.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace xm {

// Note values of a cell, as the file stores them.
constexpr uint8_t kNoNote = 0;
constexpr uint8_t kKeyOff = 97;
// 1 = C-0 ... 96 = B-7. octave 4, semitone 0 is C-4 (49).
constexpr uint8_t Note(int octave, int semitone) { return static_cast<uint8_t>(1 + octave * 12 + semitone); }

// Effect numbers of the effect column (0..9, then A = 10 ... Z = 35).
enum Effect : uint8_t {
    kArpeggio = 0x0, kPortaUp = 0x1, kPortaDown = 0x2, kTonePorta = 0x3, kVibrato = 0x4,
    kVolumeSlide = 0xA, kPositionJump = 0xB, kSetVolume = 0xC, kPatternBreak = 0xD,
    kExtended = 0xE,  // parameter 0x9x retrigger, 0xCx note cut, 0xDx note delay
    kSetSpeed = 0xF,  // below 0x20: ticks per row; from 0x20: beats per minute
    kKeyOffEffect = 20,  // K
    kMultiRetrig = 27,   // R
};

// Volume column: 0x10 + v sets volume v (0..64); 0xF0 + s is tone portamento.
constexpr uint8_t Volume(int v) { return static_cast<uint8_t>(0x10 + v); }
constexpr uint8_t kVolumeTonePorta = 0xF0;

struct Cell {
    uint8_t note = kNoNote;
    uint8_t instrument = 0;  // 1-based; 0 = none
    uint8_t volume = 0;      // volume column byte; 0 = empty
    uint8_t effect = 0;
    uint8_t param = 0;
};

struct Pattern {
    explicit Pattern(int rowCount = 64, int channelCount = 8)
        : rows(rowCount), channels(channelCount), cells(static_cast<size_t>(rowCount > 0 ? rowCount : 0) *
                                                        static_cast<size_t>(channelCount > 0 ? channelCount : 0)) {}
    // The cell at row, channel; both must be in range.
    Cell& At(int row, int channel) { return cells.at(static_cast<size_t>(row) * channels + channel); }
    const Cell& At(int row, int channel) const { return cells.at(static_cast<size_t>(row) * channels + channel); }

    int rows;
    int channels;
    std::vector<Cell> cells;  // row-major
};

struct Envelope {
    // Up to 12 points of (tick, value 0..64); ticks rise strictly from 0.
    std::vector<std::pair<uint16_t, uint16_t>> points;
    int sustain = -1;  // point index, or -1 for none
    int loopStart = -1;
    int loopEnd = -1;
};

enum class Loop : uint8_t { None = 0, Forward = 1, PingPong = 2 };

struct Sample {
    std::string name;
    std::vector<int16_t> data;
    Loop loop = Loop::None;
    uint32_t loopStart = 0;   // in sample frames
    uint32_t loopLength = 0;  // in sample frames
    uint8_t volume = 64;
    int8_t finetune = 0;  // 1/128 semitone; players honour it in steps of 8
    uint8_t panning = 128;
    // Semitones added to the played note: a sample recorded at middle C (C-4 played at
    // 8363 Hz) has 0.
    int8_t relativeNote = 0;
};

struct Instrument {
    std::string name;
    std::vector<Sample> samples;  // up to 16
    uint8_t sampleForNote[96] = {};  // index into samples for each note 1..96
    Envelope volumeEnvelope;
    Envelope panningEnvelope;
    uint16_t fadeout = 0;
};

struct Module {
    std::string name;
    int channels = 8;        // 1..32
    int speed = 6;           // ticks per row, 1..31
    int bpm = 125;           // 32..255
    bool linearFrequencies = true;
    int restartPosition = 0;  // order index the song loops to
    std::vector<uint8_t> orders;  // 1..256 pattern indexes
    std::vector<Pattern> patterns;
    std::vector<Instrument> instruments;  // up to 128
};

// The module as file bytes. On a module the format cannot hold, returns false and says
// why in *error (naming the pattern, instrument or sample); *out is then untouched.
bool Write(const Module& module, std::vector<uint8_t>* out, std::string* error);

// Writes the module to a file; false with *error on a bad module or a failed write.
bool WriteFile(const Module& module, const std::string& path, std::string* error);

}  // namespace xm
