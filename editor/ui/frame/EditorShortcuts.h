#pragma once
// Which global editor shortcut a frame's keyboard state triggers. Pure: the
// editor frame reads the keys and flags from the UI, asks here, and runs the
// answer, so the whole table is testable without a window.
//
//   ShortcutKey, ShortcutInput     keys pressed this frame and the context
//   EditorShortcut                 what to do
//   DecideEditorShortcut           the table, first match wins

#include <cstdint>

enum class ShortcutKey : uint8_t { Z, Y, S, O, N, B, D, Delete, Backspace, Space, F, A, W, E, R, Q, G, Key1, Key2, Key3, Count };

struct ShortcutInput {
    uint32_t pressed = 0;  // bit (1 << ShortcutKey) per key pressed this frame
    bool mod = false;      // Ctrl or Super held ("Cmd" is Super; on Linux Ctrl is what users press)
    bool shift = false;
    bool textInput = false;      // a text field wants the keyboard
    bool mouseCaptured = false;  // the running game holds the mouse
    bool itemActive = false;     // a UI item is being clicked or dragged
    bool playing = false;
    bool hasScenePath = false;
    bool scriptEditorFocused = false;  // its own Cmd/Ctrl+S saves the script, not the scene

    ShortcutInput& Press(ShortcutKey k) {
        pressed |= 1u << unsigned(k);
        return *this;
    }
    bool Pressed(ShortcutKey k) const { return (pressed >> unsigned(k)) & 1u; }
};

enum class EditorShortcut {
    None,
    Undo,
    Redo,
    Save,    // to g_scenePath
    SaveAs,  // the "Save Scene As" dialog
    Open,
    New,
    BuildAndRun,
    Duplicate,
    Delete,
    StartPlay,
    TogglePause,
    Focus,
    FrameAll,
    GizmoMove,
    GizmoRotate,
    GizmoScale,
    GizmoNone,
    ToggleGrid,
    ToggleSnap,
    ViewShaded,
    ViewWireframe,
    ViewShadedWire,
};

// Nothing fires while a text field has the keyboard, the game holds the mouse
// or an item is active. With Ctrl/Super held only the modifier shortcuts are
// tested. While playing, the edits that play mode would overwrite or that
// would replace the scene under it (undo, redo, save, open, new, duplicate,
// delete, gizmo and grid toggles) do nothing.
EditorShortcut DecideEditorShortcut(const ShortcutInput& in);

// True for the actions that must not run while playing.
bool ShortcutBlockedWhilePlaying(EditorShortcut s);
