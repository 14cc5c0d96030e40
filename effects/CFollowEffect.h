// "follow": a functional effect that draws nothing. While framed it moves a point from its
// start position toward a destination at a constant speed and offers the point as output
// channels, so that other objects can bind to a position that chases a moving target
// smoothly instead of jumping.
//
// Parameters: vector 0 the destination (may be bound), vector 1 the start position (read
// at Start), float 2 the speed in units per millisecond. Outputs: floats 3, 4, 5 the
// current x, y, z; vector 6 the current position.
#pragma once

#include "CEffect.h"
#include "KDSBuilders.h"

#include <cstdint>

class CFollowEffect : public CEffect {
public:
    static constexpr int kDestinationParam = 0;
    static constexpr int kStartParam = 1;
    static constexpr int kSpeedParam = 2;
    static constexpr int kPositionChannel = 6;

    CFollowEffect();

    float GetFloat(int index) override;
    KEVector3* GetVector(KEVector3* out, int index) override;
    // Puts the point at the start position. True.
    bool Start() override;
    // Moves the point speed x delta units toward the destination. True.
    bool Frame(uint32_t time, uint32_t localTime, int32_t delta) override;
    // Nothing is drawn: a step not drawn is the same step.
    bool Advance(uint32_t time, uint32_t localTime, int32_t delta) override { return Frame(time, localTime, delta); }

private:
    KEVector3 m_position{0.0f, 0.0f, 0.0f};
};

class CFollowEffectBuilder : public IEffectBuilder {
public:
    CEffect* Create() override;
    KDSParamTable GetParameters() override;
    const char* GetName() override { return "follow"; }
    const char* GetDescription() override {
        return "This functional effect permits to get a smoth positon value given a start position and a destination.";
    }
};

// Provides the follow effect's builder to the demo system's catalog.
void RegisterFollowEffectBuilder();
