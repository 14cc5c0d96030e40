#include "KERenderQueue.h"

KERenderQueue::KERenderQueue() {
    m_items.reserve(10);
    m_steps.reserve(40);
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
    if (steps.m_count > 0) m_steps.insert(m_steps.end(), list.GetSteps(), list.GetSteps() + steps.m_count);
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
