// Paces the application's ticks to at most a given rate without accumulating debt: a
// late tick restarts the schedule from the current time. Clock reads and waits go
// through the application singleton, so a test or capture clock paces it too.
#pragma once

#include <cstdint>

namespace KL {

class FrameLimiter {
public:
    explicit FrameLimiter(float framesPerSecond) { SetRate(framesPerSecond); }

    // Period = 1 / (fps * 0.001) truncated to whole milliseconds (300 gives 3, 60 gives 16).
    // A rate that is not a positive number gives period 0: ticks are not held back.
    void SetRate(float framesPerSecond);
    // Waits until the next deadline (or not at all when it has passed) and moves it on.
    void WaitForNextFrame();

    float GetRate() const { return m_rate; }
    int32_t GetPeriod() const { return m_period; }
    uint32_t GetNextDeadline() const { return m_nextDeadline; }
    void SetNextDeadline(uint32_t deadline) { m_nextDeadline = deadline; }

private:
    float m_rate = 0.0f;
    int32_t m_period = 0;
    uint32_t m_nextDeadline = 0;
};

}  // namespace KL
