// The demo system: the timeline of 8 layers of effects, the modifiers, and the driver that
// plugs into the framework as the application's client, the demo window's listener and
// the engine's frame listener. Process-wide singleton, main thread only.
#pragma once

#include "CEffect.h"
#include "CParamObject.h"
#include "KDSSetup.h"
#include "KECamera.h"
#include "KEFrameListener.h"
#include "KLApplication.h"
#include "KLList.h"
#include "KLWindowListener.h"

#include <cstdint>

class KEEngine;
class IEffectBuilder;
class IModifierBuilder;
class KDSBuilderCatalog;

class KestDemoSystem : public KL::WindowListener, public KL::ApplicationClient, public KEFrameListener {
public:
    static constexpr int MAX_LAYERS = 8;
    static constexpr int MAX_EFFECTS_PER_LAYER = 100;

    static KestDemoSystem* GetInstance();

    KestDemoSystem();
    // Frees the effects and modifiers it created (the process's instance never goes).
    ~KestDemoSystem() override;
    KestDemoSystem(const KestDemoSystem&) = delete;
    KestDemoSystem& operator=(const KestDemoSystem&) = delete;

    // Registers the builders, runs the setup (through the installed provider) and stores
    // the choices; a cancelled setup posts quit.
    void Init();
    void SetSetupProvider(KDSSetupProvider provider) { m_setupProvider = provider; }

    // Where Init takes the builders from; the process catalog unless set (tests). Not owned.
    void SetBuilderCatalog(const KDSBuilderCatalog* catalog) { m_catalog = catalog; }
    // The first registered builder whose name equals `name` exactly, or null.
    IEffectBuilder* FindEffectBuilder(const char* name) const;
    IModifierBuilder* FindModifierBuilder(const char* name) const;

    // Raises the demo end time to `end`, makes the effect (owned) and places it at the next
    // free position of `layer` (0..7). Null after a report when the type is unknown, the layer
    // does not exist or is full.
    CEffect* CreateEffect(const char* name, uint32_t start, uint32_t end, int32_t layer);
    // Makes the modifier (owned) and keeps it in creation order.
    CModifier* CreateModifier(const char* name);
    // An effect (not owned) loaded and started in OnStart and framed with the raw
    // application time while the timeline is still loading.
    void AddLoadingScreenEffect(CEffect* effect);

    // Registers the demo system as the application's client and runs the application.
    int Run(const char* title, KL::IconHandle icon);

    // Application client.
    void OnStart() override;
    void OnStop() override {}
    // Client and window listener alike: one engine frame (or "Not ready").
    void OnFrame(uint32_t time) override;
    // Window listener.
    void OnClose() override;
    // Engine frame listener: the timeline step.
    bool OnRender() override;

    void LoadAll();

    CParamObject& GetSystemParams() { return m_systemParams; }
    int32_t GetLayerCount(int layer) const;
    CEffect* GetEffect(int layer, int position) const;
    uint32_t GetDemoEndTime() const { return m_demoEnd; }
    // Ends the demo at `end` ms if it would end later (a shortened run).
    void LimitDemoEnd(uint32_t end) {
        if (end < m_demoEnd) m_demoEnd = end;
    }
    // Ends the demo at `end` ms if it would end earlier (a show that lasts past its effects).
    void ExtendDemoEnd(uint32_t end) {
        if (end > m_demoEnd) m_demoEnd = end;
    }
    // Application time of the first loaded step (0 before it).
    uint32_t GetDemoStartTime() const { return m_demoStart; }
    bool IsLoaded() const { return m_loaded; }
    const KDSSetupResult& GetSetup() const { return m_setup; }
    int32_t GetWidth() const { return m_width; }
    int32_t GetHeight() const { return m_height; }
    int32_t GetBitsPerPixel() const { return m_bits; }
    bool IsWindowed() const { return m_windowed; }
    KL::Window* GetWindow() const { return m_window; }
    const KLList& GetModifiers() const { return m_modifiers; }
    const KLList& GetEffectBuilders() const { return m_effectBuilders; }
    const KLList& GetModifierBuilders() const { return m_modifierBuilders; }

private:
    void RegisterBuilders();
    void StoreChoices(const KDSSetupResult& result);

    CParamObject m_systemParams;
    int32_t m_layerCounts[MAX_LAYERS] = {};
    CEffect* m_layers[MAX_LAYERS][MAX_EFFECTS_PER_LAYER] = {};
    const char* m_title = nullptr;
    KL::IconHandle m_icon = nullptr;
    KLList m_effectBuilders;
    KLList m_modifierBuilders;
    KLList m_modifiers;
    KLList m_loadingEffects;
    uint32_t m_demoStart = 0;
    bool m_firstLoadedStep = true;
    bool m_loaded = false;
    uint32_t m_demoEnd = 0;
    uint32_t m_previousStep = 0;
    KECamera m_view;
    KECamera m_camera;
    KEEngine* m_engine = nullptr;
    KL::Window* m_window = nullptr;
    KDSSetupProvider m_setupProvider = nullptr;
    const KDSBuilderCatalog* m_catalog = nullptr;
    KDSSetupResult m_setup;
    bool m_setupAccepted = false;
    int32_t m_width = 800;
    int32_t m_height = 600;
    int32_t m_bits = 32;
    int32_t m_sampleRate = 44100;
    bool m_windowed = false;
};
