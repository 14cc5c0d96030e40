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
#include "ScriptedApplicationSDL.h"
#include "TempDirTest.h"

#include <SDL.h>
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
        made.push_back(std::make_unique<RecordingEffect>(m_journal));
        return made.back().get();
    }
    const char* GetName() override { return "model"; }
    const char* GetDescription() override { return "This effect draws a 3d model"; }
    std::vector<std::unique_ptr<RecordingEffect>> made;

private:
    Journal* m_journal;
};

class SineBuilder : public IModifierBuilder {
public:
    explicit SineBuilder(Journal* journal) : m_journal(journal) {}
    CModifier* Create() override {
        made.push_back(std::make_unique<RecordingModifier>(m_journal));
        return made.back().get();
    }
    const char* GetName() override { return "Sine Wave"; }
    const char* GetDescription() override { return "Sine Wave generator"; }
    std::vector<std::unique_ptr<RecordingModifier>> made;

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
class StartOnlyApplication : public ScriptedApplicationSDL {
public:
    int Run() override {
        DispatchCode(KL::kDispatchStart);
        return 7;
    }
};

}  // namespace

using DemoSystemGL = TempDirTest;

TEST_F(DemoSystemGL, StartOpensTheChosenWindowAndFramesRenderTheTimeline) {
    StartOnlyApplication app;
    ScopedAppInstance scope(&app);
    RecordingLog log;
    KEExtensions::SetInstance(nullptr);
    Journal journal;
    ModelBuilder effects(&journal);
    KDSBuilderCatalog catalog;
    catalog.ProvideEffect(&effects);
    KestDemoSystem demo;
    demo.SetBuilderCatalog(&catalog);
    demo.SetSetupProvider(&Windowed512);
    demo.Init();
    auto* effect = static_cast<RecordingEffect*>(demo.CreateEffect("model", 0, 60000, 0));
    effect->tag = "A";
    app.clock.now = 2000;

    EXPECT_EQ(demo.Run("Marlo!!!", nullptr), 7);
    KL::Window* window = demo.GetWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_NE(window->GetHandle(), nullptr);
    KEEngine* engine = KEEngine::GetEngine();
    EXPECT_TRUE(engine->IsReady());
    EXPECT_TRUE(demo.IsLoaded());
    EXPECT_EQ(journal.events, (V{"A load"}));
    int x = -1, y = -1;
    SDL_GetWindowPosition(static_cast<SDL_Window*>(window->GetHandle()), &x, &y);
    EXPECT_EQ(x, 10);
    EXPECT_EQ(y, 30);
    int32_t width = 0, height = 0;
    window->GetClientSize(&width, &height);
    EXPECT_EQ(width, 512);
    EXPECT_EQ(height, 384);
    EXPECT_STREQ(window->GetTitle(), "Marlo!!!");

    // Scene textures queued while loading are all loaded by the first loaded step.
    // A 2 by 2 grey BMP, 24 bits, rows padded to 8 bytes.
    std::vector<uint8_t> bmp = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 2, 0,
                                0,   0,   1, 0, 24, 0, 0, 0, 0, 0, 16, 0, 0, 0, 0,  0, 0, 0, 0, 0, 0, 0, 0, 0,
                                0,   0,   0, 0, 0, 0};
    for (int i = 0; i < 2; ++i) bmp.insert(bmp.end(), {90, 90, 90, 90, 90, 90, 0, 0});
    KETexture first, second;
    first.SetFile(WriteBytes("first.bmp", bmp).c_str(), GL_RGB);
    second.SetFile(WriteBytes("second.bmp", bmp).c_str(), GL_RGB);
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
    // The engine singleton outlives this test: leave it pointing at nothing of it.
    engine->SetFrameListener(nullptr);
    engine->SetCamera(nullptr);
    engine->SetView(nullptr);
    KEExtensions::SetInstance(nullptr);
}
