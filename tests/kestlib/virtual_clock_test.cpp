// The virtual clock: tick k reads the nearest millisecond to k * 1000 / rate (no drift
// however long the show), waits move it on, and tick n's samples start at
// floor(sampleRate * n / rate).
#include "KLVirtualClock.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(VirtualClock, TickTimesAreTheNearestMillisecondWithoutDrift) {
    const struct {
        int32_t rate;
        uint64_t tick;
        uint32_t ms;
    } cases[] = {
        {25, 0, 0},     {25, 1, 40},      {25, 3350, 134000}, {30, 1, 33},     {30, 2, 67},
        {30, 4020, 134000}, {7, 1, 143},  {7, 3, 429},        {240, 1, 4},     {240, 3, 13},
        {240, 864000, 3600000}, {1, 5, 5000}, {0, 2, 2000},  {1000, 1, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rate << " per second, tick " << c.tick);
        KL::VirtualClock clock(c.rate);
        for (uint64_t i = 0; i < c.tick; ++i) clock.Advance();
        EXPECT_EQ(c.ms, clock.Now());
        clock.Wait(250);
        EXPECT_EQ(c.ms + 250, clock.Now());
    }
}

TEST(VirtualClock, EveryTickAgreesWithTheFormulaAndSamplesFollowTheTicks) {
    KL::VirtualClock clock(30);
    for (uint64_t k = 0; k < 10000; ++k, clock.Advance()) {
        ASSERT_EQ(static_cast<uint32_t>(std::floor(k * 1000.0 / 30.0 + 0.5)), clock.Now()) << k;
    }
    EXPECT_EQ(0u, clock.SampleFrameAt(0, 44100));
    EXPECT_EQ(1470u, clock.SampleFrameAt(1, 44100));
    EXPECT_EQ(5907930u, clock.SampleFrameAt(4019, 44100));
    EXPECT_EQ(367u, KL::VirtualClock(30).SampleFrameAt(1, 11025));  // 367.5, floored
    EXPECT_EQ(0u, clock.SampleFrameAt(7, 0));
}

}  // namespace
