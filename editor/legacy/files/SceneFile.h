#pragma once
// The ".korvane" scene file: one record per line, a keyword first, fields
// separated by single blanks, floats as "%.9g" (locale independent), texts
// quoted with backslash escapes.
//
//   SaveScene(path)       temporary file, optional verify and fsync, ".bak"
//                         backup, atomic rename
//   LoadScene(path)       tolerant reader of every older line form; the open
//                         scene changes only when the whole file was read
//   NewScene()            the two-entity starter scene
//   SceneEscape, SceneQuote, SceneReadQuoted, SceneFileLooksComplete
//   FlushFileToDisk, ReplaceFileAtomicallyWithBackup, CopyFileBytesReliable,
//   EnsureParentDirForFile
//
// Switches (read at every save; "set" = present and not "0"):
//   KORVANE_SAVE_FSYNC    force the temporary file to disk before the rename
//   KORVANE_SAVE_VERIFY   re-read the temporary file before the rename
//   KORVANE_SCENE_BACKUP  "0" turns the ".bak" copy off (on by default)

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

constexpr const char* kSceneHeader = "# Korvane Scene v3";
// Longest line the reader accepts (without its line end); longer lines are
// skipped whole.
constexpr size_t kSceneMaxLine = 8191;

bool SaveScene(const char* path);
bool LoadScene(const char* path);
void NewScene();

// Writes the open scene to path through the same writer and atomic replace
// as SaveScene (temporary sibling, optional verify and fsync, rename), but
// nothing else: no ".bak", and g_scenePath, the dirty mark, the layout save
// and the "Scene saved" line stay as they are. Refused while playing. False
// with a logged reason on failure.
bool SaveSceneCopy(const char* path);

// Installed by the shell (null = nothing): after every successful LoadScene,
// and after every successful SaveScene with the path saved to and the scene
// path before the save.
extern void (*g_sceneLoadedHook)(const char* path);
extern void (*g_sceneSavedHook)(const char* path, const char* previousPath);

std::string SceneEscape(std::string_view text);
std::string SceneQuote(std::string_view text);

// A position inside one line of text, for the reader.
struct SceneLineCursor {
    const char* p = nullptr;
    const char* end = nullptr;
    SceneLineCursor() = default;
    explicit SceneLineCursor(std::string_view line) : p(line.data()), end(line.data() + line.size()) {}
};
// Skips blanks; a field not starting with '"' is one blank-delimited token
// (older files) and must be non-empty; a quoted field is unescaped up to the
// closing quote, and the line ending before it fails. On failure the cursor
// is left where it was.
bool SceneReadQuoted(SceneLineCursor& in, std::string& out);

bool SceneFileLooksComplete(const char* path, size_t expectedEntities);

// fflush, ferror and, when KORVANE_SAVE_FSYNC is set, fsync.
bool FlushFileToDisk(FILE* f);
// Keeps target as backup (when backups are on and target exists), then
// renames tmp over target. A failed backup warns and removes the partial
// copy; only the rename decides the result.
bool ReplaceFileAtomicallyWithBackup(const char* tmp, const char* target, const char* backup);
// Copies all bytes; a failed copy removes the partial destination.
bool CopyFileBytesReliable(const char* src, const char* dst);
// MkdirP of the directory part of path; a path without "/" creates nothing.
void EnsureParentDirForFile(const char* path);

// Called after a successful save in the editor state, so the editor layout
// state is saved with the scene. Installed by the shell; null = nothing.
extern void (*g_sceneSavedEditorStateHook)();

// ---- Field helpers shared by the scene and material readers ----------------

// Appends "%.9g" of v as the C locale writes it.
void SceneAppendFloat(std::string& out, float v);
void SceneAppendInt(std::string& out, long long v);
// Reads one blank-delimited number; the whole token must be a number. On
// failure the cursor does not move. A number that is not finite or out of
// float range is consumed but reported through usable = false, so callers
// keep the field's previous value.
bool SceneReadFloat(SceneLineCursor& in, float& out, bool* usable = nullptr);
bool SceneReadInt(SceneLineCursor& in, int& out);
// Skips blanks (spaces and tabs); true when something other than the end of
// the line follows.
bool SceneSkipBlanks(SceneLineCursor& in);
