// The model effect: the material set-up at load (environment layer, blending) and the
// per-frame wobble, recomputed from the loaded copy so that it never accumulates.
#include "CModelEffect.h"

#include "KEMaterial.h"
#include "KETexture.h"
#include "KEVertex.h"
#include "KLLog.h"

#include <algorithm>
#include <cmath>

namespace {

bool IsSet(const char* text) { return text && *text; }

}  // namespace

CModelEffect::CModelEffect() {
    SetString(0, "NOT DEFINED");
    SetString(10, "");
    SetString(11, "");
    SetFloat(7, 5.0f);
    SetFloat(8, 0.1f);
    SetFloat(9, 500.0f);
    SetFloat(12, 1.0f);
    SetVector(13, KEVector3{0.1f, 0.1f, 0.1f});
}

KEVector3* CModelEffect::GetVector(KEVector3* out, int index) {
    if (index != 18) return CEffect::GetVector(out, index);
    if (out) *out = KEVector3{GetFloat(0), GetFloat(1), GetFloat(2)};
    return out;
}

bool CModelEffect::Load() {
    const char* file = GetString(0);
    KESceneObject* object = m_scene.LoadFile(file) ? m_scene.GetFirstObject() : nullptr;
    m_model = object ? object->GetFrameMesh(0) : nullptr;
    if (!m_model) {
        if (object || m_scene.GetLoadError().empty())
            LogMessage("Scene %s: no first object with a frame mesh to show", file ? file : "(none)");
        LogError("Error cargando escena");
        return false;
    }
    KEMesh& mesh = m_model->GetMesh();
    KEMaterial* material = mesh.GetMaterial();

    const char* environment = GetString(11);
    if (IsSet(environment) && material) {
        KETexture* texture = KETexture::NewTexture();
        texture->SetFile(environment, GL_RGB);
        texture->LoadTexture();
        // Over a textured object the new layer is layer 1: unit 1 reflects the environment
        // over the object's own texture on unit 0.
        material->AddTextureLayer(texture, GL_BLEND, 0, 0, 0, 0);
        material->SetTexture(1, texture);
        material->SetSphereMap(1, 1);
        mesh.SetMaterial(material);
    }
    if (GetInt(6) == 1) m_wobble.SetLoaded(m_model->Vertices());
    const float opacity = GetFloat(12);
    if (opacity != 1.0f && material) {
        KEVector3 colour{};
        GetVector(&colour, 13);
        material->EnableBlend();
        material->SetBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        material->SetDiffuse(colour.x, colour.y, colour.z, opacity);
    }
    return true;
}

void CModelEffect::Wobble::SetLoaded(const std::vector<KESceneVertex>& loaded) {
    m_loaded.resize(loaded.size());
    for (size_t v = 0; v < loaded.size(); ++v) m_loaded[v] = loaded[v].position;
    m_tableReady = false;
}

void CModelEffect::Wobble::Apply(uint32_t time, float amplitude, float frequency, float period,
                                 std::vector<KESceneVertex>* out) {
    const size_t count = std::min(m_loaded.size(), out->size());
    if (!m_tableReady || frequency != m_frequency) {
        m_sin.resize(m_loaded.size());
        m_cos.resize(m_loaded.size());
        for (size_t v = 0; v < m_loaded.size(); ++v) {
            const KEVector3& p = m_loaded[v];
            const double x = static_cast<double>(frequency * p.x), y = static_cast<double>(frequency * p.y),
                         z = static_cast<double>(frequency * p.z);
            m_sin[v] = {static_cast<float>(std::sin(x)), static_cast<float>(std::sin(y)), static_cast<float>(std::sin(z))};
            m_cos[v] = {static_cast<float>(std::cos(x)), static_cast<float>(std::cos(y)), static_cast<float>(std::cos(z))};
        }
        m_frequency = frequency;
        m_tableReady = true;
    }
    // The phase is in radians: time / period, not a fraction of a turn.
    const float phase = static_cast<float>(time) / period;
    // sin(a + phase) = sin a cos phase + cos a sin phase.
    const float s = amplitude * static_cast<float>(std::sin(static_cast<double>(phase)));
    const float c = amplitude * static_cast<float>(std::cos(static_cast<double>(phase)));
    KESceneVertex* target = out->data();
    for (size_t v = 0; v < count; ++v) {
        const KEVector3& p = m_loaded[v];
        const KEVector3& sn = m_sin[v];
        const KEVector3& cs = m_cos[v];
        target[v].position = {p.x + sn.x * c + cs.x * s, p.y + sn.y * c + cs.y * s, p.z + sn.z * c + cs.z * s};
    }
}

bool CModelEffect::Frame(uint32_t time, uint32_t, int32_t) {
    if (!m_model) return true;
    // Without a copy taken at load there is nothing to deform from.
    if (GetInt(6) == 1 && m_wobble.HasLoaded()) {
        const float period = GetFloat(9);
        if (period != 0.0f) m_wobble.Apply(time, GetFloat(7), GetFloat(8), period, &m_model->Vertices());
        m_model->ComputeNormals();
        if (KEVertex* stream = m_model->GetMesh().GetStream(0)) stream->SetDirty(true);
    }
    m_model->GetMesh().Render(GetFloat(0), GetFloat(1), GetFloat(2), GetFloat(3), GetFloat(4), GetFloat(5));
    return true;
}

CEffect* CModelEffectBuilder::Create() { return new CModelEffect(); }

void RegisterModelEffectBuilder() {
    static CModelEffectBuilder builder;
    KDSProvideEffectBuilder(&builder);
}
