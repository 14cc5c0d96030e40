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

TEST(FrameLimiter, DeadlineCasesAtThreeHundredPerSecond) {
    struct Case {
        const char* what;
        uint32_t now;
        std::vector<uint32_t> waits;
        uint32_t nextDeadline;
    };
    const Case cases[] = {
        // A late tick restarts the schedule from now without waiting.
        {"1 ms late", 101, {}, 104},
        // A tick exactly at the deadline waits zero and advances one period.
        {"on time", 100, {0}, 103},
        // An early tick waits for the deadline and advances one period.
        {"2 ms early", 98, {2}, 103},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeApplication app;
        ScopedAppInstance scope(&app);
        KL::FrameLimiter limiter(300.0f);
        limiter.SetNextDeadline(100);
        app.clock.now = c.now;
        limiter.WaitForNextFrame();
        EXPECT_EQ(app.clock.waits, c.waits);
        EXPECT_EQ(limiter.GetNextDeadline(), c.nextDeadline);
    }
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
