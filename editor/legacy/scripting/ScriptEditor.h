#pragma once
// The script editor without its window: the open file, the buffer, find and
// replace, glyph normalisation, saving, and the analysis of the buffer. The
// panel (editor/ui/script) draws this state and calls these functions.
//
//   g_scriptEditorPath, g_scriptEditorText, g_scriptEditorDirty, ... (below)
//   ResolveEditorScriptPath, ReadScriptFile, ScriptTextEditable
//   OpenScriptInEditor, SaveScriptEditor, ScriptEditorCreateNew, ScriptEditorOpenSelected
//   ScriptEditorRequest / ScriptEditorResolvePending   the unsaved-edits question
//   CountOccurrences, ReplaceAllOccurrences, ScriptEditorReplaceAll
//   ScriptEditorNormalizeUnsupportedGlyphs
//   AnalyzeScriptEditor, ScriptEditorAutoAnalyzeTick, ScriptEditorNoteEdit
//   RefreshScriptMetaAfterSave

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "editor/legacy/scripting/ScriptAnalysis.h"

extern char g_scriptEditorPath[1024];  // resolved path of the open file; "" = nothing open
extern bool g_scriptEditorDirty;
extern std::string g_scriptEditorText;
extern std::string g_scriptEditorStatus;
extern int g_scriptEditorCursorLine, g_scriptEditorCursorCol;
extern bool g_scriptEditorAutoAnalyze;
extern double g_scriptEditorLastAnalyzeTime;
extern bool g_scriptEditorSearchOpen;
extern int g_scriptEditorSideMode;  // 0 Files, 1 Find, 2 Outline, 3 Problems
extern bool g_scriptEditorShowSidebar, g_scriptEditorSoftWrap, g_scriptEditorCommandPalette;
extern char g_scriptEditorSearch[128], g_scriptEditorReplace[128];
extern std::vector<ScriptDiagnostic> g_scriptEditorDiagnostics;
extern std::vector<ScriptOutlineItem> g_scriptEditorOutline;
extern int g_scriptEditorErrors, g_scriptEditorWarnings;
// A file that saving would change behind the user's back (NUL bytes, invalid
// UTF-8) is shown read-only and never written.
extern bool g_scriptEditorReadOnly;
// Bumped by every edit; the live analysis runs only when it moved.
extern uint64_t g_scriptEditorRevision, g_scriptEditorAnalyzedRevision;

constexpr size_t kScriptEditorMaxFileBytes = 8u * 1024u * 1024u;
constexpr const char* kScriptEditorTemplate = "return function(self, dt)\n    -- script logic\nend\n";
constexpr const char* kNewScriptText =
    "-- @export float moveSpeed 4.0\nreturn function(self, dt)\n    -- update\nend\n";

// Absolute paths as they are; else the script search of the script metadata;
// else under the project's Assets. "" when nothing is given.
std::string ResolveEditorScriptPath(const char* path);

enum class ScriptReadStatus { Ok, Missing, Error };
// Reads a regular file of at most kScriptEditorMaxFileBytes. Missing only for
// a file that does not exist; anything else that fails (permissions, a
// folder, a device, too large) is Error with a reason in why.
ScriptReadStatus ReadScriptFile(const std::string& path, std::string& out, std::string& why);
// No NUL byte and valid UTF-8: what the text field can show and save whole.
bool ScriptTextEditable(std::string_view text);

// Opens path now, dropping unsaved edits (callers ask first through
// ScriptEditorRequest). A missing file opens the template; a file that exists
// but cannot be read opens nothing and says why in the status. False when
// nothing was opened.
bool OpenScriptInEditor(const char* path);
// Writes the buffer to the open file (through a symbolic link to its target,
// keeping its mode); refreshes the script metadata of the entities using it.
bool SaveScriptEditor();
// "<project>/Assets/Scripts/NewScript<n>.fs", created exclusively with the
// first free n, then opened. Refused without an open project.
bool ScriptEditorCreateNew();
// The selected project file when it is a script, else the selected entity's
// script; nothing otherwise.
void ScriptEditorOpenSelected();

// What would drop unsaved edits goes through here: done at once when the
// buffer is clean, else remembered until the user answers.
enum class ScriptEditorAction { None, Open, Reload, Close };
void ScriptEditorRequest(ScriptEditorAction action, const char* path = nullptr);
ScriptEditorAction ScriptEditorPendingAction();
const std::string& ScriptEditorPendingPath();
enum class ScriptEditorAnswer { Save, Discard, Cancel };
// Save: saves, then acts (a failed save keeps the edits and acts not).
void ScriptEditorResolvePending(ScriptEditorAnswer answer);
// Set when a request waits; the panel hides itself when Close went through.
extern bool g_scriptEditorCloseRequested;

size_t CountOccurrences(std::string_view text, std::string_view needle);
// Replaces non-overlapping occurrences left to right, continuing after each
// inserted replacement; returns how many.
size_t ReplaceAllOccurrences(std::string& text, std::string_view find, std::string_view replacement);
void ScriptEditorReplaceAll();
bool ScriptEditorNormalizeUnsupportedGlyphs(std::string& text);

// keepStatus: opening keeps its "Opened ..." status (the strip shows the counts).
void AnalyzeScriptEditor(bool keepStatus = false);
// The live analysis: while automatic analysis is on, the buffer is dirty and
// changed since the last run, at most every 0.35 s.
void ScriptEditorAutoAnalyzeTick(double now);
// Call after the text field changed the buffer.
void ScriptEditorNoteEdit();

// After savedPath was written: entries of g_scriptMeta parsed from that file
// are read again (values kept where name and type match); then every scripted
// entity's entry is brought up to date.
void RefreshScriptMetaAfterSave(const std::string& savedPath);

// Test seam: every global above back to its start value.
void ResetScriptEditorState();
