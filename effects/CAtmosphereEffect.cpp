// The atmosphere effect: sprites scattered at load, fog set from the parameters every
// frame, and the program-wide pointer to the effect whose fog others should match.
#include "CAtmosphereEffect.h"

#include "KEEngine.h"
#include "KESpriteSet.h"
#include "KETexture.h"
#include "KLHelpers.h"
#include "KLLog.h"

#include <GL/gl.h>

namespace {

CAtmosphereEffect* g_fogSource = nullptr;

bool IsSet(const char* text) { return text && *text; }

}  // namespace

CAtmosphereEffect::CAtmosphereEffect() {
    SetInt(18, GL_LINEAR);
    SetFloat(19, 0.001f);
    SetFloat(20, 10.0f);
    SetFloat(21, 3000.0f);
    SetVector(22, KEVector3{1.0f, 1.0f, 1.0f});
    SetFloat(23, 1000.0f);
    SetString(24, "");
    SetVector(26, KEVector3{0.0f, 0.0f, -40.0f});
}

CAtmosphereEffect::~CAtmosphereEffect() {
    if (g_fogSource == this) g_fogSource = nullptr;
}

CAtmosphereEffect* CAtmosphereEffect::GetCurrentFogSource() { return g_fogSource; }

bool CAtmosphereEffect::Load() {
    const char* file = GetString(24);
    if (!IsSet(file)) return true;
    m_texture.reset(KETexture::NewTexture());
    m_texture->SetFile(file, GL_RGBA);
    m_sprites.reset(new KESpriteSet());
    m_sprites->Allocate(kSprites);
    m_sprites->SetTexture(m_texture.get());
    m_sprites->SetSize(kSpriteSize);
    const float s = GetFloat(23);
    // The draws keep their order r1..r6: the vector takes the first three reversed, the
    // position the last three reversed.
    for (int i = 0; i < kSprites; ++i) {
        const float r1 = RandomRange(-s, s);
        const float r2 = RandomRange(-s, s);
        const float r3 = RandomRange(-s, s);
        m_sprites->SetSpriteVector(i, r3, r2, r1);
        const float r4 = RandomRange(-s, s);
        const float r5 = RandomRange(-s, s);
        const float r6 = RandomRange(-s, s);
        if (KESprite* sprite = m_sprites->GetSprite(i)) sprite->position = {r6, r5, r4};
    }
    return true;
}

bool CAtmosphereEffect::Frame(uint32_t, uint32_t, int32_t) {
    const int32_t mode = GetInt(18);
    if (mode != 0) {
        g_fogSource = this;
        KEEnvironment* lighting = KEEngine::GetEngine()->GetLighting();
        lighting->EnableFog();
        lighting->SetFogMode(mode);
        lighting->SetFogDensity(GetFloat(19));
        lighting->SetFogRange(GetFloat(20), GetFloat(21));
        KEVector3 colour{};
        GetVector(&colour, 22);
        lighting->SetFogColor(colour.x, colour.y, colour.z, 0.0f);
    }
    // The sprites exist only if the texture was named at load.
    if (m_sprites && IsSet(GetString(24))) {
        KEVector3 viewer{};
        GetVector(&viewer, 26);
        m_sprites->Draw(viewer.x, viewer.y, viewer.z);
    }
    return true;
}

bool CAtmosphereEffect::Advance(uint32_t, uint32_t, int32_t) {
    if (GetInt(18) != 0) g_fogSource = this;
    return true;
}

bool CAtmosphereEffect::Start() {
    g_fogSource = this;
    LogMessage("FOG 1");
    return true;
}

bool CAtmosphereEffect::Stop() {
    KEEngine::GetEngine()->GetLighting()->DisableFog();
    g_fogSource = nullptr;
    LogMessage("FOG 0");
    return true;
}

namespace {

const KDSParamInfo kAtmosphereEffectParams[] = {
    {KDSKind::Int, 18, "fog-mode", "GL fog mode: 9729 linear, 2048 exp, 2049 exp2, 0 no fog from this effect", "9729"},
    {KDSKind::Float, 19, "fog-density", "fog density of the exponential modes, per scene unit", "0.001"},
    {KDSKind::Float, 20, "fog-start", "distance where linear fog begins, scene units", "10.0"},
    {KDSKind::Float, 21, "fog-end", "distance where linear fog is complete, scene units", "3000.0"},
    {KDSKind::Vector, 22, "fog-colour", "fog red, green, blue, 0..1", "[1.0, 1.0, 1.0]"},
    {KDSKind::Float, 23, "spread", "half-size of the cube around the origin the sprites fill, read at load", "1000.0"},
    {KDSKind::String, 24, "sprites", "sprite texture; empty: no sprites", "\"\"", KDSParamInfo::kReadsFile},
    {KDSKind::Vector, 26, "viewer", "point the sprites turn to face, scene units", "[0.0, 0.0, -40.0]"},
};

}  // namespace

KDSParamTable CAtmosphereEffectBuilder::GetParameters() { return MakeParamTable(kAtmosphereEffectParams); }

CEffect* CAtmosphereEffectBuilder::Create() { return new CAtmosphereEffect(); }

void RegisterAtmosphereEffectBuilder() {
    static CAtmosphereEffectBuilder builder;
    KDSProvideEffectBuilder(&builder);
}
