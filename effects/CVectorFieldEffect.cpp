// The vector field: bodies set up from their objects at load, then advanced and written
// back every frame.
#include "CVectorFieldEffect.h"

#include "KLHelpers.h"
#include "KLLog.h"

CVectorFieldEffect::CVectorFieldEffect() { SetInt(kCountParam, 0); }

bool CVectorFieldEffect::Load() {
    m_bodyCount = 0;
    const int32_t n = GetInt(kCountParam);
    if (n < 0 || n > kMaxBodies) {
        LogError("vector field: the number of bodies (integer 0) is %d; it must be 0 to %d", n, kMaxBodies);
        return false;
    }
    // Integer 0 is read again before every body; the array bounds it all the same.
    for (int32_t i = 0; i < GetInt(kCountParam) && i < kMaxBodies; ++i) {
        CParamObject* object = GetObject(kFirstObjectParam + i);
        if (!object) {
            LogError("vector field: body %d has nothing to drive (object parameter %d is not set)", i,
                     kFirstObjectParam + i);
            m_bodyCount = 0;
            return false;
        }
        Body& body = m_bodies[i];
        body.velocity = KEVector3{0.0f, 0.0f, -0.1f};
        body.position = KEVector3{object->GetFloat(0), object->GetFloat(1), object->GetFloat(2)};
        body.rotation = KEVector3{object->GetFloat(3), object->GetFloat(4), object->GetFloat(5)};
        // One statement per draw: x, y, z in that order.
        body.spin.x = RandomRange(-0.1f, 0.1f);
        body.spin.y = RandomRange(-0.1f, 0.1f);
        body.spin.z = RandomRange(-0.1f, 0.1f);
        m_bodyCount = i + 1;
    }
    return true;
}

const CVectorFieldEffect::Body* CVectorFieldEffect::GetBody(int32_t index) const {
    return (index >= 0 && index < m_bodyCount) ? &m_bodies[index] : nullptr;
}

bool CVectorFieldEffect::Frame(uint32_t, uint32_t, int32_t delta) {
    const float d = static_cast<float>(delta);
    // Only bodies made at load have a pose and an object.
    for (int32_t i = 0; i < GetInt(kCountParam) && i < m_bodyCount; ++i) {
        Body& body = m_bodies[i];
        body.position.x += body.velocity.x * d;
        body.position.y += body.velocity.y * d;
        body.position.z += body.velocity.z * d;
        body.rotation.x += body.spin.x * d;
        body.rotation.y += body.spin.y * d;
        body.rotation.z += body.spin.z * d;
    }
    for (int32_t i = 0; i < GetInt(kCountParam) && i < m_bodyCount; ++i) {
        // An object unset after load is skipped rather than written through null.
        CParamObject* object = GetObject(kFirstObjectParam + i);
        if (!object) continue;
        const Body& body = m_bodies[i];
        object->SetFloat(0, body.position.x);
        object->SetFloat(1, body.position.y);
        object->SetFloat(2, body.position.z);
        object->SetFloat(3, body.rotation.x);
        object->SetFloat(4, body.rotation.y);
        object->SetFloat(5, body.rotation.z);
    }
    return true;
}

namespace {

const KDSParamInfo kVectorFieldEffectParams[] = {
    {KDSKind::Int, CVectorFieldEffect::kCountParam, "count", "number of bodies, 0 to 100, read at load", "0"},
    {KDSKind::Object, CVectorFieldEffect::kFirstObjectParam, "bodies",
     "object body n drives: its floats 0..5 (position, rotation) are written every frame", "none", KDSParamInfo::kNone,
     CVectorFieldEffect::kMaxBodies},
};

}  // namespace

KDSParamTable CVectorFieldEffectBuilder::GetParameters() { return MakeParamTable(kVectorFieldEffectParams); }

CEffect* CVectorFieldEffectBuilder::Create() { return new CVectorFieldEffect(); }

void RegisterVectorFieldEffectBuilder() {
    static CVectorFieldEffectBuilder builder;
    KDSProvideEffectBuilder(&builder);
}
