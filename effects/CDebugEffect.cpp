// The debug overlay: a fixed-size line buffer filled every frame (cut, never overrun),
// and the mode-2 recording written as a value log at stop.
#include "CDebugEffect.h"

#include "KLFile.h"
#include "KLLog.h"

#include <cstdio>
#include <utility>

namespace {

const char* const kBadModeText = "erroneus par un KD_DEBUG_TYPE";

}  // namespace

CDebugEffect::CDebugEffect() {
    SetInt(kXParam, 10);
    SetInt(kYParam, 10);
    SetInt(kModeParam, kLabelledValue);
    SetFloat(kValueParam, 0.0f);
    SetString(kTextParam, "value");
}

bool CDebugEffect::Load() {
    // A missing font only costs the text; the show runs on.
    m_font.Load(kFontFile);
    // A recording starts from nothing: a log left by an earlier run, or by this show before
    // a seek built it again, would otherwise be replayed before this one is written.
    const char* file = GetString(kLogFileParam);
    if (GetInt(kModeParam) == kRecord && file && *file) std::remove(file);
    return true;
}

bool CDebugEffect::Frame(uint32_t time, uint32_t, int32_t) {
    char text[kTextSize];
    const int32_t mode = GetInt(kModeParam);
    if (mode == kLabelledValue || mode == kRecord) {
        // The value is read before the label.
        const float value = GetFloat(kValueParam);
        if (mode == kRecord) m_recording.emplace_back(value, static_cast<int32_t>(time));
        const char* label = GetString(kTextParam);
        std::snprintf(text, sizeof(text), "%s: %f", label ? label : "", static_cast<double>(value));
    } else if (mode == kText) {
        const char* line = GetString(kTextParam);
        std::snprintf(text, sizeof(text), "%s", line ? line : "");
    } else {
        std::snprintf(text, sizeof(text), "%s", kBadModeText);
    }
    const int32_t y = GetInt(kYParam);
    const int32_t x = GetInt(kXParam);
    DrawLine(text, x, y);
    return true;
}

bool CDebugEffect::Advance(uint32_t time, uint32_t, int32_t) {
    if (GetInt(kModeParam) == kRecord) m_recording.emplace_back(GetFloat(kValueParam), static_cast<int32_t>(time));
    return true;
}

void CDebugEffect::DrawLine(const char* text, int32_t x, int32_t y) { m_font.DrawText(text, x, y); }

bool CDebugEffect::Stop() {
    if (GetInt(kModeParam) != kRecord) return true;
    const char* file = GetString(kLogFileParam);
    if (WriteLog(file)) LogMessage("Log saved to %s", file);
    m_recording.clear();
    return true;
}

bool CDebugEffect::WriteLog(const char* file) {
    if (!file || !*file) {
        LogError("Debug log not saved: no log file name (string 5)");
        return false;
    }
    FileWriter writer;
    if (!writer.Open(file)) {
        LogError("Debug log not saved: cannot create %s", file);
        return false;
    }
    CValueLog log(kLogRate, std::move(m_recording));
    const bool written = writer.WriteObject(&log);
    // Closing flushes the last bytes, so it can fail too.
    if (!writer.Close() || !written) {
        LogError("Debug log not saved: writing %s failed", file);
        return false;
    }
    return true;
}

namespace {

const KDSParamInfo kDebugEffectParams[] = {
    {KDSKind::Int, CDebugEffect::kXParam, "x", "left edge of the text, viewport pixels", "10"},
    {KDSKind::Int, CDebugEffect::kYParam, "y", "top of the text, viewport pixels from the top", "10"},
    {KDSKind::Int, CDebugEffect::kModeParam, "mode",
     "0 labelled value, 1 plain text, 2 labelled value recorded for the log", "0"},
    {KDSKind::Float, CDebugEffect::kValueParam, "value", "the value shown or recorded", "0.0"},
    {KDSKind::String, CDebugEffect::kTextParam, "text", "label (modes 0 and 2) or the whole line (mode 1)",
     "\"value\""},
    {KDSKind::String, CDebugEffect::kLogFileParam, "log", "value log written at stop in mode 2 (60 entries per second)",
     "none", KDSParamInfo::kWritesFile},
};

}  // namespace

KDSParamTable CDebugEffectBuilder::GetParameters() { return MakeParamTable(kDebugEffectParams); }

CEffect* CDebugEffectBuilder::Create() { return new CDebugEffect(); }

void RegisterDebugEffectBuilder() {
    static CDebugEffectBuilder builder;
    KDSProvideEffectBuilder(&builder);
}
