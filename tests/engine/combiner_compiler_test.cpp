// The combiner script compiler through a recording stand-in of the NV combiner entry
// points (no GL context): the combiner set-up the engine's own lighting script gives, every
// message of the language's checks with its exact text, and the message list's rules.
#include "KEBumpMesh.h"
#include "KECombinerCompiler.h"
#include "KECombinerNV.h"
#include "KEExtensions.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

std::string Name(GLenum e) {
    static const std::map<GLenum, const char*> names = {
        {GL_ZERO, "zero"}, {GL_CONSTANT_COLOR0_NV, "const0"}, {GL_CONSTANT_COLOR1_NV, "const1"},
        {GL_FOG, "fog"}, {GL_PRIMARY_COLOR_NV, "col0"}, {GL_SECONDARY_COLOR_NV, "col1"},
        {GL_TEXTURE0_ARB, "tex0"}, {GL_TEXTURE1_ARB, "tex1"}, {GL_SPARE0_NV, "spare0"},
        {GL_SPARE1_NV, "spare1"}, {GL_DISCARD_NV, "discard"}, {GL_E_TIMES_F_NV, "final_product"},
        {GL_SPARE0_PLUS_SECONDARY_COLOR_NV, "color_sum"}, {GL_UNSIGNED_IDENTITY_NV, "unsigned"},
        {GL_UNSIGNED_INVERT_NV, "unsigned_invert"}, {GL_EXPAND_NORMAL_NV, "expand"},
        {GL_EXPAND_NEGATE_NV, "-expand"}, {GL_HALF_BIAS_NORMAL_NV, "half_bias"},
        {GL_HALF_BIAS_NEGATE_NV, "-half_bias"}, {GL_SIGNED_IDENTITY_NV, "signed"},
        {GL_SIGNED_NEGATE_NV, "-signed"}, {GL_RGB, "rgb"}, {GL_ALPHA, "alpha"}, {GL_BLUE, "blue"},
        {GL_SCALE_BY_TWO_NV, "x2"}, {GL_BIAS_BY_NEGATIVE_ONE_HALF_NV, "-0.5"},
        {GL_VARIABLE_A_NV, "A"}, {GL_VARIABLE_B_NV, "B"}, {GL_VARIABLE_C_NV, "C"}, {GL_VARIABLE_D_NV, "D"},
        {GL_VARIABLE_E_NV, "E"}, {GL_VARIABLE_F_NV, "F"}, {GL_VARIABLE_G_NV, "G"},
    };
    const auto it = names.find(e);
    return it != names.end() ? it->second : std::to_string(e);
}

// Scale and bias: GL_NONE shares its value with GL_ZERO.
std::string ScaleName(GLenum e) { return e == GL_NONE ? "-" : Name(e); }

std::string Values(const GLfloat* v) {
    char text[64];
    std::snprintf(text, sizeof text, "%g %g %g %g", v[0], v[1], v[2], v[3]);
    return text;
}

// What the stand-in driver was given: the latest value of every combiner setting, keyed by
// what it sets ("input 0 rgb A", "output 1 alpha", "final G", "param num", ...).
struct Driver {
    static Driver& Get() {
        static Driver d;
        return d;
    }
    std::map<std::string, std::string> state;
    GLint maxStages = 8;

    static void Parameteri(GLenum name, GLint value) {
        Get().state[name == GL_NUM_GENERAL_COMBINERS_NV ? "param num" : "param clamp"] = std::to_string(value);
    }
    static void Parameterfv(GLenum name, const GLfloat* v) { Get().state["global " + Name(name)] = Values(v); }
    static void StageParameterfv(GLenum stage, GLenum name, const GLfloat* v) {
        Get().state["local " + std::to_string(stage - GL_COMBINER0_NV) + " " + Name(name)] = Values(v);
    }
    static void Input(GLenum stage, GLenum portion, GLenum variable, GLenum input, GLenum mapping, GLenum component) {
        Get().state["input " + std::to_string(stage - GL_COMBINER0_NV) + " " + Name(portion) + " " + Name(variable)] =
            Name(mapping) + " " + Name(input) + " " + Name(component);
    }
    static void Output(GLenum stage, GLenum portion, GLenum ab, GLenum cd, GLenum sum, GLenum scale, GLenum bias,
                       GLboolean abDot, GLboolean cdDot, GLboolean mux) {
        Get().state["output " + std::to_string(stage - GL_COMBINER0_NV) + " " + Name(portion)] =
            Name(ab) + (abDot ? "(dot) " : " ") + Name(cd) + (cdDot ? "(dot) " : " ") + Name(sum) +
            (mux ? "(mux) " : " ") + ScaleName(scale) + " " + ScaleName(bias);
    }
    static void FinalInput(GLenum variable, GLenum input, GLenum mapping, GLenum component) {
        Get().state["final " + Name(variable)] = Name(mapping) + " " + Name(input) + " " + Name(component);
    }
    static void GetIntegerv(GLenum name, GLint* value) {
        if (name == GL_MAX_GENERAL_COMBINERS_NV) *value = Get().maxStages;
    }
    static void Enable(GLenum cap) { Get().state["per-stage constants " + std::to_string(cap)] = "on"; }
    static void Disable(GLenum cap) { Get().state["per-stage constants " + std::to_string(cap)] = "off"; }
};

const KECombinerNVCore kCore = {&Driver::GetIntegerv, &Driver::Enable, &Driver::Disable};

std::vector<std::string> Messages() {
    std::vector<std::string> out;
    for (const char* const* m = GetCombinerScriptErrors(); *m; ++m) out.push_back(*m);
    return out;
}

class CombinerCompiler : public ::testing::Test {
protected:
    void SetUp() override {
        Driver::Get() = Driver();
        m_table.Load("GL_NV_register_combiners GL_NV_register_combiners2", nullptr);
        m_table.glCombinerParameteriNV = &Driver::Parameteri;
        m_table.glCombinerParameterfvNV = &Driver::Parameterfv;
        m_table.glCombinerInputNV = &Driver::Input;
        m_table.glCombinerOutputNV = &Driver::Output;
        m_table.glFinalCombinerInputNV = &Driver::FinalInput;
        m_table.glCombinerStageParameterfvNV = &Driver::StageParameterfv;
        KEExtensions::SetInstance(&m_table);
        KECombinerSetNVCore(&kCore);
        CompileCombinerScript("!!RC1.0");  // start each test from an empty list
        Driver::Get().state.clear();
    }
    void TearDown() override {
        KECombinerSetNVCore(nullptr);
        KEExtensions::SetInstance(nullptr);
    }
    static std::string State(const std::string& key) { return Driver::Get().state[key]; }

    KEExtensions m_table;
};

}  // namespace

TEST_F(CombinerCompiler, LightingScriptSetsUpNDotLAndNDotHThenTheSpecularSum) {
    CompileCombinerScript(kBumpCombinerScript);
    EXPECT_TRUE(Messages().empty());
    const std::map<std::string, std::string> expected = {
        {"param num", "2"},
        {"param clamp", "0"},
        {"global const0", "0 0 0 0"},
        {"global const1", "0 0 0 0"},
        {"per-stage constants " + std::to_string(GL_PER_STAGE_CONSTANTS_NV), "off"},
        // Stage 0: spare0 = N.L, spare1 = N.H.
        {"input 0 rgb A", "expand col0 rgb"},
        {"input 0 rgb B", "expand tex1 rgb"},
        {"input 0 rgb C", "expand col1 rgb"},
        {"input 0 rgb D", "expand tex1 rgb"},
        {"output 0 rgb", "spare0(dot) spare1(dot) discard - -"},
        // Stage 1: spare1 = (N.H)^2, spare0 = N.L times the base texture.
        {"input 1 rgb A", "signed spare1 rgb"},
        {"input 1 rgb B", "signed spare1 rgb"},
        {"input 1 rgb C", "signed spare0 rgb"},
        {"input 1 rgb D", "signed tex0 rgb"},
        {"output 1 rgb", "spare1 spare0 discard - -"},
        // Neither stage computes alpha.
        {"output 0 alpha", "discard discard discard - -"},
        {"output 1 alpha", "discard discard discard - -"},
        // out.rgb = (N.H)^4 times the base texture + spare0.
        {"final A", "unsigned final_product rgb"},
        {"final B", "unsigned tex0 rgb"},
        {"final C", "unsigned zero rgb"},
        {"final D", "unsigned spare0 rgb"},
        {"final E", "unsigned spare1 rgb"},
        {"final F", "unsigned spare1 rgb"},
        {"final G", "unsigned spare0 alpha"},
    };
    for (const auto& [key, value] : expected) EXPECT_EQ(State(key), value) << key;
    EXPECT_EQ(Driver::Get().state.count("input 2 rgb A"), 0u);
}

TEST_F(CombinerCompiler, StatementsAroundARejectedOneAreStillIssued) {
    CompileCombinerScript(
        "!!RC1.0 const0 = (0.5, 2, -1, .25);\n"
        "{ const1 = (0, 0.5, 1, 1); rgb { spare0 = discard * col0; spare1 = -half_bias(tex0) * const0; } "
        "alpha { spare0 = col1.b; spare1 = unsigned_invert(col0); spare0 = mux(); } }\n"
        "{ rgb { discard = col0; discard = col1; spare0 = sum(); bias_by_negative_one_half_scale_by_two(); } }\n"
        "out.rgb = lerp(col0, tex0, col1) + spare1; out.a = unsigned_invert(spare1); clamp_color_sum();");
    EXPECT_EQ(Messages(), (std::vector<std::string>{"reading from discard", "writing to same register twice"}));
    const std::map<std::string, std::string> expected = {
        {"param num", "2"},
        {"param clamp", "1"},
        {"global const0", "0.5 1 0 0.25"},  // held to [0, 1]
        {"local 0 const1", "0 0.5 1 1"},
        {"local 1 const1", "0 0 0 0"},  // a stage without its own reads the global one
        {"per-stage constants " + std::to_string(GL_PER_STAGE_CONSTANTS_NV), "on"},
        {"input 0 rgb A", "-half_bias tex0 rgb"},
        {"input 0 rgb B", "signed const0 rgb"},
        {"output 0 rgb", "spare1 discard discard - -"},
        {"input 0 alpha A", "signed col1 blue"},
        {"input 0 alpha B", "unsigned_invert zero alpha"},
        {"input 0 alpha C", "unsigned_invert col0 alpha"},
        {"output 0 alpha", "spare0 spare1 discard - -"},
        {"output 1 rgb", "discard discard spare0 x2 -0.5"},
        {"final A", "unsigned col0 rgb"},
        {"final C", "unsigned col1 rgb"},
        {"final D", "unsigned spare1 rgb"},
        {"final G", "unsigned_invert spare1 alpha"},
    };
    for (const auto& [key, value] : expected) EXPECT_EQ(State(key), value) << key;
}

TEST_F(CombinerCompiler, NullEntryPointsAreNeverCalled) {
    m_table.glCombinerParameteriNV = nullptr;
    m_table.glCombinerInputNV = nullptr;
    m_table.glCombinerStageParameterfvNV = nullptr;
    CompileCombinerScript("!!RC1.0 { const0 = (1, 1, 1, 1); rgb { spare0 = const0; } } out.rgb = spare0;");
    EXPECT_EQ(Messages(), (std::vector<std::string>{"local constant(s) specified, but not supported -- ignored"}));
    EXPECT_EQ(State("output 0 rgb"), "spare0 discard discard - -");
    for (const auto& [key, value] : Driver::Get().state) {
        EXPECT_TRUE(key.rfind("input", 0) && key.rfind("param", 0) && key.rfind("local", 0) && key.rfind("per-", 0))
            << key;
    }
}

TEST_F(CombinerCompiler, EveryCheckReportsItsOwnMessage) {
    const std::string stage = "{ rgb { spare0 = col0; } }";
    std::string nine;
    for (int i = 0; i < 9; ++i) nine += stage;
    struct Case {
        const char* script;
        std::vector<std::string> messages;
        GLint maxStages = 8;
        const char* stagesRun = nullptr;  // the stage count issued, where the case cuts it
    };
    const std::string nineStages = "!!RC1.0 " + nine;
    const std::string threeStages = "!!RC1.0 " + stage + stage + stage;
    const Case cases[] = {
        {nullptr, {"NULL string passed to the combiner script compiler"}},
        {"!!VP1.0 END", {"invalid string.\n                     first characters must be: !!RC1.0"}},
        {nineStages.c_str(), {"Too many general combiners."}, 8, "8"},
        {threeStages.c_str(), {"3 general combiners specified, only 2 supported"}, 2, "2"},
        {"!!RC1.0 const0 = (1, 1, 1, 1); const0 = (0, 0, 0, 0);", {"global constant set twice"}},
        {"!!RC1.0 { const1 = (1, 1, 1, 1); const1 = (0, 0, 0, 0); }", {"local constant set twice"}},
        {"!!RC1.0 { rgb { spare0 = col0; } rgb { spare1 = col1; } }", {"portion declared twice"}},
        {"!!RC1.0 { alpha { spare0 = col0; spare0 = col1 * tex0; } }", {"writing to same register twice"}},
        {"!!RC1.0 { rgb { zero = col0 * col1; } }", {"writing to a read-only register"}},
        {"!!RC1.0 { rgb { spare0 = discard * col0; } }", {"reading from discard"}},
        {"!!RC1.0 { alpha { spare0 = col0 . tex0; } }", {"dot used in alpha portion"}},
        {"!!RC1.0 { rgb { spare0 = col0.b; } }", {"blue register used in rgb portion"}},
        {"!!RC1.0 { alpha { spare0 = expand(col0.rgb); } }", {"rgb register used in alpha portion"}},
        {"!!RC1.0 { rgb { spare0 = final_product; } }", {"final register used in general combiner"}},
        {"!!RC1.0 final_product = color_sum * tex0;", {"invalid input register for final_product"}},
        {"!!RC1.0 final_product = tex0.b * tex1;", {"blue register used in final_product"}},
        {"!!RC1.0 out.rgb = final_product * tex0;", {"final_product used but not set"}},
        {"!!RC1.0 out.rgb = color_sum * tex0;", {"invalid input register for final rgb"}},
        {"!!RC1.0 out.rgb = tex0.b;", {"blue register used in final rgb"}},
        {"!!RC1.0 out.a = final_product;", {"invalid input register for final alpha"}},
        {"!!RC1.0 out.a = tex0.rgb;", {"rgb register used in final alpha"}},
        {"!!RC1.0\nout.rgb = tex0 @;", {"error on line 2: unrecognized token"}},
        {"!!RC1.0\nout.rgb = tex0; // fine\n/* never closed\n", {"error on line 4: end-of-file in comment"}},
        {"!!RC1.0\n{ rgb {\nspare0 = col0 col1; } } out.rgb = spare0;", {"error on line 3: syntax error"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script ? c.script : "(null)");
        CompileCombinerScript("!!RC1.0");
        Driver::Get().maxStages = c.maxStages;
        CompileCombinerScript(c.script);
        EXPECT_EQ(Messages(), c.messages);
        if (c.stagesRun) {
            EXPECT_EQ(State("param num"), c.stagesRun);
        }
    }
}

TEST_F(CombinerCompiler, MessageListIsEmptiedByRC10TextsOnlyAndKeeps32) {
    CompileCombinerScript("!!RC1.0 @");
    CompileCombinerScript(nullptr);
    EXPECT_EQ(Messages().size(), 2u);
    CompileCombinerScript("!!RC1.0 out.rgb = tex0;");
    EXPECT_TRUE(Messages().empty());

    std::string flood = "!!RC1.0";
    for (int i = 0; i < 40; ++i) flood += "\n@";
    CompileCombinerScript(flood.c_str());
    const std::vector<std::string> messages = Messages();
    ASSERT_EQ(messages.size(), 32u);
    EXPECT_EQ(messages.back(), "error on line 33: unrecognized token");
    CompileCombinerScript(nullptr);
    EXPECT_EQ(Messages().size(), 32u);
}
