// The replay's state cache: a frame of many items over varied materials, layouts,
// textures, depth, cull and projection settings draws the same picture and leaves the same
// GL state with the cache on and off, and with it on the unit switches stop repeating.
#include "EngineFixture.h"
#include "KEStateCache.h"
#include "KLGLProc.h"

#include <GL/glext.h>

#include <algorithm>
#include <functional>
#include <string>

namespace {

// A quad of half-size h in the given layout, with texture coordinates 0..1 where the
// layout has them.
template <typename Layout>
Layout* Quad(float h, Layout* quad = new Layout()) {
    quad->AllocateSpace(4);
    const float corners[4][2] = {{-h, -h}, {-h, h}, {h, h}, {h, -h}};
    for (int i = 0; i < 4; ++i) {
        *reinterpret_cast<KEVector3*>(quad->PositionPtr(i)) = {corners[i][0], corners[i][1], 0};
        if (quad->GetTexSets() > 0) {
            float* uv = static_cast<float*>(quad->TexCoordPtr(i, 0));
            uv[0] = corners[i][0] > 0 ? 1.0f : 0.0f;
            uv[1] = corners[i][1] > 0 ? 1.0f : 0.0f;
        }
    }
    return quad;
}

// A planar stream of positions and colours (fixed-function draws bind its positions only).
KEVertexAttributes* PlanarQuad(float h) {
    auto* quad = new KEVertexAttributes();
    quad->DeclareAttribute(KE_ATTRIB_POSITION, 12, true);
    quad->DeclareAttribute(KE_ATTRIB_COLOR0, 12, true);
    return Quad(h, quad);
}

struct GLSnapshot {
    std::vector<uint8_t> pixels;
    std::vector<GLint> state;
    std::vector<GLfloat> colour;
};

GLSnapshot Snapshot(int size) {
    GLSnapshot s;
    s.pixels.resize(static_cast<size_t>(size) * size * 4);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, size, size, GL_RGBA, GL_UNSIGNED_BYTE, s.pixels.data());
    const auto get = [&s](GLenum name) {
        GLint value = 0;
        glGetIntegerv(name, &value);
        s.state.push_back(value);
    };
    for (GLenum name : {GL_ACTIVE_TEXTURE, GL_CLIENT_ACTIVE_TEXTURE, GL_MATRIX_MODE, GL_DEPTH_WRITEMASK, GL_DEPTH_FUNC,
                        GL_CULL_FACE, GL_BLEND, GL_LIGHTING, GL_VERTEX_ARRAY, GL_COLOR_ARRAY, GL_NORMAL_ARRAY}) {
        get(name);
    }
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    for (GLenum unit : {GL_TEXTURE0, GL_TEXTURE1}) {
        KEExtensions::GetInstance()->glActiveTextureARB(unit);
        get(GL_TEXTURE_BINDING_2D);
        get(GL_TEXTURE_2D);
    }
    KEExtensions::GetInstance()->glActiveTextureARB(static_cast<GLenum>(active));
    s.colour.resize(4);
    glGetFloatv(GL_CURRENT_COLOR, s.colour.data());
    return s;
}

class StateCache : public EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        streams.emplace_back(MakeQuad(9, 0));
        streams.emplace_back(Quad<KEVertexTextured>(7));
        streams.emplace_back(Quad<KEVertexPosition>(8));
        streams.emplace_back(PlanarQuad(10));
        KETexture* orange = SolidTexture("orange.bmp", 200, 100, 50);
        KETexture* green = SolidTexture("green.bmp", 40, 220, 90);
        for (int i = 0; i < 7; ++i) materials.emplace_back(new KEMaterial());
        materials[0]->SetColor(1, 0, 0, 1);
        materials[1]->AddTextureLayer(orange, GL_MODULATE, 0, 0, 0, 0);
        materials[2]->AddTextureLayer(green, GL_REPLACE, 0, 0, 0, 0);
        materials[3]->AddTextureLayer(orange, GL_MODULATE, 0, 0, 0, 0);
        materials[3]->AddTextureLayer(green, GL_ADD, 0, 0, 0, 0);
        materials[4]->AddTextureLayer(green, GL_MODULATE, 0, 0, 0, 0);
        materials[4]->SetSphereMap(0, 1);
        materials[5]->AddTextureLayer(orange, GL_MODULATE, 0, 0, 0, 0);
        materials[5]->EnableBlend();
        materials[5]->SetBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        materials[5]->SetColor(0.2f, 0.4f, 1, 0.5f);
        materials[6]->EnableLighting();
        materials[6]->SetDiffuse(0.9f, 0.8f, 0.2f, 1);
        const int light = engine.GetLighting()->AddLight(0);
        engine.GetLighting()->SetLightPlacement(light, 0, 0, -100, nullptr, true);
        engine.GetLighting()->SetLightDiffuse(light, 1, 1, 1, 1);
        frame.render = [this] { return SubmitScene(); };
    }

    // 120 overlapping items; materials come in runs of three so that some repeat.
    bool SubmitScene() {
        for (int i = 0; i < 120; ++i) {
            if (i == 60) {
                // A replay in the middle of the frame, then state changed behind the queue.
                if (!engine.ReplayQueue()) return false;
                KEExtensions::GetInstance()->glActiveTextureARB(GL_TEXTURE1);
                glBindTexture(GL_TEXTURE_2D, 0);
                glEnable(GL_TEXTURE_2D);
                glDisable(GL_CULL_FACE);
                glColor4f(0, 1, 1, 1);
                glMatrixMode(GL_PROJECTION);
                glLoadIdentity();
            }
            KERenderQueue* queue = engine.BeginItem(true, i % 9 != 4);
            queue->ModelviewTransforms().Translate(static_cast<float>((i * 37) % 200 - 100),
                                                   static_cast<float>((i * 23) % 150 - 75),
                                                   static_cast<float>(i % 7) * 10 - 230);
            queue->ModelviewTransforms().Rotate(static_cast<float>(i * 11), 0, 0, 1);
            if (i % 13 == 5) queue->ProjectionTransforms().Scale(1.3f, 1.3f, 1);
            KERenderState& state = queue->RenderState();
            if (i % 17 != 8) state.SetMaterial(materials[static_cast<size_t>(i / 3) % materials.size()].get());
            state.SetCull(i % 3 != 0);
            state.SetDepthWrite(i % 4 != 1);
            state.SetDepthFunc(i % 5 == 2 ? GL_ALWAYS : GL_LESS);
            state.SetClearDepth(i % 29 == 14);
            KEDrawCall call;
            call.primitive = GL_QUADS;
            call.stream = streams[static_cast<size_t>(i / 2) % streams.size()].get();
            call.count = 4;
            queue->Submit(call);
        }
        return true;
    }

    // Renders the submissions once to compile their materials, lets `between` change
    // something, then renders them with the cache and without it.
    void ExpectSameFrames(const std::function<void()>& submit, const char* what,
                          const std::function<void()>& between = nullptr) {
        frame.render = [&submit] {
            submit();
            return true;
        };
        Render(true);
        if (between) between();
        const GLSnapshot cached = Render(true);
        const GLSnapshot uncached = Render(false);
        EXPECT_TRUE(cached.pixels == uncached.pixels) << what;
        EXPECT_EQ(cached.state, uncached.state) << what;
    }

    // A quad of the scene's depth, x to the right of the centre.
    void Place(KEVertex* quad, KEMaterial* material, float x = 0) {
        KERenderQueue* queue = engine.BeginItem(true, true);
        queue->ModelviewTransforms().Translate(x, 0, -200);
        queue->RenderState().SetMaterial(material);
        queue->Submit(KEDrawCall{GL_QUADS, quad, nullptr, 4});
    }

    GLSnapshot Render(bool cached) {
        engine.SetStateCacheEnabled(cached);
        EXPECT_TRUE(DrawOnly());
        return Snapshot(kSize);
    }

    std::vector<std::unique_ptr<KEVertex>> streams;
    std::vector<std::unique_ptr<KEMaterial>> materials;
};

// A material of one texture per name (each texture new), modulating.
KEMaterial* Layered(std::vector<std::unique_ptr<KEMaterial>>& keep, const std::vector<KETexture*>& layers) {
    keep.emplace_back(new KEMaterial());
    for (KETexture* texture : layers) keep.back()->AddTextureLayer(texture, GL_MODULATE, 0, 0, 0, 0);
    return keep.back().get();
}

// Counts unit switches on their way to Mesa.
struct UnitSwitches {
    static PFNGLACTIVETEXTUREARBPROC real;
    static PFNGLCLIENTACTIVETEXTUREARBPROC realClient;
    static int count;
    static void APIENTRY Active(GLenum unit) {
        ++count;
        real(unit);
    }
    static void APIENTRY ClientActive(GLenum unit) {
        ++count;
        realClient(unit);
    }
};
PFNGLACTIVETEXTUREARBPROC UnitSwitches::real = nullptr;
PFNGLCLIENTACTIVETEXTUREARBPROC UnitSwitches::realClient = nullptr;
int UnitSwitches::count = 0;

}  // namespace

TEST_F(StateCache, CachedAndUncachedFramesGiveTheSamePictureAndLeaveTheSameState) {
    // The first frame loads the textures in the middle of the cached replay.
    const GLSnapshot first = Render(true);
    const GLSnapshot uncached = Render(false);
    const GLSnapshot cached = Render(true);
    EXPECT_TRUE(first.pixels == uncached.pixels) << "first cached frame differs";
    EXPECT_TRUE(cached.pixels == uncached.pixels) << "cached frame differs";
    EXPECT_EQ(cached.state, uncached.state);
    EXPECT_EQ(first.state, uncached.state);
    EXPECT_EQ(cached.colour, uncached.colour);
    EXPECT_EQ(engine.GetTriangleCount(), 240);
    // A picture of many colours, not an empty one that any state would give.
    std::vector<uint32_t> colours;
    for (size_t p = 0; p < cached.pixels.size(); p += 4) {
        colours.push_back(cached.pixels[p] << 16 | cached.pixels[p + 1] << 8 | cached.pixels[p + 2]);
    }
    std::sort(colours.begin(), colours.end());
    EXPECT_GT(std::unique(colours.begin(), colours.end()) - colours.begin(), 50);
}

TEST_F(StateCache, ShortSequencesEndInTheSameStateWithAndWithoutTheCache) {
    KEVertex* quad = streams[0].get();
    int made = 0;
    const auto fresh = [&](uint8_t r, uint8_t g, uint8_t b) {
        return SolidTexture("t" + std::to_string(made++) + ".bmp", r, g, b);
    };
    {
        // The last item switches unit 0 only: the active unit must still end on unit 1.
        KEMaterial* first = Layered(materials, {fresh(200, 100, 50)});
        KEMaterial* second = Layered(materials, {fresh(40, 220, 90)});
        ExpectSameFrames(
            [&] {
                Place(quad, first);
                Place(quad, second, 20);
            },
            "unit left switched");
    }
    {
        // A texture first used on unit 1 while the GL's active unit is 0 must not be
        // uploaded over unit 0's binding.
        KETexture* orange = fresh(200, 100, 50);
        KEMaterial* first = Layered(materials, {fresh(40, 220, 90), orange});
        KEMaterial* second = Layered(materials, {orange, orange});
        ExpectSameFrames(
            [&] {
                Place(quad, first);
                Place(quad, second, 20);
            },
            "upload on unit 1", [&] { second->SetTexture(1, fresh(160, 60, 220)); });
    }
    {
        // Two layouts over the same vertex data bind different arrays.
        std::unique_ptr<KEVertexTextured> textured(Quad<KEVertexTextured>(9));
        KEVertexPosition position;
        position.SetData(textured->GetData(), 4, KE_STORAGE_SYSTEM);
        ExpectSameFrames(
            [&] {
                Place(textured.get(), materials[0].get(), -20);
                Place(&position, materials[0].get(), 20);
            },
            "shared data");
    }
    {
        // Without a view the camera leaves the projection stack selected before the items,
        // and an item that loads only the modelview must select that stack itself.
        engine.SetView(nullptr);
        ExpectSameFrames(
            [&] {
                KERenderQueue* queue = engine.BeginItem(true, false);
                queue->ModelviewTransforms().Translate(0, 0, -200);
                queue->RenderState().SetMaterial(materials[0].get());
                queue->Submit(KEDrawCall{GL_QUADS, quad, nullptr, 4});
            },
            "no view");
        engine.SetView(&view);
    }
    {
        // Colours that differ in alpha alone, blended over an opaque quad.
        KEMaterial* opaque = Layered(materials, {});
        KEMaterial* faint = Layered(materials, {});
        opaque->SetColor(0.2f, 0.4f, 1, 1);
        faint->SetColor(0.2f, 0.4f, 1, 0.25f);
        faint->EnableBlend();
        faint->SetBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        ExpectSameFrames(
            [&] {
                Place(streams[1].get(), materials[2].get());
                Place(quad, opaque, 30);
                Place(quad, faint);
            },
            "alpha");
    }
    {
        // An item that only reloads the camera's projection still leaves that matrix mode.
        KEMaterial* plain = materials[0].get();
        ExpectSameFrames(
            [&] {
                Place(quad, plain);
                KERenderQueue* queue = engine.BeginItem(false, true);
                queue->RenderState().SetMaterial(plain);
                queue->Submit(KEDrawCall{GL_QUADS, quad, nullptr, 4});
            },
            "projection only");
    }
}

TEST_F(StateCache, UnitsAreSwitchedOnlyWhenSomethingOnThemChanges) {
    KEExtensions table;
    table.Load(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)), &KL::GetGLProcAddress);
    UnitSwitches::real = table.glActiveTextureARB;
    UnitSwitches::realClient = table.glClientActiveTextureARB;
    table.glActiveTextureARB = &UnitSwitches::Active;
    table.glClientActiveTextureARB = &UnitSwitches::ClientActive;
    KEExtensions::SetInstance(&table);
    frame.render = [this] {
        for (int i = 0; i < 200; ++i) SubmitQuad(streams[0].get(), materials[3].get(), static_cast<float>(i % 9));
        return true;
    };
    const struct {
        bool cached;
        int atMost;
    } cases[] = {{false, 100000}, {true, 12}};
    for (const auto& c : cases) {
        engine.SetStateCacheEnabled(c.cached);
        ASSERT_TRUE(DrawOnly());  // compiles the list and loads the textures
        UnitSwitches::count = 0;
        ASSERT_TRUE(DrawOnly());
        EXPECT_LE(UnitSwitches::count, c.atMost) << "cached " << c.cached;
        if (!c.cached) {
            EXPECT_GE(UnitSwitches::count, 200 * 4);
        }
    }
}
