// The show's composition: what lands on which layer, how long the demo lasts, and the chain
// of bindings that turns instrument 2's notes into the model's rotation.
#include "CBassPlayer.h"
#include "CGeneratorModifiers.h"
#include "CModelEffect.h"
#include "CScenePlayer.h"
#include "KestDemoSystem.h"
#include "MarloComposition.h"

#include <gtest/gtest.h>

TEST(Composition, PlacesMusicSceneAndModelAndDrivesTheModelFromInstrumentTwo) {
    // The process catalog, as the program fills it (a second provision is refused harmlessly).
    RegisterScenePlayerBuilder();
    RegisterModelEffectBuilder();
    RegisterBassPlayerBuilder();
    RegisterGeneratorBuilders();
    KestDemoSystem demo;
    demo.Init();
    BuildComposition(&demo);

    const int32_t expected[KestDemoSystem::MAX_LAYERS] = {2, 1, 0, 0, 0, 0, 0, 0};
    for (int layer = 0; layer < KestDemoSystem::MAX_LAYERS; ++layer)
        EXPECT_EQ(demo.GetLayerCount(layer), expected[layer]) << layer;
    EXPECT_EQ(demo.GetDemoEndTime(), 134000u);
    EXPECT_EQ(demo.GetModifiers().GetCount(), 1);

    auto* scene = dynamic_cast<CScenePlayer*>(demo.GetEffect(0, 0));
    auto* model = dynamic_cast<CModelEffect*>(demo.GetEffect(0, 1));
    auto* music = dynamic_cast<CBassPlayer*>(demo.GetEffect(1, 0));
    ASSERT_TRUE(scene && model && music);
    EXPECT_EQ(scene->GetEndTime(), 60000u);
    EXPECT_STREQ(model->GetString(11), "files/textures/sky.png");

    // Two notes of instrument 2 and one 20 ms step: position 2 x 200, scaled by 0.01.
    CBassPlayer::OnNote(2, 0);
    CBassPlayer::OnNote(2, 0);
    music->Frame(0, 0, 20);
    EXPECT_FLOAT_EQ(model->GetFloat(3), 4.0f);
    // The setup reaches the music only through the bindings.
    demo.GetSystemParams().SetInt(1, 22050);
    EXPECT_EQ(music->GetInt(1), 22050);
}
