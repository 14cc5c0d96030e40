// Generator modifiers: "Sine Wave" (a sine of demo time and a linear ramp) and "Binary
// operation" (sum, difference and product of two float inputs). Their outputs are computed
// when read; every other index is an ordinary parameter, so the inputs can be bound.
#pragma once

#include "CParamObject.h"
#include "KDSBuilders.h"

#include <cstdint>

// Float 2: amplitude (float 0) x sin(phase of demo time in the period, integer 0 ms) + offset
// (float 1); integer 2: the same, truncated toward zero; float 6: slope (float 4) x (demo
// time - ramp start, integer 3, unsigned) + ramp offset (float 5).
class CSineWaveModifier : public CModifier {
public:
    static constexpr int kPeriodParam = 0;
    static constexpr int kAmplitudeParam = 0;
    static constexpr int kOffsetParam = 1;
    static constexpr int kSineChannel = 2;
    static constexpr int kRampStartParam = 3;
    static constexpr int kSlopeParam = 4;
    static constexpr int kRampOffsetParam = 5;
    static constexpr int kRampChannel = 6;

    CSineWaveModifier();

    float GetFloat(int index) override;
    int32_t GetInt(int index) override;

private:
    float Sine();
    float Ramp();

    bool m_zeroPeriodReported = false;
};

// Float 2: float 0 + float 1; 3: float 0 - float 1; 4 and 5: float 0 x float 1.
class CBinaryOperationModifier : public CModifier {
public:
    CBinaryOperationModifier();

    float GetFloat(int index) override;
};

class CSineWaveBuilder : public IModifierBuilder {
public:
    CModifier* Create() override;
    KDSParamTable GetParameters() override;
    const char* GetName() override { return "Sine Wave"; }
    const char* GetDescription() override { return "Sine Wave generator"; }
};

class CBinaryOperationBuilder : public IModifierBuilder {
public:
    CModifier* Create() override;
    KDSParamTable GetParameters() override;
    const char* GetName() override { return "Binary operation"; }
    const char* GetDescription() override { return "Group of functions that perform operations with 2 modifiers"; }
};

// Provides the builders of both generators to the demo system's catalog.
void RegisterGeneratorBuilders();
