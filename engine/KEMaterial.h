// A material: texture layers, colour, lighting, blending and the NV program and combiner
// switches, compiled once into a GL display list on first use. Per draw only the list
// call, the colour, the two texture bindings (and, when on, the vertex program and the
// software tangent space update) are issued; through the engine's state cache, only those
// that differ from the previous item's (after an item of the same material, only the
// colour if it changed, the vertex program and the tangent space). Where the driver lacks
// NV combiners, the combiner script runs as a GLSL program instead, built once with the
// list and bound at every draw (every other material then draws with no program).
//
// Every setting except the colour must be made before the first draw: later changes to
// compiled settings have no effect.
#pragma once

#include "KEMath.h"
#include "KEVertexProgram.h"

#include <GL/gl.h>

#include <cstdint>
#include <string>
#include <vector>

class KEStateCache;
class KETexture;
class KEVertex;
struct KEDrawCall;

struct KETextureLayer {
    GLenum mode = GL_MODULATE;
    float colour[4] = {0, 0, 0, 0};
    int32_t sphereMap = 0;
    KETexture* texture = nullptr;  // not owned
};

// The CPU path of per-pixel lighting: before each draw it gets the item's modelview
// matrix and recomputes per-vertex lighting vectors of the stream.
class KETangentSpaceMesh {
public:
    virtual ~KETangentSpaceMesh() = default;
    virtual void Update(const KEMatrix4& modelview, KEVertex* stream, int32_t count, const uint32_t* indices) = 0;
};

// Compiles a register-combiner script into the display list being recorded; returns the
// error messages it found (empty when the script is fine).
using KECombinerCompiler = std::vector<std::string> (*)(const char* script);

// The combiner script's stand-in on drivers without NV combiners: the script becomes a
// GLSL fragment program, built once per material and bound at each of its draws.
struct KECombinerShaderBackEnd {
    // True when the current context can run such programs.
    bool (*available)();
    // Builds the script's program (0 when none could be made) and gives its messages.
    GLuint (*build)(const char* script, std::vector<std::string>* messages);
    // Binds a program for the next draws, 0 for none (skipped when 0 is known to be bound).
    void (*use)(GLuint program);
    // Deletes a program made by `build`.
    void (*release)(GLuint program);
};

class KEMaterial {
public:
    static constexpr int kMaxLayers = 4;
    static constexpr int kBoundLayers = 2;

    KEMaterial();
    ~KEMaterial();
    KEMaterial(const KEMaterial&) = delete;
    KEMaterial& operator=(const KEMaterial&) = delete;

    // Appends a layer (no sphere map) and returns its index.
    int AddTextureLayer(KETexture* texture, GLenum mode, float c0, float c1, float c2, float c3);
    // Layer setters address an existing layer; an index past the end grows the list.
    void SetTexture(int index, KETexture* texture);
    KETexture* GetTexture(int index) const;
    void SetSphereMap(int index, int32_t value);
    int GetLayerCount() const { return static_cast<int>(m_layers.size()); }

    void SetColor(float r, float g, float b, float a);
    void EnableVertexProgram() { m_useVertexProgram = true; }
    bool UsesVertexProgram() const { return m_useVertexProgram; }
    KEVertexProgram& GetVertexProgram() { return m_vertexProgram; }
    void EnableSoftwareTangentSpace() { m_softwareTangentSpace = true; }
    void SetTangentSpaceMesh(KETangentSpaceMesh* mesh) { m_tangentSpaceMesh = mesh; }
    void EnableCombiners() { m_useCombiners = true; }
    void SetCombinerScript(const char* text) { m_combinerScript = text ? text : ""; }
    void EnableBlend() { m_blend = true; }
    void SetBlendFunc(GLenum source, GLenum destination);
    void EnableLighting();
    void SetAmbient(float r, float g, float b, float a);
    void SetDiffuse(float r, float g, float b, float a);
    void SetSpecular(float r, float g, float b, float a);
    void SetShininess(float shininess) { m_shininess = shininess; }

    // Issues the material for one draw; compiles the display list on first use.
    void Apply(const KEDrawCall& drawCall, const KEMatrix4& cameraModelview);
    // The same, sending only what differs from what the cache last sent: the display list
    // and colour are skipped after an item of the same material, unchanged texture units
    // are left alone.
    void Apply(const KEDrawCall& drawCall, const KEMatrix4& cameraModelview, KEStateCache& cache);

    int32_t GetDisplayList() const { return m_displayList; }
    // The GLSL program standing in for the combiners; 0 when the material has none.
    GLuint GetCombinerProgram() const { return m_combinerProgram; }

    // The register-combiner script compiler; installed by the combiner layer. Without one,
    // scripts are not compiled.
    static void SetCombinerCompiler(KECombinerCompiler compiler);
    // The shader back end (not owned), or null. With one installed, every material binds
    // its program (or none) at each draw.
    static void SetCombinerShaderBackEnd(const KECombinerShaderBackEnd* backEnd);
    // Draws after this one use no combiner program (an item without a material).
    static void UseNoProgram();

private:
    void Compile();
    KETextureLayer& Layer(int index);

    std::vector<KETextureLayer> m_layers;
    float m_colour[4] = {1, 1, 1, 1};
    KEVertexProgram m_vertexProgram;
    bool m_useVertexProgram = false;
    bool m_softwareTangentSpace = false;
    KETangentSpaceMesh* m_tangentSpaceMesh = nullptr;
    bool m_useCombiners = false;
    std::string m_combinerScript;
    bool m_lighting = false;
    float m_ambient[4] = {0, 0, 0, 0};
    float m_diffuse[4] = {0, 0, 0, 0};
    float m_specular[4] = {0, 0, 0, 0};
    float m_emission[4] = {0, 0, 0, 0};
    float m_shininess = 0.0f;
    bool m_blend = false;
    GLenum m_blendSource = GL_ONE;
    GLenum m_blendDestination = GL_ZERO;
    int32_t m_displayList = -1;
    GLuint m_combinerProgram = 0;
};
