#pragma once
// The editor screen's skeleton: the full-window dock host, the default panel
// arrangement, the main menu bar and the shortcuts that work anywhere.
//
// The main loop calls, in the editor state (editor mode only):
//   RunEditorFrame()               dock space (+ default layout), menu bar,
//                                  the panels in order, viewport, popups
//   ... its scene dialogs ...
//   HandleGlobalEditorShortcuts()  shortcuts, then drops pending edits whose
//                                  widget vanished
//
//   BeginMainEditorDockspace  SetupDefaultLayout  SetDefaultPanelVisibility
//   ResetEditorLayoutForProjectSwitch  MenuBar
//   EditorModDown  EditorShortcutSafe  EditorShortcutKey  RunEditorShortcut

#include "imgui.h"

#include "editor/ui/frame/EditorShortcuts.h"

extern bool g_layoutLoadedForProject;

// Draws "##KorvaneMainDockHost" and its dock space; when
// g_useDefaultEditorLayout is set, builds the default layout first (before
// the dock space is submitted) and clears the flag. Returns the dock id.
unsigned BeginMainEditorDockspace();
// Rebuilds the dock tree under dockId (nothing for 0); forces a layout save.
void SetupDefaultLayout(unsigned dockId);
void SetDefaultPanelVisibility();
void ResetEditorLayoutForProjectSwitch();
void MenuBar();

void RunEditorFrame();
void HandleGlobalEditorShortcuts();

bool EditorModDown();
bool EditorShortcutSafe();
bool EditorShortcutKey(ImGuiKey key, bool needMod, bool repeat);
// Carries out a shortcut's action (also used by the menus).
void RunEditorShortcut(EditorShortcut s);

// Dock node ids of the last default layout (0 before one was built), for
// tests and the layout state file.
struct DefaultLayoutNodes {
    unsigned root = 0, left = 0, rest = 0, right = 0, center = 0;
    unsigned rightBottom = 0, rightTop = 0, centerBottom = 0, centerTop = 0;
    unsigned centerBottomRight = 0, centerBottomLeft = 0;
};
extern DefaultLayoutNodes g_defaultLayoutNodes;
