#pragma once
// Play mode: runs the edited scene inside the editor (and the built game's
// scene). Start takes a full scene snapshot, every unpaused frame runs the
// input, the built-in behaviours and the simulation steps in a fixed order,
// and Stop puts the snapshot back, so nothing done during play survives.
// Headless: the cursor, audio and UI canvases are reached through
// g_playHooks, which the application (and later units) install.
//
//   g_playing g_playPaused (AppState.h)   running / paused
//   g_playSnapshot g_playSnapshotValid    the scene to restore at Stop
//   g_playMouseCaptured                   the game holds the mouse
//   StartPlayMode TogglePlayPaused StopPlayMode   the transport
//   StartGameRuntimePlay                  the built game after its splash
//   SetPlayCursorCaptured                 cursor mode through the hook
//   TickPlayMode(dt)                      input, behaviours, liquids, physics,
//                                         particles, audio, canvases
//   ReleasePlayMouseForEscape             Escape in the editor
//   InstallPlayModeGuards                 save/undo/replace rules while playing

#include "editor/legacy/scene/Undo.h"

extern SceneSnapshot g_playSnapshot;
extern bool g_playSnapshotValid;
extern bool g_playMouseCaptured;

struct PlayHooks {
    // Cursor disabled (captured) or normal; the main loop installs it.
    void (*setCursorCaptured)(bool captured) = nullptr;
    // Filled by the audio and canvas units; called at the end of each tick.
    void (*audioUpdate)() = nullptr;
    void (*uiRenderCanvas)(Entity& e) = nullptr;  // every entity, in scene order
};
extern PlayHooks g_playHooks;

void StartPlayMode();
void TogglePlayPaused();
// reason null or empty logs "Play mode stopped"; "Stop" logs
// "Play mode stopped: Stop".
void StopPlayMode(const char* reason = nullptr);
// The built game: playing without a snapshot (nothing to restore).
void StartGameRuntimePlay();
void SetPlayCursorCaptured(bool captured);
// Escape while playing in the editor: the mouse goes back, play runs on.
void ReleasePlayMouseForEscape();

void TickPlayMode(float dt);

// Installs the rules that keep play from corrupting the edited scene: the
// scene file and undo calls refuse while playing, a scene replacement stops
// play first (dropping the snapshot). Called once at start-up; the shell's
// own stop hook (close, project switch) is installed beside it by the app.
void InstallPlayModeGuards();
