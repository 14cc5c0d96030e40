#include "CShowTrack.h"

#include "CEffect.h"

#include <cstring>
#include <utility>

CShowTrack::CShowTrack(bool vector, std::vector<Key> keys) : m_vector(vector), m_keys(std::move(keys)) {}

float CShowTrack::GetFloat(int index) {
    if (index == kValueChannel && !m_vector) return ValueAt(CEffect::GetDemoTime()).x;
    return CParamObject::GetFloat(index);
}

KEVector3* CShowTrack::GetVector(KEVector3* out, int index) {
    if (index == kValueChannel && m_vector) {
        *out = ValueAt(CEffect::GetDemoTime());
        return out;
    }
    return CParamObject::GetVector(out, index);
}

KEVector3 CShowTrack::ValueAt(uint32_t time) const {
    if (m_keys.empty()) return KEVector3{0.0f, 0.0f, 0.0f};
    if (time <= m_keys.front().time) return m_keys.front().value;
    if (time >= m_keys.back().time) return m_keys.back().value;
    // The last key at or before `time`; the one after it exists and is later.
    size_t low = 0, high = m_keys.size() - 1;
    while (high - low > 1) {
        const size_t middle = (low + high) / 2;
        (m_keys[middle].time <= time ? low : high) = middle;
    }
    const Key& from = m_keys[low];
    const Key& to = m_keys[high];
    double u = double(time - from.time) / double(to.time - from.time);
    switch (from.ease) {
    case Ease::Step: return from.value;
    case Ease::Linear: break;
    case Ease::Smooth: u = u * u * (3.0 - 2.0 * u); break;
    case Ease::Ramp: u = u * u; break;
    }
    auto mix = [u](float a, float b) { return static_cast<float>(a + (double(b) - a) * u); };
    return KEVector3{mix(from.value.x, to.value.x), mix(from.value.y, to.value.y), mix(from.value.z, to.value.z)};
}

bool CShowTrack::EaseFromName(const char* name, Ease* ease) {
    static const std::pair<const char*, Ease> kNames[] = {
        {"step", Ease::Step}, {"linear", Ease::Linear}, {"smooth", Ease::Smooth}, {"ramp", Ease::Ramp}};
    for (const auto& [word, value] : kNames) {
        if (name && std::strcmp(word, name) == 0) {
            *ease = value;
            return true;
        }
    }
    return false;
}
