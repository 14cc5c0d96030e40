// Value logs: reading checks the sample count against the bytes the file holds before it
// reserves anything, and the table is only ever built from samples that were read.
#include "CValueLog.h"

#include "KLLog.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <utility>

namespace {

std::string Format(const char* format, ...) KL_PRINTF_FORMAT(1, 2);

std::string Format(const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    return text;
}

}  // namespace

// ---- sample ----

bool CLogSample::Load(FileReader* reader) {
    int32_t bits = 0;
    uint32_t rawTime = 0;
    if (!reader || !reader->ReadInt(&bits) || !reader->ReadUInt(&rawTime)) return false;
    std::memcpy(&value, &bits, sizeof(value));
    time = static_cast<int32_t>(rawTime);
    return true;
}

bool CLogSample::Save(FileWriter* writer) {
    int32_t bits = 0;
    std::memcpy(&bits, &value, sizeof(bits));
    return writer && writer->WriteInt(bits) && writer->WriteUInt(static_cast<uint32_t>(time));
}

// ---- log ----

CValueLog::CValueLog(int32_t rate, std::vector<CLogSample> samples) : m_rate(rate), m_samples(std::move(samples)) {
    BuildTable();
}

void CValueLog::Clear() {
    m_rate = kDefaultRate;
    m_samples.clear();
    m_duration = 0;
    m_table.clear();
    m_error.clear();
}

bool CValueLog::Load(FileReader* reader) {
    Clear();
    uint32_t rawRate = 0;
    uint32_t rawCount = 0;
    if (!reader || !reader->ReadUInt(&rawRate) || !reader->ReadUInt(&rawCount)) {
        m_error = "the file ends before the rate and the sample count";
        return false;
    }
    m_rate = static_cast<int32_t>(rawRate);
    const int32_t count = static_cast<int32_t>(rawCount);
    if (count < 0) {
        m_error = Format("the sample count %d is negative", count);
        return false;
    }
    // Only the samples the file can hold are reserved and read.
    const long whole = reader->BytesLeft() / kSampleBytes;
    const int32_t present = whole < count ? static_cast<int32_t>(whole) : count;
    m_samples.reserve(static_cast<size_t>(present));
    CLogSample sample;
    for (int32_t i = 0; i < present && reader->ReadObject(&sample); ++i) m_samples.push_back(sample);

    const int32_t read = GetCount();
    switch (BuildTable()) {
        case TableResult::kTable:
            break;
        case TableResult::kTooShort:
            // Not one table entry long: an empty log that plays 0.0, like a file without samples.
            m_samples.clear();
            break;
        case TableResult::kBadRate:
            return Refuse(Format("the rate %d is not positive", m_rate));
        case TableResult::kNegativeTime:
            return Refuse("a sample has a negative time");
        case TableResult::kTooLong:
            return Refuse(Format("a rate of %d over %d ms needs more than %lld table entries", m_rate,
                                 m_samples.back().time, static_cast<long long>(kMaxTableEntries)));
    }
    if (read < count) {
        m_error = Format("the file ends after %d of its %d samples", read, count);
        return false;
    }
    return true;
}

bool CValueLog::Refuse(const std::string& error) {
    m_samples.clear();
    m_error = error;
    return false;
}

CValueLog::TableResult CValueLog::BuildTable() {
    m_duration = 0;
    m_table.clear();
    if (m_rate <= 0) return TableResult::kBadRate;
    for (const CLogSample& sample : m_samples) {
        if (sample.time < 0) return TableResult::kNegativeTime;
    }
    if (m_samples.empty()) return TableResult::kTooShort;
    const int64_t duration = m_samples.back().time;
    const int64_t entries = m_rate * duration / 1000;
    if (entries < 1) return TableResult::kTooShort;
    if (entries > kMaxTableEntries) return TableResult::kTooLong;

    // Hold-next: each entry takes the first sample not earlier than the entry's time. The
    // last sample is never earlier than any entry, so the cursor stops there at the latest.
    m_table.resize(static_cast<size_t>(entries));
    size_t j = 0;
    for (int64_t i = 0; i < entries; ++i) {
        const int64_t target = i * 1000 / m_rate;
        while (j + 1 < m_samples.size() && m_samples[j].time < target) ++j;
        m_table[static_cast<size_t>(i)] = m_samples[j].value;
    }
    m_duration = static_cast<int32_t>(duration);
    return TableResult::kTable;
}

bool CValueLog::Save(FileWriter* writer) {
    if (!writer || !writer->WriteUInt(static_cast<uint32_t>(m_rate)) ||
        !writer->WriteUInt(static_cast<uint32_t>(m_samples.size()))) {
        return false;
    }
    for (CLogSample& sample : m_samples) {
        if (!writer->WriteObject(&sample)) return false;
    }
    return true;
}

float CValueLog::At(int32_t t) const {
    if (m_duration == 0 || m_table.empty()) return 0.0f;
    int64_t time = t;
    // Only times past the end wrap: playback at the duration itself reads the last entry.
    if (time > m_duration) time %= m_duration;
    const int64_t last = static_cast<int64_t>(m_table.size()) - 1;
    int64_t index = time * m_rate / 1000;
    if (index < 0) index = 0;
    if (index > last) index = last;
    return m_table[static_cast<size_t>(index)];
}
