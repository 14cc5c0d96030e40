// "info" and "utilities": two small modifiers that adapt values for binding. "info" turns
// the engine's frame statistics into a line of text (for the debug overlay to show);
// "utilities" converts between the vector and the float kinds. Their outputs are computed
// when read; every other index is an ordinary parameter.
#pragma once

#include "CParamObject.h"
#include "KDSBuilders.h"

#include <cstdint>

// String 0: "<triangles> triangles at <fps> FPS (<MTris/s>)(v <GL version>)" from the last
// completed engine frame. The text lives in one process-wide buffer that every read
// rewrites: the pointer stays valid, its content changes. Main thread only.
class CInfoModifier : public CModifier {
public:
    static constexpr int kStatisticsChannel = 0;

    const char* GetString(int index) override;

    // Formats the line into the shared buffer and returns it. A null version (no current
    // GL context) is shown as "(none)"; a line longer than the buffer is cut short.
    static const char* FormatStatistics(int32_t triangles, float fps, const char* version);
};

// Floats 1, 2, 3: x, y, z of vector 4. Vector 8: (float 5, float 6, float 7), read in the
// order 7, 6, 5.
class CUtilitiesModifier : public CModifier {
public:
    static constexpr int kSplitInput = 4;
    static constexpr int kJoinOutput = 8;

    CUtilitiesModifier();

    float GetFloat(int index) override;
    KEVector3* GetVector(KEVector3* out, int index) override;
};

class CInfoModifierBuilder : public IModifierBuilder {
public:
    CModifier* Create() override;
    KDSParamTable GetParameters() override;
    const char* GetName() override { return "info"; }
    const char* GetDescription() override { return "Modifier that reports system info"; }
};

class CUtilitiesModifierBuilder : public IModifierBuilder {
public:
    CModifier* Create() override;
    KDSParamTable GetParameters() override;
    const char* GetName() override { return "utilities"; }
    const char* GetDescription() override { return "Common tools"; }
};

// Provides the builders of "info" and "utilities" to the demo system's catalog.
void RegisterInfoModifierBuilders();
