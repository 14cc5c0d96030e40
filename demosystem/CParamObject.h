// Parameter objects: every effect and modifier carries five banks of 256 numbered
// parameters (string, integer, float, vector, object). Each parameter holds a constant or
// a binding to a channel of another parameter object; reads follow bindings every time,
// so a bound parameter follows its source continuously. Modifiers produce values by
// overriding the get operations for their output channels.
//
// Strings are not copied (callers pass literals); objects are not owned. Main thread only.
#pragma once

#include "KEMath.h"

#include <cstdint>

class CParamObject {
public:
    static constexpr int kParams = 256;

    CParamObject();
    virtual ~CParamObject() = default;
    CParamObject(const CParamObject&) = delete;
    CParamObject& operator=(const CParamObject&) = delete;

    virtual float GetFloat(int index);
    virtual int BindFloat(int index, CParamObject* source, int channel);
    virtual int SetFloat(int index, float value);
    virtual const char* GetString(int index);
    virtual int BindString(int index, CParamObject* source, int channel);
    virtual int SetString(int index, const char* value);
    virtual int32_t GetInt(int index);
    virtual int BindInt(int index, CParamObject* source, int channel);
    virtual int SetInt(int index, int32_t value);
    // Fills and returns `out`.
    virtual KEVector3* GetVector(KEVector3* out, int index);
    virtual int BindVector(int index, CParamObject* source, int channel);
    virtual int SetVector(int index, const KEVector3& value);
    virtual CParamObject* GetObject(int index);
    virtual int BindObject(int index, CParamObject* source, int channel);
    virtual int SetObject(int index, CParamObject* value);
    // Prepares the object's data before the show; false stops loading.
    virtual bool Load() { return true; }

    // Whether parameter `index` of a kind is bound (for tests and tools).
    bool IsFloatBound(int index) const;

protected:
    template <class T>
    struct Bank {
        T values[kParams];
        CParamObject* sources[kParams];
        int32_t channels[kParams];
    };

    // The stored constants, for derived classes that answer an output channel from
    // their own parameters.
    Bank<const char*> m_strings;
    Bank<int32_t> m_ints;
    Bank<float> m_floats;
    Bank<KEVector3> m_vectors;
    Bank<CParamObject*> m_objects;

private:
    enum Kind { kStringKind, kIntKind, kFloatKind, kVectorKind, kObjectKind, kKindCount };
    class ReadGuard;

    // False (after one report per object) when index is outside 0..255.
    bool CheckIndex(int index, Kind kind);
    void ReportCycle(Kind kind, int index);

    // Bound reads in progress on this object. A bound read that comes back to a parameter
    // whose read is still running is a binding cycle: it answers the stored value instead
    // of recursing without end.
    bool m_reading[kKindCount][kParams];
    bool m_cycleReported = false;
    bool m_indexReported = false;
};

// A parameter object whose get operations answer some channels with computed values.
class CModifier : public CParamObject {};
