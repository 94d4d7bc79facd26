// Vector, matrix and quaternion maths: the rotation conventions must agree
// between matrices and quaternions, inverses must hold for the matrices the
// editor actually builds, and degenerate inputs must not produce NaN.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "editor/legacy/scene/Entity.h"
#include "editor/legacy/scene/KorvaneMath.h"

namespace {

::testing::AssertionResult Near(Vec3 a, Vec3 b, float tol) {
    if (std::fabs(a.x - b.x) <= tol && std::fabs(a.y - b.y) <= tol && std::fabs(a.z - b.z) <= tol)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << a.x << ", " << a.y << ", " << a.z << ") vs (" << b.x << ", "
                                         << b.y << ", " << b.z << ")";
}

::testing::AssertionResult NearIdentity(const Mat4& m, float tol) {
    for (int i = 0; i < 16; ++i) {
        float want = (i % 5 == 0) ? 1.0f : 0.0f;
        if (!(std::fabs(m.m[i] - want) <= tol))
            return ::testing::AssertionFailure() << "element " << i << " is " << m.m[i];
    }
    return ::testing::AssertionSuccess();
}

Entity Rotated(Vec3 eulerDeg) {
    Entity e;
    e.transform.rotation = eulerDeg;
    return e;
}

const Vec3 kEulerTable[] = {
    {0, 0, 0},        {90, 0, 0},      {0, 90, 0},    {0, 0, 90},      {30, 45, 60},
    {-120, 10, 170},  {45, -89, 45},   {0, 90, 30},   {179, -30, -179}, {12.5f, 77, -33},
    {-60, 0.5f, 240}, {360, 720, -90},
};

// Matrices (through EntityLocalMatrix) and quaternions (QuatFromEuler) must
// describe the same rotation, or gizmos, physics and rendering disagree.
TEST(MathConventions, QuaternionAndMatrixRotateAlike) {
    const Vec3 probes[] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0.3f, -2, 5}};
    for (Vec3 e : kEulerTable) {
        Quat q = QuatFromEuler(e.x, e.y, e.z);
        Mat4 m = EntityLocalMatrix(Rotated(e));
        for (Vec3 v : probes) {
            EXPECT_TRUE(Near(QuatRotate(q, v), m_mulDir(m, v), 1e-4f * (1 + v.len())))
                << "euler " << e.x << " " << e.y << " " << e.z;
        }
    }
}

TEST(MathConventions, SingleAxisRotationsAreRightHanded) {
    struct Case {
        Vec3 euler, v, want;
    } cases[] = {
        {{90, 0, 0}, {0, 1, 0}, {0, 0, 1}},   // X turns Y into Z
        {{0, 90, 0}, {0, 0, 1}, {1, 0, 0}},   // Y turns Z into X
        {{0, 0, 90}, {1, 0, 0}, {0, 1, 0}},   // Z turns X into Y
        {{0, 90, 90}, {1, 0, 0}, {0, 1, 0}},  // Z acts first, then Y: (0,1,0) stays
        {{90, 0, 90}, {1, 0, 0}, {0, 0, 1}},  // Z: X->Y, then X: Y->Z
    };
    for (const Case& c : cases) {
        Quat q = QuatFromEuler(c.euler.x, c.euler.y, c.euler.z);
        EXPECT_TRUE(Near(QuatRotate(q, c.v), c.want, 1e-5f));
        EXPECT_TRUE(Near(m_mulDir(EntityLocalMatrix(Rotated(c.euler)), c.v), c.want, 1e-5f));
    }
}

// Round trips are compared as rotations: angle triples are not unique.
TEST(MathConventions, EulerRoundTripKeepsTheRotation) {
    for (Vec3 e : kEulerTable) {
        Quat q = QuatFromEuler(e.x, e.y, e.z);
        float x, y, z;
        QuatToEuler(q, x, y, z);
        Quat back = QuatFromEuler(x, y, z);
        float d = std::fabs(q.x * back.x + q.y * back.y + q.z * back.z + q.w * back.w);
        EXPECT_NEAR(d, 1.0f, 1e-4f) << e.x << " " << e.y << " " << e.z << " -> " << x << " " << y << " " << z;
    }
}

TEST(MathConventions, EulerRoundTripIsExactAwayFromGimbalLock) {
    const Vec3 cases[] = {{10, 20, 30}, {-170, 80, 5}, {179, -45, -120}, {0, 0, 0}, {-90, 30, 90}};
    for (Vec3 e : cases) {
        float x, y, z;
        QuatToEuler(QuatFromEuler(e.x, e.y, e.z), x, y, z);
        EXPECT_TRUE(Near({x, y, z}, e, 2e-3f));
    }
    // At y = 90 the rotation folds into x and z becomes 0.
    float x, y, z;
    QuatToEuler(QuatFromEuler(20, 90, 30), x, y, z);
    EXPECT_NEAR(y, 90.0f, 0.05f);
    EXPECT_EQ(z, 0.0f);
    Quat a = QuatFromEuler(20, 90, 30), b = QuatFromEuler(x, y, z);
    EXPECT_NEAR(std::fabs(a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w), 1.0f, 1e-4f);
}

Mat4 Trs(Vec3 t, Vec3 r, Vec3 s) {
    Entity e;
    e.transform.position = t;
    e.transform.rotation = r;
    e.transform.scale = s;
    return EntityLocalMatrix(e);
}

TEST(MathInverse, InverseTimesMatrixIsIdentity) {
    struct Case {
        const char* what;
        Mat4 m;
        float tol;
    } cases[] = {
        {"identity", Mat4(), 1e-6f},
        {"trs", Trs({1, 2, 3}, {10, 20, 30}, {1, 2, 3}), 1e-5f},
        {"model scaled to 0.002", Trs({4, -1, 2}, {0, 45, 0}, {0.002f, 0.002f, 0.002f}), 1e-4f},
        {"scaled to 1e-4 far away", Trs({500, 20, -300}, {0, 0, 0}, {1e-4f, 1e-4f, 1e-4f}), 1e-3f},
        {"non-uniform, mirrored", Trs({0, 0, 0}, {-30, 60, 5}, {-1, 0.5f, 4}), 1e-5f},
        {"large translation", Trs({1e4f, -2e4f, 3e3f}, {5, 5, 5}, {1, 1, 1}), 5e-3f},  // float ulp at 2e4
        {"perspective", m_perspective(60, 16.0f / 9.0f, 0.1f, 1000), 1e-4f},
        {"narrow perspective", m_perspective(5, 1, 0.01f, 5000), 1e-3f},
        {"view", m_lookAt({3, 4, -8}, {0, 0, 0}, {0, 1, 0}), 1e-5f},
        {"view-projection", m_mul(m_perspective(70, 1.5f, 0.1f, 200), m_lookAt({3, 4, -8}, {0, 1, 0}, {0, 1, 0})),
         1e-4f},
    };
    for (const Case& c : cases) {
        Mat4 inv = m_inverse(c.m);
        EXPECT_TRUE(NearIdentity(m_mul(inv, c.m), c.tol)) << c.what;
        EXPECT_TRUE(NearIdentity(m_mul(c.m, inv), c.tol)) << c.what;
    }
}

TEST(MathInverse, SingularAndNonFiniteGiveIdentity) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    Mat4 zeroAxis = Trs({1, 2, 3}, {10, 0, 0}, {1, 0, 1});
    Mat4 zero;
    for (float& v : zero.m) v = 0;
    Mat4 dependent;  // third column = first + second
    dependent.m[8] = 1;
    dependent.m[9] = 1;
    dependent.m[10] = 0;
    Mat4 withNan = Trs({1, 2, 3}, {0, 0, 0}, {1, 1, 1});
    withNan.m[5] = nan;
    Mat4 withInf;
    withInf.m[12] = inf;
    for (const Mat4& m : {zeroAxis, zero, dependent, withNan, withInf}) {
        EXPECT_TRUE(NearIdentity(m_inverse(m), 0.0f));
    }
}

TEST(MathProjection, PerspectiveMapsNearAndFarToClipRange) {
    const float nearZ = 0.1f, farZ = 1000.0f;
    Mat4 p = m_perspective(60, 16.0f / 9.0f, nearZ, farZ);
    EXPECT_NEAR(m_mulPt(p, {0, 0, -nearZ}).z, -1.0f, 1e-5f);
    EXPECT_NEAR(m_mulPt(p, {0, 0, -farZ}).z, 1.0f, 1e-4f);
    // The top edge of the field of view lands on y = +1.
    float top = nearZ * std::tan(30.0f * kDegToRad);
    EXPECT_NEAR(m_mulPt(p, {0, top, -nearZ}).y, 1.0f, 1e-4f);
}

TEST(MathProjection, LookAtLooksDownMinusZ) {
    Mat4 v = m_lookAt({0, 0, 5}, {0, 0, 0}, {0, 1, 0});
    EXPECT_TRUE(Near(m_mulPt(v, {0, 0, 0}), {0, 0, -5}, 1e-6f));
    EXPECT_TRUE(Near(m_mulPt(v, {1, 0, 5}), {1, 0, 0}, 1e-6f));
    // An up vector along the view direction leaves the side axis zero rather
    // than inventing another up.
    Mat4 bad = m_lookAt({0, 5, 0}, {0, 0, 0}, {0, 1, 0});
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(bad.m[c * 4 + 0], 0.0f);
        EXPECT_EQ(bad.m[c * 4 + 1], 0.0f);
    }
}

TEST(MathBasics, ProductAppliesRightOperandFirst) {
    Mat4 t = m_translate({10, 0, 0}), s = m_scale({2, 2, 2});
    EXPECT_TRUE(Near(m_mulPt(m_mul(t, s), {1, 1, 1}), {12, 2, 2}, 1e-6f));
    EXPECT_TRUE(Near(m_mulPt(m_mul(s, t), {1, 1, 1}), {22, 2, 2}, 1e-6f));
    EXPECT_TRUE(Near(m_mulDir(t, {1, 2, 3}), {1, 2, 3}, 0));
}

TEST(MathBasics, DegenerateInputsStayFinite) {
    Vec3 z = Vec3(0, 0, 0).norm();
    EXPECT_EQ(z.x, 0.0f);
    EXPECT_EQ(z.y, 0.0f);
    EXPECT_EQ(z.z, 0.0f);
    EXPECT_TRUE(Near(Vec3(1e-9f, 0, 0).norm(), {0, 0, 0}, 0));
    Quat q = QuatNormalize(Quat(0, 0, 0, 0));
    EXPECT_EQ(q.w, 1.0f);
    EXPECT_EQ(q.x, 0.0f);
    Mat4 r = m_rotate(0.5f, {0, 0, 0});
    EXPECT_FLOAT_EQ(r.m[0], std::cos(0.5f));
    EXPECT_FLOAT_EQ(r.m[5], std::cos(0.5f));
    EXPECT_FLOAT_EQ(r.m[10], std::cos(0.5f));
    EXPECT_EQ(r.m[1], 0.0f);
    Quat inv = QuatInverse(QuatFromEuler(10, 20, 30));
    EXPECT_TRUE(Near(QuatRotate(QuatMul(inv, QuatFromEuler(10, 20, 30)), {1, 2, 3}), {1, 2, 3}, 1e-5f));
}

}  // namespace
