// Makes an object the singleton of its type for the scope of a test (an application, an
// engine of the test's own) and puts back the previous one, or none, at the end.
#pragma once

#include "KLAbstractFactory.h"

template <class T>
class ScopedInstance {
public:
    explicit ScopedInstance(T* instance)
        : m_previous(KLAbstractFactory<T>::HasInstance() ? KLAbstractFactory<T>::GetInstance() : nullptr) {
        KLAbstractFactory<T>::SetInstance(instance);
    }
    ~ScopedInstance() { KLAbstractFactory<T>::SetInstance(m_previous); }
    ScopedInstance(const ScopedInstance&) = delete;
    ScopedInstance& operator=(const ScopedInstance&) = delete;

private:
    T* m_previous;
};
