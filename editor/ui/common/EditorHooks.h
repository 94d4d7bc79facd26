#pragma once
// Seams between the editor frame and the pieces it calls that live in other
// units (panels, play mode, builds, updates, asset drops). Each unit installs
// its entry points at start-up; the editor frame skips a panel whose hook is
// empty and shows the menu items that need a missing piece disabled.

#include <cstdint>

struct Entity;

struct EditorHooks {
    // Panels, drawn in the editor frame's order while their flag is set.
    void (*inspectorPanel)() = nullptr;
    void (*projectBrowserPanel)() = nullptr;
    void (*previewPanel)() = nullptr;
    void (*scriptEditorPanel)() = nullptr;
    void (*consolePanel)() = nullptr;
    void (*profilerPanel)() = nullptr;
    void (*buildPanel)() = nullptr;
    void (*settingsPanel)() = nullptr;
    void (*gamePanel)() = nullptr;

    // Script editor: open a script in it (asks first when edits are unsaved),
    // and whether it has the keyboard (then Cmd/Ctrl+S is its own).
    void (*openScriptInEditor)(const char* path) = nullptr;
    const bool* scriptEditorFocused = nullptr;
    // Always drawn (when present) after the panels.
    void (*buildProgressPopup)() = nullptr;
    void (*modelImportProgressPopup)() = nullptr;
    void (*statusBar)() = nullptr;

    // Play mode.
    void (*startPlayMode)() = nullptr;
    void (*togglePlayPaused)() = nullptr;
    void (*drawPlayTransportControls)(const char* id, float buttonSize, float spacing) = nullptr;
    const bool* playMouseCaptured = nullptr;  // the running game holds the mouse
    void (*renderCanvases)(const float* viewProj) = nullptr;  // canvases over the viewport render

    // "Build & Run": shows nothing itself; the caller has set g_showBuild.
    void (*buildAndRun)() = nullptr;
    // "Check for Updates": opens the update window and checks now.
    void (*checkForUpdatesNow)() = nullptr;

    // Project files dropped into the scene.
    bool (*isSceneAsset)(const char* path) = nullptr;             // mesh, script or material
    int32_t (*createEntityFromAsset)(const char* path) = nullptr;  // new entity id, or -1
    bool (*attachAssetToEntity)(Entity& e, const char* path) = nullptr;
    void (*applyLiquidMaterialDefaults)(Entity& e) = nullptr;

    // The viewport camera frames the selection (the inspector's "Focus").
    void (*focusOnSelection)() = nullptr;
};

extern EditorHooks g_editorHooks;
