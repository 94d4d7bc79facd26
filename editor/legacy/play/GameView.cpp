#include "editor/legacy/play/GameView.h"

#include <algorithm>
#include <cmath>

#include "editor/legacy/play/Behaviours.h"

namespace {

bool Finite3(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

}  // namespace

GameViewCamera ChooseGameViewCamera(const std::vector<Entity>& ents, const Vec3& editorEye, const Vec3& editorTarget) {
    GameViewCamera cam;
    cam.eye = Finite3(editorEye) ? editorEye : Vec3(0, 2, 5);
    cam.target = Finite3(editorTarget) ? editorTarget : Vec3(0, 0, 0);
    for (const Entity& e : ents) {
        if (!e.enabled || !e.hasCamera) continue;
        const Vec3 eye = Finite3(e.transform.position) ? e.transform.position : Vec3(0, 0, 0);
        const Vec3 forward = GameCameraForward(e.transform.rotation);
        cam.eye = eye;
        cam.target = eye + forward * 10.0f;
        cam.cameraId = e.id;
        // Straight up or down, world up is parallel to the view: use the
        // camera's own up, tilted back along its yaw.
        if (std::fabs(forward.y) > 0.999f) {
            const float yaw = (std::isfinite(e.transform.rotation.y) ? e.transform.rotation.y : 0.0f) * kPi / 180.0f;
            cam.up = Vec3(-std::sin(yaw) * forward.y, 0.0f, std::cos(yaw) * forward.y).norm();
        }
        break;
    }
    if ((cam.target - cam.eye).len() < 1e-5f) cam.target = cam.eye + Vec3(0, 0, -1);
    return cam;
}

Mat4 GameViewMatrix(const GameViewCamera& cam) { return m_lookAt(cam.eye, cam.target, cam.up); }

Mat4 GameViewProjection(int w, int h) {
    return m_perspective(60.0f, float(std::max(1, w)) / float(std::max(1, h)), 0.1f, 200.0f);
}

Vec3 GameViewClearColor() {
    auto c = [](float v) { return std::isfinite(v) ? std::clamp(v, 0.0f, 1.0f) : 0.0f; };
    const float* sky = g_engine.skyHorizonColor;
    return Vec3(c(sky[0]) * 0.2f, c(sky[1]) * 0.2f, c(sky[2]) * 0.24f);
}

const char* GamePanelStatusWord(bool playing, bool paused, bool mouseCaptured) {
    if (!playing) return "Stopped";
    if (paused) return "Paused";
    return mouseCaptured ? "Playing - Mouse Captured" : "Playing - Mouse Free";
}

void GameTargetSize(float areaW, float areaH, int* w, int* h) {
    auto side = [](float v) { return std::isfinite(v) ? std::clamp(int(v), 32, 8192) : 32; };
    *w = side(areaW);
    *h = side(areaH);
}

bool GameTargetNeedsResize(int currentW, int currentH, int wantW, int wantH) {
    return currentW != wantW || currentH != wantH;
}
