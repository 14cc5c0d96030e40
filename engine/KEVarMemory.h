// VAR memory: one block of driver-allocated AGP or video memory (GL_NV_vertex_array_range),
// allocated on the first request and handed out linearly, never freed or reused. Vertex
// streams ask for their VAR copy through MoveToVAR; when VAR memory cannot be had they
// simply stay in system memory. Main thread, with the engine's GL context current.
#pragma once

#include <cstdint>

class KEVertex;

class KEVarMemory {
public:
    // The size of the one block: 20 MiB.
    static constexpr uint32_t kBlockSize = 20971520;

    static KEVarMemory* GetInstance();

    // The address of `bytes` bytes inside the block, or null when there is no VAR memory:
    // - no "GL_NV_vertex_array_range" in the extension string (or no glVertexArrayRangeNV):
    //   null, and a later call checks again (streams made before the context exist stay
    //   in system memory);
    // - the driver refuses the block: "ERROR: Unable to allocate VAR memory" once, and null
    //   for this and every later request (the refusal is not retried: it would be refused
    //   again, with a box per stream);
    // - a request that does not fit in the rest of the block: "ERROR: Insufficient VAR memory
    //   available" and null; the request takes nothing, so a smaller one may still fit.
    // Setting the block up also sets the vertex array range over it and enables its client
    // state, which stays enabled from then on.
    void* Allocate(uint32_t bytes);

    // For tests: forgets the block and the refusal without freeing anything.
    void Reset();

    void* GetBase() const { return m_base; }
    uint32_t GetSize() const { return m_size; }
    uint32_t GetUsed() const { return m_used; }

private:
    void* m_base = nullptr;
    uint32_t m_size = 0;
    uint32_t m_used = 0;
    bool m_refused = false;
};

// KEVarMemory::GetInstance()->Allocate(bytes).
void* AllocateVAR(uint32_t bytes);

// Gives a stream its VAR copy of count x VertexSize bytes (as its data when it owns no
// space) and storage VAR. Without the glVertexArrayRangeNV entry point it traces "NO VAR
// AVAILABLE!" and returns; a stream already in VAR, or one VAR memory cannot be had for,
// is left as it is. Call it after AllocateSpace.
void MoveToVAR(KEVertex* stream);
