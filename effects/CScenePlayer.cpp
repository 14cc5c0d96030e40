// The scene player's frame: replay what came before under the old camera, place the
// camera on the sampled path (whole frame and fraction from two divisions, as the
// composition was timed), set the lights twice (at frame 0, then at t), then the objects.
#include "CScenePlayer.h"

#include "KEEngine.h"
#include "KLLog.h"

#include <cmath>

KECamera& CScenePlayer::SharedProjection() {
    static KECamera projection;
    return projection;
}

float CScenePlayer::GetFloat(int index) {
    switch (index) {
    case 4: return m_cameraOut.x;
    case 5: return m_cameraOut.y;
    case 6: return m_cameraOut.z;
    default: return CEffect::GetFloat(index);
    }
}

KEVector3* CScenePlayer::GetVector(KEVector3* out, int index) {
    if (index != 7) return CEffect::GetVector(out, index);
    if (out) *out = m_cameraOut;
    return out;
}

bool CScenePlayer::Load() {
    if (!m_scene.LoadFile(GetString(1))) {
        LogError("Error cargando escena");
        return false;
    }
    // The camera steps by whole milliseconds per frame (1000 / fps).
    const int32_t fps = m_scene.framesPerSecond;
    if (fps < kMinFramesPerSecond || fps > kMaxFramesPerSecond) {
        LogMessage("Scene %s: a frame rate of %d frames per second cannot be played (%d to %d)", GetString(1),
                   static_cast<int>(fps), static_cast<int>(kMinFramesPerSecond), static_cast<int>(kMaxFramesPerSecond));
        LogError("Error cargando escena");
        return false;
    }
    m_lighting = KEEngine::GetEngine()->GetLighting();
    return true;
}

void CScenePlayer::FrameAt(uint32_t localTime, int32_t fps, int32_t frames, uint32_t* i, float* t) {
    // Loaded scenes have 1..1000 frames per second; a single record has no path to loop.
    const uint32_t msPerFrame = fps > 0 ? 1000u / static_cast<uint32_t>(fps) : 0;
    if (frames <= 1 || msPerFrame == 0) {
        *i = 0;
        *t = 0.0f;
        return;
    }
    *i = (localTime / msPerFrame) % static_cast<uint32_t>(frames - 1);
    const double d = static_cast<double>(localTime) / (1000.0 / static_cast<double>(fps));
    const double fraction = d - std::floor(d);
    *t = static_cast<float>(static_cast<double>(*i) + fraction);
}

void CScenePlayer::PoseAt(uint32_t localTime, float* t, KEVector3* position, KEVector3* rotation, float* fov) {
    const int32_t frames = m_scene.GetFrameCount();
    uint32_t i = 0;
    FrameAt(localTime, m_scene.framesPerSecond, frames, &i, t);
    const float frac = *t - static_cast<float>(i);
    const float w = 1.0f - frac;
    const size_t a = i;
    const size_t b = frames > 1 ? i + 1 : i;
    const KEVector3* positions = m_scene.cameraPositions.data();
    const KEVector3* rotations = m_scene.cameraRotations.data();
    const float* fovs = m_scene.cameraFieldsOfView.data();
    *position = {w * positions[a].x + frac * positions[b].x + GetFloat(0),
                 w * positions[a].y + frac * positions[b].y + GetFloat(1),
                 w * positions[a].z + frac * positions[b].z + GetFloat(2)};
    *rotation = {w * rotations[a].x + frac * rotations[b].x, w * rotations[a].y + frac * rotations[b].y,
                 w * rotations[a].z + frac * rotations[b].z};
    *fov = w * fovs[a] + frac * fovs[b] + GetFloat(3);
}

bool CScenePlayer::Advance(uint32_t, uint32_t localTime, int32_t) {
    if (m_scene.GetFrameCount() == 0) return true;
    float t = 0.0f, fov = 0.0f;
    KEVector3 rotation{};
    PoseAt(localTime, &t, &m_cameraOut, &rotation, &fov);
    return true;
}

bool CScenePlayer::Frame(uint32_t, uint32_t localTime, int32_t) {
    const int32_t frames = m_scene.GetFrameCount();
    if (frames == 0) {
        LogErrorOnce(&m_noCameraReported, "Error, no existe camara en la escena.");
        return false;
    }
    KEEngine* engine = KEEngine::GetEngine();
    KECamera& projection = SharedProjection();
    // What was submitted before this player is drawn under the camera it was meant for.
    engine->ReplayQueue();
    engine->SetView(&m_view);
    engine->SetCamera(&projection);

    float t = 0.0f;
    KEVector3 position{}, rotation{};
    float fov = 0.0f;
    PoseAt(localTime, &t, &position, &rotation, &fov);
    projection.SetPerspective(fov, 1.33f, 50.0f, 10000.0f);
    m_cameraOut = position;

    if (m_lighting) {
        m_lighting->ClearLights();
        for (const auto& light : m_scene.lights) {
            const int32_t j = m_lighting->AddLight(0);
            if (j < 0) break;
            const KEMatrix4& at = light->GetTrack()->Evaluate(0.0f);
            m_lighting->SetLightPlacement(j, at.m[12], at.m[13], at.m[14], nullptr, true);
            m_lighting->SetLightConstantAttenuation(j, 1.0f);
            m_lighting->SetLightLinearAttenuation(j, 0.0f);
            m_lighting->SetLightQuadraticAttenuation(j, 0.0f);
            m_lighting->SetLightAmbient(j, 0.1f, 0.1f, 0.1f, 0.0f);
            m_lighting->SetLightDiffuse(j, light->diffuse[0], light->diffuse[1], light->diffuse[2], 0.0f);
            m_lighting->SetLightSpecular(j, 1.0f, 1.0f, 1.0f, 1.0f);
        }
        int32_t j = 0;
        for (const auto& light : m_scene.lights) {
            if (j >= m_lighting->GetLightCount()) break;
            const KEMatrix4& at = light->GetTrack()->Evaluate(t);
            m_lighting->SetLightPlacement(j++, at.m[12], at.m[13], at.m[14], nullptr, true);
        }
    }

    m_view.SetEyeRollFirst(position.x, position.y, position.z, rotation.x, rotation.y, rotation.z);
    engine->SetView(&m_view);
    engine->SetCamera(&projection);
    for (KLListNode* node = m_scene.GetObjects().GetFirst(); node; node = node->GetNext())
        node->Item<KESceneObject>()->Draw(t);
    return true;
}

namespace {

constexpr uint8_t kOut = KDSParamInfo::kOutput;

const KDSParamInfo kScenePlayerParams[] = {
    {KDSKind::String, 1, "scene", "scene file: camera path, lights and objects", "none", KDSParamInfo::kReadsFile},
    {KDSKind::Float, 0, "offset-x", "added to the camera's x, scene units", "0.0"},
    {KDSKind::Float, 1, "offset-y", "added to the camera's y, scene units", "0.0"},
    {KDSKind::Float, 2, "offset-z", "added to the camera's z, scene units", "0.0"},
    {KDSKind::Float, 3, "fov-offset", "added to the camera's vertical field of view, degrees", "0.0"},
    {KDSKind::Float, 4, "camera-x", "camera x of the last frame, offset included", "", kOut},
    {KDSKind::Float, 5, "camera-y", "camera y of the last frame, offset included", "", kOut},
    {KDSKind::Float, 6, "camera-z", "camera z of the last frame, offset included", "", kOut},
    {KDSKind::Vector, 7, "camera", "camera position of the last frame, offset included", "", kOut},
};

}  // namespace

KDSParamTable CScenePlayerBuilder::GetParameters() { return MakeParamTable(kScenePlayerParams); }

CEffect* CScenePlayerBuilder::Create() { return new CScenePlayer(); }

void RegisterScenePlayerBuilder() {
    static CScenePlayerBuilder builder;
    KDSProvideEffectBuilder(&builder);
}
