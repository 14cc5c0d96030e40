// The atmosphere effect: the fog it gives the engine each frame, the current fog source
// through start, frame and stop (also with two atmospheres), and the sprites it scatters
// at load with the random draws in their fixed order. No GL is needed: items are only queued.
#include "CAtmosphereEffect.h"
#include "FakeApplication.h"
#include "KEEngine.h"
#include "KEMaterial.h"
#include "KESpriteSet.h"
#include "KETexture.h"
#include "KLHelpers.h"
#include "RecordingLog.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace {

class Atmosphere : public ::testing::Test {
protected:
    void SetUp() override {
        engine->GetQueue().Clear();
        // A fog no atmosphere sets by itself.
        lighting->DisableFog();
        lighting->SetFogMode(GL_EXP2);
        lighting->SetFogDensity(7);
        lighting->SetFogRange(-1, -2);
        lighting->SetFogColor(9, 9, 9, 9);
    }
    void TearDown() override {
        engine->GetQueue().Clear();
        lighting->DisableFog();
    }
    // On, mode, density, start, end, colour.
    std::vector<float> Fog() const {
        const float* c = lighting->GetFogColor();
        return {float(lighting->IsFogEnabled()), float(lighting->GetFogMode()), lighting->GetFogDensity(),
                lighting->GetFogStart(), lighting->GetFogEnd(), c[0], c[1], c[2], c[3]};
    }

    FakeApplication app;
    ScopedAppInstance scope{&app};
    KEEngine* engine = KEEngine::GetEngine();
    KEEnvironment* lighting = engine->GetLighting();
    const std::vector<float> untouched = {0, GL_EXP2, 7, -1, -2, 9, 9, 9, 9};
};

}  // namespace

TEST_F(Atmosphere, BuilderMakesTheAtmosfearTypeOfTheCatalog) {
    CAtmosphereEffectBuilder builder;
    EXPECT_TRUE(KDSBuilderCatalog().ProvideEffect(&builder));
    EXPECT_NE(dynamic_cast<CAtmosphereEffect*>(std::unique_ptr<CEffect>(builder.Create()).get()), nullptr);
}

TEST_F(Atmosphere, WithoutSpritesEveryFrameSetsTheFogAnewWithAlphaZero) {
    CAtmosphereEffect effect;
    ASSERT_TRUE(effect.Load());
    EXPECT_EQ(effect.GetSpriteSet(), nullptr);
    EXPECT_TRUE(effect.Frame(0, 0, 0));
    EXPECT_EQ(Fog(), (std::vector<float>{1, GL_LINEAR, 0.001f, 10, 3000, 1, 1, 1, 0}));
    EXPECT_EQ(CAtmosphereEffect::GetCurrentFogSource(), &effect);
    EXPECT_EQ(engine->GetQueue().GetCount(), 0);  // fog only

    effect.SetInt(18, GL_EXP);
    effect.SetFloat(19, 0.25f);
    effect.SetFloat(20, 5);
    effect.SetFloat(21, 50);
    effect.SetVector(22, KEVector3{0.25f, 0.5f, 0.75f});
    effect.Frame(20, 20, 20);
    EXPECT_EQ(Fog(), (std::vector<float>{1, GL_EXP, 0.25f, 5, 50, 0.25f, 0.5f, 0.75f, 0}));
}

TEST_F(Atmosphere, ModeZeroLeavesTheFogAloneButStartStillMakesTheSource) {
    RecordingLog log;
    CAtmosphereEffect effect;
    effect.SetInt(18, 0);
    effect.Frame(0, 0, 0);
    EXPECT_EQ(CAtmosphereEffect::GetCurrentFogSource(), nullptr);
    EXPECT_TRUE(effect.Start());
    effect.Frame(0, 0, 0);
    EXPECT_EQ(Fog(), untouched);
    EXPECT_EQ(CAtmosphereEffect::GetCurrentFogSource(), &effect);
    EXPECT_TRUE(effect.Stop());
    EXPECT_EQ(CAtmosphereEffect::GetCurrentFogSource(), nullptr);
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"FOG 1", "FOG 0"}));
}

TEST_F(Atmosphere, StopTurnsFogOffForAllUntilAnotherAtmosphereFramesAgain) {
    CAtmosphereEffect first, second;
    second.SetFloat(19, 0.5f);
    first.Start();
    second.Start();
    first.Frame(0, 0, 0);
    second.Frame(0, 0, 0);  // framed last: its fog and its source win
    EXPECT_TRUE(CAtmosphereEffect::GetCurrentFogSource() == &second && lighting->GetFogDensity() == 0.5f);
    first.Stop();
    EXPECT_TRUE(!lighting->IsFogEnabled() && !CAtmosphereEffect::GetCurrentFogSource());
    second.Frame(20, 20, 20);
    EXPECT_TRUE(lighting->IsFogEnabled() && CAtmosphereEffect::GetCurrentFogSource() == &second);
    std::make_unique<CAtmosphereEffect>()->Start();
    EXPECT_EQ(CAtmosphereEffect::GetCurrentFogSource(), nullptr);  // a destroyed source is not left dangling
}

TEST_F(Atmosphere, SpritesAreScatteredInDrawOrderAndTurnTowardsVector26) {
    CAtmosphereEffect effect;
    effect.SetString(24, "specks.png");
    effect.SetFloat(23, 50);
    app.clock.now = 777;
    SeedRandom(1234);
    ASSERT_TRUE(effect.Load());
    KESpriteSet* sprites = effect.GetSpriteSet();
    ASSERT_TRUE(sprites && sprites->GetCount() == 1000 && sprites->GetSize() == 100);
    SeedRandom(1234);  // the same draws again, r1 .. r6 for each sprite
    for (int32_t i = 0; i < 1000; ++i) {
        float r[6];
        for (float& value : r) value = RandomRange(-50, 50);
        const KESprite& s = *sprites->GetSprite(i);
        ASSERT_EQ((std::vector<float>{s.vector.x, s.vector.y, s.vector.z, s.position.x, s.position.y, s.position.z}),
                  (std::vector<float>{r[2], r[1], r[0], r[5], r[4], r[3]})) << i;
        ASSERT_EQ(s.timeStamp, 777);
    }
    // The viewer is vector 26: 10 to the right of sprite 0, level with it in z.
    sprites->GetSprite(0)->position = {1, 2, 3};
    effect.SetVector(26, KEVector3{11, 0, 3});
    effect.Frame(0, 0, 0);
    ASSERT_EQ(engine->GetQueue().GetCount(), 1000);
    const KERenderItem& item = engine->GetQueue().GetItem(0);
    ASSERT_EQ(item.modelview.GetCount(), 2);
    EXPECT_NEAR(item.modelview.GetStep(1).values[0], 90.0457f, 1e-3f);
    EXPECT_GT(item.modelview.GetStep(1).values[2], 0.0f);
    const KETexture* texture = item.state.material->GetTexture(0);
    ASSERT_NE(texture, nullptr);
    EXPECT_STREQ(texture->GetFileName(), "specks.png");
    EXPECT_EQ(texture->GetInternalFormat(), static_cast<GLenum>(GL_RGBA));

    engine->GetQueue().Clear();
    effect.SetString(24, "");  // the sprites made at load are drawn only while it is named
    effect.Frame(20, 20, 20);
    EXPECT_EQ(engine->GetQueue().GetCount(), 0);
}
