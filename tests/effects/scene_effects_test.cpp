// The scene player and the model effect: the player's frame arithmetic, its camera and
// lights on a small scene, the model's wobble, and a frame of the show itself, drawn from
// the generated data on a real GL context and read back.
#include "CAtmosphereEffect.h"
#include "CModelEffect.h"
#include "CScenePlayer.h"
#include "GLTestContext.h"
#include "KEEngine.h"
#include "KEExtensions.h"
#include "KEFrameListener.h"
#include "KETexture.h"
#include "KEVertexLayouts.h"
#include "RecordingLog.h"
#include "SingletonEngineTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

namespace {

// A scene of `frames` camera records (record i at (i, 2i, 3i), field of view 45) and two
// lights, written to `path`.
void WriteCameraScene(const std::string& path, int frames) {
    KEScene scene;
    scene.framesPerSecond = 25;
    for (int i = 0; i < frames; ++i) {
        scene.cameraPositions.push_back({float(i), 2.0f * i, 3.0f * i});
        scene.cameraRotations.push_back({0, 0, 0});
        scene.cameraFieldsOfView.push_back(45.0f);
    }
    for (float red : {0.25f, 0.75f}) {
        scene.lights.push_back(std::make_unique<KESceneLight>(1));
        scene.lights.back()->diffuse[0] = red;
    }
    FileWriter writer;
    ASSERT_TRUE(writer.Open(path.c_str()) && writer.WriteObject(&scene) && writer.Close()) << scene.GetLoadError();
}

}  // namespace

TEST(ScenePlayerTime, WholeFrameAndFractionComeFromTheLocalTime) {
    const struct {
        uint32_t localTime;
        int32_t fps, frames;
        uint32_t i;
        float t;
    } cases[] = {
        {1000, 25, 101, 25, 25.0f}, {4020, 25, 101, 0, 0.5f},  // the path wrapped after 100 frames
        {990, 30, 101, 30, 30.7f},                              // 990 / 33 runs ahead of 29.7
        {39, 25, 101, 0, 0.975f},   {5000, 25, 1, 0, 0.0f},     // one record holds still
    };
    for (const auto& c : cases) {
        uint32_t i = 99;
        float t = -1;
        CScenePlayer::FrameAt(c.localTime, c.fps, c.frames, &i, &t);
        EXPECT_EQ(i, c.i) << c.localTime;
        EXPECT_NEAR(t, c.t, 1e-4f) << c.localTime;
    }
}

using SceneEffects = SingletonEngineTest<160, 120>;

namespace {

// A frame of a scene player and a model effect, both 5 s into their sections.
struct SceneAndModelAt5s : KEFrameListener {
    CScenePlayer* scene = nullptr;
    CModelEffect* model = nullptr;
    bool OnRender() override { return scene->Frame(5000, 5000, 0) && model->Frame(5000, 5000, 0); }
};

}  // namespace

TEST_F(SceneEffects, PlayerFliesTheCameraWithOffsetsAndSetsEveryLight) {
    const std::string file = PathOf("camera.kd10s");
    WriteCameraScene(file, 3);
    CScenePlayer player;
    player.SetString(1, file.c_str());
    player.SetFloat(1, 100.0f);
    ASSERT_TRUE(player.Load());
    // 60 ms at 25 frames per second: halfway between records 1 and 2.
    EXPECT_TRUE(player.Frame(0, 60, 0));
    EXPECT_FLOAT_EQ(player.GetFloat(4), 1.5f);
    EXPECT_FLOAT_EQ(player.GetFloat(5), 103.0f);
    KEVector3 out{};
    player.GetVector(&out, 7);
    EXPECT_FLOAT_EQ(out.z, 4.5f);
    EXPECT_EQ(engine->GetView(), &player.GetView());
    EXPECT_EQ(engine->GetCamera(), &CScenePlayer::SharedProjection());
    ASSERT_EQ(engine->GetLighting()->GetLightCount(), 2);
    EXPECT_EQ(engine->GetLighting()->GetLight(1)->diffuse[0], 0.75f);

    // A step not drawn moves the camera output the same way, and nothing else.
    CScenePlayer skipped;
    skipped.SetString(1, file.c_str());
    skipped.SetFloat(1, 100.0f);
    ASSERT_TRUE(skipped.Load());
    for (uint32_t t : {0u, 60u, 75u}) {
        player.Frame(0, t, 0);
        engine->SetView(nullptr);
        EXPECT_TRUE(skipped.Advance(0, t, 0));
        EXPECT_EQ(engine->GetView(), nullptr) << "the engine's camera is left alone";
        for (int i = 4; i <= 6; ++i) EXPECT_EQ(skipped.GetFloat(i), player.GetFloat(i)) << t;
    }

    // Only rates of whole milliseconds per frame play: others are refused at the load.
    for (int32_t rate : {0, 1001, 1, 1000}) {
        const std::string rated = PathOf("rate" + std::to_string(rate) + ".kd10s");
        KEScene scene;
        scene.framesPerSecond = rate;
        FileWriter writer;
        ASSERT_TRUE(writer.Open(rated.c_str()) && writer.WriteObject(&scene) && writer.Close());
        RecordingLog log;
        CScenePlayer rater;
        rater.SetString(1, rated.c_str());
        EXPECT_EQ(rater.Load(), rate == 1 || rate == 1000) << rate;
        EXPECT_EQ(log.Boxes(), rate == 1 || rate == 1000 ? std::vector<std::string>{}
                                                         : std::vector<std::string>{"Error cargando escena"})
            << rate;
    }
#ifdef MARLO_DATA_DIR
    // A static model whose file holds a rate of 0 is a model all the same.
    std::ifstream in(MARLO_DATA_DIR "/files/geometry/icosa.kd10s", std::ios::binary);
    std::vector<char> icosa((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(icosa.size(), 8u);
    std::fill(icosa.begin() + 4, icosa.begin() + 8, 0);
    const std::string unrated = WriteBytes("unrated-icosa.kd10s", icosa);
    CModelEffect model;
    model.SetString(0, unrated.c_str());
    EXPECT_TRUE(model.Load());
#endif

    // A scene without camera records: boxed once, then only traced, and nothing drawn.
    const std::string stillFile = PathOf("still.kd10s");  // parameters keep the pointer
    WriteCameraScene(stillFile, 0);
    CScenePlayer still;
    still.SetString(1, stillFile.c_str());
    ASSERT_TRUE(still.Load());
    RecordingLog log;
    EXPECT_FALSE(still.Frame(0, 0, 0));
    EXPECT_FALSE(still.Frame(0, 40, 0));
    EXPECT_EQ(log.Boxes(), std::vector<std::string>{"Error, no existe camara en la escena."});
    EXPECT_EQ(log.Lines().size(), 2u);
}

TEST_F(SceneEffects, WobbleMovesEachVertexBySinesOfItsCoordinatesAndTime) {
    std::vector<KESceneVertex> loaded = {{{0, 0, 0}, {}, {}, {}}, {{10, -20, 5}, {}, {}, {}}};
    std::vector<KESceneVertex> out = loaded;
    CModelEffect::Wobble wobble;
    wobble.SetLoaded(loaded);
    wobble.Apply(1000, 5.0f, 0.1f, 500.0f, &out);
    EXPECT_NEAR(out[0].position.x, 5 * std::sin(2.0f), 1e-5f);
    EXPECT_NEAR(out[0].position.z, 5 * std::sin(2.0f), 1e-5f);
    EXPECT_NEAR(out[1].position.y, -20 + 5 * std::sin(-2.0f + 2.0f), 1e-5f);
    EXPECT_NEAR(out[1].position.z, 5 + 5 * std::sin(0.5f + 2.0f), 1e-5f);

    CModelEffect model;
    EXPECT_FALSE(model.Load());  // "NOT DEFINED" names no file
    KEVector3 position{};
    model.SetFloat(1, 7.0f);
    model.GetVector(&position, 18);
    EXPECT_EQ(position.y, 7.0f);
}

#ifdef MARLO_DATA_DIR
// One step of the show at 5 s, drawn as the timeline draws it: the scene player first,
// then the model through its camera. The model fills the middle; the corners show the
// clear colour.
TEST_F(SceneEffects, AFrameOfTheShowHasTheModelInTheMiddleOverTheClearColour) {
    const std::filesystem::path here = std::filesystem::current_path();
    std::filesystem::current_path(MARLO_DATA_DIR);
    CScenePlayer scene;
    scene.SetString(1, "files/geometry/CameraIcosa.kd10s");
    CModelEffect model;
    model.SetString(0, "files/geometry/icosa.kd10s");
    model.SetFloat(12, 0.8f);
    model.SetVector(13, KEVector3{0.9f, 0.9f, 0.9f});
    model.SetString(11, "files/textures/sky.png");
    model.SetInt(6, 1);
    model.SetFloat(9, 340.0f);
    model.SetFloat(8, 0.08f);
    RecordingLog log;
    const bool loaded = scene.Load() && model.Load();
    while (KETexture* texture = engine->TakePendingTexture()) texture->LoadTexture();
    std::filesystem::current_path(here);
    ASSERT_TRUE(loaded);

    SceneAndModelAt5s step;
    step.scene = &scene;
    step.model = &model;
    engine->SetFrameListener(&step);
    engine->GetLighting()->DisablePresent();
    const bool drawn = engine->RenderFrame();
    engine->GetLighting()->EnablePresent();
    engine->SetFrameListener(nullptr);
    ASSERT_TRUE(drawn);
    EXPECT_TRUE(log.Boxes().empty()) << log.Boxes()[0];

    const std::array<uint8_t, 4> clear = {77, 77, 153, 0};
    auto isClear = [&](int x, int y) {
        const auto p = gl.Pixel(x, y);
        return std::abs(p[0] - clear[0]) <= 2 && std::abs(p[1] - clear[1]) <= 2 && std::abs(p[2] - clear[2]) <= 2;
    };
    EXPECT_FALSE(isClear(80, 60));
    int corners = 0;
    for (int x : {2, 157})
        for (int y : {2, 117}) corners += isClear(x, y) ? 1 : 0;
    EXPECT_EQ(corners, 4);
}

// The show's model with the brick normal map, fogged red by an atmosphere effect: where the
// GL can draw per-pixel lighting the picture differs from the plain model's, the frame
// ends with clearing and presenting switched back on and fog off, and nothing is reported.
// The wobble moves the lighting mesh, never the drawn model's own vertices.
TEST_F(SceneEffects, PerPixelModelIsLitFoggedAndLeavesTheFrameStateAsItFoundIt) {
    const std::filesystem::path here = std::filesystem::current_path();
    std::filesystem::current_path(MARLO_DATA_DIR);
    CScenePlayer scene;
    scene.SetString(1, "files/geometry/CameraIcosa.kd10s");
    CModelEffect plain, lit;
    for (CModelEffect* model : {&plain, &lit}) {
        model->SetString(0, "files/geometry/icosa.kd10s");
        model->SetInt(6, 1);
        model->SetFloat(9, 340.0f);
        model->SetFloat(8, 0.08f);
        model->SetFloat(16, 100.0f);
    }
    lit.SetString(10, "files/textures/bricks_normal.png");
    CAtmosphereEffect fog;
    fog.SetInt(18, GL_LINEAR);
    fog.SetFloat(20, 0.0f);
    fog.SetFloat(21, 400.0f);
    fog.SetVector(22, KEVector3{1, 0, 0});
    RecordingLog log;
    const bool loaded = scene.Load() && plain.Load() && lit.Load() && fog.Load();
    while (KETexture* texture = engine->TakePendingTexture()) texture->LoadTexture();
    ASSERT_TRUE(loaded);
    ASSERT_NE(nullptr, lit.GetBumpMesh());
    fog.Start();

    SceneAndModelAt5s step;
    step.scene = &scene;
    KEEnvironment* lighting = engine->GetLighting();
    auto draw = [&](CModelEffect* model) {
        step.model = model;
        engine->SetFrameListener(&step);
        lighting->DisablePresent();
        const bool drawn = engine->RenderFrame();
        engine->SetFrameListener(nullptr);
        EXPECT_TRUE(drawn);
        return gl.Pixel(80, 60);
    };
    const auto plainCentre = draw(&plain);
    // The normal map is read on its first use.
    const auto litCentre = draw(&lit);
    std::filesystem::current_path(here);
    fog.Stop();
    EXPECT_TRUE(log.Boxes().empty()) << log.Boxes()[0];

    if (CModelEffect::CanDrawPerPixel()) {
        EXPECT_NE(plainCentre, litCentre);
        EXPECT_TRUE(lighting->IsColorClearEnabled());
        EXPECT_TRUE(lighting->IsPresentEnabled());
        EXPECT_FALSE(lighting->IsFogEnabled());
    }
    lighting->EnablePresent();
    // As loaded: the first vertex of the model, and of the lighting mesh, moved by the wobble.
    KEVertexAttributes& stream = *lit.GetBumpMesh()->Streams()[0];
    const KEVector3 drawn = lit.GetModel()->Vertices()[0].position;
    const KEVector3 moved = *static_cast<KEVector3*>(stream.AttributePtr(KE_ATTRIB_POSITION, 0));
    CModelEffect fresh;
    fresh.SetString(0, MARLO_DATA_DIR "/files/geometry/icosa.kd10s");
    ASSERT_TRUE(fresh.Load());
    const KEVector3 asLoaded = fresh.GetModel()->Vertices()[0].position;
    EXPECT_EQ(asLoaded.x, drawn.x);
    EXPECT_EQ(asLoaded.y, drawn.y);
    EXPECT_NE(asLoaded.x, moved.x);
}
#endif

namespace {

// One engine frame whose step is `step`, not presented.
bool DrawStep(KEEngine* engine, std::function<bool()> step) {
    struct Listener : KEFrameListener {
        std::function<bool()> step;
        bool OnRender() override { return step(); }
    } listener;
    listener.step = std::move(step);
    engine->SetFrameListener(&listener);
    engine->GetLighting()->DisablePresent();
    const bool drawn = engine->RenderFrame();
    engine->SetFrameListener(nullptr);
    return drawn;
}

template <class Get>
std::array<float, 4> Four(Get get) {
    std::array<float, 4> v{};
    get(v.data());
    return v;
}

}  // namespace

// After a step the GL holds each light where its path is at the scene time, seen from the
// camera (offset included), with the player's own colours and no fall-off, and the
// projection of the interpolated field of view plus float 3.
TEST_F(SceneEffects, PlayerPlacesLightsOnTheirPathsAndProjectsTheOffsetFieldOfView) {
    KEScene scene;
    scene.framesPerSecond = 25;
    for (float i : {0.0f, 1.0f, 2.0f}) {
        scene.cameraPositions.push_back({i, 2 * i, 3 * i});
        scene.cameraRotations.push_back({0, 0, 0});
        scene.cameraFieldsOfView.push_back(i == 2 ? 70.0f : 40 + 10 * i);
    }
    // Light 0 moves along three keys, light 1 stays. The file's ambient and specular
    // colours are not the ones used.
    const float path[2][3][3] = {{{10, 0, 0}, {20, 10, 0}, {40, 30, -20}}, {{5, 5, 5}, {5, 5, 5}, {5, 5, 5}}};
    for (const auto& keys : path) {
        scene.lights.push_back(std::make_unique<KESceneLight>(3));
        scene.lights.back()->ambient[0] = scene.lights.back()->specular[1] = 0.3f;
        KETransformTrack& track = *scene.lights.back()->GetTrack();
        track.Frames() = {0, 1, 2};
        for (size_t k = 0; k < 3; ++k) std::copy(keys[k], keys[k] + 3, track.Keys()[k].m + 12);
    }
    const float diffuse[4] = {0.25f, 0.5f, 0.75f, 0.9f};
    std::copy(diffuse, diffuse + 4, scene.lights[0]->diffuse);
    const std::string file = PathOf("lights.kd10s");
    FileWriter writer;
    ASSERT_TRUE(writer.Open(file.c_str()) && writer.WriteObject(&scene) && writer.Close()) << scene.GetLoadError();

    CScenePlayer player;
    player.SetString(1, file.c_str());
    const float offset[3] = {1, -2, 4};
    for (int axis = 0; axis < 3; ++axis) player.SetFloat(axis, offset[axis]);
    ASSERT_TRUE(player.Load());
    const struct {
        uint32_t localTime;
        float fovOffset, t, fov;
    } cases[] = {{20, 0, 0.5f, 45}, {60, 10, 1.5f, 70}, {40, -20, 1.0f, 30}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "t = " << c.t);
        player.SetFloat(3, c.fovOffset);
        ASSERT_TRUE(DrawStep(engine, [&] { return player.Frame(0, c.localTime, 0); }));
        const int i = static_cast<int>(c.t);
        const float f = c.t - static_cast<float>(i);
        for (GLenum j = 0; j < 2; ++j) {
            const GLenum light = GL_LIGHT0 + j;
            const auto at = Four([&](float* v) { glGetLightfv(light, GL_POSITION, v); });
            for (int axis = 0; axis < 3; ++axis) {
                const float camera = (axis + 1) * c.t + offset[axis];
                EXPECT_NEAR(at[axis], (1 - f) * path[j][i][axis] + f * path[j][i + 1][axis] - camera, 1e-4f) << j;
            }
            EXPECT_EQ(at[3], 1.0f) << "a point light";
            const auto fallOff = Four([&](float* v) {
                glGetLightfv(light, GL_CONSTANT_ATTENUATION, v);
                glGetLightfv(light, GL_LINEAR_ATTENUATION, v + 1);
                glGetLightfv(light, GL_QUADRATIC_ATTENUATION, v + 2);
            });
            EXPECT_EQ(fallOff, (std::array<float, 4>{1, 0, 0, 0}));
            EXPECT_EQ(Four([&](float* v) { glGetLightfv(light, GL_AMBIENT, v); }),
                      (std::array<float, 4>{0.1f, 0.1f, 0.1f, 0}));
            EXPECT_EQ(Four([&](float* v) { glGetLightfv(light, GL_SPECULAR, v); }), (std::array<float, 4>{1, 1, 1, 1}));
        }
        EXPECT_EQ(Four([](float* v) { glGetLightfv(GL_LIGHT0, GL_DIFFUSE, v); }),
                  (std::array<float, 4>{0.25f, 0.5f, 0.75f, 0}));
        // glFrustum of half-height tan(fov / 2) x 50, aspect 1.33, from 50 to 10000.
        float p[16];
        glGetFloatv(GL_PROJECTION_MATRIX, p);
        const double cot = 1.0 / std::tan(static_cast<double>(c.fov) * 3.14159265358979323846 / 360.0);
        EXPECT_NEAR(p[5], cot, 1e-4);
        EXPECT_NEAR(p[0], cot / 1.33, 1e-4);
        EXPECT_NEAR(p[10], -10050.0 / 9950.0, 1e-5);
        EXPECT_NEAR(p[14], -1e6 / 9950.0, 1e-3);
    }
}

// The material a scene gives its object (default or textured) and what the model effect
// adds to it at load (a sphere-mapped environment layer, blending with its colour and
// opacity), as the GL holds them after the model is drawn.
TEST_F(SceneEffects, ModelIsDrawnWithItsSceneMaterialAndTheLayerAndBlendingItAdds) {
    // A 1 by 1 grey BMP (24 bits, row padded to 4 bytes).
    const std::vector<uint8_t> bmp = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 1,   0,
                                      0,   0,   1, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 4,  0, 0, 0, 0, 0,
                                      0,   0,   0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0, 0, 128, 128, 128, 0};
    WriteBytes("Files/Textures/grey.bmp", bmp);
    WriteBytes("env.bmp", bmp);
    using Rgba = std::array<float, 4>;
    const struct {
        int32_t material;
        bool environment;
        float opacity;
        Rgba ambient, diffuse, specular;
        GLenum mode[2];  // 0: no layer on the unit
        bool sphere[2];
    } cases[] = {
        {-1, false, 1.0f, {0.6f, 0.6f, 0.6f, 0}, {0.8f, 0.8f, 0.8f, 1}, {0.8f, 0.8f, 0.8f, 1}, {0, 0}, {}},
        {0, false, 1.0f, {0.1f, 0.1f, 0.1f, 0}, {0.8f, 0.8f, 0.8f, 1}, {0, 0, 0, 1}, {GL_MODULATE, 0}, {}},
        {0, true, 0.5f, {0.1f, 0.1f, 0.1f, 0}, {0.9f, 0.8f, 0.7f, 0.5f}, {0, 0, 0, 1}, {GL_MODULATE, GL_BLEND},
         {false, true}},
        // Without a texture of its own the environment takes unit 0 too, unmapped.
        {-1, true, 1.0f, {0.6f, 0.6f, 0.6f, 0}, {0.8f, 0.8f, 0.8f, 1}, {0.8f, 0.8f, 0.8f, 1},
         {GL_BLEND, GL_MODULATE}, {false, true}},
    };
    // Scene textures are named from the working folder.
    struct InFolder {
        explicit InFolder(const std::filesystem::path& dir) { std::filesystem::current_path(dir); }
        ~InFolder() { std::filesystem::current_path(here); }
        const std::filesystem::path here = std::filesystem::current_path();
    } inFolder(m_dir);
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "material " << c.material << ", opacity " << c.opacity);
        KEScene scene;
        scene.textureNames = {"grey.bmp"};
        KESceneObject* object = scene.AddObject();
        object->kind = KESceneObject::KIND_STATIC;
        object->materialIndex = c.material;
        object->vertexCount = 3;
        object->Triangles() = {0, 1, 2};
        object->AddFrameMesh()->Vertices() = {
            {{0, 0, 0}, {}, {}, {}}, {{1, 0, 0}, {}, {}, {}}, {{0, 1, 0}, {}, {}, {}}};
        const std::string file = PathOf("model.kd10s");
        FileWriter writer;
        ASSERT_TRUE(writer.Open(file.c_str()) && writer.WriteObject(&scene) && writer.Close()) << scene.GetLoadError();

        CModelEffect model;
        model.SetString(0, file.c_str());
        model.SetString(11, c.environment ? "env.bmp" : "");
        model.SetFloat(12, c.opacity);
        model.SetVector(13, KEVector3{0.9f, 0.8f, 0.7f});
        RecordingLog log;
        ASSERT_TRUE(model.Load());
        while (KETexture* texture = engine->TakePendingTexture()) texture->LoadTexture();
        ASSERT_TRUE(DrawStep(engine, [&] { return model.Frame(0, 0, 0); }));
        EXPECT_TRUE(log.Boxes().empty()) << log.Boxes()[0];

        EXPECT_EQ(Four([](float* v) { glGetMaterialfv(GL_FRONT, GL_AMBIENT, v); }), c.ambient);
        EXPECT_EQ(Four([](float* v) { glGetMaterialfv(GL_FRONT, GL_DIFFUSE, v); }), c.diffuse);
        EXPECT_EQ(Four([](float* v) { glGetMaterialfv(GL_FRONT, GL_SPECULAR, v); }), c.specular);
        EXPECT_EQ(Four([](float* v) { glGetMaterialfv(GL_FRONT, GL_EMISSION, v); }), (Rgba{0, 0, 0, 0}));
        EXPECT_EQ(Four([](float* v) { glGetMaterialfv(GL_FRONT, GL_SHININESS, v); })[0], 1.0f);
        EXPECT_TRUE(glIsEnabled(GL_LIGHTING) == GL_TRUE);
        GLint blend[2] = {};
        glGetIntegerv(GL_BLEND_SRC, &blend[0]);
        glGetIntegerv(GL_BLEND_DST, &blend[1]);
        EXPECT_EQ(glIsEnabled(GL_BLEND) == GL_TRUE, c.opacity != 1.0f);
        EXPECT_TRUE(c.opacity == 1.0f || (blend[0] == GL_SRC_ALPHA && blend[1] == GL_ONE_MINUS_SRC_ALPHA));
        for (int unit = 0; unit < 2; ++unit) {
            KEExtensions::GetInstance()->glActiveTextureARB(GL_TEXTURE0_ARB + static_cast<GLenum>(unit));
            EXPECT_EQ(glIsEnabled(GL_TEXTURE_2D) == GL_TRUE, c.mode[unit] != 0) << unit;
            if (c.mode[unit] == 0) continue;
            GLint mode = 0, generation = 0;
            glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
            glGetTexGeniv(GL_S, GL_TEXTURE_GEN_MODE, &generation);
            EXPECT_EQ(mode, static_cast<GLint>(c.mode[unit])) << unit;
            const bool sphere = glIsEnabled(GL_TEXTURE_GEN_S) == GL_TRUE && glIsEnabled(GL_TEXTURE_GEN_T) == GL_TRUE;
            EXPECT_EQ(sphere && generation == GL_SPHERE_MAP, c.sphere[unit]) << unit;
        }
        KEExtensions::GetInstance()->glActiveTextureARB(GL_TEXTURE0_ARB);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
}
