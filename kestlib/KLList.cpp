#include "KLList.h"

#include "KLLog.h"

void KLListNode::DestroyData() { LogError("FIXME: (inline void KLListNode<NodeType>::DestroyData())"); }

KLListNode* KLList::Append(void* item) {
    ++m_count;
    ++m_serial;
    KLListNode* node = new KLListNode(item, this, m_serial);
    if (!m_last) {
        m_first = node;
    } else {
        node->m_previous = m_last;
        m_last->m_next = node;
    }
    m_last = node;
    return node;
}

void KLList::Clear() {
    KLListNode* node = m_first;
    while (node) {
        KLListNode* next = node->m_next;
        delete node;
        node = next;
    }
    m_first = m_last = nullptr;
    m_count = 0;
    m_serial = 0;
}
