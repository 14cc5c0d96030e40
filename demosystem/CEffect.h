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
    virtual bool Frame(uint32_t time, uint32_t localTime, int32_t delta);
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

    uint32_t m_start = 0;
    uint32_t m_end = 0;
    int32_t m_layer = 0;
    bool m_started = false;
    bool m_stopped = false;
};
