// Builders: registration in the type table's order, lookup by exact name, creation and
// placement of effects on layers, and the refusals that keep the layers in bounds.
#include "CEffect.h"
#include "FakeApplication.h"
#include "KDSBuilders.h"
#include "KestDemoSystem.h"
#include "RecordingLog.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class PlainEffectBuilder : public IEffectBuilder {
public:
    PlainEffectBuilder(const char* name, const char* description) : m_name(name), m_description(description) {}
    CEffect* Create() override {
        made.push_back(new CEffect());  // the demo system frees it
        return made.back();
    }
    const char* GetName() override { return m_name; }
    const char* GetDescription() override { return m_description; }
    std::vector<CEffect*> made;

private:
    const char* m_name;
    const char* m_description;
};

class PlainModifierBuilder : public IModifierBuilder {
public:
    PlainModifierBuilder(const char* name, const char* description) : m_name(name), m_description(description) {}
    CModifier* Create() override {
        made.push_back(new CModifier());  // the demo system frees it
        return made.back();
    }
    const char* GetName() override { return m_name; }
    const char* GetDescription() override { return m_description; }
    std::vector<CModifier*> made;

private:
    const char* m_name;
    const char* m_description;
};

class Builders : public ::testing::Test {
protected:
    void Provide() {
        // Deliberately not in table order.
        ASSERT_TRUE(catalog.ProvideModifier(&binary));
        ASSERT_TRUE(catalog.ProvideEffect(&debug));
        ASSERT_TRUE(catalog.ProvideEffect(&model));
        ASSERT_TRUE(catalog.ProvideModifier(&sine));
        ASSERT_TRUE(catalog.ProvideEffect(&scene));
        demo.SetBuilderCatalog(&catalog);
    }

    FakeApplication app;
    ScopedAppInstance scope{&app};
    RecordingLog log;
    PlainEffectBuilder scene{"MAX 4.2 Exported 3d Scene", "This effect plays an animation created in 3d Studio MAX 4.2"};
    PlainEffectBuilder model{"model", "This effect draws a 3d model"};
    PlainEffectBuilder debug{"debug", "This effect draws debug text"};
    PlainModifierBuilder sine{"Sine Wave", "Sine Wave generator"};
    PlainModifierBuilder binary{"Binary operation", "Group of functions that perform operations with 2 modifiers"};
    KDSBuilderCatalog catalog;
    KestDemoSystem demo;
};

}  // namespace

TEST_F(Builders, RegistrationFollowsTheTypeTableWhateverTheOrderOfProvision) {
    Provide();
    demo.Init();
    const std::vector<std::string> expected = {
        "Registerint effects:",
        "Effect \"MAX 4.2 Exported 3d Scene\" (This effect plays an animation created in 3d Studio MAX 4.2) registered.",
        "Effect \"model\" (This effect draws a 3d model) registered.",
        "Effect \"debug\" (This effect draws debug text) registered.",
        "Registering modifiers:",
        "Modifier \"Sine Wave\" (Sine Wave generator) registered.",
        "Modifier \"Binary operation\" (Group of functions that perform operations with 2 modifiers) registered.",
        "OK",
        "KestDemoSystem OK.",
    };
    EXPECT_EQ(log.Lines(), expected);
    EXPECT_TRUE(log.Boxes().empty());
    EXPECT_EQ(demo.GetEffectBuilders().GetCount(), 3);
    EXPECT_EQ(demo.GetModifierBuilders().GetCount(), 2);
    EXPECT_EQ(demo.FindEffectBuilder("debug"), &debug);
    EXPECT_EQ(demo.FindModifierBuilder("Sine Wave"), &sine);
}

TEST_F(Builders, CatalogRefusesUnknownNamesSecondBuildersAndNull) {
    PlainEffectBuilder capital{"Model", "wrong case"};
    PlainEffectBuilder modifierName{"Sine Wave", "a modifier type offered as an effect"};
    PlainEffectBuilder again{"model", "second model"};
    EXPECT_TRUE(catalog.ProvideEffect(&model));
    EXPECT_FALSE(catalog.ProvideEffect(&capital));
    EXPECT_FALSE(catalog.ProvideEffect(&modifierName));
    EXPECT_FALSE(catalog.ProvideEffect(&again));
    EXPECT_FALSE(catalog.ProvideEffect(nullptr));
    EXPECT_FALSE(catalog.ProvideModifier(nullptr));
    EXPECT_EQ(catalog.GetEffect(1), &model);  // "model" is the table's second type
    EXPECT_EQ(catalog.GetEffect(9), nullptr);
    EXPECT_EQ(catalog.GetModifier(-1), nullptr);
    EXPECT_EQ(log.Lines().size(), 5u);  // one trace per refusal
    EXPECT_TRUE(log.Boxes().empty());
}

TEST_F(Builders, LookupIsCaseSensitiveAndAFailedEffectStillExtendsTheDemo) {
    Provide();
    demo.Init();
    log.Clear();
    EXPECT_EQ(demo.CreateEffect("Model", 0, 90000, 0), nullptr);
    EXPECT_EQ(log.Boxes(), std::vector<std::string>{"Can't Instanciate the effect \"Model\", builder not found"});
    EXPECT_EQ(demo.GetDemoEndTime(), 90000u);
    EXPECT_EQ(demo.GetLayerCount(0), 0);
    EXPECT_TRUE(model.made.empty());

    log.Clear();
    EXPECT_EQ(demo.CreateModifier("debug"), nullptr);  // effect and modifier names are apart
    EXPECT_EQ(log.Boxes(), std::vector<std::string>{"Can't Instanciate the modifier \"debug\", builder not found"});
    EXPECT_EQ(demo.GetModifiers().GetCount(), 0);

    CModifier* first = demo.CreateModifier("Sine Wave");
    CModifier* second = demo.CreateModifier("Binary operation");
    ASSERT_EQ(demo.GetModifiers().GetCount(), 2);
    EXPECT_EQ(demo.GetModifiers().GetFirst()->GetItem(), first);
    EXPECT_EQ(demo.GetModifiers().GetLast()->GetItem(), second);
}

TEST_F(Builders, EffectsFillTheirLayerInCreationOrderAndTheLargestEndWins) {
    Provide();
    demo.Init();
    CEffect* a = demo.CreateEffect("model", 100, 5000, 2);
    CEffect* b = demo.CreateEffect("debug", 0, 134000, 2);
    CEffect* c = demo.CreateEffect("model", 7, 3000, 2);
    ASSERT_EQ(demo.GetLayerCount(2), 3);
    EXPECT_EQ(demo.GetEffect(2, 0), a);
    EXPECT_EQ(demo.GetEffect(2, 1), b);
    EXPECT_EQ(demo.GetEffect(2, 2), c);
    EXPECT_EQ(demo.GetEffect(2, 3), nullptr);
    EXPECT_EQ(demo.GetLayerCount(1), 0);
    EXPECT_EQ(c->GetStartTime(), 7u);
    EXPECT_EQ(c->GetEndTime(), 3000u);
    EXPECT_EQ(c->GetLayer(), 2);
    EXPECT_FALSE(c->IsStarted());
    EXPECT_FALSE(c->IsStopped());
    EXPECT_EQ(demo.GetDemoEndTime(), 134000u);
}

TEST_F(Builders, LayersOutsideTheTimelineOrFullAreRefusedWithoutWritingPastThem) {
    Provide();
    demo.Init();
    for (int32_t layer : {-1, 8, 1000}) {
        log.Clear();
        EXPECT_EQ(demo.CreateEffect("model", 0, 2000 + layer, layer), nullptr) << layer;
        EXPECT_EQ(log.Boxes().size(), 1u) << layer;
    }
    EXPECT_EQ(demo.GetDemoEndTime(), 3000u);  // raised by the refused request on layer 1000
    EXPECT_TRUE(model.made.empty());

    for (int i = 0; i < KestDemoSystem::MAX_EFFECTS_PER_LAYER; ++i) {
        ASSERT_NE(demo.CreateEffect("model", 0, 10, 7), nullptr) << i;
    }
    log.Clear();
    EXPECT_EQ(demo.CreateEffect("model", 0, 50000, 7), nullptr);
    EXPECT_EQ(log.Boxes(), std::vector<std::string>{"Can't place the effect \"model\": layer 7 is full (100 effects)"});
    EXPECT_EQ(demo.GetLayerCount(7), 100);
    EXPECT_EQ(model.made.size(), 100u);
    EXPECT_EQ(demo.GetDemoEndTime(), 50000u);
}
