#include "KERenderQueue.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstddef>

KL::TransformStep KERenderSteps::GetStep(int32_t index) const {
    KL::TransformStep step;
    const float* word = m_store->data() + m_first;
    for (int32_t k = 0;; ++k) {
        const int32_t kind = static_cast<int32_t>(word[0]);
        const int32_t values = KL::TransformStepValueCount(kind);
        if (k == index) {
            step.kind = kind;
            std::copy(word + 1, word + 1 + values, step.values);
            return step;
        }
        word += 1 + values;
    }
}

void KERenderSteps::Replay(uint32_t matrixMode) const {
    if (m_count == 0) return;
    glMatrixMode(matrixMode);
    ReplaySteps();
}

void KERenderSteps::ReplaySteps() const {
    const float* word = m_count > 0 ? m_store->data() + m_first : nullptr;
    for (int32_t k = 0; k < m_count; ++k) {
        word += 1 + KL::IssueTransformStep(static_cast<int32_t>(word[0]), word + 1);
    }
}

KERenderQueue::KERenderQueue() {
    m_items.reserve(10);
    m_steps.reserve(100);
}

KERenderQueue* KERenderQueue::BeginItem(bool loadModelview, bool loadProjection) {
    m_template.modelview.Clear();
    m_template.projection.Clear();
    m_template.loadCameraModelview = loadModelview;
    m_template.loadCameraProjection = loadProjection;
    m_template.state = KERenderState();
    return this;
}

KERenderSteps KERenderQueue::Record(const KL::TransformList& list) {
    KERenderSteps steps;
    steps.m_store = &m_steps;
    steps.m_first = static_cast<int32_t>(m_steps.size());
    steps.m_count = list.GetCount();
    if (steps.m_count == 0) return steps;
    const KL::TransformStep* source = list.GetSteps();
    size_t words = 0;
    for (int32_t k = 0; k < steps.m_count; ++k) {
        words += 1 + static_cast<size_t>(KL::TransformStepValueCount(source[k].kind));
    }
    const size_t at = m_steps.size();
    m_steps.resize(at + words);
    float* out = m_steps.data() + at;
    for (int32_t k = 0; k < steps.m_count; ++k) {
        // Kinds are small integers: a float holds them exactly.
        *out++ = static_cast<float>(source[k].kind);
        out = std::copy(source[k].values, source[k].values + KL::TransformStepValueCount(source[k].kind), out);
    }
    return steps;
}

void KERenderQueue::Submit(const KEDrawCall& drawCall) {
    if (static_cast<size_t>(m_count) == m_items.size()) m_items.emplace_back();
    KERenderItem& item = m_items[static_cast<size_t>(m_count)];
    item.modelview = Record(m_template.modelview);
    item.projection = Record(m_template.projection);
    item.loadCameraModelview = m_template.loadCameraModelview;
    item.loadCameraProjection = m_template.loadCameraProjection;
    item.state = m_template.state;
    item.drawCall = drawCall;
    ++m_count;
}
