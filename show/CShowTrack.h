// A keyframe track of a show file: keys of (time, value), each with its way to the next
// key, read as a float or vector channel at the demo's time. Tracks are the show loader's
// own objects: modifiers that the catalog does not list, so its types and traces stay as
// they are. Float tracks answer float 0, vector tracks vector 0 ("value").
#pragma once

#include "CParamObject.h"

#include <cstdint>
#include <vector>

class CShowTrack : public CModifier {
public:
    // How a key's value goes over to the next key's.
    enum class Ease : uint8_t {
        Step,    // holds until the next key
        Linear,  // a straight line
        Smooth,  // eases in and out (3u^2 - 2u^3)
        Ramp,    // starts slow and speeds up (u^2)
    };

    struct Key {
        uint32_t time;  // ms of demo time
        KEVector3 value;  // a float track uses x
        Ease ease;
    };

    static constexpr int kValueChannel = 0;

    // Keys in rising time order (the show reader checks them).
    CShowTrack(bool vector, std::vector<Key> keys);

    float GetFloat(int index) override;
    KEVector3* GetVector(KEVector3* out, int index) override;

    // The value at demo time `time`: the first key's before it, the last key's after it.
    KEVector3 ValueAt(uint32_t time) const;
    bool IsVector() const { return m_vector; }

    // "step", "linear", "smooth", "ramp"; false for any other word.
    static bool EaseFromName(const char* name, Ease* ease);

private:
    bool m_vector;
    std::vector<Key> m_keys;
};
