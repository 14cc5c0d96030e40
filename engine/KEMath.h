// The engine's small math kit on plain float records: a 3-component vector, a 4x4 matrix
// in OpenGL column-major order (element (r, c) is float 4c + r), the inverse, and the
// tangent frame of a textured triangle. Single precision throughout.
#pragma once

#include <cstdint>
#include <cstring>

struct KEVector3 {
    float x, y, z;
};

struct KETexCoord {
    float u, v;
};

struct KEMatrix4 {
    float m[16];
};

// The small vector operations are inline: per-vertex loops (normals, tangent frames) call
// them millions of times a second.

// 1/sqrt(d) by the bit trick and one Newton step (about 0.2 % off; 0 gives a large finite value).
inline float FastInvSqrt(float d) {
    uint32_t i;
    std::memcpy(&i, &d, sizeof i);
    i = 0x5F3759DFu - (i >> 1);
    float y;
    std::memcpy(&y, &i, sizeof y);
    return y * (1.5f - 0.5f * d * y * y);
}

inline KEVector3* Subtract(const KEVector3& a, const KEVector3& b, KEVector3* out) {
    out->x = a.x - b.x;
    out->y = a.y - b.y;
    out->z = a.z - b.z;
    return out;
}

// Operands are taken by value, so `out` may be one of them.
inline KEVector3* Cross(KEVector3 a, KEVector3 b, KEVector3* out) {
    out->x = a.y * b.z - a.z * b.y;
    out->y = a.z * b.x - a.x * b.z;
    out->z = a.x * b.y - a.y * b.x;
    return out;
}

// Scales to unit length with FastInvSqrt; a zero vector stays zero (no zero test: a zero
// vector times the large finite estimate stays zero).
inline void Normalize(KEVector3* v) {
    const float d = v->x * v->x + v->y * v->y + v->z * v->z;
    const float s = FastInvSqrt(d);
    v->x *= s;
    v->y *= s;
    v->z *= s;
}
float Dot(const KEVector3& a, const KEVector3& b);

void Copy(KEMatrix4* destination, const KEMatrix4& source);
void SetIdentity(KEMatrix4* m);
// Gauss-Jordan with partial pivoting. A pivot of magnitude 2^-23 or less is singular: the
// destination becomes the identity and "sg: ERROR - Singular matrix, no inverse!" is
// reported. Returns false then.
bool Invert(KEMatrix4* destination, const KEMatrix4& source);
// m * (x, y, z, 1) without the w row.
KEVector3 TransformPoint(const KEMatrix4& m, const KEVector3& p);

// Tangent T, normal N and binormal B of a triangle. A component whose texture coordinates
// do not vary leaves T and B's component as the caller had it.
void ComputeTangentFrame(const KEVector3& p0, const KEVector3& p1, const KEVector3& p2, const KETexCoord& t0,
                         const KETexCoord& t1, const KETexCoord& t2, KEVector3* T, KEVector3* N, KEVector3* B);
