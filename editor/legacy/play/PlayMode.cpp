#include "editor/legacy/play/PlayMode.h"

#include <utility>

#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/play/Behaviours.h"
#include "editor/legacy/play/Input.h"
#include "editor/legacy/play/Liquids.h"
#include "editor/legacy/play/Particles.h"
#include "editor/legacy/play/Physics.h"
#include "editor/legacy/scene/EntityStore.h"

SceneSnapshot g_playSnapshot;
bool g_playSnapshotValid = false;
bool g_playMouseCaptured = false;
PlayHooks g_playHooks;

namespace {

// The dirty mark of the edited scene: whatever marks the played scene dirty
// describes a scene that Stop throws away. (Undo records nothing while
// playing; see UndoPushSnapshot.)
bool s_dirtyAside = false;

void PutEditedStateAside() {
    UndoCancelPending(nullptr);
    s_dirtyAside = g_sceneDirty;
}

void BringEditedStateBack() {
    UndoCancelPending(nullptr);
    if (g_sceneDirty != s_dirtyAside) {
        g_sceneDirty = s_dirtyAside;
        UpdateWindowTitle();
    }
}

// A scene is about to be replaced. Play stops the ordinary way, putting the
// edited scene back first: if the replacement then fails (a missing or
// broken file), the user is left with the edited scene, not the played one.
void StopPlayForSceneReplace() {
    if (!g_playing && !g_playSnapshotValid) return;
    StopPlayMode("scene replaced");
}

}  // namespace

void SetPlayCursorCaptured(bool captured) {
    g_playMouseCaptured = captured;
    if (g_playHooks.setCursorCaptured) g_playHooks.setCursorCaptured(captured);
}

void StartPlayMode() {
    if (g_playing) {
        g_playPaused = false;
        SetPlayCursorCaptured(true);
        return;
    }
    g_playSnapshot = CaptureSceneSnapshot();
    g_playSnapshotValid = true;
    PutEditedStateAside();
    g_playing = true;
    g_showGame = true;
    g_playPaused = false;
    InputSyncToCurrent();
    SetPlayCursorCaptured(true);
    Log(2, "Play mode started");
}

void TogglePlayPaused() {
    if (!g_playing) return;
    g_playPaused = !g_playPaused;
    SetPlayCursorCaptured(!g_playPaused);
    Log(2, g_playPaused ? "Play mode paused" : "Play mode resumed");
}

void StopPlayMode(const char* reason) {
    if (!g_playing && !g_playSnapshotValid) return;
    g_playing = false;
    g_playPaused = false;
    if (g_playSnapshotValid) {
        RestoreSceneSnapshot(g_playSnapshot);
        g_playSnapshotValid = false;
        g_playSnapshot = SceneSnapshot();
        BringEditedStateBack();
    }
    InputClearStates();
    SetPlayCursorCaptured(false);
    const bool hasReason = reason && *reason;
    Log(2, "Play mode stopped%s%s", hasReason ? ": " : "", hasReason ? reason : "");
}

void StartGameRuntimePlay() {
    g_playing = true;
    g_showGame = true;
    g_playPaused = false;
    g_playSnapshotValid = false;
    InputSyncToCurrent();
    SetPlayCursorCaptured(true);
    Log(2, "Game started");
}

void ReleasePlayMouseForEscape() {
    SetPlayCursorCaptured(false);
    Log(2, "Play mode mouse released (ESC). Use Stop to exit play mode.");
}

void TickPlayMode(float dt) {
    if (!g_playing || g_playPaused) return;
    // One clamp for every step, so a hitch moves behaviours, liquids and
    // bodies by the same bounded amount.
    dt = ClampPlayDt(dt);
    InputSample(g_playMouseCaptured);
    RunBehaviours(dt);
    LiquidUpdateAll(dt);
    PhysicsSimulate(dt);
    ParticleUpdateAll(dt);
    if (g_playHooks.audioUpdate) g_playHooks.audioUpdate();
    if (g_playHooks.uiRenderCanvas) {
        for (size_t i = 0; i < g_ents.size(); ++i) g_playHooks.uiRenderCanvas(g_ents[i]);
    }
}

void InstallPlayModeGuards() {
    g_playStopForSceneReplaceHook = StopPlayForSceneReplace;
}
