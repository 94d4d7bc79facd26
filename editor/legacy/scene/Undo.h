#pragma once
// Undo and redo over whole-scene snapshots. Before an edit the caller takes a
// SceneSnapshot; the finished edit pushes it with a label. Continuous edits
// (drags) go through the single pending slot: begin at drag start, commit on
// release after a change, cancel on release without one.
//
//   SceneSnapshot UndoEntry g_undoStack g_redoStack
//   g_undoPendingSnapshot g_undoPendingLabel g_undoPendingActive
//   CaptureSceneSnapshot RestoreSceneSnapshot
//   UndoPushSnapshot UndoBeginSnapshotFrom UndoCommitPending UndoCancelPending
//   PerformUndo PerformRedo UndoClearHistory
//
// History is bounded twice: at most kUndoMaxEntries undo entries, and at most
// g_undoByteCap bytes over both stacks (oldest undo entries go first).
// Snapshots share the records that did not change (UndoSnapshot.h), and the
// byte count follows: a shared block counts once while any entry holds it,
// so dropping the oldest entry frees only what no later entry shares.

#include <cstddef>
#include <cstdint>
#include <deque>

#include "editor/legacy/scene/UndoSnapshot.h"

struct UndoEntry {
    SceneSnapshot snapshot;
    char label[64] = "";
    size_t bytes = 0;  // the entry's own lists; shared blocks are counted apart
};

constexpr size_t kUndoMaxEntries = 256;
constexpr size_t kUndoDefaultByteCap = size_t(512) << 20;  // 512 MiB

extern std::deque<UndoEntry> g_undoStack;  // oldest first
extern std::deque<UndoEntry> g_redoStack;  // newest undone last
extern SceneSnapshot g_undoPendingSnapshot;
extern char g_undoPendingLabel[64];
extern bool g_undoPendingActive;
extern size_t g_undoByteCap;  // bytes over both stacks; settable for tests and settings

// Bytes held by both stacks: every entry's own lists plus every block any
// entry references, each block once.
size_t UndoHistoryBytes();

// Records a finished edit (label null or empty -> "Inspector Change"), empties
// the redo stack and marks the scene dirty.
void UndoPushSnapshot(const SceneSnapshot& s, const char* label);
// Opens the pending edit; ignored while one is open (the first snapshot of a
// drag wins).
void UndoBeginSnapshotFrom(const SceneSnapshot& s, const char* label);
// Pushes the pending snapshot (label null/empty -> the pending label).
void UndoCommitPending(const char* label);
// Closes the pending edit unrecorded, unless label is non-empty and names
// another widget's pending edit.
void UndoCancelPending(const char* label);

// Both mark the scene dirty: the restored state differs from what was saved.
void PerformUndo();
void PerformRedo();

// Empties both stacks and the pending slot: called on new scene, scene load
// and project switch so undo never brings another scene's content back.
void UndoClearHistory();
