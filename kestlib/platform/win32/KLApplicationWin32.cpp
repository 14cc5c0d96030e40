#include "KLApplicationWin32.h"

#include "KLAppWindowWin32.h"
#include "KLBitmapFileWin32.h"
#include "KLWindowsApi.h"

#include <mmsystem.h>

namespace _KL {

ApplicationWin32::ApplicationWin32() = default;

void ApplicationWin32::Quit() { PostQuitMessage(0); }

void ApplicationWin32::Stop() { PostQuitMessage(0); }

int32_t ApplicationWin32::ChangeDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel) {
    DEVMODEA mode = {};
    mode.dmSize = sizeof(mode);
    for (DWORD index = 0; EnumDisplaySettingsA(nullptr, index, &mode); ++index) {
        if (static_cast<int32_t>(mode.dmBitsPerPel) == bitsPerPixel &&
            static_cast<int32_t>(mode.dmPelsWidth) == width && static_cast<int32_t>(mode.dmPelsHeight) == height) {
            return ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN);
        }
        mode = DEVMODEA{};
        mode.dmSize = sizeof(mode);
    }
    return DISP_CHANGE_BADMODE;
}

bool ApplicationWin32::LoadBitmapFile(const char* name, int32_t* width, int32_t* height, int32_t* bitsPerPixel,
                                      unsigned char** pixels) {
    return LoadBitmapRGB(name, width, height, bitsPerPixel, pixels);
}

uint32_t ApplicationWin32::GetTime() { return m_virtualClock ? m_virtualClock->Now() : timeGetTime(); }

void ApplicationWin32::Wait(uint32_t milliseconds) {
    if (m_virtualClock) {
        m_virtualClock->Wait(milliseconds);
    } else {
        Sleep(milliseconds);
    }
}

int ApplicationWin32::MessageLoop() {
    MSG message = {};
    const bool seen = PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE) != 0;
    m_polling = true;
    m_ticking = true;
    if (seen && message.message == WM_QUIT) return 0;
    bool quit = false;
    while (!quit) {
        bool taken = false;
        if (m_polling) {
            taken = PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE) != 0;
        } else {
            // 0 is WM_QUIT (taken); -1 is a failure, which ends the loop like a quit.
            const BOOL got = GetMessageA(&message, nullptr, 0, 0);
            taken = got != -1;
            if (got == -1) quit = true;
        }
        if (taken) {
            if (message.message == WM_QUIT) quit = true;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        } else if (m_polling && m_ticking) {
            Tick();
        }
    }
    return 0;
}

KL::Window* ApplicationWin32::NewWindow() { return new WindowWin32(); }

}  // namespace _KL
