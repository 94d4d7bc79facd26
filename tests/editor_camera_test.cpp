// The editor's orbit camera: geometry, projection both ways, animated view
// changes, navigation by button and modifier, the right-click threshold, the
// orientation widget and framing.

#include <cmath>

#include <gtest/gtest.h>

#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/scene/Undo.h"
#include "editor/ui/viewport/EditorCamera.h"
#include "editor/ui/viewport/Picking.h"

namespace {

void ResetScene() {
    g_ents.clear();
    g_entIdx.clear();
    g_nextId = 1;
    g_selId = -1;
    g_lastEntitySelId = -1;
    g_sceneDirty = false;
    UndoClearHistory();
}

class EditorCameraTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetScene();
        ResetEditorCamera();
        g_vpDispW = 800;
        g_vpDispH = 600;
        SetCamera(0.0f, 0.0f, 10.0f, Vec3(0, 0, 0));
    }
    static void SetCamera(float yaw, float pitch, float dist, Vec3 target) {
        g_camYaw = yaw;
        g_camPitch = pitch;
        g_camDist = dist;
        g_camTarg = target;
        RecomputeViewMatrices();
    }
};

bool Near(Vec3 a, Vec3 b, float eps) {
    return std::fabs(a.x - b.x) <= eps && std::fabs(a.y - b.y) <= eps && std::fabs(a.z - b.z) <= eps;
}

TEST_F(EditorCameraTest, EyeSitsOnTheOrbitAndTheTargetProjectsToTheImageCentre) {
    struct Case {
        const char* what;
        float yaw, pitch, dist;
        Vec3 target, eye;
    } cases[] = {
        {"front", 0.0f, 0.0f, 10.0f, Vec3(0, 0, 0), Vec3(0, 0, 10)},
        {"quarter turn looks from +X", kPi / 2, 0.0f, 4.0f, Vec3(0, 0, 0), Vec3(4, 0, 0)},
        {"raised and offset", 0.0f, kPi / 6, 2.0f, Vec3(1, 2, 3), Vec3(1, 3, 3 + std::sqrt(3.0f))},
    };
    for (const Case& c : cases) {
        SetCamera(c.yaw, c.pitch, c.dist, c.target);
        EXPECT_TRUE(Near(g_camEye, c.eye, 1e-4f)) << c.what;
        ImVec2 s;
        ASSERT_TRUE(WorldToScreen(c.target, s)) << c.what;
        EXPECT_NEAR(s.x, 400.0f, 0.01f) << c.what;
        EXPECT_NEAR(s.y, 300.0f, 0.01f) << c.what;
    }
    // 60 degree vertical field of view over the display height: a point
    // tan(30 deg) x distance above the target lands on the top edge.
    SetCamera(0.0f, 0.0f, 10.0f, Vec3(0, 0, 0));
    ImVec2 top;
    ASSERT_TRUE(WorldToScreen(Vec3(0, 10.0f * std::tan(kPi / 6), 0), top));
    EXPECT_NEAR(top.y, 0.0f, 0.01f);
    EXPECT_NEAR(WorldUnitsPerPixel(), 2.0f * 10.0f * std::tan(kPi / 6) / 600.0f, 1e-6f);
}

TEST_F(EditorCameraTest, ScreenToRayAndWorldToScreenRoundTrip) {
    SetCamera(0.7f, 0.4f, 9.0f, Vec3(1, 0.5f, -2));
    const ImVec2 pixels[] = {{0, 0}, {400, 300}, {799, 599}, {123.5f, 456.25f}, {800, 0}};
    for (ImVec2 p : pixels) {
        Ray r = ScreenToRay(p.x, p.y);
        EXPECT_NEAR(r.dir.len(), 1.0f, 1e-4f);
        for (float along : {1.0f, 7.0f, 40.0f}) {
            ImVec2 back;
            ASSERT_TRUE(WorldToScreen(r.origin + r.dir * along, back)) << p.x << "," << p.y;
            EXPECT_NEAR(back.x, p.x, 0.05f);
            EXPECT_NEAR(back.y, p.y, 0.05f);
        }
    }
}

TEST_F(EditorCameraTest, PointsBehindTheCameraDoNotProject) {
    SetCamera(0.0f, 0.0f, 10.0f, Vec3(0, 0, 0));
    ImVec2 s;
    // Directly behind the eye: w < 0. Mirrored it would land mid-screen.
    EXPECT_FALSE(WorldToScreen(Vec3(0, 0, 15), s));
    EXPECT_FALSE(WorldToScreen(Vec3(0.5f, 0.2f, 30), s));
    // In the eye plane itself: w == 0.
    EXPECT_FALSE(WorldToScreen(Vec3(1, 0, 10), s));
    // Far off to the side of the view (beyond 4x the frustum) is rejected too.
    EXPECT_FALSE(WorldToScreen(Vec3(500, 0, 0), s));
    EXPECT_TRUE(WorldToScreen(Vec3(0, 0, 9), s));
}

TEST_F(EditorCameraTest, TransitionsConvergeTheShortWayRound) {
    struct Case {
        const char* what;
        float fromYaw, toYaw;
    } cases[] = {
        {"across +pi", 3.0f, -3.0f},
        {"across -pi", -3.0f, 3.0f},
        {"several turns away", 0.2f, 0.2f + 3 * kTwoPi + 0.5f},
        {"plain", 0.5f, 0.785f},
    };
    for (const Case& c : cases) {
        SetCamera(c.fromYaw, 0.35f, 12.0f, Vec3(0, 1, 0));
        StartViewTransition(c.toYaw, 0.615f, 5.0f);
        ASSERT_LE(std::fabs(g_camYawTarget - c.fromYaw), kPi + 1e-4f) << c.what;
        const float dir = g_camYawTarget > g_camYaw ? 1.0f : -1.0f;
        float last = g_camYaw;
        int frames = 0;
        while (g_camAnimating && frames < 1000) {
            AdvanceViewTransition(1.0f / 60.0f);
            EXPECT_GE((g_camYaw - last) * dir, -1e-6f) << c.what << ": turned back";
            last = g_camYaw;
            ++frames;
        }
        EXPECT_FALSE(g_camAnimating) << c.what;
        EXPECT_LT(frames, 300) << c.what;
        EXPECT_EQ(g_camYaw, g_camYawTarget) << c.what;
        EXPECT_EQ(g_camPitch, 0.615f) << c.what;
        EXPECT_EQ(g_camDist, 5.0f) << c.what;
        EXPECT_NEAR(std::remainder(g_camYaw - c.toYaw, kTwoPi), 0.0f, 1e-4f) << c.what;
    }
    // A long frame snaps (k is capped at 1), a zero-length frame waits.
    SetCamera(0.0f, 0.0f, 10.0f, Vec3());
    StartViewTransition(1.0f, 0.5f, 3.0f);
    AdvanceViewTransition(0.0f);
    EXPECT_TRUE(g_camAnimating);
    AdvanceViewTransition(2.0f);
    AdvanceViewTransition(2.0f);
    EXPECT_FALSE(g_camAnimating);
}

TEST_F(EditorCameraTest, TopAndBottomViewsGiveAValidView) {
    for (int axis : {1, 4}) {  // "Y" and "-Y"
        SetCamera(0.3f, 0.2f, 12.0f, Vec3(2, 0, 0));
        ApplyOrientationChoice(axis);
        EXPECT_TRUE(Near(g_camTarg, Vec3(0, 0, 0), 0.0f));
        for (int i = 0; i < 600 && g_camAnimating; ++i) AdvanceViewTransition(1.0f / 60.0f);
        ASSERT_FALSE(g_camAnimating);
        EXPECT_NEAR(std::fabs(g_camPitch), kPi / 2, 1e-6f);
        RecomputeViewMatrices();
        for (float v : g_vpMat.m) ASSERT_TRUE(std::isfinite(v));
        // The view's side and up rows must not collapse at the pole.
        Vec3 side(g_viewMat.m[0], g_viewMat.m[4], g_viewMat.m[8]);
        Vec3 up(g_viewMat.m[1], g_viewMat.m[5], g_viewMat.m[9]);
        EXPECT_NEAR(side.len(), 1.0f, 1e-4f);
        EXPECT_NEAR(up.len(), 1.0f, 1e-4f);
        Ray centre = ScreenToRay(400, 300);
        EXPECT_NEAR(centre.dir.y, axis == 1 ? -1.0f : 1.0f, 1e-4f);
        // A point off to the side still projects, and back.
        ImVec2 s;
        ASSERT_TRUE(WorldToScreen(Vec3(1, 0, 0), s));
        Ray back = ScreenToRay(s.x, s.y);
        Vec3 hit;
        ASSERT_TRUE(RayPlane(back, Vec3(0, 1, 0), Vec3(0, 0, 0), hit));
        EXPECT_TRUE(Near(hit, Vec3(1, 0, 0), 1e-3f));
        // Panning moves along the screen, not nowhere.
        CameraBasisVectors b = CameraBasis();
        EXPECT_NEAR(b.right.len(), 1.0f, 1e-4f);
        EXPECT_NEAR(b.up.len(), 1.0f, 1e-4f);
    }
}

TEST_F(EditorCameraTest, NavigationByButtonAndModifier) {
    struct Expect {
        bool yaw, pitch, target, dist;
    };
    struct Case {
        const char* what;
        ViewportNavInput in;
        Expect e;
    };
    auto drag = [](bool l, bool r, bool m, bool alt, bool shift, bool cmd) {
        ViewportNavInput in;
        in.mouseDelta = ImVec2(10, -6);
        in.leftDown = l;
        in.rightDown = r;
        in.middleDown = m;
        in.alt = alt;
        in.shift = shift;
        in.cmd = cmd;
        in.imageHovered = true;
        return in;
    };
    auto wheel = [](float w, float h, bool shift, bool cmd) {
        ViewportNavInput in;
        in.wheel = w;
        in.wheelH = h;
        in.shift = shift;
        in.cmd = cmd;
        in.imageHovered = true;
        return in;
    };
    ViewportNavInput playing = drag(false, true, false, false, false, false);
    playing.playing = true;
    ViewportNavInput away = drag(false, true, false, false, false, false);
    away.imageHovered = false;
    ViewportNavInput held = away;
    held.imageActive = true;
    ViewportNavInput wheelAway = wheel(1, 0, false, false);
    wheelAway.imageHovered = false;
    wheelAway.imageActive = true;
    const Case cases[] = {
        {"right drag orbits", drag(false, true, false, false, false, false), {true, true, false, false}},
        {"alt+left drag orbits", drag(true, false, false, true, false, false), {true, true, false, false}},
        {"left drag alone does nothing", drag(true, false, false, false, false, false), {false, false, false, false}},
        {"right+shift pans", drag(false, true, false, false, true, false), {false, false, true, false}},
        {"middle pans", drag(false, false, true, false, false, false), {false, false, true, false}},
        {"alt+shift+left pans", drag(true, false, false, true, true, false), {false, false, true, false}},
        {"right+cmd dollies", drag(false, true, false, false, false, true), {false, false, false, true}},
        {"middle+cmd dollies", drag(false, false, true, false, false, true), {false, false, false, true}},
        {"wheel zooms", wheel(1, 0, false, false), {false, false, false, true}},
        {"horizontal wheel zooms", wheel(0, 1, false, false), {false, false, false, true}},
        {"shift+wheel pans", wheel(1, 0, true, false), {false, false, true, false}},
        {"cmd+wheel pans", wheel(0, 2, false, true), {false, false, true, false}},
        {"not while playing", playing, {false, false, false, false}},
        {"not when the image is not hovered", away, {false, false, false, false}},
        {"a drag that left the image keeps going", held, {true, true, false, false}},
        {"the wheel needs the mouse over the image", wheelAway, {false, false, false, false}},
    };
    for (const Case& c : cases) {
        SetCamera(0.5f, 0.35f, 12.0f, Vec3(0, 1, 0));
        ApplyViewportNavigation(c.in);
        EXPECT_EQ(g_camYaw != 0.5f, c.e.yaw) << c.what;
        EXPECT_EQ(g_camPitch != 0.35f, c.e.pitch) << c.what;
        EXPECT_EQ(!Near(g_camTarg, Vec3(0, 1, 0), 0.0f), c.e.target) << c.what;
        EXPECT_EQ(g_camDist != 12.0f, c.e.dist) << c.what;
    }
    // Wheel forward zooms in; orbit follows the mouse (right = yaw up).
    SetCamera(0.5f, 0.35f, 12.0f, Vec3(0, 1, 0));
    ApplyViewportNavigation(wheel(1, 0, false, false));
    EXPECT_LT(g_camDist, 12.0f);
    // A pan by one screen width moves the target by the width in world units
    // at the target, to the left for a mouse moved right.
    SetCamera(0.0f, 0.0f, 10.0f, Vec3(0, 0, 0));
    ViewportNavInput pan = drag(false, false, true, false, false, false);
    pan.mouseDelta = ImVec2(800, 0);
    ApplyViewportNavigation(pan);
    EXPECT_NEAR(g_camTarg.x, -800 * 2.0f * 10.0f * std::tan(kPi / 6) / 600.0f, 1e-3f);
}

TEST_F(EditorCameraTest, NavigationKeepsDistanceAndPitchInRange) {
    ViewportNavInput in;
    in.imageHovered = true;
    in.wheel = -1000.0f;  // zoom far out
    ApplyViewportNavigation(in);
    EXPECT_EQ(g_camDist, kCamDistMax);
    in.wheel = 1000.0f;
    ApplyViewportNavigation(in);
    EXPECT_EQ(g_camDist, kCamDistMin);
    ViewportNavInput orbit;
    orbit.imageHovered = true;
    orbit.rightDown = true;
    orbit.mouseDelta = ImVec2(0, -100000);
    ApplyViewportNavigation(orbit);
    EXPECT_EQ(g_camPitch, kCamPitchLimit);
    orbit.mouseDelta = ImVec2(0, 100000);
    ApplyViewportNavigation(orbit);
    EXPECT_EQ(g_camPitch, -kCamPitchLimit);
    // Navigation speed is used clamped; garbage from a settings file is harmless.
    g_cameraNavSpeed = NAN;
    orbit.mouseDelta = ImVec2(NAN, 3);
    ApplyViewportNavigation(orbit);
    EXPECT_TRUE(std::isfinite(g_camYaw) && std::isfinite(g_camPitch));
}

TEST_F(EditorCameraTest, RightClickOpensTheMenuOnlyWithoutADrag) {
    struct Case {
        const char* what;
        float moveBy;
        bool hovered, blocked, opens;
    } cases[] = {
        {"still click", 0.0f, true, false, true},
        {"small wobble", 3.9f, true, false, true},
        {"exactly the threshold", 4.0f, true, false, true},
        {"a drag", 4.5f, true, false, false},
        {"released off the image", 0.0f, false, false, false},
        {"blocked by an overlay", 0.0f, true, true, false},
    };
    for (const Case& c : cases) {
        RightClickPress(ImVec2(100, 100));
        RightClickMove(ImVec2(100 + c.moveBy * 0.5f, 100));
        RightClickMove(ImVec2(100 + c.moveBy * 0.6f, 100 + c.moveBy * 0.8f));
        RightClickMove(ImVec2(100, 100));  // back where it started: the drag still counts
        EXPECT_EQ(RightClickRelease(c.hovered, c.blocked), c.opens) << c.what;
        EXPECT_FALSE(g_vpRightWasDown);
    }
    // A release without a press opens nothing.
    EXPECT_FALSE(RightClickRelease(true, false));
}

TEST_F(EditorCameraTest, OrientationWidgetChoice) {
    SetCamera(0.0f, 0.0f, 10.0f, Vec3(0, 0, 0));  // right = +X, up = +Y on screen
    CameraBasisVectors b = CameraBasis();
    struct Case {
        const char* what;
        ImVec2 v;
        int choice;
    } cases[] = {
        {"centre goes home", {3, -4}, kOrientChoiceHome},
        {"just outside the centre", {12, 0}, 0},
        {"right is X", {30, 0}, 0},
        {"up is Y (screen y grows down)", {0, -30}, 1},
        {"left is -X", {-30, 0}, 3},
        {"down is -Y", {0, 30}, 4},
        {"a diagonal tie keeps the first axis", {20, 20}, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(OrientationWidgetChoice(c.v, b), c.choice) << c.what;
    // Axes seen nearly end-on score at most 0.4: nothing is chosen.
    CameraBasisVectors foreshortened{Vec3(0, 0, -1), Vec3(0.3f, 0, 0.3f), Vec3(0, 0.3f, 0.3f)};
    EXPECT_EQ(OrientationWidgetChoice(ImVec2(30, 0), foreshortened), kOrientChoiceNone);

    // Choosing an axis moves the eye onto it, looking at the origin.
    struct Target {
        int choice;
        Vec3 eyeDir;
    } targets[] = {{0, Vec3(1, 0, 0)}, {2, Vec3(0, 0, 1)}, {3, Vec3(-1, 0, 0)}, {5, Vec3(0, 0, -1)}};
    for (const Target& t : targets) {
        SetCamera(0.4f, 0.3f, 7.0f, Vec3(3, 3, 3));
        ApplyOrientationChoice(t.choice);
        EXPECT_TRUE(Near(g_camTarg, Vec3(0, 0, 0), 0.0f));
        for (int i = 0; i < 600 && g_camAnimating; ++i) AdvanceViewTransition(1.0f / 30.0f);
        RecomputeViewMatrices();
        EXPECT_TRUE(Near(g_camEye, t.eyeDir * 12.0f, 1e-3f)) << t.choice;
    }
    SetCamera(2.0f, -0.3f, 30.0f, Vec3(3, 3, 3));
    ApplyOrientationChoice(kOrientChoiceHome);
    for (int i = 0; i < 600 && g_camAnimating; ++i) AdvanceViewTransition(1.0f / 30.0f);
    EXPECT_NEAR(g_camYaw, 0.785f, 1e-6f);
    EXPECT_EQ(g_camPitch, 0.615f);
    EXPECT_EQ(g_camDist, 12.0f);
    ApplyOrientationChoice(kOrientChoiceNone);
    EXPECT_FALSE(g_camAnimating);
    // Dragging on the widget orbits at once and stops a transition.
    StartViewTransition(1.0f, 0.2f, 4.0f);
    OrientationWidgetDrag(ImVec2(0, 1000));
    EXPECT_FALSE(g_camAnimating);
    EXPECT_EQ(g_camPitch, kCamPitchLimit);
}

TEST_F(EditorCameraTest, FocusAndFrameAll) {
    FrameAll();  // no entities: nothing moves
    EXPECT_TRUE(Near(g_camTarg, Vec3(0, 0, 0), 0.0f));
    Entity* a = AddEnt("A", -1);
    a->transform.position = Vec3(-2, 0, 0);
    int aId = a->id;
    Entity* b = AddEnt("B", -1);
    b->transform.position = Vec3(4, 2, 1);
    Entity* bad = AddEnt("Broken", -1);
    bad->transform.position = Vec3(INFINITY, 0, 0);
    FrameAll();
    EXPECT_TRUE(Near(g_camTarg, Vec3(1, 1, 0.5f), 1e-5f));
    EXPECT_NEAR(g_camDist, 1.3f * 6.0f + 3.0f, 1e-5f);
    g_selId = aId;
    FocusOnSelection();
    EXPECT_TRUE(Near(g_camTarg, Vec3(-2, 0, 0), 0.0f));
    EXPECT_EQ(g_camDist, 5.0f);
}

TEST_F(EditorCameraTest, CameraPreviewFollowsTheEnabledCamerasAndStaysInsideTheViewport) {
    EXPECT_EQ(ResolvePreviewCamera(-1), -1) << "no camera: the overlay closes";
    Entity* off = AddEnt("Off", -1);
    off->hasCamera = true;
    off->enabled = false;
    int a = AddEnt("A", -1)->id;
    GetEnt(a)->hasCamera = true;
    int b = AddEnt("B", -1)->id;
    GetEnt(b)->hasCamera = true;
    EXPECT_EQ(ResolvePreviewCamera(-1), a);
    EXPECT_EQ(ResolvePreviewCamera(b), b);
    EXPECT_EQ(ResolvePreviewCamera(off->id), a) << "a disabled camera is not previewed";
    RemoveEnt(b);
    EXPECT_EQ(ResolvePreviewCamera(b), a);

    const ImVec2 hostMin(100, 50), hostMax(1100, 750);
    ImVec2 p = PlaceCameraPreview(ImVec2(0, 0), hostMin, hostMax);
    EXPECT_EQ(p.x, 1100 - 330 - 16);
    EXPECT_EQ(p.y, 750 - 220 - 16);
    p = PlaceCameraPreview(ImVec2(5000, 3000), hostMin, hostMax);  // dragged far away
    EXPECT_EQ(p.x, 1100 - 330 - 6);
    EXPECT_EQ(p.y, 750 - 220 - 6);
    p = PlaceCameraPreview(ImVec2(500, -3), hostMin, hostMax);
    EXPECT_EQ(p.x, 1100 - 330 - 16) << "a non-positive coordinate means not placed yet";
    p = PlaceCameraPreview(ImVec2(120, 400), ImVec2(100, 50), ImVec2(300, 200));  // host too small
    EXPECT_EQ(p.x, 106.0f);
    EXPECT_EQ(p.y, 56.0f);
}

TEST(ViewportRenderSize, ResolutionFactorAndLimits) {
    struct Case {
        const char* what;
        int dispW, dispH, res, maxSide, w, h;
    } cases[] = {
        {"1x", 1000, 600, 0, 0, 1000, 600},
        {"3x renders three times the display", 1000, 600, 2, 16384, 3000, 1800},
        {"index above 2 counts as 3x", 10, 10, 9, 0, 30, 30},
        {"negative index counts as 1x", 10, 10, -3, 0, 10, 10},
        {"clamped to what the context allows", 1000, 600, 2, 2048, 2048, 1800},
        {"never below one pixel", 0, -5, 1, 0, 1, 1},
    };
    for (const Case& c : cases) {
        int w = 0, h = 0;
        ViewportRenderSize(c.dispW, c.dispH, c.res, c.maxSide, w, h);
        EXPECT_EQ(w, c.w) << c.what;
        EXPECT_EQ(h, c.h) << c.what;
    }
}

} // namespace
