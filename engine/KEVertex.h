// Vertex streams: the base of every array of vertices the engine draws. A stream owns (or
// borrows) its vertices, tells the draw call where each attribute lies and with what
// stride, and keeps the double life of its data in VAR memory: the CPU always writes the
// system copy, and the draw pushes it into the VAR copy just before drawing. The layouts
// derive from it (KEVertexLayouts.h). Main thread only.
#pragma once

#include <cstdint>
#include <memory>

enum KEVertexStorage {
    KE_STORAGE_SYSTEM = 0,  // data in system memory
    KE_STORAGE_VAR = 1      // a VAR copy exists and is used for drawing
};

// Generic attribute indices, aliased as GL_NV_vertex_program aliases them.
enum KEVertexAttribute {
    KE_ATTRIB_POSITION = 0,
    KE_ATTRIB_NORMAL = 2,
    KE_ATTRIB_COLOR0 = 3,
    KE_ATTRIB_COLOR1 = 4,
    KE_ATTRIB_TANGENT = 5,
    KE_ATTRIB_BINORMAL = 6,
    KE_ATTRIB_TEXCOORD0 = 8,
    KE_ATTRIB_TEXCOORD1 = 9,
    KE_ATTRIB_COUNT = 16
};

class KEVertex {
public:
    KEVertex() = default;
    KEVertex(const KEVertex&) = delete;
    KEVertex& operator=(const KEVertex&) = delete;

    // Addresses into the current data (null when the stream has none). `set` is 0 or 1;
    // any other set answers null. i is not checked against the count.
    virtual void* PositionPtr(int32_t i) const = 0;             // 3 floats
    virtual void* ColorPtr(int32_t i, int32_t set) const = 0;   // 3 floats
    virtual void* NormalPtr(int32_t i) const = 0;               // 3 floats
    virtual void* TexCoordPtr(int32_t i, int32_t set) const = 0;  // 2 floats
    // Bytes between consecutive values.
    virtual int32_t PositionStride() const = 0;
    virtual int32_t ColorStride(int32_t set) const = 0;
    virtual int32_t NormalStride() const = 0;
    virtual int32_t TexCoordStride(int32_t set) const = 0;
    // Generic attribute a (0-15) of vertex i, or null. The interleaved layouts map 0, 2, 3,
    // 4, 8 and 9 to the fixed operations above and answer null for every other index.
    virtual void* AttributePtr(int32_t a, int32_t i) const;
    // Floats per value of attribute a; 0 means absent (never bound for drawing).
    virtual int32_t AttributeSize(int32_t a) const = 0;
    virtual int32_t AttributeStride(int32_t a) const = 0;
    // Bytes per vertex of the system copy (what AllocateSpace multiplies by n).
    virtual int32_t VertexSize() const = 0;
    // Notes that attribute a changed; the interleaved layouts only set the dirty flag.
    virtual void MarkDirty(int32_t a);
    // Runs at the end of AllocateSpace.
    virtual void OnSpaceAllocated();
    // Copies what changed from the system copy into the VAR copy; the interleaved layouts
    // copy the whole array. Nothing without both copies. Leaves the dirty flag to the caller.
    virtual void Upload();
    // Frees the system copy when owned; VAR memory is never given back.
    virtual ~KEVertex();

    // Allocates the uninitialised system copy for n vertices: count = n, data = system copy,
    // storage SYSTEM, then OnSpaceAllocated. The layout must be complete before. A second
    // call reports "KEVertex::AllocateSpace - Space already allocated" and changes nothing;
    // a negative or unallocatable count is reported and refused. True on success.
    bool AllocateSpace(int32_t n);
    // Makes the stream use foreign data (not owned). On a stream that owns space and with
    // storage VAR, only the VAR copy and the storage are replaced: the own system copy stays
    // and is uploaded before each draw. Otherwise count = n, an owned system copy is freed
    // (with its VAR copy), data = pointer and storage = the requested storage.
    void SetData(void* pointer, int32_t n, KEVertexStorage storage);

    int32_t GetCount() const { return m_count; }
    int32_t GetColorSets() const { return m_colorSets; }
    bool HasNormals() const { return m_hasNormals; }
    int32_t GetTexSets() const { return m_texSets; }
    KEVertexStorage GetStorage() const { return m_storage; }
    // What the attribute addresses are computed from: the system copy, the VAR copy while
    // a draw points at it, or the borrowed data. A stream that owns no space and was moved
    // to VAR draws straight from its VAR block, which is then its data (no VAR copy).
    void* GetData() const { return m_data; }
    // The draw points data at the VAR copy and back at the system copy afterwards.
    void SetDataPointer(void* pointer) { m_data = pointer; }
    void* GetSystemCopy() const { return m_systemCopy.get(); }
    void* GetVarCopy() const { return m_varCopy; }
    bool OwnsSpace() const { return m_ownsSpace; }
    // The system copy changed since the last upload.
    bool IsDirty() const { return m_dirty; }
    void SetDirty(bool dirty) { m_dirty = dirty; }

    // The draw's "VAR not valid" report for this stream is boxed once, then only traced.
    bool* VarWarningShown() { return &m_varWarningShown; }

    // Used by MoveToVAR. A new VAR copy holds nothing yet: every attribute is marked dirty,
    // so the next draw fills all of it.
    void SetVarCopy(void* block);
    void SetStorage(KEVertexStorage storage) { m_storage = storage; }

protected:
    // Declared sets for the fixed-function draw; 0 (false) for absent attributes.
    void SetColorSets(int32_t sets) { m_colorSets = sets; }
    void SetHasNormals(bool hasNormals) { m_hasNormals = hasNormals; }
    void SetTexSets(int32_t sets) { m_texSets = sets; }

    // Byte `offset` of vertex i of an interleaved array of VertexSize() bytes per vertex,
    // or null without data.
    void* Interleaved(int32_t i, int32_t offset) const;

private:
    int32_t m_count = 0;
    int32_t m_colorSets = 0;
    bool m_hasNormals = false;
    int32_t m_texSets = 0;
    KEVertexStorage m_storage = KE_STORAGE_SYSTEM;
    void* m_data = nullptr;
    std::unique_ptr<unsigned char[]> m_systemCopy;
    void* m_varCopy = nullptr;
    bool m_ownsSpace = false;
    bool m_dirty = true;
    bool m_varWarningShown = false;
};
