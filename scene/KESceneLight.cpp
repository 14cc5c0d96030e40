// Scene lights: colours interleaved by channel in the file (ambient, diffuse, specular of
// red, then of green, then of blue), two alphas, a scalar, then the light's path.
#include "KESceneLight.h"

#include "KESceneRead.h"

KESceneLight::KESceneLight(int32_t frames)
    : ambient{0.4f, 0.4f, 0.4f},
      diffuse{0.8f, 0.8f, 0.8f, 1.0f},
      specular{0.8f, 0.8f, 0.8f, 1.0f},
      m_track(new KETransformTrack(frames)) {}

bool KESceneLight::Load(FileReader* reader) {
    float colours[12];
    if (!scene_read::ReadFloats(reader, colours, 12, "light colours", &m_error)) return false;
    for (int c = 0; c < 3; ++c) {
        ambient[c] = colours[c * 3];
        diffuse[c] = colours[c * 3 + 1];
        specular[c] = colours[c * 3 + 2];
    }
    diffuse[3] = colours[9];
    specular[3] = colours[10];
    scalar = colours[11];
    if (!reader->ReadObject(m_track.get())) {
        m_error = "light path: " + m_track->GetError();
        return false;
    }
    return true;
}

bool KESceneLight::Save(FileWriter* writer) {
    float colours[12];
    for (int c = 0; c < 3; ++c) {
        colours[c * 3] = ambient[c];
        colours[c * 3 + 1] = diffuse[c];
        colours[c * 3 + 2] = specular[c];
    }
    colours[9] = diffuse[3];
    colours[10] = specular[3];
    colours[11] = scalar;
    if (!scene_read::WriteFloats(writer, colours, 12)) return false;
    if (!writer->WriteObject(m_track.get())) {
        m_error = "light path: " + m_track->GetError();
        return false;
    }
    return true;
}
