// A mesh object of a scene: triangles shared by its vertex sets (frame meshes), and how it
// moves: static, rigid along a transform track, or morphing between frame meshes. Draw
// submits it to the engine's render queue at a time in frames.
#pragma once

#include "KEFrameMesh.h"
#include "KETransformTrack.h"
#include "KLFile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class KEMaterial;
class KEScene;

class KESceneObject : public KL::Serializable {
public:
    enum Kind : int32_t { KIND_STATIC = 2, KIND_RIGID = 3, KIND_MORPH = 4 };
    enum UVMode : int32_t { UV_NONE = 0, UV_PER_FRAME = 1, UV_SHARED = 2 };

    explicit KESceneObject(KEScene* scene = nullptr);
    ~KESceneObject() override;

    // Record of the scene format. Refused: negative or oversized counts, a material index
    // that is neither -1 nor a texture name's, texture modes other than 0..2, triangle
    // indices not below V, frame-table entries not naming a frame mesh, frame meshes whose
    // vertex count is not V.
    bool Load(FileReader* reader) override;
    bool Save(FileWriter* writer) override;

    // Submits the object at time t (frames): static at the origin, rigid by its track,
    // morphing between frame meshes (the morph state carries over from call to call).
    // Other kinds, and objects without frame meshes, draw nothing.
    void Draw(float t);

    // Builds a frame mesh owned by this object (writers, and the morph mesh).
    KEFrameMesh* AddFrameMesh();

    int32_t materialIndex = -1;
    int32_t kind = 6;  // a new object draws nothing until it is given a kind
    int32_t uvMode[2] = {UV_NONE, UV_NONE};
    int32_t vertexCount = 0;

    std::vector<uint32_t>& Triangles() { return m_triangles; }  // 3 indices a triangle
    int32_t GetTriangleCount() const { return static_cast<int32_t>(m_triangles.size() / 3); }
    int32_t GetFrameMeshCount() const { return static_cast<int32_t>(m_frameMeshes.size()); }
    KEFrameMesh* GetFrameMesh(int32_t index) const;
    // The frame mesh of each scene frame (morphing and other animated kinds).
    std::vector<int32_t>& FrameTable() { return m_frameTable; }
    // Present unless the kind is static; writers make one with SetTrack.
    KETransformTrack* GetTrack() const { return m_track.get(); }
    void SetTrack(std::unique_ptr<KETransformTrack> track) { m_track = std::move(track); }
    KEScene* GetScene() const { return m_scene; }
    void SetScene(KEScene* scene) { m_scene = scene; }

    // The normal computation every frame mesh of the object shares (one face table).
    KENormals& GetNormals() { return m_normals; }

    // The material LoadFile gave the object (and its frame meshes).
    void SetMaterial(KEMaterial* material);
    KEMaterial* GetMaterial() const { return m_material; }

    // Morph state, for tests: the frame mesh last shown and the one interpolated towards.
    int32_t GetCurrentKey() const { return m_currentKey; }
    int32_t GetNextKey() const { return m_nextKey; }
    KEFrameMesh* GetMorphMesh() const { return m_morphMesh.get(); }

    const std::string& GetError() const { return m_error; }

private:
    void Morph(float t);
    // Frames of the scene (its header's N).
    int32_t SceneFrames() const;

    KEScene* m_scene;
    std::unique_ptr<KETransformTrack> m_track;
    std::vector<std::unique_ptr<KEFrameMesh>> m_frameMeshes;
    std::vector<int32_t> m_frameTable;
    std::vector<uint32_t> m_triangles;
    KENormals m_normals;
    KEMaterial* m_material = nullptr;  // owned by the scene

    std::vector<KESceneVertex> m_morphDelta;
    std::unique_ptr<KEFrameMesh> m_morphMesh;  // its vertices are the morph result
    int32_t m_currentKey = -1;
    int32_t m_nextKey = -1;
    std::string m_error;
};
