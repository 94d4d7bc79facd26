#include "editor/ui/viewport/RayMath.h"

#include <algorithm>
#include <cmath>

#include "editor/ui/viewport/EditorCamera.h"

namespace {

bool Finite(Vec3 v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

}  // namespace

Ray ScreenToRay(float x, float y) {
    float w = float(std::max<int32_t>(1, g_vpDispW)), h = float(std::max<int32_t>(1, g_vpDispH));
    float nx = 2.0f * x / w - 1.0f;
    float ny = 1.0f - 2.0f * y / h;
    Mat4 inv = m_inverse(g_vpMat);
    Vec3 nearP = m_mulPt(inv, Vec3(nx, ny, -1.0f));
    Vec3 farP = m_mulPt(inv, Vec3(nx, ny, 1.0f));
    Ray r;
    r.origin = nearP;
    r.dir = (farP - nearP).norm();
    return r;
}

bool RayPlane(const Ray& r, Vec3 n, Vec3 p, Vec3& hit) {
    float d = r.dir.dot(n);
    if (!(std::fabs(d) >= 1e-5f)) return false;
    float u = (p - r.origin).dot(n) / d;
    if (!(u >= 0.0f)) return false;
    hit = r.origin + r.dir * u;
    return true;
}

bool RayAABB(const Ray& r, Vec3 bmin, Vec3 bmax, float& t) {
    if (!Finite(r.origin) || !Finite(r.dir)) return false;
    float tmin = -1e30f, tmax = 1e30f;
    const float o[3] = {r.origin.x, r.origin.y, r.origin.z};
    const float d[3] = {r.dir.x, r.dir.y, r.dir.z};
    const float lo[3] = {bmin.x, bmin.y, bmin.z};
    const float hi[3] = {bmax.x, bmax.y, bmax.z};
    for (int i = 0; i < 3; ++i) {
        if (std::fabs(d[i]) < 1e-8f) {
            if (o[i] < lo[i] || o[i] > hi[i]) return false;
            continue;
        }
        float t1 = (lo[i] - o[i]) / d[i];
        float t2 = (hi[i] - o[i]) / d[i];
        if (t1 > t2) std::swap(t1, t2);
        tmin = std::max(tmin, t1);
        tmax = std::min(tmax, t2);
        if (tmax < tmin) return false;
    }
    if (tmax < 0.0f) return false;
    t = tmin >= 0.0f ? tmin : tmax;
    return true;
}

bool RayTriangleMT(const Ray& r, Vec3 a, Vec3 b, Vec3 c, float& t) {
    Vec3 e1 = b - a, e2 = c - a;
    Vec3 p = r.dir.cross(e2);
    float det = e1.dot(p);
    if (!(std::fabs(det) >= 1e-7f)) return false;
    float inv = 1.0f / det;
    Vec3 s = r.origin - a;
    float u = s.dot(p) * inv;
    if (!(u >= 0.0f && u <= 1.0f)) return false;
    Vec3 q = s.cross(e1);
    float v = r.dir.dot(q) * inv;
    if (!(v >= 0.0f) || u + v > 1.0f) return false;
    float tt = e2.dot(q) * inv;
    if (!(tt >= 1e-7f)) return false;
    t = tt;
    return true;
}
