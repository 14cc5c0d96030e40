// The engine's frame on a real GL context (Mesa's llvmpipe, offscreen): attach, replay
// under camera and view, clear/present rules, statistics, release.
#include "EngineFixture.h"
#include "GLTestContext.h"
#include "KEMesh.h"
#include "RecordingLog.h"

#include <cmath>

using Engine = EngineFixture;

// The test program is linked with glFlush wrapped (platform/*/FlushCounter.cpp): every
// flush of the engine is counted.
extern int g_flushes;

TEST_F(Engine, EveryFramesLastReplayFlushesWhetherOrNotItPresents) {
    frame.render = [&] { return engine.ReplayQueue(); };  // a replay inside the frame does not flush
    const struct {
        bool present;
        int swaps;
    } cases[] = {{false, 0}, {true, 1}};
    for (const auto& c : cases) {
        g_flushes = 0;
        const int swaps = window.swaps;
        ASSERT_TRUE(c.present ? engine.RenderFrame() : DrawOnly());
        EXPECT_EQ(g_flushes, 1) << "present " << c.present;
        EXPECT_EQ(window.swaps - swaps, c.swaps);
    }
}

TEST_F(Engine, EmptyFrameClearsToTheDefaultColourPresentsOnceAndCountsNoTriangles) {
    ASSERT_TRUE(DrawOnly());
    ExpectNear(Pixel(1, 1), kClearColour, 1);
    EXPECT_EQ(window.swaps, 0);
    ASSERT_TRUE(engine.RenderFrame());
    EXPECT_EQ(window.swaps, 1);
    EXPECT_EQ(engine.GetTriangleCount(), 0);
    EXPECT_EQ(engine.GetFrameCount(), 2);
}

TEST_F(Engine, LitTexturedMeshLandsInFrontOfTheDefaultCamera) {
    std::unique_ptr<KEVertex> quad(MakeQuad(50, -200));
    KEMaterial material;
    material.AddTextureLayer(SolidTexture("orange.bmp", 200, 100, 50), GL_MODULATE, 0, 0, 0, 0);
    material.EnableLighting();
    material.SetDiffuse(0.5f, 0.5f, 0.5f, 1);
    // A white light at the eye. Lighting is per vertex: each corner of the quad, at
    // (+-50, +-50) and 100 in front of the eye, sees it at cos = 100 / sqrt(50^2 + 50^2 + 100^2)
    // = 0.816, so the texel (200, 100, 50) comes out at 0.5 * 0.816 of its strength.
    KEEnvironment* lighting = engine.GetLighting();
    const int light = lighting->AddLight(0);
    lighting->SetLightPlacement(light, 0, 0, -100, nullptr, true);
    lighting->SetLightDiffuse(light, 1, 1, 1, 1);
    frame.render = [&] {
        SubmitQuad(quad.get(), &material);
        return true;
    };
    ASSERT_TRUE(DrawOnly());
    // Eye depth 100 shows 133 units either side horizontally and 100 vertically: the quad
    // of half-size 50 covers about columns 20..43 and rows 16..47 of the 64 by 64 window.
    ExpectNear(Pixel(kCentre, kCentre), {82, 41, 20});
    ExpectNear(Pixel(24, 20), {82, 41, 20});
    ExpectNear(Pixel(kCentre, 8), kClearColour, 1);
    ExpectNear(Pixel(12, kCentre), kClearColour, 1);
    EXPECT_EQ(engine.GetTriangleCount(), 2);
}

TEST_F(Engine, LinearFogPullsAFarObjectTowardsTheFogColour) {
    std::unique_ptr<KEVertex> nearQuad(MakeQuad(40, -150));   // eye depth 50
    std::unique_ptr<KEVertex> farQuad(MakeQuad(800, -1000));  // eye depth 900
    KEMaterial white;
    KEEnvironment* lighting = engine.GetLighting();
    lighting->EnableFog();
    lighting->SetFogMode(GL_LINEAR);
    lighting->SetFogRange(0, 1000);
    lighting->SetFogColor(0, 0, 0, 1);
    KEVertex* shown = nearQuad.get();
    frame.render = [&] {
        SubmitQuad(shown, &white);
        return true;
    };
    ASSERT_TRUE(DrawOnly());
    const int nearGrey = Pixel(kCentre, kCentre)[0];
    shown = farQuad.get();
    ASSERT_TRUE(DrawOnly());
    const int farGrey = Pixel(kCentre, kCentre)[0];
    // Fog factor (1000 - d) / 1000: 0.95 near, 0.1 far.
    EXPECT_NEAR(nearGrey, 242, 4);
    EXPECT_NEAR(farGrey, 25, 4);
}

TEST_F(Engine, SecondLayerBlendingASphereMappedTextureChangesThePicture) {
    std::unique_ptr<KEVertex> quad(MakeQuad(50, -200));
    KETexture* red = SolidTexture("red.bmp", 255, 0, 0);
    KETexture* white = SolidTexture("white.bmp", 255, 255, 255);
    KEMaterial plain;
    plain.AddTextureLayer(red, GL_MODULATE, 0, 0, 0, 0);
    KEMaterial layered;
    layered.AddTextureLayer(red, GL_MODULATE, 0, 0, 0, 0);
    // GL_BLEND mixes towards the environment colour by the texel: a white texel gives it whole.
    const int second = layered.AddTextureLayer(white, GL_BLEND, 0, 0, 1, 1);
    layered.SetSphereMap(second, 1);
    KEMaterial* current = &plain;
    frame.render = [&] {
        SubmitQuad(quad.get(), current);
        return true;
    };
    ASSERT_TRUE(DrawOnly());
    ExpectNear(Pixel(kCentre, kCentre), {255, 0, 0});
    current = &layered;
    ASSERT_TRUE(DrawOnly());
    ExpectNear(Pixel(kCentre, kCentre), {0, 0, 255});
}

TEST_F(Engine, ItemThatClearsDepthIsDrawnOverANearerOne) {
    std::unique_ptr<KEVertex> nearQuad(MakeQuad(20, -150));
    std::unique_ptr<KEVertex> farQuad(MakeQuad(400, -600));
    KEMaterial red, green;
    red.SetColor(1, 0, 0, 1);
    green.SetColor(0, 1, 0, 1);
    bool clearDepth = false;
    frame.render = [&] {
        SubmitQuad(nearQuad.get(), &red);
        SubmitQuad(farQuad.get(), &green, 0, clearDepth);
        return true;
    };
    ASSERT_TRUE(DrawOnly());
    ExpectNear(Pixel(kCentre, kCentre), {255, 0, 0});
    clearDepth = true;
    ASSERT_TRUE(DrawOnly());
    ExpectNear(Pixel(kCentre, kCentre), {0, 255, 0});
}

TEST_F(Engine, ReplayInTheMiddleOfAFrameNeitherClearsWhatCameBeforeNorPresents) {
    std::unique_ptr<KEVertex> left(MakeQuad(30, -200));
    std::unique_ptr<KEVertex> right(MakeQuad(30, -200));
    KEMaterial red, green;
    red.SetColor(1, 0, 0, 1);
    green.SetColor(0, 1, 0, 1);
    frame.render = [&] {
        SubmitQuad(left.get(), &red, -60);
        EXPECT_TRUE(engine.ReplayQueue());
        SubmitQuad(right.get(), &green, 60);
        return true;
    };
    ASSERT_TRUE(DrawOnly());
    EXPECT_EQ(window.swaps, 0);
    ExpectNear(Pixel(kCentre - 15, kCentre), {255, 0, 0});
    ExpectNear(Pixel(kCentre + 15, kCentre), {0, 255, 0});
    ASSERT_TRUE(engine.RenderFrame());
    EXPECT_EQ(window.swaps, 1);
    EXPECT_EQ(engine.GetTriangleCount(), 4);
}

TEST_F(Engine, GLErrorSkipsThePresentAndStillEmptiesTheQueue) {
    std::unique_ptr<KEVertex> quad(MakeQuad(30, -200));
    KEMaterial red;
    frame.render = [&] {
        SubmitQuad(quad.get(), &red);
        glEnable(0x7FFF);  // not a capability: GL_INVALID_ENUM
        return true;
    };
    RecordingLog log;
    EXPECT_FALSE(engine.RenderFrame());
    EXPECT_EQ(window.swaps, 0);
    EXPECT_EQ(engine.GetQueue().GetCount(), 0);
    EXPECT_EQ(engine.GetFrameCount(), 0);
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"OpenGL Error: GL_INVALID_ENUM\n"});
    frame.render = nullptr;
    EXPECT_TRUE(engine.RenderFrame());
    EXPECT_EQ(window.swaps, 1);
}

TEST_F(Engine, ListenerThatRefusesAbortsTheFrameBeforeDrawing) {
    frame.render = [] { return false; };
    EXPECT_FALSE(engine.RenderFrame());
    EXPECT_EQ(window.swaps, 0);
    EXPECT_EQ(engine.GetFrameCount(), 0);
}

TEST_F(Engine, FramesPerSecondIsMeasuredOncePerSecondOfApplicationTime) {
    app.clock.now = 5000;
    for (int i = 0; i < 89; ++i) ASSERT_TRUE(engine.RenderFrame());
    EXPECT_EQ(engine.GetFPS(), 0.0f);
    app.clock.now = 6500;
    ASSERT_TRUE(engine.RenderFrame());
    // 90 frames in 1.5 seconds.
    EXPECT_FLOAT_EQ(engine.GetFPS(), 60.0f);
}

TEST_F(Engine, DrawingWithoutAMaterialWarnsOncePerStreamAndStillDraws) {
    std::unique_ptr<KEVertex> quad(MakeQuad(50, -200));
    frame.render = [&] {
        SubmitQuad(quad.get(), nullptr);
        return true;
    };
    RecordingLog log;
    ASSERT_TRUE(DrawOnly());
    ASSERT_TRUE(DrawOnly());
    EXPECT_EQ(log.Boxes(), std::vector<std::string>{"Warning: Rendering with no material!"});
    ExpectNear(Pixel(kCentre, kCentre), {255, 255, 255});
}

TEST_F(Engine, MeshSubmitsEveryDrawCallUnderItsPlacement) {
    KEEngine* shared = KEEngine::GetEngine();
    KEMesh mesh;
    KEVertex* quad = mesh.AddStream(MakeQuad(20, 0));
    KEDrawCall call;
    call.primitive = GL_QUADS;
    call.stream = quad;
    call.count = 4;
    mesh.AddDrawCall(call);
    mesh.AddDrawCall(call);
    KEMaterial material;
    mesh.SetMaterial(&material);
    mesh.Render(1, 2, -200, 0, 90, 0);
    KERenderQueue& queue = shared->GetQueue();
    ASSERT_EQ(queue.GetCount(), 2);
    const KERenderItem& item = queue.GetItem(1);
    EXPECT_TRUE(item.loadCameraModelview);
    EXPECT_TRUE(item.loadCameraProjection);
    EXPECT_EQ(item.state.material, &material);
    ASSERT_EQ(item.modelview.GetCount(), 4);
    EXPECT_EQ(item.modelview.GetStep(0).kind, KL::TransformStep::kTranslate);
    EXPECT_EQ(item.modelview.GetStep(0).values[2], -200.0f);
    EXPECT_EQ(item.modelview.GetStep(2).kind, KL::TransformStep::kRotate);
    EXPECT_EQ(item.modelview.GetStep(2).values[0], 90.0f);
    EXPECT_EQ(item.modelview.GetStep(2).values[2], 1.0f);  // about Y
    queue.Clear();
}

TEST(EngineAttach, WindowWithoutOpenGLLeavesTheEngineNotReadyWithOneReport) {
    ScriptedApplication app;
    ScopedAppInstance scope(&app);
    CountingWindow window;  // never created: no native window, no context
    KEEngine engine;
    RecordingLog log;
    window.AddListener(&engine);
    EXPECT_FALSE(engine.IsReady());
    EXPECT_EQ(log.Boxes(), std::vector<std::string>{"KestEngine2: Error inicializando OpenGL"});
}

TEST(EngineAttach, CloseThenQuitReleasesContextAndWindowOnce) {
    ScriptedApplication app;
    ScopedAppInstance scope(&app);
    CountingWindow window;
    window.SetName("release");
    window.Create(0, 0, 16, 16, 32, false, nullptr);
    KEEngine engine;
    window.AddListener(&engine);
    ASSERT_TRUE(engine.IsReady());
    engine.OnClose();
    engine.OnQuit();
    EXPECT_FALSE(engine.IsReady());
    EXPECT_EQ(window.contexts, 1);
    EXPECT_EQ(window.windows, 1);
    EXPECT_EQ(window.GetHandle(), nullptr);
}
