#include "KLApplicationSDL.h"

#include "KLAppWindowSDL.h"
#include "KLBitmapFileSDL.h"
#include "KLEventsSDL.h"
#include "KLLog.h"

#include <SDL.h>

#include <mutex>

namespace _KL {

ApplicationSDL::ApplicationSDL() {
    // Closing a window is the listeners' decision, never an implicit quit.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    if (SDL_InitSubSystem(SDL_INIT_EVENTS | SDL_INIT_TIMER) != 0) {
        LogError("SDL could not start: %s", SDL_GetError());
    }
    // SDL gives the desktop's display mode back when it shuts down.
    static std::once_flag s_atExit;
    std::call_once(s_atExit, [] { std::atexit(SDL_Quit); });
}

void ApplicationSDL::PostQuit() {
    SDL_Event quit;
    SDL_zero(quit);
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
}

void ApplicationSDL::Quit() { PostQuit(); }

void ApplicationSDL::Stop() { PostQuit(); }

int32_t ApplicationSDL::ChangeDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel) {
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return kDisplayChangeFailed;
    const int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(0, i, &mode) != 0) break;
        if (ModeBitsPerPixel(mode.format) != bitsPerPixel || mode.w != width || mode.h != height) continue;
        // A display mode only changes for a full-screen window: use the newest one.
        for (auto it = m_windows.rbegin(); it != m_windows.rend(); ++it) {
            SDL_Window* native = static_cast<SDL_Window*>((*it)->GetHandle());
            if (!native) continue;
            if (SDL_SetWindowDisplayMode(native, &mode) != 0) return kDisplayChangeFailed;
            if (SDL_SetWindowFullscreen(native, SDL_WINDOW_FULLSCREEN) != 0) return kDisplayChangeFailed;
            return kDisplayChangeSuccessful;
        }
        return kDisplayChangeFailed;
    }
    return kDisplayChangeBadMode;
}

bool ApplicationSDL::LoadBitmapFile(const char* name, int32_t* width, int32_t* height, int32_t* bitsPerPixel,
                                    unsigned char** pixels) {
    return LoadBitmapRGB(name, width, height, bitsPerPixel, pixels);
}

uint32_t ApplicationSDL::GetTime() { return m_virtualClock ? m_virtualClock->Now() : SDL_GetTicks(); }

void ApplicationSDL::Wait(uint32_t milliseconds) {
    if (m_virtualClock) {
        m_virtualClock->Wait(milliseconds);
    } else {
        SDL_Delay(milliseconds);
    }
}

int ApplicationSDL::MessageLoop() {
    SDL_Event event;
    SDL_PumpEvents();
    const bool quitFirst = SDL_PeepEvents(&event, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1 &&
                           event.type == SDL_QUIT;
    m_polling = true;
    m_ticking = true;
    if (quitFirst) return 0;
    bool quit = false;
    while (!quit) {
        const bool taken = m_polling ? SDL_PollEvent(&event) == 1 : SDL_WaitEvent(&event) == 1;
        if (taken) {
            if (event.type == SDL_QUIT) quit = true;
            HandleEvent(event);
        } else if (m_polling && m_ticking) {
            Tick();
        }
    }
    return 0;
}

KL::Window* ApplicationSDL::NewWindow() { return new WindowSDL(); }

int ApplicationSDL::HandleEvent(const SDL_Event& event) {
    KL::WindowMessage message;
    if (!ToWindowMessage(event, &message)) return 0;
    return TranslateWindowMessage(message);
}

}  // namespace _KL
