// Windows, their OpenGL context and their events on SDL, headless (offscreen video
// driver: Mesa's llvmpipe through EGL).
#include "FakeApplication.h"
#include "KLAppWindowSDL.h"
#include "KLApplicationSDL.h"
#include "KLEventsSDL.h"
#include "ScriptedApplicationSDL.h"
#include "RecordingLog.h"

#include <SDL.h>
#include <SDL_opengl.h>
#include <gtest/gtest.h>

#include <functional>
#include <utility>


namespace {

struct SDLWindow : ::testing::Test {
    void SetUp() override { SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT); }
    void TearDown() override {
        for (KL::Window* w : app.GetWindows()) {
            w->ReleaseWindow();
            delete w;
        }
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
    KL::Window* Open(int x, int y, int w, int h, bool full = false, KLList* listeners = nullptr) {
        return app.OpenWindow("Marlo!!!", x, y, w, h, 32, full, nullptr, listeners);
    }
    static SDL_Window* Native(KL::Window* w) { return static_cast<SDL_Window*>(w->GetHandle()); }

    // Listeners outlive the windows, which are released in TearDown.
    RecordingListener listener;
    KLList listeners;
    ScriptedApplicationSDL app;
    ScopedAppInstance scope{&app};
};

SDL_Event WindowEvent(KL::Window* w, Uint8 which, int data1 = 0, int data2 = 0) {
    SDL_Event e;
    SDL_zero(e);
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = SDL_GetWindowID(static_cast<SDL_Window*>(w->GetHandle()));
    e.window.event = which;
    e.window.data1 = data1;
    e.window.data2 = data2;
    return e;
}

SDL_Event Button(KL::Window* w, bool down, Uint8 button, Uint8 clicks = 1) {
    SDL_Event e;
    SDL_zero(e);
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = SDL_GetWindowID(static_cast<SDL_Window*>(w->GetHandle()));
    e.button.button = button;
    e.button.clicks = clicks;
    return e;
}

SDL_Event Key(KL::Window* w, bool up, SDL_Keycode key, Uint16 mod = KMOD_NONE) {
    SDL_Event e;
    SDL_zero(e);
    e.type = up ? SDL_KEYUP : SDL_KEYDOWN;
    e.key.windowID = SDL_GetWindowID(static_cast<SDL_Window*>(w->GetHandle()));
    e.key.keysym.sym = key;
    e.key.keysym.mod = mod;
    return e;
}

}  // namespace

TEST_F(SDLWindow, WindowedClientAreaIsExactlyTheSizeAskedAtThePlaceAsked) {
    KL::Window* window = Open(10, 30, 640, 480);
    ASSERT_NE(window->GetHandle(), nullptr);
    int x = -1, y = -1;
    SDL_GetWindowPosition(Native(window), &x, &y);
    EXPECT_EQ(x, 10);
    EXPECT_EQ(y, 30);
    int32_t w = 0, h = 0;
    window->GetClientSize(&w, &h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    EXPECT_STREQ(window->GetTitle(), "Marlo!!!");

    EXPECT_TRUE(window->SetPosition(50, 60, 320, 200));
    SDL_GetWindowPosition(Native(window), &x, &y);
    window->GetClientSize(&w, &h);
    EXPECT_EQ(x, 50);
    EXPECT_EQ(y, 60);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 200);
}

TEST_F(SDLWindow, WindowWithoutNativeWindowCannotBePlacedOrDrawn) {
    KL::Window* window = app.NewWindow();
    EXPECT_FALSE(window->SetPosition(0, 0, 10, 10));
    EXPECT_FALSE(window->MakeCurrent());
    EXPECT_FALSE(window->SwapBuffers());
    EXPECT_FALSE(window->PrepareForOpenGL());
    EXPECT_FALSE(window->ReleaseOpenGL());
    EXPECT_STREQ(window->GetTitle(), "");
    window->ReleaseWindow();
    delete window;
}

TEST_F(SDLWindow, OpenGLContextIsTracedCurrentSwappableAndReleasedOnce) {
    KL::Window* window = Open(10, 30, 64, 48);
    RecordingLog log;
    ASSERT_TRUE(window->PrepareForOpenGL());
    ASSERT_EQ(log.Lines().size(), 1u);
    // "Found: 'renderer (vendor)' [version] with [extensions]"
    const std::string found = log.Lines()[0];
    EXPECT_EQ(found.rfind("Found: '", 0), 0u) << found;
    EXPECT_NE(found.find(" ("), std::string::npos) << found;
    EXPECT_NE(found.find("' ["), std::string::npos) << found;
    EXPECT_NE(found.find("] with [GL_"), std::string::npos) << found;
    EXPECT_NE(found.find(" GL_ARB_multitexture "), std::string::npos) << found;
    EXPECT_EQ(found.back(), ']');
    const KL::PixelFormatRequest& format = static_cast<_KL::WindowSDL*>(window)->GetPixelFormat();
    EXPECT_GE(format.depthBits, 16);

    // The context really draws: clear to a colour and read it back.
    EXPECT_TRUE(window->MakeCurrent());
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    unsigned char pixel[4] = {};
    glReadPixels(5, 5, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_EQ(pixel[0], 0);
    EXPECT_EQ(pixel[1], 255);
    EXPECT_TRUE(window->SwapBuffers());

    EXPECT_TRUE(window->ReleaseOpenGL());
    EXPECT_FALSE(window->ReleaseOpenGL());
    EXPECT_FALSE(window->MakeCurrent());
    EXPECT_FALSE(window->SwapBuffers());
}

TEST_F(SDLWindow, ReleasingTheWindowTellsItsListenersOnce) {
    listeners.Append(&listener);
    KL::Window* window = Open(0, 0, 32, 32, false, &listeners);
    ASSERT_TRUE(window->PrepareForOpenGL());
    listener.events.clear();
    window->ReleaseWindow();
    window->ReleaseWindow();
    EXPECT_EQ(listener.events, std::vector<std::string>{"destroy"});
    EXPECT_EQ(window->GetHandle(), nullptr);
    EXPECT_FALSE(window->ReleaseOpenGL());  // the context went with the window
}

TEST_F(SDLWindow, FullScreenSwitchesToTheModeAtTheOriginAndHidesTheCursor) {
    RecordingLog log;
    KL::Window* window = Open(10, 30, 800, 600, true);
    ASSERT_NE(window->GetHandle(), nullptr);
    EXPECT_TRUE(log.Boxes().empty());
    EXPECT_TRUE(SDL_GetWindowFlags(Native(window)) & SDL_WINDOW_FULLSCREEN);
    SDL_DisplayMode mode;
    ASSERT_EQ(SDL_GetWindowDisplayMode(Native(window), &mode), 0);
    EXPECT_EQ(mode.w, 800);
    EXPECT_EQ(mode.h, 600);
    int x = -1, y = -1;
    SDL_GetWindowPosition(Native(window), &x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    SDL_ShowCursor(SDL_ENABLE);
}

TEST_F(SDLWindow, PlatformStubsKeepTheirTexts) {
    KL::Window* window = Open(0, 0, 16, 16);
    RecordingLog log;
    EXPECT_TRUE(window->Restore());
    window->Unsupported(1, 2, 3);
    window->DrawCircle(1, 1, 1);
    EXPECT_EQ(log.Boxes(), (std::vector<std::string>{"_KL::WindowSDL::Restore not defined. (KLAppWindowSDL)",
                                                     "KL::Window::DrawCircle not defined. (c:\\code\\kestlib\\KLAppWindow)"}));
    EXPECT_TRUE(log.Contains("Unsuported"));
}

TEST_F(SDLWindow, ReleasingACopyLeavesTheWindowOpenAndItsListenersUntold) {
    listeners.Append(&listener);
    KL::Window* window = Open(0, 0, 16, 16, false, &listeners);
    const Uint32 id = SDL_GetWindowID(Native(window));
    using MakeCopy = std::function<KL::Window*()>;
    const std::vector<std::pair<const char*, MakeCopy>> copies = {
        {"Clone", [&] { return window->Clone(); }},
        {"AttachWindow", [&] { return app.AttachWindow(window->GetHandle()); }},
    };
    for (const auto& [name, make] : copies) {
        SCOPED_TRACE(name);
        listener.events.clear();
        KL::Window* copy = make();
        EXPECT_EQ(copy->GetHandle(), window->GetHandle());
        copy->ReleaseWindow();
        EXPECT_EQ(copy->GetHandle(), nullptr);
        EXPECT_EQ(SDL_GetWindowFromID(id), Native(window));
        EXPECT_TRUE(listener.events.empty());
        delete copy;
    }
    window->ReleaseWindow();
    EXPECT_EQ(listener.events, std::vector<std::string>{"destroy"});
    EXPECT_EQ(SDL_GetWindowFromID(id), nullptr);
}

TEST_F(SDLWindow, AWindowGivenAnotherHandleReleasesTheWindowItMade) {
    listeners.Append(&listener);
    KL::Window* made = Open(0, 0, 16, 16, false, &listeners);
    KL::Window* other = Open(20, 0, 16, 16);
    ASSERT_TRUE(made->PrepareForOpenGL());
    const Uint32 id = SDL_GetWindowID(Native(made));
    listener.events.clear();
    made->SetHandle(made->GetHandle());  // its own handle: nothing changes
    EXPECT_NE(SDL_GetWindowFromID(id), nullptr);
    EXPECT_TRUE(made->MakeCurrent());

    made->SetHandle(other->GetHandle());
    EXPECT_EQ(SDL_GetWindowFromID(id), nullptr);
    EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
    EXPECT_EQ(listener.events, std::vector<std::string>{"destroy"});
    // Now a copy: releasing it leaves the other window open.
    made->ReleaseWindow();
    EXPECT_EQ(SDL_GetWindowFromID(SDL_GetWindowID(Native(other))), Native(other));
    other->ReleaseWindow();
}

TEST_F(SDLWindow, SDLEventsBecomeTheirWindowEvents) {
    listeners.Append(&listener);
    KL::Window* window = Open(0, 0, 64, 64, false, &listeners);
    listener.events.clear();

    struct Row {
        SDL_Event event;
        std::vector<std::string> expected;
    };
    const std::vector<Row> rows = {
        {WindowEvent(window, SDL_WINDOWEVENT_CLOSE), {"close"}},
        {WindowEvent(window, SDL_WINDOWEVENT_SIZE_CHANGED, 800, 600), {"resize 800 600"}},
        {WindowEvent(window, SDL_WINDOWEVENT_RESIZED, 800, 600), {}},
        {WindowEvent(window, SDL_WINDOWEVENT_FOCUS_LOST), {"focuslost"}},
        {WindowEvent(window, SDL_WINDOWEVENT_FOCUS_GAINED), {"activate"}},
        {WindowEvent(window, SDL_WINDOWEVENT_MINIMIZED), {"deactivate"}},
        {WindowEvent(window, SDL_WINDOWEVENT_RESTORED), {"activate"}},
        {WindowEvent(window, SDL_WINDOWEVENT_EXPOSED), {}},
        {Button(window, true, SDL_BUTTON_LEFT), {"ldown"}},
        {Button(window, false, SDL_BUTTON_LEFT), {"lup"}},
        {Button(window, true, SDL_BUTTON_LEFT, 2), {"ldouble"}},
        {Button(window, true, SDL_BUTTON_MIDDLE), {"mdown"}},
        {Button(window, false, SDL_BUTTON_MIDDLE), {"mup"}},
        {Button(window, true, SDL_BUTTON_MIDDLE, 2), {"mdouble"}},
        {Button(window, true, SDL_BUTTON_RIGHT), {"rdown"}},
        {Button(window, false, SDL_BUTTON_RIGHT), {"rup"}},
        {Button(window, true, SDL_BUTTON_RIGHT, 2), {"rdouble"}},
        {Button(window, true, SDL_BUTTON_X1), {}},
        // Presses carry the framework's key and Shift; releases only ever quit (Escape).
        {Key(window, false, SDLK_ESCAPE), {"key 27 0"}},
        {Key(window, false, SDLK_SPACE), {"key 32 0"}},
        {Key(window, false, SDLK_HOME), {"key 36 0"}},
        {Key(window, false, SDLK_LEFT, KMOD_LSHIFT), {"key 37 1"}},
        {Key(window, false, SDLK_RIGHT, KMOD_RSHIFT), {"key 39 1"}},
        {Key(window, false, SDLK_RIGHT, KMOD_LCTRL), {"key 39 0"}},
        {Key(window, false, SDLK_a), {"key 0 0"}},
        {Key(window, true, SDLK_SPACE), {}},
    };
    for (const Row& row : rows) {
        listener.events.clear();
        app.HandleEvent(row.event);
        EXPECT_EQ(listener.events, row.expected) << "event type " << row.event.type;
    }
    EXPECT_EQ(QueuedQuits(), 0);
    EXPECT_TRUE(window->IsActive());
}

TEST_F(SDLWindow, ActiveFlagFollowsFocusAndMinimising) {
    KL::Window* window = Open(0, 0, 64, 64);
    app.HandleEvent(WindowEvent(window, SDL_WINDOWEVENT_FOCUS_GAINED));
    EXPECT_TRUE(window->IsActive());
    app.HandleEvent(WindowEvent(window, SDL_WINDOWEVENT_MINIMIZED));
    EXPECT_FALSE(window->IsActive());
}

TEST_F(SDLWindow, ReleasingEscapeInTheWindowPostsQuit) {
    KL::Window* window = Open(0, 0, 64, 64);
    app.HandleEvent(Key(window, true, SDLK_ESCAPE));
    EXPECT_EQ(QueuedQuits(), 1);
}

TEST_F(SDLWindow, EventsOfWindowsThatAreNotTheApplicationsGoNowhere) {
    listeners.Append(&listener);
    KL::Window* window = Open(0, 0, 64, 64, false, &listeners);
    SDL_Window* stranger = SDL_CreateWindow("stranger", 0, 0, 16, 16, SDL_WINDOW_HIDDEN);
    ASSERT_NE(stranger, nullptr);
    listener.events.clear();
    SDL_Event close = WindowEvent(window, SDL_WINDOWEVENT_CLOSE);
    close.window.windowID = SDL_GetWindowID(stranger);
    EXPECT_EQ(app.HandleEvent(close), 0);
    SDL_Event escape = Key(window, true, SDLK_ESCAPE);
    escape.key.windowID = SDL_GetWindowID(stranger);
    app.HandleEvent(escape);
    EXPECT_TRUE(listener.events.empty());
    EXPECT_EQ(QueuedQuits(), 0);
    SDL_DestroyWindow(stranger);
}

TEST_F(SDLWindow, TheLoopDeliversQueuedEventsThenFramesEveryListenerEachTick) {
    listeners.Append(&listener);
    KL::Window* window = Open(0, 0, 64, 64, false, &listeners);
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);  // what the window system said at creation
    listener.events.clear();

    static struct QuitOnSecondFrame : KL::WindowListener {
        int frames = 0;
        void OnFrame(uint32_t) override {
            if (++frames == 2) KLAbstractFactory<KL::Application>::GetInstance()->Quit();
        }
    } quitter;
    quitter.frames = 0;
    window->AddListener(&quitter);

    SDL_Event close = WindowEvent(window, SDL_WINDOWEVENT_CLOSE);
    SDL_PushEvent(&close);
    app.clock.now = 100;
    EXPECT_EQ(app.Run(), 0);
    ASSERT_GE(listener.events.size(), 3u);
    EXPECT_EQ(listener.events[0], "close");
    EXPECT_EQ(listener.events[1].rfind("frame ", 0), 0u);
    EXPECT_EQ(quitter.frames, 2);
}

TEST_F(SDLWindow, DisplayModeChangeTakesOnlyAModeTheDisplayOffers) {
    KL::Window* window = Open(0, 0, 64, 64);
    ASSERT_NE(window->GetHandle(), nullptr);
    EXPECT_EQ(app.ChangeDisplayMode(123, 45, 32), _KL::kDisplayChangeBadMode);
    EXPECT_EQ(app.ChangeDisplayMode(123, 45, 17), _KL::kDisplayChangeBadMode);
    EXPECT_FALSE(SDL_GetWindowFlags(Native(window)) & SDL_WINDOW_FULLSCREEN);
}
