// The demo system: registration of builders, creation and placement of effects, the
// start-up (setup choices, window, engine, loading) and the timeline step that starts,
// frames and stops the effects by demo time.
#include "KestDemoSystem.h"

#include "KDSBuilders.h"
#include "KEEngine.h"
#include "KEExtensions.h"
#include "KETexture.h"
#include "KLAbstractFactory.h"
#include "KLLog.h"

#include <cstring>

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

void KestDemoSystem::LoadAll() {
    float total = static_cast<float>(m_modifiers.GetCount());
    for (int layer = 0; layer < MAX_LAYERS; ++layer) total += static_cast<float>(m_layerCounts[layer]);
    float n = 1.0f;
    for (int layer = 0; layer < MAX_LAYERS; ++layer) {
        for (int position = 0; position < m_layerCounts[layer]; ++position) {
            Wait(100);
            if (!m_layers[layer][position]->Load()) {
                LogError("EFFECT LOAD FAILED");
                return;
            }
            m_systemParams.SetFloat(3, n / total * 100.0f);
            n += 1.0f;
        }
    }
    for (KLListNode* node = m_modifiers.GetFirst(); node; node = node->GetNext()) {
        Wait(100);
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
    if (m_engine && m_engine->IsReady()) {
        m_engine->RenderFrame();
    } else {
        LogMessage("Not ready");
    }
}

void KestDemoSystem::OnClose() { PostQuit(); }

bool KestDemoSystem::OnRender() {
    // The engine opens and closes its frame (its two per-frame flags) around this call.
    uint32_t now = Now();
    int32_t delta = static_cast<int32_t>(now - m_previousStep);
    m_previousStep = now;

    if (!m_loaded) {
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
        now = Now();
        m_demoStart = now;
        m_previousStep = now;
        delta = 0;
    }

    const uint32_t t = now - m_demoStart;
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
                effect->Frame(t, t - effect->GetStartTime(), delta);
            }
        }
        if (t >= m_demoEnd) PostQuit();
    }
    return true;
}
