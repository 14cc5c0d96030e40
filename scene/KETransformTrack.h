// A sampled path of 4x4 matrices: F frame entries, each naming one of K key matrices.
// Evaluate interpolates element-wise between neighbouring frames; times at or past the
// last frame hold the last pose.
#pragma once

#include "KEMath.h"
#include "KLFile.h"

#include <cstdint>
#include <string>
#include <vector>

class KETransformTrack : public KL::Serializable {
public:
    // A track of `frames` entries, each naming key 0, and as many identity keys.
    explicit KETransformTrack(int32_t frames = 0);

    // Record: F, F key indices, K, K matrices of 16 floats (column-major). A track without
    // frame entries, or with a key index outside 0..K-1, is refused.
    bool Load(FileReader* reader) override;
    bool Save(FileWriter* writer) override;

    // The matrix at time t in frames: a key matrix itself, or the track's result matrix
    // (valid until the next Evaluate). Negative times count as 0.
    const KEMatrix4& Evaluate(float t);

    int32_t GetFrameCount() const { return static_cast<int32_t>(m_frames.size()); }
    int32_t GetKeyCount() const { return static_cast<int32_t>(m_keys.size()); }
    // For writers: the key of each frame and the key matrices. Keys must exist for every
    // frame's index when saved.
    std::vector<int32_t>& Frames() { return m_frames; }
    std::vector<KEMatrix4>& Keys() { return m_keys; }

    // Why the last Load failed (empty after a good one).
    const std::string& GetError() const { return m_error; }

private:
    // The key matrix of a frame entry (the identity for a key that does not exist).
    const KEMatrix4& Key(int32_t frame) const;

    std::vector<KEMatrix4> m_keys;
    std::vector<int32_t> m_frames;
    KEMatrix4 m_result{};
    std::string m_error;
};
