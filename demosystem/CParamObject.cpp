// Parameter banks, bindings and their lazy evaluation. Every read follows the binding
// chain anew; a chain that loops back on a parameter still being read is cut there.
#include "CParamObject.h"

#include "KLLog.h"

namespace {

const char* const kKindNames[] = {"string", "integer", "float", "vector", "object"};

template <class T>
void ClearBank(T* values, CParamObject** sources, int32_t* channels, const T& zero) {
    for (int i = 0; i < CParamObject::kParams; ++i) {
        values[i] = zero;
        sources[i] = nullptr;
        channels[i] = 0;
    }
}

}  // namespace

// Marks one bound read as running for its lifetime; `entered` is false when the same
// parameter is already being read further up the stack (a binding cycle).
class CParamObject::ReadGuard {
public:
    ReadGuard(CParamObject* object, Kind kind, int index)
        : m_flag(object->m_reading[kind][index]), entered(!m_flag) {
        if (entered) {
            m_flag = true;
        } else {
            object->ReportCycle(kind, index);
        }
    }
    ~ReadGuard() {
        if (entered) m_flag = false;
    }
    ReadGuard(const ReadGuard&) = delete;
    ReadGuard& operator=(const ReadGuard&) = delete;

private:
    bool& m_flag;

public:
    const bool entered;
};

CParamObject::CParamObject() {
    ClearBank<const char*>(m_strings.values, m_strings.sources, m_strings.channels, nullptr);
    ClearBank<int32_t>(m_ints.values, m_ints.sources, m_ints.channels, 0);
    ClearBank<float>(m_floats.values, m_floats.sources, m_floats.channels, 0.0f);
    ClearBank<KEVector3>(m_vectors.values, m_vectors.sources, m_vectors.channels, KEVector3{0.0f, 0.0f, 0.0f});
    ClearBank<CParamObject*>(m_objects.values, m_objects.sources, m_objects.channels, nullptr);
    for (auto& kind : m_reading) {
        for (bool& reading : kind) reading = false;
    }
}

bool CParamObject::CheckIndex(int index, Kind kind) {
    if (index >= 0 && index < kParams) return true;
    // A bad channel in a binding would repeat every frame: one box per object is enough.
    if (!m_indexReported) {
        m_indexReported = true;
        LogError("Parameter index %d out of range (0..255) for a %s parameter: ignored, read as zero", index,
                 kKindNames[kind]);
    }
    return false;
}

void CParamObject::ReportCycle(Kind kind, int index) {
    // A cycle is hit on every read, every frame: report it once and stay quiet afterwards.
    if (m_cycleReported) return;
    m_cycleReported = true;
    LogError("Binding cycle: %s parameter %d is bound back to itself through its sources; its stored value is used",
             kKindNames[kind], index);
}

bool CParamObject::IsFloatBound(int index) const {
    return index >= 0 && index < kParams && m_floats.sources[index] != nullptr;
}

// ---- float ----

float CParamObject::GetFloat(int index) {
    if (!CheckIndex(index, kFloatKind)) return 0.0f;
    CParamObject* source = m_floats.sources[index];
    if (!source) return m_floats.values[index];
    ReadGuard guard(this, kFloatKind, index);
    if (!guard.entered) return m_floats.values[index];
    return source->GetFloat(m_floats.channels[index]);
}

int CParamObject::BindFloat(int index, CParamObject* source, int channel) {
    if (CheckIndex(index, kFloatKind)) {
        m_floats.sources[index] = source;
        m_floats.channels[index] = channel;
    }
    return index;
}

int CParamObject::SetFloat(int index, float value) {
    if (CheckIndex(index, kFloatKind)) {
        m_floats.values[index] = value;
        m_floats.sources[index] = nullptr;
    }
    return index;
}

// ---- string ----

const char* CParamObject::GetString(int index) {
    if (!CheckIndex(index, kStringKind)) return nullptr;
    CParamObject* source = m_strings.sources[index];
    if (!source) return m_strings.values[index];
    ReadGuard guard(this, kStringKind, index);
    if (!guard.entered) return m_strings.values[index];
    return source->GetString(m_strings.channels[index]);
}

int CParamObject::BindString(int index, CParamObject* source, int channel) {
    if (CheckIndex(index, kStringKind)) {
        m_strings.sources[index] = source;
        m_strings.channels[index] = channel;
    }
    return index;
}

int CParamObject::SetString(int index, const char* value) {
    if (CheckIndex(index, kStringKind)) {
        m_strings.values[index] = value;
        m_strings.sources[index] = nullptr;
    }
    return index;
}

// ---- integer ----

int32_t CParamObject::GetInt(int index) {
    if (!CheckIndex(index, kIntKind)) return 0;
    CParamObject* source = m_ints.sources[index];
    if (!source) return m_ints.values[index];
    ReadGuard guard(this, kIntKind, index);
    if (!guard.entered) return m_ints.values[index];
    return source->GetInt(m_ints.channels[index]);
}

int CParamObject::BindInt(int index, CParamObject* source, int channel) {
    if (CheckIndex(index, kIntKind)) {
        m_ints.sources[index] = source;
        m_ints.channels[index] = channel;
    }
    return index;
}

int CParamObject::SetInt(int index, int32_t value) {
    if (CheckIndex(index, kIntKind)) {
        m_ints.values[index] = value;
        m_ints.sources[index] = nullptr;
    }
    return index;
}

// ---- vector ----

KEVector3* CParamObject::GetVector(KEVector3* out, int index) {
    if (!out) return nullptr;
    if (!CheckIndex(index, kVectorKind)) {
        *out = KEVector3{0.0f, 0.0f, 0.0f};
        return out;
    }
    CParamObject* source = m_vectors.sources[index];
    if (source) {
        ReadGuard guard(this, kVectorKind, index);
        if (guard.entered) return source->GetVector(out, m_vectors.channels[index]);
    }
    *out = m_vectors.values[index];
    return out;
}

int CParamObject::BindVector(int index, CParamObject* source, int channel) {
    if (CheckIndex(index, kVectorKind)) {
        m_vectors.sources[index] = source;
        m_vectors.channels[index] = channel;
    }
    return index;
}

int CParamObject::SetVector(int index, const KEVector3& value) {
    if (CheckIndex(index, kVectorKind)) {
        m_vectors.values[index] = value;
        m_vectors.sources[index] = nullptr;
    }
    return index;
}

// ---- object ----

CParamObject* CParamObject::GetObject(int index) {
    if (!CheckIndex(index, kObjectKind)) return nullptr;
    CParamObject* source = m_objects.sources[index];
    if (!source) return m_objects.values[index];
    ReadGuard guard(this, kObjectKind, index);
    if (!guard.entered) return m_objects.values[index];
    return source->GetObject(m_objects.channels[index]);
}

int CParamObject::BindObject(int index, CParamObject* source, int channel) {
    if (CheckIndex(index, kObjectKind)) {
        m_objects.sources[index] = source;
        m_objects.channels[index] = channel;
    }
    return index;
}

int CParamObject::SetObject(int index, CParamObject* value) {
    if (CheckIndex(index, kObjectKind)) {
        m_objects.values[index] = value;
        m_objects.sources[index] = nullptr;
    }
    return index;
}
