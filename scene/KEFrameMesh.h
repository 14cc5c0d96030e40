// One vertex set of a scene object: V vertices of the 40-byte scene-mesh layout, wrapped
// in an engine mesh whose one stream borrows the vertices and whose one draw call draws
// the owner's triangles. The owner's triangles are shared by all its frame meshes.
#pragma once

#include "KEMesh.h"
#include "KENormals.h"
#include "KESceneVertex.h"
#include "KLFile.h"

#include <cstdint>
#include <string>
#include <vector>

class KESceneObject;

class KEFrameMesh : public KL::Serializable {
public:
    // Faces a vertex's normal is averaged over; later faces of that vertex are ignored.
    static constexpr int kMaxFacesPerVertex = KENormals::kMaxFacesPerVertex;

    explicit KEFrameMesh(KESceneObject* owner = nullptr);

    // Record: V, the 14 bounds, V vertex records (ranged positions and the texture sets
    // this frame mesh stores). A V unlike the owner's, or more vertices than the file holds,
    // is refused. Then the normals, the stream and the draw call (Setup).
    bool Load(FileReader* reader) override;
    // Computes the bounds from the vertices, then writes the record against them.
    bool Save(FileWriter* writer) override;

    // Face normals (p0 - p1) x (p2 - p1), normalised with the fast reciprocal square root;
    // each vertex gets the normalised mean of its first 8 faces' normals in triangle order.
    // A vertex no triangle uses gets (0, 0, 0). The work is the owner's (KENormals),
    // shared by all its frame meshes.
    void ComputeNormals();

    // Points the mesh's stream at the vertices and makes its draw call over the owner's
    // triangles (again, if the vertices or triangles were replaced).
    void Setup();

    // Position in the owner's frame-mesh list (decides which texture sets it stores).
    void SetIndex(int32_t index) { m_index = index; }

    KEMesh& GetMesh() { return m_mesh; }
    std::vector<KESceneVertex>& Vertices() { return m_vertices; }
    const std::vector<KESceneVertex>& Vertices() const { return m_vertices; }
    int32_t GetVertexCount() const { return static_cast<int32_t>(m_vertices.size()); }
    KESceneObject* GetOwner() const { return m_owner; }
    void SetOwner(KESceneObject* owner) { m_owner = owner; }
    const std::string& GetError() const { return m_error; }

    // The bounds the file gave (Load) or the writer computed (Save).
    KEVector3 positionMin{}, positionMax{};
    KETexCoord uvMin[2] = {}, uvMax[2] = {};

private:
    // Keeps the bounds a record read or a writer computed (7 components each).
    void SetBounds(const float mins[7], const float maxs[7]);

    KEMesh m_mesh;
    KESceneObject* m_owner;
    int32_t m_index = 0;
    std::vector<KESceneVertex> m_vertices;
    std::string m_error;
};
