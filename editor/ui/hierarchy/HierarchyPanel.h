#pragma once
// The "Hierarchy" window: the scene's entities as a tree following their
// parent links, selection, re-parenting by dragging rows ("ENT"), attaching
// project files by dropping them on a row ("PROJ_FILE"), "+ Create" and the
// context menus.
//
//   HierarchyPanel            the window (while g_showHier)
//   kHierarchyMaxDrawDepth    rows deeper than this are summarised as "…"
//   HierarchyDropEntity       the "ENT" drop rule (refuses cycles)
//   HierarchyBeginRename      the inline rename of a row (F2, double-click)
//
// Every edit made here is one undo step: "Create Cube" (and the other create
// items), "Duplicate Entity", "Create Child", "Delete Entity", "Reparent
// Entity", "Rename Entity", "Import Asset To Scene", "Attach Asset To Entity".
//
// Edits that change the store's structure (delete, duplicate, create child,
// re-parent) are applied after the tree is drawn, so no row holds a pointer
// into the store while it changes.

#include <cstdint>

// Dear ImGui keeps per-level tree state in 32-bit masks; rows are drawn only
// this deep and a "…" row stands for everything below.
constexpr int kHierarchyMaxDrawDepth = 24;

void HierarchyPanel();

// Opens every row on the next frame (then clears itself).
extern bool g_hierarchyExpandAll;
// Rows submitted in the last frame (visible rows only; clipped rows are not).
extern int g_hierarchyRowsDrawn;

// Moves `dragged` under `target` (target -1: to the root), keeping where it
// is in the world, as the undo step "Reparent Entity". Refused (false) when
// dragged is the target or one of its ancestors, or either is missing.
bool HierarchyDropEntity(int32_t dragged, int32_t target);

// Starts the inline rename of a row: the next frame draws a text field in
// its place holding the keyboard. Enter or leaving the field renames (one
// "Rename Entity" step when the name changed); Escape cancels. False for a
// missing entity.
bool HierarchyBeginRename(int32_t id);
// The row being renamed, or -1.
int32_t HierarchyRenamingId();
