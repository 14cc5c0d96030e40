// Frame meshes: the vertex record (positions and texture coordinates quantised to 16 bits
// within per-mesh bounds), smooth normals from the owner's triangles, and the engine mesh
// that draws them.
#include "KEFrameMesh.h"

#include "KESceneObject.h"
#include "KESceneRead.h"
#include "KEVertexLayouts.h"

#include <algorithm>
#include <cstring>

namespace {

// Which texture sets frame mesh `index` of an object stores: mode 1 in every frame mesh,
// mode 2 only in the first (the others share its coordinates).
bool StoresSet(int32_t mode, int32_t index) {
    return mode == KESceneObject::UV_PER_FRAME || (mode == KESceneObject::UV_SHARED && index == 0);
}

float* Component(KESceneVertex& v, int c) {
    // 0-2 position, 3-4 set 0, 5-6 set 1.
    if (c < 3) return &v.position.x + c;
    if (c < 5) return &v.uv0.u + (c - 3);
    return &v.uv1.u + (c - 5);
}

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

KEFrameMesh::KEFrameMesh(KESceneObject* owner) : m_owner(owner) {}

bool KEFrameMesh::Load(FileReader* reader) {
    m_error.clear();
    const int32_t modes[2] = {m_owner ? m_owner->uvMode[0] : 0, m_owner ? m_owner->uvMode[1] : 0};
    const bool stores[2] = {StoresSet(modes[0], m_index), StoresSet(modes[1], m_index)};
    const int64_t recordBytes = 6 + (stores[0] ? 4 : 0) + (stores[1] ? 4 : 0);

    int32_t count = 0;
    if (!scene_read::ReadCount(reader, recordBytes, "vertices", &count, &m_error)) return false;
    if (m_owner && count != m_owner->vertexCount) {
        m_error = "a frame mesh of " + std::to_string(count) + " vertices in an object of " +
                  std::to_string(m_owner->vertexCount);
        return false;
    }
    float bounds[14];
    if (!scene_read::ReadFloats(reader, bounds, 14, "frame mesh bounds", &m_error)) return false;
    positionMin = {bounds[0], bounds[1], bounds[2]};
    positionMax = {bounds[3], bounds[4], bounds[5]};
    uvMin[0] = {bounds[6], bounds[7]};
    uvMax[0] = {bounds[8], bounds[9]};
    uvMin[1] = {bounds[10], bounds[11]};
    uvMax[1] = {bounds[12], bounds[13]};

    const float mins[7] = {bounds[0], bounds[1], bounds[2], bounds[6], bounds[7], bounds[10], bounds[11]};
    const float maxs[7] = {bounds[3], bounds[4], bounds[5], bounds[8], bounds[9], bounds[12], bounds[13]};
    std::vector<KESceneVertex> vertices(static_cast<size_t>(count), KESceneVertex{});
    // Coordinates of a shared set come from the first frame mesh, vertex by vertex.
    const KEFrameMesh* first = (m_owner && m_index > 0) ? m_owner->GetFrameMesh(0) : nullptr;
    for (int32_t i = 0; i < count; ++i) {
        KESceneVertex& v = vertices[static_cast<size_t>(i)];
        for (int c = 0; c < 7; ++c) {
            const int set = c < 3 ? -1 : (c < 5 ? 0 : 1);
            if (set >= 0 && !stores[set]) continue;
            if (!reader->ReadRanged(Component(v, c), mins[c], maxs[c])) {
                m_error = "the file ends inside vertex " + std::to_string(i) + " of a frame mesh";
                return false;
            }
        }
        for (int set = 0; set < 2; ++set) {
            if (modes[set] == KESceneObject::UV_SHARED && m_index > 0 && first &&
                i < first->GetVertexCount()) {
                (set == 0 ? v.uv0 : v.uv1) = set == 0 ? first->m_vertices[static_cast<size_t>(i)].uv0
                                                      : first->m_vertices[static_cast<size_t>(i)].uv1;
            }
        }
    }
    m_vertices = std::move(vertices);
    ComputeNormals();
    Setup();
    return true;
}

bool KEFrameMesh::Save(FileWriter* writer) {
    const int32_t modes[2] = {m_owner ? m_owner->uvMode[0] : 0, m_owner ? m_owner->uvMode[1] : 0};
    const bool stores[2] = {StoresSet(modes[0], m_index), StoresSet(modes[1], m_index)};
    float mins[7] = {}, maxs[7] = {};
    for (size_t i = 0; i < m_vertices.size(); ++i) {
        for (int c = 0; c < 7; ++c) {
            const float value = *Component(m_vertices[i], c);
            mins[c] = i == 0 ? value : std::min(mins[c], value);
            maxs[c] = i == 0 ? value : std::max(maxs[c], value);
        }
    }
    positionMin = {mins[0], mins[1], mins[2]};
    positionMax = {maxs[0], maxs[1], maxs[2]};
    uvMin[0] = {mins[3], mins[4]};
    uvMax[0] = {maxs[3], maxs[4]};
    uvMin[1] = {mins[5], mins[6]};
    uvMax[1] = {maxs[5], maxs[6]};
    const float bounds[14] = {mins[0], mins[1], mins[2], maxs[0], maxs[1], maxs[2], mins[3],
                              mins[4], maxs[3], maxs[4], mins[5], mins[6], maxs[5], maxs[6]};

    bool ok = writer->WriteInt(GetVertexCount()) && scene_read::WriteFloats(writer, bounds, 14);
    for (KESceneVertex& v : m_vertices) {
        for (int c = 0; c < 7 && ok; ++c) {
            const int set = c < 3 ? -1 : (c < 5 ? 0 : 1);
            if (set >= 0 && !stores[set]) continue;
            ok = writer->WriteRanged(*Component(v, c), mins[c], maxs[c]);
        }
    }
    return ok;
}

void KEFrameMesh::BuildFaceTable(const std::vector<uint32_t>& triangles) {
    const size_t count = m_vertices.size();
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

void KEFrameMesh::ComputeNormals() {
    const size_t count = m_vertices.size();
    static const std::vector<uint32_t> kNoTriangles;
    const std::vector<uint32_t>& triangles = m_owner ? m_owner->Triangles() : kNoTriangles;
    // The vertex-to-face table depends only on the triangles, which seldom change: it is
    // rebuilt when they (or the vertex count) differ from the ones it was built from.
    if (m_tableVertices != count || m_tableTriangles.size() != triangles.size() ||
        (!triangles.empty() &&
         std::memcmp(m_tableTriangles.data(), triangles.data(), triangles.size() * sizeof(uint32_t)) != 0)) {
        BuildFaceTable(triangles);
    }

    // Face normals (p0 - p1) x (p2 - p1), one array per component so that they can be
    // normalised four at a time.
    KESceneVertex* vertices = m_vertices.data();
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

void KEFrameMesh::Setup() {
    if (m_mesh.GetStreamCount() == 0) m_mesh.AddStream(new KEVertexLitTextured());
    KEVertex* stream = m_mesh.GetStream(0);
    stream->SetData(m_vertices.data(), GetVertexCount(), KE_STORAGE_SYSTEM);
    stream->SetDirty(true);
    m_mesh.ClearDrawCalls();
    if (!m_owner) return;
    const std::vector<uint32_t>& triangles = m_owner->Triangles();
    // Indices past this set's vertices would make the GL read outside them.
    const uint32_t count = static_cast<uint32_t>(m_vertices.size());
    if (std::any_of(triangles.begin(), triangles.end(), [count](uint32_t i) { return i >= count; })) return;
    KEDrawCall call;
    call.primitive = GL_TRIANGLES;
    call.stream = stream;
    call.indices = triangles.data();
    call.count = static_cast<int32_t>(triangles.size() / 3 * 3);
    m_mesh.AddDrawCall(call);
}
