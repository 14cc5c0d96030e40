// The application object on Win32: the thread's message queue with PeekMessageA and
// DispatchMessageA, WM_QUIT as the quit message, timeGetTime and Sleep as the clock and
// the sleep (or the application's virtual clock when one is installed).
#pragma once

#include "KLApplication.h"

namespace _KL {

class ApplicationWin32 : public KL::Application {
public:
    ApplicationWin32();

    void Quit() override;
    // Applies the first display mode with exactly this size and depth (CDS_FULLSCREEN) and
    // returns ChangeDisplaySettingsA's result; DISP_CHANGE_BADMODE (-2) when none matches.
    int32_t ChangeDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel) override;
    bool LoadBitmapFile(const char* name, int32_t* width, int32_t* height, int32_t* bitsPerPixel,
                        unsigned char** pixels) override;
    uint32_t GetTime() override;
    void Wait(uint32_t milliseconds) override;
    int MessageLoop() override;
    KL::Window* NewWindow() override;
    void Stop() override;
};

}  // namespace _KL
