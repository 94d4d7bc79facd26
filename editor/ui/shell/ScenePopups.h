#pragma once
// The scene dialogs of the shell and the scene file operations as the menus,
// the hub and the browser call them. The decisions behind them are plain
// functions in editor/legacy/shell/ShellLogic.h.
//
//   RequestNewScene, RequestOpenScene, RequestOpenScenePath
//   OpenSceneDialog, SaveSceneDialog, DrawUnsavedChangesDialog, DrawScenePopups
//   ShellSaveScene, ShellLoadScene, ShellNewScene

// Menu and browser entry points: act now when nothing is unsaved, else ask
// first through "Unsaved Changes".
void RequestNewScene();
void RequestOpenScene();
void RequestOpenScenePath(const char* path);

void OpenSceneDialog();   // opens "OpenScenePopup" in the next frame
void SaveSceneDialog();   // opens "SaveScenePopup" in the next frame
// "Unsaved Changes" (opened when g_pendingClose is set): "Save and Close",
// "Don't Save" (go on without writing anything; the recovery copy goes too)
// and "Cancel".
void DrawUnsavedChangesDialog();
// The recovery question ("Recover" / "Discard") while g_recoveryOffer is
// active, then "OpenScenePopup" and "SaveScenePopup" (shown with the titles
// "Open Scene" and "Save Scene As").
void DrawScenePopups();

// The scene file operations as the shell uses them (save, load, new).
bool ShellSaveScene(const char* path);
bool ShellLoadScene(const char* path);
void ShellNewScene();
