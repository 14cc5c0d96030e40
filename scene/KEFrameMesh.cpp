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

// The seven quantised components of a vertex: 0-2 position, 3-4 set 0, 5-6 set 1.
float* Component(KESceneVertex& v, int c) {
    if (c < 3) return &v.position.x + c;
    if (c < 5) return &v.uv0.u + (c - 3);
    return &v.uv1.u + (c - 5);
}

// Where a component's minimum or maximum stands among the record's 14 bounds: position
// minimum and maximum (3 each), then set 0's (2 each), then set 1's.
int BoundIndex(int c, bool maximum) {
    if (c < 3) return c + (maximum ? 3 : 0);
    const int first = c < 5 ? 6 : 10;
    return first + (c < 5 ? c - 3 : c - 5) + (maximum ? 2 : 0);
}

}  // namespace

KEFrameMesh::KEFrameMesh(KESceneObject* owner) : m_owner(owner) {}

void KEFrameMesh::SetBounds(const float mins[7], const float maxs[7]) {
    positionMin = {mins[0], mins[1], mins[2]};
    positionMax = {maxs[0], maxs[1], maxs[2]};
    uvMin[0] = {mins[3], mins[4]};
    uvMax[0] = {maxs[3], maxs[4]};
    uvMin[1] = {mins[5], mins[6]};
    uvMax[1] = {maxs[5], maxs[6]};
}

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
    float mins[7], maxs[7];
    for (int c = 0; c < 7; ++c) {
        mins[c] = bounds[BoundIndex(c, false)];
        maxs[c] = bounds[BoundIndex(c, true)];
    }
    SetBounds(mins, maxs);
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
        if (first && i < first->GetVertexCount()) {
            const KESceneVertex& shared = first->m_vertices[static_cast<size_t>(i)];
            if (modes[0] == KESceneObject::UV_SHARED) v.uv0 = shared.uv0;
            if (modes[1] == KESceneObject::UV_SHARED) v.uv1 = shared.uv1;
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
    SetBounds(mins, maxs);
    float bounds[14];
    for (int c = 0; c < 7; ++c) {
        bounds[BoundIndex(c, false)] = mins[c];
        bounds[BoundIndex(c, true)] = maxs[c];
    }

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
    if (m_owner) {
        m_owner->GetNormals().Compute(m_owner->Triangles(), &m_vertices);
        return;
    }
    // Without an owner there are no triangles, so no vertex has a face.
    for (KESceneVertex& v : m_vertices) v.normal = {0.0f, 0.0f, 0.0f};
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
