// The sound output on the Win32 waveOut API: the system's playback devices behind the
// wave mapper (which converts when the hardware runs at another rate), and a render thread
// of our own that keeps a ring of short buffers queued, filled from the handed-over module
// or with silence. The driver signals an event as each buffer finishes; waveOut is called
// only from our threads, never from the driver's callback. Devices that are playing are
// stopped when the process exits, so that the render thread never renders while the
// libraries are being torn down.
#include "KSOutput.h"

#include "KSModule.h"

#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

namespace {

// A few short buffers: enough to ride out a late wake-up, few enough that the notes, found
// as the audio is rendered, stay close to what is heard (4 x 23 ms at 44100 Hz).
constexpr int kBuffers = 4;
constexpr int kBytesPerFrame = 2 * sizeof(int16_t);

struct DeviceTable {
    std::vector<std::string> names;
    std::vector<UINT> ids;  // the waveOut id of each entry; WAVE_MAPPER for the default
};

const DeviceTable& Devices() {
    static const DeviceTable table = [] {
        DeviceTable t;
        const UINT count = waveOutGetNumDevs();
        if (count > 0) {
            t.names.push_back(KSOutput::kDefaultDeviceName);
            t.ids.push_back(WAVE_MAPPER);
        }
        for (UINT id = 0; id < count; ++id) {
            WAVEOUTCAPSA caps;
            if (waveOutGetDevCapsA(id, &caps, sizeof(caps)) != MMSYSERR_NOERROR) continue;
            caps.szPname[MAXPNAMELEN - 1] = '\0';
            if (!caps.szPname[0]) continue;
            t.names.push_back(caps.szPname);
            t.ids.push_back(id);
        }
        t.names.push_back(KSOutput::kNoSoundName);
        return t;
    }();
    return table;
}

std::string WaveError(MMRESULT code, int32_t rate) {
    if (code == WAVERR_BADFORMAT) return "it does not play 16-bit stereo at " + std::to_string(rate) + " Hz";
    char text[MAXERRORLENGTH] = {};
    if (waveOutGetErrorTextA(code, text, sizeof(text)) != MMSYSERR_NOERROR || !text[0]) {
        return "waveOut error " + std::to_string(code);
    }
    return text;
}

}  // namespace

struct KSOutput::Device {
    HWAVEOUT wave = nullptr;
    HANDLE done = nullptr;  // auto-reset, set by the driver as each buffer finishes
    int32_t rate = 44100;
    size_t frames = 0;      // per buffer
    WAVEHDR headers[kBuffers] = {};
    std::vector<int16_t> samples[kBuffers];
    std::thread thread;
    std::atomic<bool> stop{false};
    // Written by Play and Swap (main thread), read by the render thread, which holds
    // `rendering` while it renders a buffer.
    std::atomic<KSModule*> module{nullptr};
    std::mutex rendering;

    void Render();
    void StopRendering();
};

namespace {

// The devices that may be rendering at exit. Main thread only. Never destroyed: the exit
// handler that reads it may run after static objects made later are gone.
std::vector<KSOutput::Device*>& PlayingDevices() {
    static auto* devices = new std::vector<KSOutput::Device*>();
    return *devices;
}

void StopPlayingDevices() {
    for (KSOutput::Device* device : PlayingDevices()) device->StopRendering();
    PlayingDevices().clear();
}

void ForgetPlayingDevice(KSOutput::Device* device) {
    auto& devices = PlayingDevices();
    devices.erase(std::remove(devices.begin(), devices.end(), device), devices.end());
}

}  // namespace

// The render thread: queues every free buffer in ring order, then sleeps until the driver
// hands one back. A buffer the driver refuses (the device went away) is retried after its
// own length, so the module, and its notes, keep time even without sound.
void KSOutput::Device::Render() {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
    bool queued[kBuffers] = {};
    int next = 0;
    const DWORD bufferMs = static_cast<DWORD>(frames * 1000 / static_cast<size_t>(rate)) + 1;
    while (!stop.load(std::memory_order_acquire)) {
        DWORD wait = 200;
        while (!stop.load(std::memory_order_acquire)) {
            WAVEHDR& header = headers[next];
            if (queued[next] && !(header.dwFlags & WHDR_DONE)) break;
            int16_t* out = samples[next].data();
            {
                std::lock_guard<std::mutex> lock(rendering);
                KSModule* playing = module.load(std::memory_order_acquire);
                if (playing) {
                    playing->Render(frames, out);
                } else {
                    std::memset(out, 0, frames * kBytesPerFrame);
                }
            }
            header.dwFlags &= ~static_cast<DWORD>(WHDR_DONE);
            if (waveOutWrite(wave, &header, sizeof(header)) != MMSYSERR_NOERROR) {
                queued[next] = false;
                wait = bufferMs;
                break;
            }
            queued[next] = true;
            next = (next + 1) % kBuffers;
        }
        WaitForSingleObject(done, wait);
    }
}

void KSOutput::Device::StopRendering() {
    if (!thread.joinable()) return;
    stop.store(true, std::memory_order_release);
    SetEvent(done);
    thread.join();
}

// waveOut is part of the system: no library of the program's own to name.
std::string KSOutput::LibraryVersion() { return std::string(); }

const std::vector<std::string>& KSOutput::ListDevices() { return Devices().names; }

bool KSOutput::OpenDevice(int device, const std::string& name, int32_t rate, std::string* error) {
    std::string& why = *error;
    const DeviceTable& devices = Devices();
    if (rate <= 0) {
        why = "cannot open \"" + name + "\": no sample rate of " + std::to_string(rate) + " Hz";
        return false;
    }
    auto* opened = new Device();
    opened->rate = rate;
    opened->frames = FramesPerBuffer(rate);
    opened->done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!opened->done) {
        why = "cannot open \"" + name + "\": no event (error " + std::to_string(GetLastError()) + ")";
        delete opened;
        return false;
    }
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = static_cast<DWORD>(rate);
    format.wBitsPerSample = 16;
    format.nBlockAlign = kBytesPerFrame;
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    // A chosen device goes through the wave mapper too, which converts the rate when the
    // device runs at another one.
    const UINT id = devices.ids[static_cast<size_t>(device)];
    const DWORD flags = CALLBACK_EVENT | (id == WAVE_MAPPER ? 0 : WAVE_MAPPED);
    const MMRESULT opening =
        waveOutOpen(&opened->wave, id, &format, reinterpret_cast<DWORD_PTR>(opened->done), 0, flags);
    if (opening != MMSYSERR_NOERROR) {
        why = "cannot open \"" + name + "\": " + WaveError(opening, rate);
        CloseHandle(opened->done);
        delete opened;
        return false;
    }
    for (int i = 0; i < kBuffers; ++i) {
        opened->samples[i].assign(opened->frames * 2, 0);
        WAVEHDR& header = opened->headers[i];
        header.lpData = reinterpret_cast<LPSTR>(opened->samples[i].data());
        header.dwBufferLength = static_cast<DWORD>(opened->frames * kBytesPerFrame);
        const MMRESULT prepared = waveOutPrepareHeader(opened->wave, &header, sizeof(header));
        if (prepared != MMSYSERR_NOERROR) {
            why = "cannot open \"" + name + "\": " + WaveError(prepared, rate);
            m_device = opened;
            Close();
            return false;
        }
    }
    m_device = opened;
    return true;
}

bool KSOutput::IsOpen() const { return m_device != nullptr; }

bool KSOutput::Start() {
    if (!m_device) return false;
    if (!m_device->thread.joinable()) m_device->thread = std::thread([device = m_device] { device->Render(); });
    return true;
}

KSModule* KSOutput::ExchangePlaying(KSModule* module) {
    if (!m_device->module.load(std::memory_order_relaxed)) return nullptr;
    module->SetSampleRate(m_device->rate);
    std::lock_guard<std::mutex> lock(m_device->rendering);
    return m_device->module.exchange(module, std::memory_order_acq_rel);
}

bool KSOutput::SetPaused(bool paused) {
    if (!m_device) return false;
    return (paused ? waveOutPause(m_device->wave) : waveOutRestart(m_device->wave)) == MMSYSERR_NOERROR;
}

bool KSOutput::Play(KSModule* module) {
    if (!m_device || !module || m_device->module.load(std::memory_order_relaxed)) return false;
    module->SetSampleRate(m_device->rate);
    static std::once_flag atExit;
    std::call_once(atExit, [] { std::atexit(&StopPlayingDevices); });
    PlayingDevices().push_back(m_device);
    m_device->module.store(module, std::memory_order_release);
    return true;
}

void KSOutput::Close() {
    if (!m_device) return;
    Device* device = m_device;
    m_device = nullptr;
    ForgetPlayingDevice(device);
    device->StopRendering();
    // Hands every queued buffer back (marked done) before they are unprepared.
    waveOutReset(device->wave);
    for (WAVEHDR& header : device->headers) {
        if (header.dwFlags & WHDR_PREPARED) waveOutUnprepareHeader(device->wave, &header, sizeof(header));
    }
    waveOutClose(device->wave);
    CloseHandle(device->done);
    delete device;
}
