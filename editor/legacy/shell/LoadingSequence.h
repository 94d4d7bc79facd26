#pragma once
// The loading state between the project hub and the editor (and at the start
// of a built game): a fixed table of twelve steps run a few per presented
// frame, so the loading screen keeps animating while meshes, framebuffers,
// input, audio, particles, icons and then the project's scene are set up.
// A second project in the same run starts at the project steps (8..10).
//
//   BeginProjectLoading()        enter the loading state for g_projectRoot
//   AdvanceLoadingWork()         run the next steps (after a presented loader frame)
//   UpdateLoadingProgress()      g_loadProg / g_loadMsg for the loading screen
//   g_loadingSteps               the step table; GPU/audio work is installed by
//                                the application layer, tests replace any step
//   LoadingOpenProjectScene()    step 8: folders, script seeding, the scene
//   ChooseProjectSceneFile()     "Default.korvane", else the first by name
//   BuildStarterScene()          the nine-entity scene of a fresh project
//   SeedProjectScripts()         copy missing built-in scripts, keep a marker
//   CopyScriptsMissingOnly() copy without overwriting or following links
//
// Everything here is headless; editor/ui/frame/LoadingSteps.cpp installs the
// GL steps and editor/ui/shell/LoadingScreen.cpp draws the screen.

#include <cstdint>
#include <functional>
#include <string>

extern int32_t g_loadingStep;        // next step, 0..11; 11 = finished
extern int32_t g_loadingFirstStep;   // 0, or 8 once the engine is initialised
extern bool g_runtimeCoreInitialized;
extern int32_t g_loaderPresentedFrames;
extern bool g_loaderFrameRenderedThisFrame;
extern float g_loadProg;             // 0..0.985
extern char g_loadMsg[128];
extern float g_loaderFade;           // 0..1

constexpr int kLoadingStepCount = 12;
constexpr int kLoadingDoneStep = 11;
constexpr int kLoadingProjectStep = 8;

struct LoadingStep {
    const char* message;
    bool endsBatch;               // the frame's batch stops after this step
    std::function<bool()> work;   // true = finished; false = run again next time. Empty = nothing to do
};
extern LoadingStep g_loadingSteps[kLoadingStepCount];
// Puts back the built-in table (headless work only; GPU steps empty).
void ResetLoadingSteps();

// Outside work the sequence consults; each may stay null.
struct LoadingHooks {
    bool (*modelImportRunning)() = nullptr;  // a background model import is in flight
    bool (*buildRunning)() = nullptr;        // a game build is in flight
    void (*resetEditorLayout)() = nullptr;   // ResetEditorLayoutForProjectSwitch
    void (*prewarmLoaderArtwork)() = nullptr;
    void (*preloadSceneAssets)() = nullptr;  // PreloadRuntimeSceneAssets
    void (*loadEditorLayoutState)() = nullptr;
};
extern LoadingHooks g_loadingHooks;

// Enters the loading state. Refused (false, logged, nothing changed) while a
// model import or a build runs, since their results belong to the open
// project. Stops play mode and clears the undo history first.
bool BeginProjectLoading();
// Makes the i-th listed project current and opens it (the hub's card click).
void OpenProjectByIndex(int i);
void AdvanceLoadingWork();
void UpdateLoadingProgress();
// Progress shown while `step` is next, for a loading that began at `first`.
float LoadingProgressFor(int first, int step);
const char* LoadingMessageFor(int step);

// Step 8 (editor and game runtime) and step 10.
void LoadingOpenProjectScene();
void LoadingStartEditor();

// Full path of the scene to open in scenesDir, or "" when there is none.
std::string ChooseProjectSceneFile(const std::string& scenesDir);
// NewScene plus Player, Health Orb, Pillar, Ring, Spike, Enemy, CameraFollow.
void BuildStarterScene();

// Copies every missing entry of source into destination (recursively),
// never overwriting and never following symbolic links (a link in the source
// is skipped, whatever it points to); names starting with "." are skipped.
// Stricter than the build's CopyDirContentsMissingOnly, which copies the
// files that links point to. True when every copy that was needed succeeded (a missing
// source copies nothing and counts as success).
bool CopyScriptsMissingOnly(const std::string& source, const std::string& destination);
// Seeds "<project>/Assets/Scripts" from "<asset root>/scripts" when the
// marker "<project>/Library/.scripts_seeded" does not hold the source
// folder's modification time; the marker is rewritten only after every copy
// succeeded, so a failed copy is retried at the next opening.
bool SeedProjectScripts(const std::string& assetRoot, const std::string& projectRoot);
// Modification time (seconds) of a directory, 0 when it cannot be read.
long long ScriptSourceStamp(const std::string& dir);
