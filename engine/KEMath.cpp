// Free-standing float math for the engine: vectors, 4x4 matrices in GL column-major order,
// the Gauss-Jordan inverse and the tangent frame used by the per-pixel lighting mesh.
#include "KEMath.h"

#include "KLLog.h"

#include <cmath>
#include <cstring>
#include <utility>

namespace {

// Element (row r, column c) of a column-major matrix.
inline float& At(KEMatrix4& m, int r, int c) { return m.m[4 * c + r]; }

// The inverse gives up on pivots this small (2^-23, one unit of float precision at 1.0).
constexpr float kSingularPivot = 1.1920929e-07f;
// Twice the texture-space area below which a triangle's tangent frame is not written.
constexpr float kDegenerateTexArea = 1e-05f;

}  // namespace

float Dot(const KEVector3& a, const KEVector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

void Copy(KEMatrix4* destination, const KEMatrix4& source) {
    std::memmove(destination->m, source.m, sizeof source.m);
}

void SetIdentity(KEMatrix4* m) {
    for (int k = 0; k < 16; ++k) m->m[k] = (k % 5 == 0) ? 1.0f : 0.0f;
}

bool Invert(KEMatrix4* destination, const KEMatrix4& source) {
    KEMatrix4 w;
    Copy(&w, source);  // before touching the destination, which may be the source
    KEMatrix4 d;
    SetIdentity(&d);

    for (int i = 0; i < 4; ++i) {
        int p = i;
        for (int j = i + 1; j < 4; ++j) {
            if (std::fabs(At(w, j, i)) > std::fabs(At(w, p, i))) p = j;
        }
        if (p != i) {
            for (int c = 0; c < 4; ++c) {
                std::swap(At(w, i, c), At(w, p, c));
                std::swap(At(d, i, c), At(d, p, c));
            }
        }
        const float pivot = At(w, i, i);
        // Also catches NaN, which no comparison would call small.
        if (!(std::fabs(pivot) > kSingularPivot)) {
            LogError("sg: ERROR - Singular matrix, no inverse!");
            SetIdentity(destination);
            return false;
        }
        const float scale = 1.0f / pivot;
        for (int c = 0; c < 4; ++c) {
            At(w, i, c) *= scale;
            At(d, i, c) *= scale;
        }
        for (int j = 0; j < 4; ++j) {
            if (j == i) continue;
            const float f = At(w, j, i);
            for (int c = 0; c < 4; ++c) {
                At(w, j, c) -= f * At(w, i, c);
                At(d, j, c) -= f * At(d, i, c);
            }
        }
    }
    Copy(destination, d);
    return true;
}

KEVector3 TransformPoint(const KEMatrix4& m, const KEVector3& p) {
    const float* a = m.m;
    return {a[0] * p.x + a[4] * p.y + a[8] * p.z + a[12], a[1] * p.x + a[5] * p.y + a[9] * p.z + a[13],
            a[2] * p.x + a[6] * p.y + a[10] * p.z + a[14]};
}

void ComputeTangentFrame(const KEVector3& p0, const KEVector3& p1, const KEVector3& p2, const KETexCoord& t0,
                         const KETexCoord& t1, const KETexCoord& t2, KEVector3* T, KEVector3* N, KEVector3* B) {
    const float du1 = t1.u - t0.u, dv1 = t1.v - t0.v;
    const float du2 = t2.u - t0.u, dv2 = t2.v - t0.v;
    float KEVector3::*const components[3] = {&KEVector3::x, &KEVector3::y, &KEVector3::z};
    for (const auto c : components) {
        KEVector3 n;
        Cross({p1.*c - p0.*c, du1, dv1}, {p2.*c - p0.*c, du2, dv2}, &n);
        // Degenerate texture coordinates: leave what the caller had (usually the last triangle's).
        if (std::fabs(n.x) > kDegenerateTexArea) {
            T->*c = -n.y / n.x;
            B->*c = -n.z / n.x;
        }
    }
    Normalize(T);
    Normalize(B);
    Cross(*T, *B, N);
    Normalize(N);
    Cross(*N, *T, B);

    // N follows the counter-clockwise face normal.
    KEVector3 a, b, face;
    Cross(*Subtract(p0, p2, &a), *Subtract(p1, p2, &b), &face);
    if (Dot(face, *N) < 0.0f) {
        N->x = -N->x;
        N->y = -N->y;
        N->z = -N->z;
    }
}
