// The engine's float math: the bit-trick reciprocal square root, the Gauss-Jordan inverse
// and the tangent frame, against hand-worked values.
#include "KEMath.h"
#include "RecordingLog.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

const char kSingular[] = "sg: ERROR - Singular matrix, no inverse!";

void ExpectMatrixNear(const KEMatrix4& actual, const float (&expected)[16], float tolerance = 1e-6f) {
    for (int k = 0; k < 16; ++k) EXPECT_NEAR(actual.m[k], expected[k], tolerance) << "float " << k;
}

void ExpectVectorNear(const KEVector3& v, float x, float y, float z, float tolerance) {
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

KEMatrix4 FromColumns(const float (&m)[16]) {
    KEMatrix4 r;
    for (int k = 0; k < 16; ++k) r.m[k] = m[k];
    return r;
}

const float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

}  // namespace

TEST(MathInvSqrt, BitTrickWithOneNewtonStep) {
    // Worked by hand: 1.0 is 0x3F800000; 0x5F3759DF - 0x1FC00000 = 0x3F7759DF = 0.966215,
    // and one Newton step gives 0.998307. A true 1/sqrt would give 1.
    EXPECT_NEAR(FastInvSqrt(1.0f), 0.998307f, 2e-6f);
    // 2.0: 0x3F3759DF = 0.716215, then 0.706930.
    EXPECT_NEAR(FastInvSqrt(2.0f), 0.706930f, 2e-6f);
    // Within 0.2 % of the true value over a range of magnitudes.
    const float values[] = {1e-6f, 0.25f, 0.5f, 3.0f, 10.0f, 100.0f, 12345.0f, 1e8f};
    for (float d : values) {
        const double exact = 1.0 / std::sqrt(static_cast<double>(d));
        EXPECT_NEAR(FastInvSqrt(d) / exact, 1.0, 0.002) << "d = " << d;
    }
}

TEST(MathVector, NormalizeScalesToUnitAndKeepsZero) {
    KEVector3 v = {3.0f, 0.0f, -4.0f};
    Normalize(&v);
    ExpectVectorNear(v, 0.6f, 0.0f, -0.8f, 0.002f);

    KEVector3 zero = {0.0f, 0.0f, 0.0f};
    Normalize(&zero);
    EXPECT_EQ(zero.x, 0.0f);
    EXPECT_EQ(zero.y, 0.0f);
    EXPECT_EQ(zero.z, 0.0f);
    EXPECT_TRUE(std::isfinite(FastInvSqrt(0.0f)));
}

TEST(MathVector, CrossMayWriteOverAnOperand) {
    KEVector3 a = {1.0f, 2.0f, 3.0f};
    const KEVector3 b = {4.0f, 5.0f, 6.0f};
    // (2*6 - 3*5, 3*4 - 1*6, 1*5 - 2*4)
    EXPECT_EQ(Cross(a, b, &a), &a);
    ExpectVectorNear(a, -3.0f, 6.0f, -3.0f, 0.0f);
    KEVector3 d;
    Subtract(b, {1.0f, 2.0f, 3.0f}, &d);
    ExpectVectorNear(d, 3.0f, 3.0f, 3.0f, 0.0f);
    EXPECT_EQ(Dot(d, b), 45.0f);
}

TEST(MathMatrix, TransformPointUsesColumnMajorTranslation) {
    // Scale x by 2, then translate by (10, 20, 30); the w row holds junk that must be ignored.
    const float m[16] = {2, 0, 0, 7, 0, 1, 0, 7, 0, 0, 1, 7, 10, 20, 30, 7};
    const KEVector3 p = TransformPoint(FromColumns(m), {1.0f, 2.0f, 3.0f});
    ExpectVectorNear(p, 12.0f, 22.0f, 33.0f, 0.0f);
}

TEST(MathMatrix, InvertKnownMatrices) {
    struct Case {
        const char* what;
        float source[16];
        float inverse[16];
    };
    const Case cases[] = {
        {"identity", {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1},
         {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}},
        {"translation", {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 3, -4, 5, 1},
         {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -3, 4, -5, 1}},
        // 90 degrees about z: the inverse is the transpose.
        {"rotation", {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1},
         {0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}},
        // A zero on the first diagonal element forces row swaps.
        {"permutation with scale", {0, 2, 0, 0, 4, 0, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 1},
         {0, 0.25f, 0, 0, 0.5f, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1}},
        // Scale (2, 4, 8) then translation (2, 4, 8): inverse scales by 1/2, 1/4, 1/8 and
        // translates by -1 on each axis.
        {"scale and translation", {2, 0, 0, 0, 0, 4, 0, 0, 0, 0, 8, 0, 2, 4, 8, 1},
         {0.5f, 0, 0, 0, 0, 0.25f, 0, 0, 0, 0, 0.125f, 0, -1, -1, -1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingLog log;
        KEMatrix4 inverse;
        EXPECT_TRUE(Invert(&inverse, FromColumns(c.source)));
        ExpectMatrixNear(inverse, c.inverse);
        EXPECT_TRUE(log.Boxes().empty());
    }
}

TEST(MathMatrix, InvertInPlace) {
    KEMatrix4 m = FromColumns({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 3, -4, 5, 1});
    EXPECT_TRUE(Invert(&m, m));
    ExpectMatrixNear(m, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -3, 4, -5, 1});
}

TEST(MathMatrix, SingularMatrixGivesIdentityAndOneReport) {
    const float tiny = 1.1920929e-07f;  // 2^-23
    struct Case {
        const char* what;
        float source[16];
    };
    const Case cases[] = {
        {"zero second column", {1, 2, 3, 0, 0, 0, 0, 0, 4, 5, 6, 0, 7, 8, 9, 1}},
        {"last pivot exactly 2^-23", {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, tiny}},
        {"negative pivot of 2^-23", {-tiny, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingLog log;
        KEMatrix4 result = FromColumns({9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9});
        EXPECT_FALSE(Invert(&result, FromColumns(c.source)));
        ExpectMatrixNear(result, kIdentity, 0.0f);
        EXPECT_EQ(log.Boxes(), std::vector<std::string>{kSingular});
    }

    // Twice that is a pivot the inverse accepts.
    RecordingLog log;
    KEMatrix4 result;
    EXPECT_TRUE(Invert(&result, FromColumns({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 2 * tiny})));
    EXPECT_FLOAT_EQ(result.m[15], 4194304.0f);  // 2^22
    EXPECT_TRUE(log.Boxes().empty());
}

TEST(MathTangentFrame, CounterClockwiseTriangleInTheXYPlane) {
    // Within 0.5 %: the fast square root leaves T about 0.9983 and B about 0.9966 long.
    const float tol = 0.005f;
    KEVector3 T = {0, 0, 0}, N = {0, 0, 0}, B = {0, 0, 0};
    ComputeTangentFrame({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0}, {1, 0}, {0, 1}, &T, &N, &B);
    ExpectVectorNear(T, 1, 0, 0, tol);
    ExpectVectorNear(B, 0, 1, 0, tol);
    ExpectVectorNear(N, 0, 0, 1, tol);

    // The same corners in clockwise order: only N turns to follow the face normal.
    ComputeTangentFrame({0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0}, {0, 1}, {1, 0}, &T, &N, &B);
    ExpectVectorNear(T, 1, 0, 0, tol);
    ExpectVectorNear(B, 0, 1, 0, tol);
    ExpectVectorNear(N, 0, 0, -1, tol);

    // A triangle in the x = 0 plane with u along +z and v along +y.
    ComputeTangentFrame({0, 0, 0}, {0, 0, 2}, {0, 2, 0}, {0, 0}, {1, 0}, {0, 1}, &T, &N, &B);
    ExpectVectorNear(T, 0, 0, 1, tol);
    ExpectVectorNear(B, 0, 1, 0, tol);
    ExpectVectorNear(N, -1, 0, 0, tol);
}

TEST(MathTangentFrame, DegenerateTextureCoordinatesKeepTheCallersValues) {
    const float tol = 0.005f;
    // Every corner has the same (u, v): no component is written; the caller's T and B
    // (here what a previous triangle left) are only normalised.
    KEVector3 T = {0, 0, 1}, N = {5, 5, 5}, B = {0, 1, 0};
    ComputeTangentFrame({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0.5f, 0.5f}, {0.5f, 0.5f}, {0.5f, 0.5f}, &T, &N, &B);
    ExpectVectorNear(T, 0, 0, 1, tol);
    ExpectVectorNear(B, 0, 1, 0, tol);
    // T x B = (-1, 0, 0) is perpendicular to the face normal +z: the orientation test keeps it.
    ExpectVectorNear(N, -1, 0, 0, tol);

    // From zero records the frame stays zero, without NaN.
    KEVector3 T0 = {0, 0, 0}, N0 = {0, 0, 0}, B0 = {0, 0, 0};
    ComputeTangentFrame({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0}, {0, 0}, {0, 0}, &T0, &N0, &B0);
    ExpectVectorNear(T0, 0, 0, 0, 0);
    ExpectVectorNear(N0, 0, 0, 0, 0);
    ExpectVectorNear(B0, 0, 0, 0, 0);
}
