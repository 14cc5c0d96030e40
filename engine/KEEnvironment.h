// The frame-global GL state applied at the start of each replay of the render queue: the
// buffer clear, up to eight fixed-function lights, and fog. The engine owns one for its
// lifetime; effects change it during their frame step, and a replay uses the values set
// last before it. Main thread only (it issues GL calls).
#pragma once

#include "KETransformList.h"

#include <cstdint>
#include <vector>

class KECamera;

// One light; its position in the environment's list is its GL light number.
struct KELight {
    enum Type : int32_t { kPoint = 0, kDirectional = 1, kSpot = 2 };

    // Replayed on the modelview matrix before the light is placed; not owned, must outlive
    // every Apply that uses it (or be reset to null).
    const KL::TransformList* nodeTransform = nullptr;
    // Replay the view's transforms on the modelview matrix first.
    bool relativeToCamera = false;
    int32_t type = kPoint;
    float direction[3] = {0.0f, 0.0f, 0.0f};  // directional lights, sent with w = 0
    float position[3] = {0.0f, 0.0f, 0.0f};   // point and spot lights, sent with w = 1
    float ambient[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    float diffuse[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    float specular[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    float constantAttenuation = 1.0f;  // as the GL starts: no fall-off until data says so
    float linearAttenuation = 0.0f;
    float quadraticAttenuation = 0.0f;
    float spotDirection[3] = {0.0f, 0.0f, 0.0f};
    float spotExponent = 0.0f;
    float spotCutoff = 0.0f;
};

class KEEnvironment {
public:
    // Only the first kAppliedLights of the list reach the GL (GL_LIGHT0 to GL_LIGHT7).
    static constexpr int32_t kAppliedLights = 8;
    // Light indices from here on are refused: the list would only grow without being drawn.
    static constexpr int32_t kMaxLights = 1024;

    KEEnvironment();

    // Light list. An index past the end grows the list with default point lights; a
    // negative index, or one of kMaxLights or more, is traced and changes nothing. So are
    // values the GL would refuse (negative attenuation, exponent outside 0..128, cutoff
    // other than 0..90 or 180): one refused value would fail every frame that uses it.
    void ClearLights();
    // Returns the new light's index, or -1 when the list is full.
    int32_t AddLight(int32_t type);
    void SetLightPlacement(int32_t index, float x, float y, float z, const KL::TransformList* nodeTransform,
                           bool relativeToCamera);
    void SetLightAmbient(int32_t index, float r, float g, float b, float a);
    void SetLightDiffuse(int32_t index, float r, float g, float b, float a);
    void SetLightSpecular(int32_t index, float r, float g, float b, float a);
    void SetLightConstantAttenuation(int32_t index, float value);
    void SetLightLinearAttenuation(int32_t index, float value);
    void SetLightQuadraticAttenuation(int32_t index, float value);
    void SetLightDirection(int32_t index, float x, float y, float z);
    void SetLightSpotDirection(int32_t index, float x, float y, float z);
    void SetLightSpotExponent(int32_t index, float exponent);
    void SetLightSpotCutoff(int32_t index, float cutoff);
    int32_t GetLightCount() const { return static_cast<int32_t>(m_lights.size()); }
    // Null for an index outside the list.
    const KELight* GetLight(int32_t index) const;

    // Clear and present.
    void SetClearColor(float r, float g, float b, float a);
    void EnableColorClear() { m_clearColor = true; }
    void DisableColorClear() { m_clearColor = false; }
    void EnableDepthClear() { m_clearDepth = true; }
    void DisableDepthClear() { m_clearDepth = false; }
    void EnablePresent() { m_present = true; }
    void DisablePresent() { m_present = false; }
    const float* GetClearColor() const { return m_clearColorValue; }
    bool IsColorClearEnabled() const { return m_clearColor; }
    bool IsDepthClearEnabled() const { return m_clearDepth; }
    bool IsPresentEnabled() const { return m_present; }

    // Fog.
    void EnableFog() { m_fog = true; }
    void DisableFog() { m_fog = false; }
    // GL_LINEAR, GL_EXP or GL_EXP2; anything else is traced and the mode stays.
    void SetFogMode(int32_t mode);
    void SetFogRange(float start, float end);
    // A negative density is traced and the density stays.
    void SetFogDensity(float density);
    void SetFogColor(float r, float g, float b, float a);
    bool IsFogEnabled() const { return m_fog; }
    int32_t GetFogMode() const { return m_fogMode; }
    float GetFogStart() const { return m_fogStart; }
    float GetFogEnd() const { return m_fogEnd; }
    float GetFogDensity() const { return m_fogDensity; }
    const float* GetFogColor() const { return m_fogColor; }

    // glClearColor, then glClear with the selected buffers. With both clears off glClear is
    // not called at all. The engine calls this once per frame, before the first replay.
    void ApplyClear();
    // Places and enables the first eight lights (the view may be null: then
    // relative-to-camera lights replay nothing for it), then sets or disables fog. The
    // modelview matrix is left as the last light's replays made it.
    void ApplyLightsAndFog(KECamera* view);
    void Apply(KECamera* view) {
        ApplyClear();
        ApplyLightsAndFog(view);
    }

private:
    // The light at index, growing the list to reach it; null for an index refused.
    KELight* LightAt(int32_t index, const char* operation);
    // Traces a refused value; returns valid.
    static bool Accept(bool valid, const char* operation, float value);

    std::vector<KELight> m_lights;
    float m_clearColorValue[4] = {0.3f, 0.3f, 0.6f, 0.0f};
    bool m_clearColor = true;
    bool m_clearDepth = true;
    bool m_present = true;
    bool m_fog = false;
    int32_t m_fogMode;
    float m_fogStart = 0.0f;
    float m_fogEnd = 0.0f;
    float m_fogDensity = 0.0f;
    float m_fogColor[4] = {0.0f, 0.0f, 0.0f, 0.0f};
};
