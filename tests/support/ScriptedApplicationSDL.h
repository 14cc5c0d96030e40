// The SDL application with a scripted clock, so that loop tests never sleep, and a look
// into SDL's queue for posted quits.
#pragma once

#include "FakeApplication.h"
#include "KLApplicationSDL.h"

#include <SDL.h>

class ScriptedApplicationSDL : public _KL::ApplicationSDL {
public:
    uint32_t GetTime() override { return clock.Read(); }
    void Wait(uint32_t ms) override { clock.Wait(ms); }
    ScriptedClock clock;
};

// How many quit events wait in SDL's queue.
inline int QueuedQuits() {
    SDL_PumpEvents();
    return SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_QUIT, SDL_QUIT);
}
