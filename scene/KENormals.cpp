// The normals: a cached vertex-to-face table, face normals, and per-vertex means, with the
// normalisations done four at a time over arrays of components.
#include "KENormals.h"

#include <cstring>

namespace {

// Four floats at a time (SSE on x86, NEON on ARM, plain code elsewhere).
typedef float Float4 __attribute__((vector_size(16)));
typedef uint32_t Uint4 __attribute__((vector_size(16)));

// Normalize (the fast reciprocal square root and one Newton step) applied to n vectors
// held as three arrays: the same operations in the same order, so each result is exactly
// the one Normalize gives, four vectors at a time.
void NormalizeAll(float* x, float* y, float* z, size_t n) {
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        Float4 vx, vy, vz;
        std::memcpy(&vx, x + i, sizeof vx);
        std::memcpy(&vy, y + i, sizeof vy);
        std::memcpy(&vz, z + i, sizeof vz);
        const Float4 d = vx * vx + vy * vy + vz * vz;
        Uint4 bits;
        std::memcpy(&bits, &d, sizeof bits);
        bits = 0x5F3759DFu - (bits >> 1);
        Float4 r;
        std::memcpy(&r, &bits, sizeof r);
        const Float4 s = r * (1.5f - 0.5f * d * r * r);
        vx *= s;
        vy *= s;
        vz *= s;
        std::memcpy(x + i, &vx, sizeof vx);
        std::memcpy(y + i, &vy, sizeof vy);
        std::memcpy(z + i, &vz, sizeof vz);
    }
    for (; i < n; ++i) {
        KEVector3 v = {x[i], y[i], z[i]};
        Normalize(&v);
        x[i] = v.x;
        y[i] = v.y;
        z[i] = v.z;
    }
}

}  // namespace

void KENormals::BuildFaceTable(const std::vector<uint32_t>& triangles, size_t count) {
    m_faceCounts.assign(count, 0);
    m_vertexFaces.resize(count * kMaxFacesPerVertex);
    for (size_t t = 0; t + 2 < triangles.size(); t += 3) {
        const uint32_t a = triangles[t], b = triangles[t + 1], c = triangles[t + 2];
        if (a >= count || b >= count || c >= count) continue;
        for (const uint32_t v : {a, b, c}) {
            // Later faces of a vertex that already has its share are ignored.
            if (m_faceCounts[v] < kMaxFacesPerVertex)
                m_vertexFaces[v * kMaxFacesPerVertex + m_faceCounts[v]++] = static_cast<uint32_t>(t / 3);
        }
    }
    m_tableTriangles = triangles;
    m_tableVertices = count;
}

void KENormals::Compute(const std::vector<uint32_t>& triangles, std::vector<KESceneVertex>* out) {
    const size_t count = out->size();
    if (m_tableVertices != count || m_tableTriangles.size() != triangles.size() ||
        (!triangles.empty() &&
         std::memcmp(m_tableTriangles.data(), triangles.data(), triangles.size() * sizeof(uint32_t)) != 0)) {
        BuildFaceTable(triangles, count);
    }

    KESceneVertex* vertices = out->data();
    const size_t faceCount = triangles.size() / 3;
    m_faceNormals.Resize(faceCount);
    float* fx = m_faceNormals.x.data();
    float* fy = m_faceNormals.y.data();
    float* fz = m_faceNormals.z.data();
    for (size_t t = 0; t < faceCount; ++t) {
        const uint32_t a = triangles[3 * t], b = triangles[3 * t + 1], c = triangles[3 * t + 2];
        KEVector3 n = {0.0f, 0.0f, 0.0f};
        if (a < count && b < count && c < count) {  // other faces are in no vertex's list
            KEVector3 e0, e1;
            Subtract(vertices[a].position, vertices[b].position, &e0);
            Subtract(vertices[c].position, vertices[b].position, &e1);
            Cross(e0, e1, &n);
        }
        fx[t] = n.x;
        fy[t] = n.y;
        fz[t] = n.z;
    }
    NormalizeAll(fx, fy, fz, faceCount);

    // Each vertex: the mean of its faces' normals, summed in triangle order.
    m_vertexNormals.Resize(count);
    float* vx = m_vertexNormals.x.data();
    float* vy = m_vertexNormals.y.data();
    float* vz = m_vertexNormals.z.data();
    for (size_t v = 0; v < count; ++v) {
        const uint8_t faces = m_faceCounts[v];
        const uint32_t* list = &m_vertexFaces[v * kMaxFacesPerVertex];
        float sx = 0.0f, sy = 0.0f, sz = 0.0f;
        for (uint8_t f = 0; f < faces; ++f) {
            sx += fx[list[f]];
            sy += fy[list[f]];
            sz += fz[list[f]];
        }
        // A vertex no triangle uses stays (0, 0, 0): it is never drawn.
        const float scale = faces ? 1.0f / static_cast<float>(faces) : 0.0f;
        vx[v] = sx * scale;
        vy[v] = sy * scale;
        vz[v] = sz * scale;
    }
    NormalizeAll(vx, vy, vz, count);
    for (size_t v = 0; v < count; ++v) vertices[v].normal = {vx[v], vy[v], vz[v]};
}
