#include "KEBumpMesh.h"

#include "KEEngine.h"
#include "KEMesh.h"
#include "KEVarMemory.h"
#include "KEVertexLayouts.h"
#include "KLLog.h"

#include <GL/glext.h>

#include <algorithm>
#include <cstring>

// The per-pixel lighting vertex program: clip position, and the light and half vectors in
// tangent space as the two colours, range-compressed to 0..1.
const char* const kBumpVertexProgram =
    "!!VP1.0DP4   o[HPOS].x, c[0], v[OPOS];                \n"
    "DP4   o[HPOS].y, c[1], v[OPOS];                \n"
    "DP4   o[HPOS].z, c[2], v[OPOS];                \n"
    "DP4   o[HPOS].w, c[3], v[OPOS];                \n"
    "MOV   R0, c[16];                   \n"
    "DP4   R1.x, c[12], R0;             \n"
    "DP4   R1.y, c[13], R0;             \n"
    "DP4   R1.z, c[14], R0;             \n"
    "ADD   R2.xyz, R1, -v[OPOS];                \n"
    "DP3   R2.w, R2, R2;                        \n"
    "RSQ   R2.w, R2.w;                          \n"
    "MUL   R2.xyz, R2, R2.w;                    \n"
    "MOV   R0, c[18].wwwy;              \n"
    "DP4   R3.x, c[12], R0;             \n"
    "DP4   R3.y, c[13], R0;             \n"
    "DP4   R3.z, c[14], R0;             \n"
    "ADD   R3.xyz, R3, -v[OPOS];        \n"
    "DP3   R3.w, R3, R3;                \n"
    "RSQ   R3.w, R3.w;                  \n"
    "MUL   R3.xyz, R3, R3.w;            \n"
    "ADD   R4.xyz, R2, R3;              \n"
    "DP3   R4.w, R4, R4;                \n"
    "RSQ   R4.w, R4.w;                  \n"
    "MUL   R4.xyz, R4, R4.w;            \n"
    "DP3   R3.x, v[5], R2;              \n"
    "DP3   R3.y, v[6], R2;              \n"
    "DP3   R3.z, v[2], R2;              \n"
    "MAD   o[COL0],  R3, c[18].x, c[18].x;  \n"
    "DP3   R5.x, v[5], R4;              \n"
    "DP3   R5.y, v[6], R4;              \n"
    "DP3   R5.z, v[2], R4;              \n"
    "MAD   o[COL1],  R5, c[18].x, c[18].x;  \n"
    "MOV   o[TEX0], v[TEX0];            \n"
    "MOV   o[TEX1], v[TEX0];            \n"
    "END";

// Per pixel, with the base texture on unit 0 and the normal map on unit 1:
// base x (N.L) + base x (N.H)^4.
const char* const kBumpCombinerScript =
    "!!RC1.0                                              {                                                        rgb {                                                    spare0 = expand(col0) . expand(tex1);                spare1 = expand(col1) . expand(tex1);            }                                                }                                                    {                                                        rgb {                                                   spare1 = spare1 * spare1;                            spare0 = spare0 * tex0;                           }                                                }                                                    final_product =  spare1 * spare1;                  \n"
    "out.rgb = final_product * tex0 + spare0;                  \n";

namespace {

// A sub-mesh's stream: the planar layout with the sets the fixed-function draw binds (both
// texture units read set 0; the two lighting colours when the CPU computes them).
class BumpAttributes : public KEVertexAttributes {
public:
    explicit BumpAttributes(bool useVertexPrograms) {
        SetTexSets(2);
        SetColorSets(useVertexPrograms ? 0 : 2);
        SetHasNormals(useVertexPrograms);
        // Position, texture coordinates and the reserved second set lead block 1; then the
        // tangent frame (block 1 for the vertex program, block 2 for the CPU) and the two
        // colours the CPU writes.
        DeclareAttribute(KE_ATTRIB_POSITION, 12, true);
        DeclareAttribute(KE_ATTRIB_TEXCOORD0, 8, true);
        DeclareAttribute(KE_ATTRIB_TEXCOORD1, 8, true);
        if (!useVertexPrograms) {
            DeclareAttribute(KE_ATTRIB_COLOR0, 12, true);
            DeclareAttribute(KE_ATTRIB_COLOR1, 12, true);
        }
        DeclareAttribute(KE_ATTRIB_TANGENT, 12, useVertexPrograms);
        DeclareAttribute(KE_ATTRIB_BINORMAL, 12, useVertexPrograms);
        DeclareAttribute(KE_ATTRIB_NORMAL, 12, useVertexPrograms);
    }
};

KEVector3* Vec(KEVertexAttributes& s, int a, uint32_t v) {
    return static_cast<KEVector3*>(s.AttributePtr(a, static_cast<int32_t>(v)));
}

// (a.b) x 0.5 + 0.5 for each of T, B, N: a unit vector in tangent space as a colour.
KEVector3 Encode(const KEVector3& t, const KEVector3& b, const KEVector3& n, const KEVector3& v) {
    return {Dot(t, v) * 0.5f + 0.5f, Dot(b, v) * 0.5f + 0.5f, Dot(n, v) * 0.5f + 0.5f};
}

}  // namespace

KEBumpMesh::KEBumpMesh(bool useVertexPrograms) : m_useVertexPrograms(useVertexPrograms) {
    m_streams.reserve(10);
    m_positions.reserve(10);
    m_litDrawCalls.reserve(10);
    m_fogDrawCalls.reserve(10);
    SetIdentity(&m_modelview);

    if (useVertexPrograms) {
        m_lit.EnableVertexProgram();
        KEVertexProgram& program = m_lit.GetVertexProgram();
        program.TrackMatrix(0, GL_MODELVIEW_PROJECTION_NV, GL_IDENTITY_NV);
        program.TrackMatrix(12, GL_MODELVIEW, GL_INVERSE_NV);
        program.SetConstant(18, 0.5f, 1.0f, 2.0f, 0.0f);
        program.SetText(kBumpVertexProgram);
    } else {
        m_lit.EnableSoftwareTangentSpace();
        m_lit.SetTangentSpaceMesh(this);
    }
    m_lit.EnableCombiners();
    m_lit.SetCombinerScript(kBumpCombinerScript);
    m_lit.AddTextureLayer(nullptr, GL_MODULATE, 0, 0, 0, 0);
    m_lit.AddTextureLayer(nullptr, GL_MODULATE, 0, 0, 0, 0);

    // White fogged towards black multiplies the frame by the fog factor; black fogged
    // towards the fog colour adds its share.
    m_fogMask.EnableBlend();
    m_fogMask.SetBlendFunc(GL_DST_COLOR, GL_ZERO);
    m_fogMask.SetColor(1, 1, 1, 0);
    m_fogColor.EnableBlend();
    m_fogColor.SetBlendFunc(GL_ONE, GL_ONE);
    m_fogColor.SetColor(0, 0, 0, 0);
}

KEBumpMesh::~KEBumpMesh() = default;

void KEBumpMesh::SetLightPosition(float x, float y, float z) {
    m_light[0] = x;
    m_light[1] = y;
    m_light[2] = z;
    m_light[3] = 1.0f;
}

int KEBumpMesh::Build(const KEMesh& mesh) {
    int built = 0;
    for (int d = 0; d < mesh.GetDrawCallCount(); ++d) {
        const KEDrawCall& source = mesh.GetDrawCall(d);
        if (source.primitive != GL_TRIANGLES || !source.indices || !source.stream || source.count < 0) {
            LogMessage("Per-pixel lighting: draw call %d is not an indexed triangle list, drawn without it", d);
            continue;
        }
        uint32_t largest = 0;
        for (int32_t k = 0; k < source.count; ++k) largest = std::max(largest, source.indices[k]);
        const int64_t n = source.count > 0 ? static_cast<int64_t>(largest) + 1 : 0;
        KEVertex& from = *source.stream;
        if (n > from.GetCount() || !from.HasNormals() || from.GetTexSets() < 1) {
            LogMessage("Per-pixel lighting: draw call %d names vertex %lld of %d, or lacks normals or texture "
                       "coordinates; drawn without it",
                       d, static_cast<long long>(n - 1), static_cast<int>(from.GetCount()));
            continue;
        }

        auto stream = std::make_unique<BumpAttributes>(m_useVertexPrograms);
        if (!stream->AllocateSpace(static_cast<int32_t>(n))) continue;
        for (int32_t l = 0; l < static_cast<int32_t>(n); ++l) {
            std::memcpy(stream->AttributePtr(KE_ATTRIB_POSITION, l), from.PositionPtr(l), 12);
            std::memcpy(stream->AttributePtr(KE_ATTRIB_NORMAL, l), from.NormalPtr(l), 12);
            std::memcpy(stream->AttributePtr(KE_ATTRIB_TEXCOORD0, l), from.TexCoordPtr(l, 0), 8);
        }
        m_litDrawCalls.push_back(KEDrawCall{GL_TRIANGLES, stream.get(), source.indices, source.count});
        m_streams.push_back(std::move(stream));
        m_computed.emplace_back(static_cast<size_t>(n), 0u);
        ComputeTangentFrames(static_cast<int>(m_streams.size()) - 1);

        // The fog passes draw the same positions: the system copy, which the CPU moves.
        KEVertexAttributes& lit = *m_streams.back();
        auto positions = std::make_unique<KEVertexPosition>();
        positions->SetData(lit.AttributePtr(KE_ATTRIB_POSITION, 0), static_cast<int32_t>(n), lit.GetStorage());
        m_fogDrawCalls.push_back(KEDrawCall{GL_TRIANGLES, positions.get(), source.indices, source.count});
        m_positions.push_back(std::move(positions));
        MoveToVAR(&lit);
        ++built;
    }
    return built;
}

void KEBumpMesh::ComputeTangentFrames(int subMesh) {
    if (subMesh < 0 || subMesh >= static_cast<int>(m_streams.size())) return;
    KEVertexAttributes& s = *m_streams[static_cast<size_t>(subMesh)];
    const KEDrawCall& drawCall = m_litDrawCalls[static_cast<size_t>(subMesh)];
    const uint32_t n = static_cast<uint32_t>(s.GetCount());
    // A triangle whose texture coordinates give no direction (all at one point) keeps the
    // frame of the triangle before it rather than a zero one, which would draw it black.
    KEVector3 T{0, 0, 0}, N{0, 0, 0}, B{0, 0, 0};
    for (int32_t k = 0; 3 * k + 3 <= drawCall.count; ++k) {
        const uint32_t* corner = drawCall.indices + 3 * k;
        if (corner[0] >= n || corner[1] >= n || corner[2] >= n) continue;
        const KEVector3 p0 = *Vec(s, KE_ATTRIB_POSITION, corner[0]), p1 = *Vec(s, KE_ATTRIB_POSITION, corner[1]),
                        p2 = *Vec(s, KE_ATTRIB_POSITION, corner[2]);
        const KETexCoord* t0 = static_cast<KETexCoord*>(s.AttributePtr(KE_ATTRIB_TEXCOORD0, corner[0]));
        const KETexCoord* t1 = static_cast<KETexCoord*>(s.AttributePtr(KE_ATTRIB_TEXCOORD0, corner[1]));
        const KETexCoord* t2 = static_cast<KETexCoord*>(s.AttributePtr(KE_ATTRIB_TEXCOORD0, corner[2]));
        ComputeTangentFrame(p0, p1, p2, *t0, *t1, *t2, &T, &N, &B);
        // The front faces are clockwise: N must point out of them, as the scene's normals do.
        KEVector3 e0, e1, face;
        Subtract(p0, p1, &e0);
        Subtract(p2, p1, &e1);
        Cross(e0, e1, &face);
        if (Dot(N, face) < 0.0f) N = {-N.x, -N.y, -N.z};
        for (int c = 0; c < 3; ++c) {
            *Vec(s, KE_ATTRIB_NORMAL, corner[c]) = N;
            *Vec(s, KE_ATTRIB_BINORMAL, corner[c]) = B;
            *Vec(s, KE_ATTRIB_TANGENT, corner[c]) = T;
        }
    }
    // The vertex program reads the frame from the drawn block; the CPU path keeps it apart.
    if (m_useVertexPrograms) {
        s.MarkDirty(KE_ATTRIB_NORMAL);
        s.MarkDirty(KE_ATTRIB_BINORMAL);
        s.MarkDirty(KE_ATTRIB_TANGENT);
    }
}

void KEBumpMesh::Update(const KEMatrix4& modelview, KEVertex* stream, int32_t count, const uint32_t* indices) {
    Copy(&m_modelview, modelview);
    UpdateTangentSpace(stream, count, indices);
}

void KEBumpMesh::UpdateTangentSpace(KEVertex* stream, int32_t count, const uint32_t* indices) {
    KEVertexAttributes* s = nullptr;
    std::vector<uint32_t>* computed = nullptr;
    for (size_t i = 0; i < m_streams.size(); ++i) {
        if (m_streams[i].get() == stream) {
            s = m_streams[i].get();
            computed = &m_computed[i];
        }
    }
    if (!s || !indices || m_useVertexPrograms) return;
    if (++m_update == 0) {
        // The counter wrapped: forget every stamp so none matches by accident.
        for (std::vector<uint32_t>& stamps : m_computed) std::fill(stamps.begin(), stamps.end(), 0u);
        m_update = 1;
    }
    uint32_t* stamp = computed->data();
    KEMatrix4 inverse;
    Invert(&inverse, m_modelview);
    const KEVector3 light = TransformPoint(inverse, KEVector3{m_light[0], m_light[1], m_light[2]});
    // A point one unit in front of the eye stands in for the eye.
    const KEVector3 eye = TransformPoint(inverse, KEVector3{0.0f, 0.0f, 1.0f});

    const uint32_t n = static_cast<uint32_t>(s->GetCount());
    KEVector3* position = Vec(*s, KE_ATTRIB_POSITION, 0);
    const KEVector3* tangent = Vec(*s, KE_ATTRIB_TANGENT, 0);
    const KEVector3* binormal = Vec(*s, KE_ATTRIB_BINORMAL, 0);
    const KEVector3* normal = Vec(*s, KE_ATTRIB_NORMAL, 0);
    KEVector3* colour0 = Vec(*s, KE_ATTRIB_COLOR0, 0);
    KEVector3* colour1 = Vec(*s, KE_ATTRIB_COLOR1, 0);
    for (int32_t k = 0; k < count; ++k) {
        const uint32_t v = indices[k];
        if (v >= n || stamp[v] == m_update) continue;
        stamp[v] = m_update;
        KEVector3 L, V, H;
        Subtract(light, position[v], &L);
        Normalize(&L);
        Subtract(eye, position[v], &V);
        Normalize(&V);
        H = {L.x + V.x, L.y + V.y, L.z + V.z};
        Normalize(&H);
        colour0[v] = Encode(tangent[v], binormal[v], normal[v], L);
        colour1[v] = Encode(tangent[v], binormal[v], normal[v], H);
    }
    s->MarkDirty(KE_ATTRIB_COLOR0);
    s->MarkDirty(KE_ATTRIB_COLOR1);
}

void KEBumpMesh::RenderLit(float x, float y, float z, float ax, float ay, float az) {
    KERenderQueue* queue = KEBeginPlacedItem(x, y, z, ax, ay, az);
    queue->RenderState().SetMaterial(&m_lit);
    m_lit.GetVertexProgram().SetConstant(16, m_light[0], m_light[1], m_light[2], m_light[3]);
    for (const KEDrawCall& drawCall : m_litDrawCalls) queue->Submit(drawCall);
}

void KEBumpMesh::RenderFog(KEMaterial* material, float x, float y, float z, float ax, float ay, float az) {
    KERenderQueue* queue = KEBeginPlacedItem(x, y, z, ax, ay, az);
    queue->RenderState().SetMaterial(material);
    // Only the pixels the lit pass drew.
    queue->RenderState().SetDepthFunc(GL_EQUAL);
    for (const KEDrawCall& drawCall : m_fogDrawCalls) queue->Submit(drawCall);
}

void KEBumpMesh::RenderFogMask(float x, float y, float z, float ax, float ay, float az) {
    KEEngine::GetEngine()->GetLighting()->SetFogColor(0, 0, 0, 0);
    RenderFog(&m_fogMask, x, y, z, ax, ay, az);
}

void KEBumpMesh::RenderFogColor(float r, float g, float b, float a, float x, float y, float z, float ax, float ay,
                                float az) {
    KEEngine::GetEngine()->GetLighting()->SetFogColor(r, g, b, a);
    RenderFog(&m_fogColor, x, y, z, ax, ay, az);
}
