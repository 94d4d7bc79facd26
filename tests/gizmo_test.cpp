// Transform gizmos: hit tests and the click shield, drag maths for move,
// rotate and scale (snapping, long rotations, minimum scale, uniform lock,
// children of rotated or scaled parents) and the viewport's one undo step
// per drag.

#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/scene/Undo.h"
#include "editor/ui/viewport/EditorCamera.h"
#include "editor/ui/viewport/Gizmo.h"
#include "editor/ui/viewport/Picking.h"
#include "editor/ui/viewport/ViewportInput.h"

namespace {

bool Near(Vec3 a, Vec3 b, float eps) {
    return std::fabs(a.x - b.x) <= eps && std::fabs(a.y - b.y) <= eps && std::fabs(a.z - b.z) <= eps;
}

class GizmoTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_ents.clear();
        g_entIdx.clear();
        g_nextId = 1;
        g_selId = -1;
        g_sceneDirty = false;
        UndoClearHistory();
        ResetEditorCamera();
        ResetGizmoState();
        g_snapGrid = false;
        g_gridSnap = 1.0f;
        g_vpUndoOpen = false;
        Camera(0.0f, 0.0f, 10.0f);
    }
    void TearDown() override { g_snapGrid = false; }

    static void Camera(float yaw, float pitch, float dist) {
        g_vpDispW = 800;
        g_vpDispH = 600;
        g_camYaw = yaw;
        g_camPitch = pitch;
        g_camDist = dist;
        g_camTarg = Vec3(0, 0, 0);
        RecomputeViewMatrices();
    }
    static int Select(Vec3 pos, int parent = -1) {
        Entity* e = AddEnt("Thing", parent);
        e->transform.position = pos;
        g_selId = e->id;
        return e->id;
    }
    // Screen point a fraction along a move/scale handle.
    static ImVec2 HandlePoint(int axis, float along) {
        const Entity* e = GetSel();
        Vec3 ax[3];
        GizmoAxes(*e, g_gizmoMode, ax);
        Vec3 c = EntityWorldPos(*e);
        ImVec2 s;
        EXPECT_TRUE(WorldToScreen(c + ax[axis] * (along * GizmoWorldScale(c)), s));
        return s;
    }
    static ImVec2 RingPoint(int axis, float angle) {
        const Entity* e = GetSel();
        Vec3 u, v, c = EntityWorldPos(*e);
        GizmoRingBasis(axis, u, v);
        ImVec2 s;
        EXPECT_TRUE(
            WorldToScreen(c + (u * std::cos(angle) + v * std::sin(angle)) * (0.58f * GizmoWorldScale(c)), s));
        return s;
    }
};

TEST_F(GizmoTest, HitTestFindsHandlesAndTheShieldIsWider) {
    Select(Vec3(0, 0, 0));
    int axis = -1;
    float dist = 0;
    ImVec2 onX = HandlePoint(0, 0.7f);
    EXPECT_TRUE(GizmoHitTest(onX.x, onX.y, axis, dist, false));
    EXPECT_EQ(axis, 0);
    ImVec2 onY = HandlePoint(1, 0.9f);
    EXPECT_TRUE(GizmoHitTest(onY.x + 5, onY.y, axis, dist, false));
    EXPECT_EQ(axis, 1);
    EXPECT_NEAR(dist, 5.0f, 0.01f);
    // 30 pixels off the X arrow: no drag, but the shield keeps the selection.
    ImVec2 off(onX.x + 10, onX.y - 30);
    EXPECT_FALSE(GizmoHitTest(off.x, off.y, axis, dist, false));
    EXPECT_EQ(axis, -1);
    EXPECT_TRUE(GizmoClickShield(off.x, off.y));
    EXPECT_FALSE(GizmoClickShield(off.x, off.y - 10)) << "40 px is outside the shield";

    // Scale mode also hits the handle's cube; rotate mode the rings.
    g_gizmoMode = kGizmoScale;
    ImVec2 cube = HandlePoint(1, 0.82f);
    EXPECT_TRUE(GizmoHitTest(cube.x - 25, cube.y, axis, dist, false));
    EXPECT_EQ(axis, 1);
    g_gizmoMode = kGizmoRotate;
    Camera(0.6f, 0.5f, 10.0f);
    for (int ring = 0; ring < 3; ++ring) {
        // Each ring at a point where the other two are far away.
        const float angles[] = {0.9f, 2.4f, 4.0f};
        ImVec2 p = RingPoint(ring, angles[ring]);
        EXPECT_TRUE(GizmoHitTest(p.x, p.y, axis, dist, false)) << ring;
        EXPECT_EQ(axis, ring);
    }
    // No selection, no gizmo or a centre behind the camera: nothing.
    g_gizmoMode = kGizmoNone;
    EXPECT_FALSE(GizmoHitTest(onX.x, onX.y, axis, dist, true));
    g_gizmoMode = kGizmoMove;
    GetSel()->transform.position = Vec3(0, 0, 40);  // behind the eye
    Camera(0.0f, 0.0f, 10.0f);
    EXPECT_FALSE(GizmoHitTest(400, 300, axis, dist, true));
    g_selId = -1;
    EXPECT_FALSE(GizmoHitTest(onX.x, onX.y, axis, dist, true));
}

TEST_F(GizmoTest, MoveDragFollowsTheArrowAndSnapsTheOffset) {
    int id = Select(Vec3(0.25f, 0, 0));
    ImVec2 start = HandlePoint(0, 0.7f);
    GizmoInteraction(start.x, start.y, true, false);
    ASSERT_TRUE(g_gizmoDrag);
    EXPECT_EQ(g_gizmoAxis, 0);
    GizmoInteraction(start.x + 40, start.y + 3, false, false);
    Vec3 p = GetEnt(id)->transform.position;
    EXPECT_GT(p.x, 0.25f);
    EXPECT_EQ(p.y, 0.0f);
    EXPECT_EQ(p.z, 0.0f);
    EXPECT_TRUE(g_sceneDirty);
    // The result depends only on the start state and the current mouse.
    float firstX = p.x;
    GizmoInteraction(start.x + 90, start.y, false, false);
    GizmoInteraction(start.x + 40, start.y + 3, false, false);
    EXPECT_FLOAT_EQ(GetEnt(id)->transform.position.x, firstX);

    // Snapping: steps of 0.5 from the start value, not from the grid origin.
    g_snapGrid = true;
    g_gridSnap = 0.5f;
    for (float dx = -120; dx <= 120; dx += 7) {
        GizmoInteraction(start.x + dx, start.y, false, false);
        float offset = GetEnt(id)->transform.position.x - 0.25f;
        EXPECT_NEAR(std::remainder(offset, 0.5f), 0.0f, 1e-5f) << dx;
    }
    GizmoInteraction(0, 0, false, true);
    EXPECT_FALSE(g_gizmoDrag);
    EXPECT_EQ(g_gizmoAxis, -1);
}

TEST_F(GizmoTest, AnArrowPointingAtTheCameraStillMovesTheEntity) {
    // The entity's local Z is turned to point straight at the eye.
    Camera(0.0f, 0.3f, 10.0f);
    int id = Select(Vec3(0, 0, 0));
    GetEnt(id)->transform.rotation = Vec3(-0.3f * kRadToDeg, 0, 0);
    Vec3 ax[3];
    GizmoAxes(*GetEnt(id), kGizmoMove, ax);
    ASSERT_TRUE(Near(ax[2], (g_camEye - Vec3(0, 0, 0)).norm(), 1e-4f));
    GizmoInteraction(400, 300, true, false);
    ASSERT_TRUE(g_gizmoDrag);
    ASSERT_EQ(g_gizmoAxis, 2);
    EXPECT_LT(g_gizmoAxisScreenLen2, 1e-5f);
    // Mouse up pushes the entity away from the camera along the arrow.
    GizmoInteraction(400, 260, false, false);
    Vec3 p = GetEnt(id)->transform.position;
    for (float v : {p.x, p.y, p.z}) ASSERT_TRUE(std::isfinite(v));
    EXPECT_LT(p.dot(ax[2]), -0.05f);
    EXPECT_TRUE(Near(p, ax[2] * p.dot(ax[2]), 1e-4f)) << "stays on the axis";
    GizmoInteraction(400, 340, false, false);
    EXPECT_GT(GetEnt(id)->transform.position.dot(ax[2]), 0.05f);
}

TEST_F(GizmoTest, ChildOfRotatedOrScaledParentMovesAlongTheDrawnArrow) {
    struct Case {
        const char* what;
        Vec3 parentRot, parentScale, childRot;
    } cases[] = {
        {"root-like parent", Vec3(0, 0, 0), Vec3(1, 1, 1), Vec3(0, 0, 0)},
        {"parent turned 90 about Y", Vec3(0, 90, 0), Vec3(1, 1, 1), Vec3(0, 0, 0)},
        {"parent turned and child turned", Vec3(30, 60, 0), Vec3(1, 1, 1), Vec3(0, 0, 45)},
        {"parent stretched along X", Vec3(0, 0, 0), Vec3(2, 1, 1), Vec3(0, 0, 0)},
        {"parent stretched and turned", Vec3(0, 0, 40), Vec3(3, 0.5f, 1), Vec3(10, 0, 0)},
    };
    for (const Case& c : cases) {
        g_ents.clear();
        g_entIdx.clear();
        Camera(0.5f, 0.4f, 12.0f);
        Entity* parent = AddEnt("Parent", -1);
        parent->transform.position = Vec3(1, 0, 0);
        parent->transform.rotation = c.parentRot;
        parent->transform.scale = c.parentScale;
        int parentId = parent->id;
        int child = Select(Vec3(0.5f, 0, 0), parentId);
        GetEnt(child)->transform.rotation = c.childRot;
        for (int axis = 0; axis < 3; ++axis) {
            GetEnt(child)->transform.position = Vec3(0.5f, 0, 0);
            Vec3 before = EntityWorldPos(*GetEnt(child));
            // The handle drawn is the model matrix's column for this axis.
            Mat4 gm = GizmoModelMatrix(*GetEnt(child));
            Vec3 drawn = Vec3(gm.m[axis * 4], gm.m[axis * 4 + 1], gm.m[axis * 4 + 2]).norm();
            ImVec2 s = HandlePoint(axis, 0.8f);
            GizmoInteraction(s.x, s.y, true, false);
            ASSERT_TRUE(g_gizmoDrag) << c.what << " axis " << axis;
            ASSERT_EQ(g_gizmoAxis, axis) << c.what;
            GizmoInteraction(s.x + g_gizmoAxisScreen.x * 0.5f, s.y + g_gizmoAxisScreen.y * 0.5f, false, false);
            GizmoInteraction(0, 0, false, true);
            Vec3 moved = EntityWorldPos(*GetEnt(child)) - before;
            ASSERT_GT(moved.len(), 0.05f) << c.what << " axis " << axis;
            EXPECT_GT(moved.norm().dot(drawn), 0.9999f) << c.what << " axis " << axis;
            // Half the handle's screen length moves half a gizmo size x 1.18.
            EXPECT_NEAR(moved.len(), 0.5f * 1.18f * g_gizmoDragScale, 1e-3f) << c.what;
        }
    }
}

TEST_F(GizmoTest, RotateAccumulatesBeyondAFullTurnAndSnapsTo15Degrees) {
    Camera(0.3f, 1.2f, 10.0f);  // looking down on the Y ring
    int id = Select(Vec3(0, 0, 0));
    g_gizmoMode = kGizmoRotate;
    ImVec2 s = RingPoint(1, 0.0f);
    GizmoInteraction(s.x, s.y, true, false);
    ASSERT_TRUE(g_gizmoDrag);
    ASSERT_EQ(g_gizmoAxis, 1);
    const float total = 400.0f * kDegToRad;
    for (float a = 0; a <= total + 1e-4f; a += 10.0f * kDegToRad) {
        ImVec2 p = RingPoint(1, a);
        GizmoInteraction(p.x, p.y, false, false);
    }
    EXPECT_NEAR(g_gizmoAccumRot, total, 1e-3f);
    // The Y ring is spanned by U = Z, V = X: a positive ring angle turns
    // about +Y; 400 degrees leave the entity at 40.
    Quat expect = QuatFromAxisAngle(Vec3(0, 1, 0), total);
    Quat got = EntityLocalQuat(*GetEnt(id));
    EXPECT_NEAR(std::fabs(got.x * expect.x + got.y * expect.y + got.z * expect.z + got.w * expect.w), 1.0f, 1e-4f);
    EXPECT_NEAR(GetEnt(id)->transform.rotation.y, 40.0f, 0.05f);

    // With snapping on every result is a multiple of 15 degrees.
    g_snapGrid = true;
    for (float a = 0; a < 1.0f; a += 0.07f) {
        ImVec2 p = RingPoint(1, total + a);
        GizmoInteraction(p.x, p.y, false, false);
        // Stored as Euler degrees, a turn of 90 comes back a few hundredths
        // off (asin is ill-conditioned there), hence the tolerance.
        Quat q = EntityLocalQuat(*GetEnt(id));
        float turned = 2.0f * std::atan2(q.y, q.w) * kRadToDeg;
        EXPECT_NEAR(std::remainder(turned, 15.0f), 0.0f, 0.05f) << a;
        EXPECT_NEAR(std::fabs(q.x) + std::fabs(q.z), 0.0f, 1e-4f) << "about Y only";
    }
    GizmoInteraction(0, 0, false, true);
}

TEST_F(GizmoTest, RotatingAChildTurnsItAboutTheWorldAxisShown) {
    Camera(0.3f, 1.2f, 10.0f);
    Entity* parent = AddEnt("Parent", -1);
    parent->transform.rotation = Vec3(0, 0, 90);
    int parentId = parent->id;
    int child = Select(Vec3(0, 0, 0), parentId);
    GetEnt(child)->transform.rotation = Vec3(20, 0, 0);
    Quat worldBefore = EntityWorldQuat(*GetEnt(child));
    g_gizmoMode = kGizmoRotate;
    ImVec2 s = RingPoint(1, 0.0f);
    GizmoInteraction(s.x, s.y, true, false);
    ASSERT_EQ(g_gizmoAxis, 1);
    for (float a = 0; a <= 0.6f + 1e-4f; a += 0.1f) {
        ImVec2 p = RingPoint(1, a);
        GizmoInteraction(p.x, p.y, false, false);
    }
    Quat expect = QuatMul(QuatFromAxisAngle(Vec3(0, 1, 0), 0.6f), worldBefore);
    Quat got = EntityWorldQuat(*GetEnt(child));
    EXPECT_NEAR(std::fabs(got.x * expect.x + got.y * expect.y + got.z * expect.z + got.w * expect.w), 1.0f, 1e-4f);
}

TEST_F(GizmoTest, ScaleHasAFloorAndTheUniformLockScalesAllAxes) {
    int id = Select(Vec3(0, 0, 0));
    GetEnt(id)->transform.scale = Vec3(2, 3, 4);
    g_gizmoMode = kGizmoScale;
    ImVec2 s = HandlePoint(0, 0.82f);
    GizmoInteraction(s.x, s.y, true, false);
    ASSERT_EQ(g_gizmoAxis, 0);
    GizmoInteraction(s.x + 30, s.y, false, false);
    Vec3 sc = GetEnt(id)->transform.scale;
    EXPECT_GT(sc.x, 2.0f);
    EXPECT_EQ(sc.y, 3.0f);
    EXPECT_EQ(sc.z, 4.0f);
    for (bool snap : {false, true}) {
        g_snapGrid = snap;
        GizmoInteraction(s.x - 5000, s.y, false, false);  // far past the centre
        EXPECT_FLOAT_EQ(GetEnt(id)->transform.scale.x, 2.0f * 0.01f) << (snap ? "snapped" : "free");
    }
    g_snapGrid = true;
    GizmoInteraction(s.x + 37, s.y, false, false);
    float factor = GetEnt(id)->transform.scale.x / 2.0f;
    EXPECT_NEAR(std::remainder(factor, 0.25f), 0.0f, 1e-5f);
    g_snapGrid = false;
    GizmoInteraction(0, 0, false, true);

    g_uniformScaleLock = true;
    GetEnt(id)->transform.scale = Vec3(2, 3, 4);
    s = HandlePoint(2, 0.82f);
    GizmoInteraction(s.x, s.y, true, false);
    ASSERT_TRUE(g_gizmoDrag);
    GizmoInteraction(s.x + 25, s.y - 25, false, false);
    sc = GetEnt(id)->transform.scale;
    float f = sc.x / 2.0f;
    EXPECT_NE(f, 1.0f);
    EXPECT_FLOAT_EQ(sc.y, 3.0f * f);
    EXPECT_FLOAT_EQ(sc.z, 4.0f * f);
    GizmoInteraction(0, 0, false, true);
}

TEST_F(GizmoTest, ADragNeverWritesToAnotherEntityAndAlwaysEndsOnRelease) {
    int a = Select(Vec3(0, 0, 0));
    Entity* other = AddEnt("Other", -1);
    other->transform.position = Vec3(3, 0, 0);
    int b = other->id;
    ImVec2 s = HandlePoint(0, 0.7f);
    GizmoInteraction(s.x, s.y, true, false);
    ASSERT_TRUE(g_gizmoDrag);
    g_selId = b;  // selection changed mid-drag
    GizmoInteraction(s.x + 60, s.y, false, false);
    EXPECT_EQ(GetEnt(b)->transform.position.x, 3.0f);
    EXPECT_EQ(GetEnt(a)->transform.position.x, 0.0f);
    // The selection deleted and the gizmo switched off: release still ends it.
    RemoveEnt(b);
    g_gizmoMode = kGizmoNone;
    GizmoInteraction(0, 0, false, true);
    EXPECT_FALSE(g_gizmoDrag);
    EXPECT_EQ(g_gizmoAxis, -1);
}

TEST_F(GizmoTest, ViewportClickPipelineRecordsOneUndoStepPerDrag) {
    int id = Select(Vec3(0, 0, 0));
    GetEnt(id)->hasMesh = true;
    struct Case {
        int mode;
        const char* label;
    } cases[] = {{kGizmoMove, "Move Entity"}, {kGizmoRotate, "Rotate Entity"}, {kGizmoScale, "Scale Entity"}};
    Camera(0.5f, 0.5f, 10.0f);
    for (const Case& c : cases) {
        UndoClearHistory();
        g_gizmoMode = c.mode;
        ImVec2 s = c.mode == kGizmoRotate ? RingPoint(1, 0.3f) : HandlePoint(0, 0.8f);
        Transform before = GetEnt(id)->transform;
        ASSERT_EQ(ViewportLeftClick(s.x, s.y), ViewportClickOutcome::GizmoDrag) << c.label;
        EXPECT_TRUE(g_undoPendingActive);
        for (int i = 1; i <= 10; ++i) ViewportDragUpdate(s.x + 4.0f * i, s.y + 2.0f * i);
        ViewportLeftRelease();
        EXPECT_FALSE(g_undoPendingActive);
        ASSERT_EQ(g_undoStack.size(), 1u) << c.label;
        EXPECT_STREQ(g_undoStack.back().label, c.label);
        PerformUndo();
        EXPECT_EQ(std::memcmp(&GetEnt(id)->transform, &before, sizeof(Transform)), 0) << c.label;
    }
    // A click on a handle without moving leaves no empty step.
    UndoClearHistory();
    g_gizmoMode = kGizmoMove;
    ImVec2 s = HandlePoint(0, 0.8f);
    ASSERT_EQ(ViewportLeftClick(s.x, s.y), ViewportClickOutcome::GizmoDrag);
    ViewportLeftRelease();
    EXPECT_TRUE(g_undoStack.empty());
    EXPECT_FALSE(g_undoPendingActive);
}

TEST_F(GizmoTest, ViewportClickShieldPickAndMiss) {
    Camera(0.0f, 0.0f, 10.0f);
    int sel = Select(Vec3(0, 0, 0));
    GetEnt(sel)->hasMesh = true;
    Entity* far = AddEnt("Far", -1);
    far->hasMesh = true;
    far->transform.position = Vec3(-3, 0, 0);
    int farId = far->id;
    ImVec2 near = HandlePoint(0, 0.7f);
    EXPECT_EQ(ViewportLeftClick(near.x + 10, near.y - 30), ViewportClickOutcome::Shielded);
    EXPECT_EQ(g_selId, sel);
    ImVec2 fs;
    ASSERT_TRUE(WorldToScreen(Vec3(-3, 0, 0), fs));
    EXPECT_EQ(ViewportLeftClick(fs.x, fs.y), ViewportClickOutcome::Picked);
    EXPECT_EQ(g_selId, farId);
    EXPECT_EQ(g_lastEntitySelId, farId);
    EXPECT_TRUE(g_undoStack.empty()) << "selection is not an edit";
    EXPECT_EQ(ViewportLeftClick(5, 5), ViewportClickOutcome::Missed);
    EXPECT_EQ(g_selId, -1);
}

TEST_F(GizmoTest, ReleaseCommitsOnlyTheViewportsOwnEntry) {
    // An inspector drag left pending (its widget vanished) is not committed
    // by a click-release in the viewport, and is cancelled at frame end.
    int id = Select(Vec3(0, 0, 0));
    UndoBeginSnapshotFrom(CaptureSceneSnapshot(), "Change Position");
    GetEnt(id)->transform.position.x = 5;
    ViewportLeftClick(5, 5);
    ViewportLeftRelease();
    EXPECT_TRUE(g_undoStack.empty());
    EXPECT_TRUE(g_undoPendingActive);
    CancelOrphanedPendingEdit(true);
    EXPECT_TRUE(g_undoPendingActive) << "still held by an active item";
    CancelOrphanedPendingEdit(false);
    EXPECT_FALSE(g_undoPendingActive);
    EXPECT_TRUE(g_undoStack.empty());
}

} // namespace
