// Window creation, placement, GDI drawing and the OpenGL context on Win32.
#include "KLAppWindowWin32.h"

#include "KLLog.h"
#include "KLPlatformWin32.h"
#include "KLWindowProcWin32.h"

#include <cstdlib>
#include <cstring>

#include "KLWindowsApi.h"

#include <GL/gl.h>

namespace _KL {

namespace {

HWND Native(void* handle) { return static_cast<HWND>(handle); }
HDC DeviceContext(void* dc) { return static_cast<HDC>(dc); }
HGLRC GLContext(void* context) { return static_cast<HGLRC>(context); }
HINSTANCE Instance() { return static_cast<HINSTANCE>(WindowInstanceHandle()); }

const char* GLText(GLenum name) {
    const GLubyte* text = glGetString(name);
    return text ? reinterpret_cast<const char*>(text) : "";
}

// The window's device context for one GDI operation, given back at the end of the scope.
class ScopedDC {
public:
    explicit ScopedDC(HWND window) : m_window(window), m_dc(window ? GetDC(window) : nullptr) {}
    ~ScopedDC() {
        if (m_dc) ReleaseDC(m_window, m_dc);
    }
    ScopedDC(const ScopedDC&) = delete;
    ScopedDC& operator=(const ScopedDC&) = delete;
    HDC Get() const { return m_dc; }

private:
    HWND m_window;
    HDC m_dc;
};

}  // namespace

WindowWin32::WindowWin32() = default;

WindowWin32::~WindowWin32() = default;

KL::Window* WindowWin32::Clone() {
    WindowWin32* copy = new WindowWin32();
    copy->SetHandle(m_handle);
    return copy;
}

bool WindowWin32::BringToFront() { return m_handle && SetForegroundWindow(Native(m_handle)) != 0; }

bool WindowWin32::SetPosition(int32_t x, int32_t y, int32_t width, int32_t height) {
    if (!m_handle) return false;
    // A window bound to a foreign handle was not made here: use the style it has.
    const DWORD style = m_style ? m_style : static_cast<DWORD>(GetWindowLongPtrA(Native(m_handle), GWL_STYLE));
    const DWORD exStyle =
        m_style ? m_exStyle : static_cast<DWORD>(GetWindowLongPtrA(Native(m_handle), GWL_EXSTYLE));
    RECT rect = {x, y, x + width, y + height};
    if (!AdjustWindowRectEx(&rect, style, FALSE, exStyle)) return false;
    SetWindowPos(Native(m_handle), nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, 0);
    return true;
}

const char* WindowWin32::GetTitle() {
    m_title[0] = '\0';
    if (m_handle) GetWindowTextA(Native(m_handle), m_title, static_cast<int>(sizeof(m_title)));
    return m_title;
}

void WindowWin32::SetHandle(KL::NativeWindowHandle handle) {
    if (handle == m_handle) return;
    // What the window held on its previous native window (a window it made, its device
    // context, its GL context) would have no one left to release it.
    ReleaseWindow();
    m_handle = handle;
    m_ownsHandle = false;
}

void WindowWin32::Create(int32_t x, int32_t y, int32_t width, int32_t height, int32_t bitsPerPixel, bool fullScreen,
                         KL::IconHandle icon) {
    HINSTANCE instance = Instance();
    if (!RegisterWindowClass(instance)) {
        LogError("Error registering window CLASS");
        return;
    }
    const bool hidden = WindowsStayHidden();
    if (fullScreen) {
        m_exStyle = WS_EX_APPWINDOW;
        m_style = WS_POPUP | WS_MAXIMIZE;
        // A window that is never shown leaves the display as it is.
        if (!hidden) {
            DEVMODEA mode = {};
            mode.dmSize = sizeof(mode);
            mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
            mode.dmBitsPerPel = static_cast<DWORD>(bitsPerPixel);
            mode.dmPelsWidth = static_cast<DWORD>(width);
            mode.dmPelsHeight = static_cast<DWORD>(height);
            m_switchedDisplay = ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL;
            if (!m_switchedDisplay) LogError("No se puede cambiar modo de video");
        }
    } else {
        m_exStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
        m_style = WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    }
    if (!hidden && !fullScreen) m_style |= WS_VISIBLE;
    // A window that is never shown needs no frame; without one, the smallest size the
    // system allows a framed window does not widen small client areas.
    if (hidden) {
        m_exStyle = 0;
        m_style = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    }

    const char* title = GetNameString() ? GetNameString() : "";
    HWND window = CreateWindowExA(m_exStyle, kWindowClassName, title, m_style, x, y, width, height, nullptr,
                                  nullptr, instance, nullptr);
    if (!window) {
        LogError("Failed To Create The Window.");
        // No window will ever give the display its mode back.
        if (m_switchedDisplay) ChangeDisplaySettingsA(nullptr, 0);
        m_switchedDisplay = false;
        return;
    }
    m_handle = window;
    m_ownsHandle = true;
    if (icon) {
        SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    }
    SetPosition(x, y, width, height);
    if (hidden) return;
    if (fullScreen) {
        ShowCursor(FALSE);
        m_hidCursor = true;
    }
    ShowWindow(window, SW_SHOW);
}

void WindowWin32::DrawCircle(float centreX, float centreY, float diameter) {
    ScopedDC dc(Native(m_handle));
    if (!dc.Get()) return;
    const float half = diameter / 2.0f;
    Ellipse(dc.Get(), static_cast<int>(centreX - half), static_cast<int>(centreY - half),
            static_cast<int>(centreX + half), static_cast<int>(centreY + half));
}

void WindowWin32::Clear() {
    ScopedDC dc(Native(m_handle));
    if (!dc.Get()) return;
    const RECT area = {0, 0, 640, 640};
    FillRect(dc.Get(), &area, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1)));
}

void WindowWin32::Print(float x, float y, const char* text) {
    if (!text) return;
    ScopedDC dc(Native(m_handle));
    if (!dc.Get()) return;
    TextOutA(dc.Get(), static_cast<int>(x), static_cast<int>(y), text, static_cast<int>(std::strlen(text)));
    UpdateWindow(Native(m_handle));
}

void WindowWin32::GetClientSize(int32_t* width, int32_t* height) {
    RECT rect = {0, 0, 0, 0};
    if (m_handle) GetClientRect(Native(m_handle), &rect);
    if (width) *width = std::abs(rect.right - rect.left);
    if (height) *height = std::abs(rect.bottom - rect.top);
}

bool WindowWin32::Activate() {
    if (m_handle) SetActiveWindow(Native(m_handle));
    return true;
}

bool WindowWin32::Restore() {
    LogError("_KL::WindowWin32::Restore not defined. (KLAppWindowWin32)");
    return true;
}

void WindowWin32::Unsupported(int32_t, int32_t, int32_t) { LogMessage("Unsuported"); }

namespace {

PixelFormatGate& Gate() {
    static PixelFormatGate gate;
    return gate;
}

}  // namespace

void SetPixelFormatGate(PixelFormatGate gate) { Gate() = std::move(gate); }

bool WindowWin32::TryPixelFormat(KL::PixelFormatRequest& request) {
    if (Gate() && !Gate()(request)) return false;
    HDC dc = DeviceContext(m_deviceContext);
    PIXELFORMATDESCRIPTOR descriptor = {};
    descriptor.nSize = sizeof(descriptor);
    descriptor.nVersion = 1;
    descriptor.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    descriptor.iPixelType = PFD_TYPE_RGBA;
    descriptor.cColorBits = static_cast<BYTE>(request.colourBits);
    descriptor.cAlphaBits = static_cast<BYTE>(request.alphaBits);
    descriptor.cDepthBits = static_cast<BYTE>(request.depthBits);
    descriptor.cStencilBits = static_cast<BYTE>(request.stencilBits);
    descriptor.iLayerType = PFD_MAIN_PLANE;
    // A window keeps its first pixel format for good (a context made again after
    // ReleaseOpenGL gets the same one).
    const int existing = ::GetPixelFormat(dc);
    const int format = existing != 0 ? existing : ChoosePixelFormat(dc, &descriptor);
    if (format == 0) return false;
    PIXELFORMATDESCRIPTOR found = {};
    if (DescribePixelFormat(dc, format, sizeof(found), &found) == 0) return false;
    // Software formats are not accepted: the show needs an accelerated driver.
    if (found.dwFlags & PFD_GENERIC_FORMAT) return false;
    if (existing == 0 && !SetPixelFormat(dc, format, &found)) return false;
    request.colourBits = found.cRedBits + found.cGreenBits + found.cBlueBits + found.cAlphaBits;
    request.alphaBits = found.cAlphaBits;
    request.depthBits = found.cDepthBits;
    request.stencilBits = found.cStencilBits;
    return true;
}

bool WindowWin32::PrepareForOpenGL() {
    if (!m_handle) return false;
    if (m_context) return MakeCurrent();
    if (!m_deviceContext) m_deviceContext = GetDC(Native(m_handle));
    if (!m_deviceContext) return false;
    KL::PixelFormatRequest request;
    const int step = KL::ChoosePixelFormatWithFallback(
        request, [this](KL::PixelFormatRequest& r, int) { return TryPixelFormat(r); });
    HGLRC context = step != 0 ? wglCreateContext(DeviceContext(m_deviceContext)) : nullptr;
    if (!context) {
        ReleaseWindow();
        return false;
    }
    m_context = context;
    m_pixelFormat = request;
    MakeCurrent();
    LogMessage("Found: '%s (%s)' [%s] with [%s]", GLText(GL_RENDERER), GLText(GL_VENDOR), GLText(GL_VERSION),
               GLText(GL_EXTENSIONS));
    return true;
}

bool WindowWin32::ReleaseOpenGL() {
    if (!m_context) return false;
    // Only this window's context stops being current; another window's stays.
    if (wglGetCurrentContext() == GLContext(m_context)) wglMakeCurrent(nullptr, nullptr);
    const bool deleted = wglDeleteContext(GLContext(m_context)) != 0;
    m_context = nullptr;
    return deleted;
}

bool WindowWin32::MakeCurrent() {
    if (!m_deviceContext || !m_context) return false;
    return wglMakeCurrent(DeviceContext(m_deviceContext), GLContext(m_context)) != 0;
}

void WindowWin32::ReleaseWindow() {
    if (!m_handle) return;
    // A context must not outlive the window it draws to.
    ReleaseOpenGL();
    if (m_deviceContext) {
        ReleaseDC(Native(m_handle), DeviceContext(m_deviceContext));
        m_deviceContext = nullptr;
    }
    // A copy that shares another window's native window destroys nothing.
    if (m_ownsHandle) {
        // WM_DESTROY reaches the listeners while the window is still known by its handle.
        DestroyWindow(Native(m_handle));
        // Fails, harmlessly, while other framework windows still use the class.
        UnregisterClassA(kWindowClassName, Instance());
        // The desktop gets its display mode and cursor back.
        if (m_switchedDisplay) ChangeDisplaySettingsA(nullptr, 0);
        if (m_hidCursor) ShowCursor(TRUE);
        m_switchedDisplay = false;
        m_hidCursor = false;
    }
    m_handle = nullptr;
    m_ownsHandle = false;
}

bool WindowWin32::SwapBuffers() {
    if (!m_deviceContext || !m_context) return false;
    return ::SwapBuffers(DeviceContext(m_deviceContext)) != 0;
}

}  // namespace _KL
