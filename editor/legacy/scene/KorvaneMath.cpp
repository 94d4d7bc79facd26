#include "editor/legacy/scene/KorvaneMath.h"

#include <algorithm>
#include <cmath>

#include "editor/legacy/scene/Entity.h"
#include "editor/legacy/scene/EntityStore.h"

float Vec3::len() const { return std::sqrt(x * x + y * y + z * z); }

Vec3 Vec3::norm() const {
    float l = len();
    if (l > 1e-8f) return {x / l, y / l, z / l};
    return {0.0f, 0.0f, 0.0f};
}

Mat4 m_perspective(float fovDeg, float aspect, float nearZ, float farZ) {
    Mat4 r;
    float e = std::tan(fovDeg * 0.5f * kPi / 180.0f);
    r.m[0] = 1.0f / (aspect * e);
    r.m[5] = 1.0f / e;
    r.m[10] = -(farZ + nearZ) / (farZ - nearZ);
    r.m[11] = -1.0f;
    r.m[14] = -(2.0f * farZ * nearZ) / (farZ - nearZ);
    r.m[15] = 0.0f;
    return r;
}

Mat4 m_lookAt(Vec3 eye, Vec3 target, Vec3 up) {
    Vec3 f = (target - eye).norm();
    Vec3 s = f.cross(up.norm()).norm();
    Vec3 u = s.cross(f);
    Mat4 r;
    // Row r, column c lives at m[c*4 + r].
    r.m[0] = s.x;
    r.m[4] = s.y;
    r.m[8] = s.z;
    r.m[12] = -s.dot(eye);
    r.m[1] = u.x;
    r.m[5] = u.y;
    r.m[9] = u.z;
    r.m[13] = -u.dot(eye);
    r.m[2] = -f.x;
    r.m[6] = -f.y;
    r.m[10] = -f.z;
    r.m[14] = f.dot(eye);
    r.m[3] = 0.0f;
    r.m[7] = 0.0f;
    r.m[11] = 0.0f;
    r.m[15] = 1.0f;
    return r;
}

Mat4 m_mul(const Mat4& a, const Mat4& b) {
    Mat4 r;
    for (int c = 0; c < 4; ++c) {
        for (int row = 0; row < 4; ++row) {
            r.m[c * 4 + row] = a.m[0 * 4 + row] * b.m[c * 4 + 0] + a.m[1 * 4 + row] * b.m[c * 4 + 1] +
                               a.m[2 * 4 + row] * b.m[c * 4 + 2] + a.m[3 * 4 + row] * b.m[c * 4 + 3];
        }
    }
    return r;
}

Mat4 m_translate(Vec3 t) {
    Mat4 r;
    r.m[12] = t.x;
    r.m[13] = t.y;
    r.m[14] = t.z;
    return r;
}

Mat4 m_scale(Vec3 s) {
    Mat4 r;
    r.m[0] = s.x;
    r.m[5] = s.y;
    r.m[10] = s.z;
    return r;
}

Mat4 m_rotate(float angleRad, Vec3 axis) {
    Vec3 n = axis.norm();
    float c = std::cos(angleRad), s = std::sin(angleRad), t = 1.0f - c;
    Mat4 r;
    r.m[0] = t * n.x * n.x + c;
    r.m[1] = t * n.x * n.y + s * n.z;
    r.m[2] = t * n.x * n.z - s * n.y;
    r.m[4] = t * n.x * n.y - s * n.z;
    r.m[5] = t * n.y * n.y + c;
    r.m[6] = t * n.y * n.z + s * n.x;
    r.m[8] = t * n.x * n.z + s * n.y;
    r.m[9] = t * n.y * n.z - s * n.x;
    r.m[10] = t * n.z * n.z + c;
    return r;
}

Vec3 m_mulDir(const Mat4& m, Vec3 v) {
    return {m.m[0] * v.x + m.m[4] * v.y + m.m[8] * v.z, m.m[1] * v.x + m.m[5] * v.y + m.m[9] * v.z,
            m.m[2] * v.x + m.m[6] * v.y + m.m[10] * v.z};
}

Vec3 m_mulPt(const Mat4& m, Vec3 p) {
    float w = m.m[3] * p.x + m.m[7] * p.y + m.m[11] * p.z + m.m[15];
    return {(m.m[0] * p.x + m.m[4] * p.y + m.m[8] * p.z + m.m[12]) / w,
            (m.m[1] * p.x + m.m[5] * p.y + m.m[9] * p.z + m.m[13]) / w,
            (m.m[2] * p.x + m.m[6] * p.y + m.m[10] * p.z + m.m[14]) / w};
}

Mat4 m_inverse(const Mat4& in) {
    // Work in double: the determinant of a small-scale model matrix (0.002^3)
    // is far below any fixed float threshold although the matrix is perfectly
    // invertible. Singularity is judged against the Hadamard bound (product of
    // the column lengths), which scales exactly like the determinant.
    double a[16];
    for (int i = 0; i < 16; ++i) {
        if (!std::isfinite(in.m[i])) return Mat4();
        a[i] = in.m[i];
    }
    double inv[16];
    inv[0] = a[5] * a[10] * a[15] - a[5] * a[11] * a[14] - a[9] * a[6] * a[15] + a[9] * a[7] * a[14] +
             a[13] * a[6] * a[11] - a[13] * a[7] * a[10];
    inv[4] = -a[4] * a[10] * a[15] + a[4] * a[11] * a[14] + a[8] * a[6] * a[15] - a[8] * a[7] * a[14] -
             a[12] * a[6] * a[11] + a[12] * a[7] * a[10];
    inv[8] = a[4] * a[9] * a[15] - a[4] * a[11] * a[13] - a[8] * a[5] * a[15] + a[8] * a[7] * a[13] +
             a[12] * a[5] * a[11] - a[12] * a[7] * a[9];
    inv[12] = -a[4] * a[9] * a[14] + a[4] * a[10] * a[13] + a[8] * a[5] * a[14] - a[8] * a[6] * a[13] -
              a[12] * a[5] * a[10] + a[12] * a[6] * a[9];
    inv[1] = -a[1] * a[10] * a[15] + a[1] * a[11] * a[14] + a[9] * a[2] * a[15] - a[9] * a[3] * a[14] -
             a[13] * a[2] * a[11] + a[13] * a[3] * a[10];
    inv[5] = a[0] * a[10] * a[15] - a[0] * a[11] * a[14] - a[8] * a[2] * a[15] + a[8] * a[3] * a[14] +
             a[12] * a[2] * a[11] - a[12] * a[3] * a[10];
    inv[9] = -a[0] * a[9] * a[15] + a[0] * a[11] * a[13] + a[8] * a[1] * a[15] - a[8] * a[3] * a[13] -
             a[12] * a[1] * a[11] + a[12] * a[3] * a[9];
    inv[13] = a[0] * a[9] * a[14] - a[0] * a[10] * a[13] - a[8] * a[1] * a[14] + a[8] * a[2] * a[13] +
              a[12] * a[1] * a[10] - a[12] * a[2] * a[9];
    inv[2] = a[1] * a[6] * a[15] - a[1] * a[7] * a[14] - a[5] * a[2] * a[15] + a[5] * a[3] * a[14] +
             a[13] * a[2] * a[7] - a[13] * a[3] * a[6];
    inv[6] = -a[0] * a[6] * a[15] + a[0] * a[7] * a[14] + a[4] * a[2] * a[15] - a[4] * a[3] * a[14] -
             a[12] * a[2] * a[7] + a[12] * a[3] * a[6];
    inv[10] = a[0] * a[5] * a[15] - a[0] * a[7] * a[13] - a[4] * a[1] * a[15] + a[4] * a[3] * a[13] +
              a[12] * a[1] * a[7] - a[12] * a[3] * a[5];
    inv[14] = -a[0] * a[5] * a[14] + a[0] * a[6] * a[13] + a[4] * a[1] * a[14] - a[4] * a[2] * a[13] -
              a[12] * a[1] * a[6] + a[12] * a[2] * a[5];
    inv[3] = -a[1] * a[6] * a[11] + a[1] * a[7] * a[10] + a[5] * a[2] * a[11] - a[5] * a[3] * a[10] -
             a[9] * a[2] * a[7] + a[9] * a[3] * a[6];
    inv[7] = a[0] * a[6] * a[11] - a[0] * a[7] * a[10] - a[4] * a[2] * a[11] + a[4] * a[3] * a[10] +
             a[8] * a[2] * a[7] - a[8] * a[3] * a[6];
    inv[11] = -a[0] * a[5] * a[11] + a[0] * a[7] * a[9] + a[4] * a[1] * a[11] - a[4] * a[3] * a[9] -
              a[8] * a[1] * a[7] + a[8] * a[3] * a[5];
    inv[15] = a[0] * a[5] * a[10] - a[0] * a[6] * a[9] - a[4] * a[1] * a[10] + a[4] * a[2] * a[9] +
              a[8] * a[1] * a[6] - a[8] * a[2] * a[5];

    double det = a[0] * inv[0] + a[1] * inv[4] + a[2] * inv[8] + a[3] * inv[12];

    double bound = 1.0;
    for (int c = 0; c < 4; ++c) {
        bound *= std::sqrt(a[c * 4] * a[c * 4] + a[c * 4 + 1] * a[c * 4 + 1] + a[c * 4 + 2] * a[c * 4 + 2] +
                           a[c * 4 + 3] * a[c * 4 + 3]);
    }
    // |det| <= bound always, and the ratio does not change when a column is
    // scaled. Only a ratio at double rounding level means truly dependent
    // columns; a far-away translation (large last column) still inverts.
    if (!(bound > 0.0) || !std::isfinite(det) || std::fabs(det) <= 1e-13 * bound) return Mat4();

    Mat4 r;
    double invDet = 1.0 / det;
    for (int i = 0; i < 16; ++i) {
        double v = inv[i] * invDet;
        if (!std::isfinite(v) || std::fabs(v) > 3.0e38) return Mat4();
        r.m[i] = static_cast<float>(v);
    }
    return r;
}

Quat QuatFromAxisAngle(Vec3 axis, float angleRad) {
    Vec3 n = axis.norm();
    float s = std::sin(angleRad * 0.5f);
    return {n.x * s, n.y * s, n.z * s, std::cos(angleRad * 0.5f)};
}

Quat QuatMul(const Quat& a, const Quat& b) {
    return {a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y, a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
            a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w, a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z};
}

Quat QuatNormalize(const Quat& q) {
    float l = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
    if (!(l >= 1e-8f)) return Quat();
    return {q.x / l, q.y / l, q.z / l, q.w / l};
}

Quat QuatFromEuler(float xDeg, float yDeg, float zDeg) {
    Quat qx = QuatFromAxisAngle({1, 0, 0}, xDeg * kPi / 180.0f);
    Quat qy = QuatFromAxisAngle({0, 1, 0}, yDeg * kPi / 180.0f);
    Quat qz = QuatFromAxisAngle({0, 0, 1}, zDeg * kPi / 180.0f);
    return QuatNormalize(QuatMul(QuatMul(qx, qy), qz));
}

Quat QuatInverse(const Quat& q) {
    Quat n = QuatNormalize(q);
    return {-n.x, -n.y, -n.z, n.w};
}

Vec3 QuatRotate(const Quat& q, Vec3 v) {
    Quat p = QuatMul(q, Quat(v.x, v.y, v.z, 0.0f));
    Quat r = QuatMul(p, Quat(-q.x, -q.y, -q.z, q.w));
    return {r.x, r.y, r.z};
}

Vec3 EulerXYZFromRotationMatrix(float r00, float r01, float r02, float r10, float r11, float r12, float r20,
                                float r21, float r22) {
    (void)r10;
    (void)r20;
    float sy = std::clamp(r02, -1.0f, 1.0f);
    float y = std::asin(sy);
    float x, z;
    if (std::fabs(std::cos(y)) > 1e-5f) {
        x = std::atan2(-r12, r22);
        z = std::atan2(-r01, r00);
    } else {
        x = std::atan2(r21, r11);
        z = 0.0f;
    }
    return {x * kRadToDeg, y * kRadToDeg, z * kRadToDeg};
}

Vec3 QuatToEulerDeg(float x, float y, float z, float w) {
    float r00 = 1 - 2 * (y * y + z * z), r01 = 2 * (x * y - w * z), r02 = 2 * (x * z + w * y);
    float r10 = 2 * (x * y + w * z), r11 = 1 - 2 * (x * x + z * z), r12 = 2 * (y * z - w * x);
    float r20 = 2 * (x * z - w * y), r21 = 2 * (y * z + w * x), r22 = 1 - 2 * (x * x + y * y);
    return EulerXYZFromRotationMatrix(r00, r01, r02, r10, r11, r12, r20, r21, r22);
}

void QuatToEuler(const Quat& q, float& xDeg, float& yDeg, float& zDeg) {
    Quat n = QuatNormalize(q);
    Vec3 e = QuatToEulerDeg(n.x, n.y, n.z, n.w);
    xDeg = e.x;
    yDeg = e.y;
    zDeg = e.z;
}

Mat4 EntityLocalMatrix(const Entity& e) {
    const Transform& t = e.transform;
    Mat4 m = m_translate(t.position);
    m = m_mul(m, m_rotate(t.rotation.x * kDegToRad, {1, 0, 0}));
    m = m_mul(m, m_rotate(t.rotation.y * kDegToRad, {0, 1, 0}));
    m = m_mul(m, m_rotate(t.rotation.z * kDegToRad, {0, 0, 1}));
    return m_mul(m, m_scale(t.scale));
}

Mat4 EntityModelMatrixDepth(const Entity& e, int depth) {
    Mat4 local = EntityLocalMatrix(e);
    if (e.parent >= 0 && depth <= kMaxTransformDepth) {
        const Entity* p = GetEnt(e.parent);
        if (p && p->id != e.id) return m_mul(EntityModelMatrixDepth(*p, depth + 1), local);
    }
    return local;
}

Mat4 EntityModelMatrix(const Entity& e) { return EntityModelMatrixDepth(e, 0); }

Vec3 EntityWorldPos(const Entity& e) {
    Mat4 m = EntityModelMatrix(e);
    return {m.m[12], m.m[13], m.m[14]};
}

Quat EntityLocalQuat(const Entity& e) {
    return QuatFromEuler(e.transform.rotation.x, e.transform.rotation.y, e.transform.rotation.z);
}

Quat EntityWorldQuatDepth(const Entity& e, int depth) {
    Quat a = EntityLocalQuat(e);
    if (e.parent < 0 || depth > kMaxTransformDepth) return a;
    const Entity* p = GetEnt(e.parent);
    if (!p || p->id == e.id) return a;
    return QuatNormalize(QuatMul(EntityWorldQuatDepth(*p, depth + 1), a));
}

Quat EntityWorldQuat(const Entity& e) { return EntityWorldQuatDepth(e, 0); }

Quat EntityParentWorldQuat(const Entity& e) {
    if (e.parent >= 0) {
        if (const Entity* p = GetEnt(e.parent)) return EntityWorldQuat(*p);
    }
    return Quat();
}
