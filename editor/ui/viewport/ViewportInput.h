#pragma once
// What a left click, a drag and a release in the viewport do, without the UI:
// gizmo shield, gizmo drag with its one undo entry, or picking. The viewport
// panel calls these with image-local mouse coordinates.
//
//   ViewportLeftClick        shield -> gizmo drag (opens "Move/Rotate/Scale
//                            Entity") -> pick and select
//   ViewportDragUpdate       moves the dragged handle
//   ViewportLeftRelease      ends the drag; commits only the viewport's own entry
//   CancelOrphanedPendingEdit  end of frame: a pending edit whose widget is
//                            gone is closed without an entry

enum class ViewportClickOutcome {
    GizmoDrag,  // a handle was grabbed; an undo entry is pending
    Shielded,   // near a handle: the selection stays
    Picked,     // an entity was selected
    Missed,     // nothing under the cursor: selection cleared
};

// True while the pending undo entry was opened by the viewport's gizmo drag.
extern bool g_vpUndoOpen;

ViewportClickOutcome ViewportLeftClick(float x, float y);
void ViewportDragUpdate(float x, float y);
void ViewportLeftRelease();
// anyItemActive: some UI item still holds the mouse or keyboard this frame.
void CancelOrphanedPendingEdit(bool anyItemActive);
