#include "KLEventsSDL.h"

namespace _KL {

namespace {

KL::NativeWindowHandle HandleOf(Uint32 windowID) { return SDL_GetWindowFromID(windowID); }

// The framework's code of the keys it names; kKeyOther for the rest.
int32_t KeyCode(SDL_Keycode key) {
    switch (key) {
    case SDLK_ESCAPE: return KL::kKeyEscape;
    case SDLK_SPACE: return KL::kKeySpace;
    case SDLK_HOME: return KL::kKeyHome;
    case SDLK_LEFT: return KL::kKeyLeft;
    case SDLK_RIGHT: return KL::kKeyRight;
    default: return KL::kKeyOther;
    }
}

KL::WindowMessageKind ButtonKind(Uint8 button, bool down, Uint8 clicks) {
    using K = KL::WindowMessageKind;
    // A second click in quick succession arrives as a double click instead of a press.
    const bool doubleClick = down && clicks >= 2 && clicks % 2 == 0;
    switch (button) {
    case SDL_BUTTON_LEFT: return doubleClick ? K::LeftDoubleClick : down ? K::LeftButtonDown : K::LeftButtonUp;
    case SDL_BUTTON_MIDDLE:
        return doubleClick ? K::MiddleDoubleClick : down ? K::MiddleButtonDown : K::MiddleButtonUp;
    case SDL_BUTTON_RIGHT: return doubleClick ? K::RightDoubleClick : down ? K::RightButtonDown : K::RightButtonUp;
    default: return K::Other;
    }
}

}  // namespace

bool ToWindowMessage(const SDL_Event& event, KL::WindowMessage* message) {
    using K = KL::WindowMessageKind;
    switch (event.type) {
    case SDL_WINDOWEVENT:
        message->handle = HandleOf(event.window.windowID);
        switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE: message->kind = K::Close; break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            message->kind = K::Size;
            message->a = event.window.data1;
            message->b = event.window.data2;
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
        case SDL_WINDOWEVENT_RESTORED:
            message->kind = K::Activate;
            message->a = KL::kActivateActive;
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
            message->kind = K::Activate;
            message->a = KL::kActivateInactive;
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST: message->kind = K::KillFocus; break;
        default: message->kind = K::Other; break;
        }
        return true;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        message->handle = HandleOf(event.button.windowID);
        message->kind = ButtonKind(event.button.button, event.type == SDL_MOUSEBUTTONDOWN, event.button.clicks);
        return true;
    case SDL_KEYDOWN:
        message->handle = HandleOf(event.key.windowID);
        message->kind = K::KeyDown;
        message->a = KeyCode(event.key.keysym.sym);
        message->b = (event.key.keysym.mod & KMOD_SHIFT) ? KL::kKeyShift : 0;
        return true;
    case SDL_KEYUP:
        message->handle = HandleOf(event.key.windowID);
        message->kind = K::KeyUp;
        message->a = event.key.keysym.sym == SDLK_ESCAPE ? KL::kKeyEscape : KL::kKeyOther;
        return true;
    default: return false;
    }
}

int ModeBitsPerPixel(uint32_t format) {
    if (SDL_BYTESPERPIXEL(format) == 4) return 32;
    return static_cast<int>(SDL_BITSPERPIXEL(format));
}

}  // namespace _KL
