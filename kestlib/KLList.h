// The framework's one container: a doubly linked list of item pointers in insertion
// order. Lists never own their items; they own their nodes.
//
// Walking: start at GetFirst() and follow GetNext() until null; GetItem() is the element.
#pragma once

class KLList;

class KLListNode {
public:
    KLListNode(void* item, KLList* owner, int serial) : m_item(item), m_owner(owner), m_serial(serial) {}
    virtual ~KLListNode() = default;
    KLListNode(const KLListNode&) = delete;
    KLListNode& operator=(const KLListNode&) = delete;

    // Hook for lists that own their data; the base has no way to do it and says so.
    virtual void DestroyData();

    KLListNode* GetPrevious() const { return m_previous; }
    KLListNode* GetNext() const { return m_next; }
    void* GetItem() const { return m_item; }
    template <class T>
    T* Item() const { return static_cast<T*>(m_item); }
    KLList* GetOwner() const { return m_owner; }
    // The list's serial counter when the node was appended (1 for the first append).
    int GetSerial() const { return m_serial; }

private:
    friend class KLList;
    KLListNode* m_previous = nullptr;
    KLListNode* m_next = nullptr;
    void* m_item;
    KLList* m_owner;
    int m_serial;
};

class KLList {
public:
    KLList() = default;
    ~KLList() { Clear(); }
    KLList(const KLList&) = delete;
    KLList& operator=(const KLList&) = delete;

    // Appends the item (not owned) and returns its node.
    KLListNode* Append(void* item);
    // Frees every node (the items stay untouched) and resets the serial counter.
    void Clear();

    KLListNode* GetFirst() const { return m_first; }
    KLListNode* GetLast() const { return m_last; }
    int GetCount() const { return m_count; }

private:
    KLListNode* m_first = nullptr;
    KLListNode* m_last = nullptr;
    int m_count = 0;
    int m_serial = 0;
};
