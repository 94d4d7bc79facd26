#include "editor/ui/viewport/Gizmo.h"

#include <algorithm>
#include <cmath>

#include "editor/legacy/base/AppState.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/ui/viewport/EditorCamera.h"
#include "editor/ui/viewport/RayMath.h"

bool g_gizmoDrag = false;
int32_t g_gizmoAxis = -1;
Vec3 g_gizmoDragAxis;
float g_gizmoDragScale = 1.0f;
ImVec2 g_gizmoStartMouse{0, 0};
Vec3 g_gizmoStartVal;
Quat g_gizmoStartQuat;
Quat g_gizmoStartParentWorldQuat;
ImVec2 g_gizmoAxisScreen{0, 0};
float g_gizmoAxisScreenLen2 = 0.0f;
Vec3 g_gizmoPlaneO, g_gizmoPlaneN;
float g_gizmoStartDist = 0.0f;
Vec3 g_gizmoRingU, g_gizmoRingV;
ImVec2 g_gizmoScreenCenter{0, 0}, g_gizmoScreenU{0, 0}, g_gizmoScreenV{0, 0};
float g_gizmoStartAngle = 0.0f, g_gizmoLastRotAngle = 0.0f, g_gizmoAccumRot = 0.0f;
bool g_uniformScaleLock = false;
int32_t g_gizmoDragEntId = -1;
int32_t g_gizmoDragMode = kGizmoNone;
bool g_gizmoChanged = false;

namespace {

// Parent space -> world for the entity's position (identity for a root); a
// move drag maps its world displacement back through the inverse.
Mat4 g_gizmoParentInv;

constexpr int kRingSegments = 128;
constexpr float kMoveHandleLen = 1.22f;
constexpr float kScaleHandleLen = 1.05f;
constexpr float kScaleCubeAt = 0.82f;
constexpr float kRingRadius = 0.58f;

const Vec3 kWorldAxes[3] = {Vec3(1, 0, 0), Vec3(0, 1, 0), Vec3(0, 0, 1)};

ImVec2 Sub(ImVec2 a, ImVec2 b) { return ImVec2(a.x - b.x, a.y - b.y); }
float Dot2(ImVec2 a, ImVec2 b) { return a.x * b.x + a.y * b.y; }
float Len2(ImVec2 a) { return Dot2(a, a); }

float WrapPi(float a) {
    if (!std::isfinite(a)) return 0.0f;
    while (a > kPi) a -= kTwoPi;
    while (a < -kPi) a += kTwoPi;
    return a;
}

const Entity* ParentOf(const Entity& e) {
    if (e.parent < 0 || e.parent == e.id) return nullptr;
    return GetEnt(e.parent);
}

Mat4 ParentMatrix(const Entity& e) {
    const Entity* p = ParentOf(e);
    return p ? EntityModelMatrix(*p) : Mat4();
}

void MarkDirtyOnce() {
    if (!g_sceneDirty) {
        g_sceneDirty = true;
        UpdateWindowTitle();
    }
}

bool SameVec(Vec3 a, Vec3 b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

// The ring angle of a ray hit in the drag plane, or the screen fallback when
// the hit is too close to the centre (or misses) to give a stable angle.
float RotateAngleAt(float x, float y, float minDist) {
    Ray ray = ScreenToRay(x, y);
    Vec3 hit;
    if (RayPlane(ray, g_gizmoPlaneN, g_gizmoPlaneO, hit)) {
        Vec3 d = hit - g_gizmoPlaneO;
        if (d.len() > minDist) return std::atan2(d.dot(g_gizmoRingV), d.dot(g_gizmoRingU));
    }
    return GizmoScreenRingAngle(ImVec2(x, y));
}

// The dragged axis is seen end-on: its screen projection says nothing. The
// drag plane contains the axis; when the eye lies (nearly) in that plane too,
// which is what an axis pointing straight at the eye means, every ray meets
// the plane only at the eye and the plane cannot give a distance either.
// Then vertical mouse motion pushes the entity away (up) or pulls it closer.
float EndOnAxisDelta(const Ray& ray, float y) {
    Vec3 toEye = g_camEye - g_gizmoPlaneO;
    float eyeDist = toEye.len();
    Vec3 hit;
    if (std::fabs(toEye.dot(g_gizmoPlaneN)) > 1e-3f * eyeDist && RayPlane(ray, g_gizmoPlaneN, g_gizmoPlaneO, hit))
        return (hit - g_gizmoPlaneO).dot(g_gizmoDragAxis) - g_gizmoStartDist;
    float pixel = 2.0f * eyeDist * std::tan(30.0f * kDegToRad) / float(std::max<int32_t>(1, g_vpDispH));
    float away = eyeDist > 0.0f ? -(toEye * (1.0f / eyeDist)).dot(g_gizmoDragAxis) : 0.0f;
    return (g_gizmoStartMouse.y - y) * pixel * away;
}

} // namespace

void ResetGizmoState() {
    g_gizmoMode = kGizmoMove;
    g_gizmoDrag = false;
    g_gizmoAxis = -1;
    g_gizmoDragAxis = Vec3();
    g_gizmoDragScale = 1.0f;
    g_gizmoAxisScreen = ImVec2(0, 0);
    g_gizmoAxisScreenLen2 = 0.0f;
    g_gizmoStartDist = 0.0f;
    g_gizmoAccumRot = g_gizmoStartAngle = g_gizmoLastRotAngle = 0.0f;
    g_uniformScaleLock = false;
    g_gizmoDragEntId = -1;
    g_gizmoDragMode = kGizmoNone;
    g_gizmoChanged = false;
    g_gizmoParentInv = Mat4();
}

float GizmoWorldScale(Vec3 p) { return std::max(0.08f, 0.12f * (p - g_camEye).len()); }

void GizmoRingBasis(int axis, Vec3& u, Vec3& v) {
    switch (axis) {
    case 0: u = Vec3(0, 1, 0); v = Vec3(0, 0, 1); break;
    case 1: u = Vec3(0, 0, 1); v = Vec3(1, 0, 0); break;
    default: u = Vec3(1, 0, 0); v = Vec3(0, 1, 0); break;
    }
}

void GizmoAxes(const Entity& e, int mode, Vec3 out[3]) {
    if (mode == kGizmoRotate) {
        for (int i = 0; i < 3; ++i) out[i] = kWorldAxes[i];
        return;
    }
    Quat local = EntityLocalQuat(e);
    Mat4 parent = ParentMatrix(e);
    for (int i = 0; i < 3; ++i) {
        Vec3 a = m_mulDir(parent, QuatRotate(local, kWorldAxes[i]));
        float len = a.len();
        if (std::isfinite(len) && len >= 1e-6f) {
            out[i] = a * (1.0f / len);
        } else {
            // A parent scaled flat leaves no direction: fall back to rotation.
            out[i] = QuatRotate(EntityWorldQuat(e), kWorldAxes[i]).norm();
        }
    }
}

Mat4 GizmoModelMatrix(const Entity& e) {
    Vec3 c = EntityWorldPos(e);
    float s = GizmoWorldScale(c);
    Mat4 m;
    if (g_gizmoMode == kGizmoRotate) {
        m.m[0] = m.m[5] = m.m[10] = s;
    } else {
        Vec3 ax[3];
        GizmoAxes(e, g_gizmoMode, ax);
        for (int i = 0; i < 3; ++i) {
            m.m[i * 4 + 0] = ax[i].x * s;
            m.m[i * 4 + 1] = ax[i].y * s;
            m.m[i * 4 + 2] = ax[i].z * s;
        }
    }
    m.m[12] = c.x;
    m.m[13] = c.y;
    m.m[14] = c.z;
    return m;
}

float DistPointSegment2D(ImVec2 p, ImVec2 a, ImVec2 b, float& t) {
    ImVec2 ab = Sub(b, a);
    float l2 = Len2(ab);
    t = l2 > 1e-6f ? Dot2(Sub(p, a), ab) / l2 : 0.0f;
    t = std::clamp(t, 0.0f, 1.0f);
    ImVec2 q(a.x + ab.x * t, a.y + ab.y * t);
    return std::sqrt(Len2(Sub(p, q)));
}

bool GizmoHitTest(float x, float y, int& axis, float& dist, bool shield) {
    axis = -1;
    dist = 1e9f;
    const Entity* e = GetSel();
    if (!e || g_gizmoMode < 0 || g_gizmoMode > 2) return false;
    Vec3 c = EntityWorldPos(*e);
    ImVec2 cs;
    if (!WorldToScreen(c, cs)) return false;
    const float s = GizmoWorldScale(c);
    const ImVec2 m(x, y);
    Vec3 ax[3];
    GizmoAxes(*e, g_gizmoMode, ax);
    float t = 0.0f;
    for (int i = 0; i < 3; ++i) {
        float d = 1e9f, threshold = 0.0f;
        if (g_gizmoMode == kGizmoRotate) {
            Vec3 u, v;
            GizmoRingBasis(i, u, v);
            const float R = kRingRadius * s;
            ImVec2 prev;
            bool prevOk = false;
            for (int k = 0; k <= kRingSegments; ++k) {
                float th = kTwoPi * float(k % kRingSegments) / float(kRingSegments);
                ImVec2 cur;
                bool ok = WorldToScreen(c + (u * std::cos(th) + v * std::sin(th)) * R, cur);
                if (ok && prevOk) d = std::min(d, DistPointSegment2D(m, prev, cur, t));
                prev = cur;
                prevOk = ok;
            }
            threshold = 20.0f + (shield ? 10.0f : 0.0f);
        } else {
            const float L = g_gizmoMode == kGizmoMove ? kMoveHandleLen : kScaleHandleLen;
            ImVec2 A, B;
            if (!WorldToScreen(c + ax[i] * (0.1f * s), A) || !WorldToScreen(c + ax[i] * (L * s), B)) continue;
            d = DistPointSegment2D(m, A, B, t);
            if (g_gizmoMode == kGizmoScale) {
                ImVec2 C;
                if (WorldToScreen(c + ax[i] * (kScaleCubeAt * s), C)) d = std::min(d, std::sqrt(Len2(Sub(m, C))));
            }
            threshold = (g_gizmoMode == kGizmoMove ? 24.0f : 26.0f) + (shield ? 12.0f : 0.0f);
        }
        if (d < threshold && d < dist) {
            dist = d;
            axis = i;
        }
    }
    return axis >= 0;
}

bool GizmoClickShield(float x, float y) {
    int axis = -1;
    float dist = 0.0f;
    return GizmoHitTest(x, y, axis, dist, true);
}

float GizmoAxisDeltaFromMouse(ImVec2 mouse) {
    if (!(g_gizmoAxisScreenLen2 >= 1e-5f)) return 0.0f;
    return Dot2(Sub(mouse, g_gizmoStartMouse), g_gizmoAxisScreen) / g_gizmoAxisScreenLen2 * g_gizmoDragScale;
}

float GizmoScreenRingAngle(ImVec2 mouse) {
    ImVec2 d = Sub(mouse, g_gizmoScreenCenter);
    float lu = Len2(g_gizmoScreenU), lv = Len2(g_gizmoScreenV);
    if (lu >= 4.0f && lv >= 4.0f) return std::atan2(Dot2(d, g_gizmoScreenV) / lv, Dot2(d, g_gizmoScreenU) / lu);
    return std::atan2(d.y, d.x);
}

const char* GizmoUndoLabel(int mode) {
    switch (mode) {
    case kGizmoRotate: return "Rotate Entity";
    case kGizmoScale: return "Scale Entity";
    default: return "Move Entity";
    }
}

void GizmoInteraction(float x, float y, bool begin, bool end) {
    if (end) {
        g_gizmoDrag = false;
        g_gizmoAxis = -1;
        g_gizmoDragEntId = -1;
        g_gizmoDragMode = kGizmoNone;
        return;
    }
    if (g_gizmoMode < 0 || g_gizmoMode > 2) return;
    Entity* e = GetSel();
    if (!e) return;
    const Vec3 c = EntityWorldPos(*e);
    const float s = GizmoWorldScale(c);

    if (begin) {
        if (g_gizmoDrag) return;
        int axis = -1;
        float dist = 0.0f;
        if (!GizmoHitTest(x, y, axis, dist, false)) return;
        Vec3 ax[3];
        GizmoAxes(*e, g_gizmoMode, ax);
        g_gizmoAxis = axis;
        g_gizmoDrag = true;
        g_gizmoDragEntId = e->id;
        g_gizmoDragMode = g_gizmoMode;
        g_gizmoChanged = false;
        g_gizmoDragAxis = ax[axis];
        g_gizmoDragScale = s;
        g_gizmoStartMouse = ImVec2(x, y);
        g_gizmoParentInv = m_inverse(ParentMatrix(*e));
        if (g_gizmoMode == kGizmoMove) g_gizmoStartVal = e->transform.position;
        else if (g_gizmoMode == kGizmoRotate) g_gizmoStartVal = e->transform.rotation;
        else g_gizmoStartVal = e->transform.scale;
        if (g_gizmoMode == kGizmoRotate) {
            g_gizmoStartQuat = EntityLocalQuat(*e);
            g_gizmoStartParentWorldQuat = EntityParentWorldQuat(*e);
        }
        ImVec2 c0, c1;
        if (WorldToScreen(c, c0) && WorldToScreen(c + g_gizmoDragAxis * s, c1)) {
            g_gizmoAxisScreen = Sub(c1, c0);
            g_gizmoAxisScreenLen2 = Len2(g_gizmoAxisScreen);
        } else {
            g_gizmoAxisScreen = ImVec2(0, 0);
            g_gizmoAxisScreenLen2 = 0.0f;
        }
        Ray ray = ScreenToRay(x, y);
        g_gizmoPlaneO = c;
        Vec3 view = (c - g_camEye).norm();
        if (g_gizmoMode == kGizmoRotate) {
            g_gizmoPlaneN = g_gizmoDragAxis;
            GizmoRingBasis(axis, g_gizmoRingU, g_gizmoRingV);
            ImVec2 cs(0, 0), su, sv;
            WorldToScreen(c, cs);
            g_gizmoScreenCenter = cs;
            g_gizmoScreenU = WorldToScreen(c + g_gizmoRingU * s, su) ? Sub(su, cs) : ImVec2(1, 0);
            g_gizmoScreenV = WorldToScreen(c + g_gizmoRingV * s, sv) ? Sub(sv, cs) : ImVec2(0, 1);
            float a = RotateAngleAt(x, y, 0.05f * s);
            g_gizmoStartAngle = g_gizmoLastRotAngle = a;
            g_gizmoAccumRot = 0.0f;
        } else {
            const Vec3& a = g_gizmoDragAxis;
            Vec3 n = view.cross(a);
            if (n.len() < 0.001f) n = Vec3(0, 1, 0).cross(a);
            if (n.len() < 0.001f) n = Vec3(1, 0, 0).cross(a);
            g_gizmoPlaneN = n.cross(a).norm();
            Vec3 hit;
            g_gizmoStartDist = RayPlane(ray, g_gizmoPlaneN, g_gizmoPlaneO, hit) ? (hit - c).dot(a) : 0.0f;
        }
        return;
    }

    if (!g_gizmoDrag || g_gizmoAxis < 0) return;
    // Only the entity and mode the drag began with are edited; a selection
    // or mode change mid-drag leaves everything alone until the release.
    if (e->id != g_gizmoDragEntId || g_gizmoMode != g_gizmoDragMode) return;
    Ray ray = ScreenToRay(x, y);
    float delta = GizmoAxisDeltaFromMouse(ImVec2(x, y)) * 1.18f;
    if (g_gizmoAxisScreenLen2 < 1e-5f) delta = EndOnAxisDelta(ray, y);
    if (!std::isfinite(delta)) delta = 0.0f;

    Transform& tr = e->transform;
    if (g_gizmoMode == kGizmoMove) {
        if (g_snapGrid && g_gridSnap > 1e-6f && std::isfinite(g_gridSnap))
            delta = std::round(delta / g_gridSnap) * g_gridSnap;
        // The arrow is a world direction; the position lives in the parent's
        // space, so the displacement is carried over into it.
        tr.position = g_gizmoStartVal + m_mulDir(g_gizmoParentInv, g_gizmoDragAxis * delta);
    } else if (g_gizmoMode == kGizmoRotate) {
        float current = RotateAngleAt(x, y, 0.05f * g_gizmoDragScale);
        float step = WrapPi(current - g_gizmoLastRotAngle);
        g_gizmoAccumRot += step;
        g_gizmoLastRotAngle = current;
        float degrees = g_gizmoAccumRot * 180.0f / kPi;
        if (g_snapGrid) degrees = std::round(degrees / 15.0f) * 15.0f;
        Quat q = QuatFromAxisAngle(g_gizmoDragAxis, degrees * kDegToRad);
        const Quat& P = g_gizmoStartParentWorldQuat;
        Quat local = QuatNormalize(QuatMul(QuatMul(QuatMul(QuatInverse(P), q), P), g_gizmoStartQuat));
        QuatToEuler(local, tr.rotation.x, tr.rotation.y, tr.rotation.z);
    } else {
        float factor = 1.0f + delta / (0.7f * g_gizmoDragScale + 1e-4f);
        factor = std::max(0.01f, factor);
        if (g_snapGrid) factor = std::max(0.01f, std::round(factor * 4.0f) / 4.0f);
        if (g_uniformScaleLock) {
            tr.scale = g_gizmoStartVal * factor;
        } else {
            tr.scale = g_gizmoStartVal;
            if (g_gizmoAxis == 0) tr.scale.x = g_gizmoStartVal.x * factor;
            else if (g_gizmoAxis == 1) tr.scale.y = g_gizmoStartVal.y * factor;
            else tr.scale.z = g_gizmoStartVal.z * factor;
        }
    }
    const Vec3& now = g_gizmoMode == kGizmoMove ? tr.position : g_gizmoMode == kGizmoRotate ? tr.rotation : tr.scale;
    g_gizmoChanged = !SameVec(now, g_gizmoStartVal);
    MarkDirtyOnce();
}
