// Drawing scene objects at a time in frames: static at the origin, rigid along the track,
// morphing by linear interpolation between frame meshes. The morph state (which frame
// mesh was shown last, which one it moves towards and the difference between them)
// carries over from one draw to the next.
#include "KESceneObject.h"

#include "KEVertex.h"

namespace {

// The components a morph interpolates: position and normal always, a texture set only
// when the object has it.
void Blend(const KESceneVertex& from, const KESceneVertex& delta, float w, bool uv0, bool uv1, KESceneVertex* out) {
    out->position = {from.position.x + w * delta.position.x, from.position.y + w * delta.position.y,
                     from.position.z + w * delta.position.z};
    out->normal = {from.normal.x + w * delta.normal.x, from.normal.y + w * delta.normal.y,
                   from.normal.z + w * delta.normal.z};
    if (uv0) out->uv0 = {from.uv0.u + w * delta.uv0.u, from.uv0.v + w * delta.uv0.v};
    if (uv1) out->uv1 = {from.uv1.u + w * delta.uv1.u, from.uv1.v + w * delta.uv1.v};
}

void Difference(const KESceneVertex& to, const KESceneVertex& from, bool uv0, bool uv1, KESceneVertex* out) {
    out->position = {to.position.x - from.position.x, to.position.y - from.position.y, to.position.z - from.position.z};
    out->normal = {to.normal.x - from.normal.x, to.normal.y - from.normal.y, to.normal.z - from.normal.z};
    if (uv0) out->uv0 = {to.uv0.u - from.uv0.u, to.uv0.v - from.uv0.v};
    if (uv1) out->uv1 = {to.uv1.u - from.uv1.u, to.uv1.v - from.uv1.v};
}

}  // namespace

void KESceneObject::Draw(float t) {
    KEFrameMesh* first = GetFrameMesh(0);
    if (!first) return;
    switch (kind) {
    case KIND_STATIC: first->GetMesh().Render(0, 0, 0, 0, 0, 0); break;
    case KIND_RIGID:
        if (m_track) first->GetMesh().Render(m_track->Evaluate(t));
        break;
    case KIND_MORPH: Morph(t); break;
    default: break;
    }
}

void KESceneObject::Morph(float t) {
    const int32_t frames = static_cast<int32_t>(m_frameTable.size());
    if (frames == 0 || !m_track) return;
    if (!(t > 0.0f)) t = 0.0f;
    const int32_t i = t >= static_cast<float>(frames - 1) ? frames - 1 : static_cast<int32_t>(t);
    const int32_t k = m_frameTable[static_cast<size_t>(i)];
    KEFrameMesh* shown = GetFrameMesh(k);
    if (!shown || shown->GetVertexCount() != vertexCount) return;
    const bool uv0 = uvMode[0] != UV_NONE;
    const bool uv1 = uvMode[1] != UV_NONE;

    if (!m_morphMesh) {
        m_morphDelta.assign(static_cast<size_t>(vertexCount), KESceneVertex{});
        m_morphMesh = std::make_unique<KEFrameMesh>(this);
        m_morphMesh->Vertices().assign(static_cast<size_t>(vertexCount), KESceneVertex{});
        m_morphMesh->GetMesh().SetMaterial(m_material);
        m_morphMesh->Setup();
    }

    float w = t - static_cast<float>(m_currentKey);
    if (w < 0.0f) w = 0.0f;
    if (m_currentKey != k) {
        if (i + 1 < frames && m_frameTable[static_cast<size_t>(i) + 1] != k) {
            m_nextKey = m_frameTable[static_cast<size_t>(i) + 1];
            m_currentKey = k;
        } else {
            m_nextKey = k;
        }
        const KEFrameMesh* next = GetFrameMesh(m_nextKey);
        if (!next || next->GetVertexCount() != vertexCount) return;
        const std::vector<KESceneVertex>& to = next->Vertices();
        const std::vector<KESceneVertex>& from = shown->Vertices();
        for (size_t v = 0; v < m_morphDelta.size(); ++v) Difference(to[v], from[v], uv0, uv1, &m_morphDelta[v]);
        w = t - static_cast<float>(m_currentKey);
        if (w < 0.0f) w = 0.0f;
    }
    if (w > 1.0f) w = 1.0f;

    const KEMatrix4& placement = m_track->Evaluate(t);
    if (m_nextKey == k) {
        shown->GetMesh().Render(placement);
    } else {
        std::vector<KESceneVertex>& result = m_morphMesh->Vertices();
        const std::vector<KESceneVertex>& from = shown->Vertices();
        for (size_t v = 0; v < result.size(); ++v) Blend(from[v], m_morphDelta[v], w, uv0, uv1, &result[v]);
        m_morphMesh->GetMesh().GetStream(0)->SetDirty(true);
        m_morphMesh->GetMesh().Render(placement);
    }
    m_currentKey = k;
}
