// The window on Win32: a top-level window of the framework's window class (the native
// handle is its HWND), windowed or full screen with a display-mode switch, that can carry
// a double-buffered OpenGL context made with WGL.
#pragma once

#include "KLAppWindow.h"
#include "KLPixelFormat.h"

#include <functional>

namespace _KL {

// Decides whether the system grants a pixel format request; a refusal fails that step of
// the search as a driver without such a format would. Lets tests stand in for drivers
// that lack formats. Empty (the default) refuses nothing.
using PixelFormatGate = std::function<bool(const KL::PixelFormatRequest& request)>;
void SetPixelFormatGate(PixelFormatGate gate);

class WindowWin32 : public KL::Window {
public:
    WindowWin32();
    ~WindowWin32() override;

    KL::Window* Clone() override;
    bool BringToFront() override;
    // Grows the rectangle by the window's frame, so the client area is exactly width by
    // height with its top-left corner at x, y.
    bool SetPosition(int32_t x, int32_t y, int32_t width, int32_t height) override;
    const char* GetTitle() override;
    void SetHandle(KL::NativeWindowHandle handle) override;
    void Create(int32_t x, int32_t y, int32_t width, int32_t height, int32_t bitsPerPixel, bool fullScreen,
                KL::IconHandle icon) override;
    void DrawCircle(float centreX, float centreY, float diameter) override;
    void Clear() override;
    void Print(float x, float y, const char* text) override;
    bool IsActive() override { return m_active; }
    void GetClientSize(int32_t* width, int32_t* height) override;
    bool Activate() override;
    bool Restore() override;
    void Unsupported(int32_t a, int32_t b, int32_t c) override;
    bool ReleaseOpenGL() override;
    bool MakeCurrent() override;
    void ReleaseWindow() override;
    bool SwapBuffers() override;
    bool PrepareForOpenGL() override;

    KL::NativeWindowHandle GetHandle() const override { return m_handle; }
    void SetActive(bool active) override { m_active = active; }

    // What the pixel format search accepted (the real depths); meaningful after a
    // successful PrepareForOpenGL.
    const KL::PixelFormatRequest& GetPixelFormat() const { return m_pixelFormat; }
    bool HasOpenGLContext() const { return m_context != nullptr; }

private:
    // Tries one request of the search on the device context: the first format the
    // system offers for it, if it is accelerated, is set and described back.
    bool TryPixelFormat(KL::PixelFormatRequest& request);

    uint32_t m_style = 0;    // the style used at creation, reused by SetPosition
    uint32_t m_exStyle = 0;  // the extended style used at creation
    void* m_handle = nullptr;
    bool m_active = false;
    void* m_deviceContext = nullptr;
    void* m_context = nullptr;
    bool m_ownsHandle = false;        // made by Create, so destroyed by ReleaseWindow
    bool m_switchedDisplay = false;   // full screen changed the display mode
    bool m_hidCursor = false;         // full screen hid the cursor
    KL::PixelFormatRequest m_pixelFormat;
    char m_title[512] = {};
};

}  // namespace _KL
