// The base of every effect: a parameter object with a place on the timeline. The timeline
// starts, frames and stops it by demo time; an effect draws (submits to the engine) in Frame.
#pragma once

#include "CParamObject.h"

#include <cstdint>

class CEffect : public CParamObject {
public:
    // Integer parameter 255 of every effect answers the effect's local time.
    static constexpr int LOCAL_TIME_PARAM = 255;

    // Answers LOCAL_TIME_PARAM with application time - demo start - effect start (unsigned
    // arithmetic), whatever is stored or bound there.
    int32_t GetInt(int index) override;

    // Where the demo's start time (application ms at its first loaded step) comes from; the
    // demo system installs its own. Without one (null) the demo starts at 0.
    static void SetDemoStartSource(uint32_t (*source)());
    static uint32_t GetDemoStartTime();
    // Demo time now: the application clock minus the demo's start time, unsigned ms (the
    // plain application time before the demo has started).
    static uint32_t GetDemoTime();

    // time: demo time in ms; localTime: time - start; delta: ms since the previous step.
    // A step that is drawn: what Advance does, then the drawing.
    virtual bool Frame(uint32_t time, uint32_t localTime, int32_t delta);
    // A step that is not drawn (a seek's fast-forward): only what carries over to later
    // steps. Effects whose state is a function of the time alone have nothing to do.
    virtual bool Advance(uint32_t time, uint32_t localTime, int32_t delta);
    // The show was paused or resumed (live runs): effects that play in real time (sound)
    // hold still meanwhile.
    virtual void SetPaused(bool paused) { (void)paused; }
    // The timeline is built again (a seek, a reload): what this effect plays in real time
    // (sound) plays on, but must no longer touch what the new timeline steps.
    virtual void Retire() {}
    // Takes over what `previous` (of the same type, at the same place of the timeline it
    // replaces, retired) plays in real time, so that it goes on without a gap. Called after
    // the load and before the first step; `previous` is deleted after it.
    virtual void Inherit(CEffect* previous) { (void)previous; }

    // Whether the timeline is fast-forwarding (a seek): effects started meanwhile play
    // nothing in real time until their first drawn step.
    static bool IsFastForwarding() { return s_fastForwarding; }
    static void SetFastForwarding(bool on) { s_fastForwarding = on; }
    virtual bool Start();
    virtual bool Stop();

    uint32_t GetStartTime() const { return m_start; }
    uint32_t GetEndTime() const { return m_end; }
    int32_t GetLayer() const { return m_layer; }
    bool IsStarted() const { return m_started; }
    bool IsStopped() const { return m_stopped; }

    // Set by the demo system when it places the effect (CreateEffect) and as the timeline runs.
    void Place(uint32_t start, uint32_t end, int32_t layer) {
        m_start = start;
        m_end = end;
        m_layer = layer;
    }
    void SetStarted() { m_started = true; }
    void SetStopped() { m_stopped = true; }

private:
    static inline uint32_t (*s_demoStartSource)() = nullptr;
    static inline bool s_fastForwarding = false;

    uint32_t m_start = 0;
    uint32_t m_end = 0;
    int32_t m_layer = 0;
    bool m_started = false;
    bool m_stopped = false;
};
