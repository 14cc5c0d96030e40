// The sound output on SDL audio: SDL's playback devices, opened with the chosen rate (SDL
// converts when the hardware differs), and a callback that renders the handed-over module.
// Devices that are playing are closed when the process exits, before SDL shuts down, so
// that the audio thread never renders while the libraries are being torn down.
#include "KSOutput.h"

#include "KSModule.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>

struct KSOutput::Device {
    SDL_AudioDeviceID id = 0;
    int32_t rate = 44100;
    // Written by Play and Swap (main thread), read by the callback (audio thread).
    std::atomic<KSModule*> module{nullptr};
};

namespace {

// The devices that may be rendering at exit. Main thread only. Never destroyed: the exit
// handler that reads it may run after static objects made later are gone.
std::vector<SDL_AudioDeviceID>& PlayingDevices() {
    static auto* devices = new std::vector<SDL_AudioDeviceID>();
    return *devices;
}

void ClosePlayingDevices() {
    for (SDL_AudioDeviceID id : PlayingDevices()) SDL_CloseAudioDevice(id);
    PlayingDevices().clear();
}

void ForgetPlayingDevice(SDL_AudioDeviceID id) {
    auto& devices = PlayingDevices();
    devices.erase(std::remove(devices.begin(), devices.end(), id), devices.end());
}

void SDLCALL FillAudio(void* userdata, Uint8* stream, int bytes) {
    auto* device = static_cast<KSOutput::Device*>(userdata);
    KSModule* module = device->module.load(std::memory_order_acquire);
    const size_t frames = static_cast<size_t>(bytes) / (2 * sizeof(int16_t));
    if (!module) {
        std::memset(stream, 0, static_cast<size_t>(bytes));
        return;
    }
    module->Render(frames, reinterpret_cast<int16_t*>(stream));
}

bool AudioReady() {
    static const bool ready = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    return ready;
}

}  // namespace

std::string KSOutput::LibraryVersion() {
    // The library loaded, which may be newer than the headers the program was built with.
    SDL_version linked;
    SDL_GetVersion(&linked);
    return "SDL " + std::to_string(linked.major) + "." + std::to_string(linked.minor) + "." +
           std::to_string(linked.patch);
}

const std::vector<std::string>& KSOutput::ListDevices() {
    static const std::vector<std::string> devices = [] {
        std::vector<std::string> list;
        if (AudioReady()) {
            list.push_back(kDefaultDeviceName);
            // Counted once: SDL may rescan on every call, and answers -1 when it cannot tell.
            const int count = SDL_GetNumAudioDevices(0);
            for (int i = 0; i < count; ++i) {
                const char* name = SDL_GetAudioDeviceName(i, 0);
                if (name && *name) list.push_back(name);
            }
        }
        list.push_back(kNoSoundName);
        return list;
    }();
    return devices;
}

bool KSOutput::OpenDevice(int device, const std::string& deviceName, int32_t rate, std::string* why) {
    if (!AudioReady()) {
        *why = std::string("no sound system: ") + SDL_GetError();
        return false;
    }
    auto* opened = new Device();
    opened->rate = rate;
    SDL_AudioSpec want;
    SDL_zero(want);
    want.freq = rate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = static_cast<Uint16>(FramesPerBuffer(rate));
    want.callback = &FillAudio;
    want.userdata = opened;
    SDL_AudioSpec have;
    const char* name = device == 0 ? nullptr : deviceName.c_str();
    opened->id = SDL_OpenAudioDevice(name, 0, &want, &have, 0);
    if (opened->id == 0) {
        *why = "cannot open \"" + deviceName + "\": " + SDL_GetError();
        delete opened;
        return false;
    }
    m_device = opened;
    return true;
}

bool KSOutput::IsOpen() const { return m_device != nullptr; }

bool KSOutput::Start() {
    if (!m_device) return false;
    SDL_PauseAudioDevice(m_device->id, 0);
    return true;
}

KSModule* KSOutput::ExchangePlaying(KSModule* module) {
    if (!m_device->module.load(std::memory_order_relaxed)) return nullptr;
    module->SetSampleRate(m_device->rate);
    // Held, the callback is not running: the old module is out of its hands after this.
    SDL_LockAudioDevice(m_device->id);
    KSModule* old = m_device->module.exchange(module, std::memory_order_acq_rel);
    SDL_UnlockAudioDevice(m_device->id);
    return old;
}

bool KSOutput::SetPaused(bool paused) {
    if (!m_device) return false;
    SDL_PauseAudioDevice(m_device->id, paused ? 1 : 0);
    return true;
}

bool KSOutput::Play(KSModule* module) {
    if (!m_device || !module || m_device->module.load(std::memory_order_relaxed)) return false;
    module->SetSampleRate(m_device->rate);
    static std::once_flag atExit;
    std::call_once(atExit, [] { std::atexit(&ClosePlayingDevices); });
    PlayingDevices().push_back(m_device->id);
    m_device->module.store(module, std::memory_order_release);
    return true;
}

void KSOutput::Close() {
    if (!m_device) return;
    SDL_CloseAudioDevice(m_device->id);
    ForgetPlayingDevice(m_device->id);
    delete m_device;
    m_device = nullptr;
}
