// The parts of the sound output every platform shares.
#include "KSOutput.h"

bool KSOutput::IsNoSound(int device) {
    const auto& devices = ListDevices();
    return device == static_cast<int>(devices.size()) - 1;
}

KSOutput::KSOutput() = default;

KSOutput::~KSOutput() { Close(); }

bool KSOutput::Open(int device, int32_t rate, std::string* error) {
    std::string local;
    std::string& why = error ? *error : local;
    Close();
    const auto& devices = ListDevices();
    if (device < 0 || device >= static_cast<int>(devices.size())) {
        why = "there is no sound device " + std::to_string(device);
        return false;
    }
    if (IsNoSound(device)) {
        why = "\"No sound\" was chosen";
        return false;
    }
    return OpenDevice(device, devices[static_cast<size_t>(device)], rate, &why);
}

KSModule* KSOutput::Swap(KSModule* module) {
    if (!m_device || !module) return nullptr;
    KSModule* old = ExchangePlaying(module);
    if (!old) Play(module);
    return old;
}

size_t KSOutput::FramesPerBuffer(int32_t rate) {
    size_t frames = 256;
    while (frames < 4096 && frames * 1000 < static_cast<size_t>(rate > 0 ? rate : 0) * 23) frames *= 2;
    return frames;
}
