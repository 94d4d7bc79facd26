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

static size_t s_historyBytes = 0;  // see HoldEntry

static const char* const kDefaultLabel = "Inspector Change";

// An entry's own lists count while it is in the history; its blocks count
// from the first entry that holds them to the last (HoldSnapshotBlocks).
static void HoldEntry(UndoEntry& entry) {
    entry.bytes = sizeof(UndoEntry) - sizeof(SceneSnapshot) + SnapshotOwnBytes(entry.snapshot);
    s_historyBytes += entry.bytes + HoldSnapshotBlocks(entry.snapshot);
}

static void ReleaseEntry(const UndoEntry& entry) {
    s_historyBytes -= entry.bytes + ReleaseSnapshotBlocks(entry.snapshot);
}

size_t UndoHistoryBytes() { return s_historyBytes; }

static void ClosePending() {
    g_undoPendingActive = false;
    g_undoPendingLabel[0] = '\0';
    // Let go of the blocks only the pending snapshot still shares.
    g_undoPendingSnapshot = SceneSnapshot();
}

static void DropFront(std::deque<UndoEntry>& stack) {
    ReleaseEntry(stack.front());
    stack.pop_front();
}

static void PushEntry(std::deque<UndoEntry>& stack, SceneSnapshot&& snapshot, const char* label) {
    UndoEntry entry;
    entry.snapshot = std::move(snapshot);
    CopyTextField(entry.label, (label && label[0]) ? label : kDefaultLabel);
    HoldEntry(entry);
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
    ReleaseEntry(taken);
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
    while (!g_undoStack.empty()) DropFront(g_undoStack);
    ClearRedo();
    ClosePending();
    // The next capture belongs to another scene (or starts this one afresh):
    // nothing to share with, and the old records need not stay alive.
    ForgetSnapshotReference();
}
