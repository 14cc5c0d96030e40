// The parts of the sound output every platform shares.
#include "KSOutput.h"

bool KSOutput::IsNoSound(int device) {
    const auto& devices = ListDevices();
    return device == static_cast<int>(devices.size()) - 1;
}

KSOutput::KSOutput() = default;

KSOutput::~KSOutput() { Close(); }
