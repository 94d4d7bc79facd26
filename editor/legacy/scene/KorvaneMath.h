#pragma once
// Vectors, column-major matrices and unit quaternions shared by the whole
// engine, plus the helpers that turn an entity's transform (and its parent
// chain) into matrices and rotations. Pure functions on stack values: nothing
// here allocates or keeps state, and nothing includes GL, so picking, physics
// and tests link it without a context.
//
//   Vec3, Vec4, Mat4 (m[c*4 + r], identity by default), Quat (x, y, z, w)
//   m_perspective m_lookAt m_mul m_translate m_scale m_rotate
//   m_mulDir m_mulPt m_inverse
//   QuatFromAxisAngle QuatFromEuler QuatMul QuatNormalize QuatInverse
//   QuatRotate QuatToEuler QuatToEulerDeg EulerXYZFromRotationMatrix
//   EntityLocalMatrix EntityModelMatrix(Depth) EntityWorldPos
//   EntityLocalQuat EntityWorldQuat(Depth) EntityParentWorldQuat
//
// Angles: Euler angles on entities and in the UI are degrees; matrix and
// quaternion builders take radians.

#include <cstdint>

constexpr float kPi = 3.1415927f;
constexpr float kTwoPi = 6.2831855f;
constexpr float kDegToRad = kPi / 180.0f;
constexpr float kRadToDeg = 57.29578f;

// Parent walks for world transforms stop after this many ancestors, so a
// cycle in a loaded file ends instead of recursing forever.
constexpr int kMaxTransformDepth = 64;

struct Vec3 {
    float x = 0.0f, y = 0.0f, z = 0.0f;

    Vec3() = default;
    Vec3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}

    Vec3 operator+(const Vec3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    Vec3 operator-(const Vec3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    Vec3 operator-() const { return {-x, -y, -z}; }
    Vec3 operator*(float s) const { return {x * s, y * s, z * s}; }
    float dot(const Vec3& o) const { return x * o.x + y * o.y + z * o.z; }
    Vec3 cross(const Vec3& o) const { return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x}; }
    float len() const;
    // Zero (never NaN) for vectors of length 1e-8 or less.
    Vec3 norm() const;
};

struct Vec4 {
    float x, y, z, w;
    Vec4(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}
};

// Column-major; handed to GL as stored (transpose = false).
struct Mat4 {
    float m[16];
    Mat4() : m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1} {}
};

struct Quat {
    float x = 0.0f, y = 0.0f, z = 0.0f, w = 1.0f;
    Quat() = default;
    Quat(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}
};

Mat4 m_perspective(float fovDeg, float aspect, float nearZ, float farZ);
Mat4 m_lookAt(Vec3 eye, Vec3 target, Vec3 up);
Mat4 m_mul(const Mat4& a, const Mat4& b);  // a·b: b applies first
Mat4 m_translate(Vec3 t);
Mat4 m_scale(Vec3 s);
Mat4 m_rotate(float angleRad, Vec3 axis);
Vec3 m_mulDir(const Mat4& m, Vec3 v);
Vec3 m_mulPt(const Mat4& m, Vec3 p);  // divides by w, unguarded
// The inverse, or the identity for a singular or non-finite matrix. Whether a
// matrix is singular is judged relative to its own scale, so a model scaled
// to 0.002 still inverts.
Mat4 m_inverse(const Mat4& m);

Quat QuatFromAxisAngle(Vec3 axis, float angleRad);
Quat QuatFromEuler(float xDeg, float yDeg, float zDeg);  // Rx·Ry·Rz
Quat QuatMul(const Quat& a, const Quat& b);
Quat QuatNormalize(const Quat& q);
Quat QuatInverse(const Quat& q);
Vec3 QuatRotate(const Quat& q, Vec3 v);
void QuatToEuler(const Quat& q, float& xDeg, float& yDeg, float& zDeg);
Vec3 QuatToEulerDeg(float x, float y, float z, float w);
Vec3 EulerXYZFromRotationMatrix(float r00, float r01, float r02, float r10, float r11, float r12, float r20,
                                float r21, float r22);

struct Entity;

Mat4 EntityLocalMatrix(const Entity& e);
Mat4 EntityModelMatrix(const Entity& e);
Mat4 EntityModelMatrixDepth(const Entity& e, int depth);
Vec3 EntityWorldPos(const Entity& e);
Quat EntityLocalQuat(const Entity& e);
Quat EntityWorldQuat(const Entity& e);
Quat EntityWorldQuatDepth(const Entity& e, int depth);
Quat EntityParentWorldQuat(const Entity& e);
