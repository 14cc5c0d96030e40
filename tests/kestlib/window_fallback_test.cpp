// The framebuffer search on displays that lack formats: a gate in the SDL window code
// refuses chosen requests, at window creation (the visual) or at context creation, as
// such a display would. Headless (offscreen video driver). The suite makes GL contexts,
// so it is named with the SDL window suites that the leak run leaves out.
#include "FakeApplication.h"
#include "KLAppWindowSDL.h"
#include "RecordingLog.h"
#include "ScriptedApplicationSDL.h"

#include <SDL.h>
#include <SDL_opengl.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

using _KL::FramebufferStage;

int StepOf(const KL::PixelFormatRequest& request) {
    for (int step = 1; step <= KL::kPixelFormatSteps; ++step) {
        if (KL::PixelFormatStep(step) == request) return step;
    }
    return 0;
}

const std::set<int> kAllSteps = {1, 2, 3, 4, 5, 6, 7, 8};

struct SDLWindowFallback : ::testing::Test {
    void SetUp() override {
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        _KL::SetFramebufferGate([this](FramebufferStage stage, const KL::PixelFormatRequest& request) {
            const int step = StepOf(request);
            const bool window = stage == FramebufferStage::kWindow;
            asked.push_back((window ? "window " : "context ") + std::to_string(step));
            return (window ? refusedWindows : refusedContexts).count(step) == 0;
        });
        listeners.Append(&listener);
    }
    void TearDown() override {
        _KL::SetFramebufferGate(nullptr);
        for (KL::Window* w : app.GetWindows()) {
            w->ReleaseWindow();
            delete w;
        }
        SDL_ShowCursor(SDL_ENABLE);
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
    KL::Window* Open(int x, int y, int w, int h, int bits = 32, bool full = false) {
        return app.OpenWindow("Marlo!!!", x, y, w, h, bits, full, nullptr, &listeners);
    }
    static SDL_Window* Native(KL::Window* w) { return static_cast<SDL_Window*>(w->GetHandle()); }

    std::set<int> refusedWindows;
    std::set<int> refusedContexts;
    std::vector<std::string> asked;
    RecordingListener listener;
    KLList listeners;
    ScriptedApplicationSDL app;
    ScopedAppInstance scope{&app};
};

}  // namespace

TEST_F(SDLWindowFallback, EachStepGetsItsOwnWindowUntilTheDisplayGrantsOne) {
    struct Case {
        const char* name;
        int bits;
        std::set<int> refusedWindows, refusedContexts;
        std::vector<std::string> asked;
        bool ready;
    };
    const std::vector<Case> cases = {
        {"everything offered", 32, {}, {}, {"window 1", "context 1"}, true},
        {"no 32-bit visual", 32, {1, 2, 3, 4}, {},
         {"window 1", "window 2", "window 3", "window 4", "window 5", "context 5"}, true},
        {"contexts refused on the first two", 32, {}, {1, 2},
         {"window 1", "context 1", "window 2", "context 2", "window 3", "context 3"}, true},
        {"a refused window after a refused context", 32, {2}, {1},
         {"window 1", "context 1", "window 2", "window 3", "context 3"}, true},
        {"16-bit mode starts at step 5", 16, {}, {}, {"window 5", "context 5"}, true},
        {"no context at all", 32, {}, kAllSteps,
         {"window 1", "context 1", "window 2", "context 2", "window 3", "context 3", "window 4", "context 4",
          "window 5", "context 5", "window 6", "context 6", "window 7", "context 7", "window 8", "context 8"},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        refusedWindows = c.refusedWindows;
        refusedContexts = c.refusedContexts;
        asked.clear();
        RecordingLog log;
        KL::Window* window = Open(10, 30, 64, 48, c.bits);
        ASSERT_NE(window->GetHandle(), nullptr);
        listener.events.clear();
        EXPECT_EQ(window->PrepareForOpenGL(), c.ready);
        EXPECT_EQ(asked, c.asked);
        EXPECT_TRUE(log.Boxes().empty());
        if (!c.ready) {
            // The window goes, and its listeners hear so once.
            EXPECT_EQ(window->GetHandle(), nullptr);
            EXPECT_EQ(listener.events, std::vector<std::string>{"destroy"});
            continue;
        }
        // The window that came through is a whole one: shown, titled, placed, reached by
        // its events, and its context draws.
        const Uint32 flags = SDL_GetWindowFlags(Native(window));
        EXPECT_TRUE(flags & SDL_WINDOW_SHOWN);
        EXPECT_FALSE(flags & SDL_WINDOW_HIDDEN);
        EXPECT_STREQ(window->GetTitle(), "Marlo!!!");
        int x = -1, y = -1;
        SDL_GetWindowPosition(Native(window), &x, &y);
        EXPECT_EQ(x, 10);
        EXPECT_EQ(y, 30);
        SDL_Event close;
        SDL_zero(close);
        close.type = SDL_WINDOWEVENT;
        close.window.windowID = SDL_GetWindowID(Native(window));
        close.window.event = SDL_WINDOWEVENT_CLOSE;
        EXPECT_EQ(app.HandleEvent(close), 1);
        EXPECT_EQ(listener.events, std::vector<std::string>{"close"});
        glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        unsigned char pixel[4] = {};
        glReadPixels(5, 5, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
        EXPECT_EQ(pixel[2], 255);
        EXPECT_EQ(pixel[0], 0);
        window->ReleaseWindow();
    }
}

TEST_F(SDLWindowFallback, DisplayWithoutAnyVisualGetsNoWindowAndOneReport) {
    refusedWindows = kAllSteps;
    RecordingLog log;
    KL::Window* window = Open(10, 30, 64, 48);
    EXPECT_EQ(window->GetHandle(), nullptr);
    EXPECT_EQ(asked.size(), 8u);
    EXPECT_EQ(log.Boxes(), std::vector<std::string>{"Failed To Create The Window."});
    EXPECT_FALSE(window->PrepareForOpenGL());
}

TEST_F(SDLWindowFallback, RemadeFullScreenWindowIsShownFullScreenInItsMode) {
    refusedContexts = {1};
    RecordingLog log;
    KL::Window* window = Open(10, 30, 800, 600, 32, true);
    ASSERT_TRUE(window->PrepareForOpenGL());
    ASSERT_EQ(asked, (std::vector<std::string>{"window 1", "context 1", "window 2", "context 2"}));
    const Uint32 flags = SDL_GetWindowFlags(Native(window));
    EXPECT_TRUE(flags & SDL_WINDOW_FULLSCREEN);
    EXPECT_TRUE(flags & SDL_WINDOW_SHOWN);
    EXPECT_FALSE(flags & SDL_WINDOW_HIDDEN);
    SDL_DisplayMode mode;
    ASSERT_EQ(SDL_GetWindowDisplayMode(Native(window), &mode), 0);
    EXPECT_EQ(mode.w, 800);
    EXPECT_EQ(mode.h, 600);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    EXPECT_TRUE(log.Boxes().empty());
}

TEST_F(SDLWindowFallback, RemadeWindowKeepsItsLaterPlace) {
    refusedContexts = {1};
    RecordingLog log;
    KL::Window* window = Open(10, 30, 64, 48);
    ASSERT_TRUE(window->SetPosition(50, 60, 80, 40));
    ASSERT_TRUE(window->PrepareForOpenGL());
    ASSERT_EQ(asked.size(), 4u);
    int x = -1, y = -1, w = 0, h = 0;
    SDL_GetWindowPosition(Native(window), &x, &y);
    SDL_GetWindowSize(Native(window), &w, &h);
    EXPECT_EQ(x, 50);
    EXPECT_EQ(y, 60);
    EXPECT_EQ(w, 80);
    EXPECT_EQ(h, 40);
}
