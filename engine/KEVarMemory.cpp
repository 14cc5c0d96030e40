// The VAR block allocator and the move of a vertex stream into it.
#include "KEVarMemory.h"

#include "KEExtensions.h"
#include "KEVertex.h"
#include "KLLog.h"

#include <GL/gl.h>
#include <GL/glext.h>

KEVarMemory* KEVarMemory::GetInstance() {
    static KEVarMemory instance;
    return &instance;
}

void* KEVarMemory::Allocate(uint32_t bytes) {
    if (!m_base) {
        if (m_refused) return nullptr;
        KEExtensions* extensions = KEExtensions::GetInstance();
        if (!extensions || !extensions->IsExtensionSupported(KEExtensions::kVertexArrayRangeName) ||
            !extensions->glVertexArrayRangeNV) {
            return nullptr;
        }
        void* block = extensions->wglAllocateMemoryNV
                          ? extensions->wglAllocateMemoryNV(static_cast<GLsizei>(kBlockSize), 0.0f, 0.0f, 1.0f)
                          : nullptr;
        if (!block) {
            // A range over a null block would hand out unusable addresses: keep every
            // stream in system memory instead.
            m_refused = true;
            LogError("ERROR: Unable to allocate VAR memory");
            return nullptr;
        }
        m_base = block;
        m_size = kBlockSize;
        m_used = 0;
        extensions->glVertexArrayRangeNV(static_cast<GLsizei>(m_size), m_base);
        glEnableClientState(GL_VERTEX_ARRAY_RANGE_NV);
    }
    if (bytes > m_size - m_used) {
        LogError("ERROR: Insufficient VAR memory available");
        return nullptr;
    }
    void* address = static_cast<unsigned char*>(m_base) + m_used;
    m_used += bytes;
    return address;
}

void KEVarMemory::Reset() {
    m_base = nullptr;
    m_size = 0;
    m_used = 0;
    m_refused = false;
}

void* AllocateVAR(uint32_t bytes) { return KEVarMemory::GetInstance()->Allocate(bytes); }

void MoveToVAR(KEVertex* stream) {
    KEExtensions* extensions = KEExtensions::GetInstance();
    if (!extensions || !extensions->glVertexArrayRangeNV) {
        LogMessage("NO VAR AVAILABLE!");
        return;
    }
    if (!stream || stream->GetStorage() == KE_STORAGE_VAR) return;
    const int64_t bytes = static_cast<int64_t>(stream->GetCount()) * stream->VertexSize();
    if (bytes < 0) return;
    // Anything past 4 GiB cannot fit the block either; let the allocator report it.
    void* block = AllocateVAR(bytes > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(bytes));
    if (!block) return;
    stream->SetStorage(KE_STORAGE_VAR);
    if (stream->OwnsSpace()) {
        stream->SetVarCopy(block);
    } else {
        stream->SetDataPointer(block);
    }
}
