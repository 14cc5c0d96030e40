#include "KLVirtualClock.h"

namespace KL {

VirtualClock::VirtualClock(int32_t ticksPerSecond)
    : m_rate(ticksPerSecond < kMinRate ? kMinRate : ticksPerSecond > kMaxRate ? kMaxRate : ticksPerSecond) {}

uint32_t VirtualClock::Now() const {
    // Rounded half up in integers: (2 * 1000 * tick + rate) / (2 * rate).
    const uint64_t rate = static_cast<uint64_t>(m_rate);
    return static_cast<uint32_t>(m_origin + (2000u * m_tick + rate) / (2u * rate));
}

void VirtualClock::Wait(uint32_t milliseconds) { m_origin += milliseconds; }

uint64_t VirtualClock::SampleFrameAt(uint64_t tick, int32_t sampleRate) const {
    if (sampleRate <= 0) return 0;
    return static_cast<uint64_t>(sampleRate) * tick / static_cast<uint64_t>(m_rate);
}

}  // namespace KL
