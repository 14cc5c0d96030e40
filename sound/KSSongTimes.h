// The song times of a module's rows, as libopenmpt times the song (speed and tempo changes,
// pattern breaks and jumps included), so that a show can place things at "order:row" of its
// music. Times come from libopenmpt's seeking, which steps through the song's ticks without
// mixing: a lookup near the end of a song of a few minutes takes under a millisecond.
//
// libopenmpt plays each tick as a whole number of sample frames, so the song's real timing
// depends on the output rate (a tick at 120 BPM is 918.75 frames at 44100 Hz and is played
// as 918; over five minutes the song ends a quarter of a second earlier than at 48000 Hz).
// The times here are those of a KSModule rendered at the rate given at load: a row's time
// times that rate is the frame at which its rendering starts it.
//
// Thread: one thread at a time (lookups move libopenmpt's play position).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

namespace openmpt {
class module;
}

class KSSongTimes {
public:
    // KSModule's rate until one is set.
    static constexpr int32_t kDefaultSampleRate = 44100;

    // Loads a module file (matched case-blind like every data file). On failure null and
    // *error says why ("cannot open ...", "...: not a module libopenmpt can read ...").
    // `sampleRate` is the rate the song will be rendered at (8000 to 192000 Hz).
    static std::unique_ptr<KSSongTimes> Load(const char* path, std::string* error,
                                             int32_t sampleRate = kDefaultSampleRate);
    static std::unique_ptr<KSSongTimes> LoadFromMemory(const void* data, size_t size, std::string* error,
                                                       int32_t sampleRate = kDefaultSampleRate);

    ~KSSongTimes();
    KSSongTimes(const KSSongTimes&) = delete;
    KSSongTimes& operator=(const KSSongTimes&) = delete;

    int32_t GetSampleRate() const { return m_rate; }
    // Entries of the order list.
    int32_t GetOrderCount() const { return m_orderCount; }
    // Rows of the pattern at that order; 0 when out of range or a skip or end marker.
    int32_t GetRowCount(int32_t order) const;

    // Seconds from the song's start at which row `row` of order `order` starts playing (its
    // first time, when the song comes back to it). False when the row is outside the song or
    // the song never plays it (a break or jump passes over it); *why then says which.
    bool GetRowTime(int32_t order, int32_t row, double* seconds, std::string* why);

    // The song's length at the load's rate.
    double GetDurationSeconds() const { return m_duration; }
    // What libopenmpt reported while loading, one message a line; empty for a clean file.
    std::string GetLoadLog() const { return m_log.str(); }

private:
    KSSongTimes() = default;
    bool Init(const void* data, size_t size, int32_t sampleRate, std::string* why);

    // libopenmpt writes its messages here for as long as the module lives (declared first,
    // so that it outlives the module).
    std::ostringstream m_log;
    std::unique_ptr<openmpt::module> m_module;
    int32_t m_rate = kDefaultSampleRate;
    int32_t m_orderCount = 0;
    int32_t m_patternCount = 0;
    double m_duration = 0.0;
};
