// Parameter objects: constants and bindings, chains, the effect's local-time parameter,
// and the guards against binding cycles and bad indices.
#include "CEffect.h"
#include "CParamObject.h"
#include "FakeApplication.h"
#include "RecordingLog.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A modifier whose float channel 7 is computed (42 plus the number of reads so far), so a
// test can tell whether it was consulted.
class CountingModifier : public CModifier {
public:
    float GetFloat(int index) override {
        if (index == 7) return 42.0f + static_cast<float>(reads++);
        return CModifier::GetFloat(index);
    }
    int reads = 0;
};

// Installs a demo start time for the scope of a test.
class ScopedDemoStart {
public:
    explicit ScopedDemoStart(uint32_t (*source)()) { CEffect::SetDemoStartSource(source); }
    ~ScopedDemoStart() { CEffect::SetDemoStartSource(nullptr); }
};

uint32_t DemoStartAt50() { return 50; }

TEST(ParamObject, StartsWithEveryParameterZeroAndUnbound) {
    CParamObject o;
    KEVector3 v{7.0f, 7.0f, 7.0f};
    for (int i : {0, 128, 255}) {
        EXPECT_EQ(o.GetFloat(i), 0.0f);
        EXPECT_EQ(o.GetInt(i), 0);
        EXPECT_EQ(o.GetString(i), nullptr);
        EXPECT_EQ(o.GetObject(i), nullptr);
        o.GetVector(&v, i);
        EXPECT_EQ(v.x, 0.0f);
        EXPECT_EQ(v.y, 0.0f);
        EXPECT_EQ(v.z, 0.0f);
        EXPECT_FALSE(o.IsFloatBound(i));
    }
}

TEST(ParamBinding, SetAfterBindStopsConsultingTheSource) {
    CountingModifier m;
    CParamObject a;
    a.BindFloat(4, &m, 7);
    EXPECT_EQ(a.GetFloat(4), 42.0f);
    EXPECT_EQ(a.SetFloat(4, 2.5f), 4);
    EXPECT_FALSE(a.IsFloatBound(4));
    EXPECT_EQ(a.GetFloat(4), 2.5f);
    EXPECT_EQ(m.reads, 1);
}

TEST(ParamBinding, SetOfEveryKindDropsTheBinding) {
    // Source channel 9 holds one value per kind; the target binds its parameter 4 to it,
    // then sets its own value, which must win from then on.
    CParamObject source, other;
    source.SetFloat(9, 6.5f);
    source.SetInt(9, -3);
    source.SetString(9, "source");
    source.SetVector(9, KEVector3{1.0f, 2.0f, 3.0f});
    source.SetObject(9, &source);
    struct Case {
        const char* kind;
        void (*bindAndSet)(CParamObject& target, CParamObject* source, CParamObject* other);
        bool (*readsOwnValue)(CParamObject& target, CParamObject* other);
    };
    const Case cases[] = {
        {"float", [](CParamObject& t, CParamObject* s, CParamObject*) { t.BindFloat(4, s, 9); t.SetFloat(4, 2.5f); },
         [](CParamObject& t, CParamObject*) { return t.GetFloat(4) == 2.5f; }},
        {"integer", [](CParamObject& t, CParamObject* s, CParamObject*) { t.BindInt(4, s, 9); t.SetInt(4, 7); },
         [](CParamObject& t, CParamObject*) { return t.GetInt(4) == 7; }},
        {"string",
         [](CParamObject& t, CParamObject* s, CParamObject*) {
             t.BindString(4, s, 9);
             t.SetString(4, "own");
         },
         [](CParamObject& t, CParamObject*) { return t.GetString(4) && std::string(t.GetString(4)) == "own"; }},
        {"vector",
         [](CParamObject& t, CParamObject* s, CParamObject*) {
             t.BindVector(4, s, 9);
             t.SetVector(4, KEVector3{4.0f, 5.0f, 6.0f});
         },
         [](CParamObject& t, CParamObject*) {
             KEVector3 v{};
             t.GetVector(&v, 4);
             return v.x == 4.0f && v.y == 5.0f && v.z == 6.0f;
         }},
        {"object", [](CParamObject& t, CParamObject* s, CParamObject* o) { t.BindObject(4, s, 9); t.SetObject(4, o); },
         [](CParamObject& t, CParamObject* o) { return t.GetObject(4) == o; }},
    };
    for (const Case& c : cases) {
        CParamObject target;
        c.bindAndSet(target, &source, &other);
        EXPECT_TRUE(c.readsOwnValue(target, &other)) << c.kind << " still follows its source";
    }
}

TEST(ParamBinding, BindAfterSetHidesTheValueUntilTheNextSet) {
    CountingModifier m;
    CParamObject a;
    a.SetFloat(4, 2.5f);
    EXPECT_EQ(a.BindFloat(4, &m, 7), 4);
    // Nothing is cached: each read asks the source again (42, then 43).
    EXPECT_EQ(a.GetFloat(4), 42.0f);
    EXPECT_EQ(a.GetFloat(4), 43.0f);
    a.SetFloat(4, 1.0f);
    EXPECT_EQ(a.GetFloat(4), 1.0f);
    EXPECT_EQ(m.reads, 2);
}

TEST(ParamBinding, ChannelTheSourceDoesNotComputeMirrorsItsParameter) {
    CountingModifier m;
    m.SetFloat(9, 6.5f);
    m.SetInt(9, -3);
    m.SetString(9, "text");
    m.SetObject(9, &m);
    CParamObject a;
    a.BindFloat(0, &m, 9);
    a.BindInt(1, &m, 9);
    a.BindString(2, &m, 9);
    a.BindObject(3, &m, 9);
    EXPECT_EQ(a.GetFloat(0), 6.5f);
    EXPECT_EQ(a.GetInt(1), -3);
    EXPECT_STREQ(a.GetString(2), "text");
    EXPECT_EQ(a.GetObject(3), &m);
    m.SetFloat(9, -1.0f);  // followed continuously
    EXPECT_EQ(a.GetFloat(0), -1.0f);
    EXPECT_EQ(m.reads, 0);
}

TEST(ParamBinding, ChainIsFollowedToTheEnd) {
    CParamObject a, b, c;
    c.SetFloat(5, 3.25f);
    b.BindFloat(3, &c, 5);
    a.BindFloat(0, &b, 3);
    EXPECT_EQ(a.GetFloat(0), 3.25f);
    c.SetFloat(5, 8.0f);
    EXPECT_EQ(a.GetFloat(0), 8.0f);
    // Passing through the same object twice on different parameters is not a cycle.
    RecordingLog log;
    c.BindFloat(5, &a, 6);
    a.SetFloat(6, 0.75f);
    EXPECT_EQ(a.GetFloat(0), 0.75f);
    EXPECT_TRUE(log.Boxes().empty());
}

TEST(ParamBinding, BoundVectorFillsTheCallersOutput) {
    CParamObject source, a;
    source.SetVector(3, KEVector3{1.0f, 2.0f, 3.0f});
    a.SetVector(0, KEVector3{9.0f, 9.0f, 9.0f});
    a.BindVector(0, &source, 3);
    KEVector3 out{0.0f, 0.0f, 0.0f};
    EXPECT_EQ(a.GetVector(&out, 0), &out);
    EXPECT_EQ(out.x, 1.0f);
    EXPECT_EQ(out.y, 2.0f);
    EXPECT_EQ(out.z, 3.0f);
    out.y = 100.0f;  // a copy, not the source's storage
    KEVector3 again{};
    source.GetVector(&again, 3);
    EXPECT_EQ(again.y, 2.0f);
}

TEST(ParamLocalTime, EffectAnswersIndex255WithItsLocalTimeWhateverIsStored) {
    FakeApplication app;
    ScopedAppInstance scope(&app);
    ScopedDemoStart start(DemoStartAt50);
    CEffect effect;
    effect.Place(100, 1000, 0);
    CParamObject other;
    other.SetInt(4, 777);

    // 250 - 50 (demo start) - 100 (effect start) = 100.
    app.clock.now = 250;
    EXPECT_EQ(effect.GetInt(CEffect::LOCAL_TIME_PARAM), 100);
    effect.SetInt(255, 7);
    EXPECT_EQ(effect.GetInt(255), 100);
    effect.BindInt(255, &other, 4);
    EXPECT_EQ(effect.GetInt(255), 100);
    // Before the effect's start: 120 - 50 - 100 wraps to 2^32 - 30, read back as -30.
    app.clock.now = 120;
    EXPECT_EQ(effect.GetInt(255), -30);
    // Other indices stay ordinary.
    effect.BindInt(254, &other, 4);
    EXPECT_EQ(effect.GetInt(254), 777);
}

TEST(ParamLocalTime, ModifierIndex255IsOrdinary) {
    FakeApplication app;
    ScopedAppInstance scope(&app);
    app.clock.now = 250;
    CModifier m;
    m.SetInt(255, 7);
    EXPECT_EQ(m.GetInt(255), 7);
    CParamObject other;
    other.SetInt(4, 777);
    m.BindInt(255, &other, 4);
    EXPECT_EQ(m.GetInt(255), 777);
}

TEST(ParamGuards, BindingCycleAnswersTheStoredValueAndIsReportedOnce) {
    RecordingLog log;
    CParamObject a, b;
    a.SetFloat(0, 1.5f);
    b.SetFloat(0, 2.5f);
    a.BindFloat(0, &b, 0);
    b.BindFloat(0, &a, 0);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(a.GetFloat(0), 1.5f);
    ASSERT_EQ(log.Boxes().size(), 1u);
    EXPECT_NE(log.Boxes()[0].find("Binding cycle: float parameter 0"), std::string::npos);
    const size_t lines = log.Lines().size();
    a.GetFloat(0);
    EXPECT_EQ(log.Lines().size(), lines);  // silent afterwards, not a trace per frame

    // A vector bound to itself fills the output with its stored value.
    CParamObject self;
    self.SetVector(2, KEVector3{4.0f, 5.0f, 6.0f});
    self.BindVector(2, &self, 2);
    KEVector3 out{};
    self.GetVector(&out, 2);
    EXPECT_EQ(out.x, 4.0f);
    EXPECT_EQ(out.z, 6.0f);
    EXPECT_EQ(log.Boxes().size(), 2u);
}

TEST(ParamGuards, IndicesOutsideTheBankAreIgnoredAndReadAsZero) {
    RecordingLog log;
    CParamObject o;
    EXPECT_EQ(o.SetFloat(256, 1.0f), 256);
    EXPECT_EQ(o.SetInt(-1, 5), -1);
    o.SetString(1000, "x");
    o.BindObject(256, &o, 0);
    EXPECT_EQ(o.GetFloat(256), 0.0f);
    EXPECT_EQ(o.GetInt(-1), 0);
    EXPECT_EQ(o.GetString(1000), nullptr);
    EXPECT_EQ(o.GetObject(256), nullptr);
    KEVector3 out{1.0f, 1.0f, 1.0f};
    EXPECT_EQ(o.GetVector(&out, -5), &out);
    EXPECT_EQ(out.x, 0.0f);
    EXPECT_EQ(log.Boxes().size(), 1u);

    // A binding to a channel the source cannot have reads zero; the source reports it.
    CParamObject source, a;
    a.SetFloat(0, 3.0f);
    a.BindFloat(0, &source, 999);
    EXPECT_EQ(a.GetFloat(0), 0.0f);
    ASSERT_EQ(log.Boxes().size(), 2u);
    EXPECT_NE(log.Boxes()[1].find("Parameter index 999 out of range"), std::string::npos);
}

}  // namespace
