#include "editor/legacy/scene/Undo.h"

#include "editor/legacy/base/AppState.h"

#include <cstring>
#include <utility>

#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/scene/EntityStore.h"

std::deque<UndoEntry> g_undoStack;
std::deque<UndoEntry> g_redoStack;
SceneSnapshot g_undoPendingSnapshot;
char g_undoPendingLabel[64] = "";
bool g_undoPendingActive = false;
size_t g_undoByteCap = kUndoDefaultByteCap;

static size_t s_historyBytes = 0;  // sum of entry.bytes over both stacks

static const char* const kDefaultLabel = "Inspector Change";

SceneSnapshot CaptureSceneSnapshot() {
    SceneSnapshot s;
    s.ents = g_ents;
    s.nextId = g_nextId;
    s.selId = g_selId;
    s.lastSelId = g_lastEntitySelId;
    s.ambientStrength = g_ambientStrength;
    s.exposure = g_lightingExposure;
    s.engine = g_engine;
    CopyTextField(s.inspectorMatPath, g_inspectorMatPath);
    s.inspectorEditMat = g_inspectorEditMat;
    CopyTextField(s.selFilePath, g_selFilePath);
    s.scriptMeta = g_scriptMeta;
    return s;
}

void RestoreSceneSnapshot(const SceneSnapshot& s) {
    g_ents = s.ents;
    g_nextId = s.nextId;
    g_selId = s.selId;
    g_lastEntitySelId = s.lastSelId;
    g_ambientStrength = s.ambientStrength;
    g_lightingExposure = s.exposure;
    g_engine = s.engine;
    CopyTextField(g_inspectorMatPath, s.inspectorMatPath);
    g_inspectorEditMat = s.inspectorEditMat;
    CopyTextField(g_selFilePath, s.selFilePath);
    g_scriptMeta = s.scriptMeta;
    RebuildEntityIndex();
    if (!EntityExists(g_selId)) g_selId = -1;
    if (!EntityExists(g_lastEntitySelId)) g_lastEntitySelId = -1;
}

size_t SnapshotBytes(const SceneSnapshot& s) {
    size_t bytes = sizeof(SceneSnapshot) + s.ents.capacity() * sizeof(Entity);
    for (const Entity& e : s.ents) bytes += e.children.capacity() * sizeof(int32_t);
    // Node-based map: one allocation per entry plus the bucket array.
    bytes += s.scriptMeta.size() * (sizeof(ScriptMeta) + sizeof(int32_t) + 2 * sizeof(void*));
    bytes += s.scriptMeta.bucket_count() * sizeof(void*);
    return bytes;
}

size_t UndoHistoryBytes() { return s_historyBytes; }

static void ClosePending() {
    g_undoPendingActive = false;
    g_undoPendingLabel[0] = '\0';
    // Release the copy: a pending snapshot of a large scene is megabytes.
    g_undoPendingSnapshot = SceneSnapshot();
}

static void DropFront(std::deque<UndoEntry>& stack) {
    s_historyBytes -= stack.front().bytes;
    stack.pop_front();
}

static void PushEntry(std::deque<UndoEntry>& stack, SceneSnapshot&& snapshot, const char* label) {
    UndoEntry entry;
    entry.snapshot = std::move(snapshot);
    CopyTextField(entry.label, (label && label[0]) ? label : kDefaultLabel);
    entry.bytes = SnapshotBytes(entry.snapshot);
    s_historyBytes += entry.bytes;
    stack.push_back(std::move(entry));
}

// Keeps the entry cap and the byte cap. The oldest undo entries go first;
// the newest entry of all is always kept, however large, so the last edit
// stays undoable.
static void TrimHistory() {
    while (g_undoStack.size() > kUndoMaxEntries) DropFront(g_undoStack);
    while (s_historyBytes > g_undoByteCap && g_undoStack.size() + g_redoStack.size() > 1) {
        if (!g_undoStack.empty() && (g_undoStack.size() > 1 || !g_redoStack.empty()))
            DropFront(g_undoStack);
        else
            DropFront(g_redoStack);
    }
}

static void ClearRedo() {
    while (!g_redoStack.empty()) DropFront(g_redoStack);
}

static void PushUndo(SceneSnapshot&& snapshot, const char* label) {
    MarkSceneDirty();
    PushEntry(g_undoStack, std::move(snapshot), label);
    ClearRedo();
    TrimHistory();
}

void UndoPushSnapshot(const SceneSnapshot& s, const char* label) {
    // An edit made during play changes the played scene, which Stop throws
    // away: recording it would let undo bring played state into the edited
    // scene (and would empty the redo stack of the edited one).
    if (g_playing) return;
    SceneSnapshot copy = s;
    PushUndo(std::move(copy), label);
}

void UndoBeginSnapshotFrom(const SceneSnapshot& s, const char* label) {
    if (g_undoPendingActive || g_playing) return;
    g_undoPendingSnapshot = s;
    CopyTextField(g_undoPendingLabel, label ? label : kDefaultLabel);
    g_undoPendingActive = true;
}

void UndoCommitPending(const char* label) {
    if (!g_undoPendingActive) return;
    if (g_playing) {
        UndoCancelPending(nullptr);
        return;
    }
    char chosen[sizeof(g_undoPendingLabel)];
    CopyTextField(chosen, (label && label[0]) ? label : g_undoPendingLabel);
    PushUndo(std::move(g_undoPendingSnapshot), chosen);
    ClosePending();
}

void UndoCancelPending(const char* label) {
    if (!g_undoPendingActive) return;
    if (label && label[0]) {
        // Compare as stored: the pending label was cut to the field size.
        char cut[sizeof(g_undoPendingLabel)];
        CopyTextField(cut, label);
        if (std::strcmp(cut, g_undoPendingLabel) != 0) return;
    }
    ClosePending();
}

// Moves the newest entry of `from` onto `to` as the current scene, then
// restores the entry's snapshot.
static bool SwapWithHistory(std::deque<UndoEntry>& from, std::deque<UndoEntry>& to, char (&label)[64]) {
    if (from.empty()) return false;
    UndoEntry taken = std::move(from.back());
    from.pop_back();
    s_historyBytes -= taken.bytes;
    CopyTextField(label, taken.label);
    PushEntry(to, CaptureSceneSnapshot(), taken.label);
    RestoreSceneSnapshot(taken.snapshot);
    ClosePending();
    TrimHistory();
    // The scene now differs from what was last saved (or loaded).
    MarkSceneDirty();
    return true;
}

void PerformUndo() {
    if (RefusedWhilePlaying("undo")) return;
    char label[64];
    if (SwapWithHistory(g_undoStack, g_redoStack, label)) Log(2, "Undo: %s", label);
}

void PerformRedo() {
    if (RefusedWhilePlaying("redo")) return;
    char label[64];
    if (SwapWithHistory(g_redoStack, g_undoStack, label)) Log(2, "Redo: %s", label);
}

void UndoClearHistory() {
    g_undoStack.clear();
    g_redoStack.clear();
    s_historyBytes = 0;
    ClosePending();
}
