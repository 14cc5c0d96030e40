#include "KERenderQueue.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <utility>

KL::TransformStep KERenderSteps::GetStep(int32_t index) const {
    KL::TransformStep step;
    const float* word = m_store->words.get() + m_first;
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
    const float* word = m_count > 0 ? m_store->words.get() + m_first : nullptr;
    for (int32_t k = 0; k < m_count; ++k) {
        word += 1 + KL::IssueTransformStep(static_cast<int32_t>(word[0]), word + 1);
    }
}

KERenderQueue::KERenderQueue() {
    m_items.reserve(10);
    m_steps.words.reset(new float[256]);
    m_steps.capacity = 256;
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
    steps.m_first = static_cast<int32_t>(m_steps.used);
    steps.m_count = list.GetCount();
    if (steps.m_count == 0) return steps;
    // Room for the largest steps (a kind and 16 values each), so that one pass writes them.
    const size_t most = static_cast<size_t>(steps.m_count) * 17;
    if (m_steps.used + most > m_steps.capacity) {
        const size_t capacity = std::max(m_steps.capacity * 2, m_steps.used + most);
        std::unique_ptr<float[]> words(new float[capacity]);
        std::copy(m_steps.words.get(), m_steps.words.get() + m_steps.used, words.get());
        m_steps.words = std::move(words);
        m_steps.capacity = capacity;
    }
    float* out = m_steps.words.get() + m_steps.used;
    const KL::TransformStep* source = list.GetSteps();
    for (int32_t k = 0; k < steps.m_count; ++k) {
        // Kinds are small integers: a float holds them exactly. All 16 values are copied (a
        // fixed-size copy is cheaper than a counted one, and there is room); the next step
        // starts after those the kind uses.
        *out++ = static_cast<float>(source[k].kind);
        std::memcpy(out, source[k].values, sizeof source[k].values);
        out += KL::TransformStepValueCount(source[k].kind);
    }
    m_steps.used = static_cast<size_t>(out - m_steps.words.get());
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
