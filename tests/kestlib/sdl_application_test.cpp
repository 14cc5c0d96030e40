// The application and its message loop on SDL, headless (offscreen video driver).
#include "FakeApplication.h"
#include "KLApplicationSDL.h"
#include "ScriptedApplicationSDL.h"
#include "RecordingLog.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>

namespace {

void DropQueuedEvents() { SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT); }

class CountingClient : public KL::ApplicationClient {
public:
    void OnStart() override { ++starts; }
    void OnFrame(uint32_t) override {
        if (++frames == quitAfter && app) app->Quit();
    }
    int starts = 0;
    int frames = 0;
    int quitAfter = -1;
    KL::Application* app = nullptr;
};

struct SDLApp : ::testing::Test {
    void SetUp() override { DropQueuedEvents(); }
    void TearDown() override { DropQueuedEvents(); }
    ScriptedApplicationSDL app;
    ScopedAppInstance scope{&app};
};

}  // namespace

using Loop = SDLApp;

TEST_F(Loop, QuitAlreadyQueuedEndsTheLoopAfterOnStartWithoutATick) {
    CountingClient client;
    app.AddClient(&client);
    app.Quit();
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(client.starts, 1);
    EXPECT_EQ(client.frames, 0);
}

TEST_F(Loop, TicksWhileTheQueueIsEmptyUntilQuitIsRead) {
    CountingClient client;
    client.app = &app;
    client.quitAfter = 3;
    app.AddClient(&client);
    app.clock.step = 1;
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(client.frames, 3);
    // Paced through the application's own Wait, never a real sleep.
    EXPECT_FALSE(app.clock.waits.empty());
}

TEST_F(Loop, StopDispatchPostsExactlyOneQuit) {
    CountingClient a, b;
    app.AddClient(&a);
    app.AddClient(&b);
    app.DispatchCode(KL::kDispatchStop);
    EXPECT_EQ(QueuedQuits(), 1);
}

TEST_F(Loop, StartThreadRunsTheProcedureWithItsParameter) {
    std::promise<int> done;
    auto proc = [](void* p) -> uint32_t {
        static_cast<std::promise<int>*>(p)->set_value(42);
        return 0;
    };
    ASSERT_TRUE(app.StartThread(proc, &done));
    auto result = done.get_future();
    ASSERT_EQ(result.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(result.get(), 42);
    EXPECT_FALSE(app.StartThread(nullptr, nullptr));
}

TEST(SDLClock, RealClockDoesNotGoBackwards) {
    _KL::ApplicationSDL app;
    const uint32_t before = app.GetTime();
    app.Wait(2);
    EXPECT_GE(app.GetTime() - before, 2u);
}

// A capture's clock: reads and waits go to it, a wait costs no real time, and each tick's
// frames see one time, with OnTickDone after them and the next tick 1000 / rate ms later.
TEST(SDLClock, AVirtualClockReplacesTheClockAndTheSleepAndMovesOnAfterEachTick) {
    struct Recorder : KL::ApplicationClient {
        void OnFrame(uint32_t time) override { calls.push_back("frame " + std::to_string(time)); }
        void OnTickDone(uint32_t time) override { calls.push_back("done " + std::to_string(time)); }
        std::vector<std::string> calls;
    } recorder;
    _KL::ApplicationSDL app;
    ScopedAppInstance scope{&app};
    KL::VirtualClock clock(30);
    app.SetVirtualClock(&clock);
    app.AddClient(&recorder);

    const auto start = std::chrono::steady_clock::now();
    app.Wait(60000);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(60000u, app.GetTime());
    app.Tick();
    app.Tick();
    app.Tick();
    EXPECT_EQ((std::vector<std::string>{"frame 60000", "done 60000", "frame 60033", "done 60033", "frame 60067",
                                        "done 60067"}),
              recorder.calls);
    EXPECT_EQ(3u, clock.GetTick());
    app.SetVirtualClock(nullptr);
}
