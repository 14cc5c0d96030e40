// "motion capture": the capture side of recorded value logs. No capture source exists in
// this program, so it only offers its float parameters as integers (truncated toward
// zero) for objects bound to its integer channels; it is a development tool and says so.
#pragma once

#include "CEffect.h"
#include "KDSBuilders.h"

#include <cstdint>

class CMotionCaptureEffect : public CEffect {
public:
    // Traces "Motion capture should not be present in RELEASE build".
    CMotionCaptureEffect();

    // Float parameter `index` truncated toward zero, for every index: unlike other effects,
    // 255 is not the local time. NaN gives 0; values past the int32 range saturate.
    int32_t GetInt(int index) override;
    // Nothing to capture from: true.
    bool Frame(uint32_t time, uint32_t localTime, int32_t delta) override;
};

class CMotionCaptureBuilder : public IEffectBuilder {
public:
    CEffect* Create() override;
    KDSParamTable GetParameters() override;
    const char* GetName() override { return "motion capture"; }
    const char* GetDescription() override { return "This utility effect captures mouse input."; }
};

// Provides the motion capture effect's builder to the demo system's catalog.
void RegisterMotionCaptureBuilder();
