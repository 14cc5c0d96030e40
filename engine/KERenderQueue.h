// The render queue: effects submit render items during a frame, the engine replays them
// in submission order at its end. Each item records its matrices, depth and culling state,
// material and draw call. Submissions copy a template set up by BeginItem, so several draw
// calls can share one set of matrices and state.
#pragma once

#include "KEDrawCall.h"
#include "KETransformList.h"

#include <GL/gl.h>

#include <cstddef>
#include <cstdint>
#include <vector>

class KEMaterial;

struct KERenderState {
    bool clearDepth = false;
    bool depthWrite = true;
    GLenum depthFunc = GL_LESS;
    bool cull = true;
    KEMaterial* material = nullptr;  // not owned

    void SetMaterial(KEMaterial* m) { material = m; }
    void SetDepthFunc(GLenum f) { depthFunc = f; }
    void SetDepthWrite(bool on) { depthWrite = on; }
    void SetClearDepth(bool on) { clearDepth = on; }
    void SetCull(bool on) { cull = on; }
};

struct KERenderItem {
    KL::TransformList modelview;
    KL::TransformList projection;
    bool loadCameraModelview = false;
    bool loadCameraProjection = false;
    KERenderState state;
    KEDrawCall drawCall;
};

class KERenderQueue {
public:
    KERenderQueue();

    // Resets the template: empty transform lists, the two flags, default render state.
    KERenderQueue* BeginItem(bool loadModelview, bool loadProjection);
    KL::TransformList& ModelviewTransforms() { return m_template.modelview; }
    KL::TransformList& ProjectionTransforms() { return m_template.projection; }
    KERenderState& RenderState() { return m_template.state; }
    // Viewport width and height, kept by the engine.
    const float* Viewport() const { return m_viewport; }
    void SetViewport(float width, float height) {
        m_viewport[0] = width;
        m_viewport[1] = height;
    }
    // Appends a copy of the template with this draw call.
    void Submit(const KEDrawCall& drawCall);

    int32_t GetCount() const { return m_count; }
    const KERenderItem& GetItem(int32_t index) const { return m_items[static_cast<size_t>(index)]; }
    // Forgets the items; their storage is kept for the next frame.
    void Clear() { m_count = 0; }

private:
    // Items are reused from frame to frame so that a steady frame allocates nothing.
    std::vector<KERenderItem> m_items;
    int32_t m_count = 0;
    KERenderItem m_template;
    float m_viewport[2] = {0, 0};
};
