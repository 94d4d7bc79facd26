// Undo and redo over scene snapshots: fidelity of a scripted edit series,
// the pending slot used by drags, the entry and byte caps, and the dirty
// mark that keeps undone changes from looking saved.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/scene/Entity.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/scene/Undo.h"
#include "tests/support/SceneModel.h"

namespace {

using korvane::test::ResetSceneModel;
using korvane::test::SameSnapshot;

class UndoTest : public ::testing::Test {
protected:
    void SetUp() override { ResetSceneModel(); }
    void TearDown() override { ResetSceneModel(); }

    // A discrete edit the way editor widgets record one.
    template <class F>
    static void Edit(const char* label, F change) {
        SceneSnapshot before = CaptureSceneSnapshot();
        change();
        UndoPushSnapshot(before, label);
    }
};

TEST_F(UndoTest, UndoAllRestoresStartAndRedoAllRestoresEnd) {
    int32_t a = AddEnt("Player", -1)->id;
    int32_t b = AddEnt("Crate", -1)->id;
    int32_t c = AddEnt("Lid", b)->id;
    GetEnt(a)->hasScript = true;
    CopyTextField(GetEnt(a)->script.scriptPath, "Assets/Scripts/player.fs");
    ScriptMeta meta;
    meta.fieldCount = 1;
    CopyTextField(meta.fields[0].fieldName, "speed");
    meta.fields[0].fieldValue = 4.0f;
    g_scriptMeta[a] = meta;
    g_selId = a;
    UndoClearHistory();
    const SceneSnapshot start = CaptureSceneSnapshot();

    Edit("Change Position", [&] { GetEnt(a)->transform.position = {5, 1, -2}; });
    Edit("Change Fog", [&] { g_engine.fogDensity = 0.02f; });
    Edit("Change Lighting", [&] {
        g_ambientStrength = 0.4f;
        g_lightingExposure = 2.0f;
    });
    Edit("Change Script Field", [&] { g_scriptMeta[a].fields[0].fieldValue = 9.5f; });
    Edit("Add Entity", [&] { GetEnt(AddEnt("New", a)->id)->hasMesh = true; });
    Edit("Delete Entity", [&] { RemoveEnt(b); });
    Edit("Change Material", [&] {
        CopyTextField(g_inspectorMatPath, "Assets/Materials/rock.mat");
        g_inspectorEditMat.roughness = 0.9f;
    });
    // A drag over several frames: one entry holding the pre-drag value.
    UndoBeginSnapshotFrom(CaptureSceneSnapshot(), "Change Rotation");
    for (int frame = 0; frame < 10; ++frame) {
        GetEnt(a)->transform.rotation.y += 3.0f;
        UndoBeginSnapshotFrom(CaptureSceneSnapshot(), "Change Rotation");  // ignored: already open
    }
    UndoCommitPending("Change Rotation");
    ASSERT_EQ(g_undoStack.size(), 8u);
    EXPECT_FALSE(EntityExists(c));
    const SceneSnapshot end = CaptureSceneSnapshot();

    PerformUndo();
    EXPECT_FLOAT_EQ(GetEnt(a)->transform.rotation.y, 0.0f);  // whole drag undone in one step
    for (int i = 1; i < 8; ++i) PerformUndo();
    EXPECT_TRUE(g_undoStack.empty());
    EXPECT_TRUE(SameSnapshot(CaptureSceneSnapshot(), start));
    EXPECT_EQ(GetEnt(b)->children, std::vector<int32_t>{c});
    EXPECT_EQ(GetEnt(c)->parent, b);

    for (int i = 0; i < 8; ++i) PerformRedo();
    EXPECT_TRUE(g_redoStack.empty());
    EXPECT_TRUE(SameSnapshot(CaptureSceneSnapshot(), end));
    EXPECT_FLOAT_EQ(g_scriptMeta[a].fields[0].fieldValue, 9.5f);
}

TEST_F(UndoTest, UndoAndRedoLogAndMarkTheSceneDirty) {
    AddEnt("a", -1);
    Edit("Rename", [] { CopyTextField(g_ents[0].name, "b"); });
    g_sceneDirty = false;  // as after a save
    LogClear();
    PerformUndo();
    EXPECT_TRUE(g_sceneDirty);
    EXPECT_STREQ(g_ents[0].name, "a");
    g_sceneDirty = false;
    PerformRedo();
    EXPECT_TRUE(g_sceneDirty);
    EXPECT_STREQ(g_ents[0].name, "b");
    auto logs = LogSnapshot();
    ASSERT_EQ(logs.size(), 2u);
    EXPECT_EQ(logs[0].text, "Undo: Rename");
    EXPECT_EQ(logs[1].text, "Redo: Rename");

    // Empty stacks: nothing happens, nothing is logged.
    UndoClearHistory();
    g_sceneDirty = false;
    PerformUndo();
    PerformRedo();
    EXPECT_FALSE(g_sceneDirty);
    EXPECT_EQ(LogCount(), 2u);
}

TEST_F(UndoTest, NewEditEmptiesRedoAndUndoRestoresSelection) {
    int32_t a = AddEnt("a", -1)->id;
    g_selId = 999;  // names no entity
    Edit("One", [&] { g_selId = a; });
    Edit("Two", [] {});
    PerformUndo();
    EXPECT_EQ(g_redoStack.size(), 1u);
    Edit("Three", [] {});
    EXPECT_TRUE(g_redoStack.empty());
    PerformUndo();
    PerformUndo();
    EXPECT_EQ(g_selId, -1);  // the restored selection no longer exists

    Edit("Four", [&] { g_selId = a; });
    Edit("Delete", [&] { RemoveEnt(a); });
    EXPECT_EQ(g_selId, -1);
    PerformUndo();
    EXPECT_EQ(g_selId, a);
}

// Pending-slot call sequences as the inspector and gizmo drive them.
enum Op { Begin, Commit, Cancel, Change, Push, Undo };
struct Step {
    Op op;
    const char* label;
};
struct PendingCase {
    const char* what;
    std::vector<Step> steps;
    size_t entries;
    const char* topLabel;   // label of the newest entry (when entries > 0)
    float topValue;         // position.x stored in the newest entry
    bool pendingActive;
    const char* pendingLabel;
};

TEST_F(UndoTest, PendingSlotSequences) {
    const PendingCase cases[] = {
        {"drag with change", {{Begin, "Move"}, {Change, ""}, {Change, ""}, {Commit, "Move"}}, 1, "Move", 0, false, ""},
        {"release without change", {{Begin, "Move"}, {Cancel, "Move"}}, 0, "", 0, false, ""},
        {"cancel from another widget", {{Begin, "Move"}, {Cancel, "Scale"}}, 0, "", 0, true, "Move"},
        {"cancel with empty label", {{Begin, "Move"}, {Cancel, ""}}, 0, "", 0, false, ""},
        {"cancel with null label", {{Begin, "Move"}, {Cancel, nullptr}}, 0, "", 0, false, ""},
        {"first snapshot wins",
         {{Begin, "Move"}, {Change, ""}, {Begin, "Other"}, {Change, ""}, {Commit, ""}},
         1,
         "Move",
         0,
         false,
         ""},
        {"commit renames", {{Begin, "Move"}, {Change, ""}, {Commit, "Change Position"}}, 1, "Change Position", 0, false,
         ""},
        {"null labels", {{Begin, nullptr}, {Commit, nullptr}}, 1, "Inspector Change", 0, false, ""},
        {"commit without pending", {{Commit, "Move"}, {Cancel, "Move"}}, 0, "", 0, false, ""},
        {"discrete edit during drag",
         {{Begin, "Move"}, {Change, ""}, {Push, "Toggle"}, {Change, ""}, {Commit, "Move"}},
         2,
         "Move",
         0,
         false,
         ""},
        {"undo closes pending", {{Change, ""}, {Push, "Toggle"}, {Begin, "Move"}, {Undo, ""}}, 0, "", 0, false, ""},
        {"long label compared as stored",
         {{Begin, "A label that is much longer than the sixty-three bytes a label field can hold"},
          {Cancel, "A label that is much longer than the sixty-three bytes a label field can hold"}},
         0,
         "",
         0,
         false,
         ""},
    };
    for (const PendingCase& c : cases) {
        ResetSceneModel();
        int32_t id = AddEnt("e", -1)->id;
        for (const Step& s : c.steps) {
            switch (s.op) {
            case Begin: UndoBeginSnapshotFrom(CaptureSceneSnapshot(), s.label); break;
            case Commit: UndoCommitPending(s.label); break;
            case Cancel: UndoCancelPending(s.label); break;
            case Change: GetEnt(id)->transform.position.x += 1.0f; break;
            case Push: UndoPushSnapshot(CaptureSceneSnapshot(), s.label); break;
            case Undo: PerformUndo(); break;
            }
        }
        ASSERT_EQ(g_undoStack.size(), c.entries) << c.what;
        if (c.entries > 0) {
            EXPECT_STREQ(g_undoStack.back().label, c.topLabel) << c.what;
            EXPECT_EQ(g_undoStack.back().snapshot.ents[0].transform.position.x, c.topValue) << c.what;
        }
        EXPECT_EQ(g_undoPendingActive, c.pendingActive) << c.what;
        EXPECT_STREQ(g_undoPendingLabel, c.pendingLabel) << c.what;
    }
}

TEST_F(UndoTest, HistoryKeepsAtMost256Entries) {
    AddEnt("e", -1);
    for (int i = 0; i < 257; ++i) {
        std::string label = "edit " + std::to_string(i);
        Edit(label.c_str(), [&] { g_ents[0].transform.position.x = float(i + 1); });
    }
    ASSERT_EQ(g_undoStack.size(), kUndoMaxEntries);
    EXPECT_STREQ(g_undoStack.front().label, "edit 1");
    int undone = 0;
    while (!g_undoStack.empty()) {
        PerformUndo();
        ++undone;
    }
    EXPECT_EQ(undone, 256);
    EXPECT_FLOAT_EQ(g_ents[0].transform.position.x, 1.0f);  // the state before "edit 1"
    PerformUndo();
    EXPECT_FLOAT_EQ(g_ents[0].transform.position.x, 1.0f);

    // Redo onto a full undo stack keeps the cap too.
    for (int i = 0; i < 256; ++i) PerformRedo();
    EXPECT_EQ(g_undoStack.size(), kUndoMaxEntries);
    EXPECT_FLOAT_EQ(g_ents[0].transform.position.x, 257.0f);
}

TEST_F(UndoTest, HistoryIsBoundedByBytesOldestFirst) {
    for (int i = 0; i < 20; ++i) AddEnt("e", -1);
    size_t one = SnapshotBytes(CaptureSceneSnapshot());
    g_undoByteCap = one * 10 + one / 2;
    // Each edit touches every entity, so no two entries share entity records
    // and each costs about one whole snapshot.
    for (int i = 0; i < 30; ++i) {
        std::string label = "edit " + std::to_string(i);
        Edit(label.c_str(), [] {
            for (Entity& e : g_ents) e.transform.position.x += 1.0f;
        });
    }
    EXPECT_LE(UndoHistoryBytes(), g_undoByteCap);
    EXPECT_EQ(g_undoStack.size(), 10u);
    EXPECT_STREQ(g_undoStack.front().label, "edit 20");
    EXPECT_STREQ(g_undoStack.back().label, "edit 29");

    // Undo moves entries across without growing the total.
    for (int i = 0; i < 5; ++i) PerformUndo();
    EXPECT_LE(UndoHistoryBytes(), g_undoByteCap);
    EXPECT_EQ(g_undoStack.size() + g_redoStack.size(), 10u);

    // A single snapshot larger than the cap is still kept: the last edit
    // always stays undoable.
    g_undoByteCap = one / 2;
    Edit("huge", [] {});
    ASSERT_EQ(g_undoStack.size(), 1u);
    EXPECT_TRUE(g_redoStack.empty());
    EXPECT_STREQ(g_undoStack.back().label, "huge");
}

TEST_F(UndoTest, ClearHistoryEmptiesStacksAndPendingSlot) {
    AddEnt("e", -1);
    Edit("One", [] {});
    Edit("Two", [] {});
    PerformUndo();
    UndoBeginSnapshotFrom(CaptureSceneSnapshot(), "Move");
    UndoClearHistory();
    EXPECT_TRUE(g_undoStack.empty());
    EXPECT_TRUE(g_redoStack.empty());
    EXPECT_FALSE(g_undoPendingActive);
    EXPECT_STREQ(g_undoPendingLabel, "");
    EXPECT_EQ(UndoHistoryBytes(), 0u);
    size_t before = g_ents.size();
    PerformUndo();  // nothing from the previous history comes back
    EXPECT_EQ(g_ents.size(), before);
}

}  // namespace
