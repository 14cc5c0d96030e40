// The sound output: the list of output devices and one opened device that plays a module
// on the platform's audio thread. The list always ends with "No sound", so that the show
// also runs where there is no sound card; where the platform has a default device it comes
// first, as "Default sound device".
//
// Main thread only, except that the audio thread renders the module handed to Play and
// calls its note procedures. The audio thread never waits on the main thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class KSModule;

class KSOutput {
public:
    static constexpr const char* kNoSoundName = "No sound";
    static constexpr const char* kDefaultDeviceName = "Default sound device";

    // The output devices, in the order the setup lists them. Asked of the platform once
    // per process and kept, so that a device index means the same device throughout.
    static const std::vector<std::string>& ListDevices();
    // Whether `device` is the list's "No sound" entry.
    static bool IsNoSound(int device);
    // The platform's audio library as the program runs on it ("SDL 2.26.5"); empty where
    // the audio API is part of the system.
    static std::string LibraryVersion();

    KSOutput();
    // Closes the device: the audio thread has stopped when it returns.
    ~KSOutput();
    KSOutput(const KSOutput&) = delete;
    KSOutput& operator=(const KSOutput&) = delete;

    // Opens device `device` of the list (paused, silent) at `rate` Hz; the platform
    // converts if the device runs at another rate. False, with *error, for "No sound", an
    // index outside the list, or a device that cannot be opened. Closes any open device first.
    bool Open(int device, int32_t rate, std::string* error);
    bool IsOpen() const;
    // Lets the device run: silence until Play. False when no device is open.
    bool Start();
    // Hands the module to the audio thread, which renders it from then on at the module's
    // rate (set to the output's); the caller must not touch it again and must keep it
    // alive until the output is closed. False when no device is open or one is playing.
    bool Play(KSModule* module);
    // Puts `module` in the place of the one playing, between two buffers and without
    // stopping the device (a show built again goes on with its own module); the one it
    // replaces is the caller's again when this returns (null when none played, and
    // `module` then simply plays). The caller keeps `module` alive as for Play.
    KSModule* Swap(KSModule* module);
    // Holds the device still (the module keeps its place) or lets it run on. False when no
    // device is open.
    bool SetPaused(bool paused);
    // Stops the audio thread and closes the device; safe to call twice.
    void Close();

    // The platform's state of an open device.
    struct Device;

private:
    // The platform's part of Swap: puts `module` (at the device's rate) in the place of the
    // one playing, once the audio thread is not rendering it; null, changing nothing, when
    // none plays.
    KSModule* ExchangePlaying(KSModule* module);
    // The platform's part of Open, for a device of the list other than "No sound".
    bool OpenDevice(int device, const std::string& name, int32_t rate, std::string* why);
    // Frames per buffer: about 23 ms whatever the rate (1024 at 44100 Hz). Notes are found
    // as the audio is rendered, so a longer buffer would put the picture ahead of the sound.
    static size_t FramesPerBuffer(int32_t rate);

    Device* m_device = nullptr;
};
