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
#include <functional>
#include <memory>
#include <string>
#include <vector>

class KEEngine;
class KEFont;
class IEffectBuilder;
class IModifierBuilder;
class KDSBuilderCatalog;
class KestDemoSystem;

// Puts a composition on the timeline (after Init): what a seek or a reload builds again.
// False when the composition could not be made.
using KDSComposer = std::function<bool(KestDemoSystem* demo)>;

class KestDemoSystem : public KL::WindowListener, public KL::ApplicationClient, public KEFrameListener {
public:
    static constexpr int MAX_LAYERS = 8;
    static constexpr int MAX_EFFECTS_PER_LAYER = 100;
    // The step rate of a seek's fast-forward in a live run on the platform's clock (10 ms
    // steps); under a virtual clock the seek steps at that clock's ticks.
    static constexpr int32_t kLiveStepRate = 100;
    // How far the arrow keys seek, ms (with Shift: the short seek).
    static constexpr uint32_t kLongSeek = 5000;
    static constexpr uint32_t kShortSeek = 1000;

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
    // Live runs only (EnableLiveKeys): Space pauses and resumes, Left/Right seek 5 s back
    // and forward (1 s with Shift), Home seeks to 0.
    void OnKeyDown(int32_t key, int32_t modifiers) override;
    // Engine frame listener: the timeline step.
    bool OnRender() override;

    // Loads every effect, then every modifier, publishing the progress; `paced` waits 100
    // ms before each (the loading screen's pace at start).
    void LoadAll(bool paced = true);

    // What a seek or a reload builds the timeline from; without one, seeks are refused.
    void SetComposer(KDSComposer composer) { m_composer = std::move(composer); }
    // Composes the timeline through the composer (after Init, before Run).
    bool Compose();
    // The show goes on at `time` ms (held below the demo's end): at the next step the
    // timeline is built afresh and stepped without drawing up to that time, as a run from 0
    // would have stepped it, and play goes on from there. Before the first loaded step it
    // sets where the show starts. False without a composer.
    bool Seek(uint32_t time);
    // Builds the timeline again from the composer (a changed composition) and goes on at
    // the same show time.
    bool Rebuild();
    // Pauses or resumes: no steps and no frames while paused, the demo clock held, and
    // effects that play in real time (sound) held still.
    void SetPaused(bool paused);
    bool IsPaused() const { return m_paused; }
    // Lets the window's keys pause and seek (live runs).
    void EnableLiveKeys(bool enable) { m_liveKeys = enable; }
    // Show time of the last step, ms.
    uint32_t GetShowTime() const { return m_lastStepTime; }
    // One line drawn at the top of the window over the show (empty: none), e.g. why a
    // changed show file was refused.
    void SetOverlayLine(const std::string& line) { m_overlayLine = line; }
    const std::string& GetOverlayLine() const { return m_overlayLine; }
    // How many times the timeline was built again (seeks and reloads), for tests and tools.
    int32_t GetRebuildCount() const { return m_rebuilds; }

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
    enum class StepKind { Draw, Skip };
    // Stops, starts and frames (or advances) the effects for demo time t.
    void StepTimeline(uint32_t t, int32_t delta, StepKind kind);
    // A timeline's effects (by layer) and modifiers, taken off the demo system.
    struct Timeline {
        std::vector<std::vector<CEffect*>> layers;
        std::vector<CModifier*> modifiers;
    };
    // Takes every effect and modifier off (the demo's end back to 0), each effect retired:
    // what plays in real time plays on until its successor inherits it.
    Timeline TakeTimeline();
    // Hands what the old effects play on to the new ones of the same type at the same
    // place, then deletes the old timeline.
    void ReplaceTimeline(Timeline* old);
    // Builds the timeline afresh when it has run, then steps it without drawing up to `target`.
    bool PerformSeek(uint32_t target, bool rebuild);
    void FastForward(uint32_t target);
    void PauseEffects(bool paused);
    // Prints where the show is: "Show at m:ss.s" and ", paused".
    void TraceShowTime(uint32_t time) const;
    void DrawOverlayLine();

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
    // Demo time of the last timeline step, and whether one was taken since the timeline was built.
    uint32_t m_lastStepTime = 0;
    bool m_stepped = false;
    KDSComposer m_composer;
    bool m_seekPending = false;
    uint32_t m_seekTarget = 0;
    bool m_rebuildPending = false;
    bool m_paused = false;
    bool m_liveKeys = false;
    int32_t m_rebuilds = 0;
    // The random generator's state before the first load, given back before every rebuild
    // so that what the loads draw is drawn again.
    unsigned m_randomAtLoad = 0;
    bool m_randomSaved = false;
    std::string m_overlayLine;
    std::unique_ptr<KEFont> m_overlayFont;
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
