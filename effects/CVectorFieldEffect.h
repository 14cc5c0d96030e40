// "vector field": draws nothing itself but moves other effects. Each of up to 100 bodies is
// tied to a parameter object (typically a model effect, whose floats 0-5 are its position
// and rotation); the body takes its start pose from that object at load, then drifts at a
// constant velocity, tumbles at a random constant spin, and every frame writes its pose
// into the object's floats 0-5. Writing replaces any binding there with a constant, so a
// driven float stops following its modifier from the first frame on.
//
// Parameters: integer 0 the number of bodies n (0 to 100); object 7 + i the object that
// body i drives (i = 0 .. n - 1).
#pragma once

#include "CEffect.h"
#include "KDSBuilders.h"

#include <cstdint>

class CVectorFieldEffect : public CEffect {
public:
    static constexpr int32_t kMaxBodies = 100;
    static constexpr int kCountParam = 0;
    static constexpr int kFirstObjectParam = 7;

    struct Body {
        KEVector3 position;
        KEVector3 velocity;  // units per millisecond
        KEVector3 rotation;  // degrees about x, y, z
        KEVector3 spin;      // degrees per millisecond
    };

    CVectorFieldEffect();

    // Takes each body's pose from its object and draws its spin. A count outside 0 to 100,
    // or a body without an object, makes the composition invalid: reported, and false.
    bool Load() override;
    // Moves the bodies made at load, then writes their poses out. True.
    bool Frame(uint32_t time, uint32_t localTime, int32_t delta) override;
    // Nothing is drawn: a step not drawn is the same step.
    bool Advance(uint32_t time, uint32_t localTime, int32_t delta) override { return Frame(time, localTime, delta); }

    // Bodies made by the last successful load.
    int32_t GetBodyCount() const { return m_bodyCount; }
    // Body `index` of those made at load, or null.
    const Body* GetBody(int32_t index) const;

private:
    Body m_bodies[kMaxBodies] = {};
    int32_t m_bodyCount = 0;
};

class CVectorFieldEffectBuilder : public IEffectBuilder {
public:
    CEffect* Create() override;
    KDSParamTable GetParameters() override;
    const char* GetName() override { return "vector field"; }
    const char* GetDescription() override { return "This effect simulates fluids"; }
};

// Provides the vector field effect's builder to the demo system's catalog.
void RegisterVectorFieldEffectBuilder();
