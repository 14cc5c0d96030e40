// Scene objects: the mesh-object record and the checks that keep a bad file from pointing
// outside its tables.
#include "KESceneObject.h"

#include "KEScene.h"
#include "KESceneRead.h"

using scene_read::ReadCount;

namespace {

// The smallest frame-mesh record: its vertex count and 14 bounds.
constexpr int64_t kMinFrameMeshBytes = 60;

}  // namespace

KESceneObject::KESceneObject(KEScene* scene) : m_scene(scene) {}

KESceneObject::~KESceneObject() = default;

int32_t KESceneObject::SceneFrames() const { return m_scene ? m_scene->GetFrameCount() : 0; }

KEFrameMesh* KESceneObject::GetFrameMesh(int32_t index) const {
    return (index >= 0 && index < GetFrameMeshCount()) ? m_frameMeshes[static_cast<size_t>(index)].get() : nullptr;
}

KEFrameMesh* KESceneObject::AddFrameMesh() {
    m_frameMeshes.push_back(std::make_unique<KEFrameMesh>(this));
    m_frameMeshes.back()->SetIndex(GetFrameMeshCount() - 1);
    return m_frameMeshes.back().get();
}

void KESceneObject::SetMaterial(KEMaterial* material) {
    m_material = material;
    for (auto& mesh : m_frameMeshes) mesh->GetMesh().SetMaterial(material);
    if (m_morphMesh) m_morphMesh->GetMesh().SetMaterial(material);
}

bool KESceneObject::Load(FileReader* reader) {
    m_error.clear();
    int32_t header[6];
    for (int32_t& value : header) {
        if (!reader->ReadInt(&value)) {
            m_error = "the file ends inside an object's header";
            return false;
        }
    }
    materialIndex = header[0];
    kind = header[1];
    uvMode[0] = header[2];
    uvMode[1] = header[3];
    vertexCount = header[4];
    const int32_t textures = m_scene ? static_cast<int32_t>(m_scene->textureNames.size()) : 0;
    if (materialIndex < -1 || materialIndex >= textures) {
        m_error = "material " + std::to_string(materialIndex) + " with " + std::to_string(textures) + " texture names";
        return false;
    }
    for (int32_t mode : uvMode) {
        if (mode < UV_NONE || mode > UV_SHARED) {
            m_error = "texture-coordinate mode " + std::to_string(mode);
            return false;
        }
    }
    if (vertexCount < 0) {
        m_error = "negative vertex count (" + std::to_string(vertexCount) + ")";
        return false;
    }
    // The triangle count was read with the header; check it against the bytes left.
    const int32_t triangleCount = header[5];
    if (triangleCount < 0 || static_cast<int64_t>(triangleCount) * 12 > reader->BytesLeft()) {
        m_error = std::to_string(triangleCount) + " triangles do not fit in the " + std::to_string(reader->BytesLeft()) +
                  " bytes left";
        return false;
    }
    std::vector<uint32_t> triangles(static_cast<size_t>(triangleCount) * 3);
    for (size_t i = 0; i < triangles.size(); ++i) {
        int32_t index = 0;
        if (!reader->ReadInt(&index)) {
            m_error = "the file ends inside the triangles";
            return false;
        }
        if (index < 0 || index >= vertexCount) {
            m_error = "triangle " + std::to_string(i / 3) + " names vertex " + std::to_string(index) + " of " +
                      std::to_string(vertexCount);
            return false;
        }
        triangles[i] = static_cast<uint32_t>(index);
    }
    m_triangles = std::move(triangles);

    const int32_t frames = SceneFrames();
    if (kind != KIND_STATIC) {
        m_track = std::make_unique<KETransformTrack>(0);
        if (!reader->ReadObject(m_track.get())) {
            m_error = "object path: " + m_track->GetError();
            return false;
        }
    }
    int32_t meshes = 0;
    if (!ReadCount(reader, kMinFrameMeshBytes, "frame meshes", &meshes, &m_error)) return false;
    m_frameMeshes.clear();
    for (int32_t j = 0; j < meshes; ++j) {
        KEFrameMesh* mesh = AddFrameMesh();
        if (!reader->ReadObject(mesh)) {
            m_error = "frame mesh " + std::to_string(j) + ": " + mesh->GetError();
            return false;
        }
    }
    m_frameTable.clear();
    if (kind != KIND_STATIC && kind != KIND_RIGID) {
        if (static_cast<int64_t>(frames) * 4 > reader->BytesLeft()) {
            m_error = "the file ends before the object's frame table";
            return false;
        }
        m_frameTable.resize(static_cast<size_t>(frames));
        for (int32_t& mesh : m_frameTable) {
            if (!reader->ReadInt(&mesh)) {
                m_error = "the file ends inside the object's frame table";
                return false;
            }
            if (mesh < 0 || mesh >= meshes) {
                m_error = "a frame shows frame mesh " + std::to_string(mesh) + " of " + std::to_string(meshes);
                return false;
            }
        }
    }
    return true;
}

bool KESceneObject::Save(FileWriter* writer) {
    m_error.clear();
    const int32_t frames = SceneFrames();
    const bool hasTable = kind != KIND_STATIC && kind != KIND_RIGID;
    if (kind != KIND_STATIC && !m_track) {
        m_error = "an animated object without a track";
        return false;
    }
    if (hasTable && static_cast<int32_t>(m_frameTable.size()) != frames) {
        m_error = "a frame table of " + std::to_string(m_frameTable.size()) + " entries in a scene of " +
                  std::to_string(frames) + " frames";
        return false;
    }
    bool ok = writer->WriteInt(materialIndex) && writer->WriteInt(kind) && writer->WriteInt(uvMode[0]) &&
              writer->WriteInt(uvMode[1]) && writer->WriteInt(vertexCount) && writer->WriteInt(GetTriangleCount());
    for (size_t i = 0; ok && i < static_cast<size_t>(GetTriangleCount()) * 3; ++i)
        ok = writer->WriteInt(static_cast<int32_t>(m_triangles[i]));
    if (ok && kind != KIND_STATIC && !writer->WriteObject(m_track.get())) {
        m_error = "object path: " + m_track->GetError();
        return false;
    }
    ok = ok && writer->WriteInt(GetFrameMeshCount());
    for (int32_t j = 0; ok && j < GetFrameMeshCount(); ++j) {
        m_frameMeshes[static_cast<size_t>(j)]->SetIndex(j);
        ok = writer->WriteObject(m_frameMeshes[static_cast<size_t>(j)].get());
    }
    for (size_t i = 0; ok && hasTable && i < m_frameTable.size(); ++i) ok = writer->WriteInt(m_frameTable[i]);
    if (!ok && m_error.empty()) m_error = "write error";
    return ok;
}
