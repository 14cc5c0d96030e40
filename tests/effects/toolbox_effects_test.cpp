// The small tools and moving bodies: "info"'s statistics line; "utilities" splitting and
// joining vectors (fed by "follow" and "Sine Wave"); "follow"'s constant-speed chase,
// worked by hand with the fast reciprocal square root (1/sqrt(100) comes out as 0.0998449,
// 1/sqrt(0.25) as 1.996614); the meteors, counted as render items in the engine's queue;
// the vector field. Only the info line's GL version needs a GL context.
#include "CFollowEffect.h"
#include "CGeneratorModifiers.h"
#include "CInfoModifiers.h"
#include "CMeteorEffect.h"
#include "CModelEffect.h"
#include "CVectorFieldEffect.h"
#include "GLTestContext.h"
#include "KEEngine.h"
#include "KEExtensions.h"
#include "KEMaterial.h"
#include "KEMesh.h"
#include "KEVertexLayouts.h"
#include "KLAbstractFactory.h"
#include "KLHelpers.h"
#include "RecordingLog.h"
#include "TempDirTest.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

// Answers its float channel numbers and records the order they were read in.
struct ReadOrder : CModifier {
    float GetFloat(int index) override { return reads.push_back(index), float(index); }
    std::vector<int> reads;
};

std::vector<float> V(const KEVector3& v) { return {v.x, v.y, v.z}; }
std::vector<float> Floats(CParamObject& o, int first) {
    return {o.GetFloat(first), o.GetFloat(first + 1), o.GetFloat(first + 2)};
}

}  // namespace

TEST(InfoModifier, FormatsTheStatisticsIntoOneSharedBufferThatNeverOverflows) {
    const std::string longVersion(2000, 'v');
    const char* line = CInfoModifier::FormatStatistics(1200, 50.0f, "1.3.1");
    EXPECT_STREQ(line, "1200 triangles at 50.00 FPS (0.06 MTris/s)(v 1.3.1)");
    EXPECT_EQ(CInfoModifier::FormatStatistics(0, 0, nullptr), line);
    EXPECT_STREQ(line, "0 triangles at 0.00 FPS (0.00 MTris/s)(v (none))");
    EXPECT_EQ(std::string(CInfoModifier::FormatStatistics(3000000, 2.5f, longVersion.c_str())),
              ("3000000 triangles at 2.50 FPS (7.50 MTris/s)(v " + longVersion).substr(0, 511));
    GLTestContext gl;  // string 0 ends with the context's own version
    ASSERT_TRUE(gl.Ready());
    CInfoModifier info;
    const std::string version = reinterpret_cast<const char*>(glGetString(GL_VERSION)), read = info.GetString(0);
    EXPECT_EQ(info.GetString(0), line);
    EXPECT_EQ(read.substr(read.size() - version.size() - 4), "(v " + version + ")") << read;
}

// The line takes the engine's own figures: the triangles of the last frame drawn (earlier
// frames draw 3) and the frames per second measured on the application clock, which is
// not the number of frames drawn.
TEST(InfoModifier, ReportsTheEnginesLastFrameTrianglesAndFramesPerSecond) {
    const struct {
        int frames;
        uint32_t milliseconds;  // per frame
        int32_t triangles;
        const char* line;
    } cases[] = {
        {40, 40, 1200, "1200 triangles at 25.00 FPS (0.03 MTris/s)"},  // measured at 25 frames in 1 s
        {10, 125, 2500, "2500 triangles at 8.00 FPS (0.02 MTris/s)"},  // 8 frames in 1 s
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        GLTestContext gl;
        ASSERT_TRUE(gl.Ready());
        KEExtensions::SetInstance(nullptr);
        // "info" reads the singleton: for this case, an engine on this context.
        using Singleton = KLAbstractFactory<KEEngine>;
        struct Engine : KEEngine {
            Engine() : previous(Singleton::HasInstance() ? Singleton::GetInstance() : nullptr) {
                Singleton::SetInstance(this);
            }
            ~Engine() override { OnClose(), Singleton::SetInstance(previous); }
            KEEngine* previous;
        } engine;
        gl.Window()->AddListener(&engine);
        engine.GetLighting()->DisablePresent();
        KEVertexPosition triangles;  // all at the origin: counted, nothing to see
        triangles.AllocateSpace(3 * c.triangles);
        for (int32_t i = 0; i < 3 * c.triangles; ++i) *static_cast<KEVector3*>(triangles.PositionPtr(i)) = {};
        KEMaterial material;
        gl.App().clock.now = 5000;
        engine.RestartStatistics();
        for (int frame = 1; frame <= c.frames; ++frame) {
            gl.App().clock.now += c.milliseconds;
            engine.BeginItem(true, true)->RenderState().SetMaterial(&material);
            const int32_t count = frame < c.frames ? 9 : 3 * c.triangles;
            engine.GetQueue().Submit(KEDrawCall{GL_TRIANGLES, &triangles, nullptr, count});
            ASSERT_TRUE(engine.RenderFrame());
        }
        const std::string version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
        CInfoModifier info;
        EXPECT_EQ(std::string(info.GetString(0)), std::string(c.line) + "(v " + version + ")");
        engine.GetQueue().Clear();
    }
}

TEST(UtilitiesModifier, SplitsAFollowedPointAndJoinsASineWaveInReverseReadOrder) {
    FakeApplication app;
    ScopedAppInstance scope{&app};
    CEffect::SetDemoStartSource(nullptr);
    CFollowEffect follow;
    follow.SetVector(1, KEVector3{1, 2, 3});
    follow.SetVector(0, KEVector3{1, 12, 3});
    follow.Start();
    follow.Frame(0, 0, 4);
    CUtilitiesModifier utilities;
    utilities.BindVector(4, &follow, 6);
    EXPECT_EQ(Floats(utilities, 1), Floats(follow, 3));
    EXPECT_NEAR(utilities.GetFloat(2), 5.993795f, 1e-5f);  // moved 4 x 0.998449 from y = 2
    CSineWaveModifier sine;  // 10 sin(2 pi t / 1000): 10 at 250 ms, -10 at 750 ms
    utilities.SetFloat(5, 0.5f);
    utilities.BindFloat(6, &sine, 2);
    utilities.SetFloat(7, 7);
    KEVector3 v{};
    for (const auto& [time, y] : {std::pair{250u, 10.0f}, std::pair{750u, -10.0f}}) {
        app.clock.now = time;
        EXPECT_EQ(V(*utilities.GetVector(&v, 8)), (std::vector<float>{0.5f, y, 7})) << time;
    }
    ReadOrder source;
    for (int i : {5, 6, 7}) utilities.BindFloat(i, &source, i);
    EXPECT_EQ(V(*utilities.GetVector(&v, 8)), (std::vector<float>{5, 6, 7}));
    EXPECT_EQ(source.reads, (std::vector<int>{7, 6, 5}));
}

TEST(FollowEffect, StepsSpeedTimesDeltaTowardTheDestinationWhateverTheDistance) {
    const struct {
        KEVector3 start, destination;
        float speed;
        int32_t delta;
        std::vector<std::vector<float>> after;  // floats 3-5 after each frame
    } cases[] = {
        {{0, 0, 0}, {10, 0, 0}, 1.0f, 4, {{3.993795f, 0, 0}}},
        {{10, 0, 0}, {10, 0, 0}, 1.0f, 4, {{10, 0, 0}}},                                // there: d is zero
        {{9.5f, 0, 0}, {10, 0, 0}, 1.0f, 1, {{10.498307f, 0, 0}, {9.499990f, 0, 0}}},  // past it and back
        {{0, 0, 0}, {0, -6, 8}, 0.5f, 2, {{0, -0.599069f, 0.798759f}}},
    };
    for (const auto& c : cases) {
        CFollowEffect follow;
        follow.SetVector(1, c.start);
        follow.SetVector(0, c.destination);
        follow.SetFloat(2, c.speed);
        EXPECT_EQ(Floats(follow, 3), (std::vector<float>{0, 0, 0}));  // before Start
        follow.Start();
        for (const auto& want : c.after) {
            follow.Frame(0, 0, c.delta);
            KEVector3 got{};
            EXPECT_EQ(V(*follow.GetVector(&got, 6)), Floats(follow, 3));
            for (int i = 0; i < 3; ++i) EXPECT_NEAR(Floats(follow, 3)[i], want[i], 2e-6f) << c.start.x << " " << i;
        }
    }
}

#ifdef MARLO_DATA_DIR
class MeteorEffect : public TempDirTest {
protected:
    void TearDown() override { queue.Clear(), TempDirTest::TearDown(); }
    // Frames the meteors once with delta `d`; the number of items they submitted.
    int32_t Frame(CMeteorEffect& meteors, int32_t d) {
        queue.Clear();
        meteors.Frame(0, 0, d);
        return queue.GetCount();
    }
    FakeApplication app;
    ScopedAppInstance scope{&app};
    KERenderQueue& queue = KEEngine::GetEngine()->GetQueue();
    const std::string rock = MARLO_DATA_DIR "/meteor.KD10S";
};

TEST_F(MeteorEffect, DefaultsFallByVelocityTimesDeltaSquaredAndRespawnAfterBeingDrawnBelow) {
    CMeteorEffect meteors;
    meteors.SetString(0, rock.c_str());
    ASSERT_TRUE(meteors.Load());
    const int32_t calls = meteors.GetRockMesh()->GetDrawCallCount();
    CMeteorEffect::Meteor& m = *meteors.GetMeteor(0);
    for (const auto& [d, step, y] : {std::tuple{10, -0.1f, -1.0f}, std::tuple{20, -0.2f, -4.0f}}) {
        m.position = m.rotation = KEVector3{0, 0, 0};
        ASSERT_EQ(Frame(meteors, d), 10 * calls);  // one shared mesh for all
        EXPECT_EQ(queue.GetItem(0).drawCall.stream, queue.GetItem(queue.GetCount() - 1).drawCall.stream);
        EXPECT_EQ((std::vector<float>{m.step.x, m.position.x, m.position.z}), (std::vector<float>{0, 0, 0}));
        EXPECT_NEAR(m.step.y, step, 1e-6f) << d;
        EXPECT_NEAR(m.position.y, y, 1e-5f) << d;
        EXPECT_NEAR(m.rotation.z, d * m.spin.z, 1e-5f) << d;
    }
    m.position.y = -1999.5f;
    m.rotation = KEVector3{5, 6, 7};
    const KEVector3 spin = m.spin;
    ASSERT_EQ(Frame(meteors, 10), 10 * calls);
    EXPECT_FLOAT_EQ(queue.GetItem(0).modelview.GetStep(0).values[1], -2000.5f);  // drawn there first
    EXPECT_EQ((std::vector<float>{m.position.y, m.step.y, m.spin.x}), (std::vector<float>{2000, 0, spin.x}));
    EXPECT_NEAR(m.rotation.x, 5 + 10 * spin.x, 1e-5f);
    // Integer 1 is read every frame but bounded by the rocks made at load.
    for (const auto& [count, drawn] : {std::pair{0, 0}, std::pair{4, 4}, std::pair{1000, 10}, std::pair{-5, 0}}) {
        meteors.SetInt(1, count);
        EXPECT_EQ(Frame(meteors, 10), drawn * calls) << count;
    }
}

TEST_F(MeteorEffect, StepsNotDrawnMoveAndRespawnTheRocksAsDrawnStepsDoAndSubmitNothing) {
    // Long enough for every rock to fall through the box and respawn (Random() again).
    auto run = [&](bool draw, int32_t* submitted) {
        SeedRandom(12345);
        auto meteors = std::make_unique<CMeteorEffect>();
        meteors->SetString(0, rock.c_str());
        EXPECT_TRUE(meteors->Load());
        *submitted = 0;
        for (int i = 0; i < 400; ++i) {
            queue.Clear();
            draw ? meteors->Frame(0, 0, 40) : meteors->Advance(0, 0, 40);
            *submitted += queue.GetCount();
        }
        std::vector<float> state;
        for (int32_t i = 0; i < meteors->GetMeteorCount(); ++i) {
            const CMeteorEffect::Meteor& m = *meteors->GetMeteor(i);
            state.insert(state.end(), {m.position.x, m.position.y, m.position.z, m.rotation.x, m.rotation.y, m.rotation.z});
        }
        state.push_back(static_cast<float>(Random()));  // as many draws of the generator
        return state;
    };
    int32_t drawnItems = 0, skippedItems = 0;
    EXPECT_EQ(run(true, &drawnItems), run(false, &skippedItems));
    EXPECT_GT(drawnItems, 0);
    EXPECT_EQ(skippedItems, 0);
}

TEST_F(MeteorEffect, ARockRespawnsOnlyOnceItIsPastASideOfTheBoxNotOnIt) {
    // The box's faces belong to the box on all six sides (strict comparisons).
    const struct {
        KEVector3 at;
        bool respawns;
    } cases[] = {
        {{500, 0, 0}, false},   {{500.5f, 0, 0}, true},   {{-500, 0, 0}, false},  {{-500.5f, 0, 0}, true},
        {{0, 0, 500}, false},   {{0, 0, 500.5f}, true},   {{0, 0, -500}, false},  {{0, 0, -500.5f}, true},
        {{0, 2000, 0}, false},  {{0, 2000.5f, 0}, true},  {{0, -2000, 0}, false}, {{0, -2000.5f, 0}, true},
    };
    CMeteorEffect meteors;
    meteors.SetString(0, rock.c_str());
    meteors.SetInt(1, 1);
    ASSERT_TRUE(meteors.Load());
    for (int i = 8; i <= 13; ++i) meteors.SetFloat(i, 7.0f);  // respawns land exactly at (7, 7, 7)
    CMeteorEffect::Meteor& m = *meteors.GetMeteor(0);
    for (const auto& c : cases) {
        m.position = c.at;
        Frame(meteors, 0);  // no time: the rock stays where it is, then the box is checked
        const KEVector3 want = c.respawns ? KEVector3{7, 7, 7} : c.at;
        EXPECT_EQ((std::vector<float>{m.position.x, m.position.y, m.position.z}), (std::vector<float>{want.x, want.y, want.z}))
            << c.at.x << " " << c.at.y << " " << c.at.z;
    }
}

TEST_F(MeteorEffect, PlacementsDrawRandInOrderAndADegenerateSpawnBoxIsExact) {
    CMeteorEffect meteors;
    meteors.SetString(0, rock.c_str());
    meteors.SetInt(1, 1);
    meteors.SetFloat(2, 0), meteors.SetFloat(5, 10000);    // box x: 0 to 10000
    meteors.SetFloat(4, 2000), meteors.SetFloat(7, 3000);  // box z: 2000 to 3000
    SeedRandom(99);
    ASSERT_TRUE(meteors.Load());
    SeedRandom(99);
    int r[9];
    for (int& value : r) value = Random();
    CMeteorEffect::Meteor& m = *meteors.GetMeteor(0);
    // Draws 0-2 place it on the spawn face; 3-5 in the whole box override them; 6-8 spin it.
    EXPECT_NEAR(m.position.x, r[3] % 10000, 0.01f);
    EXPECT_NEAR(m.position.z, 2000 + (r[5] % 10000) * 0.1f, 1e-3f);
    EXPECT_NEAR(m.spin.x, (r[6] % 100) * 0.002f - 0.1f, 1e-6f);
    for (int i = 0; i < 6; ++i) meteors.SetFloat(8 + i, 1.5f + float(i % 3));
    meteors.Respawn(&m, false);
    EXPECT_EQ(V(m.position), (std::vector<float>{1.5f, 2.5f, 3.5f}));
}

TEST_F(MeteorEffect, BadScenesAndCountsAreRefusedAtLoadAndDrawNothing) {
    KEScene empty, hollow;
    hollow.AddObject()->kind = KESceneObject::KIND_STATIC;  // an object without a frame mesh
    for (auto [name, scene] : {std::pair{"empty.kd10s", &empty}, std::pair{"hollow.kd10s", &hollow}}) {
        FileWriter writer;
        ASSERT_TRUE(writer.Open(PathOf(name).c_str()) && writer.WriteObject(scene) && writer.Close());
    }
    const std::pair<std::string, int32_t> cases[] = {{PathOf("missing.kd10s"), 10}, {PathOf("empty.kd10s"), 10},
                                                     {PathOf("hollow.kd10s"), 10}, {rock, -1},
                                                     {rock, CMeteorEffect::kMaxMeteors + 1}};
    for (const auto& [file, count] : cases) {
        RecordingLog log;
        CMeteorEffect meteors;
        meteors.SetString(0, file.c_str());
        meteors.SetInt(1, count);
        EXPECT_FALSE(meteors.Load()) << file;
        ASSERT_FALSE(log.Boxes().empty()) << file;  // a missing file also reports its own open
        const std::string want = count == 10 ? "Error cargando meteorito" : "integer 1) is " + std::to_string(count);
        EXPECT_NE(log.Boxes().back().find(want), std::string::npos) << log.Boxes().back();
        EXPECT_EQ(Frame(meteors, 10), 0);
    }
}
#endif

TEST(VectorField, BodiesDriftAlongMinusZAndOverwriteTheirModelsBindings) {
    FakeApplication app;
    ScopedAppInstance scope{&app};
    CEffect::SetDemoStartSource(nullptr);
    CSineWaveModifier sine;
    app.clock.now = 250;  // the sine reads 10
    CModelEffect first, second, idle;
    first.SetFloat(2, 50);
    for (CModelEffect* model : {&first, &idle}) model->BindFloat(3, &sine, 2);
    second.SetFloat(0, -7);
    CVectorFieldEffect field, none;
    field.SetInt(0, 2);
    field.SetObject(7, &first);
    field.SetObject(8, &second);
    none.SetObject(7, &idle);  // with no bodies nothing is written
    SeedRandom(5);
    ASSERT_TRUE(field.Load() && none.Load());
    SeedRandom(5);
    std::vector<float> spins(6);
    for (float& s : spins) s = RandomRange(-0.1f, 0.1f);
    field.Frame(0, 0, 16);
    none.Frame(0, 0, 16);
    EXPECT_EQ((std::vector<float>{first.GetFloat(0), first.GetFloat(1), second.GetFloat(0)}),
              (std::vector<float>{0, 0, -7}));
    EXPECT_NEAR(first.GetFloat(2), 50 - 1.6f, 1e-5f);
    EXPECT_NEAR(second.GetFloat(2), -1.6f, 1e-5f);
    EXPECT_TRUE(!first.IsFloatBound(3) && idle.IsFloatBound(3));
    EXPECT_NEAR(first.GetFloat(3), 10 + 16 * spins[0], 1e-5f);
    EXPECT_NEAR(first.GetFloat(5), 16 * spins[2], 1e-5f);
    EXPECT_NEAR(second.GetFloat(4), 16 * spins[4], 1e-5f);
}

TEST(VectorField, CountsOutsideTheArrayAndBodiesWithoutAnObjectAreRefused) {
    CModelEffect model;
    const std::tuple<int32_t, int, const char*> cases[] = {  // count, objects set from 7 on, report
        {101, 100, "integer 0) is 101"}, {-1, 0, "integer 0) is -1"}, {3, 2, "object parameter 9"}};
    for (const auto& [count, objects, message] : cases) {
        RecordingLog log;
        CVectorFieldEffect field;
        field.SetInt(0, count);
        for (int i = 0; i < objects; ++i) field.SetObject(7 + i, &model);
        model.SetFloat(0, 3);
        EXPECT_FALSE(field.Load()) << count;
        EXPECT_TRUE(field.Frame(0, 0, 16));
        EXPECT_EQ(model.GetFloat(0), 3.0f);
        ASSERT_EQ(log.Boxes().size(), 1u) << count;
        EXPECT_NE(log.Boxes()[0].find(message), std::string::npos) << log.Boxes()[0];
    }
}
