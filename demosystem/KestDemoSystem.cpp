// The demo system: registration of builders, creation and placement of effects, the
// start-up (setup choices, window, engine, loading) and the timeline step that starts,
// frames and stops the effects by demo time.
#include "KestDemoSystem.h"

#include "KDSBuilders.h"
#include "KEEngine.h"
#include "KEExtensions.h"
#include "KEFont.h"
#include "KETexture.h"
#include "KLAbstractFactory.h"
#include "KLHelpers.h"
#include "KLLog.h"

#include <cstdio>
#include <cstring>
#include <typeinfo>

namespace {

KestDemoSystem* CreateDemoSystem() { return new KestDemoSystem(); }

KL::Application* App() {
    return KLAbstractFactory<KL::Application>::HasInstance() ? KLAbstractFactory<KL::Application>::GetInstance()
                                                             : nullptr;
}

void PostQuit() {
    if (KL::Application* app = App()) app->Quit();
}

void Wait(uint32_t milliseconds) {
    if (KL::Application* app = App()) app->Wait(milliseconds);
}

uint32_t Now() {
    KL::Application* app = App();
    return app ? app->GetTime() : 0;
}

// What effects read as the demo start (their local-time parameter): the singleton's.
uint32_t SingletonDemoStart() {
    return KLAbstractFactory<KestDemoSystem>::HasInstance()
               ? KLAbstractFactory<KestDemoSystem>::GetInstance()->GetDemoStartTime()
               : 0;
}

const char* Printable(const char* name) { return name ? name : "(null)"; }

}  // namespace

KestDemoSystem* KestDemoSystem::GetInstance() {
    return KLAbstractFactory<KestDemoSystem>::CreateInstance(&CreateDemoSystem);
}

KestDemoSystem::KestDemoSystem() { CEffect::SetDemoStartSource(&SingletonDemoStart); }

KestDemoSystem::~KestDemoSystem() {
    for (int layer = 0; layer < MAX_LAYERS; ++layer) {
        for (int position = 0; position < m_layerCounts[layer]; ++position) delete m_layers[layer][position];
    }
    for (KLListNode* node = m_modifiers.GetFirst(); node; node = node->GetNext()) delete node->Item<CModifier>();
}

void KestDemoSystem::Init() {
    RegisterBuilders();
    LogMessage("KestDemoSystem OK.");
    KDSSetupResult result;
    if (m_setupProvider) {
        m_setupProvider(&result);
    } else {
        result.accepted = 1;
    }
    StoreChoices(result);
}

void KestDemoSystem::RegisterBuilders() {
    const KDSBuilderCatalog& catalog = m_catalog ? *m_catalog : KDSBuilderCatalog::Process();
    // A second Init registers anew rather than twice.
    m_effectBuilders.Clear();
    m_modifierBuilders.Clear();
    LogMessage("Registerint effects:");
    for (int i = 0; i < KDSBuilderCatalog::kEffectTypes; ++i) {
        if (IEffectBuilder* builder = catalog.GetEffect(i)) {
            LogMessage("Effect \"%s\" (%s) registered.", builder->GetName(), builder->GetDescription());
            m_effectBuilders.Append(builder);
        }
    }
    LogMessage("Registering modifiers:");
    for (int i = 0; i < KDSBuilderCatalog::kModifierTypes; ++i) {
        if (IModifierBuilder* builder = catalog.GetModifier(i)) {
            LogMessage("Modifier \"%s\" (%s) registered.", builder->GetName(), builder->GetDescription());
            m_modifierBuilders.Append(builder);
        }
    }
    LogMessage("OK");
}

void KestDemoSystem::StoreChoices(const KDSSetupResult& result) {
    m_setup = result;
    if (result.accepted <= 0) {
        m_setupAccepted = false;
        PostQuit();
        return;
    }
    // Indexes from a provider that are out of range take the dialog's defaults, so that no
    // table is read past its end.
    const KDSSetupResult defaults;
    if (result.screenMode < 0 || result.screenMode >= kScreenModeCount) {
        LogError("Setup: screen mode %d does not exist, using %dx%dx%d", result.screenMode,
                 kScreenModes[defaults.screenMode].width, kScreenModes[defaults.screenMode].height,
                 kScreenModes[defaults.screenMode].bitsPerPixel);
        m_setup.screenMode = defaults.screenMode;
    }
    if (result.sampleRate < 0 || result.sampleRate >= kSampleRateCount) {
        LogError("Setup: sample rate %d does not exist, using %d Hz", result.sampleRate,
                 kSampleRates[defaults.sampleRate]);
        m_setup.sampleRate = defaults.sampleRate;
    }
    if (result.soundDevice < 0) {
        LogError("Setup: sound device %d does not exist, using device %d", result.soundDevice,
                 defaults.soundDevice);
        m_setup.soundDevice = defaults.soundDevice;
    }
    m_setupAccepted = true;
    const KDSScreenMode& mode = kScreenModes[m_setup.screenMode];
    m_width = mode.width;
    m_height = mode.height;
    m_bits = mode.bitsPerPixel;
    m_systemParams.SetInt(0, m_setup.soundDevice);
    m_windowed = m_setup.fullScreen == 0;
    m_sampleRate = kSampleRates[m_setup.sampleRate];
    m_systemParams.SetInt(1, m_sampleRate);
}

IEffectBuilder* KestDemoSystem::FindEffectBuilder(const char* name) const {
    if (!name) return nullptr;
    for (KLListNode* node = m_effectBuilders.GetFirst(); node; node = node->GetNext()) {
        IEffectBuilder* builder = node->Item<IEffectBuilder>();
        const char* builderName = builder->GetName();
        if (builderName && std::strcmp(builderName, name) == 0) return builder;
    }
    return nullptr;
}

IModifierBuilder* KestDemoSystem::FindModifierBuilder(const char* name) const {
    if (!name) return nullptr;
    for (KLListNode* node = m_modifierBuilders.GetFirst(); node; node = node->GetNext()) {
        IModifierBuilder* builder = node->Item<IModifierBuilder>();
        const char* builderName = builder->GetName();
        if (builderName && std::strcmp(builderName, name) == 0) return builder;
    }
    return nullptr;
}

CEffect* KestDemoSystem::CreateEffect(const char* name, uint32_t start, uint32_t end, int32_t layer) {
    // Even a failed request extends the demo.
    if (end > m_demoEnd) m_demoEnd = end;
    IEffectBuilder* builder = FindEffectBuilder(name);
    if (!builder) {
        LogError("Can't Instanciate the effect \"%s\", builder not found", Printable(name));
        return nullptr;
    }
    // Checked before the instance exists, so that a refused request leaves nothing behind.
    if (layer < 0 || layer >= MAX_LAYERS) {
        LogError("Can't place the effect \"%s\": layer %d does not exist (0 to %d)", name, layer, MAX_LAYERS - 1);
        return nullptr;
    }
    if (m_layerCounts[layer] >= MAX_EFFECTS_PER_LAYER) {
        LogError("Can't place the effect \"%s\": layer %d is full (%d effects)", name, layer, MAX_EFFECTS_PER_LAYER);
        return nullptr;
    }
    CEffect* effect = builder->Create();
    if (!effect) return nullptr;
    m_layers[layer][m_layerCounts[layer]++] = effect;
    effect->Place(start, end, layer);
    return effect;
}

CModifier* KestDemoSystem::CreateModifier(const char* name) {
    IModifierBuilder* builder = FindModifierBuilder(name);
    if (!builder) {
        LogError("Can't Instanciate the modifier \"%s\", builder not found", Printable(name));
        return nullptr;
    }
    CModifier* modifier = builder->Create();
    if (modifier) m_modifiers.Append(modifier);
    return modifier;
}

void KestDemoSystem::AddLoadingScreenEffect(CEffect* effect) {
    if (effect) m_loadingEffects.Append(effect);
}

int32_t KestDemoSystem::GetLayerCount(int layer) const {
    return (layer >= 0 && layer < MAX_LAYERS) ? m_layerCounts[layer] : 0;
}

CEffect* KestDemoSystem::GetEffect(int layer, int position) const {
    if (layer < 0 || layer >= MAX_LAYERS || position < 0 || position >= m_layerCounts[layer]) return nullptr;
    return m_layers[layer][position];
}

int KestDemoSystem::Run(const char* title, KL::IconHandle icon) {
    m_title = title;
    m_icon = icon;
    KL::Application* app = KLAbstractFactory<KL::Application>::GetInstance();
    if (!app) return 1;
    app->AddClient(this);
    return app->Run();
}

void KestDemoSystem::OnStart() {
    // A cancelled setup chose nothing to open a window with; the loop ends at once anyway.
    if (!m_setupAccepted) return;
    KL::Application* app = KLAbstractFactory<KL::Application>::GetInstance();
    if (!app) return;

    m_engine = KEEngine::GetEngine();
    m_engine->SetFrameListener(this);
    m_camera.SetPerspective(90.0f, 1.33f, 1.0f, 2000.0f);
    m_engine->SetCamera(&m_camera);
    m_engine->SetView(&m_view);
    m_view.SetEye(0.0f, 0.0f, -100.0f, 0.0f, 0.0f, 0.0f);

    KLList listeners;
    listeners.Append(static_cast<KL::WindowListener*>(this));
    m_window = app->OpenWindow(m_title, 10, 30, m_width, m_height, m_bits, !m_windowed, m_icon, &listeners);
    // Attaching the engine creates the window's OpenGL context and sets the engine's state.
    if (m_window) m_window->AddListener(m_engine);

    for (KLListNode* node = m_loadingEffects.GetFirst(); node; node = node->GetNext()) {
        CEffect* effect = node->Item<CEffect>();
        effect->Load();
        effect->Start();
    }
    KEExtensions::GetInstance();
    LoadAll();
}

void KestDemoSystem::LoadAll(bool paced) {
    if (!m_randomSaved) {
        m_randomAtLoad = CurrentRandomSeed();
        m_randomSaved = true;
    }
    float total = static_cast<float>(m_modifiers.GetCount());
    for (int layer = 0; layer < MAX_LAYERS; ++layer) total += static_cast<float>(m_layerCounts[layer]);
    float n = 1.0f;
    for (int layer = 0; layer < MAX_LAYERS; ++layer) {
        for (int position = 0; position < m_layerCounts[layer]; ++position) {
            if (paced) Wait(100);
            if (!m_layers[layer][position]->Load()) {
                LogError("EFFECT LOAD FAILED");
                return;
            }
            m_systemParams.SetFloat(3, n / total * 100.0f);
            n += 1.0f;
        }
    }
    for (KLListNode* node = m_modifiers.GetFirst(); node; node = node->GetNext()) {
        if (paced) Wait(100);
        if (!node->Item<CModifier>()->Load()) {
            LogMessage("MODIFIER LOAD FAILED");
            return;
        }
        m_systemParams.SetFloat(3, n / total * 100.0f);
        n += 1.0f;
    }
    m_loaded = true;
}

void KestDemoSystem::OnFrame(uint32_t time) {
    (void)time;
    // A paused show draws nothing (the window keeps its last picture) until a seek.
    if (m_paused && m_loaded && !m_seekPending && !m_rebuildPending) return;
    if (m_engine && m_engine->IsReady()) {
        m_engine->RenderFrame();
    } else {
        LogMessage("Not ready");
    }
}

void KestDemoSystem::OnClose() { PostQuit(); }

bool KestDemoSystem::OnRender() {
    // The engine opens and closes its frame (its two per-frame flags) around this call.
    if (!m_loaded) {
        const uint32_t now = Now();
        const int32_t delta = static_cast<int32_t>(now - m_previousStep);
        m_previousStep = now;
        Wait(50);
        if (m_engine && m_engine->HasPendingTextures()) {
            m_engine->TakePendingTexture()->LoadTexture(m_engine->GetMipmapBuilder());
        }
        for (KLListNode* node = m_loadingEffects.GetFirst(); node; node = node->GetNext()) {
            node->Item<CEffect>()->Frame(now, 0, delta);
        }
        return true;
    }

    if (m_firstLoadedStep) {
        if (m_engine) {
            while (KETexture* texture = m_engine->TakePendingTexture()) texture->LoadTexture(m_engine->GetMipmapBuilder());
        }
        m_firstLoadedStep = false;
        // The demo clock starts here, after the textures; the first step has no elapsed time.
        m_demoStart = Now();
        m_stepped = false;
    }
    if (m_seekPending || m_rebuildPending) {
        // A rebuild goes on at the time this step has (the last one's while paused).
        const uint32_t now = m_paused || !m_stepped ? m_lastStepTime : Now() - m_demoStart;
        const uint32_t target = m_seekPending ? m_seekTarget : now;
        const bool rebuild = m_rebuildPending || m_stepped || m_rebuilds > 0;
        m_seekPending = false;
        m_rebuildPending = false;
        if (!PerformSeek(target, rebuild)) {
            PostQuit();
            return true;
        }
    }

    const uint32_t t = Now() - m_demoStart;
    // The first step after the timeline was built has no elapsed time.
    const int32_t delta = m_stepped ? static_cast<int32_t>(t - m_lastStepTime) : 0;
    m_lastStepTime = t;
    m_stepped = true;
    m_previousStep = Now();
    StepTimeline(t, delta, StepKind::Draw);
    // Only a seek steps a paused show: what it started holds still like the rest.
    if (m_paused) PauseEffects(true);
    DrawOverlayLine();
    return true;
}

void KestDemoSystem::StepTimeline(uint32_t t, int32_t delta, StepKind kind) {
    for (int layer = 0; layer < MAX_LAYERS; ++layer) {
        for (int position = 0; position < m_layerCounts[layer]; ++position) {
            CEffect* effect = m_layers[layer][position];
            if (!effect->IsStopped() && effect->GetEndTime() <= t) {
                LogMessage("end: %d", static_cast<int>(t));
                effect->Stop();
                effect->SetStopped();
            }
        }
    }
    for (int layer = 0; layer < MAX_LAYERS; ++layer) {
        for (int position = 0; position < m_layerCounts[layer]; ++position) {
            CEffect* effect = m_layers[layer][position];
            if (effect->GetStartTime() <= t && !effect->IsStarted()) {
                LogMessage("start: %d", static_cast<int>(t));
                effect->Start();
                effect->SetStarted();
            }
        }
    }
    for (int layer = 0; layer < MAX_LAYERS; ++layer) {
        for (int position = 0; position < m_layerCounts[layer]; ++position) {
            CEffect* effect = m_layers[layer][position];
            if (effect->GetStartTime() <= t && effect->GetEndTime() > t) {
                if (kind == StepKind::Draw) {
                    effect->Frame(t, t - effect->GetStartTime(), delta);
                } else {
                    effect->Advance(t, t - effect->GetStartTime(), delta);
                }
            }
        }
        if (kind == StepKind::Draw && t >= m_demoEnd) PostQuit();
    }
}

bool KestDemoSystem::Compose() {
    if (!m_composer) {
        LogError("Can't compose the show: no composer");
        return false;
    }
    return m_composer(this);
}

KestDemoSystem::Timeline KestDemoSystem::TakeTimeline() {
    Timeline old;
    old.layers.resize(MAX_LAYERS);
    for (int layer = 0; layer < MAX_LAYERS; ++layer) {
        for (int position = 0; position < m_layerCounts[layer]; ++position) {
            m_layers[layer][position]->Retire();
            old.layers[layer].push_back(m_layers[layer][position]);
            m_layers[layer][position] = nullptr;
        }
        m_layerCounts[layer] = 0;
    }
    for (KLListNode* node = m_modifiers.GetFirst(); node; node = node->GetNext()) {
        old.modifiers.push_back(node->Item<CModifier>());
    }
    m_modifiers.Clear();
    m_demoEnd = 0;
    // The effects that set the engine's camera and view are going: the demo's own again.
    if (m_engine) {
        m_engine->SetCamera(&m_camera);
        m_engine->SetView(&m_view);
    }
    return old;
}

void KestDemoSystem::ReplaceTimeline(Timeline* old) {
    for (int layer = 0; layer < MAX_LAYERS && layer < static_cast<int>(old->layers.size()); ++layer) {
        const std::vector<CEffect*>& before = old->layers[static_cast<size_t>(layer)];
        for (int position = 0; position < m_layerCounts[layer]; ++position) {
            if (position >= static_cast<int>(before.size())) break;
            CEffect& effect = *m_layers[layer][position];
            CEffect& previous = *before[static_cast<size_t>(position)];
            if (typeid(effect) == typeid(previous)) effect.Inherit(&previous);
        }
    }
    for (std::vector<CEffect*>& layer : old->layers) {
        for (CEffect* effect : layer) delete effect;
        layer.clear();
    }
    for (CModifier* modifier : old->modifiers) delete modifier;
    old->modifiers.clear();
}

bool KestDemoSystem::Seek(uint32_t time) {
    if (!m_composer) {
        LogMessage("Seek refused: the show cannot be built again");
        return false;
    }
    m_seekTarget = time;
    m_seekPending = true;
    return true;
}

bool KestDemoSystem::Rebuild() {
    if (!m_composer) {
        LogMessage("Rebuild refused: the show cannot be built again");
        return false;
    }
    m_rebuildPending = true;
    return true;
}

bool KestDemoSystem::PerformSeek(uint32_t target, bool rebuild) {
    if (rebuild) {
        // A timeline that has run is built afresh: the state a run from 0 has at the target
        // is only ever reached by stepping fresh effects from 0.
        Timeline old = TakeTimeline();
        SeedRandom(m_randomAtLoad);
        if (!Compose()) {
            ReplaceTimeline(&old);
            LogError("The show could not be built again");
            return false;
        }
        m_loaded = false;
        LoadAll(false);
        ReplaceTimeline(&old);
        if (!m_loaded) return false;
        if (m_engine) {
            while (KETexture* texture = m_engine->TakePendingTexture()) texture->LoadTexture(m_engine->GetMipmapBuilder());
        }
        ++m_rebuilds;
    }
    // Held inside the show, so that a seek never ends it.
    if (m_demoEnd > 0 && target >= m_demoEnd) target = m_demoEnd - 1;
    FastForward(target);
    TraceShowTime(target);
    return true;
}

void KestDemoSystem::FastForward(uint32_t target) {
    // The steps a run from 0 takes before the target: the ticks of the application's
    // virtual clock if it has one (a capture), else fixed live steps on a clock of the seek's
    // own. Effects read the step's time from the clock as they would in that run.
    KL::Application* app = App();
    KL::VirtualClock* clock = app ? app->GetVirtualClock() : nullptr;
    KL::VirtualClock own(kLiveStepRate);
    const bool borrowed = clock != nullptr;
    if (!borrowed) {
        clock = &own;
        if (app) app->SetVirtualClock(clock);
    }
    const uint64_t tick = clock->GetTick();
    clock->SetTick(0);
    const uint32_t origin = Now();
    m_demoStart = origin;
    if (m_engine) m_engine->RestartStatistics();

    CEffect::SetFastForwarding(true);
    m_stepped = false;
    // Every tick frames the engine once as the application's client and once more as a
    // listener of the window: the second step has no elapsed time, and both count as frames.
    const int framesPerTick = m_window ? 2 : 1;
    for (uint64_t k = 0;; ++k) {
        clock->SetTick(k);
        const uint32_t t = Now() - origin;
        if (t >= target) break;
        clock->SetTick(k + 1);
        // The last frame before the target is drawn (and not shown for long): what the next
        // frame reads of the one before (the engine's triangle count) is then its own.
        const bool lastTick = Now() - origin >= target;
        clock->SetTick(k);
        for (int frame = 0; frame < framesPerTick; ++frame) {
            const int32_t delta = m_stepped ? static_cast<int32_t>(t - m_lastStepTime) : 0;
            m_lastStepTime = t;
            m_stepped = true;
            const bool draw = lastTick && frame + 1 == framesPerTick;
            StepTimeline(t, delta, draw ? StepKind::Draw : StepKind::Skip);
            if (!m_engine) continue;
            if (draw) {
                m_engine->RenderFrameAhead();
            } else {
                m_engine->CountSkippedFrame();
            }
        }
    }
    CEffect::SetFastForwarding(false);

    const uint32_t walked = Now();
    if (borrowed) {
        clock->SetTick(tick);
    } else if (app) {
        app->SetVirtualClock(nullptr);
    }
    const uint32_t now = Now();
    if (m_engine) m_engine->ShiftStatisticsClock(now - walked);
    m_demoStart = now - target;
}

void KestDemoSystem::SetPaused(bool paused) {
    if (paused == m_paused) return;
    m_paused = paused;
    // The clock does not run on behind a pause: play goes on from the last step's time.
    if (!paused) m_demoStart = Now() - m_lastStepTime;
    PauseEffects(paused);
    TraceShowTime(m_lastStepTime);
}

void KestDemoSystem::PauseEffects(bool paused) {
    for (int layer = 0; layer < MAX_LAYERS; ++layer) {
        for (int position = 0; position < m_layerCounts[layer]; ++position) {
            CEffect* effect = m_layers[layer][position];
            if (effect->IsStarted() && !effect->IsStopped()) effect->SetPaused(paused);
        }
    }
}

void KestDemoSystem::OnKeyDown(int32_t key, int32_t modifiers) {
    if (!m_liveKeys || !m_loaded) return;
    const uint32_t step = (modifiers & KL::kKeyShift) ? kShortSeek : kLongSeek;
    const uint32_t now = m_seekPending ? m_seekTarget : m_lastStepTime;
    switch (key) {
    case KL::kKeySpace: SetPaused(!m_paused); break;
    case KL::kKeyHome: Seek(0); break;
    case KL::kKeyLeft: Seek(now > step ? now - step : 0); break;
    case KL::kKeyRight: Seek(now + step); break;
    default: break;
    }
}

void KestDemoSystem::TraceShowTime(uint32_t time) const {
    const unsigned tenths = time / 100;
    LogMessage("Show at %u:%02u.%u%s", tenths / 600, tenths / 10 % 60, tenths % 10, m_paused ? ", paused" : "");
}

void KestDemoSystem::DrawOverlayLine() {
    if (m_overlayLine.empty()) return;
    if (!m_overlayFont) {
        m_overlayFont = std::make_unique<KEFont>();
        m_overlayFont->Load("Files/Fonts/Tahoma.KEF");
    }
    m_overlayFont->DrawText(m_overlayLine.c_str(), 10, 10);
}
