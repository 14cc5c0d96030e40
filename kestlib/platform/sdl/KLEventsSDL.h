// SDL events reduced to the framework's window messages.
#pragma once

#include "KLApplication.h"

#include <SDL.h>

namespace _KL {

// Fills `message` for an event that concerns a window; false for events that carry no
// window message (the quit event, text input, ...). Events whose window is unknown to SDL
// get a null handle and so reach no framework window.
bool ToWindowMessage(const SDL_Event& event, KL::WindowMessage* message);

// Bits per pixel of an SDL display mode format: 32 for four-byte formats (SDL names
// XRGB8888 a 24-bit format), the format's bits otherwise.
int ModeBitsPerPixel(uint32_t format);

}  // namespace _KL
