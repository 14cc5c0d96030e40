// Camera and view settings turned into transform lists.
#include "KECamera.h"

#include <cmath>

void KECamera::SetPerspective(float fieldOfView, float aspect, float nearPlane, float farPlane) {
    m_transforms.Clear();
    m_transforms.Identity();
    // Half the vertical angle, in radians: fieldOfView * pi / 360.
    const float t = static_cast<float>(std::tan(fieldOfView * 3.14159265358979323846 / 360.0)) * nearPlane;
    m_transforms.Frustum(-t * aspect, t * aspect, -t, t, nearPlane, farPlane);
}

void KECamera::SetEye(float x, float y, float z, float ax, float ay, float az) {
    m_transforms.Clear();
    m_transforms.Identity();
    m_transforms.Rotate(ax, -1.0f, 0.0f, 0.0f);
    m_transforms.Rotate(ay, 0.0f, -1.0f, 0.0f);
    m_transforms.Rotate(az, 0.0f, 0.0f, -1.0f);
    m_transforms.Translate(-x, -y, -z);
}

void KECamera::SetEyeRollFirst(float x, float y, float z, float ax, float ay, float az) {
    m_transforms.Clear();
    m_transforms.Identity();
    m_transforms.Rotate(az, 0.0f, 0.0f, -1.0f);
    m_transforms.Rotate(ax, -1.0f, 0.0f, 0.0f);
    m_transforms.Rotate(ay, 0.0f, -1.0f, 0.0f);
    m_transforms.Translate(-x, -y, -z);
}
