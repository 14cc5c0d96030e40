// "atmosfear": depth haze and floating specks. While it runs it sets the engine's
// fixed-function fog from its parameters every frame and can draw 1000 textured sprites
// scattered through a cube around the origin. It is also the program's current fog
// source, so that effects drawing outside the fixed-function fog can fog themselves alike.
//
// Parameters: integer 18 the GL fog mode (0 = no fog from this effect); float 19 the
// density, floats 20 and 21 the start and end; vector 22 the colour; float 23 the half-size
// of the sprites' cube (read at load); string 24 the sprite texture (empty = no sprites);
// vector 26 the viewer the sprites turn towards. All but 23 and 24 are read every frame.
#pragma once

#include "CEffect.h"
#include "KDSBuilders.h"

#include <cstdint>
#include <memory>

class KESpriteSet;
class KETexture;

class CAtmosphereEffect : public CEffect {
public:
    static constexpr int kSprites = 1000;
    static constexpr float kSpriteSize = 100.0f;

    CAtmosphereEffect();
    // Stops being the current fog source if it still is one.
    ~CAtmosphereEffect() override;

    // The atmosphere effect that last started or framed with fog and has not stopped since
    // (any atmosphere effect's Stop clears it), or null. Its integer 18, floats 19 to 21 and
    // vector 22 are the fog to match. Main thread only.
    static CAtmosphereEffect* GetCurrentFogSource();

    // Makes the sprites when string 24 names a texture (loaded on first use). True.
    bool Load() override;
    // Sets the fog (unless integer 18 is 0) and draws the sprites. True.
    bool Frame(uint32_t time, uint32_t localTime, int32_t delta) override;
    // Becomes the fog source as a drawn step would; nothing else carries over.
    bool Advance(uint32_t time, uint32_t localTime, int32_t delta) override;
    // Becomes the current fog source and traces "FOG 1". True.
    bool Start() override;
    // Switches the engine's fog off, leaves no current fog source and traces "FOG 0". True.
    bool Stop() override;

    // The sprites made at load; null without a sprite texture.
    KESpriteSet* GetSpriteSet() const { return m_sprites.get(); }

private:
    std::unique_ptr<KETexture> m_texture;
    std::unique_ptr<KESpriteSet> m_sprites;
};

class CAtmosphereEffectBuilder : public IEffectBuilder {
public:
    CEffect* Create() override;
    KDSParamTable GetParameters() override;
    const char* GetName() override { return "atmosfear"; }
    const char* GetDescription() override { return "This effect gives ya Atmosferic gold"; }
};

// Provides the atmosphere effect's builder to the demo system's catalog.
void RegisterAtmosphereEffectBuilder();
