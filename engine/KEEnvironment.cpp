// Clear, lights and fog of a frame, sent to the fixed-function GL.
#include "KEEnvironment.h"

#include "KECamera.h"
#include "KLLog.h"

#include <GL/gl.h>

#include <cstddef>

namespace {

void Set4(float* out, float r, float g, float b, float a) {
    out[0] = r;
    out[1] = g;
    out[2] = b;
    out[3] = a;
}

void Set3(float* out, float x, float y, float z) {
    out[0] = x;
    out[1] = y;
    out[2] = z;
}

}  // namespace

KEEnvironment::KEEnvironment() : m_fogMode(GL_LINEAR) { m_lights.reserve(10); }

void KEEnvironment::ClearLights() { m_lights.clear(); }

int32_t KEEnvironment::AddLight(int32_t type) {
    if (GetLightCount() >= kMaxLights) {
        LogMessage("KEEnvironment: AddLight refused, the list already holds %d lights", kMaxLights);
        return -1;
    }
    m_lights.emplace_back();
    m_lights.back().type = type;
    return GetLightCount() - 1;
}

KELight* KEEnvironment::LightAt(int32_t index, const char* operation) {
    if (index < 0 || index >= kMaxLights) {
        LogMessage("KEEnvironment: %s ignored, light index %d out of range", operation, index);
        return nullptr;
    }
    if (index >= GetLightCount()) m_lights.resize(static_cast<std::size_t>(index) + 1);
    return &m_lights[static_cast<std::size_t>(index)];
}

const KELight* KEEnvironment::GetLight(int32_t index) const {
    if (index < 0 || index >= GetLightCount()) return nullptr;
    return &m_lights[static_cast<std::size_t>(index)];
}

void KEEnvironment::SetLightPlacement(int32_t index, float x, float y, float z,
                                      const KL::TransformList* nodeTransform, bool relativeToCamera) {
    KELight* light = LightAt(index, "SetLightPlacement");
    if (!light) return;
    Set3(light->position, x, y, z);
    light->nodeTransform = nodeTransform;
    light->relativeToCamera = relativeToCamera;
}

void KEEnvironment::SetLightAmbient(int32_t index, float r, float g, float b, float a) {
    if (KELight* light = LightAt(index, "SetLightAmbient")) Set4(light->ambient, r, g, b, a);
}

void KEEnvironment::SetLightDiffuse(int32_t index, float r, float g, float b, float a) {
    if (KELight* light = LightAt(index, "SetLightDiffuse")) Set4(light->diffuse, r, g, b, a);
}

void KEEnvironment::SetLightSpecular(int32_t index, float r, float g, float b, float a) {
    if (KELight* light = LightAt(index, "SetLightSpecular")) Set4(light->specular, r, g, b, a);
}

bool KEEnvironment::Accept(bool valid, const char* operation, float value) {
    if (!valid) LogMessage("KEEnvironment: %s ignored, %g is not a valid value", operation, value);
    return valid;
}

void KEEnvironment::SetLightConstantAttenuation(int32_t index, float value) {
    if (!Accept(value >= 0.0f, "SetLightConstantAttenuation", value)) return;
    if (KELight* light = LightAt(index, "SetLightConstantAttenuation")) light->constantAttenuation = value;
}

void KEEnvironment::SetLightLinearAttenuation(int32_t index, float value) {
    if (!Accept(value >= 0.0f, "SetLightLinearAttenuation", value)) return;
    if (KELight* light = LightAt(index, "SetLightLinearAttenuation")) light->linearAttenuation = value;
}

void KEEnvironment::SetLightQuadraticAttenuation(int32_t index, float value) {
    if (!Accept(value >= 0.0f, "SetLightQuadraticAttenuation", value)) return;
    if (KELight* light = LightAt(index, "SetLightQuadraticAttenuation")) light->quadraticAttenuation = value;
}

void KEEnvironment::SetLightDirection(int32_t index, float x, float y, float z) {
    if (KELight* light = LightAt(index, "SetLightDirection")) Set3(light->direction, x, y, z);
}

void KEEnvironment::SetLightSpotDirection(int32_t index, float x, float y, float z) {
    if (KELight* light = LightAt(index, "SetLightSpotDirection")) Set3(light->spotDirection, x, y, z);
}

void KEEnvironment::SetLightSpotExponent(int32_t index, float exponent) {
    if (!Accept(exponent >= 0.0f && exponent <= 128.0f, "SetLightSpotExponent", exponent)) return;
    if (KELight* light = LightAt(index, "SetLightSpotExponent")) light->spotExponent = exponent;
}

void KEEnvironment::SetLightSpotCutoff(int32_t index, float cutoff) {
    const bool valid = (cutoff >= 0.0f && cutoff <= 90.0f) || cutoff == 180.0f;
    if (!Accept(valid, "SetLightSpotCutoff", cutoff)) return;
    if (KELight* light = LightAt(index, "SetLightSpotCutoff")) light->spotCutoff = cutoff;
}

void KEEnvironment::SetClearColor(float r, float g, float b, float a) { Set4(m_clearColorValue, r, g, b, a); }

void KEEnvironment::SetFogRange(float start, float end) {
    m_fogStart = start;
    m_fogEnd = end;
}

void KEEnvironment::SetFogMode(int32_t mode) {
    if (mode != GL_LINEAR && mode != GL_EXP && mode != GL_EXP2) {
        LogMessage("KEEnvironment: SetFogMode ignored, 0x%X is not a fog mode", static_cast<unsigned>(mode));
        return;
    }
    m_fogMode = mode;
}

void KEEnvironment::SetFogDensity(float density) {
    if (Accept(density >= 0.0f, "SetFogDensity", density)) m_fogDensity = density;
}

void KEEnvironment::SetFogColor(float r, float g, float b, float a) { Set4(m_fogColor, r, g, b, a); }

void KEEnvironment::ApplyClear() {
    glClearColor(m_clearColorValue[0], m_clearColorValue[1], m_clearColorValue[2], m_clearColorValue[3]);
    GLbitfield mask = 0;
    if (m_clearColor) mask |= GL_COLOR_BUFFER_BIT;
    if (m_clearDepth) mask |= GL_DEPTH_BUFFER_BIT;
    if (mask != 0) glClear(mask);
}

void KEEnvironment::ApplyLightsAndFog(KECamera* view) {
    const int32_t applied = GetLightCount() < kAppliedLights ? GetLightCount() : kAppliedLights;
    for (int32_t i = 0; i < applied; ++i) {
        const KELight& light = m_lights[static_cast<std::size_t>(i)];
        const GLenum number = GL_LIGHT0 + static_cast<GLenum>(i);
        // The modelview is not reset between lights: each one builds on what the last left.
        if (light.relativeToCamera && view) view->GetTransforms()->Replay(GL_MODELVIEW);
        if (light.nodeTransform) light.nodeTransform->Replay(GL_MODELVIEW);

        float place[4];
        if (light.type == KELight::kDirectional) {
            Set4(place, light.direction[0], light.direction[1], light.direction[2], 0.0f);
        } else {
            Set4(place, light.position[0], light.position[1], light.position[2], 1.0f);
        }
        glLightfv(number, GL_POSITION, place);
        if (light.type != KELight::kDirectional) {
            glLightf(number, GL_CONSTANT_ATTENUATION, light.constantAttenuation);
            glLightf(number, GL_LINEAR_ATTENUATION, light.linearAttenuation);
            glLightf(number, GL_QUADRATIC_ATTENUATION, light.quadraticAttenuation);
        }
        float cutoff = 180.0f;
        if (light.type == KELight::kSpot) {
            glLightfv(number, GL_SPOT_DIRECTION, light.spotDirection);
            glLightf(number, GL_SPOT_EXPONENT, light.spotExponent);
            cutoff = light.spotCutoff;
        }
        glLightf(number, GL_SPOT_CUTOFF, cutoff);
        glLightfv(number, GL_AMBIENT, light.ambient);
        glLightfv(number, GL_DIFFUSE, light.diffuse);
        glLightfv(number, GL_SPECULAR, light.specular);
        glEnable(number);
    }

    if (m_fog) {
        glEnable(GL_FOG);
        glFogi(GL_FOG_MODE, m_fogMode);
        glFogf(GL_FOG_START, m_fogStart);
        glFogf(GL_FOG_END, m_fogEnd);
        glFogf(GL_FOG_DENSITY, m_fogDensity);
        glFogfv(GL_FOG_COLOR, m_fogColor);
    } else {
        glDisable(GL_FOG);
    }
}
