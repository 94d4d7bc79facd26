#pragma once
// The application shell on the window side: the window and fonts, the
// per-frame helpers of the main loop, the scene dialogs and the project
// opening. The decisions behind them are plain functions in
// editor/legacy/ShellLogic.h.
//
//   g_win, g_iconFont
//   ApplySwapIntervalForAppState, PaceMainLoop
//   RequestNewScene, RequestOpenScene, RequestOpenScenePath
//   OpenSceneDialog, SaveSceneDialog, DrawUnsavedChangesDialog, DrawScenePopups
//   OpenProjectByIndex
//   ShellSaveScene, ShellLoadScene, ShellNewScene

struct GLFWwindow;
struct ImFont;

extern GLFWwindow* g_win;
extern ImFont* g_iconFont;

void ApplySwapIntervalForAppState();
void PaceMainLoop();

// Menu and browser entry points: act now when nothing is unsaved, else ask
// first through "Unsaved Changes".
void RequestNewScene();
void RequestOpenScene();
void RequestOpenScenePath(const char* path);

void OpenSceneDialog();   // opens "OpenScenePopup" in the next frame
void SaveSceneDialog();   // opens "SaveScenePopup" in the next frame
// "Unsaved Changes" (opened when g_pendingClose is set).
void DrawUnsavedChangesDialog();
// "OpenScenePopup" and "SaveScenePopup".
void DrawScenePopups();

// Makes the i-th listed project current and opens it.
void OpenProjectByIndex(int i);

// The scene file operations as the shell uses them (save, load, new).
bool ShellSaveScene(const char* path);
bool ShellLoadScene(const char* path);
void ShellNewScene();
