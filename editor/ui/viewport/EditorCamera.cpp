#include "editor/ui/viewport/EditorCamera.h"

#include <algorithm>
#include <cmath>

#include "editor/legacy/scene/EntityStore.h"

float g_camYaw = 0.5f, g_camPitch = 0.35f, g_camDist = 12.0f;
// g_camTarg is defined with the shadow map, which follows the orbit centre.
Vec3 g_camEye{0, 0, 0};
bool g_camAnimating = false;
float g_camYawTarget = 0.5f, g_camPitchTarget = 0.35f, g_camDistTarget = 12.0f;
float g_cameraNavSpeed = 1.0f;

float g_gridSnap = 1.0f;
int32_t g_vpResScale = 0;
int32_t g_vpDispW = 1280, g_vpDispH = 720;
Mat4 g_projMat, g_viewMat, g_vpMat;
float g_vpLeftMargin = 0.0f;
bool g_vpHovered = false, g_vpFocused = false;
bool g_vpRightWasDown = false, g_vpRightNavDragged = false;
float g_vpRightMaxDrag = 0.0f;
ImVec2 g_vpRightDownPos{0, 0};

bool g_showPreview = false;
int32_t g_pvCamId = -1;
ImVec2 g_pvPos{0, 0}, g_pvDragOff{0, 0};
bool g_dragPreview = false;

namespace {

float NavSpeed() {
    float s = std::isfinite(g_cameraNavSpeed) ? g_cameraNavSpeed : 1.0f;
    return std::clamp(s, 0.1f, 10.0f);
}

float WrapPi(float a) {
    while (a > kPi) a -= kTwoPi;
    while (a < -kPi) a += kTwoPi;
    return a;
}

void ClampCamera() {
    g_camPitch = std::clamp(g_camPitch, -kCamPitchLimit, kCamPitchLimit);
    g_camDist = std::clamp(g_camDist, kCamDistMin, kCamDistMax);
}

} // namespace

void ResetEditorCamera() {
    g_camYaw = g_camYawTarget = 0.5f;
    g_camPitch = g_camPitchTarget = 0.35f;
    g_camDist = g_camDistTarget = 12.0f;
    g_camTarg = Vec3(0, 1, 0);
    g_camAnimating = false;
    g_cameraNavSpeed = 1.0f;
    g_vpDispW = 1280;
    g_vpDispH = 720;
    g_vpResScale = 0;
    g_vpRightWasDown = g_vpRightNavDragged = false;
    g_vpRightMaxDrag = 0.0f;
    RecomputeViewMatrices();
}

Vec3 EditorCameraEye() {
    float cp = std::cos(g_camPitch), sp = std::sin(g_camPitch);
    float cy = std::cos(g_camYaw), sy = std::sin(g_camYaw);
    return g_camTarg + Vec3(cp * sy, sp, cp * cy) * g_camDist;
}

Vec3 EditorCameraUp() {
    // The exact up of an orbit camera is (-sp sy, cp, -sp cy); away from the
    // poles world up gives the same view, at the poles only this one works.
    float cp = std::cos(g_camPitch);
    if (std::fabs(cp) > 1e-4f) return Vec3(0, 1, 0);
    float sp = std::sin(g_camPitch);
    return Vec3(-sp * std::sin(g_camYaw), 0.0f, -sp * std::cos(g_camYaw));
}

CameraBasisVectors CameraBasis() {
    CameraBasisVectors b;
    Vec3 eye = EditorCameraEye();
    b.forward = (g_camTarg - eye).norm();
    Vec3 r = b.forward.cross(Vec3(0, 1, 0));
    // Straight above or below the target the cross product vanishes; the yaw
    // still says which way "right" is on screen.
    b.right = r.len() < 0.001f ? Vec3(std::cos(g_camYaw), 0.0f, -std::sin(g_camYaw)) : r.norm();
    b.up = b.right.cross(b.forward).norm();
    return b;
}

float WorldUnitsPerPixel() {
    return 2.0f * g_camDist * std::tan(30.0f * kDegToRad) / float(std::max<int32_t>(1, g_vpDispH));
}

void AdvanceViewTransition(float dt) {
    if (!g_camAnimating) return;
    if (!std::isfinite(dt) || dt < 0.0f) dt = 0.0f;
    float k = std::min(1.0f, 5.0f * dt);
    float d = WrapPi(g_camYawTarget - g_camYaw);
    g_camYaw += d * k;
    g_camPitch += (g_camPitchTarget - g_camPitch) * k;
    g_camDist += (g_camDistTarget - g_camDist) * k;
    if (std::fabs(d) * k < 0.001f && std::fabs(g_camPitch - g_camPitchTarget) < 0.001f &&
        std::fabs(g_camDist - g_camDistTarget) < 0.001f) {
        g_camYaw = g_camYawTarget;
        g_camPitch = g_camPitchTarget;
        g_camDist = g_camDistTarget;
        g_camAnimating = false;
    }
}

void RecomputeViewMatrices() {
    float aspect = float(std::max<int32_t>(1, g_vpDispW)) / float(std::max<int32_t>(1, g_vpDispH));
    g_projMat = m_perspective(kCamFovDeg, aspect, kCamNear, kCamFar);
    g_camEye = EditorCameraEye();
    g_viewMat = m_lookAt(g_camEye, g_camTarg, EditorCameraUp());
    g_vpMat = m_mul(g_projMat, g_viewMat);
}

void StartViewTransition(float yaw, float pitch, float dist) {
    while (yaw - g_camYaw > kPi) yaw -= kTwoPi;
    while (yaw - g_camYaw < -kPi) yaw += kTwoPi;
    g_camYawTarget = yaw;
    g_camPitchTarget = pitch;
    g_camDistTarget = dist;
    g_camAnimating = true;
}

bool WorldToScreen(Vec3 p, ImVec2& out) {
    const float* m = g_vpMat.m;
    float x = m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12];
    float y = m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13];
    float w = m[3] * p.x + m[7] * p.y + m[11] * p.z + m[15];
    // w <= 0 is at or behind the eye: dividing would mirror the point onto the
    // screen, where a handle could be grabbed at a position it does not have.
    if (!(w >= 1e-6f)) return false;
    float nx = x / w, ny = y / w;
    if (!(nx >= -4.0f && nx <= 4.0f && ny >= -4.0f && ny <= 4.0f)) return false;
    out = ImVec2((nx * 0.5f + 0.5f) * float(g_vpDispW), (-ny * 0.5f + 0.5f) * float(g_vpDispH));
    return true;
}

bool ApplyViewportNavigation(const ViewportNavInput& in) {
    if (in.playing || !(in.imageHovered || in.imageActive)) return false;
    const float s = NavSpeed();
    const float dx = std::isfinite(in.mouseDelta.x) ? in.mouseDelta.x : 0.0f;
    const float dy = std::isfinite(in.mouseDelta.y) ? in.mouseDelta.y : 0.0f;
    const bool altLeft = in.alt && in.leftDown;
    bool moved = false;

    if ((in.rightDown || altLeft) && !in.shift && !in.cmd && (dx != 0.0f || dy != 0.0f)) {
        g_camYaw += dx * 0.0055f * s;
        g_camPitch -= dy * 0.0055f * s;
        moved = true;
    }
    const bool pan = (in.rightDown && in.shift) || (in.middleDown && !in.cmd) || (altLeft && in.shift);
    if (pan && (dx != 0.0f || dy != 0.0f)) {
        CameraBasisVectors b = CameraBasis();
        float p = WorldUnitsPerPixel();
        g_camTarg = g_camTarg + b.right * (-dx * p * s) + b.up * (dy * p * s);
        moved = true;
    }
    if ((in.rightDown || in.middleDown) && in.cmd && dy != 0.0f) {
        g_camDist *= std::exp(dy * 0.01f * s);
        moved = true;
    }
    const float wheel = std::isfinite(in.wheel) ? in.wheel : 0.0f;
    const float wheelH = std::isfinite(in.wheelH) ? in.wheelH : 0.0f;
    if (in.imageHovered && (wheel != 0.0f || wheelH != 0.0f)) {
        if (in.shift || in.cmd) {
            CameraBasisVectors b = CameraBasis();
            float p = WorldUnitsPerPixel();
            g_camTarg = g_camTarg + b.right * (-wheelH * 64.0f * p * s) + b.up * (wheel * 64.0f * p * s);
        } else {
            g_camDist *= std::exp((-wheel * 0.12f - wheelH * 0.02f) * s);
        }
        moved = true;
    }
    ClampCamera();
    return moved;
}

void RightClickPress(ImVec2 mouse) {
    g_vpRightWasDown = true;
    g_vpRightNavDragged = false;
    g_vpRightMaxDrag = 0.0f;
    g_vpRightDownPos = mouse;
}

void RightClickMove(ImVec2 mouse) {
    if (!g_vpRightWasDown) return;
    float dx = mouse.x - g_vpRightDownPos.x, dy = mouse.y - g_vpRightDownPos.y;
    g_vpRightMaxDrag = std::max(g_vpRightMaxDrag, std::sqrt(dx * dx + dy * dy));
    if (g_vpRightMaxDrag > kRightDragThreshold) g_vpRightNavDragged = true;
}

bool RightClickRelease(bool imageHovered, bool clicksBlocked) {
    bool open = g_vpRightWasDown && imageHovered && !clicksBlocked && !g_vpRightNavDragged;
    g_vpRightWasDown = false;
    return open;
}

const OrientationAxis kOrientationAxes[6] = {
    {"X", Vec3(1, 0, 0), {230, 70, 70, 255}, true},   {"Y", Vec3(0, 1, 0), {70, 230, 70, 255}, true},
    {"Z", Vec3(0, 0, 1), {70, 130, 240, 255}, true},  {"-X", Vec3(-1, 0, 0), {160, 40, 40, 200}, false},
    {"-Y", Vec3(0, -1, 0), {40, 160, 40, 200}, false}, {"-Z", Vec3(0, 0, -1), {40, 70, 160, 200}, false},
};

int OrientationWidgetChoice(ImVec2 v, const CameraBasisVectors& basis) {
    float L = std::sqrt(v.x * v.x + v.y * v.y);
    if (!std::isfinite(L)) return kOrientChoiceNone;
    if (L < kOrientationHomeRadius) return kOrientChoiceHome;
    float dx = v.x / L, dy = v.y / L;
    int best = -1;
    float bestScore = -2.0f;
    for (int i = 0; i < 6; ++i) {
        const Vec3& a = kOrientationAxes[i].dir;
        float score = dx * a.dot(basis.right) - dy * a.dot(basis.up);
        if (score > bestScore) {
            bestScore = score;
            best = i;
        }
    }
    return bestScore > 0.4f ? best : kOrientChoiceNone;
}

void ApplyOrientationChoice(int choice) {
    if (choice == kOrientChoiceHome) {
        StartViewTransition(0.785f, 0.615f, 12.0f);
        g_camTarg = Vec3(0, 0, 0);
    } else if (choice >= 0 && choice < 6) {
        const Vec3& a = kOrientationAxes[choice].dir;
        StartViewTransition(std::atan2(a.x, a.z), std::asin(std::clamp(a.y, -1.0f, 1.0f)), 12.0f);
        g_camTarg = Vec3(0, 0, 0);
    }
}

void OrientationWidgetDrag(ImVec2 d) {
    g_camAnimating = false;
    if (std::isfinite(d.x)) g_camYaw -= d.x * 0.008f;
    if (std::isfinite(d.y)) g_camPitch += d.y * 0.008f;
    g_camPitch = std::clamp(g_camPitch, -kCamPitchLimit, kCamPitchLimit);
}

void FocusOnSelection() {
    Entity* e = GetSel();
    if (!e) return;
    Vec3 p = e->transform.position;
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return;
    g_camTarg = p;
    g_camDist = 5.0f;
}

void FrameAll() {
    bool any = false;
    Vec3 lo, hi;
    for (const Entity& e : g_ents) {
        Vec3 p = e.transform.position;
        // A damaged file may carry non-finite positions; they would poison the
        // camera for the rest of the session.
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) continue;
        if (!any) {
            lo = hi = p;
            any = true;
            continue;
        }
        lo = Vec3(std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z));
        hi = Vec3(std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z));
    }
    if (!any) return;
    g_camTarg = (lo + hi) * 0.5f;
    float extent = std::max({hi.x - lo.x, hi.y - lo.y, hi.z - lo.z});
    g_camDist = std::max(1.0f, 1.3f * extent + 3.0f);
}

void ViewportRenderSize(int dispW, int dispH, int resScale, int maxSide, int& w, int& h) {
    int factor = std::clamp(resScale, 0, 2) + 1;
    long long rw = std::max(1LL, (long long)dispW * factor);
    long long rh = std::max(1LL, (long long)dispH * factor);
    if (maxSide > 0) {
        rw = std::min<long long>(rw, maxSide);
        rh = std::min<long long>(rh, maxSide);
    }
    w = int(rw);
    h = int(rh);
}

int32_t ResolvePreviewCamera(int32_t current) {
    int32_t first = -1;
    for (const Entity& e : g_ents) {
        if (!e.hasCamera || !e.enabled) continue;
        if (e.id == current) return current;
        if (first < 0) first = e.id;
    }
    return first;
}

ImVec2 PlaceCameraPreview(ImVec2 pos, ImVec2 hostMin, ImVec2 hostMax) {
    if (!(pos.x > 0.0f && pos.y > 0.0f))
        pos = ImVec2(hostMax.x - kCameraPreviewW - 16.0f, hostMax.y - kCameraPreviewH - 16.0f);
    pos.x = std::max(hostMin.x + 6.0f, std::min(pos.x, hostMax.x - kCameraPreviewW - 6.0f));
    pos.y = std::max(hostMin.y + 6.0f, std::min(pos.y, hostMax.y - kCameraPreviewH - 6.0f));
    return pos;
}
