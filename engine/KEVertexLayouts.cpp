// The interleaved layouts' fixed byte positions and the planar 16-slot layout.
#include "KEVertexLayouts.h"

#include "KLLog.h"

#include <cstddef>
#include <cstring>
#include <new>

namespace {

bool ValidSet(int32_t set) { return set == 0 || set == 1; }

}  // namespace

// ---- KEVertexTextured: position 0, texture set 0 at 12 ----

void* KEVertexTextured::PositionPtr(int32_t i) const { return Interleaved(i, 0); }
void* KEVertexTextured::ColorPtr(int32_t i, int32_t set) const { return ValidSet(set) ? Interleaved(i, 0) : nullptr; }
void* KEVertexTextured::NormalPtr(int32_t i) const { return Interleaved(i, 0); }
void* KEVertexTextured::TexCoordPtr(int32_t i, int32_t set) const {
    return ValidSet(set) ? Interleaved(i, 12) : nullptr;
}
int32_t KEVertexTextured::AttributeSize(int32_t a) const {
    return a == KE_ATTRIB_POSITION ? 3 : a == KE_ATTRIB_TEXCOORD0 ? 2 : 0;
}

// ---- KEVertexPosition: position 0 ----

void* KEVertexPosition::PositionPtr(int32_t i) const { return Interleaved(i, 0); }
void* KEVertexPosition::ColorPtr(int32_t i, int32_t set) const { return ValidSet(set) ? Interleaved(i, 0) : nullptr; }
void* KEVertexPosition::NormalPtr(int32_t i) const { return Interleaved(i, 0); }
void* KEVertexPosition::TexCoordPtr(int32_t i, int32_t set) const {
    return ValidSet(set) ? Interleaved(i, 0) : nullptr;
}
int32_t KEVertexPosition::AttributeSize(int32_t a) const { return a == KE_ATTRIB_POSITION ? 3 : 0; }

// ---- KEVertexLitTextured: position 0, normal 12, texture sets at 24 and 32 ----

void* KEVertexLitTextured::PositionPtr(int32_t i) const { return Interleaved(i, 0); }
void* KEVertexLitTextured::ColorPtr(int32_t i, int32_t set) const {
    return ValidSet(set) ? Interleaved(i, 0) : nullptr;
}
void* KEVertexLitTextured::NormalPtr(int32_t i) const { return Interleaved(i, 12); }
void* KEVertexLitTextured::TexCoordPtr(int32_t i, int32_t set) const {
    return ValidSet(set) ? Interleaved(i, 24 + 8 * set) : nullptr;
}
int32_t KEVertexLitTextured::AttributeSize(int32_t a) const {
    switch (a) {
        case KE_ATTRIB_POSITION:
        case KE_ATTRIB_NORMAL: return 3;
        case KE_ATTRIB_TEXCOORD0:
        case KE_ATTRIB_TEXCOORD1: return 2;
        default: return 0;
    }
}

// ---- KEVertexAttributes ----

bool KEVertexAttributes::DeclareAttribute(int a, int32_t stride, bool inBlock1) {
    if (OwnsSpace()) {
        LogError("KEVertexAttributes::DeclareAttribute - Space already allocated");
        return false;
    }
    if (!Valid(a) || stride < 0 || stride > kMaxStride || stride % 4 != 0) {
        LogError("KEVertexAttributes::DeclareAttribute - Invalid attribute %d or stride %d", a, static_cast<int>(stride));
        return false;
    }
    Slot& slot = m_slots[a];
    slot.inBlock1 = inBlock1;
    slot.stride = stride;
    slot.dirty = stride != 0;
    slot.order = ++m_declarations;
    Layout();
    return true;
}

void KEVertexAttributes::Layout() {
    // Walk the slots in declaration order; each attribute starts where the strides declared
    // before it in its block end.
    m_block1Size = 0;
    m_block2Size = 0;
    for (int order = 1; order <= m_declarations; ++order) {
        for (Slot& slot : m_slots) {
            if (slot.order != order || slot.stride == 0) continue;
            int32_t& size = slot.inBlock1 ? m_block1Size : m_block2Size;
            slot.offset = size;
            size += slot.stride;
        }
    }
}

void* KEVertexAttributes::AttributePtr(int32_t a, int32_t i) const {
    if (!Valid(a) || m_slots[a].stride == 0) return nullptr;
    const Slot& slot = m_slots[a];
    unsigned char* block = static_cast<unsigned char*>(slot.inBlock1 ? GetData() : m_block2.get());
    if (!block) return nullptr;
    return block + static_cast<ptrdiff_t>(slot.offset) * GetCount() + static_cast<ptrdiff_t>(slot.stride) * i;
}

void* KEVertexAttributes::PositionPtr(int32_t i) const { return AttributePtr(KE_ATTRIB_POSITION, i); }
void* KEVertexAttributes::ColorPtr(int32_t i, int32_t set) const {
    return ValidSet(set) ? AttributePtr(KE_ATTRIB_COLOR0 + set, i) : nullptr;
}
void* KEVertexAttributes::NormalPtr(int32_t i) const { return AttributePtr(KE_ATTRIB_NORMAL, i); }
void* KEVertexAttributes::TexCoordPtr(int32_t i, int32_t set) const {
    return ValidSet(set) ? AttributePtr(KE_ATTRIB_TEXCOORD0, i) : nullptr;
}

int32_t KEVertexAttributes::PositionStride() const { return AttributeStride(KE_ATTRIB_POSITION); }
int32_t KEVertexAttributes::ColorStride(int32_t set) const {
    return ValidSet(set) ? AttributeStride(KE_ATTRIB_COLOR0 + set) : 0;
}
int32_t KEVertexAttributes::NormalStride() const { return AttributeStride(KE_ATTRIB_NORMAL); }
int32_t KEVertexAttributes::TexCoordStride(int32_t) const { return AttributeStride(KE_ATTRIB_TEXCOORD0); }

int32_t KEVertexAttributes::AttributeSize(int32_t a) const {
    return (Valid(a) && m_slots[a].inBlock1) ? m_slots[a].stride / 4 : 0;
}

int32_t KEVertexAttributes::AttributeStride(int32_t a) const { return Valid(a) ? m_slots[a].stride : 0; }

int32_t KEVertexAttributes::GetArrayOffset(int32_t a) const {
    return Valid(a) ? m_slots[a].offset * GetCount() : 0;
}

void KEVertexAttributes::MarkDirty(int32_t a) {
    if (Valid(a)) m_slots[a].dirty = true;
    SetDirty(true);
}

void KEVertexAttributes::OnSpaceAllocated() {
    const size_t bytes = static_cast<size_t>(GetCount()) * static_cast<size_t>(m_block2Size);
    m_block2.reset(new (std::nothrow) unsigned char[bytes]);
    m_ownsBlock2 = m_block2 != nullptr;
    if (!m_ownsBlock2) {
        LogError("KEVertexAttributes::OnSpaceAllocated - Out of memory for %d vertices", static_cast<int>(GetCount()));
    }
}

void KEVertexAttributes::Upload() {
    unsigned char* source = static_cast<unsigned char*>(GetSystemCopy());
    unsigned char* destination = static_cast<unsigned char*>(GetVarCopy());
    if (!source || !destination) return;
    const size_t n = static_cast<size_t>(GetCount());
    for (Slot& slot : m_slots) {
        if (slot.stride == 0 || !slot.inBlock1 || !slot.dirty) continue;
        const size_t start = static_cast<size_t>(slot.offset) * n;
        std::memcpy(destination + start, source + start, static_cast<size_t>(slot.stride) * n);
        slot.dirty = false;
    }
}
