// A clock that stands in for the platform's while a show is rendered offline: it moves on
// by exactly 1000 / rate ms per tick, without drift (tick k reads the nearest millisecond
// to k * 1000 / rate after its origin), and a wait moves the origin on instead of
// sleeping. Installed in the application (Application::SetVirtualClock), it is the clock
// and the sleep of the whole program; the application advances it after each tick.
//
// It also carries the soundtrack that sound is rendered into in step with the ticks: tick
// n covers the sample frames floor(sampleRate * n / rate) up to floor(sampleRate * (n+1) / rate).
//
// Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>

namespace KL {

// Where sound rendered in step with a virtual clock goes: 16-bit interleaved stereo at
// GetSampleRate(), placed by sample frame from the clock's tick 0. Sounds at the same
// frames are mixed.
class SoundtrackSink {
public:
    virtual ~SoundtrackSink() = default;
    virtual int32_t GetSampleRate() const = 0;
    virtual void Mix(uint64_t frame, const int16_t* samples, size_t frames) = 0;
};

class VirtualClock {
public:
    static constexpr int32_t kMinRate = 1;
    static constexpr int32_t kMaxRate = 240;

    // `ticksPerSecond` is held to kMinRate..kMaxRate.
    explicit VirtualClock(int32_t ticksPerSecond);

    // Milliseconds: the origin plus the nearest millisecond to tick * 1000 / rate (wraps
    // like any 32-bit millisecond counter).
    uint32_t Now() const;
    // Moves the origin on by `milliseconds`: the time a sleep would have taken.
    void Wait(uint32_t milliseconds);
    // The next tick.
    void Advance() { ++m_tick; }
    // Puts the clock at `tick` (a seek steps through earlier ticks and comes back).
    void SetTick(uint64_t tick) { m_tick = tick; }

    uint64_t GetTick() const { return m_tick; }
    int32_t GetRate() const { return m_rate; }
    // The first sample frame of `tick` at `sampleRate`: floor(sampleRate * tick / rate).
    uint64_t SampleFrameAt(uint64_t tick, int32_t sampleRate) const;

    void SetSoundtrack(SoundtrackSink* sink) { m_soundtrack = sink; }
    SoundtrackSink* GetSoundtrack() const { return m_soundtrack; }

private:
    int32_t m_rate;
    uint64_t m_tick = 0;
    uint64_t m_origin = 0;
    SoundtrackSink* m_soundtrack = nullptr;
};

}  // namespace KL
