// Writes a scene through its own Save and proves the file by reading it back with
// KEScene::Load: every count, index and camera value must come back as written, and every
// position within the file's 16-bit quantisation of its bounds.
#include "Scenes.h"

#include <cmath>
#include <string>

namespace data {

namespace {

bool Same(const KEVector3& a, const KEVector3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

// Positions come back quantised to 1/65535 of each frame mesh's own range.
bool Near(const KEVector3& a, const KEVector3& b, const KEFrameMesh& frame) {
    const float slack = 1e-4f;
    const float tx = (frame.positionMax.x - frame.positionMin.x) / 65535.0f + slack;
    const float ty = (frame.positionMax.y - frame.positionMin.y) / 65535.0f + slack;
    const float tz = (frame.positionMax.z - frame.positionMin.z) / 65535.0f + slack;
    return std::fabs(a.x - b.x) <= tx && std::fabs(a.y - b.y) <= ty && std::fabs(a.z - b.z) <= tz;
}

bool SameTrack(KETransformTrack* written, KETransformTrack* read) {
    if (written == nullptr || read == nullptr) return written == read;
    if (written->Frames() != read->Frames() || written->GetKeyCount() != read->GetKeyCount()) return false;
    for (int32_t k = 0; k < written->GetKeyCount(); ++k) {
        const KEMatrix4& a = written->Keys()[static_cast<size_t>(k)];
        const KEMatrix4& b = read->Keys()[static_cast<size_t>(k)];
        for (int e = 0; e < 16; ++e) {
            if (a.m[e] != b.m[e]) return false;
        }
    }
    return true;
}

// Empty when the scenes agree, else what differs.
std::string Compare(KEScene* written, KEScene* read) {
    if (written->framesPerSecond != read->framesPerSecond) return "frame rate";
    if (written->GetFrameCount() != read->GetFrameCount()) return "frame count";
    for (size_t i = 0; i < written->cameraPositions.size(); ++i) {
        if (!Same(written->cameraPositions[i], read->cameraPositions[i]) ||
            !Same(written->cameraRotations[i], read->cameraRotations[i]) ||
            written->cameraFieldsOfView[i] != read->cameraFieldsOfView[i]) {
            return "camera record " + std::to_string(i);
        }
    }
    if (written->lights.size() != read->lights.size()) return "light count";
    for (size_t j = 0; j < written->lights.size(); ++j) {
        for (int c = 0; c < 4; ++c) {
            if (written->lights[j]->diffuse[c] != read->lights[j]->diffuse[c]) {
                return "colour of light " + std::to_string(j);
            }
        }
        if (!SameTrack(written->lights[j]->GetTrack(), read->lights[j]->GetTrack())) {
            return "track of light " + std::to_string(j);
        }
    }
    if (written->textureNames != read->textureNames) return "texture names";
    if (written->GetObjectCount() != read->GetObjectCount()) return "object count";
    for (int32_t o = 0; o < written->GetObjectCount(); ++o) {
        KESceneObject* a = written->GetObject(o);
        KESceneObject* b = read->GetObject(o);
        const std::string which = "object " + std::to_string(o) + ": ";
        if (a == nullptr || b == nullptr) return which + "missing";
        if (a->kind != b->kind || a->materialIndex != b->materialIndex || a->uvMode[0] != b->uvMode[0] ||
            a->uvMode[1] != b->uvMode[1] || a->vertexCount != b->vertexCount) {
            return which + "its header";
        }
        if (a->Triangles() != b->Triangles()) return which + "its triangles";
        if (a->FrameTable() != b->FrameTable()) return which + "its frame table";
        if (!SameTrack(a->GetTrack(), b->GetTrack())) return which + "its track";
        if (a->GetFrameMeshCount() != b->GetFrameMeshCount()) return which + "its frame-mesh count";
        for (int32_t f = 0; f < a->GetFrameMeshCount(); ++f) {
            KEFrameMesh* fa = a->GetFrameMesh(f);
            KEFrameMesh* fb = b->GetFrameMesh(f);
            if (fa == nullptr || fb == nullptr || fa->GetVertexCount() != fb->GetVertexCount()) {
                return which + "frame mesh " + std::to_string(f);
            }
            for (int32_t v = 0; v < fa->GetVertexCount(); ++v) {
                const size_t index = static_cast<size_t>(v);
                if (!Near(fa->Vertices()[index].position, fb->Vertices()[index].position, *fb)) {
                    return which + "vertex " + std::to_string(v) + " of frame mesh " + std::to_string(f);
                }
            }
        }
    }
    return std::string();
}

}  // namespace

bool WriteScene(KEScene* scene, const std::string& path, std::string* error) {
    FileWriter writer;
    if (!writer.Open(path.c_str())) {
        *error = "cannot create " + path;
        return false;
    }
    const bool saved = scene->Save(&writer);
    if (!writer.Close() || !saved) {
        *error = "cannot write " + path;
        return false;
    }

    FileReader reader;
    if (!reader.Open(path.c_str())) {
        *error = "cannot reopen " + path;
        return false;
    }
    KEScene check;
    const bool loaded = check.Load(&reader);
    reader.Close();
    if (!loaded) {
        *error = path + " does not load back: " + check.GetLoadError();
        return false;
    }
    const std::string difference = Compare(scene, &check);
    if (!difference.empty()) {
        *error = path + " does not read back as written (" + difference + ")";
        return false;
    }
    return true;
}

}  // namespace data
