// The follow effect: a point that steps toward its destination by the same length every
// millisecond, whatever the distance left. It does not slow down near the destination and,
// once there, oscillates around it by at most one step: the show relies on the steady pace.
#include "CFollowEffect.h"

#include "KEMath.h"

CFollowEffect::CFollowEffect() {
    SetVector(kDestinationParam, KEVector3{0.0f, 0.0f, 0.0f});
    SetVector(kStartParam, KEVector3{0.0f, 0.0f, 0.0f});
    SetFloat(kSpeedParam, 1.0f);
}

float CFollowEffect::GetFloat(int index) {
    switch (index) {
        case 3: return m_position.x;
        case 4: return m_position.y;
        case 5: return m_position.z;
        default: return CEffect::GetFloat(index);
    }
}

KEVector3* CFollowEffect::GetVector(KEVector3* out, int index) {
    if (index != kPositionChannel || !out) return CEffect::GetVector(out, index);
    *out = m_position;
    return out;
}

bool CFollowEffect::Start() {
    GetVector(&m_position, kStartParam);
    return true;
}

bool CFollowEffect::Frame(uint32_t, uint32_t, int32_t delta) {
    KEVector3 destination{};
    GetVector(&destination, kDestinationParam);
    KEVector3 d{};
    Subtract(destination, m_position, &d);
    // The fast estimate (about 0.2 % short) sets the step length the show was timed with;
    // a zero distance stays zero.
    Normalize(&d);
    const float speed = GetFloat(kSpeedParam);
    const float time = static_cast<float>(delta);
    m_position.x += d.x * speed * time;
    m_position.y += d.y * speed * time;
    m_position.z += d.z * speed * time;
    return true;
}

namespace {

const KDSParamInfo kFollowEffectParams[] = {
    {KDSKind::Vector, CFollowEffect::kDestinationParam, "target", "destination the point moves toward; may be bound",
     "[0.0, 0.0, 0.0]"},
    {KDSKind::Vector, CFollowEffect::kStartParam, "origin", "where the point starts, read at start", "[0.0, 0.0, 0.0]"},
    {KDSKind::Float, CFollowEffect::kSpeedParam, "speed", "units per millisecond toward the target", "1.0"},
    {KDSKind::Float, 3, "x", "current x of the point", "", KDSParamInfo::kOutput},
    {KDSKind::Float, 4, "y", "current y of the point", "", KDSParamInfo::kOutput},
    {KDSKind::Float, 5, "z", "current z of the point", "", KDSParamInfo::kOutput},
    {KDSKind::Vector, CFollowEffect::kPositionChannel, "current", "current position of the point", "",
     KDSParamInfo::kOutput},
};

}  // namespace

KDSParamTable CFollowEffectBuilder::GetParameters() { return MakeParamTable(kFollowEffectParams); }

CEffect* CFollowEffectBuilder::Create() { return new CFollowEffect(); }

void RegisterFollowEffectBuilder() {
    static CFollowEffectBuilder builder;
    KDSProvideEffectBuilder(&builder);
}
