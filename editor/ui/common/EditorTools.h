#pragma once
// The active transform tool. The viewport's gizmo edits with it, the
// toolbar and shortcuts switch it, and the status bar names it.

#include <cstdint>

enum : int { kGizmoNone = -1, kGizmoMove = 0, kGizmoRotate = 1, kGizmoScale = 2 };

extern int32_t g_gizmoMode;

// The scale lock shared by the scale gizmo and the inspector's scale row.
extern bool g_uniformScaleLock;
