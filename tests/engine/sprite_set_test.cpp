// The sprite set: the turn towards the viewer recorded in each render item (hand-worked
// with the fast reciprocal square root), the items every sprite shares, bad indices, and
// 1000 blended sprites drawn in one frame on a real GL context.
#include "DemoCamera.h"
#include "GLTestContext.h"
#include "KECamera.h"
#include "KEEngine.h"
#include "KEExtensions.h"
#include "KESpriteSet.h"
#include "KETexture.h"
#include "KEVarMemory.h"
#include "KEVertex.h"
#include "KLGLProc.h"
#include "RecordingLog.h"
#include "SingletonEngineTest.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <vector>

namespace {

// Stand-in VAR entry points: Mesa has no vertex array range.
std::vector<unsigned char> g_varBlock;
void* AllocateVar(GLsizei size, GLfloat, GLfloat, GLfloat) {
    g_varBlock.assign(static_cast<size_t>(size), 0);
    return g_varBlock.data();
}
void VertexArrayRange(GLsizei, const void*) {}

class SpriteSetTest : public SingletonEngineTest<64, 64> {
protected:
    const KERenderItem& Item(int i) { return engine->GetQueue().GetItem(i); }
};

}  // namespace

TEST_F(SpriteSetTest, EachSpriteIsTranslatedAndTurnedAboutYTowardsTheViewer) {
    // Worked out with the fast root (about 0.2 % short) and 57.32484 degrees per radian;
    // angle 0 means the item holds the translation alone.
    const struct {
        KEVector3 sprite, viewer;
        float angle, axisY;
    } cases[] = {
        {{0, 0, -300}, {0, 0, -100}, 0, 0},              // straight ahead: dx = 0
        {{5, 0, 0}, {5, 7, -100}, 0, 0},                 // dx = 0 behind; viewer y unused
        {{3, 4, 5}, {3, 4, 5}, 0, 0},                    // viewer on the sprite
        {{0, 0, 0}, {10, 0, 0}, 90.04565f, 0.99845f},    // c = 0 exactly: pi/2 x 57.32484
        {{0, 0, 0}, {-10, 0, 0}, 90.04565f, -0.99845f},
        {{100, 0, -300}, {200, 9, -200}, 45.02654f, 0.70706f},
        {{0, 0, 0}, {-100, 0, -100}, 135.06476f, -0.70706f},
        {{0, 0, 0}, {1, 0, 150}, 2.31688f, 0.0066612f},  // the short root keeps c = 0.99918
        {{0, 0, 0}, {1, 0, 235}, 0, 0},                  // c = 0.99999: no turn
        {{0, 0, 0}, {1, 0, -235}, 0, 0},                 // c = -0.99999: no turn
    };
    KESpriteSet sprites;
    sprites.Allocate(1);
    for (const auto& c : cases) {
        engine->GetQueue().Clear();
        sprites.GetSprite(0)->position = c.sprite;
        ASSERT_EQ(sprites.Draw(c.viewer.x, c.viewer.y, c.viewer.z), 1);
        const KERenderSteps& steps = Item(0).modelview;
        ASSERT_EQ(steps.GetCount(), c.angle != 0 ? 2 : 1) << "viewer x " << c.viewer.x << " z " << c.viewer.z;
        const KL::TransformStep translation = steps.GetStep(0);
        const float* t = translation.values;
        EXPECT_EQ((std::vector<float>{t[0], t[1], t[2]}), (std::vector<float>{c.sprite.x, c.sprite.y, c.sprite.z}));
        if (c.angle == 0) continue;
        const KL::TransformStep rotation = steps.GetStep(1);
        const float* r = rotation.values;
        EXPECT_EQ(rotation.kind, KL::TransformStep::kRotate);
        EXPECT_NEAR(r[0], c.angle, 1e-3f) << "viewer x " << c.viewer.x << " z " << c.viewer.z;
        EXPECT_NEAR(r[2], c.axisY, 1e-5f) << "viewer x " << c.viewer.x << " z " << c.viewer.z;
        EXPECT_TRUE(r[1] == 0 && r[3] == 0);
    }
}

TEST_F(SpriteSetTest, EverySpriteIsOneBlendedItemOverTheSharedQuadInVar) {
    KEExtensions table;
    table.Load("GL_ARB_multitexture GL_NV_vertex_array_range", &KL::GetGLProcAddress);
    table.wglAllocateMemoryNV = &AllocateVar;
    table.glVertexArrayRangeNV = &VertexArrayRange;
    KEExtensions::SetInstance(&table);
    for (int32_t count : {0, 1000}) {
        engine->GetQueue().Clear();
        KESpriteSet sprites;
        sprites.SetSize(100);
        sprites.Allocate(count);
        for (int32_t i = 0; i < count; ++i) sprites.GetSprite(i)->position = {float(i), 0, 0};
        EXPECT_EQ(sprites.Draw(0, 0, -100), count);
        ASSERT_EQ(engine->GetQueue().GetCount(), count);
        for (int32_t i = 0; i < count; ++i) {
            const KERenderItem& item = Item(i);
            ASSERT_TRUE(item.loadCameraModelview && item.loadCameraProjection && !item.state.depthWrite) << i;
            ASSERT_TRUE(item.state.material && item.state.material == Item(0).state.material) << i;
            ASSERT_TRUE(item.drawCall.primitive == GL_QUADS && item.drawCall.count == 4 && !item.drawCall.indices);
            ASSERT_EQ(item.drawCall.stream, Item(0).drawCall.stream) << i;
            ASSERT_EQ(item.modelview.GetStep(0).values[0], float(i));  // in order
        }
        if (count == 0) continue;
        // The square of edge 100, texture (0, 0) at its top left, held in VAR memory.
        const KEVertex* quad = Item(0).drawCall.stream;
        EXPECT_TRUE(quad->GetStorage() == KE_STORAGE_VAR && quad->GetVarCopy());
        const float* p = static_cast<const float*>(quad->PositionPtr(0));  // interleaved: x y z u v
        EXPECT_EQ((std::vector<float>(p, p + 20)),
                  (std::vector<float>{-50, 50, 0, 0, 0, 50, 50, 0, 1, 0, 50, -50, 0, 1, 1, -50, -50, 0, 0, 1}));
    }
}

TEST_F(SpriteSetTest, BadCountsAndIndicesAreRefusedAndVectorsAreTimeStamped) {
    RecordingLog log;
    KESpriteSet sprites;
    sprites.Allocate(-5);
    EXPECT_EQ(sprites.Draw(0, 0, 0), 0);
    sprites.Allocate(3);
    gl.App().clock.now = 4321;
    sprites.SetSpriteVector(2, 1, 2, 3);
    EXPECT_TRUE(sprites.GetSprite(2)->vector.z == 3 && sprites.GetSprite(2)->timeStamp == 4321);
    for (int32_t bad : {-1, 3}) {
        EXPECT_EQ(sprites.GetSprite(bad), nullptr);
        sprites.SetSpriteVector(bad, 1, 2, 3);
    }
    EXPECT_TRUE(log.Contains("sprite 3 outside the set of 3"));
}

TEST_F(SpriteSetTest, ThousandSpritesAreDrawnBlendedInOneFrame) {
    std::vector<unsigned char> rgba(2 * 2 * 4, 255);  // 2 x 2 white at half opacity
    for (size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 128;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = image.height = 2;
    image.format = PNG_FORMAT_RGBA;
    ASSERT_TRUE(png_image_write_to_file(&image, PathOf("speck.png").c_str(), 0, rgba.data(), 0, nullptr));
    KETexture texture;
    ASSERT_TRUE(texture.SetFile(PathOf("speck.png").c_str(), GL_RGBA));
    // 90 degrees, eye at (0, 0, -100): world depth -300 lies 200 in front of the eye, where
    // a sprite of 100 spans 16 of the 64 rows.
    KECamera camera, view;
    UseDemoCamera(engine, &camera, &view);
    engine->GetLighting()->DisablePresent();

    KESpriteSet sprites;
    sprites.SetTexture(&texture);
    sprites.SetSize(100);
    sprites.Allocate(1000);
    // One in the middle, the rest far off to the right (drawn and clipped).
    for (int32_t i = 1; i < 1000; ++i) sprites.GetSprite(i)->position = {3000.0f + float(i), 0, -300};
    sprites.GetSprite(0)->position = {0, 0, -300};
    sprites.Draw(0, 0, -100);
    ASSERT_TRUE(engine->RenderFrame());
    EXPECT_EQ(engine->GetTriangleCount(), 2000);
    // Half white over the clear colour (0.3, 0.3, 0.6) is (0.65, 0.65, 0.8); outside, the clear colour.
    const auto middle = gl.Pixel(32, 32), outside = gl.Pixel(32, 50);
    EXPECT_TRUE(std::abs(middle[0] - 166) <= 3 && std::abs(middle[1] - 166) <= 3 && std::abs(middle[2] - 204) <= 3)
        << int(middle[0]) << " " << int(middle[1]) << " " << int(middle[2]);
    EXPECT_TRUE(std::abs(outside[0] - 77) <= 2 && std::abs(outside[2] - 153) <= 2) << int(outside[0]);
    texture.ReleaseTexture();
}
