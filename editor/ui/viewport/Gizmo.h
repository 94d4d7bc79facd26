#pragma once
// Transform gizmo state and maths: handle placement, screen-space hit tests
// and the drag that turns mouse motion into a new local position, rotation
// or scale of the selected entity. No window or GL here; drawing the handles
// lives with the viewport render, the lock button with the viewport panel.
//
//   g_gizmoMode g_gizmoDrag g_gizmoAxis ... g_uniformScaleLock
//   GizmoWorldScale GizmoAxes GizmoModelMatrix
//   DistPointSegment2D GizmoHitTest GizmoClickShield
//   GizmoAxisDeltaFromMouse GizmoScreenRingAngle GizmoInteraction
//   GizmoUndoLabel
//
// Move and scale handles point along the entity's local axes as they lie in
// the world (the parent's rotation and scale included), and a move drag
// converts its world displacement into the parent's space, so the entity
// travels along the arrow that is drawn also under a rotated or scaled parent.

#include <cstdint>

#include "imgui.h"

#include "editor/legacy/scene/Entity.h"
#include "editor/legacy/scene/KorvaneMath.h"
#include "editor/ui/common/EditorTools.h"

extern bool g_gizmoDrag;
extern int32_t g_gizmoAxis;
extern Vec3 g_gizmoDragAxis;
extern float g_gizmoDragScale;
extern ImVec2 g_gizmoStartMouse;
extern Vec3 g_gizmoStartVal;
extern Quat g_gizmoStartQuat;
extern Quat g_gizmoStartParentWorldQuat;
extern ImVec2 g_gizmoAxisScreen;
extern float g_gizmoAxisScreenLen2;
extern Vec3 g_gizmoPlaneO, g_gizmoPlaneN;
extern float g_gizmoStartDist;
extern Vec3 g_gizmoRingU, g_gizmoRingV;
extern ImVec2 g_gizmoScreenCenter, g_gizmoScreenU, g_gizmoScreenV;
extern float g_gizmoStartAngle, g_gizmoLastRotAngle, g_gizmoAccumRot;
extern bool g_uniformScaleLock;
// The entity and mode a running drag belongs to: a drag never writes to an
// entity selected after it began.
extern int32_t g_gizmoDragEntId;
extern int32_t g_gizmoDragMode;
// A running drag has changed the entity (the viewport commits its undo entry
// only then).
extern bool g_gizmoChanged;

// Resets every gizmo global to its start-up value.
void ResetGizmoState();

float GizmoWorldScale(Vec3 p);
// Handle directions (unit length) for a mode: rotate uses the world axes,
// move and scale the entity's local axes as placed in the world.
void GizmoAxes(const Entity& e, int mode, Vec3 out[3]);
// Rotate ring i lies in the plane spanned by these (U x V is its axis).
void GizmoRingBasis(int axis, Vec3& u, Vec3& v);
Mat4 GizmoModelMatrix(const Entity& e);

float DistPointSegment2D(ImVec2 p, ImVec2 a, ImVec2 b, float& t);
bool GizmoHitTest(float x, float y, int& axis, float& dist, bool shield);
bool GizmoClickShield(float x, float y);
float GizmoAxisDeltaFromMouse(ImVec2 mouse);
float GizmoScreenRingAngle(ImVec2 mouse);
// begin: start a drag on a handle under (x, y); end: stop any drag;
// neither: update the running drag from the mouse.
void GizmoInteraction(float x, float y, bool begin, bool end);

// "Move Entity", "Rotate Entity" or "Scale Entity".
const char* GizmoUndoLabel(int mode);
