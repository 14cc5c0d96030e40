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
#include <memory>
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

// The words of every item's steps of a frame, one after another: each step as its kind
// and only the values that kind uses (a translation takes 4 floats instead of a whole
// TransformStep). Grows geometrically and keeps its memory from frame to frame.
struct KERenderStepStore {
    std::unique_ptr<float[]> words;
    size_t used = 0;
    size_t capacity = 0;
};

// An item's recorded matrix steps: a stretch of the queue's step store.
class KERenderSteps {
public:
    int32_t GetCount() const { return m_count; }
    // The step, unpacked (unused values 0).
    KL::TransformStep GetStep(int32_t index) const;
    // As TransformList::Replay: nothing at all without steps.
    void Replay(uint32_t matrixMode) const;
    // The steps on the matrix stack already selected.
    void ReplaySteps() const;

private:
    friend class KERenderQueue;
    const KERenderStepStore* m_store = nullptr;
    int32_t m_first = 0;  // index of the first step's kind in the store
    int32_t m_count = 0;
};

struct KERenderItem {
    KERenderSteps modelview;
    KERenderSteps projection;
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
    void Clear() {
        m_count = 0;
        m_steps.used = 0;
    }

private:
    KERenderSteps Record(const KL::TransformList& list);

    // Items and their steps are kept in two arrays that grow geometrically and are reused
    // from frame to frame: a steady frame allocates nothing, a first frame of many items
    // costs about as much as the next, and the replay reads both arrays in order.
    std::vector<KERenderItem> m_items;
    KERenderStepStore m_steps;
    int32_t m_count = 0;
    // What BeginItem resets and Submit copies.
    struct Template {
        KL::TransformList modelview;
        KL::TransformList projection;
        bool loadCameraModelview = false;
        bool loadCameraProjection = false;
        KERenderState state;
    };
    Template m_template;
    float m_viewport[2] = {0, 0};
};
