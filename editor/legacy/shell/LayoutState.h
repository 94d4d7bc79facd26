#pragma once
// Per-project editor layout: the UI toolkit's settings text (dock tree,
// window positions) in "<project>/Library/editor_layout.ini" and the editor's
// own state (open panels, camera, view toggles, preferences, recent scripts,
// window rectangle) in "<project>/Library/editor_state.ini". Both are written
// only when their bytes change, through a temporary file and a rename.
//
//   EditorLibraryDir / EditorIniPath / EditorStatePath
//   SaveEditorLayoutState()        both files (nothing without a project)
//   LoadEditorLayoutState()        both, once per project (the loading sequence)
//   TickEditorLayoutAutosave(now)  the main loop's 30 s / forced cadence
//   ReadEditorLayoutVersion()      the state file's "layout_version", 0 if none
//   EditorIniLooksDocked(path)     the toolkit text holds the docked editor
//   EditorStateEscape / EditorStateReadQuoted   the quoted path of a record
//   BuildEditorStateText / ApplyEditorStateText the state file as plain text
//   g_layoutStateHooks             the toolkit and window pieces (installed by
//                                  the editor frame; empty in headless use)
//
// Headless: the values that live with the UI (camera, preview overlay,
// navigation speed, resolution, scale lock, window) travel through an
// EditorLayoutValues record that the hooks fill and apply.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr int kEditorLayoutVersion = 9;
// The toolkit's text is refused at this size (a corrupt or runaway layout).
constexpr size_t kMaxEditorIniBytes = 1048576;
// Lines of the state file longer than this are ignored whole. Long enough for
// a recent-script record with an escaped path of PATH_MAX bytes.
constexpr size_t kMaxEditorStateLine = 8960;

// Everything the state file records, with the start-up values.
struct EditorLayoutValues {
    // Hierarchy, Inspector, Project Browser, Console, Profiler, Build,
    // Settings, Game, Preview, Script Editor.
    bool panels[10] = {true, true, true, true, false, false, false, false, false, false};
    int32_t viewMode = 0;
    bool showGrid = true;
    bool snapGrid = false;
    float camYaw = 0.5f, camPitch = 0.35f, camDist = 12.0f;
    float camTarg[3] = {0.0f, 1.0f, 0.0f};
    bool showPreview = false;
    int32_t pvCamId = -1;
    float pvPos[2] = {0.0f, 0.0f};
    int32_t theme = 0;
    float fontScale = 1.0f;
    bool autoSave = true;
    float navSpeed = 1.0f;
    int32_t resScale = 0;
    int32_t buildPlatform = 1;
    int32_t buildConfig = 1;
    bool uniformScaleLock = false;
    int32_t window[4] = {0, 0, 0, 0};  // x, y, width, height; zeros without a window
};

struct LayoutStateHooks {
    // Fill / apply the values that live with the UI (camera, preview overlay,
    // navigation speed, resolution, scale lock, window rectangle). Apply also
    // sets the camera's transition targets so that no transition runs.
    void (*captureUiValues)(EditorLayoutValues& v) = nullptr;
    void (*applyUiValues)(const EditorLayoutValues& v) = nullptr;
    // The toolkit's settings as text, and loading such a text into it.
    std::string (*uiSettingsText)() = nullptr;
    void (*loadUiSettingsText)(const std::string& text) = nullptr;
    // SetDefaultPanelVisibility of the editor frame.
    void (*setDefaultPanelVisibility)() = nullptr;
};
extern LayoutStateHooks g_layoutStateHooks;

// "<project>/Library", or "$HOME/.korvane/Library" without a project. Only
// computes the path: folders are made when a file is written into them.
std::string EditorLibraryDir();
std::string EditorIniPath();
std::string EditorStatePath();

// The editor's globals gathered into one record (UI values through the hook).
EditorLayoutValues CaptureEditorLayoutValues();
// Puts a record back into the globals (UI values through the hook).
void ApplyEditorLayoutValues(const EditorLayoutValues& v);

// The state file for these values and recent scripts (most recent first;
// written last to first so that re-adding them in file order restores it).
std::string BuildEditorStateText(const EditorLayoutValues& v, const std::vector<std::string>& recentScripts);

// Reads a state file's text into v. "panels" is taken only when
// panelsUsable; numbers that are not finite keep the value v had; pitch,
// distance, font scale, navigation speed and the indices are clamped. Recent
// script paths are appended to recentOut in file order. Lines longer than
// kMaxEditorStateLine are ignored whole.
void ApplyEditorStateText(const std::string& text, bool panelsUsable, EditorLayoutValues& v,
                          std::vector<std::string>& recentOut);

// Writes both files for the current project. Nothing happens without a
// project root, or before the state was loaded for this project (so a save
// never writes one project's layout, or start-up defaults, over a layout
// that has not been read yet). True when every write that was due succeeded.
bool SaveEditorLayoutState();
// Reads both files once per project; a missing, older or undocked layout
// falls back to the default layout and panel visibility.
void LoadEditorLayoutState();
// The main loop's cadence: saves when forced or 30 s after the last save.
// Returns true when it saved (or tried to).
bool TickEditorLayoutAutosave(double now);

int ReadEditorLayoutVersion();
bool EditorIniLooksDocked(const char* path);
// Same check over a text already in memory.
bool EditorIniTextLooksDocked(const std::string& text);

std::string EditorStateEscape(const std::string& text);
// The first double-quoted text of line, with its escapes undone; true only
// when the closing quote was found.
bool EditorStateReadQuoted(const char* line, std::string& out);
