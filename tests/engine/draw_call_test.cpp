// The draw path's NV parts, which Mesa lacks, through a stand-in extension table: fences,
// VAR uploads, the vertex-program binding and the VAR client state. GL calls outside the
// table are real; Mesa answers the NV-only enums with GL_INVALID_ENUM, which the tests
// read back as the proof that such a call was issued.
#include "GLTestContext.h"
#include "KEDrawCall.h"
#include "KEExtensions.h"
#include "KEStateCache.h"
#include "KEVarMemory.h"
#include "KEVertexLayouts.h"
#include "KLGLProc.h"
#include "RecordingLog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// What the stand-in driver saw, in order.
struct Driver {
    static Driver& Get() {
        static Driver d;
        return d;
    }
    std::vector<std::string> calls;
    struct AttribPointer {
        GLuint index;
        GLint size;
        GLsizei stride;
        const void* pointer;
    };
    std::vector<AttribPointer> attribPointers;
    std::vector<unsigned char> varBlock;

    static void GenFences(GLsizei, GLuint* fences) {
        Get().calls.push_back("gen");
        fences[0] = 7;
    }
    static void FinishFence(GLuint fence) { Get().calls.push_back("finish " + std::to_string(fence)); }
    static void SetFence(GLuint fence, GLenum condition) {
        Get().calls.push_back("set " + std::to_string(fence) + (condition == GL_ALL_COMPLETED_NV ? " all" : " ?"));
    }
    static void VertexAttribPointer(GLuint index, GLint size, GLenum, GLsizei stride, const void* pointer) {
        Get().attribPointers.push_back({index, size, stride, pointer});
    }
    static void* AllocateMemory(GLsizei size, GLfloat, GLfloat, GLfloat) {
        Get().varBlock.assign(static_cast<size_t>(size), 0xEE);
        return Get().varBlock.data();
    }
    static void VertexArrayRange(GLsizei, const void*) {}
};

// Multitexture and secondary colour come from Mesa itself.
void* MesaLookup(const char* name) { return KL::GetGLProcAddress(name); }

void ClearGLErrors() {
    for (int flag = 0; flag < 32 && glGetError() != GL_NO_ERROR; ++flag) {
    }
}

class DrawCall : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_gl.Ready());
        Driver::Get() = Driver();
        KEVarMemory::GetInstance()->Reset();
        ClearGLErrors();
    }
    void TearDown() override {
        KEExtensions::SetInstance(nullptr);
        KEVarMemory::GetInstance()->Reset();
        ClearGLErrors();
    }
    // A table listing `extensions`, with the listed NV families pointed at the stand-ins.
    void Install(const std::string& extensions) {
        m_table.Load(("GL_ARB_multitexture GL_EXT_secondary_color " + extensions).c_str(), &MesaLookup);
        if (m_table.IsExtensionSupported("GL_NV_fence")) {
            m_table.glGenFencesNV = &Driver::GenFences;
            m_table.glFinishFenceNV = &Driver::FinishFence;
            m_table.glSetFenceNV = &Driver::SetFence;
        }
        if (m_table.IsExtensionSupported("GL_NV_vertex_program")) {
            m_table.glVertexAttribPointerNV = &Driver::VertexAttribPointer;
        }
        if (m_table.IsExtensionSupported("GL_NV_vertex_array_range")) {
            m_table.wglAllocateMemoryNV = &Driver::AllocateMemory;
            m_table.glVertexArrayRangeNV = &Driver::VertexArrayRange;
        }
        KEExtensions::SetInstance(&m_table);
    }
    // A textured triangle with known positions.
    static void Fill(KEVertexTextured& stream, float base) {
        for (int i = 0; i < stream.GetCount(); ++i) {
            float* p = static_cast<float*>(stream.PositionPtr(i));
            p[0] = base + static_cast<float>(i);
            p[1] = 0;
            p[2] = 0;
        }
        stream.SetDirty(true);
    }
    static float FirstVarPosition(const KEVertex& stream) {
        float x = 0;
        std::memcpy(&x, stream.GetVarCopy(), sizeof x);
        return x;
    }

    GLTestContext m_gl;
    KEExtensions m_table;
};

KEDrawCall Triangles(KEVertex* stream, int32_t count) {
    KEDrawCall call;
    call.primitive = GL_TRIANGLES;
    call.stream = stream;
    call.count = count;
    return call;
}

}  // namespace

TEST(DrawCallCount, TrianglesArePrimitivesCountedPerKind) {
    EXPECT_EQ(KEDrawCall::TriangleCount(GL_QUADS, 10), 4);
    EXPECT_EQ(KEDrawCall::TriangleCount(GL_TRIANGLE_STRIP, 10), 3);
    EXPECT_EQ(KEDrawCall::TriangleCount(GL_TRIANGLES, 9), 3);
    EXPECT_EQ(KEDrawCall::TriangleCount(GL_TRIANGLES, 2), 0);
}

TEST_F(DrawCall, FenceIsMadeOnceThenFinishedBeforeAndSetAfterEveryDraw) {
    Install("GL_NV_fence");
    KEVertexTextured stream;
    stream.AllocateSpace(3);
    Fill(stream, 0);
    GLuint fence = kNoFence;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Triangles(&stream, 3).Draw(false, &fence), 1);
    EXPECT_EQ(fence, 7u);
    EXPECT_EQ(Driver::Get().calls,
              (std::vector<std::string>{"gen", "set 7 all", "finish 7", "set 7 all", "finish 7", "set 7 all"}));
}

TEST_F(DrawCall, WithoutTheFenceExtensionNoFenceCallIsMade) {
    Install("");
    KEVertexTextured stream;
    stream.AllocateSpace(3);
    Fill(stream, 0);
    GLuint fence = kNoFence;
    Triangles(&stream, 3).Draw(false, &fence);
    EXPECT_EQ(fence, kNoFence);
    EXPECT_TRUE(Driver::Get().calls.empty());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(DrawCall, OnlyDirtyVarStreamsAreUploadedAndDataReturnsToTheSystemCopy) {
    Install("GL_NV_vertex_array_range GL_NV_fence");
    KEVertexTextured stream;
    stream.AllocateSpace(3);
    Fill(stream, 10);
    MoveToVAR(&stream);
    ASSERT_EQ(stream.GetStorage(), KE_STORAGE_VAR);
    ASSERT_NE(stream.GetVarCopy(), nullptr);
    GLuint fence = kNoFence;
    RecordingLog log;  // Mesa cannot say the range is valid; the report is not the subject here

    Triangles(&stream, 3).Draw(false, &fence);
    EXPECT_EQ(FirstVarPosition(stream), 10.0f);
    EXPECT_FALSE(stream.IsDirty());
    EXPECT_EQ(stream.GetData(), stream.GetSystemCopy());

    // Written but not marked: the VAR copy keeps what the last upload put there.
    static_cast<float*>(stream.PositionPtr(0))[0] = 20;
    Triangles(&stream, 3).Draw(false, &fence);
    EXPECT_EQ(FirstVarPosition(stream), 10.0f);

    stream.SetDirty(true);
    Triangles(&stream, 3).Draw(false, &fence);
    EXPECT_EQ(FirstVarPosition(stream), 20.0f);
}

TEST_F(DrawCall, OnlyDirtyAttributesOfAPlanarStreamAreUploaded) {
    Install("GL_NV_vertex_array_range GL_NV_vertex_program");
    KEVertexAttributes stream;
    stream.DeclareAttribute(0, 12, true);
    stream.DeclareAttribute(8, 8, true);
    ASSERT_TRUE(stream.AllocateSpace(2));
    std::memset(stream.GetSystemCopy(), 0x11, 2 * 20);
    MoveToVAR(&stream);
    ASSERT_EQ(stream.GetStorage(), KE_STORAGE_VAR);
    GLuint fence = kNoFence;
    RecordingLog log;
    Triangles(&stream, 2).Draw(true, &fence);  // a new VAR copy takes everything
    std::memset(stream.GetSystemCopy(), 0x22, 2 * 20);
    stream.MarkDirty(8);
    Triangles(&stream, 2).Draw(true, &fence);
    const unsigned char* var = static_cast<const unsigned char*>(stream.GetVarCopy());
    EXPECT_EQ(var[0], 0x11);    // positions: not marked, not copied again
    EXPECT_EQ(var[23], 0x11);
    EXPECT_EQ(var[24], 0x22);   // texture set 0 starts at 12 * 2 bytes
    EXPECT_EQ(var[39], 0x22);
}

TEST_F(DrawCall, VertexProgramPathBindsWhatAttributeSizeSays) {
    Install("GL_NV_vertex_program");
    KEVertexAttributes stream;
    stream.DeclareAttribute(0, 12, true);   // position
    stream.DeclareAttribute(5, 12, false);  // tangent, kept for the CPU only
    stream.DeclareAttribute(8, 8, true);    // texture set 0
    ASSERT_TRUE(stream.AllocateSpace(3));
    GLuint fence = kNoFence;
    Triangles(&stream, 3).Draw(true, &fence);
    const auto& bound = Driver::Get().attribPointers;
    ASSERT_EQ(bound.size(), 2u);
    const unsigned char* data = static_cast<const unsigned char*>(stream.GetData());
    EXPECT_EQ(bound[0].index, 0u);
    EXPECT_EQ(bound[0].size, 3);
    EXPECT_EQ(bound[0].stride, 12);
    EXPECT_EQ(bound[0].pointer, data);
    EXPECT_EQ(bound[1].index, 8u);
    EXPECT_EQ(bound[1].size, 2);
    EXPECT_EQ(bound[1].stride, 8);
    EXPECT_EQ(bound[1].pointer, data + 12 * 3);
}

TEST_F(DrawCall, WithTheStateCacheArraysAreBoundOnceButFencesAndUploadsStayPerDraw) {
    Install("GL_NV_vertex_array_range GL_NV_vertex_program GL_NV_fence");
    KEVertexAttributes streams[2];
    for (KEVertexAttributes& stream : streams) {
        stream.DeclareAttribute(0, 12, true);
        stream.DeclareAttribute(8, 8, true);
        ASSERT_TRUE(stream.AllocateSpace(2));
        std::memset(stream.GetSystemCopy(), 0x11, 2 * 20);
        MoveToVAR(&stream);
    }
    GLuint fence = kNoFence;
    RecordingLog log;
    KEStateCache cache;
    Triangles(&streams[0], 2).Draw(true, &fence, cache);
    std::memset(streams[0].GetSystemCopy(), 0x22, 2 * 20);
    streams[0].MarkDirty(0);
    Triangles(&streams[0], 2).Draw(true, &fence, cache);
    EXPECT_EQ(static_cast<const unsigned char*>(streams[0].GetVarCopy())[0], 0x22);
    EXPECT_EQ(Driver::Get().attribPointers.size(), 2u);  // the same VAR arrays: bound once
    Triangles(&streams[1], 2).Draw(true, &fence, cache);
    Triangles(&streams[0], 2).Draw(true, &fence, cache);
    EXPECT_EQ(Driver::Get().attribPointers.size(), 6u);
    EXPECT_EQ(Driver::Get().attribPointers[4].pointer, streams[0].GetVarCopy());
    EXPECT_EQ(Driver::Get().calls, (std::vector<std::string>{"gen", "set 7 all", "finish 7", "set 7 all", "finish 7",
                                                              "set 7 all", "finish 7", "set 7 all"}));
}

TEST_F(DrawCall, InvalidRangeIsReportedOncePerStreamWithItsPointer) {
    Install("GL_NV_vertex_array_range");
    KEVertexTextured stream;
    stream.AllocateSpace(3);
    Fill(stream, 0);
    MoveToVAR(&stream);
    ASSERT_EQ(stream.GetStorage(), KE_STORAGE_VAR);
    GLuint fence = kNoFence;
    RecordingLog log;
    Triangles(&stream, 3).Draw(false, &fence);
    Triangles(&stream, 3).Draw(false, &fence);
    char expected[128];
    std::snprintf(expected, sizeof expected, "VAR not valid -- Pointer: %p   Using VertexPrograms: no",
                  stream.GetVarCopy());
    EXPECT_EQ(log.Boxes(), std::vector<std::string>{expected});
    EXPECT_EQ(log.Lines().size(), 2u);  // the second draw only traces
}

TEST_F(DrawCall, SystemStreamSwitchesTheNonFlushingRangeOffOnlyWhereItExists) {
    KEVertexTextured stream;
    stream.AllocateSpace(3);
    Fill(stream, 0);
    GLuint fence = kNoFence;

    Install("GL_NV_fence");
    Triangles(&stream, 3).Draw(false, &fence);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    // With the second VAR extension listed, the draw switches the range state off: Mesa,
    // which has no such state, answers with GL_INVALID_ENUM.
    Install("GL_NV_fence GL_NV_vertex_array_range GL_NV_vertex_array_range2");
    fence = kNoFence;
    Triangles(&stream, 3).Draw(false, &fence);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_INVALID_ENUM));
}

TEST_F(DrawCall, IndexedAndUnindexedDrawsCoverTheSamePixels) {
    Install("");
    KEVertexTextured quad;
    quad.AllocateSpace(4);
    const float corners[4][2] = {{-1, -1}, {-1, 1}, {1, 1}, {1, -1}};
    for (int i = 0; i < 4; ++i) {
        float* p = static_cast<float*>(quad.PositionPtr(i));
        p[0] = corners[i][0];
        p[1] = corners[i][1];
        p[2] = 0;
    }
    glDisable(GL_CULL_FACE);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    GLuint fence = kNoFence;

    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor4f(1, 1, 0, 1);
    const uint32_t indices[6] = {0, 1, 2, 0, 2, 3};
    KEDrawCall indexed = Triangles(&quad, 6);
    indexed.indices = indices;
    EXPECT_EQ(indexed.Draw(false, &fence), 2);
    EXPECT_EQ(m_gl.Pixel(48, 16)[1], 255);  // lower right half: only the second triangle

    glClear(GL_COLOR_BUFFER_BIT);
    KEDrawCall fan = Triangles(&quad, 4);
    fan.primitive = GL_QUADS;
    EXPECT_EQ(fan.Draw(false, &fence), 2);
    EXPECT_EQ(m_gl.Pixel(48, 16)[1], 255);
    EXPECT_EQ(m_gl.Pixel(16, 48)[1], 255);
}
