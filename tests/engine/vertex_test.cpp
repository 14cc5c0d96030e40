// Vertex streams: space and borrowed data, the interleaved layouts' byte positions and
// attribute mapping, the planar 16-slot layout and its per-attribute upload.
#include "KEVertexLayouts.h"

#include "RecordingLog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

namespace {

unsigned char* Bytes(void* p) { return static_cast<unsigned char*>(p); }

// True when exactly `bytes` bytes are addressable at p (checked only under ASan).
bool HeapBlockIs(void* p, size_t bytes) {
#if defined(__SANITIZE_ADDRESS__)
    return __asan_region_is_poisoned(p, bytes) == nullptr && __asan_address_is_poisoned(Bytes(p) + bytes);
#else
    (void)p;
    (void)bytes;
    return true;
#endif
}

TEST(VertexSpace, AllocatesOnceAndReportsTheSecondRequest) {
    RecordingLog log;
    KEVertexTextured stream;
    EXPECT_EQ(stream.GetCount(), 0);
    EXPECT_TRUE(stream.IsDirty());
    EXPECT_FALSE(stream.OwnsSpace());
    EXPECT_EQ(stream.PositionPtr(0), nullptr);

    ASSERT_TRUE(stream.AllocateSpace(4));
    void* copy = stream.GetSystemCopy();
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(HeapBlockIs(copy, 80));
    EXPECT_EQ(stream.GetCount(), 4);
    EXPECT_EQ(stream.GetData(), copy);
    EXPECT_TRUE(stream.OwnsSpace());
    EXPECT_EQ(stream.GetStorage(), KE_STORAGE_SYSTEM);

    EXPECT_FALSE(stream.AllocateSpace(8));
    EXPECT_EQ(log.Boxes(), std::vector<std::string>{"KEVertex::AllocateSpace - Space already allocated"});
    EXPECT_EQ(stream.GetSystemCopy(), copy);
    EXPECT_EQ(stream.GetCount(), 4);

    KEVertexPosition negative;
    EXPECT_FALSE(negative.AllocateSpace(-1));
    EXPECT_FALSE(negative.OwnsSpace());
    EXPECT_EQ(log.Boxes().size(), 2u);
}

TEST(VertexSpace, SetDataBorrowsOrReplacesOnlyTheVarCopy) {
    float foreign[3 * 6] = {};
    unsigned char var[200] = {};

    // VAR on an owning stream: the own system copy stays and is what data points at.
    KEVertexLitTextured owning;
    ASSERT_TRUE(owning.AllocateSpace(3));
    void* system = owning.GetSystemCopy();
    owning.SetData(var, 5, KE_STORAGE_VAR);
    EXPECT_EQ(owning.GetStorage(), KE_STORAGE_VAR);
    EXPECT_EQ(owning.GetVarCopy(), var);
    EXPECT_EQ(owning.GetSystemCopy(), system);
    EXPECT_EQ(owning.GetData(), system);
    EXPECT_EQ(owning.GetCount(), 3);
    EXPECT_TRUE(owning.OwnsSpace());

    // SYSTEM on an owning stream: the own copy (and its VAR copy) go, data is borrowed.
    owning.SetData(foreign, 6, KE_STORAGE_SYSTEM);
    EXPECT_FALSE(owning.OwnsSpace());
    EXPECT_EQ(owning.GetSystemCopy(), nullptr);
    EXPECT_EQ(owning.GetVarCopy(), nullptr);
    EXPECT_EQ(owning.GetData(), foreign);
    EXPECT_EQ(owning.GetCount(), 6);
    EXPECT_EQ(owning.GetStorage(), KE_STORAGE_SYSTEM);
    EXPECT_EQ(owning.PositionPtr(1), Bytes(foreign) + 40);
    owning.Upload();  // nothing to copy from

    // VAR on a borrowing stream: the block is the data.
    KEVertexPosition borrowing;
    borrowing.SetData(var, 10, KE_STORAGE_VAR);
    EXPECT_EQ(borrowing.GetData(), var);
    EXPECT_EQ(borrowing.GetStorage(), KE_STORAGE_VAR);
    EXPECT_EQ(borrowing.PositionPtr(2), var + 24);
}

// Byte positions of the interleaved layouts, worked out by hand from their tables.
TEST(VertexLayouts, InterleavedLayoutsPlaceEveryAttributeInsideTheVertex) {
    struct Expected {
        const char* name;
        std::unique_ptr<KEVertex> stream;
        int32_t size;
        int32_t colorSets, texSets;
        bool normals;
        int32_t normal, tex0, tex1;  // byte offset inside the vertex (position is 0)
        std::vector<int32_t> attributeSizes;  // attributes 0..15
    };
    std::vector<Expected> layouts;
    layouts.push_back({"textured", std::make_unique<KEVertexTextured>(), 20, 0, 1, false, 0, 12, 12,
                       {3, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0}});
    layouts.push_back({"position", std::make_unique<KEVertexPosition>(), 12, 0, 0, false, 0, 0, 0,
                       {3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}});
    layouts.push_back({"lit textured", std::make_unique<KEVertexLitTextured>(), 40, 0, 2, true, 12, 24, 32,
                       {3, 0, 3, 0, 0, 0, 0, 0, 2, 2, 0, 0, 0, 0, 0, 0}});

    for (Expected& e : layouts) {
        SCOPED_TRACE(e.name);
        KEVertex& s = *e.stream;
        EXPECT_EQ(s.GetColorSets(), e.colorSets);
        EXPECT_EQ(s.GetTexSets(), e.texSets);
        EXPECT_EQ(s.HasNormals(), e.normals);
        ASSERT_TRUE(s.AllocateSpace(5));
        EXPECT_TRUE(HeapBlockIs(s.GetSystemCopy(), static_cast<size_t>(5 * e.size)));
        unsigned char* vertex3 = Bytes(s.GetData()) + 3 * e.size;

        EXPECT_EQ(s.VertexSize(), e.size);
        EXPECT_EQ(s.PositionPtr(3), vertex3);
        EXPECT_EQ(s.NormalPtr(3), vertex3 + e.normal);
        EXPECT_EQ(s.TexCoordPtr(3, 0), vertex3 + e.tex0);
        EXPECT_EQ(s.TexCoordPtr(3, 1), vertex3 + e.tex1);
        // Absent colours still answer an address whose 3 floats lie inside the vertex.
        for (int set = 0; set < 2; ++set) {
            unsigned char* colour = Bytes(s.ColorPtr(3, set));
            EXPECT_GE(colour, vertex3);
            EXPECT_LE(colour + 12, vertex3 + e.size);
        }
        EXPECT_EQ(s.ColorPtr(3, 2), nullptr);
        EXPECT_EQ(s.TexCoordPtr(3, -1), nullptr);

        for (int a = 0; a < 16; ++a) EXPECT_EQ(s.AttributeSize(a), e.attributeSizes[a]) << "attribute " << a;
        EXPECT_EQ(s.AttributePtr(0, 3), s.PositionPtr(3));
        EXPECT_EQ(s.AttributePtr(2, 3), s.NormalPtr(3));
        EXPECT_EQ(s.AttributePtr(3, 3), s.ColorPtr(3, 0));
        EXPECT_EQ(s.AttributePtr(4, 3), s.ColorPtr(3, 1));
        EXPECT_EQ(s.AttributePtr(8, 3), s.TexCoordPtr(3, 0));
        EXPECT_EQ(s.AttributePtr(9, 3), s.TexCoordPtr(3, 1));
        for (int a : {-1, 1, 5, 6, 7, 10, 15, 16}) EXPECT_EQ(s.AttributePtr(a, 3), nullptr) << "attribute " << a;

        for (int32_t stride : {s.PositionStride(), s.ColorStride(0), s.ColorStride(1), s.NormalStride(),
                               s.TexCoordStride(0), s.TexCoordStride(1), s.AttributeStride(0), s.AttributeStride(9)}) {
            EXPECT_EQ(stride, e.size);
        }
    }
}

TEST(VertexLayouts, InterleavedUploadCopiesTheWholeArrayOnly) {
    KEVertexTextured stream;
    ASSERT_TRUE(stream.AllocateSpace(4));
    std::memset(stream.GetSystemCopy(), 0x11, 80);
    unsigned char var[96];
    std::memset(var, 0xEE, sizeof var);

    stream.Upload();  // no VAR copy yet: nothing happens
    stream.SetData(var, 4, KE_STORAGE_VAR);
    stream.MarkDirty(8);
    EXPECT_TRUE(stream.IsDirty());
    stream.Upload();
    for (int i = 0; i < 96; ++i) EXPECT_EQ(var[i], i < 80 ? 0x11 : 0xEE) << "byte " << i;
}

// Position (12), texture sets 0 and 1 (8 each) in block 1; tangent and binormal (12 each)
// in block 2, declared in between; n = 100.
class VertexPlanar : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_stream.DeclareAttribute(KE_ATTRIB_POSITION, 12, true));
        ASSERT_TRUE(m_stream.DeclareAttribute(KE_ATTRIB_TANGENT, 12, false));
        ASSERT_TRUE(m_stream.DeclareAttribute(KE_ATTRIB_TEXCOORD0, 8, true));
        ASSERT_TRUE(m_stream.DeclareAttribute(KE_ATTRIB_BINORMAL, 12, false));
        ASSERT_TRUE(m_stream.DeclareAttribute(KE_ATTRIB_TEXCOORD1, 8, true));
    }
    KEVertexAttributes m_stream;
};

TEST_F(VertexPlanar, ArraysFollowDeclarationOrderWithinEachBlock) {
    EXPECT_EQ(m_stream.VertexSize(), 28);
    ASSERT_TRUE(m_stream.AllocateSpace(100));
    unsigned char* block1 = Bytes(m_stream.GetSystemCopy());
    unsigned char* block2 = Bytes(m_stream.GetBlock2());
    EXPECT_TRUE(HeapBlockIs(block1, 2800));
    EXPECT_TRUE(HeapBlockIs(block2, 2400));

    EXPECT_EQ(m_stream.AttributePtr(0, 0), block1);
    EXPECT_EQ(m_stream.AttributePtr(8, 0), block1 + 1200);
    EXPECT_EQ(m_stream.AttributePtr(9, 0), block1 + 2000);
    EXPECT_EQ(m_stream.AttributePtr(9, 7), block1 + 2056);
    EXPECT_EQ(m_stream.PositionPtr(2), block1 + 24);
    EXPECT_EQ(m_stream.AttributePtr(5, 1), block2 + 12);
    EXPECT_EQ(m_stream.AttributePtr(6, 1), block2 + 1212);

    // Both texture sets answer set 0; attributes never declared answer null.
    EXPECT_EQ(m_stream.TexCoordPtr(4, 1), m_stream.TexCoordPtr(4, 0));
    EXPECT_EQ(m_stream.TexCoordPtr(4, 0), block1 + 1232);
    EXPECT_EQ(m_stream.TexCoordStride(1), 8);
    EXPECT_EQ(m_stream.NormalPtr(0), nullptr);
    EXPECT_EQ(m_stream.ColorPtr(0, 1), nullptr);
    EXPECT_EQ(m_stream.AttributePtr(16, 0), nullptr);

    // Only block-1 attributes are ever bound: block 2 reports size 0 whatever its stride.
    const int32_t sizes[16] = {3, 0, 0, 0, 0, 0, 0, 0, 2, 2, 0, 0, 0, 0, 0, 0};
    for (int a = 0; a < 16; ++a) EXPECT_EQ(m_stream.AttributeSize(a), sizes[a]) << "attribute " << a;
    EXPECT_EQ(m_stream.AttributeStride(KE_ATTRIB_TANGENT), 12);
}

TEST_F(VertexPlanar, RedeclaringMovesAnAttributeToTheEndOfItsBlock) {
    ASSERT_TRUE(m_stream.DeclareAttribute(KE_ATTRIB_POSITION, 16, true));  // now after both texture sets
    ASSERT_TRUE(m_stream.DeclareAttribute(KE_ATTRIB_TANGENT, 0, false));   // removed
    EXPECT_EQ(m_stream.VertexSize(), 32);
    EXPECT_EQ(m_stream.GetBlock2VertexSize(), 12);
    ASSERT_TRUE(m_stream.AllocateSpace(10));
    unsigned char* block1 = Bytes(m_stream.GetSystemCopy());
    EXPECT_EQ(m_stream.AttributePtr(8, 0), block1);
    EXPECT_EQ(m_stream.AttributePtr(9, 0), block1 + 80);
    EXPECT_EQ(m_stream.AttributePtr(0, 0), block1 + 160);
    EXPECT_EQ(m_stream.AttributePtr(6, 0), m_stream.GetBlock2());
    EXPECT_EQ(m_stream.AttributePtr(5, 0), nullptr);
}

TEST_F(VertexPlanar, LayoutIsRefusedOnceSpaceExistsOrWithBadValues) {
    RecordingLog log;
    EXPECT_FALSE(m_stream.DeclareAttribute(16, 8, true));
    EXPECT_FALSE(m_stream.DeclareAttribute(3, 6, true));
    EXPECT_FALSE(m_stream.DeclareAttribute(3, -4, true));
    ASSERT_TRUE(m_stream.AllocateSpace(10));
    EXPECT_FALSE(m_stream.DeclareAttribute(3, 12, true));
    EXPECT_EQ(m_stream.VertexSize(), 28);
    EXPECT_EQ(m_stream.AttributeSize(3), 0);
    const std::vector<std::string> boxes = log.Boxes();
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[3], "KEVertexAttributes::DeclareAttribute - Space already allocated");
}

TEST(VertexPlanarUpload, CopiesOnlyDirtyBlockOneAttributes) {
    // Position, colour 0 and colour 1 (12 bytes each), n = 4: arrays at 0, 48 and 96.
    KEVertexAttributes stream;
    ASSERT_TRUE(stream.DeclareAttribute(KE_ATTRIB_POSITION, 12, true));
    ASSERT_TRUE(stream.DeclareAttribute(KE_ATTRIB_COLOR0, 12, true));
    ASSERT_TRUE(stream.DeclareAttribute(KE_ATTRIB_TANGENT, 12, false));
    ASSERT_TRUE(stream.DeclareAttribute(KE_ATTRIB_COLOR1, 12, true));
    ASSERT_TRUE(stream.AllocateSpace(4));
    std::memset(stream.GetSystemCopy(), 0x11, 144);
    unsigned char var[160];
    std::memset(var, 0xEE, sizeof var);
    stream.SetData(var, 4, KE_STORAGE_VAR);

    // A new VAR copy receives all three block-1 arrays.
    stream.Upload();
    for (int i = 0; i < 160; ++i) ASSERT_EQ(var[i], i < 144 ? 0x11 : 0xEE) << "byte " << i;

    // Nothing changed since: nothing is copied.
    std::memset(var, 0xEE, sizeof var);
    stream.Upload();
    for (int i = 0; i < 160; ++i) ASSERT_EQ(var[i], 0xEE) << "byte " << i;

    // Colour 1 changes: only its 48 bytes go, and its flag is cleared.
    static_cast<float*>(stream.ColorPtr(2, 1))[0] = 1.0f;
    stream.SetDirty(false);
    stream.MarkDirty(KE_ATTRIB_COLOR1);
    EXPECT_TRUE(stream.IsDirty());
    EXPECT_TRUE(stream.IsAttributeDirty(KE_ATTRIB_COLOR1));
    EXPECT_FALSE(stream.IsAttributeDirty(KE_ATTRIB_COLOR0));
    stream.Upload();
    EXPECT_FALSE(stream.IsAttributeDirty(KE_ATTRIB_COLOR1));
    for (int i = 0; i < 160; ++i) {
        if (i < 96 || i >= 144) {
            ASSERT_EQ(var[i], 0xEE) << "byte " << i;
        }
    }
    float colour = 0;
    std::memcpy(&colour, var + 96 + 2 * 12, sizeof colour);
    EXPECT_EQ(colour, 1.0f);
    EXPECT_EQ(var[96], 0x11);

    // A block-2 attribute is never copied, even when marked.
    std::memset(var, 0xEE, sizeof var);
    stream.MarkDirty(KE_ATTRIB_TANGENT);
    stream.Upload();
    for (int i = 0; i < 160; ++i) ASSERT_EQ(var[i], 0xEE) << "byte " << i;

    // A replacing VAR copy receives every block-1 array at the next upload.
    unsigned char other[144];
    std::memset(other, 0xEE, sizeof other);
    stream.SetData(other, 4, KE_STORAGE_VAR);
    stream.Upload();
    EXPECT_EQ(other[0], 0x11);
    EXPECT_EQ(other[48], 0x11);
    EXPECT_EQ(other[143], 0x11);
}

}  // namespace
