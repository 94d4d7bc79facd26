#pragma once
// The editor's orbit camera and the viewport's view state, with the maths
// that turns mouse input into camera changes. No window or GL here: the
// viewport panel feeds these functions what it reads from the UI, and tests
// drive them with plain values.
//
//   camera globals    g_camYaw g_camPitch g_camDist g_camTarg g_camEye ...
//   view globals      g_projMat g_viewMat g_vpMat g_vpDispW g_vpDispH ...
//   CameraBasis / EditorCameraEye / EditorCameraUp / WorldUnitsPerPixel
//   AdvanceViewTransition / RecomputeViewMatrices / StartViewTransition
//   WorldToScreen                   world point -> image pixels (in front only)
//   ApplyViewportNavigation         orbit, pan, dolly, wheel
//   RightClick*                     right click versus right drag
//   OrientationWidget*              the axis widget's layout and click choice
//   FocusOnSelection / FrameAll
//   ViewportRenderSize              display size x resolution factor, clamped

#include <cstdint>

#include "imgui.h"

#include "editor/legacy/scene/KorvaneMath.h"

// ---------------------------------------------------------------------------
// Camera and view state (main thread)

extern float g_camYaw, g_camPitch, g_camDist;  // radians, radians, units
extern Vec3 g_camTarg;  // orbit centre (defined with the shadow map, which follows it)
extern Vec3 g_camEye;
extern bool g_camAnimating;
extern float g_camYawTarget, g_camPitchTarget, g_camDistTarget;
extern float g_cameraNavSpeed;  // used clamped to [0.1, 10]

extern float g_gridSnap;  // snap step for move drags
extern int32_t g_vpResScale;  // 0 "1x", 1 "2x", 2 "3x"
extern int32_t g_vpDispW, g_vpDispH;  // displayed image size (UI pixels)
extern Mat4 g_projMat, g_viewMat, g_vpMat;
extern float g_vpLeftMargin;
extern bool g_vpHovered, g_vpFocused;
extern bool g_vpRightWasDown, g_vpRightNavDragged;
extern float g_vpRightMaxDrag;
extern ImVec2 g_vpRightDownPos;

// Camera preview overlay.
extern bool g_showPreview;
extern int32_t g_pvCamId;
extern ImVec2 g_pvPos, g_pvDragOff;
extern bool g_dragPreview;

constexpr float kCamPitchLimit = 1.5f;
constexpr float kCamDistMin = 0.5f;
constexpr float kCamDistMax = 200.0f;
constexpr float kCamFovDeg = 60.0f;
constexpr float kCamNear = 0.1f;
constexpr float kCamFar = 1000.0f;
constexpr float kRightDragThreshold = 4.0f;  // pixels before a right press becomes navigation

// Restores every camera and view global to its start-up value.
void ResetEditorCamera();

struct CameraBasisVectors {
    Vec3 forward, right, up;
};
// forward = towards the target; right and up follow the view actually drawn,
// also when the eye sits straight above or below the target.
CameraBasisVectors CameraBasis();
Vec3 EditorCameraEye();
// Up vector for the view matrix: world up, except at the poles where the
// yaw decides (world up would be parallel to the view direction there).
Vec3 EditorCameraUp();
// World units one screen pixel spans at the target distance.
float WorldUnitsPerPixel();

// Moves yaw/pitch/distance towards their targets (k = min(1, 5 dt)); ends
// the transition once it has converged.
void AdvanceViewTransition(float dt);
// g_projMat, g_camEye, g_viewMat, g_vpMat from the current camera.
void RecomputeViewMatrices();
// Starts an animated transition; the yaw target is brought within pi of the
// current yaw so the camera turns the short way round.
void StartViewTransition(float yaw, float pitch, float dist);

// Projects a world point to image-relative pixels (y down). False for points
// at or behind the eye plane (w <= 0) and far outside the view.
bool WorldToScreen(Vec3 p, ImVec2& out);

// One frame of mouse input over the viewport image.
struct ViewportNavInput {
    ImVec2 mouseDelta{0, 0};
    bool leftDown = false, rightDown = false, middleDown = false;
    bool alt = false, shift = false, cmd = false;  // cmd: Ctrl or Super
    float wheel = 0.0f, wheelH = 0.0f;
    bool imageHovered = false;  // the image (not merely the window) is under the mouse
    bool imageActive = false;   // the image's button holds the mouse
    bool playing = false;
};
// Orbit, pan, dolly and wheel zoom/pan. Returns true when the camera moved.
bool ApplyViewportNavigation(const ViewportNavInput& in);

// Right button: a press remembers the point; moving beyond the threshold
// marks it as navigation; a release over the image without navigation asks
// for the context menu.
void RightClickPress(ImVec2 mouse);
void RightClickMove(ImVec2 mouse);
bool RightClickRelease(bool imageHovered, bool clicksBlocked);

// Orientation widget: six axes (X, Y, Z, -X, -Y, -Z).
struct OrientationAxis {
    const char* label;
    Vec3 dir;
    uint8_t rgba[4];
    bool positive;
};
extern const OrientationAxis kOrientationAxes[6];
constexpr float kOrientationBoxSize = 100.0f;
constexpr float kOrientationBoxMargin = 14.0f;
constexpr float kOrientationAxisLen = 38.0f;  // 0.38 x box size
constexpr float kOrientationHomeRadius = 12.0f;

enum : int { kOrientChoiceNone = -2, kOrientChoiceHome = -1 };
// Which part of the widget a click at (mouse - centre) chose: an axis index
// 0..5, kOrientChoiceHome, or kOrientChoiceNone (best score 0.4 or less).
int OrientationWidgetChoice(ImVec2 fromCentre, const CameraBasisVectors& basis);
// Starts the transition for a choice (home view, or the eye onto the axis).
void ApplyOrientationChoice(int choice);
// Dragging on the widget: direct orbit, cancelling any transition.
void OrientationWidgetDrag(ImVec2 mouseDelta);

// Frames the selection (its local position) at distance 5.
void FocusOnSelection();
// Frames the box of every entity's local position.
void FrameAll();

// Camera preview overlay: the previewed camera (g_pvCamId kept when it is
// still an enabled camera, else the first one; -1 when there is none) and the
// overlay's position inside the host rectangle (placed bottom-right when not
// yet placed; the lower bound wins in a host too small).
constexpr float kCameraPreviewW = 330.0f;
constexpr float kCameraPreviewH = 220.0f;
int32_t ResolvePreviewCamera(int32_t current);
ImVec2 PlaceCameraPreview(ImVec2 pos, ImVec2 hostMin, ImVec2 hostMax);

// Off-screen render size for a display size and resolution index; at least
// 1 and at most maxSide (maxSide <= 0: no upper bound).
void ViewportRenderSize(int dispW, int dispH, int resScale, int maxSide, int& w, int& h);
