// Per-pixel lighting of an ordinary mesh: one point light, diffuse and specular from a
// normal map. Each sub-mesh gets a planar attribute stream with a tangent frame per vertex;
// every draw puts the light and half vectors, in tangent space and range-compressed to 0..1,
// into the two vertex colours, and the combiner set-up of the lit material computes per pixel
// base x (N.L) + base x (N.H)^4 with the base texture on unit 0 and the normal map on unit 1.
// The colours come from the CPU (software tangent space) or, behind KEUseVertexPrograms, from
// an NV vertex program. Two more passes over the same geometry fog the lit result: the mask
// pass multiplies the frame by the fog factor, the colour pass adds the fog colour's share.
// Main thread only.
#pragma once

#include "KEDrawCall.h"
#include "KEMaterial.h"
#include "KEMath.h"

#include <memory>
#include <vector>

class KEMesh;
class KETexture;
class KEVertexAttributes;
class KEVertexPosition;

// Where the two lighting colours come from: the NV vertex program when on, the CPU when off.
constexpr bool KEUseVertexPrograms = false;

// The lighting vertex program and the combiner script of the lit material.
extern const char* const kBumpVertexProgram;
extern const char* const kBumpCombinerScript;

class KEBumpMesh : public KETangentSpaceMesh {
public:
    explicit KEBumpMesh(bool useVertexPrograms = KEUseVertexPrograms);
    ~KEBumpMesh() override;
    KEBumpMesh(const KEBumpMesh&) = delete;
    KEBumpMesh& operator=(const KEBumpMesh&) = delete;

    void SetBaseTexture(KETexture* texture) { m_lit.SetTexture(0, texture); }
    void SetNormalMap(KETexture* texture) { m_lit.SetTexture(1, texture); }
    // An eye-space point light.
    void SetLightPosition(float x, float y, float z);

    // One attribute stream, lit draw call and fog draw call per indexed triangle list of
    // `mesh`, whose streams give positions, normals and texture set 0. The index arrays are
    // shared with the mesh, which must outlive this one. Other draw calls are skipped with a
    // trace. Returns the number of sub-meshes built.
    int Build(const KEMesh& mesh);
    // Recomputes T, B and N of one sub-mesh from its current positions and texture
    // coordinates, N facing the side the mesh's (clockwise) front faces show.
    void ComputeTangentFrames(int subMesh);

    // The attribute streams, for effects that move vertices (attribute 0, then MarkDirty(0)).
    const std::vector<std::unique_ptr<KEVertexAttributes>>& Streams() const { return m_streams; }

    void RenderLit(float x, float y, float z, float ax, float ay, float az);
    void RenderFogMask(float x, float y, float z, float ax, float ay, float az);
    void RenderFogColor(float r, float g, float b, float a, float x, float y, float z, float ax, float ay, float az);

    // The CPU path, called by the lit material before each draw with the item's modelview.
    void Update(const KEMatrix4& modelview, KEVertex* stream, int32_t count, const uint32_t* indices) override;
    // Colours 0 and 1 of the vertices the indices name, for the stored modelview; only
    // attributes 3 and 4 are marked for upload.
    virtual void UpdateTangentSpace(KEVertex* stream, int32_t count, const uint32_t* indices);

    KEMaterial& GetLitMaterial() { return m_lit; }
    KEMaterial& GetFogMaskMaterial() { return m_fogMask; }
    KEMaterial& GetFogColorMaterial() { return m_fogColor; }
    const std::vector<KEDrawCall>& GetLitDrawCalls() const { return m_litDrawCalls; }
    const std::vector<KEDrawCall>& GetFogDrawCalls() const { return m_fogDrawCalls; }
    bool UsesVertexPrograms() const { return m_useVertexPrograms; }

private:
    void RenderFog(KEMaterial* material, float x, float y, float z, float ax, float ay, float az);

    bool m_useVertexPrograms;
    std::vector<std::unique_ptr<KEVertexAttributes>> m_streams;
    std::vector<std::unique_ptr<KEVertexPosition>> m_positions;
    std::vector<KEDrawCall> m_litDrawCalls;
    std::vector<KEDrawCall> m_fogDrawCalls;
    // Per stream, the update that last computed each vertex: a vertex named by several
    // indices is computed once per update.
    std::vector<std::vector<uint32_t>> m_computed;
    uint32_t m_update = 0;
    KEMaterial m_lit;
    KEMaterial m_fogMask;
    KEMaterial m_fogColor;
    float m_light[4] = {0, 0, 0, 1};
    KEMatrix4 m_modelview;
};
