#include "Progress.h"

#include <cstdio>

namespace {

constexpr double kTerminalPeriod = 0.25;  // seconds between redraws
constexpr double kLogPeriod = 10.0;       // seconds between plain lines

}  // namespace

void Progress::Start(uint64_t total, bool terminal) {
    m_total = total;
    m_terminal = terminal;
    m_start = Clock::now();
    m_lastPrint = 0.0;
    m_printed = false;
}

double Progress::Elapsed() const { return std::chrono::duration<double>(Clock::now() - m_start).count(); }

std::string Progress::Line(uint64_t done, uint64_t total, double seconds) {
    const double rate = seconds > 0.0 ? static_cast<double>(done) / seconds : 0.0;
    char line[160];
    if (rate > 0.0 && total > done) {
        std::snprintf(line, sizeof(line), "capture: frame %llu of %llu, %.1f frames/s, %.0f s left",
                      static_cast<unsigned long long>(done), static_cast<unsigned long long>(total), rate,
                      static_cast<double>(total - done) / rate);
    } else {
        std::snprintf(line, sizeof(line), "capture: frame %llu of %llu, %.1f frames/s",
                      static_cast<unsigned long long>(done), static_cast<unsigned long long>(total), rate);
    }
    return line;
}

void Progress::Update(uint64_t done) {
    const double now = Elapsed();
    if (now - m_lastPrint < (m_terminal ? kTerminalPeriod : kLogPeriod)) return;
    m_lastPrint = now;
    m_printed = true;
    // On a terminal the line is redrawn in place; the escape clears what a longer one left.
    std::fprintf(stderr, m_terminal ? "\r%s\x1b[K" : "%s\n", Line(done, m_total, now).c_str());
    std::fflush(stderr);
}

void Progress::Finish(uint64_t done) {
    std::fprintf(stderr, m_terminal ? "\r%s\x1b[K\n" : "%s\n", Line(done, m_total, Elapsed()).c_str());
    m_printed = true;
}
