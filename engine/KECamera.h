// A transform holder filled from a few high-level settings. The same class is the
// engine's camera (projection) and its view (modelview).
#pragma once

#include "KETransformList.h"

class KECamera {
public:
    virtual ~KECamera() = default;
    virtual KL::TransformList* GetTransforms() { return &m_transforms; }

    // Identity, then a frustum of the full vertical angle `fieldOfView` (degrees).
    void SetPerspective(float fieldOfView, float aspect, float nearPlane, float farPlane);
    // Identity, rotations by -ax about X, -ay about Y, -az about Z, then a translation by
    // (-x, -y, -z): the inverse of placing an eye at (x, y, z) turned by ax, ay, az.
    void SetEye(float x, float y, float z, float ax, float ay, float az);
    // The same with the Z rotation first (scene cameras).
    void SetEyeRollFirst(float x, float y, float z, float ax, float ay, float az);

private:
    KL::TransformList m_transforms;
};
