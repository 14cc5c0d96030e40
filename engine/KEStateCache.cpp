#include "KEStateCache.h"

#include "KEExtensions.h"

#include <GL/glext.h>

#include <cstring>

void KEStateCache::SetEnabled(bool enabled) {
    m_enabled = enabled;
    Reset();
}

void KEStateCache::Reset() {
    m_chosenUnit = kUnknown;
    m_activeUnit = kUnknown;
    for (Unit& unit : m_units) unit = Unit();
    m_matrixMode = 0;
    m_depthMask = kUnknown;
    m_depthFuncKnown = false;
    m_cull = kUnknown;
    m_colourKnown = false;
    m_material = nullptr;
    m_streamKey = StreamKey();
    m_cameraProjection = false;
}

void KEStateCache::SelectUnit(int unit) {
    const KEExtensions& ext = *KEExtensions::GetInstance();
    // Without unit switching every call acts on unit 0.
    if (!ext.glActiveTextureARB || unit < 0 || unit >= kUnits) return;
    m_chosenUnit = unit;
    // Switched off, the unit is switched at once, as without a cache.
    if (!m_enabled) {
        m_activeUnit = kUnknown;
        ActivateChosen();
    }
}

void KEStateCache::ActivateChosen() {
    if (m_chosenUnit == kUnknown || m_activeUnit == m_chosenUnit) return;
    KEExtensions::GetInstance()->glActiveTextureARB(GL_TEXTURE0_ARB + static_cast<GLenum>(m_chosenUnit));
    m_activeUnit = m_chosenUnit;
}

void KEStateCache::MakeUnitCurrent() { ActivateChosen(); }

void KEStateCache::Settle() { ActivateChosen(); }

void KEStateCache::EnableTexture2D(bool enabled) {
    Unit& unit = Chosen();
    if (m_enabled && unit.enabled == static_cast<int8_t>(enabled)) return;
    ActivateChosen();
    if (enabled) {
        glEnable(GL_TEXTURE_2D);
    } else {
        glDisable(GL_TEXTURE_2D);
    }
    unit.enabled = static_cast<int8_t>(enabled);
}

void KEStateCache::BindTexture2D(GLuint name) {
    Unit& unit = Chosen();
    if (m_enabled && unit.nameKnown && unit.name == name) return;
    ActivateChosen();
    glBindTexture(GL_TEXTURE_2D, name);
    unit.nameKnown = true;
    unit.name = name;
}

void KEStateCache::SendMatrixMode(GLenum mode) {
    glMatrixMode(mode);
    m_matrixMode = mode;
}

void KEStateCache::SendDepthMask(bool write) {
    glDepthMask(write ? GL_TRUE : GL_FALSE);
    m_depthMask = static_cast<int8_t>(write);
}

void KEStateCache::SendDepthFunc(GLenum func) {
    glDepthFunc(func);
    m_depthFunc = func;
    m_depthFuncKnown = true;
}

void KEStateCache::SendCull(bool enabled) {
    if (enabled) {
        glEnable(GL_CULL_FACE);
    } else {
        glDisable(GL_CULL_FACE);
    }
    m_cull = static_cast<int8_t>(enabled);
}

void KEStateCache::SendColor(const float colour[4]) {
    glColor4fv(colour);
    std::memcpy(m_colour, colour, sizeof m_colour);
    m_colourKnown = true;
}
