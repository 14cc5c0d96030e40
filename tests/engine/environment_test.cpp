// The frame environment on a real GL context: clear, lights and fog read back from the GL
// state and from pixels; and the point light the per-pixel lighting program is handed.
#include "GLTestContext.h"
#include "KEBumpMesh.h"
#include "KECamera.h"
#include "KEEngine.h"
#include "KEEnvironment.h"
#include "KEExtensions.h"
#include "RecordingLog.h"
#include "ScopedInstance.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <array>
#include <utility>
#include <vector>

namespace {

std::array<float, 4> Light(GLenum light, GLenum what) {
    std::array<float, 4> v{-9, -9, -9, -9};
    glGetLightfv(light, what, v.data());
    return v;
}

float LightValue(GLenum light, GLenum what) { return Light(light, what)[0]; }

void ExpectNear4(const std::array<float, 4>& v, float a, float b, float c, float d, float tol = 1e-4f) {
    EXPECT_NEAR(v[0], a, tol);
    EXPECT_NEAR(v[1], b, tol);
    EXPECT_NEAR(v[2], c, tol);
    EXPECT_NEAR(v[3], d, tol);
}

void ExpectPixelNear(const std::array<uint8_t, 4>& p, int r, int g, int b, int a) {
    EXPECT_NEAR(p[0], r, 1);
    EXPECT_NEAR(p[1], g, 1);
    EXPECT_NEAR(p[2], b, 1);
    EXPECT_NEAR(p[3], a, 1);
}

float DepthAt(int x, int y) {
    float depth = -1.0f;
    glReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    return depth;
}

// Fills colour with red and depth with 0.25, leaving the clear values at GL's defaults.
void PaintRedAtQuarterDepth() {
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClearDepth(0.25);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
}

}  // namespace

TEST(Environment, DefaultFrameClearsToBlueGreyWithoutFogOrLights) {
    GLTestContext gl;
    ASSERT_TRUE(gl.Ready());
    PaintRedAtQuarterDepth();
    glEnable(GL_FOG);

    KEEnvironment env;
    EXPECT_TRUE(env.IsPresentEnabled());
    env.Apply(nullptr);

    std::array<float, 4> clear{};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear.data());
    ExpectNear4(clear, 0.3f, 0.3f, 0.6f, 0.0f, 1e-6f);
    ExpectPixelNear(gl.Pixel(10, 10), 77, 77, 153, 0);
    EXPECT_NEAR(DepthAt(10, 10), 1.0f, 1e-4f);
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT0));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(Environment, ClearFlagsSelectTheBuffers) {
    GLTestContext gl;
    ASSERT_TRUE(gl.Ready());
    struct Case {
        const char* what;
        bool color, depth;
        std::array<int, 4> pixel;
        float depthValue;
    };
    const Case cases[] = {
        {"both", true, true, {77, 77, 153, 0}, 1.0f},
        {"colour only", true, false, {77, 77, 153, 0}, 0.25f},
        {"depth only", false, true, {255, 0, 0, 255}, 1.0f},
        // A replay in the middle of a frame keeps what was drawn before it.
        {"neither", false, false, {255, 0, 0, 255}, 0.25f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PaintRedAtQuarterDepth();
        KEEnvironment env;
        env.DisableColorClear();
        env.DisableDepthClear();
        if (c.color) env.EnableColorClear();
        if (c.depth) env.EnableDepthClear();
        env.ApplyClear();
        ExpectPixelNear(gl.Pixel(3, 3), c.pixel[0], c.pixel[1], c.pixel[2], c.pixel[3]);
        EXPECT_NEAR(DepthAt(3, 3), c.depthValue, 1e-4f);
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(Environment, OnlyEightLightsAreApplied) {
    GLTestContext gl;
    ASSERT_TRUE(gl.Ready());
    GLint maxLights = 0;
    glGetIntegerv(GL_MAX_LIGHTS, &maxLights);

    KEEnvironment env;
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(env.AddLight(KELight::kPoint), i);
        env.SetLightDiffuse(i, 0.1f * static_cast<float>(i), 0.5f, 0.25f, 1.0f);
    }
    env.Apply(nullptr);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(glIsEnabled(GL_LIGHT0 + i));
        ExpectNear4(Light(GL_LIGHT0 + i, GL_DIFFUSE), 0.1f * static_cast<float>(i), 0.5f, 0.25f, 1.0f);
    }
    if (maxLights > 8) {
        EXPECT_FALSE(glIsEnabled(GL_LIGHT0 + 8));
    }

    // A shorter list later does not switch the earlier lights off.
    env.ClearLights();
    EXPECT_EQ(env.GetLightCount(), 0);
    env.Apply(nullptr);
    EXPECT_TRUE(glIsEnabled(GL_LIGHT7));
}

TEST(Environment, LightTypesSendTheirOwnParameters) {
    GLTestContext gl;
    ASSERT_TRUE(gl.Ready());
    // Values the environment must overwrite, or must leave alone.
    glLightf(GL_LIGHT0, GL_SPOT_CUTOFF, 45.0f);
    glLightf(GL_LIGHT1, GL_CONSTANT_ATTENUATION, 3.0f);
    glLightf(GL_LIGHT1, GL_LINEAR_ATTENUATION, 4.0f);
    glLightf(GL_LIGHT1, GL_QUADRATIC_ATTENUATION, 5.0f);
    glLightf(GL_LIGHT1, GL_SPOT_CUTOFF, 30.0f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    KEEnvironment env;
    const int point = env.AddLight(KELight::kPoint);
    env.SetLightPlacement(point, 1.0f, 2.0f, 3.0f, nullptr, false);
    env.SetLightConstantAttenuation(point, 2.0f);
    env.SetLightLinearAttenuation(point, 0.5f);
    env.SetLightQuadraticAttenuation(point, 0.25f);
    env.SetLightAmbient(point, 0.1f, 0.1f, 0.1f, 0.0f);
    env.SetLightSpecular(point, 1.0f, 1.0f, 1.0f, 1.0f);

    const int directional = env.AddLight(KELight::kDirectional);
    env.SetLightPlacement(directional, 9.0f, 9.0f, 9.0f, nullptr, false);
    env.SetLightDirection(directional, 0.0f, 0.0f, 1.0f);
    env.SetLightConstantAttenuation(directional, 7.0f);  // kept, never sent

    const int spot = env.AddLight(KELight::kSpot);
    env.SetLightPlacement(spot, 0.0f, 5.0f, 0.0f, nullptr, false);
    env.SetLightSpotDirection(spot, 0.0f, -1.0f, 0.0f);
    env.SetLightSpotExponent(spot, 16.0f);
    env.SetLightSpotCutoff(spot, 20.0f);

    env.Apply(nullptr);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    ExpectNear4(Light(GL_LIGHT0, GL_POSITION), 1, 2, 3, 1);
    EXPECT_EQ(LightValue(GL_LIGHT0, GL_SPOT_CUTOFF), 180.0f);
    EXPECT_EQ(LightValue(GL_LIGHT0, GL_CONSTANT_ATTENUATION), 2.0f);
    EXPECT_EQ(LightValue(GL_LIGHT0, GL_LINEAR_ATTENUATION), 0.5f);
    EXPECT_EQ(LightValue(GL_LIGHT0, GL_QUADRATIC_ATTENUATION), 0.25f);
    ExpectNear4(Light(GL_LIGHT0, GL_AMBIENT), 0.1f, 0.1f, 0.1f, 0.0f);
    ExpectNear4(Light(GL_LIGHT0, GL_SPECULAR), 1, 1, 1, 1);

    ExpectNear4(Light(GL_LIGHT1, GL_POSITION), 0, 0, 1, 0);
    EXPECT_EQ(LightValue(GL_LIGHT1, GL_CONSTANT_ATTENUATION), 3.0f);
    EXPECT_EQ(LightValue(GL_LIGHT1, GL_LINEAR_ATTENUATION), 4.0f);
    EXPECT_EQ(LightValue(GL_LIGHT1, GL_QUADRATIC_ATTENUATION), 5.0f);
    EXPECT_EQ(LightValue(GL_LIGHT1, GL_SPOT_CUTOFF), 180.0f);

    ExpectNear4(Light(GL_LIGHT2, GL_POSITION), 0, 5, 0, 1);
    EXPECT_EQ(LightValue(GL_LIGHT2, GL_SPOT_CUTOFF), 20.0f);
    EXPECT_EQ(LightValue(GL_LIGHT2, GL_SPOT_EXPONENT), 16.0f);
    const auto spotDirection = Light(GL_LIGHT2, GL_SPOT_DIRECTION);
    EXPECT_NEAR(spotDirection[0], 0.0f, 1e-6f);
    EXPECT_NEAR(spotDirection[1], -1.0f, 1e-6f);
    EXPECT_NEAR(spotDirection[2], 0.0f, 1e-6f);
}

TEST(Environment, LightPlacementFollowsViewAndNodeTransforms) {
    GLTestContext gl;
    ASSERT_TRUE(gl.Ready());
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    KECamera view;
    view.SetEye(0.0f, 0.0f, -100.0f, 0.0f, 0.0f, 0.0f);  // moves the scene by (0, 0, 100)
    KL::TransformList node;
    node.Translate(10.0f, 0.0f, 0.0f);  // no identity: builds on what came before

    KEEnvironment env;
    env.AddLight(KELight::kPoint);
    env.SetLightPlacement(0, 1.0f, 2.0f, 3.0f, nullptr, true);
    env.AddLight(KELight::kPoint);
    env.SetLightPlacement(1, 0.0f, 0.0f, 0.0f, &node, false);
    env.AddLight(KELight::kPoint);
    env.SetLightPlacement(2, 1.0f, 1.0f, 1.0f, &node, true);
    env.Apply(&view);

    ExpectNear4(Light(GL_LIGHT0, GL_POSITION), 1, 2, 103, 1);
    // The modelview is not reset between lights: light 1 sits on light 0's view.
    ExpectNear4(Light(GL_LIGHT1, GL_POSITION), 10, 0, 100, 1);
    // The view replay starts from identity, then the node moves it.
    ExpectNear4(Light(GL_LIGHT2, GL_POSITION), 11, 1, 101, 1);

    // Without a view a relative light is placed with the modelview as it is.
    glLoadIdentity();
    KEEnvironment noView;
    noView.SetLightPlacement(0, 1.0f, 2.0f, 3.0f, nullptr, true);
    noView.Apply(nullptr);
    ExpectNear4(Light(GL_LIGHT0, GL_POSITION), 1, 2, 3, 1);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(Environment, FogUsesTheLastColourSet) {
    GLTestContext gl;
    ASSERT_TRUE(gl.Ready());
    KEEnvironment env;
    env.EnableFog();
    env.SetFogMode(GL_EXP);
    env.SetFogDensity(100.0f);
    env.SetFogRange(2.0f, 8.0f);
    env.SetFogColor(1.0f, 0.0f, 0.0f, 0.0f);
    env.SetFogColor(0.0f, 1.0f, 0.0f, 1.0f);
    env.Apply(nullptr);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    EXPECT_TRUE(glIsEnabled(GL_FOG));
    GLint mode = 0;
    glGetIntegerv(GL_FOG_MODE, &mode);
    EXPECT_EQ(mode, GL_EXP);
    std::array<float, 4> color{};
    glGetFloatv(GL_FOG_COLOR, color.data());
    ExpectNear4(color, 0, 1, 0, 1);
    float value = 0.0f;
    glGetFloatv(GL_FOG_DENSITY, &value);
    EXPECT_EQ(value, 100.0f);
    glGetFloatv(GL_FOG_START, &value);
    EXPECT_EQ(value, 2.0f);
    glGetFloatv(GL_FOG_END, &value);
    EXPECT_EQ(value, 8.0f);

    env.DisableFog();
    env.ApplyLightsAndFog(nullptr);
    EXPECT_FALSE(glIsEnabled(GL_FOG));
}

TEST(Environment, LightIndicesAndValuesTheGLWouldRefuse) {
    RecordingLog log;
    KEEnvironment env;
    // An index past the end grows the list with default point lights.
    env.SetLightDiffuse(3, 1.0f, 0.5f, 0.25f, 1.0f);
    ASSERT_EQ(env.GetLightCount(), 4);
    EXPECT_EQ(env.GetLight(0)->type, KELight::kPoint);
    EXPECT_EQ(env.GetLight(3)->diffuse[1], 0.5f);
    EXPECT_EQ(env.GetLight(4), nullptr);
    EXPECT_EQ(env.GetLight(-1), nullptr);

    // Refused: the list and the fog stay as they were, with a trace and no box.
    env.SetLightAmbient(-1, 1, 1, 1, 1);
    env.SetLightPlacement(KEEnvironment::kMaxLights, 1, 1, 1, nullptr, false);
    env.SetLightLinearAttenuation(0, -1.0f);
    env.SetLightSpotCutoff(0, 120.0f);
    env.SetLightSpotExponent(0, 200.0f);
    env.SetFogMode(0x1234);
    env.SetFogDensity(-2.0f);
    EXPECT_EQ(env.GetLightCount(), 4);
    EXPECT_EQ(env.GetLight(0)->linearAttenuation, 0.0f);
    EXPECT_EQ(env.GetLight(0)->spotCutoff, 0.0f);
    EXPECT_EQ(env.GetLight(0)->spotExponent, 0.0f);
    EXPECT_EQ(env.GetFogMode(), GL_LINEAR);
    EXPECT_EQ(env.GetFogDensity(), 0.0f);
    EXPECT_EQ(log.Lines().size(), 7u);
    EXPECT_TRUE(log.Boxes().empty());
    EXPECT_TRUE(log.Contains("SetFogMode ignored"));

    // Cutoff 180 is the one value past 90 the GL takes.
    env.SetLightSpotCutoff(0, 180.0f);
    EXPECT_EQ(env.GetLight(0)->spotCutoff, 180.0f);
}

namespace {

// Stand-ins for the NV vertex-program entry points: records what the parameters are set to.
struct ProgramParameters {
    static std::vector<std::pair<GLuint, std::array<float, 4>>>& Set() {
        static std::vector<std::pair<GLuint, std::array<float, 4>>> set;
        return set;
    }
    static void Gen(GLsizei, GLuint* names) { names[0] = 5; }
    static void Load(GLenum, GLuint, GLsizei, const GLubyte*) {}
    static void Bind(GLenum, GLuint) {}
    static void Parameter(GLenum, GLuint address, const GLfloat* v) {
        Set().push_back({address, {v[0], v[1], v[2], v[3]}});
    }
};

}  // namespace

// The lighting program reads its light from constant 16: every lit draw hands it the light
// position as a point (w exactly 1), whatever the mesh's own placement.
TEST(LitPass, EachLitDrawSetsConstantSixteenToTheLightAsAPoint) {
    GLTestContext gl;
    ASSERT_TRUE(gl.Ready());
    KEExtensions table;
    table.glGenProgramsNV = &ProgramParameters::Gen;
    table.glLoadProgramNV = &ProgramParameters::Load;
    table.glBindProgramNV = &ProgramParameters::Bind;
    table.glProgramParameter4fvNV = &ProgramParameters::Parameter;
    KEExtensions::SetInstance(&table);
    KEEngine engine;  // the mesh submits to the singleton: for this test, this one
    {
        ScopedInstance<KEEngine> own(&engine);
        KEBumpMesh bump(true);
        const struct {
            std::array<float, 3> light;
            std::array<float, 6> placement;
        } cases[] = {
            {{1.5f, -2.25f, 3.75f}, {0, 0, 0, 0, 0, 0}},
            {{-100, 0.5f, 1000}, {10, -20, 30, 45, 90, 180}},
            {{0, 0, -7}, {0, 0, -200, 0, 0, 0}},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << "light " << c.light[0] << ", " << c.light[1] << ", " << c.light[2]);
            bump.SetLightPosition(c.light[0], c.light[1], c.light[2]);
            const std::array<float, 6>& p = c.placement;
            bump.RenderLit(p[0], p[1], p[2], p[3], p[4], p[5]);
            ProgramParameters::Set().clear();
            bump.GetLitMaterial().GetVertexProgram().Bind();
            std::vector<std::array<float, 4>> sixteen;
            for (const auto& [address, value] : ProgramParameters::Set()) {
                if (address == 16) sixteen.push_back(value);
            }
            EXPECT_EQ(sixteen, (std::vector<std::array<float, 4>>{{c.light[0], c.light[1], c.light[2], 1.0f}}));
        }
        engine.GetQueue().Clear();
    }
    KEExtensions::SetInstance(nullptr);
}
