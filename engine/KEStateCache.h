// What the render queue last sent to the GL while replaying, so that each item sends only
// what changed since the previous one: the active texture unit and each unit's enable and
// bound texture, the matrix mode, depth and cull state, the material's display list and
// colour, the stream whose vertex arrays are bound and whether the projection still holds
// the camera's.
//
// Re-sending equal state is not free: the driver re-validates what it is given, and with
// many small items that costs more than the engine's own work. The cache only knows what
// went through it, so it is forgotten (Reset) wherever GL state may change behind its
// back: at the start of every replay, after a display list is compiled, after a context is
// made current. Switched off, every call goes straight to the GL, in the same order as
// without a cache. Main thread only.
#pragma once

#include <GL/gl.h>

#include <cstdint>

class KEMaterial;

class KEStateCache {
public:
    static constexpr int kUnits = 4;

    explicit KEStateCache(bool enabled = true) : m_enabled(enabled) {}

    void SetEnabled(bool enabled);
    bool IsEnabled() const { return m_enabled; }
    // Forgets everything known about the GL.
    void Reset();

    // Texture units. With the cache on, choosing a unit only records it: the GL's active
    // unit follows when that unit's state must change, and at Settle.
    void SelectUnit(int unit);
    // Makes the chosen unit the GL's active one now (before a call that acts on it behind
    // the cache, such as a texture upload). Switched off, the chosen unit is active already.
    void MakeUnitCurrent();
    void EnableTexture2D(bool enabled);
    void BindTexture2D(GLuint name);
    // The GL's active unit is no longer known (a display list switched it).
    void ForgetActiveUnit() { m_activeUnit = kUnknown; }
    // Leaves the GL's active unit where the calls since the last reset asked for it, as it
    // would be without the cache.
    void Settle();

    // The matrix stack the GL has selected.
    void MatrixMode(GLenum mode) {
        if (!m_enabled || m_matrixMode != mode) SendMatrixMode(mode);
    }
    void DepthMask(bool write) {
        if (!m_enabled || m_depthMask != static_cast<int8_t>(write)) SendDepthMask(write);
    }
    void DepthFunc(GLenum func) {
        if (!m_enabled || !m_depthFuncKnown || m_depthFunc != func) SendDepthFunc(func);
    }
    void Cull(bool enabled) {
        if (!m_enabled || m_cull != static_cast<int8_t>(enabled)) SendCull(enabled);
    }
    void Color(const float colour[4]) {
        if (!m_enabled || !m_colourKnown || m_colour[0] != colour[0] || m_colour[1] != colour[1] ||
            m_colour[2] != colour[2] || m_colour[3] != colour[3]) {
            SendColor(colour);
        }
    }
    // The current colour is no longer known (a draw took colours from an array).
    void ForgetColor() { m_colourKnown = false; }

    // Whether the material's display list is the last one called; records it as called.
    bool MaterialIsCurrent(const KEMaterial* material) {
        const bool current = m_enabled && m_material == material;
        m_material = material;
        return current;
    }
    // Whether the arrays last bound were bound from this stream with this data, vertex
    // count and attribute path: nothing changes a stream's layout during a replay, so they
    // are the arrays it would bind again. Records the stream as the one bound.
    bool SameStream(const void* stream, const void* data, int32_t count, bool vertexProgram) {
        StreamKey& k = m_streamKey;
        const bool same = m_enabled && k.stream != nullptr && k.stream == stream && k.data == data &&
                          k.count == count && k.vertexProgram == vertexProgram;
        k = StreamKey{stream, data, count, vertexProgram};
        return same;
    }

    // Whether the projection matrix holds the camera's projection loaded by an earlier item.
    bool HasCameraProjection() const { return m_enabled && m_cameraProjection; }
    void SetCameraProjection(bool loaded) { m_cameraProjection = loaded; }

private:
    static constexpr int kUnknown = -1;
    struct Unit {
        int8_t enabled = kUnknown;  // GL_TEXTURE_2D: 0, 1 or unknown
        bool nameKnown = false;
        GLuint name = 0;
    };
    // The unit the calls act on: the chosen one, or unit 0 without unit switching.
    Unit& Chosen() { return m_units[m_chosenUnit < 0 ? 0 : m_chosenUnit]; }
    void ActivateChosen();
    void SendMatrixMode(GLenum mode);
    void SendDepthMask(bool write);
    void SendDepthFunc(GLenum func);
    void SendCull(bool enabled);
    void SendColor(const float colour[4]);

    bool m_enabled;
    int m_chosenUnit = kUnknown;  // the unit the calls asked for
    int m_activeUnit = kUnknown;  // the GL's active unit, as far as known
    Unit m_units[kUnits];
    GLenum m_matrixMode = 0;  // 0: not known
    int8_t m_depthMask = kUnknown;
    GLenum m_depthFunc = 0;
    bool m_depthFuncKnown = false;
    int8_t m_cull = kUnknown;
    bool m_colourKnown = false;
    float m_colour[4] = {};
    const KEMaterial* m_material = nullptr;
    struct StreamKey {
        const void* stream = nullptr;
        const void* data = nullptr;
        int32_t count = 0;
        bool vertexProgram = false;
    } m_streamKey;
    bool m_cameraProjection = false;
};
