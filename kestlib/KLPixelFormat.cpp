#include "KLPixelFormat.h"

namespace KL {

PixelFormatRequest PixelFormatStep(int step) {
    // Colour and alpha drop last, depth before stencil: a 16-bit depth buffer costs less
    // than losing the stencil, and losing 32-bit colour costs the most.
    static const PixelFormatRequest kSteps[kPixelFormatSteps] = {
        {32, 8, 24, 8}, {32, 8, 16, 8}, {32, 8, 24, 0}, {32, 8, 16, 0},
        {16, 0, 24, 8}, {16, 0, 16, 8}, {16, 0, 24, 0}, {16, 0, 16, 0},
    };
    if (step < 1) step = 1;
    if (step > kPixelFormatSteps) step = kPixelFormatSteps;
    return kSteps[step - 1];
}

}  // namespace KL
