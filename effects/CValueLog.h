// A recorded value track: samples (a float and the demo time in ms it was taken at) in
// recording order, and a table resampled from them at a fixed rate so that playback is one
// lookup. The debug effect records and writes logs; the log player reads and plays them.
//
// File layout, little-endian, no header: rate (int32, table entries per second), count
// (int32), then count samples of value (the float's bit pattern, 4 bytes) and time (int32 ms).
// Times do not decrease; the last one is the log's duration.
#pragma once

#include "KLFile.h"

#include <cstdint>
#include <string>
#include <vector>

class CLogSample : public KL::Serializable {
public:
    CLogSample() = default;
    CLogSample(float value, int32_t time) : value(value), time(time) {}

    // A whole sample or false; on false the sample is left as it was.
    bool Load(FileReader* reader) override;
    bool Save(FileWriter* writer) override;

    float value = 0.0f;
    int32_t time = 0;
};

class CValueLog : public KL::Serializable {
public:
    static constexpr int32_t kDefaultRate = 30;
    static constexpr int32_t kSampleBytes = 8;
    // Past this many table entries (over four hours at 60 per second) a log is refused: its
    // rate or duration is corrupt, and the table would only exhaust memory.
    static constexpr int64_t kMaxTableEntries = int64_t{1} << 20;

    CValueLog() = default;
    // A log to write: these samples at this rate, with the table they give (if any).
    CValueLog(int32_t rate, std::vector<CLogSample> samples);

    // Replaces the log with the one the reader holds. A file that ends early keeps the whole
    // samples that were there and plays those; a negative count, a rate of 0 or less, a
    // negative time or a table past kMaxTableEntries leaves an empty log. False (with
    // GetError) for any of these; true for a whole file, also one too short for a single
    // table entry (rate x duration below 1000), which is then empty and plays 0.0.
    bool Load(FileReader* reader) override;
    // Rate, count, then every sample; false at the first write that fails.
    bool Save(FileWriter* writer) override;

    // The value at playback time t (ms): 0.0 without a table; times past the duration wrap;
    // the table entry t x rate / 1000, clamped to the table.
    float At(int32_t t) const;

    int32_t GetRate() const { return m_rate; }
    int32_t GetCount() const { return static_cast<int32_t>(m_samples.size()); }
    const CLogSample& GetSample(int32_t i) const { return m_samples[static_cast<size_t>(i)]; }
    int32_t GetDuration() const { return m_duration; }
    const std::vector<float>& GetTable() const { return m_table; }
    // Why the last Load returned false; empty after a good one.
    const std::string& GetError() const { return m_error; }

private:
    // Why the samples give no table (kTable when they give one).
    enum class TableResult { kTable, kTooShort, kBadRate, kNegativeTime, kTooLong };

    void Clear();
    // Leaves an empty log that failed to load for this reason: false.
    bool Refuse(const std::string& error);
    // Duration and table from the rate and the samples; without a table both stay empty.
    TableResult BuildTable();

    int32_t m_rate = kDefaultRate;
    std::vector<CLogSample> m_samples;
    int32_t m_duration = 0;
    std::vector<float> m_table;
    std::string m_error;
};
