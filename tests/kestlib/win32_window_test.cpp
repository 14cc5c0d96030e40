// Win32 windows, their OpenGL context, their messages and the message loop, under Wine
// (windows never shown; Mesa's llvmpipe behind WGL).
#include "FakeApplication.h"
#include "ScriptedApplication.h"
#include "KLAppWindowWin32.h"
#include "KLApplicationWin32.h"
#include "RecordingLog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "KLWindowsApi.h"

#include <GL/gl.h>

namespace {

// Handles every waiting message of this thread and removes WM_QUIT; returns how many
// quits were among them. Messages are dispatched: a shown window's WM_PAINT stays in the
// queue until its window procedure has painted.
int DrainQueue() {
    int quits = 0;
    MSG message;
    for (int i = 0; i < 1000 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE); ++i) {
        if (message.message == WM_QUIT) ++quits;
        DispatchMessageA(&message);
    }
    return quits;
}

HWND Native(KL::Window* window) { return static_cast<HWND>(window->GetHandle()); }

struct Win32Window : ::testing::Test {
    void SetUp() override {
        KL::UseOffscreenWindows();
        DrainQueue();
    }
    void TearDown() override {
        for (KL::Window* w : app.GetWindows()) {
            w->ReleaseWindow();
            delete w;
        }
        DrainQueue();
    }
    KL::Window* Open(int x, int y, int w, int h, int bits = 32) {
        return app.OpenWindow("Marlo!!!", x, y, w, h, bits, false, nullptr, &listeners);
    }

    // Listeners outlive the windows, which are released in TearDown.
    RecordingListener listener;
    KLList listeners;
    ScriptedApplication app;
    ScopedAppInstance scope{&app};
};

}  // namespace

TEST_F(Win32Window, MessagesReachTheListenersAsEvents) {
    listeners.Append(&listener);
    KL::Window* window = Open(0, 0, 64, 48);
    ASSERT_NE(window->GetHandle(), nullptr);
    struct Row {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        std::vector<std::string> events;
        LRESULT result;
        int active;  // the window's active field afterwards; -1: unchanged from before
    };
    const Row rows[] = {
        {WM_SIZE, 0, MAKELPARAM(800, 600), {"resize 800 600"}, 1, -1},
        {WM_ACTIVATE, WA_ACTIVE, 0, {"activate"}, 1, 1},
        {WM_ACTIVATE, WA_INACTIVE, 0, {"deactivate"}, 1, 0},
        {WM_ACTIVATE, WA_CLICKACTIVE, 0, {"clickactivate"}, 1, 1},
        // A minimised window's activation carries a high word: nothing happens.
        {WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0, {}, 1, 1},
        {WM_KILLFOCUS, 0, 0, {"focuslost"}, 1, -1},
        {WM_CLOSE, 0, 0, {"close"}, 1, -1},
        {WM_QUIT, 0, 0, {"quit"}, 1, -1},
        {WM_INITDIALOG, 0, 0, {"initdialog"}, 1, -1},
        {WM_LBUTTONDOWN, 0, 0, {"ldown"}, 1, -1},
        {WM_LBUTTONUP, 0, 0, {"lup"}, 1, -1},
        {WM_LBUTTONDBLCLK, 0, 0, {"ldouble"}, 1, -1},
        {WM_MBUTTONDOWN, 0, 0, {"mdown"}, 1, -1},
        {WM_MBUTTONUP, 0, 0, {"mup"}, 1, -1},
        {WM_MBUTTONDBLCLK, 0, 0, {"mdouble"}, 1, -1},
        {WM_RBUTTONDOWN, 0, 0, {"rdown"}, 1, -1},
        {WM_RBUTTONUP, 0, 0, {"rup"}, 1, -1},
        {WM_RBUTTONDBLCLK, 0, 0, {"rdouble"}, 1, -1},
        {WM_ENTERSIZEMOVE, 0, 0, {"entersizemove"}, 1, -1},
        {WM_EXITSIZEMOVE, 0, 0, {"exitsizemove"}, 1, -1},
        {WM_DESTROY, 0, 0, {"destroy"}, 1, -1},
        {WM_KEYUP, 'A', 0, {}, 1, -1},
        {WM_KEYDOWN, VK_SPACE, 0, {"key 32 0"}, 1, -1},
        {WM_KEYDOWN, VK_HOME, 0, {"key 36 0"}, 1, -1},
        {WM_KEYDOWN, VK_LEFT, 0, {"key 37 0"}, 1, -1},
        {WM_KEYDOWN, VK_RIGHT, 0, {"key 39 0"}, 1, -1},
        {WM_KEYDOWN, 'A', 0, {"key 0 0"}, 1, -1},
        // Not translated: default processing answers (the title's length).
        {WM_GETTEXTLENGTH, 0, 0, {}, 8, -1},
    };
    for (const Row& row : rows) {
        listener.events.clear();
        const LRESULT result = SendMessageA(Native(window), row.message, row.wParam, row.lParam);
        EXPECT_EQ(listener.events, row.events) << "message " << row.message << " wParam " << row.wParam;
        EXPECT_EQ(result, row.result) << "message " << row.message;
        if (row.active >= 0) {
            EXPECT_EQ(window->IsActive(), row.active == 1) << "message " << row.message;
        }
    }
    // WM_CLOSE did not destroy the window; its listeners decide.
    EXPECT_TRUE(IsWindow(Native(window)));
    EXPECT_EQ(DrainQueue(), 0);
}

TEST_F(Win32Window, ReleasingEscapeQuitsPressingItDoesNot) {
    KL::Window* window = Open(0, 0, 32, 32);
    // A window of the framework's class that the application did not open.
    KL::Window* stranger = app.NewWindow();
    stranger->SetName("stranger");
    stranger->Create(0, 0, 32, 32, 32, false, nullptr);
    ASSERT_NE(stranger->GetHandle(), nullptr);

    EXPECT_EQ(SendMessageA(Native(window), WM_KEYDOWN, VK_ESCAPE, 0), 1);
    EXPECT_EQ(SendMessageA(Native(stranger), WM_KEYUP, VK_ESCAPE, 0), 0);
    EXPECT_EQ(DrainQueue(), 0);
    EXPECT_EQ(SendMessageA(Native(window), WM_KEYUP, VK_ESCAPE, 0), 1);
    EXPECT_EQ(DrainQueue(), 1);
    stranger->ReleaseWindow();
    delete stranger;
}

TEST_F(Win32Window, LoopDispatchesPostedMessagesTicksAndEndsOnQuit) {
    struct QuitOnThirdFrame : KL::ApplicationClient {
        void OnStart() override { ++starts; }
        void OnFrame(uint32_t) override {
            if (++frames == 3) KLAbstractFactory<KL::Application>::GetInstance()->Quit();
        }
        int starts = 0;
        int frames = 0;
    } client;
    app.AddClient(&client);
    listeners.Append(&listener);
    KL::Window* window = Open(0, 0, 32, 32);
    listener.events.clear();
    PostMessageA(Native(window), WM_LBUTTONDOWN, 0, 0);
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(client.starts, 1);
    EXPECT_EQ(client.frames, 3);
    // The posted message came first, then one frame event per tick.
    ASSERT_EQ(listener.events.size(), 4u);
    EXPECT_EQ(listener.events[0], "ldown");
    EXPECT_EQ(listener.events[3].rfind("frame ", 0), 0u);

    // A quit already waiting ends the loop before any tick, after the clients started.
    PostQuitMessage(0);
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(client.starts, 2);
    EXPECT_EQ(client.frames, 3);
}

TEST_F(Win32Window, WindowedClientAreaIsExactlyTheSizeAskedAtThePlaceAsked) {
    KL::Window* window = Open(10, 30, 640, 480);
    ASSERT_NE(window->GetHandle(), nullptr);
    const auto clientRect = [&] {
        RECT rect = {};
        GetClientRect(Native(window), &rect);
        POINT origin = {0, 0};
        ClientToScreen(Native(window), &origin);
        return std::vector<long>{origin.x, origin.y, rect.right - rect.left, rect.bottom - rect.top};
    };
    EXPECT_EQ(clientRect(), (std::vector<long>{10, 30, 640, 480}));
    int32_t w = 0, h = 0;
    window->GetClientSize(&w, &h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    EXPECT_STREQ(window->GetTitle(), "Marlo!!!");
    // Never shown: windows render off screen.
    EXPECT_FALSE(IsWindowVisible(Native(window)));

    EXPECT_TRUE(window->SetPosition(50, 60, 320, 200));
    EXPECT_EQ(clientRect(), (std::vector<long>{50, 60, 320, 200}));
}

TEST_F(Win32Window, WindowsWithTheSameTitleAllGetNativeWindowsAndContexts) {
    RecordingLog log;
    KL::Window* first = Open(0, 0, 32, 32);
    KL::Window* second = Open(0, 0, 32, 32);
    ASSERT_NE(first->GetHandle(), nullptr);
    ASSERT_NE(second->GetHandle(), nullptr);
    EXPECT_TRUE(first->PrepareForOpenGL());
    first->ReleaseWindow();
    // The class outlives the first window's release while the second still uses it, and
    // comes back for a third window once every window is gone.
    EXPECT_TRUE(second->PrepareForOpenGL());
    second->ReleaseWindow();
    KL::Window* third = Open(0, 0, 32, 32);
    EXPECT_NE(third->GetHandle(), nullptr);
    EXPECT_TRUE(log.Boxes().empty()) << log.Boxes()[0];
}

TEST_F(Win32Window, OpenGLContextIsTracedDrawsAndIsReleasedOnce) {
    listeners.Append(&listener);
    KL::Window* window = Open(10, 30, 64, 48);
    RecordingLog log;
    ASSERT_TRUE(window->PrepareForOpenGL());
    ASSERT_EQ(log.Lines().size(), 1u);
    // "Found: 'renderer (vendor)' [version] with [extensions]"
    const std::string found = log.Lines()[0];
    EXPECT_EQ(found.rfind("Found: '", 0), 0u) << found;
    EXPECT_NE(found.find(" ("), std::string::npos) << found;
    EXPECT_NE(found.find(")' ["), std::string::npos) << found;
    EXPECT_NE(found.find("] with [GL_"), std::string::npos) << found;
    EXPECT_EQ(found.back(), ']');
    const KL::PixelFormatRequest& format = static_cast<_KL::WindowWin32*>(window)->GetPixelFormat();
    EXPECT_EQ(format.colourBits, 32);
    EXPECT_GE(format.depthBits, 16);
    EXPECT_EQ(format.stencilBits, 8);

    // The context really draws: clear to a colour and read it back.
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    unsigned char pixel[4] = {};
    glReadBuffer(GL_BACK);
    glReadPixels(5, 5, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_EQ(pixel[0], 0);
    EXPECT_EQ(pixel[1], 255);
    EXPECT_TRUE(window->SwapBuffers());

    EXPECT_TRUE(window->ReleaseOpenGL());
    EXPECT_FALSE(window->ReleaseOpenGL());
    EXPECT_FALSE(window->MakeCurrent());
    EXPECT_FALSE(window->SwapBuffers());
    // A context made again on the same window (whose pixel format is fixed) works.
    ASSERT_TRUE(window->PrepareForOpenGL());

    HWND native = Native(window);
    listener.events.clear();
    window->ReleaseWindow();
    window->ReleaseWindow();
    // Destroying the active window deactivates it first; the destruction is told once.
    ASSERT_FALSE(listener.events.empty());
    EXPECT_EQ(listener.events.back(), "destroy");
    EXPECT_EQ(std::count(listener.events.begin(), listener.events.end(), "destroy"), 1);
    EXPECT_EQ(window->GetHandle(), nullptr);
    EXPECT_FALSE(IsWindow(native));
    EXPECT_FALSE(window->ReleaseOpenGL());  // the context went with the window
}

TEST_F(Win32Window, SixteenBitModesSearchPixelFormatsFromTheFirstStep) {
    std::vector<KL::PixelFormatRequest> asked;
    _KL::SetPixelFormatGate([&](const KL::PixelFormatRequest& request) {
        asked.push_back(request);
        return request.stencilBits == 0;  // a driver without stencil buffers
    });
    KL::Window* window = Open(0, 0, 32, 32, 16);
    const bool prepared = window->PrepareForOpenGL();
    _KL::SetPixelFormatGate(nullptr);
    ASSERT_TRUE(prepared);
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[0], KL::PixelFormatStep(1));
    EXPECT_EQ(asked[2], KL::PixelFormatStep(3));
}

TEST_F(Win32Window, AWindowGivenAnotherHandleReleasesTheWindowItMade) {
    KL::Window* made = Open(0, 0, 32, 32);
    KL::Window* other = Open(40, 0, 32, 32);
    ASSERT_TRUE(made->PrepareForOpenGL());
    HWND native = Native(made);
    made->SetHandle(native);  // its own handle: nothing changes
    EXPECT_TRUE(IsWindow(native));
    EXPECT_TRUE(made->MakeCurrent());

    made->SetHandle(other->GetHandle());
    EXPECT_FALSE(IsWindow(native));
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
    // Now a copy: releasing it leaves the other window open.
    made->ReleaseWindow();
    EXPECT_TRUE(IsWindow(Native(other)));
    other->ReleaseWindow();
}

TEST_F(Win32Window, WindowWithoutNativeWindowCannotBePlacedOrDrawn) {
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
