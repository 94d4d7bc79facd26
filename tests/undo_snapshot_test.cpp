// Shared-block snapshots: what a capture shares and what it copies, that
// structural steps still restore exactly, that the history's byte count
// holds every block once, that no later edit of the live scene reaches a
// stored snapshot (a seeded random sequence checked against a reference that
// copies everything), and that snapshots may be read and dropped on other
// threads while the main thread keeps editing.

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <deque>
#include <map>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "editor/legacy/scene/Entity.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/scene/Undo.h"
#include "tests/support/SceneModel.h"

namespace {

using korvane::test::ResetSceneModel;
using korvane::test::SameBytes;
using korvane::test::SameEntity;

// The reference: the whole scene copied field by field, as snapshots were
// stored before records were shared.
struct FullScene {
    std::vector<Entity> ents;
    int32_t nextId = 1;
    int32_t selId = -1;
    int32_t lastSelId = -1;
    float ambientStrength = 0.1f;
    float exposure = 1.15f;
    EngineRenderSettings engine;
    std::string inspectorMatPath;
    Material inspectorEditMat;
    std::string selFilePath;
    std::map<int32_t, ScriptMeta> scriptMeta;
};

FullScene CopyLiveScene() {
    FullScene f;
    f.ents = g_ents;
    f.nextId = g_nextId;
    f.selId = g_selId;
    f.lastSelId = g_lastEntitySelId;
    f.ambientStrength = g_ambientStrength;
    f.exposure = g_lightingExposure;
    f.engine = g_engine;
    f.inspectorMatPath = g_inspectorMatPath;
    f.inspectorEditMat = g_inspectorEditMat;
    f.selFilePath = g_selFilePath;
    for (const auto& [id, meta] : g_scriptMeta) f.scriptMeta[id] = meta;
    return f;
}

// What a restore of f leaves: a selection naming no entity becomes -1.
FullScene AsRestored(FullScene f) {
    auto exists = [&](int32_t id) {
        for (const Entity& e : f.ents)
            if (e.id == id) return true;
        return false;
    };
    if (!exists(f.selId)) f.selId = -1;
    if (!exists(f.lastSelId)) f.lastSelId = -1;
    return f;
}

template <class Entities, class Metas>
bool SameContent(const Entities& ents, const Metas& metas, const FullScene& f) {
    if (ents.size() != f.ents.size()) return false;
    for (size_t i = 0; i < f.ents.size(); ++i)
        if (!SameEntity(ents[i], f.ents[i])) return false;
    if (metas.size() != f.scriptMeta.size()) return false;
    for (const auto& [id, meta] : metas) {
        auto it = f.scriptMeta.find(id);
        if (it == f.scriptMeta.end() || !SameBytes(meta, it->second)) return false;
    }
    return true;
}

bool SnapshotEquals(const SceneSnapshot& s, const FullScene& f) {
    return SameContent(s.ents, s.scriptMeta, f) && s.nextId == f.nextId && s.selId == f.selId &&
           s.lastSelId == f.lastSelId && s.AmbientStrength() == f.ambientStrength && s.Exposure() == f.exposure &&
           SameBytes(s.Engine(), f.engine) && f.inspectorMatPath == s.inspectorMatPath &&
           SameBytes(s.inspectorEditMat, f.inspectorEditMat) && f.selFilePath == s.selFilePath;
}

bool LiveEquals(const FullScene& f) {
    return SameContent(g_ents, g_scriptMeta, f) && g_nextId == f.nextId && g_selId == f.selId &&
           g_lastEntitySelId == f.lastSelId && g_ambientStrength == f.ambientStrength &&
           g_lightingExposure == f.exposure && SameBytes(g_engine, f.engine) &&
           f.inspectorMatPath == g_inspectorMatPath && SameBytes(g_inspectorEditMat, f.inspectorEditMat) &&
           f.selFilePath == g_selFilePath;
}

// Distinct entity records the history holds, counted by block address.
size_t DistinctEntityRecords() {
    std::set<const Entity*> seen;
    for (const auto* stack : {&g_undoStack, &g_redoStack})
        for (const UndoEntry& entry : *stack)
            for (const Entity& e : entry.snapshot.ents) seen.insert(&e);
    return seen.size();
}

// The byte count recomputed from scratch: every entry's own lists, and every
// distinct block once.
::testing::AssertionResult HistoryAccountingConsistent() {
    std::vector<const SceneSnapshot*> held;
    size_t own = 0;
    for (const auto* stack : {&g_undoStack, &g_redoStack})
        for (const UndoEntry& entry : *stack) {
            own += sizeof(UndoEntry) - sizeof(SceneSnapshot) + SnapshotOwnBytes(entry.snapshot);
            held.push_back(&entry.snapshot);
        }
    const size_t total = own + DistinctSnapshotBytes(held);
    if (total != UndoHistoryBytes())
        return ::testing::AssertionFailure() << "history reports " << UndoHistoryBytes() << " bytes, holds " << total;
    return ::testing::AssertionSuccess();
}

class UndoSnapshotTest : public ::testing::Test {
protected:
    void SetUp() override { ResetSceneModel(); }
    void TearDown() override { ResetSceneModel(); }

    template <class F>
    static void Edit(const char* label, F change) {
        SceneSnapshot before = CaptureSceneSnapshot();
        change();
        UndoPushSnapshot(before, label);
    }

    static void AddScriptMeta(int32_t id, const char* field, float value) {
        ScriptMeta meta;
        CopyTextField(meta.scriptPath, "Assets/Scripts/player.fs");
        meta.fieldCount = 1;
        meta.parsed = true;
        CopyTextField(meta.fields[0].fieldName, field);
        meta.fields[0].fieldValue = value;
        g_scriptMeta[id] = meta;
    }
};

TEST_F(UndoSnapshotTest, SingleEntityMovesShareEverythingElse) {
    g_ents.reserve(1000);
    for (int i = 0; i < 1000; ++i) AddEnt("Crate", -1)->hasMesh = true;
    for (int i = 0; i < 10; ++i) AddScriptMeta(g_ents[size_t(i)].id, "speed", float(i));
    const size_t oneScene = SnapshotBytes(CaptureSceneSnapshot());

    for (int i = 0; i < 100; ++i)
        Edit("Move Entity", [&] { g_ents[size_t(i)].transform.position.y += 1.0f; });
    ASSERT_EQ(g_undoStack.size(), 100u);
    // The first entry holds the scene; each later one adds the one entity the
    // previous edit moved.
    EXPECT_EQ(DistinctEntityRecords(), 1000u + 99u);
    std::set<const ScriptMeta*> metas;
    std::set<const EngineRenderSettings*> settings;
    for (const UndoEntry& entry : g_undoStack) {
        for (const auto& [id, meta] : entry.snapshot.scriptMeta) metas.insert(&meta);
        settings.insert(&entry.snapshot.Engine());
    }
    EXPECT_EQ(metas.size(), 10u);
    EXPECT_EQ(settings.size(), 1u);
    // Whole copies would hold 100 scenes.
    EXPECT_LT(UndoHistoryBytes(), 3 * oneScene);
    EXPECT_TRUE(HistoryAccountingConsistent());

    // Every step still restores its own scene.
    for (int i = 99; i >= 0; --i) {
        PerformUndo();
        EXPECT_FLOAT_EQ(g_ents[size_t(i)].transform.position.y, 0.0f);
        if (i > 0) {
            EXPECT_FLOAT_EQ(g_ents[size_t(i - 1)].transform.position.y, 1.0f);
        }
    }
    EXPECT_TRUE(HistoryAccountingConsistent());
}

TEST_F(UndoSnapshotTest, DroppingTheOldestEntryFreesOnlyWhatNoLaterEntryShares) {
    g_ents.reserve(200);
    for (int i = 0; i < 200; ++i) AddEnt("Crate", -1);
    size_t bytesAtCap = 0;
    for (int i = 0; i < 300; ++i) {
        Edit("Move Entity", [&] { g_ents[size_t(i % 200)].transform.position.x += 1.0f; });
        if (g_undoStack.size() == kUndoMaxEntries && bytesAtCap == 0) bytesAtCap = UndoHistoryBytes();
    }
    ASSERT_EQ(g_undoStack.size(), kUndoMaxEntries);
    // Each drop frees the entry's lists and the one record only it held; each
    // push adds the same again: the count stays where it was at the cap.
    EXPECT_EQ(UndoHistoryBytes(), bytesAtCap);
    EXPECT_TRUE(HistoryAccountingConsistent());
    UndoClearHistory();
    EXPECT_EQ(UndoHistoryBytes(), 0u);
}

// Steps that change the entity list or the scene values: each restores
// exactly, and the capture after the step copies only the records it changed.
struct StepCase {
    const char* what;
    void (*change)();
    size_t copiedEntities;  // records of the step's result not shared with the entry before it
    size_t copiedMeta;
    bool copiedSettings;
};

// Scene of every case: A(1) and E(5) roots with script fields, B(2) root with
// C(3) under it and D(4) under C; A selected.
void BuildStepScene() {
    AddEnt("A", -1);
    AddEnt("B", -1);
    AddEnt("C", 2);
    AddEnt("D", 3);
    AddEnt("E", -1);
    ScriptMeta meta;
    meta.fieldCount = 1;
    CopyTextField(meta.fields[0].fieldName, "speed");
    meta.fields[0].fieldValue = 2.0f;
    g_scriptMeta[1] = meta;
    g_scriptMeta[5] = meta;
    g_selId = 1;
}

TEST_F(UndoSnapshotTest, StructuralStepsRestoreExactly) {
    const StepCase cases[] = {
        {"add under an entity", [] { AddEnt("F", 1); }, 2, 0, false},
        {"remove a subtree (the last entity moves into the hole)", [] { RemoveEnt(3); }, 1, 0, false},
        {"add and remove in one step",
         [] {
             RemoveEnt(2);
             AddEnt("G", -1);
             AddEnt("H", 5);
         },
         3, 0, false},
        {"re-parent changes two children lists", [] { ASSERT_TRUE(ReparentEntity(4, 1)); }, 3, 0, false},
        {"make a root", [] { ASSERT_TRUE(ReparentEntity(3, -1)); }, 2, 0, false},
        {"g_engine edit",
         [] {
             g_engine.fogDensity = 0.05f;
             g_engine.physicsSubsteps = 7;
         },
         0, 0, true},
        {"lighting values", [] { g_lightingExposure = 2.5f; }, 0, 0, true},
        {"script field value", [] { g_scriptMeta[1].fields[0].fieldValue = 9.0f; }, 0, 1, false},
        {"script metadata added and removed",
         [] {
             g_scriptMeta.erase(5);
             g_scriptMeta[2] = g_scriptMeta[1];
         },
         0, 1, false},
        {"selection and inspector material",
         [] {
             g_selId = 4;
             CopyTextField(g_inspectorMatPath, "Assets/Materials/rock.mat");
             g_inspectorEditMat.metallic = 1.0f;
         },
         0, 0, false},
    };
    for (const StepCase& c : cases) {
        SCOPED_TRACE(c.what);
        ResetSceneModel();
        BuildStepScene();
        const FullScene start = CopyLiveScene();
        Edit("Step", c.change);
        const FullScene end = CopyLiveScene();

        const SceneSnapshot& entry = g_undoStack.back().snapshot;
        const SceneSnapshot after = CaptureSceneSnapshot();
        std::unordered_map<int32_t, const Entity*> before;
        for (const Entity& e : entry.ents) before[e.id] = &e;
        size_t copied = 0;
        for (const Entity& e : after.ents)
            if (!before.count(e.id) || before[e.id] != &e) ++copied;
        EXPECT_EQ(copied, c.copiedEntities);
        size_t copiedMeta = 0;
        for (const auto& [id, meta] : after.scriptMeta)
            if (entry.scriptMeta.Find(id) != &meta) ++copiedMeta;
        EXPECT_EQ(copiedMeta, c.copiedMeta);
        EXPECT_EQ(&after.Engine() != &entry.Engine(), c.copiedSettings);

        PerformUndo();
        EXPECT_TRUE(LiveEquals(AsRestored(start)));
        PerformRedo();
        EXPECT_TRUE(LiveEquals(AsRestored(end)));
        PerformUndo();
        EXPECT_TRUE(LiveEquals(AsRestored(start)));
        for (const Entity& e : g_ents) EXPECT_EQ(g_entIdx.at(e.id), &e - g_ents.data());
        EXPECT_TRUE(HistoryAccountingConsistent());
    }
}

// A seeded random run of live edits, discrete edits, drags, held snapshots
// (as play mode holds one), undos, redos, restores and history clears,
// checked against a history of whole copies.
TEST_F(UndoSnapshotTest, LiveEditsNeverReachStoredSnapshots) {
    std::mt19937 rng(20261211);
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    auto randomId = [&]() { return g_ents.empty() ? -1 : g_ents[size_t(pick(int(g_ents.size())))].id; };

    auto mutate = [&] {
        switch (pick(12)) {
        case 0:
        case 1:
            if (Entity* e = GetEnt(randomId())) e->transform.position.x += float(pick(5) + 1);
            break;
        case 2:
            if (Entity* e = GetEnt(randomId())) CopyTextField(e->name, ("n" + std::to_string(pick(1000))).c_str());
            break;
        case 3:
            if (Entity* e = GetEnt(randomId())) {
                e->hasLight = !e->hasLight;
                e->light.intensity += 0.5f;
                e->material.roughness = float(pick(100)) / 100.0f;
            }
            break;
        case 4:
            if (g_ents.size() < 40) AddEnt("New", pick(3) == 0 ? -1 : randomId());
            break;
        case 5:
            if (g_ents.size() > 4) RemoveEnt(randomId());
            break;
        case 6: {
            const int32_t child = randomId();
            const int32_t parent = pick(4) == 0 ? -1 : randomId();
            ReparentEntity(child, parent);
            break;
        }
        case 7: {
            int32_t id = randomId();
            if (id < 0) break;
            ScriptMeta& meta = g_scriptMeta[id];
            meta.fieldCount = 1 + pick(3);
            meta.fields[pick(meta.fieldCount)].fieldValue += 1.0f;
            break;
        }
        case 8:
            if (!g_scriptMeta.empty()) g_scriptMeta.erase(g_scriptMeta.begin());
            break;
        case 9:
            g_engine.fogDensity += 0.001f;
            g_engine.maxLights = 1 + pick(32);
            break;
        case 10:
            g_ambientStrength = float(pick(10)) / 10.0f;
            g_lightingExposure += 0.1f;
            break;
        case 11:
            g_selId = pick(3) == 0 ? -1 : randomId();
            g_inspectorEditMat.metallic = float(pick(10)) / 10.0f;
            CopyTextField(g_selFilePath, ("Assets/f" + std::to_string(pick(9)) + ".png").c_str());
            break;
        }
    };

    struct RefEntry {
        FullScene scene;
        std::string label;
    };
    std::deque<RefEntry> refUndo, refRedo;
    FullScene refPending;
    bool pendingOpen = false;
    struct Held {
        SceneSnapshot snapshot;
        FullScene scene;
    };
    std::vector<Held> held;

    auto checkHistory = [&] {
        ASSERT_EQ(g_undoStack.size(), refUndo.size());
        ASSERT_EQ(g_redoStack.size(), refRedo.size());
        for (size_t i = 0; i < refUndo.size(); ++i) {
            ASSERT_TRUE(SnapshotEquals(g_undoStack[i].snapshot, refUndo[i].scene)) << "undo entry " << i;
            ASSERT_EQ(refUndo[i].label, g_undoStack[i].label);
        }
        for (size_t i = 0; i < refRedo.size(); ++i)
            ASSERT_TRUE(SnapshotEquals(g_redoStack[i].snapshot, refRedo[i].scene)) << "redo entry " << i;
        ASSERT_EQ(g_undoPendingActive, pendingOpen);
        if (pendingOpen) {
            ASSERT_TRUE(SnapshotEquals(g_undoPendingSnapshot, refPending));
        }
        for (const Held& h : held) ASSERT_TRUE(SnapshotEquals(h.snapshot, h.scene));
        ASSERT_TRUE(HistoryAccountingConsistent());
    };

    for (int i = 0; i < 12; ++i) AddEnt("Start", i % 3 == 0 ? -1 : int32_t(i));
    int labels = 0;
    for (int step = 0; step < 3000; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        const int op = pick(20);
        if (op < 6) {
            mutate();  // unrecorded: the live scene drifts from every snapshot
        } else if (op < 10) {
            std::string label = "edit " + std::to_string(labels++);
            SceneSnapshot before = CaptureSceneSnapshot();
            FullScene refBefore = CopyLiveScene();
            for (int k = pick(3); k >= 0; --k) mutate();
            UndoPushSnapshot(before, label.c_str());
            refUndo.push_back({refBefore, label});
            refRedo.clear();
            if (refUndo.size() > kUndoMaxEntries) refUndo.pop_front();
        } else if (op < 12) {
            // A drag: a capture every frame, the first one opens the entry.
            std::string label = "drag " + std::to_string(labels++);
            const bool wasOpen = pendingOpen;
            if (!pendingOpen) refPending = CopyLiveScene();
            pendingOpen = true;
            UndoBeginSnapshotFrom(CaptureSceneSnapshot(), label.c_str());
            for (int frame = pick(4); frame >= 0; --frame) {
                mutate();
                UndoBeginSnapshotFrom(CaptureSceneSnapshot(), label.c_str());
            }
            if (!wasOpen && pick(3) == 0) {
                UndoCancelPending(label.c_str());
                pendingOpen = false;
            } else if (pick(2) == 0) {
                UndoCommitPending(label.c_str());
                refUndo.push_back({refPending, label});
                refRedo.clear();
                if (refUndo.size() > kUndoMaxEntries) refUndo.pop_front();
                pendingOpen = false;
            }
        } else if (op < 15) {
            if (refUndo.empty()) continue;
            FullScene expect = AsRestored(refUndo.back().scene);
            refRedo.push_back({CopyLiveScene(), refUndo.back().label});
            refUndo.pop_back();
            PerformUndo();
            pendingOpen = false;
            ASSERT_TRUE(LiveEquals(expect));
        } else if (op < 17) {
            if (refRedo.empty()) continue;
            FullScene expect = AsRestored(refRedo.back().scene);
            refUndo.push_back({CopyLiveScene(), refRedo.back().label});
            refRedo.pop_back();
            if (refUndo.size() > kUndoMaxEntries) refUndo.pop_front();
            PerformRedo();
            pendingOpen = false;
            ASSERT_TRUE(LiveEquals(expect));
        } else if (op < 18) {
            if (held.size() < 4) held.push_back({CaptureSceneSnapshot(), CopyLiveScene()});
        } else if (op < 19) {
            if (held.empty()) continue;
            // As play mode's stop: the held scene comes back whole.
            const size_t h = size_t(pick(int(held.size())));
            RestoreSceneSnapshot(held[h].snapshot);
            ASSERT_TRUE(LiveEquals(AsRestored(held[h].scene)));
            if (pick(2) == 0) held.erase(held.begin() + long(h));
        } else if (pick(10) == 0) {
            UndoClearHistory();
            refUndo.clear();
            refRedo.clear();
            pendingOpen = false;
        }
        if (step % 50 == 0) checkHistory();
        if (HasFatalFailure()) return;
    }
    checkHistory();
}

// Snapshots handed to other threads (an autosave writer, say) are read and
// dropped there while the main thread keeps capturing, editing, undoing and
// clearing: the blocks they share are never written, only counted.
TEST_F(UndoSnapshotTest, SnapshotsAreSafeToReadAndDropOnOtherThreads) {
    for (int i = 0; i < 64; ++i) AddEnt("Crate", i % 4 == 0 ? -1 : int32_t(i))->transform.position.x = float(i);
    AddScriptMeta(1, "speed", 3.0f);
    auto checksum = [](const SceneSnapshot& s) {
        double sum = 0;
        for (const Entity& e : s.ents) {
            sum += e.transform.position.x + e.id + double(std::strlen(e.name));
            for (int32_t c : e.children) sum += c;
        }
        for (const auto& [id, meta] : s.scriptMeta) sum += id + meta.fields[0].fieldValue;
        return sum + s.Engine().fogDensity;
    };

    std::atomic<bool> stop{false};
    std::atomic<int> mismatches{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 2; ++t) {
        SceneSnapshot mine = CaptureSceneSnapshot();
        readers.emplace_back([&stop, &mismatches, &checksum, snapshot = std::move(mine)]() mutable {
            const double expected = checksum(snapshot);
            int rounds = 0;
            while (!stop.load() || rounds < 3) {
                if (checksum(snapshot) != expected) mismatches.fetch_add(1);
                SceneSnapshot copy = snapshot;  // shares the blocks again
                if (checksum(copy) != expected) mismatches.fetch_add(1);
                ++rounds;
            }
            snapshot = SceneSnapshot();  // drop this thread's holds here
        });
    }
    for (int i = 0; i < 300; ++i) {
        Edit("Move", [&] { g_ents[size_t(i % 64)].transform.position.x += 1.0f; });
        if (i % 7 == 0) PerformUndo();
        if (i % 11 == 0) PerformRedo();
        if (i % 97 == 0) UndoClearHistory();
        g_engine.fogDensity += 0.0001f;
    }
    stop.store(true);
    for (std::thread& t : readers) t.join();
    EXPECT_EQ(mismatches.load(), 0);
    EXPECT_TRUE(HistoryAccountingConsistent());
}

}  // namespace
