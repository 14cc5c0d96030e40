// Pacing of the ticks, with a scripted clock.
#include "FakeApplication.h"
#include "KLFrameLimiter.h"

#include <gtest/gtest.h>

TEST(FrameLimiter, PeriodIsTheRateTruncatedToWholeMilliseconds) {
    KL::FrameLimiter limiter(300.0f);
    EXPECT_EQ(limiter.GetPeriod(), 3);
    limiter.SetRate(60.0f);
    EXPECT_EQ(limiter.GetPeriod(), 16);  // 16.67 truncated
    limiter.SetRate(1000.0f);
    EXPECT_EQ(limiter.GetPeriod(), 1);
    limiter.SetRate(0.0f);
    EXPECT_EQ(limiter.GetPeriod(), 0);
    limiter.SetRate(-5.0f);
    EXPECT_EQ(limiter.GetPeriod(), 0);
}

TEST(FrameLimiter, LateTickRestartsTheScheduleFromNowWithoutWaiting) {
    FakeApplication app;
    ScopedAppInstance scope(&app);
    KL::FrameLimiter limiter(300.0f);
    limiter.SetNextDeadline(100);
    app.clock.now = 101;
    limiter.WaitForNextFrame();
    EXPECT_TRUE(app.clock.waits.empty());
    EXPECT_EQ(limiter.GetNextDeadline(), 104u);
}

TEST(FrameLimiter, TickExactlyAtTheDeadlineWaitsZeroAndAdvancesOnePeriod) {
    FakeApplication app;
    ScopedAppInstance scope(&app);
    KL::FrameLimiter limiter(300.0f);
    limiter.SetNextDeadline(100);
    app.clock.now = 100;
    limiter.WaitForNextFrame();
    EXPECT_EQ(app.clock.waits, std::vector<uint32_t>{0});
    EXPECT_EQ(limiter.GetNextDeadline(), 103u);
}

TEST(FrameLimiter, EarlyTickWaitsForTheDeadlineAndAdvancesOnePeriod) {
    FakeApplication app;
    ScopedAppInstance scope(&app);
    KL::FrameLimiter limiter(300.0f);
    limiter.SetNextDeadline(100);
    app.clock.now = 98;
    limiter.WaitForNextFrame();
    EXPECT_EQ(app.clock.waits, std::vector<uint32_t>{2});
    EXPECT_EQ(limiter.GetNextDeadline(), 103u);
}

TEST(FrameLimiter, SteadyClockSettlesIntoOneTickPerPeriod) {
    FakeApplication app;
    ScopedAppInstance scope(&app);
    KL::FrameLimiter limiter(60.0f);
    app.clock.now = 5000;
    for (int i = 0; i < 4; ++i) limiter.WaitForNextFrame();
    // The first tick starts the schedule; each later one waits a whole period.
    EXPECT_EQ(app.clock.waits, (std::vector<uint32_t>{16, 16, 16}));
    EXPECT_EQ(app.clock.now, 5048u);
}
