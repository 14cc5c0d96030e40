// The SDL application with a scripted clock, and a look into SDL's queue for posted quits.
#pragma once

#include "ScriptedApplication.h"

#include <SDL.h>

using ScriptedApplicationSDL = ScriptedApplication;

// How many quit events wait in SDL's queue.
inline int QueuedQuits() {
    SDL_PumpEvents();
    return SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_QUIT, SDL_QUIT);
}
