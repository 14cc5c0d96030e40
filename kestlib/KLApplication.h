// The application object: the root of the running system, one per process, reached
// through KLAbstractFactory<KL::Application>. It owns the lists of open windows and of
// clients, runs the polling message loop, turns idle time into paced ticks, and offers
// the platform services every other layer uses: the millisecond clock (GetTime) and the
// sleep (Wait) — the only clock and sleep of the program — plus display modes, BMP
// loading and threads.
//
// Everything here runs on the main thread that entered Run. The object is never destroyed.
#pragma once

#include "KLAppWindow.h"
#include "KLFrameLimiter.h"
#include "KLVirtualClock.h"

#include <cstdint>
#include <vector>

namespace KL {

// The application calls its clients at start, at stop and once per tick.
class ApplicationClient {
public:
    virtual ~ApplicationClient() = default;
    virtual void OnStart() {}
    virtual void OnStop() {}
    // `time` is the application clock in milliseconds.
    virtual void OnFrame(uint32_t time) { (void)time; }
    // After every tick's frames (the clients' and the windows'), before the clock moves on.
    virtual void OnTickDone(uint32_t time) { (void)time; }
};

enum DispatchCodes : int32_t { kDispatchStart = 0, kDispatchStop = 1, kDispatchFrame = 2 };

struct DispatchRecord {
    int32_t code = 0;
};

// A platform window message, reduced to what the framework translates into events.
enum class WindowMessageKind {
    Destroy,
    Size,      // a = client width, b = client height
    Activate,  // a = one of the kActivate* states
    KillFocus,
    Close,
    Quit,
    KeyUp,    // a = key (kKeyEscape or anything else)
    KeyDown,  // a = key (one of the kKey* codes), b = modifier flags (kKeyShift)
    InitDialog,
    LeftButtonDown, LeftButtonUp, LeftDoubleClick,
    MiddleButtonDown, MiddleButtonUp, MiddleDoubleClick,
    RightButtonDown, RightButtonUp, RightDoubleClick,
    EnterSizeMove, ExitSizeMove,
    Other,
};

enum : int32_t { kActivateInactive = 0, kActivateActive = 1, kActivateClickActive = 2 };
// Key codes (the numbers of Windows' virtual keys) and modifier flags of key events.
enum : int32_t { kKeyOther = 0, kKeyEscape = 27, kKeySpace = 32, kKeyHome = 36, kKeyLeft = 37, kKeyRight = 39 };
enum : int32_t { kKeyShift = 1 };

struct WindowMessage {
    NativeWindowHandle handle = nullptr;
    WindowMessageKind kind = WindowMessageKind::Other;
    int32_t a = 0;
    int32_t b = 0;
};

using ThreadProc = uint32_t (*)(void* parameter);

class Application;

// The application clock in milliseconds for code that reads time outside the loop's
// callbacks; 0 (after the singleton's own report) when no application exists.
uint32_t ApplicationTime();

// Makes windows render off screen, so that no display is needed (offline capture). Call
// before the first window is opened.
void UseOffscreenWindows();

class Application {
public:
    static constexpr float kDefaultFrameRate = 300.0f;

    Application();
    virtual ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Starts every client (dispatch code 0), then runs the message loop; returns its result.
    virtual int Run();
    // Appends a client (not owned).
    virtual void AddClient(ApplicationClient* client);
    // Code 0: every client's OnStart; 1: every OnStop, then Stop; 2: every OnFrame with a
    // fresh clock read. Clients are called in order and the count is re-read after each
    // call, so a client added during a dispatch is called in the same pass.
    virtual void Dispatch(const DispatchRecord* record);
    virtual void DispatchCode(int32_t code);
    // A window object bound to a foreign native window; not added to the window list.
    virtual Window* AttachWindow(NativeWindowHandle handle);
    // Creates a window titled `title`, attaches the listeners (a list of WindowListener
    // pointers, may be null) in list order, creates the native window and makes its client
    // area exactly width by height at x, y (0, 0 in full screen). The window joins the
    // application's windows even when its native creation failed.
    virtual Window* OpenWindow(const char* title, int32_t x, int32_t y, int32_t width, int32_t height,
                               int32_t bitsPerPixel, bool fullScreen, IconHandle icon, KLList* listeners);
    virtual void SetFrameRate(float framesPerSecond);
    // Posts the quit message; the loop ends when it reads it.
    virtual void Quit() = 0;
    // Switches the display to exactly this mode; 0 on success, negative otherwise.
    virtual int32_t ChangeDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel) = 0;
    // Loads a BMP file as 24-bit RGB rows, top row first, width * 3 bytes per row. The
    // caller owns the pixels (delete[]). Reports "Error cargando bitmap %s" on failure.
    virtual bool LoadBitmapFile(const char* name, int32_t* width, int32_t* height, int32_t* bitsPerPixel,
                                unsigned char** pixels) = 0;
    // Starts a detached thread running proc(parameter); true when it started.
    virtual bool StartThread(ThreadProc proc, void* parameter);
    // Milliseconds of the application clock (wraps like any 32-bit millisecond counter).
    virtual uint32_t GetTime() = 0;
    virtual void Wait(uint32_t milliseconds) = 0;
    // Polls messages and ticks whenever the queue is empty, until the quit message.
    virtual int MessageLoop() = 0;
    // A new window object (640 by 480, no native window yet).
    virtual Window* NewWindow() = 0;
    // Posts the quit message (after the clients' OnStop).
    virtual void Stop() = 0;

    void* GetInstanceHandle() const { return m_instanceHandle; }
    void SetInstanceHandle(void* handle) { m_instanceHandle = handle; }

    // One tick: wait for the frame limiter, every client's OnFrame, then a frame event to
    // every listener of every window, window by window, then every client's OnTickDone;
    // a virtual clock then moves on to its next tick.
    void Tick();

    // Replaces the platform's clock and sleep with `clock` (not owned; null gives them
    // back). Platforms read and wait through it when one is set.
    void SetVirtualClock(VirtualClock* clock) { m_virtualClock = clock; }
    VirtualClock* GetVirtualClock() const { return m_virtualClock; }

    // Turns a platform message into events for the framework window it belongs to (the
    // last one with that native handle). Returns 1 when the message was handled, 0 when
    // it belongs to default processing (no framework window, or a message not translated).
    int TranslateWindowMessage(const WindowMessage& message);

    // The application's windows in creation order.
    const std::vector<Window*>& GetWindows() const { return m_windows; }
    int GetClientCount() const { return static_cast<int>(m_clients.size()); }
    FrameLimiter& GetFrameLimiter() { return m_frameLimiter; }

protected:
    Window* FindWindow(NativeWindowHandle handle) const;

    std::vector<Window*> m_windows;
    bool m_polling = false;
    bool m_ticking = false;
    std::vector<ApplicationClient*> m_clients;
    FrameLimiter m_frameLimiter{kDefaultFrameRate};
    void* m_instanceHandle = nullptr;
    VirtualClock* m_virtualClock = nullptr;
};

}  // namespace KL
