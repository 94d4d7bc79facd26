#include "editor/render/RenderMath.h"

#include "editor/legacy/play/Behaviours.h"

#include <algorithm>
#include <cmath>

bool IsFinite(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

bool IsFinite(const Mat4& m) {
    for (float f : m.m) {
        if (!std::isfinite(f)) return false;
    }
    return true;
}

float FiniteOr(float v, float fallback) { return std::isfinite(v) ? v : fallback; }

float ClampFinite(float v, float lo, float hi, float fallback) {
    if (!std::isfinite(v)) return fallback;
    return std::clamp(v, lo, hi);
}

namespace {

Vec3 FiniteVec(const Vec3& v, const Vec3& fallback) { return IsFinite(v) ? v : fallback; }

// A colour channel from a file: finite and not negative. Values above 1 are
// kept (a light may be brighter than white).
float Channel(float v, float fallback) { return std::max(FiniteOr(v, fallback), 0.0f); }

Vec3 Colour3(const float (&c)[3], const float (&def)[3]) {
    return Vec3(Channel(c[0], def[0]), Channel(c[1], def[1]), Channel(c[2], def[2]));
}

// Any unit vector perpendicular to a unit vector d.
Vec3 Perpendicular(const Vec3& d) {
    Vec3 axis = std::fabs(d.x) < 0.9f ? Vec3(1, 0, 0) : Vec3(0, 0, 1);
    return d.cross(axis).norm();
}

CameraView MakeView(Vec3 eye, Vec3 forward, Vec3 up, float fov, float aspect, float nearZ, float farZ) {
    CameraView v;
    v.eye = eye;
    v.view = m_lookAt(eye, eye + forward, up);
    v.proj = m_perspective(fov, aspect, nearZ, farZ);
    v.viewProj = m_mul(v.proj, v.view);
    v.ok = IsFinite(v.viewProj);
    return v;
}

} // namespace

Vec3 LightForward(const Entity& e) {
    const Vec3& r = e.transform.rotation;
    if (!IsFinite(r)) return Vec3(0, 0, -1);
    return QuatRotate(QuatFromEuler(r.x, r.y, r.z), Vec3(0, 0, -1)).norm();
}

int CollectLightSlots(const std::vector<Entity>& ents, int maxLights, LightSlot* out) {
    const int limit = std::clamp(maxLights, 1, kMaxLightSlots);
    const Light def;
    int n = 0;
    for (const Entity& e : ents) {
        if (n >= limit) break;
        if (!e.enabled || !e.hasLight) continue;
        const Light& l = e.light;
        LightSlot& s = out[n++];
        s.type = l.type;
        s.pos = FiniteVec(e.transform.position, Vec3(0, 0, 0));
        s.dir = LightForward(e);
        s.color = Vec3(Channel(l.color.x, 1), Channel(l.color.y, 1), Channel(l.color.z, 1));
        s.intensity = ClampFinite(l.intensity, 0.0f, 250.0f, def.intensity);
        s.range = ClampFinite(l.range, 0.1f, 500.0f, def.range);
        const float angle = ClampFinite(l.spotAngle, 1.0f, 179.0f, def.spotAngle);
        s.spotCos = std::cos(angle * 0.5f * kPi / 180.0f);
        s.spotSoft = ClampFinite(l.spotSoftness, 0.001f, 1.0f, def.spotSoftness);
    }
    return n;
}

LightingEnv CurrentLightingEnv() {
    const EngineRenderSettings def;
    LightingEnv env;
    const float s = ClampFinite(g_ambientStrength, 0.0f, 2.0f, 0.1f);
    env.ambient = Vec3(s, s, 1.12f * s);
    env.exposure = ClampFinite(g_lightingExposure, 0.01f, 8.0f, 1.15f);
    env.skyTop = Colour3(g_engine.skyTopColor, def.skyTopColor);
    env.skyHorizon = Colour3(g_engine.skyHorizonColor, def.skyHorizonColor);
    env.fogColor = Colour3(g_engine.fogColor, def.fogColor);
    env.fogDensity = ClampFinite(g_engine.fogDensity, 0.0f, 0.2f, def.fogDensity);
    env.shadowSoftness = ClampFinite(g_engine.shadowSoftness, 0.0f, 1.0f, def.shadowSoftness);
    env.ambientOcclusion = ClampFinite(g_engine.ambientOcclusion, 0.0f, 1.0f, def.ambientOcclusion);
    env.bloomIntensity = ClampFinite(g_engine.bloomIntensity, 0.0f, 2.0f, def.bloomIntensity);
    env.contactShadowStrength = ClampFinite(g_engine.contactShadowStrength, 0.0f, 1.0f, def.contactShadowStrength);
    return env;
}

Vec3 ShadowLightDirection(const std::vector<Entity>& ents) {
    for (const Entity& e : ents) {
        if (e.enabled && e.hasLight && e.light.type == LightType_Directional) return LightForward(e);
    }
    return Vec3(0.5f, -1.0f, -0.3f);
}

float ShadowFarPlane(float eyeDistance, float extent) { return std::max(100.0f, eyeDistance + extent); }

Mat4 ShadowLightViewProj(Vec3 dir, Vec3 centre, float shadowDistance) {
    if (!IsFinite(dir) || dir.len() < 1e-6f) dir = Vec3(0.5f, -1.0f, -0.3f);
    if (!IsFinite(centre)) centre = Vec3(0, 1, 0);
    const float sd = ClampFinite(shadowDistance, 10.0f, 500.0f, 120.0f);
    const float dist = std::max(30.0f, sd * 0.55f);
    const Vec3 eye = centre - dir * dist;
    const Vec3 up = std::fabs(dir.norm().y) > 0.999f ? Vec3(1, 0, 0) : Vec3(0, 1, 0);
    const Mat4 view = m_lookAt(eye, centre, up);

    // The box must reach past the orbit centre by its own extent, or large
    // shadow distances push the casters behind the far plane and the
    // shadows vanish; 100 stays the floor for small distances.
    const float extent = std::max(18.0f, sd * 0.32f);
    const float nearZ = 0.1f;
    const float farZ = ShadowFarPlane(dist * dir.len(), extent);
    Mat4 proj;
    proj.m[0] = 1.0f / extent;
    proj.m[5] = 1.0f / extent;
    proj.m[10] = -2.0f / (farZ - nearZ);
    proj.m[11] = 0.0f;
    proj.m[14] = -(farZ + nearZ) / (farZ - nearZ);
    proj.m[15] = 1.0f;
    return m_mul(proj, view);
}

CameraView CameraEntityView(const Entity& cam, int w, int h) {
    CameraView none;
    if (w <= 0 || h <= 0) return none;
    const Camera def;
    const float fov = ClampFinite(cam.camera.fov, 1.0f, 179.0f, def.fov);
    const float nearZ = ClampFinite(cam.camera.nearPlane, 0.001f, 10.0f, def.nearPlane);
    float farZ = ClampFinite(cam.camera.farPlane, 10.0f, 10000.0f, def.farPlane);
    if (farZ <= nearZ) farZ = nearZ * 2.0f;

    const Mat4 m = EntityModelMatrix(cam);
    if (!IsFinite(m)) return none;
    const Vec3 eye(m.m[12], m.m[13], m.m[14]);
    // The camera looks the way the game looks through it (yaw 90 = +X), not
    // along its model matrix's -Z, so the preview shows what play will show.
    const Vec3 forward = GameCameraForward(cam.transform.rotation);
    Vec3 up(0, 1, 0);
    if (std::fabs(forward.dot(up)) > 0.999f) up = Perpendicular(forward);
    return MakeView(eye, forward, up, fov, float(w) / float(std::max(1, h)), nearZ, farZ);
}

CameraView GameDirectView(const std::vector<Entity>& ents, int w, int h) {
    CameraView none;
    if (w <= 0 || h <= 0) return none;
    Vec3 eye(0, 2, 5);
    Vec3 forward = (Vec3(0, 1, 0) - eye).norm();
    Vec3 up(0, 1, 0);
    for (const Entity& e : ents) {
        if (!e.enabled || !e.hasCamera) continue;
        eye = FiniteVec(e.transform.position, Vec3(0, 0, 0));
        const float yaw = FiniteOr(e.transform.rotation.y, 0.0f) * kPi / 180.0f;
        const float pitch = FiniteOr(e.transform.rotation.x, 0.0f) * kPi / 180.0f;
        forward = GameCameraForward(e.transform.rotation);
        // Straight up or down the world up is parallel to the view; the
        // camera's own up (tilted back along the yaw direction) replaces it.
        if (std::fabs(forward.norm().y) > 0.999f) {
            up = Vec3(-std::sin(yaw) * std::sin(pitch), std::cos(pitch), std::cos(yaw) * std::sin(pitch)).norm();
        }
        break;
    }
    return MakeView(eye, forward, up, 60.0f, float(w) / float(std::max(1, h)), 0.1f, 200.0f);
}

float ClampLineWidth(float width, bool forwardCompatible, float maxWidth) {
    if (!std::isfinite(width) || width <= 0.0f) return 1.0f;
    // Wide lines are an error in forward-compatible core contexts (Mesa
    // raises GL_INVALID_VALUE), whatever the reported range says.
    if (forwardCompatible) return std::min(width, 1.0f);
    if (std::isfinite(maxWidth) && maxWidth >= 1.0f) return std::min(width, maxWidth);
    return std::min(width, 1.0f);
}
