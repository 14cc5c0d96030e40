// The capture's progress on standard error: frames done of the expected total, frames per
// second and time left. On a terminal one line redrawn in place; otherwise (a log) a plain
// line every few seconds.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

class Progress {
public:
    void Start(uint64_t total, bool terminal);
    void Update(uint64_t done);
    // The last line, ended.
    void Finish(uint64_t done);

    // "capture: frame 1234 of 3351, 87.3 frames/s, 24 s left"
    static std::string Line(uint64_t done, uint64_t total, double seconds);

private:
    using Clock = std::chrono::steady_clock;
    double Elapsed() const;

    uint64_t m_total = 0;
    bool m_terminal = false;
    Clock::time_point m_start;
    double m_lastPrint = 0.0;
    bool m_printed = false;
};
