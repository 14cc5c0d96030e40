// The soundtrack's instruments, by the numbers the patterns use. The kick is number 2 for
// good: the show moves its model on every note of that instrument.
#pragma once

#include "XMWriter.h"

#include <cstdint>
#include <vector>

namespace fourbeat {

enum Inst : uint8_t {
    kPad = 1,   // soft detuned-saw chords that swell in
    kKick = 2,  // the four-on-the-floor kick
    kClap = 3,
    kClosedHat = 4,
    kOpenHat = 5,
    kBass = 6,      // plucky filtered saw with a sub
    kLead = 7,      // detuned saw/square lead
    kPluck = 8,     // short bright pluck for arpeggios
    kCrash = 9,
    kPumpPad = 10,  // the pad again, ducking on every beat
    kLastInst = kPumpPad
};

// All instruments, in number order (element 0 is instrument 1).
std::vector<xm::Instrument> MakeInstruments();

}  // namespace fourbeat
