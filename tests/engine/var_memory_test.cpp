// VAR memory through a stand-in extension table: the driver's block is a test buffer, the
// range call is recorded. The client-state enable is a real GL call on Mesa, which has no
// VAR and answers it with GL_INVALID_ENUM: the tests read that error back as the proof that
// the enable was issued, once, when the block was set up.
#include "KEVarMemory.h"

#include "GLTestContext.h"
#include "KEExtensions.h"
#include "KEVertexLayouts.h"
#include "RecordingLog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// What the stand-in driver does and saw.
struct FakeDriver {
    static FakeDriver& Get() {
        static FakeDriver driver;
        return driver;
    }
    std::vector<unsigned char> block;
    bool refuse = false;
    int allocations = 0;
    GLsizei askedSize = 0;
    float read = -1, write = -1, priority = -1;
    int ranges = 0;
    GLsizei rangeLength = 0;
    const void* rangePointer = nullptr;

    static void* Allocate(GLsizei size, GLfloat read, GLfloat write, GLfloat priority) {
        FakeDriver& d = Get();
        ++d.allocations;
        d.askedSize = size;
        d.read = read;
        d.write = write;
        d.priority = priority;
        if (d.refuse) return nullptr;
        d.block.assign(static_cast<size_t>(size), 0);
        return d.block.data();
    }
    static void Range(GLsizei length, const void* pointer) {
        FakeDriver& d = Get();
        ++d.ranges;
        d.rangeLength = length;
        d.rangePointer = pointer;
    }
};

void* NullLookup(const char*) { return nullptr; }

class VarMemory : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_gl.Ready());
        FakeDriver::Get() = FakeDriver();
        KEVarMemory::GetInstance()->Reset();
        Install("GL_ARB_multitexture GL_NV_vertex_array_range GL_NV_fence");
        for (int flag = 0; flag < 32 && glGetError() != GL_NO_ERROR; ++flag) {
        }
    }
    void TearDown() override {
        KEExtensions::SetInstance(nullptr);
        KEVarMemory::GetInstance()->Reset();
        for (int flag = 0; flag < 32 && glGetError() != GL_NO_ERROR; ++flag) {
        }
    }
    // A table listing `extensions`, with the VAR entries pointed at the stand-in driver when
    // VAR is listed.
    void Install(const char* extensions) {
        m_table.Load(extensions, &NullLookup);
        if (m_table.IsExtensionSupported("GL_NV_vertex_array_range")) {
            m_table.wglAllocateMemoryNV = &FakeDriver::Allocate;
            m_table.glVertexArrayRangeNV = &FakeDriver::Range;
        }
        KEExtensions::SetInstance(&m_table);
    }
    unsigned char* Base() { return FakeDriver::Get().block.data(); }

    GLTestContext m_gl;
    KEExtensions m_table;
    RecordingLog m_log;
};

TEST_F(VarMemory, HandsOutOneBlockLinearly) {
    void* first = AllocateVAR(1000);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_INVALID_ENUM));  // the range's client state
    void* second = AllocateVAR(500);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    const FakeDriver& d = FakeDriver::Get();
    EXPECT_EQ(first, Base());
    EXPECT_EQ(second, Base() + 1000);
    EXPECT_EQ(d.allocations, 1);
    EXPECT_EQ(d.askedSize, 20971520);
    EXPECT_EQ(d.read, 0.0f);
    EXPECT_EQ(d.write, 0.0f);
    EXPECT_EQ(d.priority, 1.0f);
    EXPECT_EQ(d.ranges, 1);
    EXPECT_EQ(d.rangeLength, 20971520);
    EXPECT_EQ(d.rangePointer, Base());
    EXPECT_EQ(KEVarMemory::GetInstance()->GetUsed(), 1500u);
    EXPECT_TRUE(m_log.Boxes().empty());
}

TEST_F(VarMemory, WithoutTheExtensionAnswersNullAndChecksAgainLater) {
    Install("GL_ARB_multitexture GL_NV_fence");
    EXPECT_EQ(AllocateVAR(64), nullptr);
    EXPECT_EQ(FakeDriver::Get().allocations, 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    Install("GL_ARB_multitexture GL_NV_vertex_array_range");
    void* block = AllocateVAR(64);
    EXPECT_EQ(block, Base());
    EXPECT_EQ(FakeDriver::Get().allocations, 1);
    EXPECT_TRUE(m_log.Boxes().empty());
}

TEST_F(VarMemory, RefusedBlockIsReportedOnceAndEveryRequestStaysInSystemMemory) {
    FakeDriver::Get().refuse = true;
    EXPECT_EQ(AllocateVAR(100), nullptr);
    EXPECT_EQ(AllocateVAR(100), nullptr);
    KEVertexTextured stream;
    ASSERT_TRUE(stream.AllocateSpace(4));
    MoveToVAR(&stream);
    EXPECT_EQ(stream.GetStorage(), KE_STORAGE_SYSTEM);
    EXPECT_EQ(stream.GetVarCopy(), nullptr);

    EXPECT_EQ(m_log.Boxes(), std::vector<std::string>{"ERROR: Unable to allocate VAR memory"});
    EXPECT_EQ(FakeDriver::Get().allocations, 1);  // not retried
    EXPECT_EQ(FakeDriver::Get().ranges, 0);       // no range over a null block
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(VarMemory, RequestPastTheEndIsReportedAndTakesNothing) {
    void* first = AllocateVAR(20971520 - 100);
    ASSERT_EQ(first, Base());
    EXPECT_EQ(AllocateVAR(101), nullptr);
    EXPECT_EQ(m_log.Boxes(), std::vector<std::string>{"ERROR: Insufficient VAR memory available"});
    // The refused request left the rest: exactly 100 bytes still fit, then nothing.
    EXPECT_EQ(AllocateVAR(100), Base() + 20971420);
    EXPECT_EQ(AllocateVAR(1), nullptr);
    EXPECT_EQ(AllocateVAR(0xFFFFFFFFu), nullptr);
    EXPECT_EQ(m_log.Boxes().size(), 3u);
}

TEST_F(VarMemory, MoveWithoutTheRangeEntryTracesAndLeavesTheStream) {
    Install("GL_ARB_multitexture");
    KEVertexTextured stream;
    ASSERT_TRUE(stream.AllocateSpace(4));
    MoveToVAR(&stream);
    EXPECT_EQ(m_log.Lines(), std::vector<std::string>{"NO VAR AVAILABLE!"});
    EXPECT_TRUE(m_log.Boxes().empty());
    EXPECT_EQ(stream.GetStorage(), KE_STORAGE_SYSTEM);
    EXPECT_EQ(stream.GetData(), stream.GetSystemCopy());
    EXPECT_EQ(stream.GetVarCopy(), nullptr);
}

TEST_F(VarMemory, MovedStreamsGetTheirBlock) {
    // An owning stream keeps drawing data = its system copy and gets a VAR copy.
    KEVertexLitTextured owning;
    ASSERT_TRUE(owning.AllocateSpace(10));  // 400 bytes
    void* system = owning.GetSystemCopy();
    MoveToVAR(&owning);
    EXPECT_EQ(owning.GetStorage(), KE_STORAGE_VAR);
    EXPECT_EQ(owning.GetData(), system);
    EXPECT_EQ(owning.GetVarCopy(), Base());

    // Moving again changes nothing and takes no memory.
    MoveToVAR(&owning);
    EXPECT_EQ(owning.GetVarCopy(), Base());
    EXPECT_EQ(KEVarMemory::GetInstance()->GetUsed(), 400u);

    // A stream on borrowed data draws straight from its block.
    float foreign[3 * 5] = {};
    KEVertexPosition borrowing;
    borrowing.SetData(foreign, 5, KE_STORAGE_SYSTEM);
    MoveToVAR(&borrowing);
    EXPECT_EQ(borrowing.GetStorage(), KE_STORAGE_VAR);
    EXPECT_EQ(borrowing.GetData(), Base() + 400);
    EXPECT_EQ(borrowing.GetVarCopy(), nullptr);
    EXPECT_EQ(KEVarMemory::GetInstance()->GetUsed(), 460u);

    // The draw's upload fills the VAR copy from the system copy.
    static_cast<float*>(owning.PositionPtr(9))[2] = 7.5f;
    owning.Upload();
    float copied = 0;
    std::memcpy(&copied, Base() + 9 * 40 + 8, sizeof copied);
    EXPECT_EQ(copied, 7.5f);
    EXPECT_TRUE(m_log.Boxes().empty());
}

}  // namespace
