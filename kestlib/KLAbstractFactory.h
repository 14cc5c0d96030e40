// Singleton access and implementation tables, one pair of each per interface type.
//
// The instance pointer starts null; asking for it before it exists reports the fatal
// singleton error and yields null. The implementation table lists the registrars of an
// interface in registration order; it is filled during static initialisation, so its
// storage is constant-initialised and never emptied.
#pragma once

#include "KLLog.h"
#include "KLRegistrar.h"

template <class T>
class KLAbstractFactory {
public:
    static constexpr int kMaxImplementations = 32;

    // The instance, or null after reporting the fatal singleton error.
    static T* GetInstance() {
        if (!s_instance) {
            LogError("Fatal error in KLAbstractFactory, trying to get instance of an non-instanced Object");
        }
        return s_instance;
    }
    static bool HasInstance() { return s_instance != nullptr; }
    // Creates the instance with the creator function unless one exists; returns it.
    static T* CreateInstance(T* (*creator)()) {
        if (!s_instance && creator) s_instance = creator();
        return s_instance;
    }
    // Replaces the instance (tests, capture runs); the previous one is not destroyed.
    static void SetInstance(T* instance) { s_instance = instance; }

    // Appends a registrar; a full table refuses it with a trace.
    static bool Register(KL::Registrar* registrar) {
        if (s_count >= kMaxImplementations) {
            LogMessage("Implementation table full, '%s' not registered", registrar->GetNameString());
            return false;
        }
        s_table[s_count++] = registrar;
        return true;
    }
    static int GetImplementationCount() { return s_count; }
    static KL::Registrar* GetImplementation(int index) {
        return (index >= 0 && index < s_count) ? s_table[index] : nullptr;
    }

    // The first implementation, in table order, that can be created and initialised.
    static T* FindImplementation(const char* interfaceName) {
        for (int i = 0; i < s_count; ++i) {
            if (KL::Object* object = s_table[i]->CreateImplementation()) {
                return static_cast<T*>(object);
            }
        }
        LogError("No working implementations for '%s'", interfaceName);
        return nullptr;
    }

private:
    static inline T* s_instance = nullptr;
    static inline KL::Registrar* s_table[kMaxImplementations] = {};
    static inline int s_count = 0;
};

// A static registrar for Impl in KLAbstractFactory<Interface>'s table. The names are the
// run-time class names as the system spells them ("class _KL::CCoinManager1"), whatever
// the compiler's own type names are.
template <class Interface, class Impl>
class KLRegistrarFor : public KL::Registrar {
public:
    KLRegistrarFor(const char* implementationName, const char* interfaceName)
        : KL::Registrar(implementationName) {
        KLAbstractFactory<Interface>::Register(this);
        LogMessage("Implementation '%s' for '%s' defined.", implementationName, interfaceName);
    }
    KL::Object* CreateImplementation() override { return Initialised(new Impl()); }
};
