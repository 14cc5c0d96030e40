// "debug": one line of text on the screen every frame with the engine's bitmap font, to
// watch any value of the show. Mode 0 shows a labelled value, mode 1 a plain text, and
// mode 2 records the value with the frame time in every frame (showing it labelled) and
// writes the recording as a value log when the effect stops.
//
// Parameters: integers 0 and 1 the text's top-left corner in viewport pixels (y down);
// integer 2 the mode; float 3 the value; string 4 the label (mode 0) or the text (mode 1);
// string 5 the log file written at stop in mode 2.
#pragma once

#include "CEffect.h"
#include "CValueLog.h"
#include "KDSBuilders.h"
#include "KEFont.h"

#include <cstdint>
#include <vector>

class CDebugEffect : public CEffect {
public:
    enum Mode { kLabelledValue = 0, kText = 1, kRecord = 2 };
    static constexpr int kXParam = 0;
    static constexpr int kYParam = 1;
    static constexpr int kModeParam = 2;
    static constexpr int kValueParam = 3;
    static constexpr int kTextParam = 4;
    static constexpr int kLogFileParam = 5;
    // Texts are cut to fit: at most kTextSize - 1 characters are drawn.
    static constexpr int kTextSize = 512;
    static constexpr int32_t kLogRate = 60;
    static constexpr const char* kFontFile = "Files/Fonts/Tahoma.KEF";

    CDebugEffect();

    // Loads the font. Without it the effect draws nothing visible but still runs: true.
    bool Load() override;
    // Builds and draws the line; in mode 2 also records (value, time). True.
    bool Frame(uint32_t time, uint32_t localTime, int32_t delta) override;
    // Mode 2 records the step's value; nothing is drawn.
    bool Advance(uint32_t time, uint32_t localTime, int32_t delta) override;
    // In mode 2 writes the recording to string 5 at rate 60 and forgets it; traces
    // "Log saved to <file>" only when the whole log was written, reports the file otherwise.
    // True.
    bool Stop() override;

    const std::vector<CLogSample>& GetRecording() const { return m_recording; }

protected:
    // Where the line goes: the font. Tests look at the text here.
    virtual void DrawLine(const char* text, int32_t x, int32_t y);

private:
    bool WriteLog(const char* file);

    KEFont m_font;
    std::vector<CLogSample> m_recording;
};

class CDebugEffectBuilder : public IEffectBuilder {
public:
    CEffect* Create() override;
    KDSParamTable GetParameters() override;
    const char* GetName() override { return "debug"; }
    const char* GetDescription() override { return "This effect draws debug text"; }
};

// Provides the debug effect's builder to the demo system's catalog.
void RegisterDebugEffectBuilder();
