// The portable application: dispatch to clients, window opening, the tick and the
// translation of window messages into events.
#include "FakeApplication.h"
#include "RecordingLog.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

class RecordingClient : public KL::ApplicationClient {
public:
    RecordingClient(std::vector<std::string>* log, std::string name) : m_log(log), m_name(std::move(name)) {}
    void OnStart() override {
        m_log->push_back(m_name + ".start");
        if (onStart) onStart();
    }
    void OnStop() override { m_log->push_back(m_name + ".stop"); }
    void OnFrame(uint32_t time) override { m_log->push_back(m_name + ".frame " + std::to_string(time)); }

    std::function<void()> onStart;

private:
    std::vector<std::string>* m_log;
    std::string m_name;
};

struct AppFixture : ::testing::Test {
    FakeApplication app;
    ScopedAppInstance scope{&app};
    std::vector<std::string> calls;
};

}  // namespace

using Dispatch = AppFixture;

TEST_F(Dispatch, CallsClientsInRegistrationOrderWithAFreshClockReadEach) {
    RecordingClient a(&calls, "a"), b(&calls, "b");
    app.AddClient(&a);
    app.AddClient(&b);
    app.clock.now = 10;
    app.clock.step = 1;
    app.DispatchCode(KL::kDispatchStart);
    app.DispatchCode(KL::kDispatchFrame);
    EXPECT_EQ(calls, (std::vector<std::string>{"a.start", "b.start", "a.frame 10", "b.frame 11"}));
    EXPECT_EQ(app.stops, 0);
}

TEST_F(Dispatch, StopCallsEveryClientThenPostsQuitOnceAndUnknownCodesCallNothing) {
    RecordingClient a(&calls, "a"), b(&calls, "b");
    app.AddClient(&a);
    app.AddClient(&b);
    app.DispatchCode(5);
    EXPECT_TRUE(calls.empty());
    app.DispatchCode(KL::kDispatchStop);
    EXPECT_EQ(calls, (std::vector<std::string>{"a.stop", "b.stop"}));
    EXPECT_EQ(app.stops, 1);
}

TEST_F(Dispatch, ClientAddedDuringADispatchIsCalledInTheSamePass) {
    RecordingClient a(&calls, "a"), late(&calls, "late");
    a.onStart = [&] { app.AddClient(&late); };
    app.AddClient(&a);
    app.DispatchCode(KL::kDispatchStart);
    EXPECT_EQ(calls, (std::vector<std::string>{"a.start", "late.start"}));
}

TEST_F(Dispatch, RunStartsTheClientsBeforeTheLoop) {
    RecordingClient a(&calls, "a");
    a.onStart = [&] { EXPECT_EQ(app.loops, 0); };
    app.AddClient(&a);
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(calls, std::vector<std::string>{"a.start"});
    EXPECT_EQ(app.loops, 1);
}

using OpenWindow = AppFixture;

TEST_F(OpenWindow, AttachesListenersInOrderBeforeCreatingAndSizesTheClientArea) {
    RecordingListener first(&calls, "1"), second(&calls, "2");
    KLList listeners;
    listeners.Append(&first);
    listeners.Append(&second);
    KL::Window* window = app.OpenWindow("Marlo!!!", 10, 30, 800, 600, 32, false, nullptr, &listeners);
    auto* fake = static_cast<FakeWindow*>(window);
    EXPECT_EQ(calls, (std::vector<std::string>{"1:attach", "2:attach"}));
    EXPECT_EQ(first.GetOwner(), window);
    EXPECT_STREQ(window->GetNameString(), "Marlo!!!");
    ASSERT_EQ(fake->creates.size(), 1u);
    EXPECT_EQ(fake->creates[0].x, 10);
    EXPECT_EQ(fake->creates[0].y, 30);
    EXPECT_EQ(fake->creates[0].bits, 32);
    ASSERT_EQ(fake->positions.size(), 1u);
    EXPECT_EQ(fake->positions[0].width, 800);
    EXPECT_EQ(fake->positions[0].height, 600);
    EXPECT_EQ(app.GetWindows(), std::vector<KL::Window*>{window});
}

TEST_F(OpenWindow, FullScreenIsPlacedAtTheOriginWhateverWasAsked) {
    KL::Window* window = app.OpenWindow("full", 10, 30, 640, 480, 16, true, nullptr, nullptr);
    auto* fake = static_cast<FakeWindow*>(window);
    ASSERT_EQ(fake->creates.size(), 1u);
    EXPECT_EQ(fake->creates[0].x, 0);
    EXPECT_EQ(fake->creates[0].y, 0);
    EXPECT_TRUE(fake->creates[0].fullScreen);
    EXPECT_EQ(fake->positions[0].x, 0);
    EXPECT_EQ(fake->positions[0].y, 0);
}

TEST_F(OpenWindow, AttachedWindowIsNotOneOfTheApplicationsWindows) {
    int native = 0;
    KL::Window* attached = app.AttachWindow(&native);
    EXPECT_EQ(attached->GetHandle(), &native);
    EXPECT_TRUE(app.GetWindows().empty());
}

using Tick = AppFixture;

TEST_F(Tick, WaitsThenFramesClientsThenEveryListenerOfEveryWindow) {
    RecordingClient client(&calls, "client");
    app.AddClient(&client);
    RecordingListener a(&calls, "w1a"), b(&calls, "w1b"), c(&calls, "w2");
    KL::Window* w1 = app.OpenWindow("one", 0, 0, 1, 1, 32, false, nullptr, nullptr);
    KL::Window* w2 = app.OpenWindow("two", 0, 0, 1, 1, 32, false, nullptr, nullptr);
    w1->AddListener(&a);
    w1->AddListener(&b);
    w2->AddListener(&c);
    calls.clear();
    app.clock.now = 500;
    app.clock.step = 1;
    app.Tick();
    // Clock reads: the limiter (500), the client (501), then per window one read for the
    // event and one per listener at delivery.
    EXPECT_EQ(calls, (std::vector<std::string>{"client.frame 501", "w1a:frame 503", "w1b:frame 504", "w2:frame 506"}));
    EXPECT_TRUE(app.clock.waits.empty());  // the first tick starts the schedule at 503
    app.clock.step = 0;
    app.clock.now = 501;
    app.Tick();
    EXPECT_EQ(app.clock.waits, std::vector<uint32_t>{2});
}

namespace {

struct TranslateFixture : AppFixture {
    int nativeA = 0, nativeB = 0;
    RecordingListener listener;
    FakeWindow* window = nullptr;

    void SetUp() override {
        window = static_cast<FakeWindow*>(app.OpenWindow("w", 0, 0, 1, 1, 32, false, nullptr, nullptr));
        window->SetHandle(&nativeA);
        window->AddListener(&listener);
        listener.events.clear();
    }
    int Send(KL::WindowMessageKind kind, int32_t a = 0, int32_t b = 0, void* handle = nullptr) {
        KL::WindowMessage m;
        m.handle = handle ? handle : &nativeA;
        m.kind = kind;
        m.a = a;
        m.b = b;
        return app.TranslateWindowMessage(m);
    }
};

}  // namespace

using Translate = TranslateFixture;

TEST_F(Translate, EveryMessageReachesItsListenerOperation) {
    using K = KL::WindowMessageKind;
    const std::vector<std::pair<K, std::string>> table = {
        {K::Destroy, "destroy"},
        {K::KillFocus, "focuslost"},
        {K::Close, "close"},
        {K::Quit, "quit"},
        {K::InitDialog, "initdialog"},
        {K::LeftButtonDown, "ldown"},
        {K::LeftButtonUp, "lup"},
        {K::LeftDoubleClick, "ldouble"},
        {K::MiddleButtonDown, "mdown"},
        {K::MiddleButtonUp, "mup"},
        {K::MiddleDoubleClick, "mdouble"},
        {K::RightButtonDown, "rdown"},
        {K::RightButtonUp, "rup"},
        {K::RightDoubleClick, "rdouble"},
        {K::EnterSizeMove, "entersizemove"},
        {K::ExitSizeMove, "exitsizemove"},
    };
    for (const auto& row : table) {
        listener.events.clear();
        EXPECT_EQ(Send(row.first), 1) << row.second;
        EXPECT_EQ(listener.events, std::vector<std::string>{row.second});
    }
    listener.events.clear();
    EXPECT_EQ(Send(K::Size, 800, 600), 1);
    EXPECT_EQ(listener.events, std::vector<std::string>{"resize 800 600"});
}

TEST_F(Translate, ActivationStatesSetTheActiveFlag) {
    using K = KL::WindowMessageKind;
    Send(K::Activate, KL::kActivateActive);
    EXPECT_TRUE(window->IsActive());
    Send(K::Activate, KL::kActivateInactive);
    EXPECT_FALSE(window->IsActive());
    Send(K::Activate, KL::kActivateClickActive);
    EXPECT_TRUE(window->IsActive());
    EXPECT_EQ(Send(K::Activate, 7), 1);  // a minimised window's state: nothing
    EXPECT_EQ(listener.events, (std::vector<std::string>{"activate", "deactivate", "clickactivate"}));
}

TEST_F(Translate, KeyPressesReachTheListenersWithTheirShift) {
    EXPECT_EQ(Send(KL::WindowMessageKind::KeyDown, KL::kKeyLeft, KL::kKeyShift), 1);
    EXPECT_EQ(Send(KL::WindowMessageKind::KeyDown, KL::kKeyEscape, 0), 1);
    EXPECT_EQ(listener.events, (std::vector<std::string>{"key 37 1", "key 27 0"}));
    EXPECT_EQ(app.quits, 0) << "only releasing Escape quits";
}

TEST_F(Translate, ReleasingEscapePostsQuitAndOtherKeysDoNothing) {
    EXPECT_EQ(Send(KL::WindowMessageKind::KeyUp, KL::kKeyOther), 1);
    EXPECT_EQ(app.quits, 0);
    EXPECT_EQ(Send(KL::WindowMessageKind::KeyUp, KL::kKeyEscape), 1);
    EXPECT_EQ(app.quits, 1);
    EXPECT_TRUE(listener.events.empty());
}

TEST_F(Translate, MessagesForUnknownWindowsOrWithoutHandleGoToDefaultProcessing) {
    EXPECT_EQ(Send(KL::WindowMessageKind::Close, 0, 0, &nativeB), 0);
    KL::WindowMessage noHandle;
    noHandle.kind = KL::WindowMessageKind::Close;
    EXPECT_EQ(app.TranslateWindowMessage(noHandle), 0);
    EXPECT_EQ(Send(KL::WindowMessageKind::Other), 0);
    EXPECT_TRUE(listener.events.empty());
}

TEST_F(Translate, TheLastWindowWithTheHandleWins) {
    RecordingListener later;
    KL::Window* second = app.OpenWindow("w2", 0, 0, 1, 1, 32, false, nullptr, nullptr);
    second->SetHandle(&nativeA);
    second->AddListener(&later);
    later.events.clear();
    Send(KL::WindowMessageKind::Close);
    EXPECT_TRUE(listener.events.empty());
    EXPECT_EQ(later.events, std::vector<std::string>{"close"});
}

using Events = AppFixture;

TEST_F(Events, FrameEventCarriesTheClockAtDeliveryNotTheStoredTime) {
    RecordingListener listener;
    app.clock.now = 4242;
    KL::Event frame;
    frame.type = KL::kEventFrame;
    frame.Last() = 7;
    listener.HandleEvent(frame);
    EXPECT_EQ(listener.events, std::vector<std::string>{"frame 4242"});
}

TEST_F(Events, TypesWithoutAnOperationAreReportedAndCallNothing) {
    RecordingListener listener;
    RecordingLog log;
    for (int32_t type : {20, 24, -1, 1000}) {
        KL::Event e;
        e.type = type;
        listener.HandleEvent(e);
    }
    EXPECT_TRUE(listener.events.empty());
    EXPECT_EQ(log.Boxes(), std::vector<std::string>(4, "Unrecognized window event"));
    KL::Event user;
    user.type = KL::kEventUser;
    listener.HandleEvent(user);
    EXPECT_EQ(listener.events, std::vector<std::string>{"user"});
}

TEST_F(Events, BroadcastReachesListenersInAttachmentOrder) {
    FakeWindow window;
    RecordingListener a(&calls, "a"), b(&calls, "b");
    window.AddListener(&a);
    window.AddListener(&b);
    KL::Event resize;
    resize.type = KL::kEventResize;
    resize.arg1 = 320;
    resize.arg2 = 200;
    window.Broadcast(resize);
    window.Notify(KL::kEventClose);
    EXPECT_EQ(calls, (std::vector<std::string>{"a:attach", "b:attach", "a:resize 320 200", "b:resize 320 200", "a:close",
                                               "b:close"}));
}

TEST(WindowBase, OperationsAPlatformLeavesOutSayTheyAreNotDefined) {
    FakeWindow window;
    RecordingLog log;
    window.Show();
    window.DrawCircle(1, 2, 3);
    window.Print(1, 2, "x");
    window.Clear();
    EXPECT_FALSE(window.ReleaseOpenGL());
    EXPECT_FALSE(window.MakeCurrent());
    EXPECT_FALSE(window.SwapBuffers());
    EXPECT_FALSE(window.PrepareForOpenGL());
    window.ReleaseWindow();
    EXPECT_EQ(log.Boxes(), (std::vector<std::string>{
                               "Show Not Implemented.\n",
                               "KL::Window::DrawCircle not defined. (c:\\code\\kestlib\\KLAppWindow)",
                               "KL::Window::Print not defined. (c:\\code\\kestlib\\KLAppWindow)",
                               "KL::Window::ReleaseOpenGL not defined. (c:\\code\\kestlib\\KLAppWindow)",
                               "KL::Window::MakeCurrent not defined. (c:\\code\\kestlib\\KLAppWindow)",
                               "KL::Window::SwapBuffers not defined. (c:\\code\\kestlib\\KLAppWindow)",
                               "KL::Window::PrepareForOpenGL not defined. (c:\\code\\kestlib\\KLAppWindow)",
                               "KL::Window::ReleaseWindow not defined. (c:\\code\\kestlib\\KLAppWindow)",
                           }));
    EXPECT_TRUE(log.Contains("Clear not implemented"));
}
