#include "KERenderQueue.h"

KERenderQueue::KERenderQueue() { m_items.reserve(10); }

KERenderQueue* KERenderQueue::BeginItem(bool loadModelview, bool loadProjection) {
    m_template.modelview.Clear();
    m_template.projection.Clear();
    m_template.loadCameraModelview = loadModelview;
    m_template.loadCameraProjection = loadProjection;
    m_template.state = KERenderState();
    m_template.drawCall = KEDrawCall();
    return this;
}

void KERenderQueue::Submit(const KEDrawCall& drawCall) {
    if (static_cast<size_t>(m_count) == m_items.size()) {
        if (m_items.size() == m_items.capacity()) m_items.reserve(m_items.size() + 100);
        m_items.emplace_back();
    }
    KERenderItem& item = m_items[static_cast<size_t>(m_count)];
    item.modelview.Copy(m_template.modelview);
    item.projection.Copy(m_template.projection);
    item.loadCameraModelview = m_template.loadCameraModelview;
    item.loadCameraProjection = m_template.loadCameraProjection;
    item.state = m_template.state;
    item.drawCall = drawCall;
    ++m_count;
}
