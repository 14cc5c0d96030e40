#include "KLWindowProcWin32.h"

#include "KLAbstractFactory.h"

namespace _KL {

const char* const kWindowClassName = "KestEngine";

bool RegisterWindowClass(HINSTANCE instance) {
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = &FrameworkWindowProc;
    windowClass.hInstance = instance;
    // Icons are set per window: the class is shared by every window.
    windowClass.hIcon = nullptr;
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = kWindowClassName;
    if (RegisterClassA(&windowClass) != 0) return true;
    return GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

namespace {

// The framework's code of the keys it names (its codes are the virtual keys' own).
int32_t KeyCode(WPARAM key) {
    switch (key) {
    case VK_ESCAPE: return KL::kKeyEscape;
    case VK_SPACE: return KL::kKeySpace;
    case VK_HOME: return KL::kKeyHome;
    case VK_LEFT: return KL::kKeyLeft;
    case VK_RIGHT: return KL::kKeyRight;
    default: return KL::kKeyOther;
    }
}

}  // namespace

KL::WindowMessage ToWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    using K = KL::WindowMessageKind;
    KL::WindowMessage out;
    out.handle = window;
    switch (message) {
    case WM_DESTROY: out.kind = K::Destroy; break;
    case WM_SIZE:
        out.kind = K::Size;
        out.a = LOWORD(lParam);
        out.b = HIWORD(lParam);
        break;
    case WM_ACTIVATE:
        out.kind = K::Activate;
        // The whole parameter: a minimised window's activation (state plus a high word)
        // matches none of the three states and changes nothing.
        out.a = wParam <= WA_CLICKACTIVE ? static_cast<int32_t>(wParam) : -1;
        break;
    case WM_KILLFOCUS: out.kind = K::KillFocus; break;
    case WM_CLOSE: out.kind = K::Close; break;
    case WM_QUIT: out.kind = K::Quit; break;
    case WM_KEYDOWN:
        out.kind = K::KeyDown;
        out.a = KeyCode(wParam);
        out.b = (GetKeyState(VK_SHIFT) & 0x8000) ? KL::kKeyShift : 0;
        break;
    case WM_KEYUP:
        out.kind = K::KeyUp;
        out.a = wParam == VK_ESCAPE ? KL::kKeyEscape : KL::kKeyOther;
        break;
    case WM_INITDIALOG: out.kind = K::InitDialog; break;
    case WM_LBUTTONDOWN: out.kind = K::LeftButtonDown; break;
    case WM_LBUTTONUP: out.kind = K::LeftButtonUp; break;
    case WM_LBUTTONDBLCLK: out.kind = K::LeftDoubleClick; break;
    case WM_MBUTTONDOWN: out.kind = K::MiddleButtonDown; break;
    case WM_MBUTTONUP: out.kind = K::MiddleButtonUp; break;
    case WM_MBUTTONDBLCLK: out.kind = K::MiddleDoubleClick; break;
    case WM_RBUTTONDOWN: out.kind = K::RightButtonDown; break;
    case WM_RBUTTONUP: out.kind = K::RightButtonUp; break;
    case WM_RBUTTONDBLCLK: out.kind = K::RightDoubleClick; break;
    case WM_ENTERSIZEMOVE: out.kind = K::EnterSizeMove; break;
    case WM_EXITSIZEMOVE: out.kind = K::ExitSizeMove; break;
    default: out.kind = K::Other; break;
    }
    return out;
}

LRESULT CALLBACK FrameworkWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Messages sent while the native window is being made find no framework window and
    // go to default processing; so do all messages when there is no application.
    if (KLAbstractFactory<KL::Application>::HasInstance()) {
        KL::Application* app = KLAbstractFactory<KL::Application>::GetInstance();
        if (app->TranslateWindowMessage(ToWindowMessage(window, message, wParam, lParam)) != 0) return 1;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace _KL
