// "Sine Wave" and "Binary operation": their outputs at known demo times and inputs, with
// the numbers worked out by hand from the float steps the modifiers keep.
//
// Working values: the constant 6.283184 as a float is 0x40C90FD8 = 6.283184051513672.
#include "CEffect.h"
#include "CGeneratorModifiers.h"
#include "FakeApplication.h"
#include "KDSBuilders.h"
#include "RecordingLog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

class SineWaveTest : public ::testing::Test {
protected:
    FakeApplication app;
    ScopedAppInstance scope{&app};
    CSineWaveModifier sine;
};

TEST_F(SineWaveTest, SineChannelAtKnownTimesWithTheDefaults) {
    struct Case {
        uint32_t time;
        float expected;
        float tolerance;
    };
    const Case cases[] = {
        // angle = 0.25 x 6.283184051513672 = 1.570796012878418 (exact in float);
        // sin = 0.99999999999995, x 10 = 9.9999999999995, rounds to the float 10.0.
        {250, 10.0f, 0.0f},
        // angle = 3.141592025756836; sin = pi - angle = 6.2783296e-7; x 10 = 6.2783296e-6.
        {500, 6.2783296e-6f, 1e-11f},
        // the phase wraps to 0: sin 0 = 0, plus the offset 0.
        {1000, 0.0f, 0.0f},
        // phase 750: angle = 4.712388038635254; sin = -0.99999999999956, x 10 rounds to -10.0.
        {1750, -10.0f, 0.0f},
        // angle = 0.12566368281841278; sin = 0.1253332104230513, x 10 = 1.253332104230513,
        // nearest float 1.25333214. A sine rounded to float first (0.125333205) would give
        // 1.25333202, one step below.
        {20, 1.25333214f, 0.0f},
    };
    for (const Case& c : cases) {
        app.clock.now = c.time;
        EXPECT_NEAR(sine.GetFloat(2), c.expected, c.tolerance) << "at " << c.time << " ms";
    }
}

TEST_F(SineWaveTest, IntegerChannelTruncatesTowardZero) {
    app.clock.now = 250;
    EXPECT_EQ(sine.GetInt(2), 10);  // 9.9999999999995 became 10.0f before truncation
    app.clock.now = 1750;
    EXPECT_EQ(sine.GetInt(2), -10);
    // 9.6 x -0.99999999999956 rounds to -9.6f; toward zero that is -9, not -10.
    sine.SetFloat(0, 9.6f);
    EXPECT_EQ(sine.GetInt(2), -9);
    // Other integer indices are ordinary parameters: the period.
    EXPECT_EQ(sine.GetInt(0), 1000);
}

TEST_F(SineWaveTest, TimeIsMeasuredFromTheDemoStart) {
    CEffect::SetDemoStartSource([]() -> uint32_t { return 5000; });
    app.clock.now = 5250;  // demo time 250
    const float value = sine.GetFloat(2);
    CEffect::SetDemoStartSource(nullptr);
    EXPECT_EQ(value, 10.0f);
}

TEST_F(SineWaveTest, RampWrapsBeforeItsStart) {
    app.clock.now = 4000;
    // 0.25 x (4000 - 0) + 0 = 1000.
    EXPECT_EQ(sine.GetFloat(6), 1000.0f);
    // 4000 - 5000 wraps to 2^32 - 1000 = 4294966296; as a float (steps of 256 there)
    // 4294966272; x 0.25 = 1073741568.
    sine.SetInt(3, 5000);
    EXPECT_EQ(sine.GetFloat(6), 1073741568.0f);
    // Slope and offset are the ramp's own parameters.
    sine.SetInt(3, 0);
    sine.SetFloat(4, 2.0f);
    sine.SetFloat(5, -500.0f);
    EXPECT_EQ(sine.GetFloat(6), 7500.0f);  // 2 x 4000 - 500
}

TEST_F(SineWaveTest, ZeroPeriodAnswersTheOffsetWithOneReport) {
    RecordingLog log;
    sine.SetInt(0, 0);
    sine.SetFloat(1, 3.0f);
    app.clock.now = 250;
    EXPECT_EQ(sine.GetFloat(2), 3.0f);
    EXPECT_EQ(sine.GetInt(2), 3);
    ASSERT_EQ(log.Boxes().size(), 1u);
    EXPECT_NE(log.Boxes()[0].find("period"), std::string::npos);
}

TEST(BinaryOperation, ChannelsAtTheDefaults) {
    CBinaryOperationModifier op;
    // 1 + 1, 1 - 1, 1 x 1, 1 x 1 (a second product, not a quotient); then the operands.
    const float expected[] = {1.0f, 1.0f, 2.0f, 0.0f, 1.0f, 1.0f, 0.0f};
    for (int channel = 0; channel < 7; ++channel) {
        EXPECT_EQ(op.GetFloat(channel), expected[channel]) << "channel " << channel;
    }
    EXPECT_EQ(op.GetInt(0), 1);
    EXPECT_EQ(op.GetInt(1), 1);
    op.SetFloat(0, 6.0f);
    op.SetFloat(1, 4.0f);
    EXPECT_EQ(op.GetFloat(3), 2.0f);  // float 0 - float 1, in that order
    EXPECT_EQ(op.GetFloat(5), 24.0f);
}

TEST(BinaryOperation, BoundOperandIsScaledAnewOnEveryRead) {
    CParamObject music;
    CBinaryOperationModifier op;
    op.BindFloat(0, &music, 36);
    op.SetFloat(1, 0.01f);
    // 0.01f = 0.0099999997765; x 250 = 2.4999999441, nearest float 2.5.
    music.SetFloat(36, 250.0f);
    EXPECT_EQ(op.GetFloat(4), 2.5f);
    // x 500 = 4.9999998882, nearest float 5.0.
    music.SetFloat(36, 500.0f);
    EXPECT_EQ(op.GetFloat(4), 5.0f);
}

TEST(BinaryOperation, OperandBoundToItsOwnOutputIsCutAtTheCycle) {
    RecordingLog log;
    CBinaryOperationModifier op;
    op.BindFloat(0, &op, 2);
    // Outer channel 2 reads float 0 -> channel 2 again, whose float 0 is the cycle and
    // answers the stored 1: inner 1 + 1 = 2, outer 2 + 1 = 3.
    EXPECT_EQ(op.GetFloat(2), 3.0f);
    EXPECT_EQ(op.GetFloat(2), 3.0f);
    EXPECT_EQ(log.Boxes().size(), 1u);
}

TEST(SineWaveBuilders, ProvidedUnderTheirNamesAndMakeDefaultModifiers) {
    RegisterGeneratorBuilders();
    const KDSBuilderCatalog& catalog = KDSBuilderCatalog::Process();
    IModifierBuilder* sineBuilder = nullptr;
    IModifierBuilder* opBuilder = nullptr;
    for (int i = 0; i < KDSBuilderCatalog::kModifierTypes; ++i) {
        IModifierBuilder* b = catalog.GetModifier(i);
        if (b && std::strcmp(b->GetName(), "Sine Wave") == 0) sineBuilder = b;
        if (b && std::strcmp(b->GetName(), "Binary operation") == 0) opBuilder = b;
    }
    ASSERT_NE(sineBuilder, nullptr);
    ASSERT_NE(opBuilder, nullptr);
    EXPECT_STREQ(sineBuilder->GetDescription(), "Sine Wave generator");
    EXPECT_STREQ(opBuilder->GetDescription(), "Group of functions that perform operations with 2 modifiers");

    FakeApplication app;
    ScopedAppInstance scope(&app);
    app.clock.now = 4000;
    std::unique_ptr<CModifier> sine(sineBuilder->Create());
    std::unique_ptr<CModifier> op(opBuilder->Create());
    EXPECT_EQ(sine->GetInt(0), 1000);
    EXPECT_EQ(sine->GetFloat(0), 10.0f);
    EXPECT_EQ(sine->GetFloat(6), 1000.0f);  // slope 0.25, start 0, offset 0
    EXPECT_EQ(op->GetFloat(2), 2.0f);
}

}  // namespace
