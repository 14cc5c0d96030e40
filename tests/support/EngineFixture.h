// A real engine on a headless GL context for rendering tests: a 64 by 64 offscreen window
// with the engine attached, the demo's classic camera and view, a scripted frame listener,
// and helpers to draw quads and read pixels back.
#pragma once

#include "DemoCamera.h"
#include "FakeApplication.h"
#include "KECamera.h"
#include "KEEngine.h"
#include "KEExtensions.h"
#include "KEFrameListener.h"
#include "KEMaterial.h"
#include "KETexture.h"
#include "KEVertex.h"
#include "KEVertexLayouts.h"
#include "ScriptedApplication.h"
#include "TempDirTest.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// Counts presented frames and the contexts and windows actually given back.
class CountingWindow : public PlatformWindow {
public:
    bool SwapBuffers() override {
        ++swaps;
        return PlatformWindow::SwapBuffers();
    }
    bool ReleaseOpenGL() override {
        const bool released = PlatformWindow::ReleaseOpenGL();
        contexts += released ? 1 : 0;
        return released;
    }
    void ReleaseWindow() override {
        windows += GetHandle() ? 1 : 0;
        PlatformWindow::ReleaseWindow();
    }
    int swaps = 0;
    int contexts = 0;
    int windows = 0;
};

class ScriptedFrame : public KEFrameListener {
public:
    bool OnRender() override { return render ? render() : true; }
    std::function<bool()> render;
};

// A quad facing the camera (clockwise as seen from it), of half-size `h` at depth z,
// with normals towards the camera and texture coordinates 0..1.
[[maybe_unused]] KEVertexLitTextured* MakeQuad(float h, float z) {
    auto* quad = new KEVertexLitTextured();
    quad->AllocateSpace(4);
    const float corners[4][2] = {{-h, -h}, {-h, h}, {h, h}, {h, -h}};
    for (int i = 0; i < 4; ++i) {
        *reinterpret_cast<KEVector3*>(quad->PositionPtr(i)) = {corners[i][0], corners[i][1], z};
        *reinterpret_cast<KEVector3*>(quad->NormalPtr(i)) = {0, 0, 1};
        float* uv = static_cast<float*>(quad->TexCoordPtr(i, 0));
        uv[0] = corners[i][0] > 0 ? 1.0f : 0.0f;
        uv[1] = corners[i][1] > 0 ? 1.0f : 0.0f;
        float* uv1 = static_cast<float*>(quad->TexCoordPtr(i, 1));
        uv1[0] = uv[0];
        uv1[1] = uv[1];
    }
    quad->SetDirty(true);
    return quad;
}

class EngineFixture : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        KEExtensions::SetInstance(nullptr);
        window.SetName("engine test");
        window.Create(0, 0, kSize, kSize, 32, false, nullptr);
        window.AddListener(&engine);
        ASSERT_TRUE(engine.IsReady());
        UseDemoCamera(&engine, &camera, &view);
        engine.SetFrameListener(&frame);
    }
    void TearDown() override {
        engine.OnClose();
        KEExtensions::SetInstance(nullptr);
        TempDirTest::TearDown();
    }

    // A frame that does not present, so that the back buffer can be read afterwards.
    bool DrawOnly() {
        engine.GetLighting()->DisablePresent();
        const bool ok = engine.RenderFrame();
        engine.GetLighting()->EnablePresent();
        return ok;
    }
    static std::array<int, 3> Pixel(int x, int y) {
        uint8_t rgba[4] = {};
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        return {rgba[0], rgba[1], rgba[2]};
    }
    // Submits a quad through a mesh-like item under the camera, at world depth z.
    void SubmitQuad(KEVertex* quad, KEMaterial* material, float x = 0, bool clearDepth = false) {
        KERenderQueue* queue = engine.BeginItem(true, true);
        queue->ModelviewTransforms().Translate(x, 0, 0);
        queue->RenderState().SetMaterial(material);
        queue->RenderState().SetClearDepth(clearDepth);
        KEDrawCall call;
        call.primitive = GL_QUADS;
        call.stream = quad;
        call.count = 4;
        queue->Submit(call);
    }
    // A small one-colour BMP texture.
    KETexture* SolidTexture(const std::string& name, uint8_t r, uint8_t g, uint8_t b) {
        // 2 by 2, 24 bits, rows padded to 8 bytes, stored blue-green-red.
        std::vector<uint8_t> bmp = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 2, 0,
                                    0,   0,   1, 0, 24, 0, 0, 0, 0, 0, 16, 0, 0, 0, 0,  0, 0, 0, 0, 0, 0, 0, 0, 0,
                                    0,   0,   0, 0, 0, 0};
        for (int row = 0; row < 2; ++row) {
            for (int i = 0; i < 2; ++i) bmp.insert(bmp.end(), {b, g, r});
            bmp.insert(bmp.end(), {0, 0});
        }
        auto* texture = KETexture::NewTexture();
        texture->SetFile(WriteBytes(name, bmp).c_str(), GL_RGB);
        m_textures.emplace_back(texture, &KETexture::FreeTexture);
        return texture;
    }

    static constexpr int kSize = 64;
    static constexpr int kCentre = kSize / 2;
    ScriptedApplication app;
    ScopedAppInstance scope{&app};
    CountingWindow window;
    KEEngine engine;
    KECamera camera;
    KECamera view;
    ScriptedFrame frame;
    std::vector<std::unique_ptr<KETexture, void (*)(KETexture*)>> m_textures;
};

[[maybe_unused]] void ExpectNear(const std::array<int, 3>& got, const std::array<int, 3>& want, int tolerance = 3) {
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(got[c], want[c], tolerance) << "channel " << c;
}

const std::array<int, 3> kClearColour = {77, 77, 153};  // (0.3, 0.3, 0.6)

}  // namespace
