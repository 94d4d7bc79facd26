#pragma once
// Application-shell state that headless parts of the application read or
// write (scene path, app state, play flags, panel visibility). GL and window
// handles live with the main loop, not here.
//
// Hooks: the shell installs them at start-up; until then they do nothing, so
// the scene model and file formats work without a window.

#include <cstdint>

extern bool g_gameBuild;
extern int32_t g_state;            // 0 hub, 1 loading, 2 editor (or running game)
extern int32_t g_splashState;
extern float g_splashTimer;
extern char g_scenePath[1024];
extern char g_projName[128];
extern bool g_pendingClose;
extern char g_pendingSceneOpen[1024];
extern bool g_editorAutoSave;
extern float g_editorAutoSaveTimer;
extern double g_nextLayoutAutosave;
extern bool g_forceLayoutSaveOnce;
extern bool g_pendingEditorWindowExpand;
extern bool g_useDefaultEditorLayout;
extern bool g_layoutLoadedForProject;  // the layout state was loaded for g_projectRoot

// Editor preferences (the settings panel edits them, the layout state keeps them).
extern int32_t g_editorTheme;       // 0 Dark, 1 Light, 2 System (drawn as Dark)
extern float g_editorFontScale;     // used clamped to [0.5, 2]
// Default build target and configuration, shared by the build panel and the
// settings panel: 0 Windows, 1 Linux, 2 macOS; 0 Debug, 1 Release, 2 Shipping.
// The default target is the host's (Linux).
constexpr int32_t kDefaultBuildPlatform = 1;
constexpr int32_t kDefaultBuildConfig = 1;
extern int32_t g_buildPlatform;
extern int32_t g_buildConfig;
extern float g_frameTimes[300];
extern int32_t g_frameIdx;
extern int32_t g_swapIntervalState;

// Play mode (owned by the play-mode unit once it exists).
extern bool g_playing;
extern bool g_playPaused;

// Play mode owns the scene while it runs (paused too): saving and undo wait
// for Stop. True, with a warning naming the action, while playing.
bool RefusedWhilePlaying(const char* action);
// Installed by play mode: a scene is about to be replaced (load, new), so
// play stops first (its snapshot is used up). Does nothing when not playing.
extern void (*g_playStopForSceneReplaceHook)();
inline void StopPlayBeforeSceneReplace() {
    if (g_playStopForSceneReplaceHook) g_playStopForSceneReplaceHook();
}

// Panel visibility (the editor frame's flags).
extern bool g_showHier, g_showInsp, g_showAssets, g_showConsole;
extern bool g_showPreviewPanel, g_showScriptEditor, g_showProf, g_showBuild, g_showSettings, g_showGame;

// Refreshes the window title (name, scene, unsaved mark); no-op until the
// shell installs g_updateWindowTitleHook.
extern void (*g_updateWindowTitleHook)();
inline void UpdateWindowTitle() {
    if (g_updateWindowTitleHook) g_updateWindowTitleHook();
}
