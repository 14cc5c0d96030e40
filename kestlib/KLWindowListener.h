// Window events: numbered events delivered to every listener of a window, in attachment
// order, as calls of one listener operation. A listener overrides only what it needs.
#pragma once

#include <cstdint>

namespace KL {

class Window;

// Event numbers. The frame event is sent by the application's tick; the user event is
// never produced by the framework.
enum EventType : int32_t {
    kEventActivate = 0,
    kEventLeftButtonDown = 1,
    kEventDestroy = 2,
    kEventInitDialog = 3,
    kEventFocusLost = 4,
    kEventClickActivate = 5,
    kEventDeactivate = 6,
    kEventResize = 7,
    kEventClose = 8,
    kEventQuit = 9,
    kEventLeftButtonUp = 10,
    kEventLeftDoubleClick = 11,
    kEventMiddleButtonDown = 12,
    kEventMiddleButtonUp = 13,
    kEventMiddleDoubleClick = 14,
    kEventRightButtonDown = 15,
    kEventRightButtonUp = 16,
    kEventRightDoubleClick = 17,
    kEventEnterSizeMove = 18,
    kEventExitSizeMove = 19,
    kEventFrame = 21,
    kEventUser = 22,
    // A key pressed (auto-repeats included): arg1 the key (kKey* of KLApplication.h), arg2
    // the modifier flags (kKeyShift).
    kEventKeyDown = 23,
};

// Built on the stack for one delivery. A resize carries the client width and height in
// the two arguments; a frame event carries the frame time in its last field.
struct Event {
    int32_t type = 0;
    int32_t arg1 = 0;
    int32_t arg2 = 0;
    int32_t extra[5] = {};

    int32_t& Last() { return extra[4]; }
};

class WindowListener {
public:
    virtual ~WindowListener() = default;

    virtual void OnInitDialog() {}
    // Called when the listener is attached to a window (which may have no native window yet).
    virtual void OnAttach() {}
    virtual void OnLeftButtonDown() {}
    virtual void OnLeftButtonUp() {}
    virtual void OnLeftDoubleClick() {}
    virtual void OnMiddleButtonDown() {}
    virtual void OnMiddleButtonUp() {}
    virtual void OnMiddleDoubleClick() {}
    virtual void OnRightButtonDown() {}
    virtual void OnRightButtonUp() {}
    virtual void OnRightDoubleClick() {}
    virtual void OnDestroy() {}
    virtual void OnFocusLost() {}
    virtual void OnUserEvent() {}
    virtual void OnActivate() {}
    virtual void OnClickActivate() {}
    virtual void OnDeactivate() {}
    virtual void OnClose() {}
    virtual void OnQuit() {}
    virtual void OnEnterSizeMove() {}
    virtual void OnExitSizeMove() {}
    virtual void OnResize(int32_t width, int32_t height) { (void)width, (void)height; }
    virtual void OnKeyDown(int32_t key, int32_t modifiers) { (void)key, (void)modifiers; }
    // Receives the application's clock read at delivery, not the time stored in the event.
    virtual void OnFrame(uint32_t time) { (void)time; }

    // Calls the operation for the event's type; an unknown type is reported and ignored.
    void HandleEvent(const Event& event);

    Window* GetOwner() const { return m_owner; }
    void SetOwner(Window* owner) { m_owner = owner; }

private:
    Window* m_owner = nullptr;
};

}  // namespace KL
