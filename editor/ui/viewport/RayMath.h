#pragma once
// Rays from the editor camera and the three intersection tests that picking
// and the gizmo share. No window or GL here.
//
//   Ray ScreenToRay RayPlane RayAABB RayTriangleMT

#include "editor/legacy/scene/KorvaneMath.h"

struct Ray {
    Vec3 origin;
    Vec3 dir;  // unit length from ScreenToRay; unnormalised once moved into an entity's space
};

// x, y in viewport-local pixels (origin top-left of the image), through the
// camera matrices the viewport published this frame.
Ray ScreenToRay(float x, float y);
// Hit of the ray with the plane through p with normal n, in front of the
// origin only.
bool RayPlane(const Ray& r, Vec3 n, Vec3 p, Vec3& hit);
// Entry distance into the box (exit distance when the origin is inside).
bool RayAABB(const Ray& r, Vec3 bmin, Vec3 bmax, float& t);
// Moller-Trumbore, both faces.
bool RayTriangleMT(const Ray& r, Vec3 a, Vec3 b, Vec3 c, float& t);
