// The framebuffer search for an OpenGL window: eight requests, from the richest down,
// each step changing the request; the first format the platform accepts wins.
#pragma once

#include <cstdint>

namespace KL {

struct PixelFormatRequest {
    int32_t colourBits = 32;
    int32_t alphaBits = 8;
    int32_t depthBits = 24;
    int32_t stencilBits = 8;

    bool operator==(const PixelFormatRequest& o) const {
        return colourBits == o.colourBits && alphaBits == o.alphaBits && depthBits == o.depthBits &&
               stencilBits == o.stencilBits;
    }
};

constexpr int kPixelFormatSteps = 8;

// The request of step 1..8.
PixelFormatRequest PixelFormatStep(int step);

// Tries the steps in order, starting at `firstStep`, with `tryFormat(request, step)`, which
// returns true when the platform accepted the request and may write the real depths back.
// On success `request` holds what was accepted and the step is returned; on failure it
// holds the last request tried and 0 is returned.
template <class TryFormat>
int ChoosePixelFormatWithFallback(PixelFormatRequest& request, TryFormat tryFormat, int firstStep = 1) {
    for (int step = firstStep; step <= kPixelFormatSteps; ++step) {
        request = PixelFormatStep(step);
        if (tryFormat(request, step)) return step;
    }
    return 0;
}

}  // namespace KL
