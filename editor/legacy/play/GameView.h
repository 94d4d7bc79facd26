#pragma once
// What the Game panel shows, as plain numbers: which camera it looks
// through, its projection, the clear colour, the status word and when its
// off-screen target must be recreated. The panel (editor/ui/play) only
// draws what these say.
//
//   GameViewCamera ChooseGameViewCamera   first enabled camera, else the editor camera
//   GameViewProjection                    60 degrees, near 0.1, far 200
//   GameViewClearColor                    sky horizon x (0.2, 0.2, 0.24)
//   GamePanelStatusWord                   "Stopped", "Paused", "Playing - Mouse ..."
//   GameTargetSize GameTargetNeedsResize  at least 32 x 32, recreated on change only

#include <cstdint>
#include <vector>

#include "editor/legacy/scene/Entity.h"

struct GameViewCamera {
    Vec3 eye;
    Vec3 target;
    Vec3 up{0, 1, 0};
    int32_t cameraId = -1;  // the camera entity, -1 = the editor camera
};

// The first enabled entity with a Camera: eye = its position, target = eye +
// 10 x GameCameraForward(rotation). Without one, the editor camera's eye and
// target. Non-finite values fall back to the editor camera or the origin.
GameViewCamera ChooseGameViewCamera(const std::vector<Entity>& ents, const Vec3& editorEye, const Vec3& editorTarget);
Mat4 GameViewMatrix(const GameViewCamera& cam);
Mat4 GameViewProjection(int w, int h);

// RGB of the picture's clear colour.
Vec3 GameViewClearColor();

const char* GamePanelStatusWord(bool playing, bool paused, bool mouseCaptured);

// The picture's integer size for an area of (w, h) UI pixels.
void GameTargetSize(float areaW, float areaH, int* w, int* h);
bool GameTargetNeedsResize(int currentW, int currentH, int wantW, int wantH);
