// Registrars: one static object per interface and implementation pair. Each announces
// itself when it is constructed and can make objects of its implementation.
#pragma once

#include "KLLog.h"
#include "KLObject.h"

namespace KL {

class Registrar : public Object {
public:
    // Makes and initialises a new object of the implementation; null (after reporting)
    // when its Init fails. The object belongs to the caller.
    virtual Object* CreateImplementation() = 0;

protected:
    explicit Registrar(const char* implementationName) { SetName(implementationName); }

    // Shared second stage of CreateImplementation.
    static Object* Initialised(Object* object) {
        if (object->Init()) return object;
        LogError("Implementation %s initialization failed.", object->GetName());
        delete object;
        return nullptr;
    }
};

}  // namespace KL

