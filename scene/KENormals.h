// Smooth vertex normals of a scene object's vertex sets. Face normals are (p0 - p1) x
// (p2 - p1), normalised with the fast reciprocal square root; each vertex gets the
// normalised mean of its first kMaxFacesPerVertex faces' normals in triangle order.
//
// Which faces a vertex takes depends only on the triangles, which all frame meshes of an
// object share: one table per object, rebuilt only when the triangles (or the vertex
// count) differ from those it was made from. The scratch arrays are kept between calls,
// so a model that recomputes its normals every frame allocates nothing.
#pragma once

#include "KESceneVertex.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class KENormals {
public:
    static constexpr int kMaxFacesPerVertex = 8;

    // Recomputes the normal of every vertex from `triangles` (3 indices a triangle).
    // Triangles naming a vertex past the end are ignored; a vertex no triangle uses gets
    // (0, 0, 0).
    void Compute(const std::vector<uint32_t>& triangles, std::vector<KESceneVertex>* vertices);

private:
    void BuildFaceTable(const std::vector<uint32_t>& triangles, size_t vertexCount);

    struct Components {
        std::vector<float> x, y, z;
        void Resize(size_t n) {
            x.resize(n);
            y.resize(n);
            z.resize(n);
        }
    };

    // Each vertex's faces (kMaxFacesPerVertex slots a vertex) and how many it has, with
    // the triangles and vertex count the table was built from.
    std::vector<uint32_t> m_vertexFaces;
    std::vector<uint8_t> m_faceCounts;
    std::vector<uint32_t> m_tableTriangles;
    size_t m_tableVertices = ~size_t(0);
    // One array per component, so that they can be normalised four at a time.
    Components m_faceNormals;
    Components m_vertexNormals;
};
