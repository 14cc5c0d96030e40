// The vertex stream protocol shared by every layout: space, borrowed data, and the defaults
// of the interleaved layouts (one array, every attribute at a fixed byte of the vertex).
#include "KEVertex.h"

#include "KLLog.h"

#include <cstddef>
#include <cstring>
#include <new>

void* KEVertex::AttributePtr(int32_t a, int32_t i) const {
    switch (a) {
        case KE_ATTRIB_POSITION: return PositionPtr(i);
        case KE_ATTRIB_NORMAL: return NormalPtr(i);
        case KE_ATTRIB_COLOR0: return ColorPtr(i, 0);
        case KE_ATTRIB_COLOR1: return ColorPtr(i, 1);
        case KE_ATTRIB_TEXCOORD0: return TexCoordPtr(i, 0);
        case KE_ATTRIB_TEXCOORD1: return TexCoordPtr(i, 1);
        default: return nullptr;
    }
}

void KEVertex::MarkDirty(int32_t) { m_dirty = true; }

void KEVertex::OnSpaceAllocated() {}

void KEVertex::Upload() {
    if (!m_systemCopy || !m_varCopy || m_count <= 0) return;
    std::memcpy(m_varCopy, m_systemCopy.get(), static_cast<size_t>(m_count) * static_cast<size_t>(VertexSize()));
}

KEVertex::~KEVertex() = default;

bool KEVertex::AllocateSpace(int32_t n) {
    if (m_ownsSpace) {
        LogError("KEVertex::AllocateSpace - Space already allocated");
        return false;
    }
    if (n < 0 || VertexSize() < 0) {
        LogError("KEVertex::AllocateSpace - Invalid vertex count %d", static_cast<int>(n));
        return false;
    }
    // Both factors are below 2^31, so the product fits a 64-bit size.
    const size_t bytes = static_cast<size_t>(n) * static_cast<size_t>(VertexSize());
    std::unique_ptr<unsigned char[]> copy(new (std::nothrow) unsigned char[bytes]);
    if (!copy) {
        LogError("KEVertex::AllocateSpace - Out of memory for %d vertices", static_cast<int>(n));
        return false;
    }
    m_systemCopy = std::move(copy);
    m_count = n;
    m_data = m_systemCopy.get();
    m_ownsSpace = true;
    m_storage = KE_STORAGE_SYSTEM;
    OnSpaceAllocated();
    return true;
}

void KEVertex::SetData(void* pointer, int32_t n, KEVertexStorage storage) {
    if (m_ownsSpace && storage == KE_STORAGE_VAR) {
        SetVarCopy(pointer);
        m_storage = KE_STORAGE_VAR;
        return;
    }
    m_count = n < 0 ? 0 : n;
    if (m_ownsSpace) {
        m_systemCopy.reset();
        m_ownsSpace = false;
    }
    // A VAR copy belongs to the system copy it mirrors; borrowed data has none.
    m_varCopy = nullptr;
    m_data = pointer;
    m_storage = storage;
}

void KEVertex::SetVarCopy(void* block) {
    m_varCopy = block;
    if (block) {
        for (int32_t a = 0; a < KE_ATTRIB_COUNT; ++a) MarkDirty(a);
    }
}

void* KEVertex::Interleaved(int32_t i, int32_t offset) const {
    if (!m_data) return nullptr;
    return static_cast<unsigned char*>(m_data) + static_cast<ptrdiff_t>(i) * VertexSize() + offset;
}
