// The portable half of the application object: clients, dispatch, window opening, the
// tick and the translation of platform messages into window events.
#include "KLApplication.h"

#include "KLAbstractFactory.h"
#include "KLLog.h"
#include "platform/KLPlatform.h"

#include <cstddef>
#include <system_error>
#include <thread>

namespace KL {

uint32_t ApplicationTime() {
    Application* app = KLAbstractFactory<Application>::GetInstance();
    return app ? app->GetTime() : 0;
}

void UseOffscreenWindows() { Platform::UseOffscreenWindows(); }

Application::Application() = default;
Application::~Application() = default;

int Application::Run() {
    DispatchCode(kDispatchStart);
    return MessageLoop();
}

void Application::AddClient(ApplicationClient* client) { m_clients.push_back(client); }

void Application::Dispatch(const DispatchRecord* record) {
    if (!record) return;
    const int32_t code = record->code;
    // Indexing (not iterators) because a client may add clients while it is called.
    for (std::size_t i = 0; i < m_clients.size(); ++i) {
        ApplicationClient* client = m_clients[i];
        if (!client) continue;
        switch (code) {
        case kDispatchStart: client->OnStart(); break;
        case kDispatchStop: client->OnStop(); break;
        case kDispatchFrame:
            if (Application* app = KLAbstractFactory<Application>::GetInstance()) client->OnFrame(app->GetTime());
            break;
        default: break;
        }
    }
    if (code == kDispatchStop) Stop();
}

void Application::DispatchCode(int32_t code) {
    DispatchRecord record;
    record.code = code;
    Dispatch(&record);
}

Window* Application::AttachWindow(NativeWindowHandle handle) {
    Window* window = NewWindow();
    window->SetHandle(handle);
    return window;
}

Window* Application::OpenWindow(const char* title, int32_t x, int32_t y, int32_t width, int32_t height,
                                int32_t bitsPerPixel, bool fullScreen, IconHandle icon, KLList* listeners) {
    Window* window = NewWindow();
    m_windows.push_back(window);
    window->SetName(title);
    if (listeners) {
        for (KLListNode* node = listeners->GetFirst(); node; node = node->GetNext()) {
            window->AddListener(node->Item<WindowListener>());
        }
    }
    if (fullScreen) {
        x = 0;
        y = 0;
    }
    window->Create(x, y, width, height, bitsPerPixel, fullScreen, icon);
    window->SetPosition(x, y, width, height);
    return window;
}

void Application::SetFrameRate(float framesPerSecond) { m_frameLimiter.SetRate(framesPerSecond); }

bool Application::StartThread(ThreadProc proc, void* parameter) {
    if (!proc) return false;
    try {
        // Detached: nothing waits for it or keeps its handle.
        std::thread(proc, parameter).detach();
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

void Application::Tick() {
    m_frameLimiter.WaitForNextFrame();
    DispatchCode(kDispatchFrame);
    for (std::size_t i = 0; i < m_windows.size(); ++i) {
        Event event;
        event.type = kEventFrame;
        event.Last() = static_cast<int32_t>(GetTime());
        m_windows[i]->Broadcast(event);
    }
    const uint32_t time = GetTime();
    for (std::size_t i = 0; i < m_clients.size(); ++i) {
        if (m_clients[i]) m_clients[i]->OnTickDone(time);
    }
    if (m_virtualClock) m_virtualClock->Advance();
}

Window* Application::FindWindow(NativeWindowHandle handle) const {
    if (!handle) return nullptr;
    Window* found = nullptr;
    for (Window* window : m_windows) {
        if (window->GetHandle() == handle) found = window;  // the last match wins
    }
    return found;
}

namespace {

// An event that carries the message's two arguments (a resize, a key).
void BroadcastWith(Window* window, int32_t type, const WindowMessage& message) {
    Event event;
    event.type = type;
    event.arg1 = message.a;
    event.arg2 = message.b;
    window->Broadcast(event);
}

}  // namespace

int Application::TranslateWindowMessage(const WindowMessage& message) {
    Window* window = FindWindow(message.handle);
    if (!window) return 0;
    switch (message.kind) {
    case WindowMessageKind::Destroy: window->Notify(kEventDestroy); break;
    case WindowMessageKind::Size: BroadcastWith(window, kEventResize, message); break;
    case WindowMessageKind::Activate:
        if (message.a == kActivateInactive) {
            window->Notify(kEventDeactivate);
            window->SetActive(false);
        } else if (message.a == kActivateActive) {
            window->Notify(kEventActivate);
            window->SetActive(true);
        } else if (message.a == kActivateClickActive) {
            window->Notify(kEventClickActivate);
            window->SetActive(true);
        }
        break;
    case WindowMessageKind::KillFocus: window->Notify(kEventFocusLost); break;
    case WindowMessageKind::Close: window->Notify(kEventClose); break;
    case WindowMessageKind::Quit: window->Notify(kEventQuit); break;
    case WindowMessageKind::KeyUp:
        if (message.a == kKeyEscape) Quit();
        break;
    case WindowMessageKind::KeyDown: BroadcastWith(window, kEventKeyDown, message); break;
    case WindowMessageKind::InitDialog: window->Notify(kEventInitDialog); break;
    case WindowMessageKind::LeftButtonDown: window->Notify(kEventLeftButtonDown); break;
    case WindowMessageKind::LeftButtonUp: window->Notify(kEventLeftButtonUp); break;
    case WindowMessageKind::LeftDoubleClick: window->Notify(kEventLeftDoubleClick); break;
    case WindowMessageKind::MiddleButtonDown: window->Notify(kEventMiddleButtonDown); break;
    case WindowMessageKind::MiddleButtonUp: window->Notify(kEventMiddleButtonUp); break;
    case WindowMessageKind::MiddleDoubleClick: window->Notify(kEventMiddleDoubleClick); break;
    case WindowMessageKind::RightButtonDown: window->Notify(kEventRightButtonDown); break;
    case WindowMessageKind::RightButtonUp: window->Notify(kEventRightButtonUp); break;
    case WindowMessageKind::RightDoubleClick: window->Notify(kEventRightDoubleClick); break;
    case WindowMessageKind::EnterSizeMove: window->Notify(kEventEnterSizeMove); break;
    case WindowMessageKind::ExitSizeMove: window->Notify(kEventExitSizeMove); break;
    case WindowMessageKind::Other: return 0;
    }
    return 1;
}

}  // namespace KL
