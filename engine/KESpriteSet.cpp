// The sprite set: one shared quad, and per sprite a translation and a turn about y whose
// cosine comes from the fast reciprocal square root.
#include "KESpriteSet.h"

#include "KEEngine.h"
#include "KEMaterial.h"
#include "KEVarMemory.h"
#include "KEVertexLayouts.h"
#include "KLApplication.h"
#include "KLLog.h"

#include <GL/gl.h>

#include <cmath>
#include <new>

namespace {

// Cosines this close to 1 or -1 leave the sprite as it is.
constexpr float kNoTurn = 0.9999f;

// The quad's corners in drawing order (clockwise as seen from +z) and their texture
// coordinates: the image's first row at the top.
const struct {
    float x, y, u, v;
} kCorners[4] = {{-0.5f, 0.5f, 0, 0}, {0.5f, 0.5f, 1, 0}, {0.5f, -0.5f, 1, 1}, {-0.5f, -0.5f, 0, 1}};

void WriteQuad(KEVertexTextured* quad, float size) {
    if (!quad->GetData()) return;  // no space was had
    for (int i = 0; i < 4; ++i) {
        float* p = static_cast<float*>(quad->PositionPtr(i));
        p[0] = kCorners[i].x * size;
        p[1] = kCorners[i].y * size;
        p[2] = 0.0f;
        float* t = static_cast<float*>(quad->TexCoordPtr(i, 0));
        t[0] = kCorners[i].u;
        t[1] = kCorners[i].v;
    }
    quad->SetDirty(true);
}

}  // namespace

KESpriteSet::KESpriteSet() : m_material(new KEMaterial()), m_quad(new KEVertexTextured()) {
    m_material->AddTextureLayer(nullptr, GL_MODULATE, 0, 0, 0, 0);
    m_material->EnableBlend();
    m_material->SetBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    // Until SetSize the quad is a point rather than whatever the new array held.
    if (m_quad->AllocateSpace(4)) WriteQuad(m_quad.get(), 0.0f);
    m_drawCall.primitive = GL_QUADS;
    m_drawCall.stream = m_quad.get();
    m_drawCall.indices = nullptr;
    m_drawCall.count = 4;
}

KESpriteSet::~KESpriteSet() = default;

void KESpriteSet::SetSize(float size) {
    m_size = size;
    WriteQuad(m_quad.get(), size);
    MoveToVAR(m_quad.get());
}

void KESpriteSet::SetTexture(KETexture* texture) { m_material->SetTexture(0, texture); }

void KESpriteSet::Allocate(int32_t n) {
    m_sprites.reset();
    m_count = 0;
    if (n < 0) {
        LogMessage("KESpriteSet::Allocate - %d sprites refused", n);
        return;
    }
    KESprite* sprites = new (std::nothrow) KESprite[static_cast<size_t>(n)];
    if (!sprites) {
        LogError("KESpriteSet::Allocate - no memory for %d sprites", n);
        return;
    }
    m_sprites.reset(sprites);
    m_count = n;
}

KESprite* KESpriteSet::GetSprite(int32_t i) {
    if (i < 0 || i >= m_count) {
        LogMessage("KESpriteSet: sprite %d outside the set of %d", i, m_count);
        return nullptr;
    }
    return &m_sprites[static_cast<size_t>(i)];
}

void KESpriteSet::SetSpriteVector(int32_t i, float x, float y, float z) {
    KESprite* sprite = GetSprite(i);
    if (!sprite) return;
    sprite->vector = {x, y, z};
    sprite->timeStamp = static_cast<int32_t>(KL::ApplicationTime());
}

int32_t KESpriteSet::Draw(float viewerX, float, float viewerZ) {
    KEEngine* engine = KEEngine::GetEngine();
    for (int32_t i = 0; i < m_count; ++i) {
        const KEVector3& p = m_sprites[static_cast<size_t>(i)].position;
        KERenderQueue* queue = engine->BeginItem(true, true);
        queue->RenderState().SetMaterial(m_material.get());
        queue->RenderState().SetDepthWrite(false);
        KL::TransformList& modelview = queue->ModelviewTransforms();
        modelview.Translate(p.x, p.y, p.z);
        // The quad faces +z; turn it by the angle between +z and the direction to the
        // viewer, the sign of dx choosing the way. With dx = 0 (the viewer on the z line
        // through the sprite, or on the sprite) the axis would be zero: no turn.
        const float dx = viewerX - p.x;
        const float dz = viewerZ - p.z;
        if (dx != 0.0f) {
            const float r = FastInvSqrt(dx * dx + dz * dz);
            const float c = dz * r;
            if (c > -kNoTurn && c < kNoTurn) modelview.Rotate(std::acos(c) * kDegreesPerRadian, 0.0f, dx * r, 0.0f);
        }
        queue->Submit(m_drawCall);
    }
    return m_count;
}
