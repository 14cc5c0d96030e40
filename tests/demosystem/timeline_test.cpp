// The timeline step on a scripted clock (start, frame and stop by demo time; quit at the
// end), loading with its progress, the setup choices, and the start-up on a real window.
#include "CEffect.h"
#include "FakeApplication.h"
#include "KDSBuilders.h"
#include "KEEngine.h"
#include "KEExtensions.h"
#include "KLAbstractFactory.h"
#include "KestDemoSystem.h"
#include "RecordingLog.h"
#include "KETexture.h"
#include "ScriptedApplication.h"
#include "TempDirTest.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// What the test objects saw, in order.
struct Journal {
    std::vector<std::string> events;
    CParamObject* progressSource = nullptr;  // whose float 3 a load reads
    std::vector<float> progress;

    void Load(const std::string& tag) {
        events.push_back(tag + " load");
        if (progressSource) progress.push_back(progressSource->GetFloat(3));
    }
};

class RecordingEffect : public CEffect {
public:
    RecordingEffect(Journal* journal) : m_journal(journal) {}
    bool Load() override {
        m_journal->Load(tag);
        return loads;
    }
    bool Start() override {
        m_journal->events.push_back(tag + " start");
        return true;
    }
    bool Stop() override {
        m_journal->events.push_back(tag + " stop");
        return true;
    }
    bool Frame(uint32_t time, uint32_t local, int32_t delta) override {
        m_journal->events.push_back(tag + " frame " + std::to_string(time) + " " + std::to_string(local) + " " +
                                    std::to_string(delta));
        return true;
    }
    std::string tag;
    bool loads = true;

private:
    Journal* m_journal;
};

class RecordingModifier : public CModifier {
public:
    RecordingModifier(Journal* journal) : m_journal(journal) {}
    bool Load() override {
        m_journal->Load(tag);
        return loads;
    }
    std::string tag;
    bool loads = true;

private:
    Journal* m_journal;
};

class ModelBuilder : public IEffectBuilder {
public:
    explicit ModelBuilder(Journal* journal) : m_journal(journal) {}
    CEffect* Create() override {
        made.push_back(new RecordingEffect(m_journal));  // the demo system frees it
        return made.back();
    }
    const char* GetName() override { return "model"; }
    const char* GetDescription() override { return "This effect draws a 3d model"; }
    std::vector<RecordingEffect*> made;

private:
    Journal* m_journal;
};

class SineBuilder : public IModifierBuilder {
public:
    explicit SineBuilder(Journal* journal) : m_journal(journal) {}
    CModifier* Create() override {
        made.push_back(new RecordingModifier(m_journal));  // the demo system frees it
        return made.back();
    }
    const char* GetName() override { return "Sine Wave"; }
    const char* GetDescription() override { return "Sine Wave generator"; }
    std::vector<RecordingModifier*> made;

private:
    Journal* m_journal;
};

class TimelineFixture : public ::testing::Test {
protected:
    TimelineFixture() {
        catalog.ProvideEffect(&effects);
        catalog.ProvideModifier(&modifiers);
        demo.SetBuilderCatalog(&catalog);
        demo.Init();
        journal.progressSource = &demo.GetSystemParams();
        log.Clear();
    }

    RecordingEffect* Place(const char* tag, uint32_t start, uint32_t end, int32_t layer) {
        auto* effect = static_cast<RecordingEffect*>(demo.CreateEffect("model", start, end, layer));
        effect->tag = tag;
        return effect;
    }
    RecordingModifier* AddModifier(const char* tag) {
        auto* modifier = static_cast<RecordingModifier*>(demo.CreateModifier("Sine Wave"));
        modifier->tag = tag;
        return modifier;
    }
    // One timeline step at application time `now`; returns what the objects saw in it.
    std::vector<std::string> StepAt(uint32_t now) {
        journal.events.clear();
        app.clock.now = now;
        demo.OnRender();
        return journal.events;
    }
    // Loads and runs the first loaded step at application time 5000 (demo time 0).
    std::vector<std::string> StartDemo() {
        demo.LoadAll();
        EXPECT_TRUE(demo.IsLoaded());
        return StepAt(5000);
    }

    FakeApplication app;
    ScopedAppInstance scope{&app};
    RecordingLog log;
    Journal journal;
    ModelBuilder effects{&journal};
    SineBuilder modifiers{&journal};
    KDSBuilderCatalog catalog;
    KestDemoSystem demo;
};

using Timeline = TimelineFixture;
using LoadAll = TimelineFixture;
using V = std::vector<std::string>;

}  // namespace

TEST_F(Timeline, FirstLoadedStepStartsAtZeroWithDeltaZeroAndTheEndStepStopsWithoutFraming) {
    Place("A", 0, 60000, 0);
    StepAt(4200);  // a loading step before: its time must not leak into the first delta
    EXPECT_EQ(app.clock.waits, std::vector<uint32_t>{50});
    demo.LoadAll();
    log.Clear();
    EXPECT_EQ(StepAt(5000), (V{"A start", "A frame 0 0 0"}));
    EXPECT_EQ(log.Lines(), V{"start: 0"});
    EXPECT_EQ(demo.GetDemoStartTime(), 5000u);
    EXPECT_EQ(StepAt(5016), V{"A frame 16 16 16"});
    EXPECT_EQ(StepAt(64999), V{"A frame 59999 59999 59983"});
    log.Clear();
    EXPECT_EQ(StepAt(65003), V{"A stop"});
    EXPECT_EQ(log.Lines(), V{"end: 60003"});
    EXPECT_EQ(StepAt(70000), V{});  // stopped once, never again
    EXPECT_EQ(app.quits, 16);       // the steps at and after the end post quit
}

TEST_F(Timeline, EffectWhoseWindowHasPassedIsStoppedBeforeStartedAndNeverFramed) {
    Place("A", 0, 60000, 0);
    Place("B", 100, 200, 1);
    EXPECT_EQ(StartDemo(), (V{"A start", "A frame 0 0 0"}));
    log.Clear();
    EXPECT_EQ(StepAt(5500), (V{"B stop", "B start", "A frame 500 500 500"}));
    EXPECT_EQ(log.Lines(), (V{"end: 500", "start: 500"}));
    EXPECT_EQ(StepAt(5600), V{"A frame 600 600 100"});
}

TEST_F(Timeline, EndTimeItselfStopsWithoutFramingAndStartTimeItselfFrames) {
    Place("A", 100, 200, 0);
    Place("B", 150, 150, 1);  // an empty window, first seen exactly at its end
    StartDemo();
    struct Step {
        uint32_t t;
        V events;
        int quits;  // so far
    };
    const Step steps[] = {
        {99, {}, 0},
        {100, {"A start", "A frame 100 0 1"}, 0},
        {150, {"B stop", "B start", "A frame 150 50 50"}, 0},
        {199, {"A frame 199 99 49"}, 0},
        {200, {"A stop"}, 8},
        {201, {}, 16},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(StepAt(5000 + s.t), s.events) << "at demo time " << s.t;
        EXPECT_EQ(app.quits, s.quits) << "at demo time " << s.t;
    }
}

TEST_F(Timeline, ClosingTheWindowPostsQuit) {
    demo.OnClose();
    EXPECT_EQ(app.quits, 1);
}

TEST_F(Timeline, EffectsAreVisitedLayerByLayerInCreationOrder) {
    Place("C", 0, 1000, 1);
    Place("A", 0, 1000, 0);
    Place("D", 300, 1000, 1);
    Place("B", 0, 1000, 0);
    EXPECT_EQ(StartDemo(), (V{"A start", "B start", "C start", "A frame 0 0 0", "B frame 0 0 0", "C frame 0 0 0"}));
    EXPECT_EQ(StepAt(5400), (V{"D start", "A frame 400 400 400", "B frame 400 400 400", "C frame 400 400 400",
                               "D frame 400 100 400"}));
}

TEST_F(Timeline, QuitIsPostedOncePerLayerFromTheStepThatReachesTheEnd) {
    Place("A", 0, 134000, 3);
    StartDemo();
    StepAt(5000 + 133999);
    EXPECT_EQ(app.quits, 0);
    StepAt(5000 + 134000);
    EXPECT_EQ(app.quits, 8);
    StepAt(5000 + 134020);
    EXPECT_EQ(app.quits, 16);
}

TEST_F(Timeline, EmptyCompositionQuitsOnItsFirstLoadedStep) {
    demo.LoadAll();
    EXPECT_TRUE(app.clock.waits.empty());
    StepAt(5000);
    EXPECT_EQ(app.quits, 8);
}

TEST_F(Timeline, LoadingStepsWaitAndFrameOnlyTheLoadingScreenWithApplicationTime) {
    Place("A", 0, 1000, 0);
    RecordingEffect loading(&journal);
    loading.tag = "L";
    demo.AddLoadingScreenEffect(&loading);
    EXPECT_EQ(StepAt(1000), V{"L frame 1000 0 1000"});
    EXPECT_EQ(StepAt(1070), V{"L frame 1070 0 70"});  // from the start of the step before
    EXPECT_EQ(app.clock.waits, (std::vector<uint32_t>{50, 50}));
    EXPECT_EQ(app.quits, 0);
}

TEST_F(LoadAll, PublishesProgressAfterEachOfFourLoadsWithAWaitBeforeEach) {
    Place("A", 0, 1000, 3);
    Place("B", 0, 1000, 0);
    Place("C", 0, 1000, 3);
    AddModifier("M");
    demo.LoadAll();
    EXPECT_EQ(journal.events, (V{"B load", "A load", "C load", "M load"}));
    EXPECT_EQ(journal.progress, (std::vector<float>{0.0f, 25.0f, 50.0f, 75.0f}));
    EXPECT_FLOAT_EQ(demo.GetSystemParams().GetFloat(3), 100.0f);
    EXPECT_EQ(app.clock.waits, (std::vector<uint32_t>{100, 100, 100, 100}));
    EXPECT_TRUE(demo.IsLoaded());
}

TEST_F(LoadAll, FailedEffectStopsLoadingWithABox) {
    Place("A", 0, 1000, 0);
    Place("B", 0, 1000, 0)->loads = false;
    Place("C", 0, 1000, 1);
    AddModifier("M");
    demo.LoadAll();
    EXPECT_EQ(journal.events, (V{"A load", "B load"}));
    EXPECT_EQ(log.Boxes(), V{"EFFECT LOAD FAILED"});
    EXPECT_FALSE(demo.IsLoaded());
    EXPECT_FLOAT_EQ(demo.GetSystemParams().GetFloat(3), 25.0f);
    // The timeline stays in its loading state: no effect starts.
    EXPECT_EQ(StepAt(9000), V{});
    EXPECT_EQ(app.clock.waits.back(), 50u);
}

TEST_F(LoadAll, FailedModifierStopsLoadingWithATraceOnly) {
    Place("A", 0, 1000, 0);
    AddModifier("M")->loads = false;
    AddModifier("N");
    demo.LoadAll();
    EXPECT_EQ(journal.events, (V{"A load", "M load"}));
    EXPECT_TRUE(log.Boxes().empty());
    EXPECT_EQ(log.Lines(), V{"MODIFIER LOAD FAILED"});
    EXPECT_FALSE(demo.IsLoaded());
}

TEST_F(Timeline, EffectsReadTheirLocalTimeFromTheSingletonsDemoStart) {
    KLAbstractFactory<KestDemoSystem>::SetInstance(&demo);
    RecordingEffect* effect = Place("A", 100, 1000, 0);
    StartDemo();
    app.clock.now = 5300;
    EXPECT_EQ(effect->GetInt(CEffect::LOCAL_TIME_PARAM), 200);
    KLAbstractFactory<KestDemoSystem>::SetInstance(nullptr);
}

namespace {

void DefaultChoices(KDSSetupResult* result) { result->accepted = 1; }
void SlowRateWindowed(KDSSetupResult* result) {
    result->accepted = 1;
    result->screenMode = 0;
    result->soundDevice = 2;
    result->sampleRate = 0;
    result->fullScreen = 0;
}
void Cancelled(KDSSetupResult* result) { result->accepted = 0; }
void OutOfRange(KDSSetupResult* result) {
    result->accepted = 1;
    result->screenMode = 10;
    result->soundDevice = -1;
    result->sampleRate = 3;
}

}  // namespace

TEST(DemoSystemInit, StoresTheChosenModeDeviceAndRate) {
    struct Case {
        KDSSetupProvider provider;
        int32_t width, height, bits;
        bool windowed;
        int32_t device, rate;
        size_t boxes;
    };
    const Case cases[] = {
        {nullptr, 800, 600, 32, false, 0, 44100, 0},
        {&DefaultChoices, 800, 600, 32, false, 0, 44100, 0},
        {&SlowRateWindowed, 512, 384, 16, true, 2, 11025, 0},
        // Indexes past the tables take the defaults, each with a report.
        {&OutOfRange, 800, 600, 32, false, 0, 44100, 3},
    };
    for (const Case& c : cases) {
        FakeApplication app;
        ScopedAppInstance scope(&app);
        RecordingLog log;
        KDSBuilderCatalog empty;
        KestDemoSystem demo;
        demo.SetBuilderCatalog(&empty);
        demo.SetSetupProvider(c.provider);
        demo.Init();
        EXPECT_EQ(demo.GetWidth(), c.width);
        EXPECT_EQ(demo.GetHeight(), c.height);
        EXPECT_EQ(demo.GetBitsPerPixel(), c.bits);
        EXPECT_EQ(demo.IsWindowed(), c.windowed);
        EXPECT_EQ(demo.GetSystemParams().GetInt(0), c.device);
        EXPECT_EQ(demo.GetSystemParams().GetInt(1), c.rate);
        EXPECT_EQ(log.Boxes().size(), c.boxes);
        EXPECT_EQ(app.quits, 0);
    }
}

TEST(DemoSystemInit, CancelledSetupPostsQuitAndStartOpensNoWindow) {
    FakeApplication app;
    ScopedAppInstance scope(&app);
    RecordingLog log;
    KDSBuilderCatalog empty;
    KestDemoSystem demo;
    demo.SetBuilderCatalog(&empty);
    demo.SetSetupProvider(&Cancelled);
    demo.Init();
    EXPECT_EQ(app.quits, 1);
    demo.OnStart();
    EXPECT_TRUE(app.GetWindows().empty());
    EXPECT_EQ(demo.GetWindow(), nullptr);
    EXPECT_FALSE(demo.IsLoaded());
    EXPECT_TRUE(app.clock.waits.empty());
    log.Clear();
    demo.OnFrame(0);
    EXPECT_EQ(log.Lines(), V{"Not ready"});
    EXPECT_TRUE(log.Boxes().empty());
}

namespace {

void Windowed512(KDSSetupResult* result) {
    result->accepted = 1;
    result->screenMode = 1;  // 512x384x32
    result->fullScreen = 0;
}

// Runs the clients' start and returns, instead of entering the message loop.
class StartOnlyApplication : public ScriptedApplication {
public:
    int Run() override {
        DispatchCode(KL::kDispatchStart);
        return 7;
    }
};

}  // namespace

// The demo system started on a real offscreen window with one "model" effect, A.
class DemoSystemGL : public TempDirTest {
protected:
    DemoSystemGL() {
        KEExtensions::SetInstance(nullptr);
        catalog.ProvideEffect(&effects);
        demo.SetBuilderCatalog(&catalog);
        demo.SetSetupProvider(&Windowed512);
        demo.Init();
    }
    ~DemoSystemGL() override {
        // The engine singleton outlives this test: leave it pointing at nothing of it.
        KEEngine* engine = KEEngine::GetEngine();
        engine->OnClose();
        engine->SetFrameListener(nullptr);
        engine->SetCamera(nullptr);
        engine->SetView(nullptr);
        KEExtensions::SetInstance(nullptr);
        // The framework never frees a window it opened; the demo's window is ours to free.
        delete demo.GetWindow();
    }

    // Places A over 0..60000, loading as told, and runs the start-up at application time 2000.
    RecordingEffect* Start(bool loads) {
        auto* effect = static_cast<RecordingEffect*>(demo.CreateEffect("model", 0, 60000, 0));
        effect->tag = "A";
        effect->loads = loads;
        app.clock.now = 2000;
        EXPECT_EQ(demo.Run("Marlo!!!", nullptr), 7);
        return effect;
    }
    // A 2 by 2 grey BMP, 24 bits, rows padded to 8 bytes, as a texture's file.
    void SetGreyBitmap(KETexture* texture, const std::string& name) {
        std::vector<uint8_t> bmp = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 2, 0,
                                    0,   0,   1, 0, 24, 0, 0, 0, 0, 0, 16, 0, 0, 0, 0,  0, 0, 0, 0, 0, 0, 0, 0, 0,
                                    0,   0,   0, 0, 0, 0};
        for (int i = 0; i < 2; ++i) bmp.insert(bmp.end(), {90, 90, 90, 90, 90, 90, 0, 0});
        texture->SetFile(WriteBytes(name, bmp).c_str(), GL_RGB);
    }

    StartOnlyApplication app;
    ScopedAppInstance scope{&app};
    RecordingLog log;
    Journal journal;
    ModelBuilder effects{&journal};
    KDSBuilderCatalog catalog;
    KestDemoSystem demo;
};

TEST_F(DemoSystemGL, StartOpensTheChosenWindowAndFramesRenderTheTimeline) {
    Start(true);
    KL::Window* window = demo.GetWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_NE(window->GetHandle(), nullptr);
    KEEngine* engine = KEEngine::GetEngine();
    EXPECT_TRUE(engine->IsReady());
    EXPECT_TRUE(demo.IsLoaded());
    EXPECT_EQ(journal.events, (V{"A load"}));
    int x = -1, y = -1;
    ClientOrigin(window, &x, &y);
    EXPECT_EQ(x, 10);
    EXPECT_EQ(y, 30);
    int32_t width = 0, height = 0;
    window->GetClientSize(&width, &height);
    EXPECT_EQ(width, 512);
    EXPECT_EQ(height, 384);
    EXPECT_STREQ(window->GetTitle(), "Marlo!!!");

    // The classic camera: 90 degrees (tan 45 = 1 at the near plane 1), the aspect the float
    // 1.33 rather than 4/3, far plane 2000; the eye at (0, 0, -100), not turned.
    ASSERT_NE(engine->GetCamera(), nullptr);
    const KL::TransformList* projection = engine->GetCamera()->GetTransforms();
    ASSERT_EQ(projection->GetCount(), 2);
    EXPECT_EQ(projection->GetStep(1).kind, KL::TransformStep::kFrustum);
    const float volume[6] = {-1.33f, 1.33f, -1.0f, 1.0f, 1.0f, 2000.0f};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(projection->GetStep(1).values[i], volume[i]) << "plane " << i;
    ASSERT_NE(engine->GetView(), nullptr);
    const KL::TransformList* view = engine->GetView()->GetTransforms();
    ASSERT_EQ(view->GetCount(), 5);
    for (int i = 1; i < 4; ++i) EXPECT_EQ(view->GetStep(i).values[0], 0.0f) << "rotation " << i;
    const KL::TransformStep& eye = view->GetStep(4);
    EXPECT_EQ(eye.kind, KL::TransformStep::kTranslate);
    EXPECT_EQ(eye.values[0], 0.0f);
    EXPECT_EQ(eye.values[1], 0.0f);
    EXPECT_EQ(eye.values[2], 100.0f);

    // Scene textures queued while loading are all loaded by the first loaded step.
    KETexture first, second;
    SetGreyBitmap(&first, "first.bmp");
    SetGreyBitmap(&second, "second.bmp");
    engine->QueuePendingTexture(&first);
    engine->QueuePendingTexture(&second);

    const int32_t before = engine->GetFrameCount();
    journal.events.clear();
    demo.OnFrame(0);
    app.clock.now += 20;
    demo.OnFrame(0);
    EXPECT_EQ(engine->GetFrameCount(), before + 2);
    EXPECT_EQ(journal.events, (V{"A start", "A frame 0 0 0", "A frame 20 20 20"}));
    EXPECT_TRUE(first.IsLoaded());
    EXPECT_TRUE(second.IsLoaded());
    EXPECT_FALSE(engine->HasPendingTextures());
    EXPECT_TRUE(log.Boxes().empty());
    first.ReleaseTexture();
    second.ReleaseTexture();

    engine->OnClose();
    EXPECT_FALSE(engine->IsReady());
    EXPECT_EQ(window->GetHandle(), nullptr);
}

TEST_F(DemoSystemGL, EachLoadingStepLoadsOnePendingTextureFromTheFront) {
    Start(false);  // A fails to load: the timeline stays in its loading steps
    EXPECT_FALSE(demo.IsLoaded());
    EXPECT_EQ(log.Boxes(), V{"EFFECT LOAD FAILED"});
    KEEngine* engine = KEEngine::GetEngine();
    ASSERT_TRUE(engine->IsReady());
    KETexture first, second;
    SetGreyBitmap(&first, "first.bmp");
    SetGreyBitmap(&second, "second.bmp");
    engine->QueuePendingTexture(&first);
    engine->QueuePendingTexture(&second);  // queued at the front

    struct Step {
        bool firstLoaded, secondLoaded;
    };
    const Step steps[] = {{false, true}, {true, true}, {true, true}};
    for (const Step& s : steps) {
        demo.OnFrame(0);
        EXPECT_EQ(first.IsLoaded(), s.firstLoaded);
        EXPECT_EQ(second.IsLoaded(), s.secondLoaded);
    }
    EXPECT_FALSE(engine->HasPendingTextures());
    EXPECT_EQ(journal.events, V{"A load"});  // never started
    first.ReleaseTexture();
    second.ReleaseTexture();
}
