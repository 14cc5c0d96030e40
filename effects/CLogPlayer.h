// "log player": plays a recorded value log (written by the debug effect) as a float
// channel, resampled at the log's rate and looping over its duration.
//
// Parameters: string 0 the log file (read at load, or, when it does not exist yet, at the
// first read of the output after it appears: a log recorded in the same run); integer 2 the
// playback time in ms,
// typically bound to an effect's local time (integer channel 255). Output: float 1, the
// logged value at the playback time (0.0 when no log could be read).
#pragma once

#include "CParamObject.h"
#include "CValueLog.h"
#include "KDSBuilders.h"

class CLogPlayerModifier : public CModifier {
public:
    static constexpr int kFileParam = 0;
    static constexpr int kOutputChannel = 1;
    static constexpr int kTimeParam = 2;

    CLogPlayerModifier();

    float GetFloat(int index) override;
    // Reads the log named by string 0 when it exists; otherwise (a trace, no box) reads of
    // the output play 0.0 and look again until the file is there (a debug effect of the same
    // show may write it meanwhile). A file that cannot be read is reported and leaves an
    // empty or partial log; the show goes on, so this is always true.
    bool Load() override;

    const CValueLog& GetLog() const { return m_log; }

private:
    void Read();
    // Whether the log's file is there (a regular file, matched case-blind).
    bool Exists();

    CValueLog m_log;
    bool m_readPending = false;
};

class CLogPlayerBuilder : public IModifierBuilder {
public:
    CModifier* Create() override;
    KDSParamTable GetParameters() override;
    const char* GetName() override { return "log player"; }
    const char* GetDescription() override { return "Player of motion captured files"; }
};

// Provides the log player's builder to the demo system's catalog.
void RegisterLogPlayerBuilder();
