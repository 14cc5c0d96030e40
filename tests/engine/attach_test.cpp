// The engine on windows that do not come up whole: a failed attach still gives back what
// the window holds when it closes, and a driver without multitexture draws first layers.
#include "EngineFixture.h"
#include "KLGLProc.h"
#include "RecordingLog.h"

#include <string>

namespace {

// Puts the platform's framebuffer gate back when the scope ends, whatever failed.
struct GateReset {
    ~GateReset() { RefuseOpenGLContexts(false); }
};

// A window whose preparation can be made to fail after the platform's own has run (as a
// context that turns out unusable would), counting what is given back.
class FailingWindow : public CountingWindow {
public:
    bool PrepareForOpenGL() override {
        const bool prepared = platformPrepares && CountingWindow::PrepareForOpenGL();
        return prepared && !refuse;
    }
    bool platformPrepares = true;
    bool refuse = true;
};

}  // namespace

TEST(EngineAttach, FailedAttachStillReleasesContextAndWindowOnceOnClose) {
    struct Case {
        const char* name;
        bool platformPrepares;     // the window's own preparation runs
        bool refuseContexts;       // the display grants no framebuffer at all
        int contexts, windows;     // given back in all, by the attach and the close
    };
    const Case cases[] = {
        {"context made, then refused", true, false, 1, 1},
        {"nothing prepared", false, false, 0, 1},
        {"no framebuffer: the window goes at once", true, true, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedApplication app;
        ScopedAppInstance scope(&app);
        GateReset reset;
        if (c.refuseContexts) {
            RefuseOpenGLContexts(true);
        }
        FailingWindow window;
        window.platformPrepares = c.platformPrepares;
        window.refuse = !c.refuseContexts;
        window.SetName("failed attach");
        window.Create(0, 0, 16, 16, 32, false, nullptr);
        ASSERT_NE(window.GetHandle(), nullptr);
        KEEngine engine;
        RecordingLog log;
        window.AddListener(&engine);
        RefuseOpenGLContexts(false);
        EXPECT_FALSE(engine.IsReady());
        EXPECT_EQ(log.Boxes(), std::vector<std::string>{"KestEngine2: Error inicializando OpenGL"});
        engine.OnClose();
        engine.OnQuit();
        EXPECT_EQ(window.GetHandle(), nullptr);
        EXPECT_FALSE(window.HasOpenGLContext());
        EXPECT_EQ(window.contexts, c.contexts);
        EXPECT_EQ(window.windows, c.windows);
    }
}

namespace {

// The engine on a driver that lists everything Mesa offers except GL_ARB_multitexture.
class EngineWithoutMultitexture : public EngineFixture {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        window.SetName("engine test");
        window.Create(0, 0, kSize, kSize, 32, false, nullptr);
        // The context first, so that the table can be read from it before the engine comes.
        ASSERT_TRUE(window.PrepareForOpenGL());
        std::string extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
        const std::string multitexture = KEExtensions::kMultitextureName;
        for (size_t at; (at = extensions.find(multitexture)) != std::string::npos;) {
            extensions.erase(at, multitexture.size());
        }
        m_table.Load(extensions.c_str(), [](const char* name) { return KL::GetGLProcAddress(name); });
        ASSERT_EQ(m_table.glActiveTextureARB, nullptr);
        KEExtensions::SetInstance(&m_table);
        {
            RecordingLog log;
            window.AddListener(&engine);
            m_attachBoxes = log.Boxes();
        }
        ASSERT_TRUE(engine.IsReady());
        UseDemoCamera(&engine, &camera, &view);
        engine.SetFrameListener(&frame);
    }

    KEExtensions m_table;
    std::vector<std::string> m_attachBoxes;
};

}  // namespace

TEST_F(EngineWithoutMultitexture, SaysSoOnceAndDrawsEachMaterialsFirstLayer) {
    ASSERT_EQ(m_attachBoxes.size(), 1u);
    EXPECT_NE(m_attachBoxes[0].find("GL_ARB_multitexture"), std::string::npos) << m_attachBoxes[0];

    std::unique_ptr<KEVertex> quad(MakeQuad(50, -200));
    KETexture* red = SolidTexture("red.bmp", 255, 0, 0);
    KETexture* white = SolidTexture("white.bmp", 255, 255, 255);
    KEMaterial oneLayer;
    oneLayer.AddTextureLayer(red, GL_MODULATE, 0, 0, 0, 0);
    KEMaterial twoLayers;
    twoLayers.AddTextureLayer(red, GL_MODULATE, 0, 0, 0, 0);
    twoLayers.AddTextureLayer(white, GL_BLEND, 0, 0, 1, 1);  // would turn it blue
    KEMaterial untextured;
    untextured.SetColor(0, 1, 0, 1);
    struct Case {
        const char* name;
        KEMaterial* material;
        std::array<int, 3> centre;
    };
    const Case cases[] = {
        {"one layer", &oneLayer, {255, 0, 0}},
        {"the second layer is left out", &twoLayers, {255, 0, 0}},
        {"no layer", &untextured, {0, 255, 0}},
        {"one layer after an untextured draw", &oneLayer, {255, 0, 0}},
    };
    RecordingLog log;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        frame.render = [&] {
            SubmitQuad(quad.get(), c.material);
            return true;
        };
        ASSERT_TRUE(DrawOnly());
        ExpectNear(Pixel(kCentre, kCentre), c.centre);
    }
    EXPECT_TRUE(log.Boxes().empty());
}
