// Recorded lists of fixed-function matrix operations, replayed on the GL matrix stacks
// when the engine draws. The camera, the view and every render item carry such lists
// instead of matrices.
#pragma once

#include <cstdint>

namespace KL {

struct TransformStep {
    enum Kind : int32_t {
        kIdentity = 0,
        kTranslate = 1,
        kRotate = 2,
        kScale = 3,
        kFrustum = 4,
        kOrtho = 5,
        kLoadMatrix = 6,
        kMultMatrix = 7,
    };
    int32_t kind = kIdentity;
    float values[16] = {};
};

// How many of a step's values its kind uses (0 for an unknown kind).
inline int32_t TransformStepValueCount(int32_t kind) {
    switch (kind) {
        case TransformStep::kTranslate:
        case TransformStep::kScale: return 3;
        case TransformStep::kRotate: return 4;
        case TransformStep::kFrustum:
        case TransformStep::kOrtho: return 6;
        case TransformStep::kLoadMatrix:
        case TransformStep::kMultMatrix: return 16;
        default: return 0;
    }
}
// Issues one step of the given kind on the matrix stack already selected; returns how
// many of the values it used.
int32_t IssueTransformStep(int32_t kind, const float* values);

class TransformList {
public:
    TransformList();
    ~TransformList();
    TransformList(const TransformList& other);
    TransformList& operator=(const TransformList& other);
    // Takes the other's steps; the other is left empty (and allocates again when used).
    // Never throws, so that growing containers of lists move them instead of copying.
    TransformList(TransformList&& other) noexcept;
    TransformList& operator=(TransformList&& other) noexcept;

    // Empties the list; its capacity stays.
    void Clear();
    void Identity();
    void Translate(float x, float y, float z);
    // Angle in degrees about the axis.
    void Rotate(float angle, float x, float y, float z);
    void Scale(float x, float y, float z);
    void Frustum(float left, float right, float bottom, float top, float nearPlane, float farPlane);
    void Ortho(float left, float right, float bottom, float top, float nearPlane, float farPlane);
    void LoadMatrix(const float matrix[16]);
    void MultMatrix(const float matrix[16]);

    // Selects the matrix mode (a GL enum) and issues every step in order. An empty list
    // does nothing at all, not even the mode change.
    void Replay(uint32_t matrixMode) const;
    // Makes this list an exact copy of the other (steps, count, growth step).
    void Copy(const TransformList& other);

    int32_t GetCount() const { return m_count; }
    int32_t GetCapacity() const { return m_capacity; }
    int32_t GetGrowthStep() const { return m_growth; }
    const TransformStep& GetStep(int32_t index) const { return m_steps[index]; }
    // The steps in order (null while the list has no storage).
    const TransformStep* GetSteps() const { return m_steps; }

private:
    TransformStep& Append(int32_t kind);
    // A frustum or ortho step: the six planes of a viewing volume.
    void AppendVolume(int32_t kind, float left, float right, float bottom, float top, float nearPlane, float farPlane);

    TransformStep* m_steps = nullptr;
    int32_t m_count = 0;
    int32_t m_capacity = 0;
    int32_t m_growth = 10;
};

}  // namespace KL
