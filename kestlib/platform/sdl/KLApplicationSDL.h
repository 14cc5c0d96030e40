// The application object on SDL2: SDL's event queue is the message queue, an SDL_QUIT
// event is the quit message, SDL_GetTicks and SDL_Delay are the clock and the sleep.
#pragma once

#include "KLApplication.h"

union SDL_Event;

namespace _KL {

class ApplicationSDL : public KL::Application {
public:
    ApplicationSDL();

    void Quit() override;
    int32_t ChangeDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel) override;
    bool LoadBitmapFile(const char* name, int32_t* width, int32_t* height, int32_t* bitsPerPixel,
                        unsigned char** pixels) override;
    uint32_t GetTime() override;
    void Wait(uint32_t milliseconds) override;
    int MessageLoop() override;
    KL::Window* NewWindow() override;
    void Stop() override;

    // The window procedure: translates one SDL event for the application's windows.
    // Returns 1 when a framework window handled it.
    int HandleEvent(const SDL_Event& event);

protected:
    // Posts an SDL_QUIT event.
    void PostQuit();
};

// Results of ChangeDisplayMode.
enum : int32_t { kDisplayChangeSuccessful = 0, kDisplayChangeFailed = -1, kDisplayChangeBadMode = -2 };

}  // namespace _KL
