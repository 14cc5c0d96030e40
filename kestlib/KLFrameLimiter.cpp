#include "KLFrameLimiter.h"

#include "KLAbstractFactory.h"
#include "KLApplication.h"

#include <cmath>

namespace KL {

void FrameLimiter::SetRate(float framesPerSecond) {
    m_rate = framesPerSecond;
    const double period = 1.0 / (framesPerSecond * 0.001);
    // Rates of zero, below zero or NaN would make the period meaningless; so would one
    // too large for the clock.
    m_period = (framesPerSecond > 0.0f && std::isfinite(period) && period < 2147483647.0)
                   ? static_cast<int32_t>(period)
                   : 0;
}

void FrameLimiter::WaitForNextFrame() {
    Application* app = KLAbstractFactory<Application>::GetInstance();
    if (!app) return;
    const uint32_t now = app->GetTime();
    if (now > m_nextDeadline) {
        m_nextDeadline = now + static_cast<uint32_t>(m_period);
        return;
    }
    app->Wait(m_nextDeadline - now);
    m_nextDeadline += static_cast<uint32_t>(m_period);
}

}  // namespace KL
