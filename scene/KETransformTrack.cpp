// Transform tracks: the record (frame table, then key matrices) and the element-wise
// interpolation between the keys of neighbouring frames.
#include "KETransformTrack.h"

#include "KESceneRead.h"

using scene_read::ReadCount;

KETransformTrack::KETransformTrack(int32_t frames) {
    if (frames < 0) frames = 0;
    KEMatrix4 identity;
    SetIdentity(&identity);
    m_frames.assign(static_cast<size_t>(frames), 0);
    m_keys.assign(static_cast<size_t>(frames), identity);
    SetIdentity(&m_result);
}

bool KETransformTrack::Load(FileReader* reader) {
    m_error.clear();
    int32_t frames = 0;
    if (!ReadCount(reader, 4, "track frames", &frames, &m_error)) return false;
    if (frames == 0) {
        m_error = "a track without frames";
        return false;
    }
    std::vector<int32_t> table(static_cast<size_t>(frames));
    for (int32_t& key : table) {
        if (!reader->ReadInt(&key)) {
            m_error = "the file ends inside a track's frame table";
            return false;
        }
    }
    int32_t keys = 0;
    if (!ReadCount(reader, 64, "track keys", &keys, &m_error)) return false;
    for (int32_t key : table) {
        if (key < 0 || key >= keys) {
            m_error = "a track frame names key " + std::to_string(key) + " of " + std::to_string(keys);
            return false;
        }
    }
    std::vector<KEMatrix4> matrices(static_cast<size_t>(keys));
    for (KEMatrix4& m : matrices) {
        if (!scene_read::ReadFloats(reader, m.m, 16, "track keys", &m_error)) return false;
    }
    m_frames = std::move(table);
    m_keys = std::move(matrices);
    return true;
}

const KEMatrix4& KETransformTrack::Key(int32_t frame) const {
    static const KEMatrix4 kIdentity = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
    const int32_t key = m_frames[static_cast<size_t>(frame)];
    // Loaded tracks are checked; a track filled in code may still name a missing key.
    return (key >= 0 && static_cast<size_t>(key) < m_keys.size()) ? m_keys[static_cast<size_t>(key)] : kIdentity;
}

bool KETransformTrack::Save(FileWriter* writer) {
    m_error.clear();
    for (int32_t key : m_frames) {
        if (key < 0 || static_cast<size_t>(key) >= m_keys.size()) {
            m_error = "a track frame names key " + std::to_string(key) + ", which does not exist";
            return false;
        }
    }
    if (m_frames.empty()) {
        m_error = "a track without frames";
        return false;
    }
    bool ok = writer->WriteInt(static_cast<int32_t>(m_frames.size()));
    for (int32_t key : m_frames) ok = ok && writer->WriteInt(key);
    ok = ok && writer->WriteInt(static_cast<int32_t>(m_keys.size()));
    for (const KEMatrix4& m : m_keys) ok = ok && scene_read::WriteFloats(writer, m.m, 16);
    return ok;
}

const KEMatrix4& KETransformTrack::Evaluate(float t) {
    const int32_t frames = static_cast<int32_t>(m_frames.size());
    if (frames == 0 || m_keys.empty()) return m_result;  // a track that was never filled: identity
    if (!(t > 0.0f)) t = 0.0f;
    // Past the last frame the last pose holds; compared before the conversion so that huge
    // times cannot overflow it.
    if (t >= static_cast<float>(frames - 1)) return Key(frames - 1);
    const int32_t i = static_cast<int32_t>(t);
    const float f = t - static_cast<float>(i);
    const KEMatrix4& a = Key(i);
    const KEMatrix4& b = Key(i + 1);
    for (int e = 0; e < 16; ++e) m_result.m[e] = f * b.m[e] + (1.0f - f) * a.m[e];
    return m_result;
}
