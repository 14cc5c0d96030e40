// The window on SDL2: an SDL window (the native handle is its SDL_Window*) that can carry
// a double-buffered OpenGL compatibility context.
#pragma once

#include "KLAppWindow.h"
#include "KLPixelFormat.h"

#include <functional>
#include <string>

namespace _KL {

// Where a framebuffer request meets the platform: the native window (an X11 visual or an
// EGL config is fixed when the window is made) or the OpenGL context.
enum class FramebufferStage { kWindow, kContext };

// Decides whether the platform grants a framebuffer request at a stage; a refusal fails
// that stage as a display without such a visual would. Lets tests stand in for displays
// that lack formats. Empty (the default) refuses nothing.
using FramebufferGate = std::function<bool(FramebufferStage stage, const KL::PixelFormatRequest& request)>;
void SetFramebufferGate(FramebufferGate gate);

class WindowSDL : public KL::Window {
public:
    WindowSDL();
    ~WindowSDL() override;

    KL::Window* Clone() override;
    bool BringToFront() override;
    bool SetPosition(int32_t x, int32_t y, int32_t width, int32_t height) override;
    const char* GetTitle() override;
    void SetHandle(KL::NativeWindowHandle handle) override;
    void Create(int32_t x, int32_t y, int32_t width, int32_t height, int32_t bitsPerPixel, bool fullScreen,
                KL::IconHandle icon) override;
    bool IsActive() override { return m_active; }
    // The client area in pixels of the GL drawable while a context exists (it differs
    // from the window size on high-DPI screens), in window units otherwise.
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

    // What the framebuffer search accepted (the real depths); meaningful after a
    // successful PrepareForOpenGL.
    const KL::PixelFormatRequest& GetPixelFormat() const { return m_pixelFormat; }
    bool HasOpenGLContext() const { return m_context != nullptr; }

private:
    // Makes a native window with the framebuffer of `step`; the old one, if any, is
    // destroyed only once the new one exists. False (the old window kept) when refused.
    bool MakeNativeWindow(int step);
    // Icon, display mode, full screen, position and visibility of a newly made window.
    void PlaceNativeWindow(bool reportModeFailure);
    bool TryPixelFormat(KL::PixelFormatRequest& request, int step);

    uint32_t m_style = 0;  // SDL window flags used at creation
    void* m_handle = nullptr;
    bool m_active = false;
    void* m_context = nullptr;

    // What the native window was made with (and where it was placed last), so the
    // framebuffer search can remake it as it was.
    int32_t m_x = 0;
    int32_t m_y = 0;
    int32_t m_createWidth = 640;
    int32_t m_createHeight = 480;
    int32_t m_bitsPerPixel = 32;
    bool m_fullScreen = false;
    KL::IconHandle m_icon = nullptr;
    int m_windowStep = 1;  // the framebuffer step the native window was made with
    bool m_ownsHandle = false;
    KL::PixelFormatRequest m_pixelFormat;
    std::string m_title;
};

}  // namespace _KL
