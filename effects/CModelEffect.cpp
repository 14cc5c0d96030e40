// The model effect: the material set-up at load (environment layer, blending) and the
// per-frame wobble, recomputed from the loaded copy so that it never accumulates.
#include "CModelEffect.h"

#include "CAtmosphereEffect.h"
#include "KECombinerCompiler.h"
#include "KEEngine.h"
#include "KEExtensions.h"
#include "KEMaterial.h"
#include "KETexture.h"
#include "KEVertex.h"
#include "KEVertexLayouts.h"
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
        m_environmentMap = {KETexture::NewTexture(), &KETexture::FreeTexture};
        KETexture* texture = m_environmentMap.get();
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

    const char* normalMap = GetString(10);
    if (IsSet(normalMap)) {
        m_bump = std::make_unique<KEBumpMesh>();
        m_bump->Build(mesh);
        m_normalMap = {KETexture::NewTexture(), &KETexture::FreeTexture};
        m_normalMap->SetFile(normalMap, GL_RGB);
        m_bump->SetNormalMap(m_normalMap.get());
        m_bump->SetBaseTexture(material ? material->GetTexture(0) : nullptr);
        m_bump->SetLightPosition(0, 0, 0);
    }
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

void CModelEffect::Wobble::Apply(uint32_t time, float amplitude, float frequency, float period, KEVector3* positions,
                                 size_t count, size_t stride) {
    count = std::min(m_loaded.size(), count);
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
    unsigned char* target = reinterpret_cast<unsigned char*>(positions);
    for (size_t v = 0; v < count; ++v, target += stride) {
        const KEVector3& p = m_loaded[v];
        const KEVector3& sn = m_sin[v];
        const KEVector3& cs = m_cos[v];
        *reinterpret_cast<KEVector3*>(target) = {p.x + sn.x * c + cs.x * s, p.y + sn.y * c + cs.y * s,
                                                 p.z + sn.z * c + cs.z * s};
    }
}

void CModelEffect::Wobble::Apply(uint32_t time, float amplitude, float frequency, float period,
                                 std::vector<KESceneVertex>* out) {
    Apply(time, amplitude, frequency, period, &out->data()->position, out->size(), sizeof(KESceneVertex));
}

bool CModelEffect::Frame(uint32_t time, uint32_t, int32_t) {
    if (!m_model) return true;
    // Without a copy taken at load there is nothing to deform from.
    if (GetInt(6) == 1 && m_wobble.HasLoaded()) {
        const float period = GetFloat(9);
        if (m_bump && !m_bump->Streams().empty()) {
            // The lighting mesh's positions move; the drawn model's stay as loaded.
            KEVertexAttributes& stream = *m_bump->Streams()[0];
            if (period != 0.0f) {
                m_wobble.Apply(time, GetFloat(7), GetFloat(8), period,
                               static_cast<KEVector3*>(stream.AttributePtr(KE_ATTRIB_POSITION, 0)),
                               static_cast<size_t>(stream.GetCount()), sizeof(KEVector3));
            }
            m_bump->ComputeTangentFrames(0);
            stream.MarkDirty(KE_ATTRIB_POSITION);
        } else if (!m_bump) {
            if (period != 0.0f) m_wobble.Apply(time, GetFloat(7), GetFloat(8), period, &m_model->Vertices());
            m_model->ComputeNormals();
            if (KEVertex* stream = m_model->GetMesh().GetStream(0)) stream->SetDirty(true);
        }
    }
    if (m_bump && CanDrawPerPixel()) {
        DrawPerPixel();
    } else {
        m_model->GetMesh().Render(GetFloat(0), GetFloat(1), GetFloat(2), GetFloat(3), GetFloat(4), GetFloat(5));
    }
    return true;
}

bool CModelEffect::CanDrawPerPixel() {
    return KEExtensions::GetInstance()->glGenFencesNV != nullptr || KECombinerShadersAvailable();
}

void CModelEffect::DrawPerPixel() {
    const float x = GetFloat(0), y = GetFloat(1), z = GetFloat(2), ax = GetFloat(3), ay = GetFloat(4), az = GetFloat(5);
    m_bump->SetLightPosition(GetFloat(14), GetFloat(15), GetFloat(16));
    m_bump->RenderLit(x, y, z, ax, ay, az);
    CAtmosphereEffect* fog = CAtmosphereEffect::GetCurrentFogSource();
    if (!fog) return;

    // Each pass meets its own fog colour: the environment is applied once per replay.
    KEEngine* engine = KEEngine::GetEngine();
    KEEnvironment* lighting = engine->GetLighting();
    engine->ReplayQueue();
    lighting->EnableFog();
    // A source without a fog mode of its own leaves the environment's.
    if (fog->GetInt(18) != 0) lighting->SetFogMode(fog->GetInt(18));
    lighting->SetFogDensity(fog->GetFloat(19));
    lighting->SetFogRange(fog->GetFloat(20), fog->GetFloat(21));
    KEVector3 colour{};
    fog->GetVector(&colour, 22);

    m_bump->RenderFogMask(x, y, z, ax, ay, az);
    lighting->DisableDepthClear();
    lighting->DisablePresent();
    lighting->DisableColorClear();
    engine->ReplayQueue();
    m_bump->RenderFogColor(colour.x, colour.y, colour.z, 0, x, y, z, ax, ay, az);
    lighting->DisableDepthClear();
    lighting->DisablePresent();
    lighting->DisableColorClear();
    engine->ReplayQueue();
    // Later frames clear and show again.
    lighting->DisableFog();
    lighting->EnableDepthClear();
    lighting->EnableColorClear();
    lighting->EnablePresent();
}

namespace {

constexpr uint8_t kReads = KDSParamInfo::kReadsFile;

const KDSParamInfo kModelEffectParams[] = {
    {KDSKind::String, 0, "scene", "scene file; its first object's first frame mesh is drawn", "\"NOT DEFINED\"",
     kReads},
    {KDSKind::String, 11, "sky", "environment texture sphere-mapped over the model; empty: none", "\"\"", kReads},
    {KDSKind::String, 10, "normal-map", "normal map; set: per-pixel lighting where the GL can draw it", "\"\"", kReads},
    {KDSKind::Float, 0, "position-x", "position x, scene units", "0.0"},
    {KDSKind::Float, 1, "position-y", "position y, scene units", "0.0"},
    {KDSKind::Float, 2, "position-z", "position z, scene units", "0.0"},
    {KDSKind::Float, 3, "rotation-x", "rotation about x, degrees, applied after the translation", "0.0"},
    {KDSKind::Float, 4, "rotation-y", "rotation about y, degrees, applied after x", "0.0"},
    {KDSKind::Float, 5, "rotation-z", "rotation about z, degrees, applied after y", "0.0"},
    {KDSKind::Int, 6, "wobble", "1: travelling sine wobble on (must be 1 at load); other values off", "0"},
    {KDSKind::Float, 7, "wobble-amplitude", "wobble amplitude, scene units", "5.0"},
    {KDSKind::Float, 8, "wobble-frequency", "wobble spatial frequency, radians per scene unit", "0.1"},
    {KDSKind::Float, 9, "wobble-period", "wobble phase divisor, ms per radian; 0 stops the deformation", "500.0"},
    {KDSKind::Float, 12, "opacity", "opacity 0..1, read at load; other than 1.0 blends", "1.0"},
    {KDSKind::Vector, 13, "colour", "diffuse red, green, blue used with the opacity, read at load", "[0.1, 0.1, 0.1]"},
    {KDSKind::Float, 14, "light-x", "per-pixel light x, eye space", "0.0"},
    {KDSKind::Float, 15, "light-y", "per-pixel light y, eye space", "0.0"},
    {KDSKind::Float, 16, "light-z", "per-pixel light z, eye space", "0.0"},
    {KDSKind::Vector, 18, "position", "the position as a vector", "", KDSParamInfo::kOutput, 1,
     "float.0 float.1 float.2"},
};

}  // namespace

KDSParamTable CModelEffectBuilder::GetParameters() { return MakeParamTable(kModelEffectParams); }

CEffect* CModelEffectBuilder::Create() { return new CModelEffect(); }

void RegisterModelEffectBuilder() {
    static CModelEffectBuilder builder;
    KDSProvideEffectBuilder(&builder);
}
