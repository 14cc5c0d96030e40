// Materials on a real GL context: what the display list records once, what every draw
// issues, and the reports for hardware that lacks the NV features.
#include "GLTestContext.h"
#include "KEDrawCall.h"
#include "KEExtensions.h"
#include "KECombinerCompiler.h"
#include "KEMaterial.h"
#include "KETexture.h"
#include "RecordingLog.h"
#include "TempDirTest.h"

#include <GL/glext.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

class Material : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        ASSERT_TRUE(m_gl.Ready());
        KEExtensions::SetInstance(nullptr);
        // A 1 by 1 grey BMP (24 bits, row padded to 4 bytes).
        const std::vector<uint8_t> bmp = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 1,   0,
                                          0,   0,   1, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 4,  0, 0, 0, 0, 0,
                                          0,   0,   0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0, 0, 128, 128, 128, 0};
        m_texture.reset(KETexture::NewTexture());
        m_texture->SetFile(WriteBytes("grey.bmp", bmp).c_str(), GL_RGB);
    }
    void TearDown() override {
        m_texture.reset();
        KEExtensions::SetInstance(nullptr);
        TempDirTest::TearDown();
    }
    void Apply(KEMaterial& material) { material.Apply(KEDrawCall(), m_identity); }
    static GLint UnitInt(int unit, GLenum name) {
        KEExtensions::GetInstance()->glActiveTextureARB(GL_TEXTURE0_ARB + unit);
        GLint value = 0;
        glGetIntegerv(name, &value);
        return value;
    }
    static bool UnitEnabled(int unit, GLenum cap) {
        KEExtensions::GetInstance()->glActiveTextureARB(GL_TEXTURE0_ARB + unit);
        return glIsEnabled(cap) == GL_TRUE;
    }

    struct TextureDeleter {
        void operator()(KETexture* t) const { KETexture::FreeTexture(t); }
    };
    GLTestContext m_gl;
    std::unique_ptr<KETexture, TextureDeleter> m_texture;
    KEMatrix4 m_identity{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
};

}  // namespace

TEST_F(Material, ThreeLayersBindOnlyUnitsZeroAndOneButCompileAllThree) {
    KEMaterial material;
    material.AddTextureLayer(m_texture.get(), GL_MODULATE, 0, 0, 0, 0);
    material.AddTextureLayer(m_texture.get(), GL_REPLACE, 0, 0, 0, 0);
    material.AddTextureLayer(m_texture.get(), GL_ADD, 0, 0, 0, 0);
    material.SetSphereMap(2, 1);
    Apply(material);
    const GLint name = static_cast<GLint>(m_texture->GetGLName());
    ASSERT_NE(name, 0);
    EXPECT_TRUE(UnitEnabled(0, GL_TEXTURE_2D));
    EXPECT_EQ(UnitInt(0, GL_TEXTURE_BINDING_2D), name);
    EXPECT_TRUE(UnitEnabled(1, GL_TEXTURE_2D));
    EXPECT_EQ(UnitInt(1, GL_TEXTURE_BINDING_2D), name);
    EXPECT_FALSE(UnitEnabled(2, GL_TEXTURE_2D));
    EXPECT_EQ(UnitInt(2, GL_TEXTURE_BINDING_2D), 0);
    // The third layer's environment and sphere map were recorded all the same.
    GLint mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(mode, GL_ADD);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Material, SettingsChangedAfterTheFirstDrawHaveNoEffectButTheColourDoes) {
    KEMaterial material;
    material.EnableBlend();
    material.SetBlendFunc(GL_ONE, GL_ZERO);
    Apply(material);
    const GLint list = material.GetDisplayList();
    material.SetBlendFunc(GL_ZERO, GL_ONE);
    material.SetColor(0.5f, 0.25f, 1, 1);
    glDisable(GL_BLEND);
    Apply(material);
    EXPECT_EQ(material.GetDisplayList(), list);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    GLint source = 0;
    glGetIntegerv(GL_BLEND_SRC, &source);
    EXPECT_EQ(source, GL_ONE);
    GLfloat colour[4] = {};
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[1], 0.25f);
}

TEST_F(Material, LightingStartsFromBlackWithBlueSpecularUntilSet) {
    KEMaterial material;
    material.EnableLighting();
    material.SetDiffuse(0.5f, 0.5f, 0.5f, 1);
    Apply(material);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_COLOR_MATERIAL));
    GLfloat specular[4] = {}, diffuse[4] = {};
    glGetMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    EXPECT_EQ(std::vector<float>(specular, specular + 4), (std::vector<float>{0, 0, 1, 0}));
    EXPECT_FLOAT_EQ(diffuse[0], 0.5f);
    KEMaterial unlit;
    Apply(unlit);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
}

TEST_F(Material, MissingNVFeaturesAreReportedOnceAndLeaveNoGLError) {
    // Without the shader stand-in, as on a GL that has neither.
    KEMaterial::SetCombinerShaderBackEnd(nullptr);
    KEMaterial material;
    material.EnableVertexProgram();
    material.EnableCombiners();
    material.SetCombinerScript("!!RC1.0\nout.rgb = tex0;");
    RecordingLog log;
    Apply(material);
    Apply(material);
    EXPECT_EQ(log.Boxes(), (std::vector<std::string>{"Error: Vertex programs no estan soportados en este hardware",
                                                     "Error: Register combiners no estan soportados en este hardware"}));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    KEInstallCombinerCompiler();
}
