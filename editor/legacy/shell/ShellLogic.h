#pragma once
// Decisions of the application shell that need no window: how a close request
// is routed, what happens after "Save and Close", the scene autosave timer,
// the game splash phases, frame pacing, titles and scene-name checks. The
// main loop (editor/legacy/app) feeds them the current state and acts on the
// answer, so every rule here is testable without a display.
//
//   RouteCloseRequest / CloseNeedsPlayStop     close routing
//   ClassifyPendingAction                      what "Save and Close" continues with
//   AutosaveTick                               30 s of uninterrupted dirty editing
//   SplashAdvance                              fade in, hold, fade out
//   FramePacer, PaceClock, PaceMainLoopWith    frame pacing on any clock
//   WantedSwapInterval, RecordFrameTime        swap interval, frame-time ring
//   ComposeFrameTitle, ComposeDirtyTitle       window titles
//   ValidateSceneName, SceneFileNameFor        the "Save Scene As" name
//   PickFreeScenePath                          a scene path that overwrites nothing
//   RequestClose, RequestSceneSwitch           the close and scene-switch requests

#include <cstdint>
#include <functional>
#include <string>

// --- Close routing -----------------------------------------------------------

enum class CloseAction {
    CloseWindow,  // mark the window to close now
    AskUnsaved,   // open "Unsaved Changes"
};

// A running game closes on every request and never asks; the editor asks only
// in its editor state with unsaved changes.
CloseAction RouteCloseRequest(int32_t state, bool sceneDirty, bool gameBuild);

// Play mode rewrites the scene while it runs, so a close request in the
// editor stops play (restoring the edited scene) before deciding anything.
bool CloseNeedsPlayStop(int32_t state, bool playing, bool gameBuild);

enum class PendingKind {
    CloseWindow,  // empty text: the dialog was opened by a close request
    NewScene,     // "__NEW__"
    OpenDialog,   // "__OPEN__"
    LoadPath,     // any other text: a scene path to open
};
PendingKind ClassifyPendingAction(const char* pending);

// --- Autosave ------------------------------------------------------------------

struct AutosaveInputs {
    bool enabled = true;
    int32_t state = 0;
    bool sceneDirty = false;
    bool hasScenePath = false;
    bool playing = false;
    bool gameBuild = false;
};
constexpr float kAutosaveSeconds = 30.0f;

// Adds dt to the timer while every condition holds (editor state, dirty,
// saved before, not playing, not a running game); resets it otherwise.
// Returns true when the scene should be saved now (the timer is then 0).
bool AutosaveTick(float& timer, float dt, const AutosaveInputs& in);

// --- Game splash -----------------------------------------------------------------

constexpr float kSplashFadeSeconds = 0.8f;
constexpr float kSplashHoldSeconds = 1.5f;

// Advances the splash by dt (phases 0 fade in, 1 hold, 2 fade out, 3 done)
// and returns the logo alpha for this frame.
float SplashAdvance(int32_t& phase, float& timer, float dt);

// --- Frame pacing ------------------------------------------------------------------

class PaceClock {
public:
    virtual ~PaceClock() = default;
    virtual double Now() = 0;
    virtual void Sleep(double seconds) = 0;
};

struct FramePacer {
    bool hasState = false;
    int32_t lastState = 0;
    double nextFrame = 0.0;
};

constexpr double PaceRateFor(int32_t state) { return state == 1 ? 120.0 : 60.0; }

// One pacing step after a presented frame: sleeps (at most 20 ms) until the
// next frame time of the state's rate, then schedules the one after. A state
// change or falling more than 0.25 s behind restarts the schedule from now.
void PaceMainLoopWith(FramePacer& pacer, int32_t state, PaceClock& clock);

// Loading runs unsynchronised so its background steps advance quickly.
int32_t WantedSwapInterval(int32_t state);

// Stores dt in the frame-time ring (slot frameIdx modulo 300) and counts the
// frame; the count wraps before it could overflow.
void RecordFrameTimeIn(float* ring300, int32_t& frameIdx, float dt);

// --- Titles ------------------------------------------------------------------------

// The per-frame editor title: "Korvane - <project>" plus " [*]" when dirty.
std::string ComposeFrameTitle(const char* projName, bool dirty);
// The title set when the dirty state changes: "Korvane - <project>" plus " ●".
std::string ComposeDirtyTitle(const char* projName, bool dirty);

// --- Scene names ---------------------------------------------------------------------

// A "Save Scene As" name is a plain file name: not empty, no "/", "\\",
// "..", or control characters. On failure *why holds a message for the user.
bool ValidateSceneName(const std::string& name, std::string* why);
// The name with ".korvane" appended unless it already ends with it.
std::string SceneFileNameFor(const std::string& name);
// dir + "/" + stem + ext when nothing exists there, else the first free
// dir + "/" + stem + "_N" + ext (N = 1, 2, ...). Empty when none of the
// first 10000 is free.
std::string PickFreeScenePath(const std::string& dir, const std::string& stem, const std::string& ext,
                              const std::function<bool(const std::string&)>& exists);

// --- Close and scene-switch requests -------------------------------------------------

// Installed by the play-mode unit: stop playing and restore the edited scene.
extern void (*g_stopPlayModeHook)();
// Installed by the main loop: mark the window to close.
extern void (*g_markWindowCloseHook)();
// Set once the user chose to discard changes, so the loop's own close check
// (dirty editor + close mark) lets the window go.
extern bool g_closeWithoutSaving;

// A request to close the window: stops play in the editor first, then either
// marks the window to close or empties g_pendingSceneOpen and raises
// g_pendingClose (the "Unsaved Changes" dialog).
void RequestClose();
// The menu's new/open scene and the project browser's scene opening: true
// when the caller may go ahead now (nothing unsaved); otherwise the action
// ("__NEW__", "__OPEN__" or a scene path) is parked in g_pendingSceneOpen and
// the dialog is raised. A path that does not fit is refused (false, logged).
bool RequestSceneSwitch(const char* pending);
