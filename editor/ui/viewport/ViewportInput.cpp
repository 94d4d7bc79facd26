#include "editor/ui/viewport/ViewportInput.h"

#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/scene/Undo.h"
#include "editor/render/RenderTargets.h"
#include "editor/ui/viewport/Gizmo.h"
#include "editor/ui/viewport/Picking.h"

bool g_vpUndoOpen = false;

namespace {
// Label of the entry the viewport opened (the mode may change before release).
const char* g_vpUndoLabel = "Move Entity";
} // namespace

ViewportClickOutcome ViewportLeftClick(float x, float y) {
    Log(2, "VP click at %.0f,%.0f (vp=%d,%d)", double(x), double(y), g_vpW, g_vpH);
    const bool shield = GizmoClickShield(x, y);
    GizmoInteraction(x, y, true, false);
    if (g_gizmoDrag) {
        // Another widget's pending edit (if one were still open) is not ours
        // to commit; the first snapshot wins in the undo slot anyway.
        const bool ours = !g_undoPendingActive;
        g_vpUndoLabel = GizmoUndoLabel(g_gizmoMode);
        UndoBeginSnapshotFrom(CaptureSceneSnapshot(), g_vpUndoLabel);
        g_vpUndoOpen = ours;
        return ViewportClickOutcome::GizmoDrag;
    }
    if (shield) {
        Log(2, "Gizmo click shield kept current selection");
        return ViewportClickOutcome::Shielded;
    }
    int id = -1;
    float t = 0.0f;
    if (PickEntityAtViewportPoint(x, y, id, t)) {
        g_selId = g_lastEntitySelId = id;
        g_selFilePath[0] = '\0';
        g_showPreviewPanel = true;
        const Entity* e = GetEnt(id);
        Log(2, "Selected under cursor: %s (t=%.2f, depth=%d)", e ? e->name : "", double(t), EntityHierarchyDepth(id));
        return ViewportClickOutcome::Picked;
    }
    g_selId = -1;
    g_selFilePath[0] = '\0';
    Log(2, "No entity hit under cursor");
    return ViewportClickOutcome::Missed;
}

void ViewportDragUpdate(float x, float y) {
    if (g_gizmoDrag) GizmoInteraction(x, y, false, false);
}

void ViewportLeftRelease() {
    const bool changed = g_gizmoChanged;
    GizmoInteraction(0.0f, 0.0f, false, true);
    g_gizmoChanged = false;
    if (!g_vpUndoOpen) return;
    g_vpUndoOpen = false;
    // A click on a handle that moved nothing leaves no empty undo step.
    if (changed) UndoCommitPending(g_vpUndoLabel);
    else UndoCancelPending(g_vpUndoLabel);
}

void CancelOrphanedPendingEdit(bool anyItemActive) {
    if (!g_undoPendingActive || anyItemActive || g_gizmoDrag) return;
    // The widget that opened this edit vanished mid-drag (selection changed,
    // panel closed) and will never release it.
    UndoCancelPending(nullptr);
    g_vpUndoOpen = false;
}
