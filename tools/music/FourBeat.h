// "4beat": the show's soundtrack, a 4/4 dance track in A minor at 125 beats per minute.
#pragma once

#include "XMWriter.h"

namespace fourbeat {

// The whole module: tempo, instruments, patterns and order list. Looping goes back to the
// first groove section.
xm::Module Compose();

}  // namespace fourbeat
