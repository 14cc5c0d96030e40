// "model": one mesh from a scene file (the first frame mesh of its first object), placed
// by six parameters that modifiers can drive, with an optional sphere-mapped environment
// texture, transparency and a travelling sine wobble. Drawn with whatever camera is
// current (in the show, the scene player's, framed just before it).
//
// Parameters: string 0 the scene file; string 11 the environment texture; string 10 a
// normal map: per-pixel lighting from the light at floats 14-16 (eye space), fogged by the
// current atmosphere effect, where the GL can draw it; floats 0-2 position, 3-5 rotation in
// degrees about x, y, z; integer 6 = 1 wobble on, float 7 its amplitude, 8 its spatial
// frequency, 9 its period divisor in ms (0 stops it); float 12 the opacity (other than 1
// blends) with vector 13 the colour. Output: vector 18, the position as a vector.
#pragma once

#include "CEffect.h"
#include "KDSBuilders.h"
#include "KEBumpMesh.h"
#include "KEScene.h"
#include "KETexture.h"

#include <cstdint>
#include <memory>
#include <vector>

class CModelEffect : public CEffect {
public:
    CModelEffect();

    KEVector3* GetVector(KEVector3* out, int index) override;
    // Loads the scene and sets up the material; "Error cargando escena" and false for a
    // file that cannot be loaded or has no first object with a frame mesh.
    bool Load() override;
    bool Frame(uint32_t time, uint32_t localTime, int32_t delta) override;

    // The deformation of one frame: every vertex at its loaded position plus amplitude x
    // sin(frequency x coordinate + time / period) on each axis.
    class Wobble {
    public:
        // The positions to deform from (the model as loaded).
        void SetLoaded(const std::vector<KESceneVertex>& loaded);
        bool HasLoaded() const { return !m_loaded.empty(); }
        void Apply(uint32_t time, float amplitude, float frequency, float period, std::vector<KESceneVertex>* out);
        // The same into `count` positions `stride` bytes apart (at most as many as were loaded).
        void Apply(uint32_t time, float amplitude, float frequency, float period, KEVector3* positions,
                   size_t count, size_t stride);

    private:
        std::vector<KEVector3> m_loaded;
        // sin and cos of frequency x each coordinate, for the frequency they were made
        // with: each frame then needs only the sine and cosine of its phase.
        std::vector<KEVector3> m_sin, m_cos;
        float m_frequency = 0.0f;
        bool m_tableReady = false;
    };

    KEScene& GetScene() { return m_scene; }
    KEFrameMesh* GetModel() const { return m_model; }
    // The per-pixel lighting mesh, when string 10 names a normal map.
    KEBumpMesh* GetBumpMesh() const { return m_bump.get(); }
    // Whether this GL draws per-pixel lighting: NV fences (the hardware it was made for) or
    // the shader stand-in for the register combiners.
    static bool CanDrawPerPixel();

private:
    void DrawPerPixel();

    KEScene m_scene;
    KEFrameMesh* m_model = nullptr;
    std::unique_ptr<KEBumpMesh> m_bump;
    std::unique_ptr<KETexture, void (*)(KETexture*)> m_normalMap{nullptr, nullptr};
    std::unique_ptr<KETexture, void (*)(KETexture*)> m_environmentMap{nullptr, nullptr};
    // Set up from the vertices as loaded when the wobble is on at load.
    Wobble m_wobble;
};

class CModelEffectBuilder : public IEffectBuilder {
public:
    CEffect* Create() override;
    KDSParamTable GetParameters() override;
    const char* GetName() override { return "model"; }
    const char* GetDescription() override { return "This effect draws a 3d model"; }
};

// Provides the model effect's builder to the demo system's catalog.
void RegisterModelEffectBuilder();
