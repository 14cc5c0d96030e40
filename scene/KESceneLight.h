// A light of a scene: its colours as exported and its path. The scene player uses the
// diffuse colour and the path's translation; the rest is kept and written back.
#pragma once

#include "KETransformTrack.h"
#include "KLFile.h"

#include <memory>
#include <string>

class KESceneLight : public KL::Serializable {
public:
    // A new light: ambient 0.4, diffuse and specular 0.8 with alpha 1, scalar 1, and a
    // track of `frames` entries (the scene's frame count) until its record is read.
    explicit KESceneLight(int32_t frames = 0);

    bool Load(FileReader* reader) override;
    bool Save(FileWriter* writer) override;

    float ambient[3];
    float diffuse[4];
    float specular[4];
    float scalar = 1.0f;

    KETransformTrack* GetTrack() const { return m_track.get(); }
    const std::string& GetError() const { return m_error; }

private:
    std::unique_ptr<KETransformTrack> m_track;
    std::string m_error;
};
