// "Bass Player": plays the soundtrack, a tracker module, and turns its notes into
// animation signals. Every note of one of the module's first 32 instruments kicks that
// instrument's velocity by 10; every frame each position integrates its velocity while the
// velocity decays. Float channels 3..34 read the velocities and 35..66 the positions
// (channel 36 is how far instrument 2 has been pushed), so any parameter can follow the music.
//
// Parameters: integer 0 the sound device (index into KSOutput::ListDevices), integer 1
// the sample rate in Hz, string 2 the module file. The arrays are process-wide, shared by
// every instance. Notes may arrive on the audio thread while Frame runs on the main
// thread; neither loses the other's change to a velocity.
#pragma once

#include "CEffect.h"
#include "KDSBuilders.h"
#include "KSModule.h"
#include "KSOutput.h"
#include "KLVirtualClock.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class CBassPlayer : public CEffect {
public:
    static constexpr int kInstruments = 32;
    static constexpr int kVelocityChannel = 3;   // velocity of instrument 1
    static constexpr int kPositionChannel = 35;  // position of instrument 1
    static constexpr float kKick = 10.0f;

    // Zeroes both process-wide arrays.
    CBassPlayer();

    float GetFloat(int index) override;
    // Opens the chosen device at the chosen rate (the default device once more if it
    // cannot be opened), loads the module, installs a note procedure for instruments 1 to
    // 32 and plays. Without a device the module is rendered silently in step with the
    // effect's clock (Frame), so the notes still drive the animation. False when the
    // module cannot be played. Under a virtual clock with a soundtrack (offline capture) no
    // device is opened: the module is rendered into the soundtrack in step with the ticks.
    bool Start() override;
    // Advances the silent module to the local time (under a virtual clock, to the end of
    // the tick's samples, mixed into the soundtrack), then integrates and decays.
    bool Frame(uint32_t time, uint32_t localTime, int32_t delta) override;
    // A step not drawn (a seek): the module is rendered to the step's place without sound,
    // so that its notes kick as they would have, then the same integration.
    bool Advance(uint32_t time, uint32_t localTime, int32_t delta) override;
    // Holds the device still; the module keeps its place.
    void SetPaused(bool paused) override;
    // The module on the device plays on, its notes no longer kicking.
    void Retire() override;
    // Takes over the device of a retired player of the same device, rate and module: the
    // device plays its module on until this player's first drawn step, which puts its own
    // in its place (at the show's time) without closing the device.
    void Inherit(CEffect* previous) override;

    // The note procedure: velocity[user - 1] += 10 for user 1..32. Any thread.
    static void OnNote(uintptr_t user, uint64_t frame);

    // Whether the module plays on a device (audio thread) rather than silently in Frame.
    bool IsPlayingOnDevice() const { return m_onDevice; }
    // Whether the module is rendered into a virtual clock's soundtrack.
    bool IsRenderingOffline() const { return m_clock != nullptr; }
    // The module while it plays silently; null once handed to the device or when none.
    KSModule* GetSilentModule() const { return m_onDevice ? nullptr : m_module.get(); }
    // The output device (for tests: a handed-over device is the same object).
    const KSOutput* GetOutput() const { return m_output.get(); }

private:
    // The module rendered to the step's place (into the soundtrack when `mix`), then the
    // integration.
    bool Step(uint32_t localTime, int32_t delta, bool mix);
    // Renders the module up to the end of the current tick, into the soundtrack when `mix`.
    void RenderOffline(bool mix);
    // Renders the silent module up to a local time.
    void RenderSilently(uint32_t localTime);
    // Velocities and positions move on by one step of `delta` ms.
    void Integrate(int32_t delta);

    static std::atomic<float> s_velocity[kInstruments];
    static float s_position[kInstruments];

    // Hands this player's module to the device (in the place of an inherited one).
    void PlayOnDevice();

    // The output is declared after the modules so that it closes (stopping the audio
    // thread) before a module it renders is destroyed. `m_inherited` is the module a
    // retired player left playing on the device, until this player's takes its place.
    std::unique_ptr<KSModule> m_module;
    std::unique_ptr<KSModule> m_inherited;
    std::unique_ptr<KSOutput> m_output = std::make_unique<KSOutput>();
    bool m_onDevice = false;
    // Started during a fast-forward: the module goes to the device at the first drawn step,
    // from the place the fast-forward left it at.
    bool m_playDeferred = false;
    int32_t m_rate = 44100;
    // Offline: the clock whose ticks pace the rendering, the soundtrack frame of the
    // module's first sample, and the render buffer.
    KL::VirtualClock* m_clock = nullptr;
    uint64_t m_soundtrackStart = 0;
    std::vector<int16_t> m_samples;
};

class CBassPlayerBuilder : public IEffectBuilder {
public:
    CEffect* Create() override;
    KDSParamTable GetParameters() override;
    const char* GetName() override { return "Bass Player"; }
    const char* GetDescription() override { return "This effect Plays musics"; }
};

// Provides the music player's builder to the demo system's catalog.
void RegisterBassPlayerBuilder();
