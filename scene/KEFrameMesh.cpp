// Frame meshes: the vertex record (positions and texture coordinates quantised to 16 bits
// within per-mesh bounds), smooth normals from the owner's triangles, and the engine mesh
// that draws them.
#include "KEFrameMesh.h"

#include "KESceneObject.h"
#include "KESceneRead.h"
#include "KEVertexLayouts.h"

#include <algorithm>

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

void KEFrameMesh::ComputeNormals() {
    const size_t count = m_vertices.size();
    m_normalSums.assign(count, KEVector3{0.0f, 0.0f, 0.0f});
    m_faceCounts.assign(count, 0);
    if (m_owner) {
        const std::vector<uint32_t>& triangles = m_owner->Triangles();
        // Each face is added to its vertices in triangle order, up to kMaxFacesPerVertex
        // faces a vertex: the same sums as a per-vertex table of its first faces.
        for (size_t t = 0; t + 2 < triangles.size(); t += 3) {
            const uint32_t a = triangles[t], b = triangles[t + 1], c = triangles[t + 2];
            if (a >= count || b >= count || c >= count) continue;
            KEVector3 e0, e1, n;
            Subtract(m_vertices[a].position, m_vertices[b].position, &e0);
            Subtract(m_vertices[c].position, m_vertices[b].position, &e1);
            Cross(e0, e1, &n);
            Normalize(&n);
            for (uint32_t v : {a, b, c}) {
                if (m_faceCounts[v] >= kMaxFacesPerVertex) continue;
                ++m_faceCounts[v];
                m_normalSums[v].x += n.x;
                m_normalSums[v].y += n.y;
                m_normalSums[v].z += n.z;
            }
        }
    }
    for (size_t v = 0; v < count; ++v) {
        KEVector3& normal = m_vertices[v].normal;
        if (m_faceCounts[v] == 0) {
            normal = {0.0f, 0.0f, 0.0f};  // used by no triangle, so never drawn
            continue;
        }
        const float scale = 1.0f / static_cast<float>(m_faceCounts[v]);
        normal = {m_normalSums[v].x * scale, m_normalSums[v].y * scale, m_normalSums[v].z * scale};
        Normalize(&normal);
    }
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
