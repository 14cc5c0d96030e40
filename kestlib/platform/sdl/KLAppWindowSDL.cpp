// Window creation, placement and the OpenGL context on SDL2.
#include "KLAppWindowSDL.h"

#include "KLPath.h"

#include "KLAbstractFactory.h"
#include "KLApplication.h"
#include "KLEventsSDL.h"
#include "KLLog.h"

#include <SDL.h>
#include <SDL_opengl.h>

namespace _KL {

namespace {

SDL_Window* Native(void* handle) { return static_cast<SDL_Window*>(handle); }

// An X11 visual or EGL config is chosen when the window is made, so the attributes of a
// framebuffer request go to SDL before the native window is created.
void SetAttributes(const KL::PixelFormatRequest& request) {
    const bool deep = request.colourBits >= 24;
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, deep ? 8 : 5);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, deep ? 8 : 6);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, deep ? 8 : 5);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, request.alphaBits);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, request.depthBits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, request.stencilBits);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_ACCELERATED_VISUAL, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
}

// The first framebuffer step for a colour depth: 16-bit modes skip the 32-bit requests.
int FirstStep(int32_t bitsPerPixel) { return bitsPerPixel <= 16 ? 5 : 1; }

FramebufferGate& Gate() {
    static FramebufferGate gate;
    return gate;
}

bool Granted(FramebufferStage stage, const KL::PixelFormatRequest& request) {
    return !Gate() || Gate()(stage, request);
}

const char* GLText(GLenum name) {
    using GetStringProc = const GLubyte*(APIENTRY*)(GLenum);
    auto getString = reinterpret_cast<GetStringProc>(SDL_GL_GetProcAddress("glGetString"));
    const GLubyte* text = getString ? getString(name) : nullptr;
    return text ? reinterpret_cast<const char*>(text) : "";
}

}  // namespace

void SetFramebufferGate(FramebufferGate gate) { Gate() = std::move(gate); }

WindowSDL::WindowSDL() = default;

WindowSDL::~WindowSDL() = default;

KL::Window* WindowSDL::Clone() {
    WindowSDL* copy = new WindowSDL();
    copy->SetHandle(m_handle);
    return copy;
}

bool WindowSDL::BringToFront() {
    if (!m_handle) return false;
    SDL_RaiseWindow(Native(m_handle));
    return true;
}

bool WindowSDL::SetPosition(int32_t x, int32_t y, int32_t width, int32_t height) {
    if (!m_handle) return false;
    // An exclusive full-screen window covers its display mode; resizing it would ask SDL
    // for another mode.
    if (SDL_GetWindowFlags(Native(m_handle)) & SDL_WINDOW_FULLSCREEN) return true;
    // SDL sizes and places the client area itself, so no frame adjustment is needed.
    SDL_SetWindowSize(Native(m_handle), width, height);
    SDL_SetWindowPosition(Native(m_handle), x, y);
    // A window remade by the framebuffer search comes back here.
    m_x = x;
    m_y = y;
    m_createWidth = width;
    m_createHeight = height;
    return true;
}

const char* WindowSDL::GetTitle() {
    m_title = m_handle ? SDL_GetWindowTitle(Native(m_handle)) : "";
    return m_title.c_str();
}

void WindowSDL::SetHandle(KL::NativeWindowHandle handle) {
    if (handle == m_handle) return;
    // What the window held on its previous native window (a window it made, its GL
    // context) would have no one left to release it.
    ReleaseWindow();
    m_handle = handle;
    m_ownsHandle = false;
}

bool WindowSDL::MakeNativeWindow(int step) {
    const KL::PixelFormatRequest request = KL::PixelFormatStep(step);
    SetAttributes(request);
    if (!Granted(FramebufferStage::kWindow, request)) {
        SDL_SetError("no visual for %d-bit colour, %d-bit depth, %d-bit stencil", request.colourBits,
                     request.depthBits, request.stencilBits);
        return false;
    }
    const char* title = GetNameString() ? GetNameString() : "";
    SDL_Window* window = SDL_CreateWindow(title, m_x, m_y, m_createWidth, m_createHeight, m_style);
    if (!window) return false;
    if (m_handle && m_ownsHandle) SDL_DestroyWindow(Native(m_handle));
    m_handle = window;
    m_ownsHandle = true;
    m_windowStep = step;
    return true;
}

void WindowSDL::PlaceNativeWindow(bool reportModeFailure) {
    SDL_Window* window = Native(m_handle);
    if (m_icon) SDL_SetWindowIcon(window, static_cast<SDL_Surface*>(m_icon));
    if (m_fullScreen) {
        // The closest mode the display offers: X11 seldom has 16-bit or 512 by 384 modes.
        SDL_DisplayMode want;
        SDL_zero(want);
        want.w = m_createWidth;
        want.h = m_createHeight;
        want.format = m_bitsPerPixel <= 16 ? SDL_PIXELFORMAT_RGB565 : 0;
        SDL_DisplayMode closest;
        const int display = SDL_GetWindowDisplayIndex(window);
        const bool switched = SDL_GetClosestDisplayMode(display < 0 ? 0 : display, &want, &closest) &&
                              SDL_SetWindowDisplayMode(window, &closest) == 0 &&
                              SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) == 0;
        if (!switched) {
            if (reportModeFailure) {
                LogError("No se puede cambiar modo de video");
            } else {
                LogMessage("No se puede cambiar modo de video: %s", SDL_GetError());
            }
        }
    }
    SetPosition(m_x, m_y, m_createWidth, m_createHeight);
    if (m_fullScreen) SDL_ShowCursor(SDL_DISABLE);
    SDL_ShowWindow(window);
}

void WindowSDL::Create(int32_t x, int32_t y, int32_t width, int32_t height, int32_t bitsPerPixel, bool fullScreen,
                       KL::IconHandle icon) {
    // Starting SDL's video stands in for registering the window class.
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        LogError("Error registering window CLASS");
        LogMessage("SDL video: %s", SDL_GetError());
        return;
    }
    m_x = x;
    m_y = y;
    m_createWidth = width;
    m_createHeight = height;
    m_bitsPerPixel = bitsPerPixel;
    m_fullScreen = fullScreen;
    m_icon = icon;

    m_style = SDL_WINDOW_OPENGL | SDL_WINDOW_ALLOW_HIGHDPI;
    m_style |= fullScreen ? (SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN) : (SDL_WINDOW_RESIZABLE | SDL_WINDOW_SHOWN);
    // The visual is fixed when the window is made: a display without the first step's
    // framebuffer refuses the window itself, so the later steps are tried here already.
    bool made = false;
    for (int step = FirstStep(bitsPerPixel); step <= KL::kPixelFormatSteps && !made; ++step) {
        made = MakeNativeWindow(step);
    }
    if (!made) {
        LogError("Failed To Create The Window.");
        LogMessage("SDL video: %s", SDL_GetError());
        return;
    }
    PlaceNativeWindow(true);
}

void WindowSDL::GetClientSize(int32_t* width, int32_t* height) {
    int w = 0;
    int h = 0;
    if (m_handle) {
        if (m_context) {
            SDL_GL_GetDrawableSize(Native(m_handle), &w, &h);
        } else {
            SDL_GetWindowSize(Native(m_handle), &w, &h);
        }
    }
    if (width) *width = w < 0 ? -w : w;
    if (height) *height = h < 0 ? -h : h;
}

bool WindowSDL::Activate() {
    if (m_handle) SDL_SetWindowInputFocus(Native(m_handle));
    return true;
}

bool WindowSDL::Restore() {
    LogError("_KL::WindowSDL::Restore not defined. (KLAppWindowSDL)");
    return true;
}

void WindowSDL::Unsupported(int32_t, int32_t, int32_t) { LogMessage("Unsuported"); }

bool WindowSDL::TryPixelFormat(KL::PixelFormatRequest& request, int step) {
    if (m_ownsHandle && step != m_windowStep) {
        // The framebuffer of a window is fixed when it is made: remake it for this request.
        if (!MakeNativeWindow(step)) return false;
        PlaceNativeWindow(false);
    }
    if (!m_handle) return false;
    SetAttributes(request);
    if (!Granted(FramebufferStage::kContext, request)) return false;
    SDL_GLContext context = SDL_GL_CreateContext(Native(m_handle));
    if (!context) return false;
    // Describe what was really given back into the request.
    int r = 0, g = 0, b = 0, a = 0, depth = 0, stencil = 0;
    SDL_GL_GetAttribute(SDL_GL_RED_SIZE, &r);
    SDL_GL_GetAttribute(SDL_GL_GREEN_SIZE, &g);
    SDL_GL_GetAttribute(SDL_GL_BLUE_SIZE, &b);
    SDL_GL_GetAttribute(SDL_GL_ALPHA_SIZE, &a);
    SDL_GL_GetAttribute(SDL_GL_DEPTH_SIZE, &depth);
    SDL_GL_GetAttribute(SDL_GL_STENCIL_SIZE, &stencil);
    request.colourBits = r + g + b + a;
    request.alphaBits = a;
    request.depthBits = depth;
    request.stencilBits = stencil;
    m_context = context;
    return true;
}

bool WindowSDL::PrepareForOpenGL() {
    if (!m_handle) return false;
    if (m_context) return MakeCurrent();
    // A window of our own was made with the first step its display offered; the earlier
    // steps were refused then. A foreign window keeps the framebuffer it has.
    const int firstStep = m_ownsHandle ? m_windowStep : FirstStep(m_bitsPerPixel);
    KL::PixelFormatRequest request;
    const int step = KL::ChoosePixelFormatWithFallback(
        request, [this](KL::PixelFormatRequest& r, int s) { return TryPixelFormat(r, s); }, firstStep);
    if (step == 0 || !m_context) {
        ReleaseWindow();
        return false;
    }
    m_pixelFormat = request;
    MakeCurrent();
    LogMessage("Found: '%s (%s)' [%s] with [%s]", GLText(GL_RENDERER), GLText(GL_VENDOR), GLText(GL_VERSION),
               GLText(GL_EXTENSIONS));
    return true;
}

bool WindowSDL::ReleaseOpenGL() {
    if (!m_context) return false;
    SDL_GL_MakeCurrent(Native(m_handle), nullptr);
    SDL_GL_DeleteContext(m_context);
    m_context = nullptr;
    return true;
}

bool WindowSDL::MakeCurrent() {
    if (!m_handle || !m_context) return false;
    return SDL_GL_MakeCurrent(Native(m_handle), m_context) == 0;
}

void WindowSDL::ReleaseWindow() {
    if (!m_handle) return;
    // Listeners hear of the destruction first, as the platform's destroy message would tell
    // them. A copy that shares another window's native window destroys nothing: that
    // window stays open and its listeners hear nothing.
    if (m_ownsHandle && KLAbstractFactory<KL::Application>::HasInstance()) {
        KL::WindowMessage message;
        message.handle = m_handle;
        message.kind = KL::WindowMessageKind::Destroy;
        KLAbstractFactory<KL::Application>::GetInstance()->TranslateWindowMessage(message);
    }
    // A context must not outlive the surface it draws to.
    ReleaseOpenGL();
    if (m_ownsHandle) SDL_DestroyWindow(Native(m_handle));
    m_handle = nullptr;
    m_ownsHandle = false;
}

bool WindowSDL::SwapBuffers() {
    if (!m_handle || !m_context) return false;
    SDL_GL_SwapWindow(Native(m_handle));
    return true;
}

}  // namespace _KL

namespace KL {

IconHandle LoadIconImage(const char* path) {
    if (!path) return nullptr;
    const std::string file = KL::ResolveDataPath(path);
    SDL_Surface* icon = SDL_LoadBMP(file.c_str());
    if (!icon) LogMessage("No window icon from %s: %s", path, SDL_GetError());
    return icon;
}

}  // namespace KL
