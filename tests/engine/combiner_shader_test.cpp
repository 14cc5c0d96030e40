// The combiner scripts' GLSL stand-in on Mesa, which has no NV combiners: materials with
// combiners draw through the program built from their script, with the combiners'
// arithmetic, read back from the picture; and what the material reports and binds.
#include "GLTestContext.h"
#include "KEBumpMesh.h"
#include "KECombinerCompiler.h"
#include "KEDrawCall.h"
#include "KEExtensions.h"
#include "KEMaterial.h"
#include "KETexture.h"
#include "RecordingLog.h"
#include "TempDirTest.h"

#include <GL/glext.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

using Colour = std::array<float, 4>;

// A 1 by 1 24-bit BMP of one colour (bytes in blue, green, red order, row padded to 4).
std::vector<uint8_t> Bmp(uint8_t r, uint8_t g, uint8_t b) {
    return {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24, 0,
            0,   0,   0,  0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0, 0, 0, 0, 0, 0, b, g, r, 0};
}

// A direction in [-1, 1] packed into a colour in [0, 1], as the lighting path sends it.
Colour Encode(float x, float y, float z) { return {x * 0.5f + 0.5f, y * 0.5f + 0.5f, z * 0.5f + 0.5f, 1}; }

struct TextureDeleter {
    void operator()(KETexture* t) const { KETexture::FreeTexture(t); }
};
using TexturePtr = std::unique_ptr<KETexture, TextureDeleter>;

class CombinerShader : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        ASSERT_TRUE(m_gl.Ready());
        KEExtensions::SetInstance(nullptr);
        KEInstallCombinerCompiler();
        ASSERT_TRUE(KECombinerShadersAvailable());
        ASSERT_FALSE(KEExtensions::GetInstance()->IsExtensionSupported("GL_NV_register_combiners"));
    }
    void TearDown() override {
        KEMaterial::SetCombinerCompiler(nullptr);
        KEMaterial::SetCombinerShaderBackEnd(nullptr);
        KEExtensions::SetInstance(nullptr);
        TempDirTest::TearDown();
    }
    TexturePtr Texture(const char* name, uint8_t r, uint8_t g, uint8_t b) {
        TexturePtr texture(KETexture::NewTexture());
        texture->SetFile(WriteBytes(name, Bmp(r, g, b)).c_str(), GL_RGB);
        return texture;
    }
    // Applies the material and fills the window with one quad of those two colours; the
    // colour read back from its middle, in [0, 1].
    Colour Draw(KEMaterial& material, const Colour& primary, const Colour& secondary, float z = 0.0f) {
        const KEMatrix4 identity{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        material.Apply(KEDrawCall(), identity);
        glColor4fv(primary.data());
        KEExtensions::GetInstance()->glSecondaryColor3fvEXT(secondary.data());
        glBegin(GL_QUADS);
        glVertex3f(-1, -1, z);
        glVertex3f(1, -1, z);
        glVertex3f(1, 1, z);
        glVertex3f(-1, 1, z);
        glEnd();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        const std::array<uint8_t, 4> p = m_gl.Pixel(32, 32);
        return {p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f, p[3] / 255.0f};
    }
    static void ExpectNear(const Colour& got, const Colour& want, int channels = 3) {
        for (int i = 0; i < channels; ++i) EXPECT_NEAR(got[i], want[i], 3.0f / 255) << "channel " << i;
    }
    static GLint CurrentProgram() {
        GLint program = -1;
        glGetIntegerv(GL_CURRENT_PROGRAM, &program);
        return program;
    }

    GLTestContext m_gl;
};

}  // namespace

TEST_F(CombinerShader, LightingScriptGivesDiffusePlusSpecularToTheFourth) {
    const uint8_t base[3] = {102, 51, 153};
    TexturePtr baseTexture = Texture("base.bmp", base[0], base[1], base[2]);
    TexturePtr normalMap = Texture("normal.bmp", 128, 128, 255);  // a flat surface facing +z
    KEMaterial material;
    material.AddTextureLayer(baseTexture.get(), GL_MODULATE, 0, 0, 0, 0);
    material.AddTextureLayer(normalMap.get(), GL_MODULATE, 0, 0, 0, 0);
    material.EnableCombiners();
    material.SetCombinerScript(kBumpCombinerScript);
    RecordingLog log;

    const float n[3] = {128 / 255.0f * 2 - 1, 128 / 255.0f * 2 - 1, 1};  // the map's texel, expanded
    struct Case {
        const char* what;
        std::array<float, 3> l, h;  // light and half vectors
    };
    const Case cases[] = {
        {"light overhead, half vector tilted", {0, 0, 1}, {0, 0.6f, 0.8f}},
        {"light tilted, half vector overhead", {0.6f, 0, 0.8f}, {0, 0, 1}},
        {"light behind, half vector grazing", {0, 0, -1}, {1, 0, 0}},
        {"light behind, half vector overhead", {0, 0, -1}, {0, 0, 1}},  // the negative diffuse adds nothing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const float nl = n[0] * c.l[0] + n[1] * c.l[1] + n[2] * c.l[2];
        const float nh = n[0] * c.h[0] + n[1] * c.h[1] + n[2] * c.h[2];
        Colour want{};
        for (int i = 0; i < 3; ++i) {
            const float b = base[i] / 255.0f;
            want[i] = std::min(1.0f, b * std::max(0.0f, nl) + b * std::pow(nh, 4.0f));
        }
        ExpectNear(Draw(material, Encode(c.l[0], c.l[1], c.l[2]), Encode(c.h[0], c.h[1], c.h[2])), want);
    }
    EXPECT_TRUE(log.Boxes().empty());
}

TEST_F(CombinerShader, ScriptsComputeTheCombinersArithmetic) {
    struct Case {
        const char* script;
        Colour primary, secondary, want;
        int channels = 3;
    };
    const Case cases[] = {
        // half_bias, negation, sum, scale by two and the clamp of register writes to [-1, 1].
        {"!!RC1.0 { rgb { discard = half_bias(col0); discard = -col1; spare0 = sum(); scale_by_two(); } }"
         " out.rgb = spare0;",
         {1, 0.5f, 0.25f, 1}, {0.25f, 0, 0.5f, 1}, {0.5f, 0, 0, 0}},
        // A register holds at most 1: spare0 = 2 is read back as 1 by the next stage.
        {"!!RC1.0 const0 = (1, 1, 1, 1); const1 = (0.5, 0.5, 0.5, 1);"
         " { rgb { spare0 = col0 * const0; scale_by_four(); } } { rgb { spare1 = spare0 * const1; } }"
         " out.rgb = spare1;",
         {0.5f, 0.125f, 0, 1}, {0, 0, 0, 1}, {0.5f, 0.25f, 0, 0}},
        // The mappings read a negative register as 0 first: expand(-0.5) is -1, not -2.
        {"!!RC1.0 const0 = (0.5, 0.5, 0.5, 1); { rgb { spare0 = -col0; } }"
         " { rgb { spare1 = expand(spare0) * const0; } } { rgb { spare0 = -spare1; } } out.rgb = spare0;",
         {0.5f, 0, 1, 1}, {0, 0, 0, 1}, {0.5f, 0.5f, 0.5f, 0}},
        // mux picks CD when spare0's alpha (here col1's blue) is 0.5 or more, else AB.
        {"!!RC1.0 { alpha { spare0 = col1.b; } } { rgb { discard = col0; discard = col1; spare1 = mux(); } }"
         " out.rgb = spare1;",
         {0.8f, 0.6f, 0.4f, 1}, {0.1f, 0.2f, 0.9f, 1}, {0.1f, 0.2f, 0.9f, 0}},
        {"!!RC1.0 { alpha { spare0 = col1.b; } } { rgb { discard = col0; discard = col1; spare1 = mux(); } }"
         " out.rgb = spare1;",
         {0.8f, 0.6f, 0.4f, 1}, {0.1f, 0.2f, 0.3f, 1}, {0.8f, 0.6f, 0.4f, 0}},
        // At exactly 0.5 (a constant, so no colour rounding) mux already picks CD.
        {"!!RC1.0 const0 = (0, 0, 0, 0.5); { alpha { spare0 = const0.a; } }"
         " { rgb { discard = col0; discard = col1; spare1 = mux(); } } out.rgb = spare1;",
         {0.8f, 0.6f, 0.4f, 1}, {0.1f, 0.2f, 0.3f, 1}, {0.1f, 0.2f, 0.3f, 0}},
        // lerp(A, B, C) = A B + (1 - A) C, with a global constant and an inverted input.
        {"!!RC1.0 const0 = (0.25, 0.5, 1, 1); out.rgb = lerp(col0, const0, unsigned_invert(col1));",
         {1, 0.5f, 0}, {0, 0.5f, 1, 1}, {0.25f, 0.5f, 0, 0}},
        // A stage reads its own constant; the final combiner reads the global one.
        {"!!RC1.0 const0 = (0, 0, 0.25, 1); { const0 = (0.75, 0.25, 0.5, 1); rgb { spare0 = const0; } }"
         " out.rgb = const0 * unsigned_invert(zero) + spare0;",
         {0, 0, 0, 1}, {0, 0, 0, 1}, {0.75f, 0.25f, 0.75f, 0}},
        // A dot product is replicated to all three channels; the colour sum is clamped.
        {"!!RC1.0 const0 = (0.5, 0.5, 0.5, 1); { rgb { spare0 = expand(col0) . expand(col1); } }"
         " clamp_color_sum(); out.rgb = const0 * color_sum;",
         {1, 0.5f, 0.5f, 1}, {0.75f, 0.5f, 0.5f, 1}, {0.5f, 0.5f, 0.5f, 0}},
        {"!!RC1.0 const0 = (0.5, 0.5, 0.5, 1); { rgb { spare0 = expand(col0) . expand(col1); } }"
         " out.rgb = const0 * color_sum;",
         {1, 0.5f, 0.5f, 1}, {0.75f, 0.5f, 0.5f, 1}, {0.625f, 0.5f, 0.5f, 0}},
        // final_product, and the alpha from G.
        {"!!RC1.0 final_product = col0 * col1; out.rgb = final_product; out.a = unsigned_invert(col0);",
         {0.5f, 1, 0.25f, 0.25f}, {0.5f, 0.5f, 1, 1}, {0.25f, 0.5f, 0.25f, 0.75f}, 4},
        // Without out.a the alpha is spare0's, which starts as tex0's (an unbound unit reads 1).
        {"!!RC1.0 out.rgb = col0;", {0.5f, 0.25f, 1, 0}, {0, 0, 0, 1}, {0.5f, 0.25f, 1, 1}, 4},
        // An output is biased first and scaled after: (x - 0.5) * 2, not 2x - 0.5, which
        // would give (0.75, 1, 0.5).
        {"!!RC1.0 const0 = (0.625, 0.75, 0.5, 1);"
         " { rgb { spare0 = const0; bias_by_negative_one_half_scale_by_two(); } } out.rgb = spare0;",
         {0, 0, 0, 1}, {0, 0, 0, 1}, {0.25f, 0.5f, 0, 0}},
        // A register holds at least -1: -2 is read back negated as 1, then quartered.
        {"!!RC1.0 const0 = (0.5, 0.5, 0.5, 1); const1 = (0.25, 0.25, 0.25, 1);"
         " { rgb { spare0 = -const0; scale_by_four(); } } { rgb { spare1 = -spare0 * const1; } } out.rgb = spare1;",
         {0, 0, 0, 1}, {0, 0, 0, 1}, {0.25f, 0.25f, 0.25f, 0}},
        // The alpha portion multiplies alphas (a plain register reads its alpha there, .b its
        // blue) and sums: 0.5 x 0.75 + 0.8 x 0.5; seen in colour through spare0.a.
        {"!!RC1.0 const0 = (0, 0, 0, 0.75);"
         " { alpha { discard = col0 * const0; discard = col1.b * col0; spare0 = sum(); } } out.rgb = spare0.a;",
         {0.2f, 0.4f, 0.6f, 0.5f}, {0.1f, 0.3f, 0.8f, 1}, {0.775f, 0.775f, 0.775f, 0}},
        // The alpha portion's own bias and scale (0.875 - 0.5) * 2, and its clamp: 1.5 is
        // held as 1 and halved by the next stage.
        {"!!RC1.0 const0 = (0, 0, 0, 0.875);"
         " { alpha { spare0 = const0; bias_by_negative_one_half_scale_by_two(); } } out.rgb = spare0.a;",
         {0, 0, 0, 1}, {0, 0, 0, 1}, {0.75f, 0.75f, 0.75f, 0}},
        {"!!RC1.0 const0 = (0, 0, 0, 0.75); const1 = (0, 0, 0, 0.5); { alpha { spare0 = const0; scale_by_two(); } }"
         " { alpha { spare1 = spare0 * const1; } } out.rgb = spare1.a;",
         {0, 0, 0, 1}, {0, 0, 0, 1}, {0.5f, 0.5f, 0.5f, 0}},
    };
    GLint alphaBits = 0;
    glGetIntegerv(GL_ALPHA_BITS, &alphaBits);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        RecordingLog log;
        KEMaterial material;
        material.EnableCombiners();
        material.SetCombinerScript(c.script);
        ExpectNear(Draw(material, c.primary, c.secondary), c.want, alphaBits > 0 ? c.channels : 3);
        EXPECT_TRUE(log.Boxes().empty());
    }
}

TEST_F(CombinerShader, AScriptReadsTheFogFactorOfTheFixedFunctionFogInEachMode) {
    // The quad half a unit in front of the eye: the fog distance is 0.5.
    struct Case {
        GLint mode;
        float want;
    };
    const Case cases[] = {
        {GL_LINEAR, (1.0f - 0.5f) / (1.0f - 0.25f)},      // start 0.25, end 1
        {GL_EXP, std::exp(-1.5f * 0.5f)},                  // density 1.5
        {GL_EXP2, std::exp(-(1.5f * 0.5f) * (1.5f * 0.5f))},
    };
    RecordingLog log;
    KEMaterial material;
    material.EnableCombiners();
    material.SetCombinerScript("!!RC1.0 out.rgb = fog.a;");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        glEnable(GL_FOG);
        glFogi(GL_FOG_MODE, c.mode);
        glFogf(GL_FOG_DENSITY, 1.5f);
        glFogf(GL_FOG_START, 0.25f);
        glFogf(GL_FOG_END, 1.0f);
        ExpectNear(Draw(material, {0, 0, 0, 1}, {0, 0, 0, 1}, -0.5f), {c.want, c.want, c.want, 1});
    }
    glDisable(GL_FOG);
    EXPECT_TRUE(log.Boxes().empty());
}

TEST_F(CombinerShader, MaterialsBindTheirProgramOrNoneAndReportScriptMessages) {
    RecordingLog log;
    KEMaterial lit;
    lit.EnableCombiners();
    lit.SetCombinerScript("!!RC1.0 { rgb { spare0 = discard * col0; } } out.rgb = col0;");
    KEMaterial plain;
    const Colour white{1, 1, 1, 1};
    Draw(lit, white, white);
    ASSERT_NE(lit.GetCombinerProgram(), 0u);
    EXPECT_EQ(CurrentProgram(), static_cast<GLint>(lit.GetCombinerProgram()));
    EXPECT_EQ(log.Boxes(), (std::vector<std::string>{"reading from discard"}));
    Draw(plain, white, white);
    EXPECT_EQ(CurrentProgram(), 0);
    Draw(lit, white, white);
    EXPECT_EQ(CurrentProgram(), static_cast<GLint>(lit.GetCombinerProgram()));
    EXPECT_EQ(log.Boxes().size(), 1u);  // built and reported once

    // Without a shader back end that can run, the missing extension is reported as before.
    const KECombinerShaderBackEnd unavailable = {[] { return false; }, nullptr, [](GLuint) {}, nullptr};
    KEMaterial::SetCombinerShaderBackEnd(&unavailable);
    KEMaterial old;
    old.EnableCombiners();
    old.SetCombinerScript("!!RC1.0 out.rgb = col0;");
    log.Clear();
    Draw(old, white, white);
    EXPECT_EQ(log.Boxes(),
              (std::vector<std::string>{"Error: Register combiners no estan soportados en este hardware"}));
    EXPECT_EQ(old.GetCombinerProgram(), 0u);
    KEMaterial::SetCombinerShaderBackEnd(nullptr);
}
