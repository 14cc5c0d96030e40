#include "Soundtrack.h"

#include <algorithm>

bool Soundtrack::Open(const std::string& path, int32_t sampleRate, std::string* error, uint64_t first) {
    m_rate = sampleRate;
    m_written = first;
    m_pending.clear();
    return m_wav.Open(path, sampleRate, error);
}

void Soundtrack::Mix(uint64_t frame, const int16_t* samples, size_t frames) {
    if (frame < m_written) {
        const uint64_t late = m_written - frame;
        if (late >= frames) return;
        samples += late * 2;
        frames -= static_cast<size_t>(late);
        frame = m_written;
    }
    const size_t at = static_cast<size_t>(frame - m_written) * 2;
    if (m_pending.size() < at + frames * 2) m_pending.resize(at + frames * 2, 0);
    for (size_t i = 0; i < frames * 2; ++i) m_pending[at + i] += samples[i];
}

bool Soundtrack::WriteUntil(uint64_t end, std::string* error) {
    if (end <= m_written) return true;
    const size_t frames = static_cast<size_t>(end - m_written);
    if (m_pending.size() < frames * 2) m_pending.resize(frames * 2, 0);
    m_out.resize(frames * 2);
    for (size_t i = 0; i < frames * 2; ++i) {
        m_out[i] = static_cast<int16_t>(std::clamp<int32_t>(m_pending[i], -32768, 32767));
    }
    m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(frames * 2));
    m_written = end;
    return m_wav.Write(m_out.data(), frames, error);
}
