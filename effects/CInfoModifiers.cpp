// "info" reads the engine's statistics and the GL version at every read; "utilities"
// splits and joins vectors.
#include "CInfoModifiers.h"

#include "KEEngine.h"

#include <GL/gl.h>

#include <cstdio>

namespace {

// Shared by every "info" modifier: readers keep the pointer and see the latest line.
char g_statistics[512];

}  // namespace

// ---- info ----

const char* CInfoModifier::FormatStatistics(int32_t triangles, float fps, const char* version) {
    // Millions of triangles per second in single precision, as the engine keeps its figures.
    const float megaTriangles = fps * static_cast<float>(triangles) * 1e-6f;
    std::snprintf(g_statistics, sizeof g_statistics, "%i triangles at %.02f FPS (%.02f MTris/s)(v %s)", triangles,
                  static_cast<double>(fps), static_cast<double>(megaTriangles), version ? version : "(none)");
    return g_statistics;
}

const char* CInfoModifier::GetString(int index) {
    if (index != kStatisticsChannel) return CModifier::GetString(index);
    const KEEngine* engine = KEEngine::GetEngine();
    // Null when no GL context is current.
    const GLubyte* version = glGetString(GL_VERSION);
    return FormatStatistics(engine->GetTriangleCount(), engine->GetFPS(), reinterpret_cast<const char*>(version));
}

// ---- utilities ----

CUtilitiesModifier::CUtilitiesModifier() {
    SetVector(kSplitInput, KEVector3{0.0f, 0.0f, 0.0f});
    SetFloat(5, 0.0f);
    SetFloat(6, 0.0f);
    SetFloat(7, 0.0f);
}

float CUtilitiesModifier::GetFloat(int index) {
    if (index < 1 || index > 3) return CModifier::GetFloat(index);
    KEVector3 v{};
    GetVector(&v, kSplitInput);
    return index == 1 ? v.x : index == 2 ? v.y : v.z;
}

KEVector3* CUtilitiesModifier::GetVector(KEVector3* out, int index) {
    if (index != kJoinOutput || !out) return CModifier::GetVector(out, index);
    // Read last to first: the order shows when the inputs are bound to sources that change
    // as they are read.
    const float z = GetFloat(7);
    const float y = GetFloat(6);
    const float x = GetFloat(5);
    *out = KEVector3{x, y, z};
    return out;
}

// ---- builders ----

namespace {

constexpr uint8_t kOut = KDSParamInfo::kOutput;

const KDSParamInfo kInfoModifierParams[] = {
    {KDSKind::String, CInfoModifier::kStatisticsChannel, "statistics",
     "triangles, frames per second, millions of triangles per second and GL version of the last frame", "", kOut},
};

const KDSParamInfo kUtilitiesModifierParams[] = {
    {KDSKind::Vector, CUtilitiesModifier::kSplitInput, "vector", "vector split into the three float outputs",
     "[0.0, 0.0, 0.0]"},
    {KDSKind::Float, 5, "x", "x of the assembled vector", "0.0"},
    {KDSKind::Float, 6, "y", "y of the assembled vector", "0.0"},
    {KDSKind::Float, 7, "z", "z of the assembled vector", "0.0"},
    {KDSKind::Float, 1, "vector-x", "x of the vector input", "", kOut, 1, "vector.4"},
    {KDSKind::Float, 2, "vector-y", "y of the vector input", "", kOut, 1, "vector.4"},
    {KDSKind::Float, 3, "vector-z", "z of the vector input", "", kOut, 1, "vector.4"},
    {KDSKind::Vector, CUtilitiesModifier::kJoinOutput, "assembled", "(x, y, z) from the three float inputs", "", kOut,
     1, "float.5 float.6 float.7"},
};

}  // namespace

KDSParamTable CInfoModifierBuilder::GetParameters() { return MakeParamTable(kInfoModifierParams); }

KDSParamTable CUtilitiesModifierBuilder::GetParameters() { return MakeParamTable(kUtilitiesModifierParams); }

CModifier* CInfoModifierBuilder::Create() { return new CInfoModifier(); }

CModifier* CUtilitiesModifierBuilder::Create() { return new CUtilitiesModifier(); }

void RegisterInfoModifierBuilders() {
    static CInfoModifierBuilder info;
    static CUtilitiesModifierBuilder utilities;
    KDSProvideModifierBuilder(&info);
    KDSProvideModifierBuilder(&utilities);
}
