// The four vertex layouts: three interleaved ones (every attribute at a fixed byte of the
// vertex, all strides equal to the vertex size) and a planar one of 16 generic attribute
// slots for the per-pixel lighting mesh.
//
// An interleaved layout answers the colour, normal and texture operations even for
// attributes it does not have, with the address of the vertex's position (so a reader never
// leaves the vertex); its declared sets stay 0 for those, which keeps the draw from binding
// them.
#pragma once

#include "KEVertex.h"

// What the interleaved layouts share: every stride is the vertex size.
template <int32_t Size>
class KEInterleavedVertex : public KEVertex {
public:
    static constexpr int32_t kVertexSize = Size;
    int32_t PositionStride() const override { return Size; }
    int32_t ColorStride(int32_t) const override { return Size; }
    int32_t NormalStride() const override { return Size; }
    int32_t TexCoordStride(int32_t) const override { return Size; }
    int32_t AttributeStride(int32_t) const override { return Size; }
    int32_t VertexSize() const override { return Size; }
};

// Position (bytes 0-11) and texture set 0 (bytes 12-19): fonts and sprites.
class KEVertexTextured : public KEInterleavedVertex<20> {
public:
    KEVertexTextured() { SetTexSets(1); }
    void* PositionPtr(int32_t i) const override;
    void* ColorPtr(int32_t i, int32_t set) const override;
    void* NormalPtr(int32_t i) const override;
    void* TexCoordPtr(int32_t i, int32_t set) const override;
    int32_t AttributeSize(int32_t a) const override;
};

// Position only (bytes 0-11): the extra passes of the per-pixel lighting mesh.
class KEVertexPosition : public KEInterleavedVertex<12> {
public:
    void* PositionPtr(int32_t i) const override;
    void* ColorPtr(int32_t i, int32_t set) const override;
    void* NormalPtr(int32_t i) const override;
    void* TexCoordPtr(int32_t i, int32_t set) const override;
    int32_t AttributeSize(int32_t a) const override;
};

// Position (0-11), normal (12-23), texture set 0 (24-31) and set 1 (32-39): scene meshes.
class KEVertexLitTextured : public KEInterleavedVertex<40> {
public:
    KEVertexLitTextured() {
        SetHasNormals(true);
        SetTexSets(2);
    }
    void* PositionPtr(int32_t i) const override;
    void* ColorPtr(int32_t i, int32_t set) const override;
    void* NormalPtr(int32_t i) const override;
    void* TexCoordPtr(int32_t i, int32_t set) const override;
    int32_t AttributeSize(int32_t a) const override;
};

// 16 generic attribute slots, planar: each attribute has its own contiguous array of n
// values. Block 1 is the stream's data (system copy, VAR copy during a draw); block 2 is a
// system-memory array for values only the CPU reads, never bound for drawing. Declare the
// attributes before AllocateSpace; offsets follow declaration order within each block.
class KEVertexAttributes : public KEVertex {
public:
    // Declares slot a (0-15) with `stride` bytes per value (a multiple of 4 up to 64;
    // 0 removes it), kept in block 1 or block 2. A slot declared again moves to the end of
    // its block. Refused with a report after AllocateSpace (the arrays are laid out then)
    // and for a bad index or stride. Declared attributes start dirty.
    bool DeclareAttribute(int a, int32_t stride, bool inBlock1);

    // Attribute 0 / 2 / 3 + set; both texture sets answer attribute 8.
    void* PositionPtr(int32_t i) const override;
    void* ColorPtr(int32_t i, int32_t set) const override;
    void* NormalPtr(int32_t i) const override;
    void* TexCoordPtr(int32_t i, int32_t set) const override;
    int32_t PositionStride() const override;
    int32_t ColorStride(int32_t set) const override;
    int32_t NormalStride() const override;
    int32_t TexCoordStride(int32_t set) const override;
    // (block start) + offset(a) x n + stride(a) x i; null for an absent attribute.
    void* AttributePtr(int32_t a, int32_t i) const override;
    // stride / 4 in block 1, 0 in block 2 or when absent.
    int32_t AttributeSize(int32_t a) const override;
    int32_t AttributeStride(int32_t a) const override;
    // The block-1 vertex size.
    int32_t VertexSize() const override { return m_block1Size; }
    // Sets attribute a's dirty flag and the stream's.
    void MarkDirty(int32_t a) override;
    // Allocates block 2 (n x block-2 vertex size bytes).
    void OnSpaceAllocated() override;
    // Copies each dirty block-1 attribute's array to the same place in the VAR copy and
    // clears its flag; unchanged attributes are not copied.
    void Upload() override;

    // Byte offset of attribute a's array from its block's start (offset x n).
    int32_t GetArrayOffset(int32_t a) const;
    bool IsAttributeDirty(int32_t a) const { return Valid(a) && m_slots[a].dirty; }
    int32_t GetBlock2VertexSize() const { return m_block2Size; }
    void* GetBlock2() const { return m_block2.get(); }

    static constexpr int32_t kMaxStride = 64;

private:
    struct Slot {
        bool inBlock1 = true;
        int32_t offset = 0;  // sum of the strides declared before it in its block
        int32_t stride = 0;  // 0 = absent
        bool dirty = false;
        int order = 0;  // declaration order
    };
    static bool Valid(int32_t a) { return a >= 0 && a < KE_ATTRIB_COUNT; }
    void Layout();

    Slot m_slots[KE_ATTRIB_COUNT];
    std::unique_ptr<unsigned char[]> m_block2;
    bool m_ownsBlock2 = false;
    int32_t m_block2Size = 0;
    int32_t m_block1Size = 0;
    int m_declarations = 0;
};
