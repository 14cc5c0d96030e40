// The music player: the sound back end's device and module, the note procedure that kicks
// velocities, and the per-frame integration. Velocities are atomic floats updated by
// compare-and-swap, so that a kick from the audio thread landing in the middle of a
// frame's decay is never overwritten.
#include "CBassPlayer.h"

#include "KEEngine.h"
#include "KLAbstractFactory.h"
#include "KLApplication.h"
#include "KLLog.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

std::atomic<float> CBassPlayer::s_velocity[kInstruments];
float CBassPlayer::s_position[kInstruments];

namespace {

constexpr int32_t kFallbackRate = 44100;
constexpr int kDefaultDevice = 0;
// Offline renders go in pieces of this many frames.
constexpr size_t kOfflineChunk = 4096;

// The application's virtual clock when it carries a soundtrack (offline capture), else null.
KL::VirtualClock* OfflineClock() {
    if (!KLAbstractFactory<KL::Application>::HasInstance()) return nullptr;
    KL::VirtualClock* clock = KLAbstractFactory<KL::Application>::GetInstance()->GetVirtualClock();
    return clock && clock->GetSoundtrack() ? clock : nullptr;
}

// The module from the bytes the engine keeps of its file, so that a show built again (a
// seek, a reload) does not read it again; a file the cache does not hold is read by the
// module's own loader, which says why it cannot be.
std::unique_ptr<KSModule> LoadModule(const char* file, std::string* why) {
    if (file && *file) {
        const auto bytes = KEEngine::GetEngine()->GetDataCache().ReadFile(file, KSModule::kMaxFileBytes);
        if (bytes) {
            std::unique_ptr<KSModule> module = KSModule::LoadFromMemory(bytes->data(), bytes->size(), why);
            if (!module) *why = std::string(file) + ": " + *why;
            return module;
        }
    }
    return KSModule::Load(file, why);
}

// Applies f to the value atomically, retrying when another thread changed it meanwhile.
template <class F>
void Update(std::atomic<float>& value, F f) {
    float seen = value.load(std::memory_order_relaxed);
    while (!value.compare_exchange_weak(seen, f(seen), std::memory_order_relaxed)) {
    }
}

}  // namespace

CBassPlayer::CBassPlayer() {
    for (int i = 0; i < kInstruments; ++i) {
        s_velocity[i].store(0.0f, std::memory_order_relaxed);
        s_position[i] = 0.0f;
    }
}

float CBassPlayer::GetFloat(int index) {
    if (index >= kVelocityChannel && index < kVelocityChannel + kInstruments)
        return s_velocity[index - kVelocityChannel].load(std::memory_order_relaxed);
    if (index >= kPositionChannel && index < kPositionChannel + kInstruments) return s_position[index - kPositionChannel];
    return CEffect::GetFloat(index);
}

void CBassPlayer::OnNote(uintptr_t user, uint64_t) {
    if (user < 1 || user > static_cast<uintptr_t>(kInstruments)) return;
    Update(s_velocity[user - 1], [](float v) { return v + kKick; });
}

bool CBassPlayer::Start() {
    // A device handed over by a retired player plays on; otherwise a second start begins
    // afresh: the device stops rendering the old module first.
    const bool inherited = m_inherited != nullptr;
    if (!inherited) m_output->Close();
    m_onDevice = false;
    m_playDeferred = false;
    const int32_t device = GetInt(0);
    m_clock = OfflineClock();
    m_rate = m_clock ? m_clock->GetSoundtrack()->GetSampleRate() : GetInt(1);
    if (m_rate < 8000 || m_rate > 192000) {
        LogMessage("Sample rate %d Hz cannot be played, using %d Hz", static_cast<int>(m_rate),
                   static_cast<int>(kFallbackRate));
        m_rate = kFallbackRate;
    }
    if (m_clock) m_soundtrackStart = m_clock->SampleFrameAt(m_clock->GetTick(), m_rate);

    const bool noSound = m_clock || KSOutput::IsNoSound(device);
    if (!noSound && !inherited) {
        std::string why;
        if (!m_output->Open(device, m_rate, &why)) {
            LogMessage("Sound: %s", why.c_str());
            if (!m_output->Open(kDefaultDevice, m_rate, &why)) {
                LogMessage("Sound: %s", why.c_str());
                LogMessage("Can't initialize digital sound system");
            }
        }
    }

    std::string why;
    const char* file = GetString(2);
    m_module = LoadModule(file, &why);
    if (m_module) {
        // libopenmpt's warnings about the file, one trace each.
        const std::string& warnings = m_module->GetLoadLog();
        for (size_t at = 0, end; at < warnings.size(); at = end + 1) {
            end = warnings.find('\n', at);
            if (end == std::string::npos) end = warnings.size();
            if (end > at) LogMessage("Music %s: %s", file, warnings.substr(at, end - at).c_str());
        }
        m_module->SetSampleRate(m_rate);
        for (int i = 1; i <= kInstruments; ++i) m_module->AddNoteSync(i, &CBassPlayer::OnNote, static_cast<uintptr_t>(i));
    } else {
        LogMessage("Can't load the music: %s", why.c_str());
    }

    if (!noSound && !inherited && !m_output->Start()) LogMessage("Error in bass start");
    if (!m_module) {
        LogMessage("No se puede reproducir correctamente la musica");
        // Nothing of this player's to go on with: the handed-over sound stops too.
        m_output->Close();
        m_inherited.reset();
        return false;
    }
    if (CEffect::IsFastForwarding() && m_output->IsOpen()) {
        // The fast-forward renders the module to the seek's place first.
        m_playDeferred = true;
        return true;
    }
    PlayOnDevice();
    return true;
}

void CBassPlayer::PlayOnDevice() {
    if (m_inherited) {
        // The retired player's module is out of the device's hands when Swap returns.
        m_output->Swap(m_module.get());
        m_inherited.reset();
        m_onDevice = true;
        return;
    }
    // Without a device the module stays here and Frame renders it silently.
    m_onDevice = m_output->Play(m_module.get());
}

void CBassPlayer::Retire() {
    if (m_inherited) m_inherited->SetNotesMuted(true);
    if (m_onDevice && m_module) m_module->SetNotesMuted(true);
}

void CBassPlayer::Inherit(CEffect* previous) {
    auto* old = dynamic_cast<CBassPlayer*>(previous);
    // What the device plays: the old player's module, or one it had itself inherited and
    // not yet replaced (two rebuilds between drawn steps).
    KSModule* playing = old ? (old->m_inherited ? old->m_inherited.get() : old->m_onDevice ? old->m_module.get() : nullptr)
                            : nullptr;
    if (!playing || OfflineClock()) return;
    // Only the same sound: the same device, rate and module file (its contents may have
    // changed; this player's own module, read afresh, takes the device over at its start).
    const char* mine = GetString(2);
    const char* theirs = old->GetString(2);
    if (GetInt(0) != old->GetInt(0) || GetInt(1) != old->GetInt(1) || !mine || !theirs ||
        std::strcmp(mine, theirs) != 0)
        return;
    m_output = std::move(old->m_output);
    old->m_output = std::make_unique<KSOutput>();
    m_inherited = old->m_inherited ? std::move(old->m_inherited) : std::move(old->m_module);
    old->m_onDevice = false;
}

bool CBassPlayer::Frame(uint32_t, uint32_t localTime, int32_t delta) {
    if (m_playDeferred) {
        m_playDeferred = false;
        PlayOnDevice();
    }
    return Step(localTime, delta, true);
}

bool CBassPlayer::Advance(uint32_t, uint32_t localTime, int32_t delta) { return Step(localTime, delta, false); }

bool CBassPlayer::Step(uint32_t localTime, int32_t delta, bool mix) {
    if (m_clock && m_module) {
        RenderOffline(mix);
    } else if (!m_onDevice && m_module) {
        RenderSilently(localTime);
    }
    Integrate(delta);
    return true;
}

void CBassPlayer::SetPaused(bool paused) {
    if (m_onDevice || m_inherited) m_output->SetPaused(paused);
}

void CBassPlayer::RenderSilently(uint32_t localTime) {
    const uint64_t target = static_cast<uint64_t>(localTime) * static_cast<uint64_t>(m_rate) / 1000u;
    const uint64_t position = m_module->GetFramePosition();
    if (target > position && !m_module->IsFinished()) m_module->Render(static_cast<size_t>(target - position), nullptr);
}

void CBassPlayer::Integrate(int32_t delta) {
    // 0.9 per 20 ms: a velocity halves in about 132 ms.
    const double decay = std::pow(0.9, static_cast<double>(delta) * 0.05);
    const float dt = static_cast<float>(delta);
    for (int i = 0; i < kInstruments; ++i) {
        // Position first, with the velocity before this frame's decay.
        s_position[i] = s_position[i] + dt * s_velocity[i].load(std::memory_order_relaxed);
        bool bounce = false;
        if (s_position[i] < 0.0f) {
            s_position[i] = 0.0f;
            bounce = true;
        }
        Update(s_velocity[i], [bounce, decay](float v) {
            return static_cast<float>(static_cast<double>(bounce ? -v : v) * decay);
        });
    }
}

void CBassPlayer::RenderOffline(bool mix) {
    KL::SoundtrackSink* soundtrack = m_clock->GetSoundtrack();
    if (!soundtrack) return;
    // Everything up to the end of this tick, so that the tick's notes kick before it is drawn.
    const uint64_t end = m_clock->SampleFrameAt(m_clock->GetTick() + 1, m_rate);
    const uint64_t target = end > m_soundtrackStart ? end - m_soundtrackStart : 0;
    m_samples.resize(kOfflineChunk * 2);
    while (m_module->GetFramePosition() < target) {
        const uint64_t position = m_module->GetFramePosition();
        const size_t frames = static_cast<size_t>(std::min<uint64_t>(target - position, kOfflineChunk));
        m_module->Render(frames, mix ? m_samples.data() : nullptr);
        if (mix) soundtrack->Mix(m_soundtrackStart + position, m_samples.data(), frames);
    }
}

namespace {

// Channel n of the two runs stands for instrument n: velocity.1 is float 3, position.2 float 36.
const KDSParamInfo kBassPlayerParams[] = {
    {KDSKind::Int, 0, "device", "sound device, an index into the output's device list", "0"},
    {KDSKind::Int, 1, "rate", "output sample rate, Hz (outside 8000..192000: 44100)", "0"},
    {KDSKind::String, 2, "module", "tracker module played as the soundtrack", "none", KDSParamInfo::kReadsFile},
    {KDSKind::Float, CBassPlayer::kVelocityChannel, "velocity",
     "velocity of instrument n: +10 per note, halves in about 132 ms", "", KDSParamInfo::kOutput,
     CBassPlayer::kInstruments},
    {KDSKind::Float, CBassPlayer::kPositionChannel, "position",
     "how far instrument n has been pushed: its velocity integrated over ms", "", KDSParamInfo::kOutput,
     CBassPlayer::kInstruments},
};

}  // namespace

KDSParamTable CBassPlayerBuilder::GetParameters() { return MakeParamTable(kBassPlayerParams); }

CEffect* CBassPlayerBuilder::Create() { return new CBassPlayer(); }

void RegisterBassPlayerBuilder() {
    static CBassPlayerBuilder builder;
    KDSProvideEffectBuilder(&builder);
}
