// Per-pixel lighting: the lighting mesh's streams for both positions of the vertex-program
// switch, tangent frames facing the front, the CPU's light and half vectors, what a draw
// uploads, the vertex program's parameters and load, and the lit and fogged picture on Mesa
// through the shader stand-in for the combiners.
#include "EngineFixture.h"
#include "KEBumpMesh.h"
#include "KECombinerCompiler.h"
#include "KEMesh.h"
#include "RecordingLog.h"
#include "ScopedInstance.h"

#include <GL/glext.h>

#include <cmath>
#include <cstring>

namespace {

// A square in the xy plane at depth z with texture coordinates following x and y, as two
// triangles whose front faces look towards +z (clockwise seen from there) or, mirrored,
// towards -z; `indices` may name fewer triangles.
struct Square {
    explicit Square(float h = 1, float z = 0, bool frontTowardsZ = true, std::vector<uint32_t> list = {}) {
        auto* stream = new KEVertexLitTextured();
        stream->AllocateSpace(4);
        const float corner[4][2] = {{-h, -h}, {-h, h}, {h, h}, {h, -h}};
        for (int i = 0; i < 4; ++i) {
            *static_cast<KEVector3*>(stream->PositionPtr(i)) = {corner[i][0], corner[i][1], z};
            *static_cast<KEVector3*>(stream->NormalPtr(i)) = {0.25f, 0.5f, 0.75f};
            float* uv = static_cast<float*>(stream->TexCoordPtr(i, 0));
            uv[0] = corner[i][0] > 0 ? 1.0f : 0.0f;
            uv[1] = corner[i][1] > 0 ? 1.0f : 0.0f;
        }
        indices = list.empty() ? (frontTowardsZ ? std::vector<uint32_t>{0, 1, 2, 0, 2, 3}
                                                : std::vector<uint32_t>{1, 0, 2, 2, 0, 3})
                               : list;
        mesh.AddStream(stream);
        mesh.AddDrawCall(KEDrawCall{GL_TRIANGLES, stream, indices.data(), static_cast<int32_t>(indices.size())});
    }
    std::vector<uint32_t> indices;
    KEMesh mesh;
};

KEVector3 At(KEVertexAttributes& s, int a, int v) { return *static_cast<KEVector3*>(s.AttributePtr(a, v)); }

KEMatrix4 Identity() {
    KEMatrix4 m;
    SetIdentity(&m);
    return m;
}

// The lighting mesh submits through the engine singleton: for these tests, the fixture's.
class BumpMesh : public EngineFixture {
protected:
    ScopedInstance<KEEngine> own{&engine};
};

TEST_F(BumpMesh, BuildsEachTriangleListWithTheLayoutOfEitherSwitchPosition) {
    const struct {
        bool programs;
        int32_t block1, block2, colourSets;
        bool normals;
        int32_t offsets[8];  // per vertex, attributes 0, 8, 9, 3, 4, 5, 6, 2; -1 absent
    } cases[] = {
        {false, 52, 36, 2, false, {0, 12, 20, 28, 40, 0, 12, 24}},
        {true, 64, 0, 0, true, {0, 12, 20, -1, -1, 28, 40, 52}},
    };
    const int attributes[8] = {0, 8, 9, 3, 4, 5, 6, 2};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.programs ? "vertex programs" : "software tangent space");
        // Four indices: one triangle for the tangent pass, four vertices for the stream.
        Square square(1, 0, true, {0, 1, 2, 3});
        square.mesh.AddDrawCall(KEDrawCall{GL_QUADS, square.mesh.GetStream(0), nullptr, 4});
        KEBumpMesh bump(c.programs);
        ASSERT_EQ(1, bump.Build(square.mesh));
        KEVertexAttributes& s = *bump.Streams()[0];
        EXPECT_EQ(4, s.GetCount());
        EXPECT_EQ(c.block1, s.VertexSize());
        EXPECT_EQ(c.block2, s.GetBlock2VertexSize());
        EXPECT_EQ(c.colourSets, s.GetColorSets());
        EXPECT_EQ(c.normals, s.HasNormals());
        EXPECT_EQ(2, s.GetTexSets());
        for (int i = 0; i < 8; ++i) {
            const int a = attributes[i];
            if (c.offsets[i] < 0) {
                EXPECT_EQ(nullptr, s.AttributePtr(a, 0)) << a;
            } else {
                EXPECT_EQ(c.offsets[i] * 4, s.GetArrayOffset(a)) << a;
            }
        }
        // The tangent pass wrote the first triangle's corners only; vertex 3 keeps the normal
        // it was given.
        EXPECT_NEAR(1.0f, At(s, 2, 0).z, 0.005f);
        EXPECT_NEAR(0.75f, At(s, 2, 3).z, 1e-6f);
        EXPECT_EQ(1, At(s, 0, 2).x);
        // The fog passes draw the lit stream's own positions.
        ASSERT_EQ(1u, bump.GetFogDrawCalls().size());
        EXPECT_EQ(s.AttributePtr(0, 0), bump.GetFogDrawCalls()[0].stream->PositionPtr(0));
        EXPECT_EQ(c.programs, bump.GetLitMaterial().UsesVertexProgram());
    }
}

// T = x, B = y and N towards the front: a light straight along N gives the flat colour
// (0.5, 0.5, 1); from a square facing away the same light comes from behind.
TEST_F(BumpMesh, LightAlongTheFrontNormalGivesTheFlatColourAndFromBehindTheDarkOne) {
    for (bool front : {true, false}) {
        SCOPED_TRACE(front ? "front towards +z" : "front towards -z");
        Square square(1, 0, front);
        KEBumpMesh bump(false);
        ASSERT_EQ(1, bump.Build(square.mesh));
        KEVertexAttributes& s = *bump.Streams()[0];
        bump.SetLightPosition(0, 0, 10);
        // The corner at (1, 1) on the diagonal; its light is nearly along z.
        bump.Update(Identity(), &s, 6, square.indices.data());
        const KEVector3 n = At(s, 2, 2), colour = At(s, 3, 2);
        EXPECT_NEAR(front ? 1.0f : -1.0f, n.z, 0.005f);
        // L = (-1, -1, 10) / 10.1.
        EXPECT_NEAR(front ? 0.995f : 0.005f, colour.z, 0.005f);
        EXPECT_NEAR(0.4505f, colour.x, 0.005f);
    }
    // The exact case: a vertex at the origin, the light straight above it.
    Square square(1, 0, true, {0, 1, 2});
    KEBumpMesh bump(false);
    bump.Build(square.mesh);
    KEVertexAttributes& s = *bump.Streams()[0];
    *static_cast<KEVector3*>(s.AttributePtr(0, 0)) = {0, 0, 0};
    bump.SetLightPosition(0, 0, 5);
    bump.Update(Identity(), &s, 1, square.indices.data());
    const KEVector3 colour = At(s, 3, 0);
    EXPECT_NEAR(0.5f, colour.x, 0.005f);
    EXPECT_NEAR(0.5f, colour.y, 0.005f);
    EXPECT_NEAR(1.0f, colour.z, 0.005f);
}

TEST_F(BumpMesh, ADrawUploadsExactlyTheTwoColours) {
    Square square;
    KEBumpMesh bump(false);
    bump.Build(square.mesh);
    KEVertexAttributes& s = *bump.Streams()[0];
    std::vector<unsigned char> var(static_cast<size_t>(s.VertexSize() * s.GetCount()), 0);
    s.SetVarCopy(var.data());
    s.Upload();
    std::fill(var.begin(), var.end(), 0xAB);
    bump.Update(Identity(), &s, 6, square.indices.data());
    for (int a : {0, 3, 4, 8, 9}) EXPECT_EQ(a == 3 || a == 4, s.IsAttributeDirty(a)) << a;
    s.Upload();
    const size_t array = static_cast<size_t>(12 * s.GetCount());
    for (int a : {0, 8, 3, 4}) {
        const size_t at = static_cast<size_t>(s.GetArrayOffset(a));
        const bool copied = std::memcmp(var.data() + at, static_cast<unsigned char*>(s.GetSystemCopy()) + at,
                                        a == 8 ? array * 2 / 3 : array) == 0;
        EXPECT_EQ(a == 3 || a == 4, copied) << a;
    }
}

struct ProgramDriver {
    static ProgramDriver& Get() {
        static ProgramDriver d;
        return d;
    }
    static void Gen(GLsizei, GLuint* names) {
        Get().calls.push_back("gen");
        names[0] = 7;
    }
    static void Load(GLenum, GLuint name, GLsizei length, const GLubyte*) {
        Get().calls.push_back("load " + std::to_string(name) + " " + std::to_string(length));
        if (Get().refuse) glEnable(0xFFFF);  // leaves an error for the loader to find
    }
    static void Bind(GLenum, GLuint name) { Get().calls.push_back("bind " + std::to_string(name)); }
    static void Parameter(GLenum, GLuint address, const GLfloat* v) {
        Get().calls.push_back("constant " + std::to_string(address) + " " + std::to_string(v[0]));
    }
    static void Track(GLenum, GLuint address, GLenum matrix, GLenum) {
        Get().calls.push_back("track " + std::to_string(address) + (matrix == GL_MODELVIEW ? " modelview" : " mvp"));
    }
    std::vector<std::string> calls;
    bool refuse = false;
};

TEST_F(BumpMesh, VertexProgramLoadsOnceAndSetsOneEntryPerAddressAtEveryBind) {
    KEExtensions table;
    table.glGenProgramsNV = &ProgramDriver::Gen;
    table.glLoadProgramNV = &ProgramDriver::Load;
    table.glBindProgramNV = &ProgramDriver::Bind;
    table.glProgramParameter4fvNV = &ProgramDriver::Parameter;
    table.glTrackMatrixNV = &ProgramDriver::Track;
    KEExtensions::SetInstance(&table);
    RecordingLog log;
    for (bool refuse : {false, true}) {
        ProgramDriver::Get() = ProgramDriver();
        ProgramDriver::Get().refuse = refuse;
        KEBumpMesh bump(true);
        KEVertexProgram& program = bump.GetLitMaterial().GetVertexProgram();
        program.SetConstant(16, 1, 0, 0, 1);
        program.SetConstant(16, 2, 0, 0, 1);
        program.Bind();
        program.Bind();
        const std::vector<std::string> once = {"bind 7", "constant 18 0.500000", "constant 16 2.000000",
                                               "track 0 mvp", "track 12 modelview"};
        std::vector<std::string> expected = {"gen", "load 7 " + std::to_string(std::strlen(kBumpVertexProgram))};
        for (int i = 0; i < 2; ++i) expected.insert(expected.end(), once.begin(), once.end());
        EXPECT_EQ(expected, ProgramDriver::Get().calls);
        // The error position is whatever the driver says; the length is the program's.
        EXPECT_EQ(refuse, log.Contains("Error in vertex program at ") && log.Contains("/1322"));
        log.Clear();
        for (int flag = 0; flag < 32 && glGetError() != GL_NO_ERROR; ++flag) {
        }
    }
    EXPECT_EQ(1322u, std::strlen(kBumpVertexProgram));
}

// On Mesa the combiner set-up runs as a shader: with a flat normal map and the light far in
// front, the centre of a square shows base x (N.L + (N.H)^4); with the light behind, black;
// and the fog passes give f x lit + (1 - f) x fog colour.
TEST_F(BumpMesh, LitAndFoggedSquareOnScreenThroughTheShaderStandIn) {
    if (!KECombinerShadersAvailable()) GTEST_SKIP() << "no shaders on this GL";
    KETexture* base = SolidTexture("base.bmp", 100, 50, 25);
    KETexture* flat = SolidTexture("flat.bmp", 128, 128, 255);
    // World depth -200 is 100 in front of the eye; a half-size of 20 covers the centre.
    Square square(20, -200, true);
    KEBumpMesh bump(false);
    ASSERT_EQ(1, bump.Build(square.mesh));
    bump.SetBaseTexture(base);
    bump.SetNormalMap(flat);

    // What the CPU path gives at the centre: the light's and half vector's components along
    // N at a corner (the sideways ones cancel between opposite corners).
    auto expected = [](float lightZ, float fog, std::array<float, 3> fogColour) {
        const KEVector3 corner{20, 20, -100}, eye{0, 0, 1}, light{0, 0, lightZ};
        KEVector3 L{light.x - corner.x, light.y - corner.y, light.z - corner.z}, V{-20, -20, 101};
        const float nl = L.z / std::sqrt(Dot(L, L));
        Normalize(&L);
        Normalize(&V);
        KEVector3 H{L.x + V.x, L.y + V.y, L.z + V.z};
        const float nh = H.z / std::sqrt(Dot(H, H));
        (void)eye;
        const float lit = std::max(0.0f, nl) + std::pow(nh, 4.0f);
        const float b[3] = {100, 50, 25};
        std::array<int, 3> out{};
        for (int c = 0; c < 3; ++c) {
            const float value = std::min(255.0f, b[c] * lit);
            out[c] = static_cast<int>(std::lround(fog * value + (1 - fog) * 255.0f * fogColour[c]));
        }
        return out;
    };
    KEEnvironment* lighting = engine.GetLighting();
    const struct {
        float lightZ;
        bool fogged;
    } cases[] = {{900, false}, {-1100, false}, {900, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "light at z " << c.lightZ << (c.fogged ? ", fogged" : ""));
        bump.SetLightPosition(0, 0, c.lightZ);
        frame.render = [&] {
            bump.RenderLit(0, 0, 0, 0, 0, 0);
            if (!c.fogged) return true;
            // Linear fog from 0 to 200: the square, 100 away, is half fogged.
            engine.ReplayQueue();
            lighting->EnableFog();
            lighting->SetFogMode(GL_LINEAR);
            lighting->SetFogRange(0, 200);
            bump.RenderFogMask(0, 0, 0, 0, 0, 0);
            lighting->DisableDepthClear();
            lighting->DisableColorClear();
            engine.ReplayQueue();
            bump.RenderFogColor(0, 1, 0, 0, 0, 0, 0, 0, 0, 0);
            return true;
        };
        ASSERT_TRUE(DrawOnly());
        lighting->DisableFog();
        lighting->EnableDepthClear();
        lighting->EnableColorClear();
        const std::array<int, 3> want =
            c.lightZ < 0 ? std::array<int, 3>{0, 0, 0} : expected(c.lightZ, c.fogged ? 0.5f : 1.0f, {0, 1, 0});
        ExpectNear(Pixel(kCentre, kCentre), want, 4);
    }
}

}  // namespace

TEST_F(BumpMesh, ATriangleWithoutTextureExtentTakesTheFrameOfTheTriangleBefore) {
    // Two triangles facing +z: the first with texture coordinates following x and y, the
    // second with all three at one point, which gives no tangent of its own.
    auto* stream = new KEVertexLitTextured();
    stream->AllocateSpace(6);
    const float corners[6][4] = {{-1, -1, 0, 0}, {-1, 1, 0, 1}, {1, 1, 1, 1},
                                 {2, -1, 0.5f, 0.5f}, {2, 1, 0.5f, 0.5f}, {4, 1, 0.5f, 0.5f}};
    for (int i = 0; i < 6; ++i) {
        *static_cast<KEVector3*>(stream->PositionPtr(i)) = {corners[i][0], corners[i][1], 0};
        float* uv = static_cast<float*>(stream->TexCoordPtr(i, 0));
        uv[0] = corners[i][2];
        uv[1] = corners[i][3];
    }
    std::vector<uint32_t> indices = {0, 1, 2, 3, 4, 5};
    KEMesh mesh;
    mesh.AddStream(stream);
    mesh.AddDrawCall(KEDrawCall{GL_TRIANGLES, stream, indices.data(), 6});
    KEBumpMesh bump(false);
    ASSERT_EQ(1, bump.Build(mesh));
    KEVertexAttributes& s = *bump.Streams()[0];
    // The same frame, normalised once more (the fast estimate moves it a little).
    for (int v = 3; v < 6; ++v) {
        for (int a : {KE_ATTRIB_TANGENT, KE_ATTRIB_BINORMAL, KE_ATTRIB_NORMAL}) {
            const KEVector3 got = At(s, a, v), first = At(s, a, 0);
            EXPECT_NEAR(got.x, first.x, 1e-4f) << "vertex " << v << " attribute " << a;
            EXPECT_NEAR(got.y, first.y, 1e-4f) << "vertex " << v << " attribute " << a;
            EXPECT_NEAR(got.z, first.z, 1e-4f) << "vertex " << v << " attribute " << a;
        }
    }
    EXPECT_GT(At(s, KE_ATTRIB_NORMAL, 4).z, 0.99f) << "not a black, zero frame";
}
