// Many copies of one textured square, each at its own position and turned about the
// vertical axis to face a viewer (cylindrical billboards), alpha-blended and drawn without
// writing depth. All sprites share one 4-vertex quad in VAR memory and one draw call; each
// costs one render item. Main thread only.
#pragma once

#include "KEDrawCall.h"
#include "KEMath.h"

#include <cstdint>
#include <memory>

class KEMaterial;
class KETexture;
class KEVertexTextured;

struct KESprite {
    KEVector3 position = {0.0f, 0.0f, 0.0f};
    // Stored by SetSpriteVector for the sprite's owner; drawing does not read it.
    KEVector3 vector = {0.0f, 0.0f, 0.0f};
    // Application time in ms when the vector was stored.
    int32_t timeStamp = 0;
};

class KESpriteSet {
public:
    // Degrees per radian as the sprites have always been turned: 180 / 3.14, not 180 / pi.
    static constexpr float kDegreesPerRadian = 57.32484f;

    // Makes the material (one GL_MODULATE layer, blended with the source alpha), the
    // 4-vertex quad and its draw call. No sprites and size 0 until Allocate and SetSize.
    KESpriteSet();
    ~KESpriteSet();
    KESpriteSet(const KESpriteSet&) = delete;
    KESpriteSet& operator=(const KESpriteSet&) = delete;

    // Writes the square of edge `size` in the z = 0 plane, texture (0, 0) at its top left,
    // and moves the quad to VAR memory (where there is any).
    void SetSize(float size);
    float GetSize() const { return m_size; }
    // The texture of layer 0; not owned. Set it before the first Draw: the material is
    // compiled then (the texture itself may still change).
    void SetTexture(KETexture* texture);

    // A new array of n zeroed sprites in place of the old one. A negative or unallocatable
    // n is reported and leaves no sprites.
    void Allocate(int32_t n);
    int32_t GetCount() const { return m_count; }
    // Sprite i, for writing its position; null (after a trace) for an index outside the set.
    KESprite* GetSprite(int32_t i);
    // Stores sprite i's vector and stamps it with the application time; an index outside
    // the set is traced and ignored.
    void SetSpriteVector(int32_t i, float x, float y, float z);

    // Submits one render item per sprite, in order: under the camera, translated to its
    // position and turned about y towards the viewer's x and z (the viewer's y is not used).
    // Returns the number of sprites.
    int32_t Draw(float viewerX, float viewerY, float viewerZ);

private:
    std::unique_ptr<KESprite[]> m_sprites;
    int32_t m_count = 0;
    float m_size = 0.0f;
    std::unique_ptr<KEMaterial> m_material;
    std::unique_ptr<KEVertexTextured> m_quad;
    KEDrawCall m_drawCall;
};
