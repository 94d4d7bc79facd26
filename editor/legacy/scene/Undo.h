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

#include <cstddef>
#include <cstdint>
#include <deque>
#include <unordered_map>
#include <vector>

#include "editor/legacy/scene/Entity.h"

struct SceneSnapshot {
    std::vector<Entity> ents;  // full copies, children included
    int32_t nextId = 1;
    int32_t selId = -1;
    int32_t lastSelId = -1;
    float ambientStrength = 0.1f;
    float exposure = 1.15f;
    EngineRenderSettings engine;
    char inspectorMatPath[1024] = "";
    Material inspectorEditMat;
    char selFilePath[1024] = "";
    EntityIdMap<ScriptMeta> scriptMeta;
};

struct UndoEntry {
    SceneSnapshot snapshot;
    char label[64] = "";
    size_t bytes = 0;  // SnapshotBytes(snapshot), kept for the byte cap
};

constexpr size_t kUndoMaxEntries = 256;
constexpr size_t kUndoDefaultByteCap = size_t(512) << 20;  // 512 MiB

extern std::deque<UndoEntry> g_undoStack;  // oldest first
extern std::deque<UndoEntry> g_redoStack;  // newest undone last
extern SceneSnapshot g_undoPendingSnapshot;
extern char g_undoPendingLabel[64];
extern bool g_undoPendingActive;
extern size_t g_undoByteCap;  // bytes over both stacks; settable for tests and settings

SceneSnapshot CaptureSceneSnapshot();
// Writes every captured value back and rebuilds the index; a selection that
// no longer exists becomes -1. Does not touch the dirty flag or the stacks.
void RestoreSceneSnapshot(const SceneSnapshot& s);

// Memory a snapshot holds (entities, children lists, script metadata).
size_t SnapshotBytes(const SceneSnapshot& s);
// Bytes held by both stacks.
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
