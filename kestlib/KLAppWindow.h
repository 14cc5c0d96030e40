// The framework's window interface: a top-level window, optionally full screen, that can
// carry a double-buffered OpenGL context, and an ordered list of event listeners.
//
// The application makes windows (OpenWindow, NewWindow, AttachWindow); the rendering
// engine prepares OpenGL, makes the context current, swaps and releases. The window's
// name (KL::Object) is its title. Window objects are never freed by the framework.
// Main thread only.
#pragma once

#include "KLList.h"
#include "KLObject.h"
#include "KLWindowListener.h"

#include <cstdint>

namespace KL {

// Opaque handles of the platform (a native window, a window icon image).
using NativeWindowHandle = void*;
using IconHandle = void*;

// Loads a window icon from an image file (a BMP, with alpha when it has one), matching the
// name case-blind like every data file. Null, after a trace naming the file, when it
// cannot. The icon lives for the process.
IconHandle LoadIconImage(const char* path);

class Window : public Object {
public:
    // A new window object with the same native window.
    virtual Window* Clone() = 0;
    virtual bool BringToFront() = 0;
    // Moves and sizes the window so that its client area is exactly width by height at x, y.
    virtual bool SetPosition(int32_t x, int32_t y, int32_t width, int32_t height) = 0;
    // The native window's title; the text stays valid until the next call on this window.
    virtual const char* GetTitle() = 0;
    virtual void Show();
    virtual void SetHandle(NativeWindowHandle handle) = 0;
    // Creates the native window with the object's name as title. Failures are reported
    // and leave the window without a native window.
    virtual void Create(int32_t x, int32_t y, int32_t width, int32_t height, int32_t bitsPerPixel,
                        bool fullScreen, IconHandle icon) = 0;
    virtual void DrawCircle(float centreX, float centreY, float diameter);
    virtual void Clear();
    virtual void Print(float x, float y, const char* text);
    virtual bool IsActive() = 0;
    virtual void GetClientSize(int32_t* width, int32_t* height) = 0;
    virtual bool Activate() = 0;
    virtual bool Restore() = 0;
    virtual void Unsupported(int32_t a, int32_t b, int32_t c) = 0;
    // Deletes the OpenGL context; false when there was none.
    virtual bool ReleaseOpenGL();
    virtual bool MakeCurrent();
    // Destroys the native window (and gives back what it holds).
    virtual void ReleaseWindow();
    virtual bool SwapBuffers();
    // Creates a double-buffered OpenGL context for the native window and makes it current.
    virtual bool PrepareForOpenGL();

    virtual NativeWindowHandle GetHandle() const = 0;
    // Kept by activation events.
    virtual void SetActive(bool active) = 0;

    // Appends the listener (not owned), makes this window its owner, calls its OnAttach.
    void AddListener(WindowListener* listener);
    // Delivers the event to every listener in attachment order.
    void Broadcast(const Event& event);
    // Broadcasts an event that holds only the type.
    void Notify(int32_t type);
    const KLList& GetListeners() const { return m_listeners; }

private:
    KLList m_listeners;
};

}  // namespace KL
