// The meteor effect: rocks placed with Random() at load, moved and submitted every frame, and
// respawned once they have left the box.
#include "CMeteorEffect.h"

#include "KEMesh.h"
#include "KLHelpers.h"
#include "KLLog.h"

#include <cstdlib>

namespace {

// min + (Random() mod 10000) / 10000 of the way to max: 10000 evenly spaced places.
float RandomPlace(float min, float max) {
    const int r = Random() % 10000;
    return min + static_cast<float>(r) * (max - min) * 0.0001f;
}

// -0.1 to 0.098 degrees per millisecond, in steps of 0.002.
float Spin() { return static_cast<float>(Random() % 100) * 0.002f - 0.1f; }

}  // namespace

CMeteorEffect::CMeteorEffect() {
    SetString(0, "meteor.KD10S");
    SetInt(1, 10);
    const float box[6] = {-500.0f, -2000.0f, -500.0f, 500.0f, 2000.0f, 500.0f};
    const float spawn[6] = {-500.0f, 2000.0f, -500.0f, 500.0f, 2000.0f, 500.0f};
    for (int i = 0; i < 6; ++i) {
        SetFloat(2 + i, box[i]);
        SetFloat(8 + i, spawn[i]);
    }
    SetFloat(14, 0.0f);
    SetFloat(15, -10.0f);
    SetFloat(16, 0.0f);
}

bool CMeteorEffect::Load() {
    const char* file = GetString(0);
    m_object = m_scene.LoadFile(file) ? m_scene.GetFirstObject() : nullptr;
    KEFrameMesh* frameMesh = m_object ? m_object->GetFrameMesh(0) : nullptr;
    if (!frameMesh) {
        if (m_object || m_scene.GetLoadError().empty())
            LogMessage("Scene %s: no first object with a frame mesh for the meteors", file ? file : "(none)");
        LogError("Error cargando meteorito");
        return false;
    }
    const int32_t count = GetInt(1);
    if (count < 0 || count > kMaxMeteors) {
        LogError("meteoritos: the number of meteors (integer 1) is %d; it must be 0 to %d", count, kMaxMeteors);
        return false;
    }
    m_rock = &frameMesh->GetMesh();
    m_meteors.assign(static_cast<size_t>(count), Meteor{});
    for (Meteor& meteor : m_meteors) Respawn(&meteor, true);
    return true;
}

void CMeteorEffect::Respawn(Meteor* meteor, bool initial) {
    // One statement per draw: the order of the Random() calls is x, y, z.
    meteor->position.x = RandomPlace(GetFloat(8), GetFloat(11));
    meteor->position.y = RandomPlace(GetFloat(9), GetFloat(12));
    meteor->position.z = RandomPlace(GetFloat(10), GetFloat(13));
    meteor->step = KEVector3{0.0f, 0.0f, 0.0f};
    if (!initial) return;
    // At load the rocks fill the whole box rather than queueing at the spawn face.
    meteor->position.x = RandomPlace(GetFloat(2), GetFloat(5));
    meteor->position.y = RandomPlace(GetFloat(3), GetFloat(6));
    meteor->position.z = RandomPlace(GetFloat(4), GetFloat(7));
    meteor->step = KEVector3{0.0f, 0.0f, 0.0f};
    meteor->spin.x = Spin();
    meteor->spin.y = Spin();
    meteor->spin.z = Spin();
    meteor->rotation = KEVector3{0.0f, 0.0f, 0.0f};
}

CMeteorEffect::Meteor* CMeteorEffect::GetMeteor(int32_t index) {
    if (index < 0 || index >= GetMeteorCount()) return nullptr;
    return &m_meteors[static_cast<size_t>(index)];
}

bool CMeteorEffect::Frame(uint32_t, uint32_t, int32_t delta) { return Step(delta, true); }

bool CMeteorEffect::Advance(uint32_t, uint32_t, int32_t delta) { return Step(delta, false); }

bool CMeteorEffect::Step(int32_t delta, bool draw) {
    if (!m_rock) return true;
    const float d = static_cast<float>(delta);
    const int32_t made = GetMeteorCount();
    // Integer 1 is read again before every rock, but only the rocks made at load exist.
    for (int32_t i = 0; i < GetInt(1) && i < made; ++i) {
        Meteor& m = m_meteors[static_cast<size_t>(i)];
        m.step = KEVector3{GetFloat(14) * d * 0.001f, GetFloat(15) * d * 0.001f, GetFloat(16) * d * 0.001f};
        // Delta enters twice (the step already holds it): the rocks advance by velocity x
        // d^2 / 1000 per frame. The show's pace was tuned with it; keep it.
        m.position.x += d * m.step.x;
        m.position.y += d * m.step.y;
        m.position.z += d * m.step.z;
        m.rotation.x += d * m.spin.x;
        m.rotation.y += d * m.spin.y;
        m.rotation.z += d * m.spin.z;
        if (draw) m_rock->Render(m.position.x, m.position.y, m.position.z, m.rotation.x, m.rotation.y, m.rotation.z);
        // Already submitted at the old place in this frame; it reappears from the next one.
        const KEVector3& p = m.position;
        if (GetFloat(2) > p.x || GetFloat(3) > p.y || GetFloat(4) > p.z || GetFloat(5) < p.x ||
            GetFloat(6) < p.y || GetFloat(7) < p.z) {
            Respawn(&m, false);
        }
    }
    return true;
}

namespace {

const KDSParamInfo kMeteorEffectParams[] = {
    {KDSKind::String, 0, "scene", "scene file; its first object's first frame mesh is the rock", "\"meteor.KD10S\"",
     KDSParamInfo::kReadsFile},
    {KDSKind::Int, 1, "count", "number of rocks, made at load", "10"},
    {KDSKind::Float, 2, "box-min-x", "lowest x of the box; a rock beyond it respawns, scene units", "-500.0"},
    {KDSKind::Float, 3, "box-min-y", "lowest y of the box, scene units", "-2000.0"},
    {KDSKind::Float, 4, "box-min-z", "lowest z of the box, scene units", "-500.0"},
    {KDSKind::Float, 5, "box-max-x", "highest x of the box, scene units", "500.0"},
    {KDSKind::Float, 6, "box-max-y", "highest y of the box, scene units", "2000.0"},
    {KDSKind::Float, 7, "box-max-z", "highest z of the box, scene units", "500.0"},
    {KDSKind::Float, 8, "spawn-min-x", "lowest x where rocks respawn, scene units", "-500.0"},
    {KDSKind::Float, 9, "spawn-min-y", "lowest y where rocks respawn, scene units", "2000.0"},
    {KDSKind::Float, 10, "spawn-min-z", "lowest z where rocks respawn, scene units", "-500.0"},
    {KDSKind::Float, 11, "spawn-max-x", "highest x where rocks respawn, scene units", "500.0"},
    {KDSKind::Float, 12, "spawn-max-y", "highest y where rocks respawn, scene units", "2000.0"},
    {KDSKind::Float, 13, "spawn-max-z", "highest z where rocks respawn, scene units", "500.0"},
    {KDSKind::Float, 14, "velocity-x", "rock velocity along x; a frame of d ms moves velocity * d^2 / 1000", "0.0"},
    {KDSKind::Float, 15, "velocity-y", "rock velocity along y; a frame of d ms moves velocity * d^2 / 1000", "-10.0"},
    {KDSKind::Float, 16, "velocity-z", "rock velocity along z; a frame of d ms moves velocity * d^2 / 1000", "0.0"},
};

}  // namespace

KDSParamTable CMeteorEffectBuilder::GetParameters() { return MakeParamTable(kMeteorEffectParams); }

CEffect* CMeteorEffectBuilder::Create() { return new CMeteorEffect(); }

void RegisterMeteorEffectBuilder() {
    static CMeteorEffectBuilder builder;
    KDSProvideEffectBuilder(&builder);
}
