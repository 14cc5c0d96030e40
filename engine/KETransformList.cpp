// Recorded matrix operations, replayed on the GL's fixed-function matrix stacks.
#include "KETransformList.h"

#include <GL/gl.h>

#include <algorithm>

namespace KL {

TransformList::TransformList() : m_steps(new TransformStep[10]), m_capacity(10) {}

TransformList::~TransformList() { delete[] m_steps; }

TransformList::TransformList(const TransformList& other) : TransformList() { Copy(other); }

TransformList& TransformList::operator=(const TransformList& other) {
    Copy(other);
    return *this;
}

TransformList::TransformList(TransformList&& other) noexcept
    : m_steps(other.m_steps), m_count(other.m_count), m_capacity(other.m_capacity), m_growth(other.m_growth) {
    other.m_steps = nullptr;
    other.m_count = 0;
    other.m_capacity = 0;
}

TransformList& TransformList::operator=(TransformList&& other) noexcept {
    if (&other != this) {
        delete[] m_steps;
        m_steps = other.m_steps;
        m_count = other.m_count;
        m_capacity = other.m_capacity;
        m_growth = other.m_growth;
        other.m_steps = nullptr;
        other.m_count = 0;
        other.m_capacity = 0;
    }
    return *this;
}

void TransformList::Clear() { m_count = 0; }

TransformStep& TransformList::Append(int32_t kind) {
    if (m_count == m_capacity) {
        // A growth step below one would never make room.
        const int32_t newCapacity = m_capacity + std::max<int32_t>(m_growth, 1);
        TransformStep* steps = new TransformStep[newCapacity];
        std::copy(m_steps, m_steps + m_count, steps);
        delete[] m_steps;
        m_steps = steps;
        m_capacity = newCapacity;
    }
    TransformStep& step = m_steps[m_count++];
    step = TransformStep();
    step.kind = kind;
    return step;
}

void TransformList::Identity() { Append(TransformStep::kIdentity); }

void TransformList::Translate(float x, float y, float z) {
    float* v = Append(TransformStep::kTranslate).values;
    v[0] = x;
    v[1] = y;
    v[2] = z;
}

void TransformList::Rotate(float angle, float x, float y, float z) {
    float* v = Append(TransformStep::kRotate).values;
    v[0] = angle;
    v[1] = x;
    v[2] = y;
    v[3] = z;
}

void TransformList::Scale(float x, float y, float z) {
    float* v = Append(TransformStep::kScale).values;
    v[0] = x;
    v[1] = y;
    v[2] = z;
}

void TransformList::AppendVolume(int32_t kind, float left, float right, float bottom, float top, float nearPlane,
                                 float farPlane) {
    float* v = Append(kind).values;
    v[0] = left;
    v[1] = right;
    v[2] = bottom;
    v[3] = top;
    v[4] = nearPlane;
    v[5] = farPlane;
}

void TransformList::Frustum(float left, float right, float bottom, float top, float nearPlane, float farPlane) {
    AppendVolume(TransformStep::kFrustum, left, right, bottom, top, nearPlane, farPlane);
}

void TransformList::Ortho(float left, float right, float bottom, float top, float nearPlane, float farPlane) {
    AppendVolume(TransformStep::kOrtho, left, right, bottom, top, nearPlane, farPlane);
}

void TransformList::LoadMatrix(const float matrix[16]) {
    std::copy(matrix, matrix + 16, Append(TransformStep::kLoadMatrix).values);
}

void TransformList::MultMatrix(const float matrix[16]) {
    std::copy(matrix, matrix + 16, Append(TransformStep::kMultMatrix).values);
}

int32_t IssueTransformStep(int32_t kind, const float* v) {
    switch (kind) {
        case TransformStep::kIdentity: glLoadIdentity(); return 0;
        case TransformStep::kTranslate: glTranslatef(v[0], v[1], v[2]); return 3;
        case TransformStep::kRotate: glRotatef(v[0], v[1], v[2], v[3]); return 4;
        case TransformStep::kScale: glScalef(v[0], v[1], v[2]); return 3;
        case TransformStep::kFrustum: glFrustum(v[0], v[1], v[2], v[3], v[4], v[5]); return 6;
        case TransformStep::kOrtho: glOrtho(v[0], v[1], v[2], v[3], v[4], v[5]); return 6;
        case TransformStep::kLoadMatrix: glLoadMatrixf(v); return 16;
        case TransformStep::kMultMatrix: glMultMatrixf(v); return 16;
        default: return 0;
    }
}

void TransformList::Replay(uint32_t matrixMode) const {
    // An empty list leaves the GL exactly as it was, matrix mode included.
    if (m_count == 0) return;
    glMatrixMode(matrixMode);
    for (int32_t k = 0; k < m_count; ++k) IssueTransformStep(m_steps[k].kind, m_steps[k].values);
}

void TransformList::Copy(const TransformList& other) {
    if (&other == this) return;
    if (m_capacity < other.m_count) {
        delete[] m_steps;
        m_steps = new TransformStep[other.m_capacity];
        m_capacity = other.m_capacity;
    }
    std::copy(other.m_steps, other.m_steps + other.m_count, m_steps);
    m_count = other.m_count;
    m_growth = other.m_growth;
}

}  // namespace KL
