// Entity records, the text-field helper, the entity store and hierarchy
// operations, and world transforms through the hierarchy.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <unordered_set>

#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/scene/Entity.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/scene/KorvaneMath.h"
#include "editor/legacy/scene/Undo.h"
#include "tests/support/SceneModel.h"

namespace {

using korvane::test::ResetSceneModel;

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override { ResetSceneModel(); }
    void TearDown() override {
        ResetSceneModel();
        g_updateWindowTitleHook = nullptr;
    }
    static int32_t Add(const char* name, int32_t parent = -1) { return AddEnt(name, parent)->id; }
};

// ---------------------------------------------------------------------------
// Records and text fields

TEST(EntityRecords, DefaultsMatchTheSceneFormat) {
    Entity e;
    EXPECT_EQ(e.parent, -1);
    EXPECT_TRUE(e.enabled);
    EXPECT_TRUE(e.spareFlag);
    EXPECT_FALSE(e.hasMesh || e.hasRigidBody || e.hasScript || e.hasMaterial || e.hasLight || e.hasCamera ||
                 e.hasParticles || e.hasAudio || e.hasCanvas || e.hasUI || e.hasPrefab || e.hasCollider ||
                 e.hasLiquid);
    EXPECT_EQ(e.mesh.shape, MeshShape_Cube);
    EXPECT_STREQ(e.mesh.modelPath, "cube");
    EXPECT_EQ(e.mesh.importedNode, -1);
    EXPECT_EQ(e.emitter.endColor.w, 0.0f);
    EXPECT_EQ(e.emitter.shape, EmitterShape_Cone);
    EXPECT_EQ(e.emitter.blendMode, ParticleBlendMode_Additive);
    EXPECT_FLOAT_EQ(e.transform.scale.y, 1.0f);
    EXPECT_EQ(e.ui.canvasId, -1);
    EXPECT_FLOAT_EQ(e.ui.offsetMax[0], 100.0f);
    EXPECT_FLOAT_EQ(e.liquid.liquidColor.w, 0.78f);
    EXPECT_EQ(ScriptField().vectorValue[3], 1.0f);
    EXPECT_STREQ(g_meshNames[MeshShape_Custom], "Custom");
    EXPECT_STREQ(g_liquidTypeNames[LiquidType_SlimeOil], "Slime / Oil");
    EngineRenderSettings s;
    EXPECT_EQ(s.maxLights, 32);
    EXPECT_FLOAT_EQ(s.gravity, 15.0f);
}

TEST(EntityRecords, EnsureMaterialDefaultsRepairsOnlyInvalidValues) {
    struct Case {
        Vec4 color;
        float roughness, normalScale, heightScale;
        Vec4 wantColor;
        float wantRoughness, wantNormal, wantHeight;
    } cases[] = {
        {{0, 0, 0, 0}, 0, -1, -0.5f, {1, 1, 1, 1}, 0.55f, 1.0f, 0.0f},
        {{0, 0, 0, 1}, 0.3f, 2, 0.1f, {0, 0, 0, 1}, 0.3f, 2, 0.1f},  // black is a valid colour
        {{0.5f, 0, 0, 0}, -2, 0, 0, {0.5f, 0, 0, 0}, 0.55f, 1.0f, 0.0f},
        {{1, 1, 1, 1}, NAN, NAN, NAN, {1, 1, 1, 1}, 0.55f, 1.0f, 0.0f},  // NaN from a file
    };
    for (const Case& c : cases) {
        Material m;
        m.baseColor = c.color;
        m.roughness = c.roughness;
        m.normalScale = c.normalScale;
        m.heightScale = c.heightScale;
        EnsureMaterialDefaults(m);
        EXPECT_EQ(m.baseColor.x, c.wantColor.x);
        EXPECT_EQ(m.baseColor.w, c.wantColor.w);
        EXPECT_FLOAT_EQ(m.roughness, c.wantRoughness);
        EXPECT_FLOAT_EQ(m.normalScale, c.wantNormal);
        EXPECT_FLOAT_EQ(m.heightScale, c.wantHeight);
    }
}

TEST(TextFields, CutOnUtf8BoundaryAndAlwaysTerminate) {
    struct Case {
        const char* what;
        const char* src;
        size_t size;
        const char* want;
        bool fits;
    } cases[] = {
        {"fits", "abc", 8, "abc", true},
        {"exactly fills", "abcdefg", 8, "abcdefg", true},
        {"ascii cut", "abcdefghij", 8, "abcdefg", false},
        {"two-byte split", "abcdef\xC3\xA9", 8, "abcdef", false},
        {"two-byte fits", "abcde\xC3\xA9", 8, "abcde\xC3\xA9", true},
        {"three-byte split after lead", "abcdef\xE2\x82\xAC", 8, "abcdef", false},
        {"three-byte split in middle", "abcde\xE2\x82\xAC", 8, "abcde", false},
        {"four-byte split", "abcd\xF0\x9F\x98\x80", 8, "abcd", false},
        {"four-byte fits", "abc\xF0\x9F\x98\x80", 8, "abc\xF0\x9F\x98\x80", true},
        {"null source", nullptr, 8, "", true},
        {"one-byte field", "abc", 1, "", false},
        // Not UTF-8 at all: a plain byte cut rather than swallowing the text.
        {"stray continuation bytes", "\x80\x80\x80\x80\x80\x80\x80\x80\x80", 8, "\x80\x80\x80\x80\x80\x80\x80", false},
    };
    for (const Case& c : cases) {
        char buf[16];
        std::memset(buf, 'Z', sizeof(buf));
        bool fits = CopyTextField(buf, c.size, c.src);
        EXPECT_STREQ(buf, c.want) << c.what;
        EXPECT_EQ(fits, c.fits) << c.what;
        EXPECT_EQ(buf[c.size], 'Z') << c.what << ": wrote past the field";
    }
}

TEST(TextFields, NamesCutTo63AndPathsRefused) {
    Entity e;
    std::string longName(100, 'n');
    EXPECT_FALSE(CopyTextField(e.name, longName));
    EXPECT_EQ(std::strlen(e.name), 63u);

    // Copy within the same buffer (a name derived from itself).
    CopyTextField(e.name, "hello world");
    CopyTextField(e.name, e.name + 6);
    EXPECT_STREQ(e.name, "world");

    char path[16] = "keep";
    EXPECT_FALSE(CopyPathField(path, std::string(16, 'p')));
    EXPECT_STREQ(path, "keep");
    EXPECT_TRUE(CopyPathField(path, std::string(15, 'p')));
    EXPECT_EQ(std::strlen(path), 15u);
}

// ---------------------------------------------------------------------------
// Store operations

TEST_F(StoreTest, AddEntLinksExistingParentAndDropsDanglingOne) {
    int32_t five = -1;
    for (int i = 0; i < 5; ++i) five = Add("e");
    ASSERT_EQ(five, 5);
    int32_t a = Add("A", 5);
    EXPECT_EQ(GetEnt(a)->parent, 5);
    EXPECT_EQ(GetEnt(5)->children, std::vector<int32_t>{a});
    EXPECT_EQ(g_renameEntId, a);
    EXPECT_TRUE(g_sceneDirty);

    // A parent id not yet handed out must not adopt the entity later.
    int32_t orphan = Add("orphan", g_nextId + 1);
    EXPECT_EQ(GetEnt(orphan)->parent, -1);
    Add("x");
    int32_t wouldBeParent = Add("y");
    EXPECT_TRUE(GetEnt(wouldBeParent)->children.empty());

    std::string longName(80, 'q');
    EXPECT_EQ(std::strlen(AddEnt(longName.c_str(), -1)->name), 63u);
}

TEST_F(StoreTest, MarkSceneDirtyRefreshesTitleOnceWhenItBecomesDirty) {
    static int calls;
    calls = 0;
    g_updateWindowTitleHook = [] { ++calls; };
    Add("a");
    Add("b");
    EXPECT_EQ(calls, 1);
    g_sceneDirty = false;
    MarkSceneDirty();
    EXPECT_EQ(calls, 2);
}

TEST_F(StoreTest, RemoveEntTakesSubtreeAndKeepsIndexConsistent) {
    int32_t root = Add("root");
    int32_t keep1 = Add("keep1");
    int32_t child = Add("child", root);
    int32_t grand = Add("grand", child);
    int32_t keep2 = Add("keep2", keep1);
    g_selId = keep2;
    RemoveEnt(root);
    EXPECT_FALSE(EntityExists(root));
    EXPECT_FALSE(EntityExists(child));
    EXPECT_FALSE(EntityExists(grand));
    ASSERT_EQ(g_ents.size(), 2u);
    EXPECT_EQ(GetEnt(keep1)->id, keep1);
    EXPECT_EQ(GetEnt(keep2)->id, keep2);
    EXPECT_EQ(GetEnt(keep1)->children, std::vector<int32_t>{keep2});
    EXPECT_EQ(g_selId, keep2);

    g_selId = keep2;
    RemoveEnt(keep2);
    EXPECT_EQ(g_selId, -1);
    EXPECT_TRUE(GetEnt(keep1)->children.empty());
    RemoveEnt(12345);  // unknown id: nothing happens
    EXPECT_EQ(g_ents.size(), 1u);
}

TEST_F(StoreTest, RemoveEntAndIsDescendantTerminateOnCycles) {
    // As a hand-edited or corrupted file could leave it: a <-> b, c -> c.
    int32_t a = Add("a"), b = Add("b"), c = Add("c"), other = Add("other");
    GetEnt(a)->parent = b;
    GetEnt(a)->children = {b};
    GetEnt(b)->parent = a;
    GetEnt(b)->children = {a};
    GetEnt(c)->parent = c;
    GetEnt(c)->children = {c, c};

    EXPECT_TRUE(IsDescendant(a, b));
    EXPECT_FALSE(IsDescendant(other, a));
    EXPECT_FALSE(IsDescendant(other, c));
    EXPECT_EQ(EntityHierarchyDepth(a), kMaxHierarchyDepth);
    EXPECT_EQ(EntityHierarchyDepth(c), 0);

    RemoveEnt(a);
    EXPECT_FALSE(EntityExists(a));
    EXPECT_FALSE(EntityExists(b));
    RemoveEnt(c);
    EXPECT_FALSE(EntityExists(c));
    ASSERT_EQ(g_ents.size(), 1u);
    EXPECT_EQ(g_ents[0].id, other);
}

TEST_F(StoreTest, RemoveEntHandlesLongChains) {
    int32_t root = Add("root");
    int32_t parent = root;
    for (int i = 0; i < 5000; ++i) parent = Add("link", parent);
    int32_t survivor = Add("survivor");
    RemoveEnt(root);
    ASSERT_EQ(g_ents.size(), 1u);
    EXPECT_EQ(g_ents[0].id, survivor);
    EXPECT_EQ(g_entIdx.size(), 1u);
}

TEST_F(StoreTest, DuplicateCopiesUnderSameParentWithoutChildren) {
    int32_t parent = Add("parent");
    int32_t src = Add(std::string(60, 'd').c_str(), parent);
    Add("grandchild", src);
    GetEnt(src)->hasLight = true;
    GetEnt(src)->light.intensity = 7.0f;
    ScriptMeta meta;
    meta.fieldCount = 1;
    CopyTextField(meta.fields[0].fieldName, "speed");
    g_scriptMeta[src] = meta;
    CopyTextField(g_selFilePath, "Assets/x.png");
    g_selId = src;
    g_sceneDirty = false;

    Entity* copy = DuplicateSelectedEntity();
    ASSERT_NE(copy, nullptr);
    int32_t copyId = copy->id;
    EXPECT_EQ(std::strlen(copy->name), 63u);
    EXPECT_EQ(std::string(copy->name), std::string(60, 'd') + " Co");
    EXPECT_EQ(copy->parent, parent);
    EXPECT_TRUE(copy->children.empty());
    EXPECT_TRUE(copy->hasLight);
    EXPECT_FLOAT_EQ(copy->light.intensity, 7.0f);
    EXPECT_EQ(GetEnt(parent)->children, (std::vector<int32_t>{src, copyId}));
    EXPECT_STREQ(g_scriptMeta.at(copyId).fields[0].fieldName, "speed");
    EXPECT_EQ(g_selId, copyId);
    EXPECT_EQ(g_lastEntitySelId, copyId);
    EXPECT_STREQ(g_selFilePath, "");
    EXPECT_TRUE(g_sceneDirty);
    ASSERT_EQ(g_undoStack.size(), 1u);
    EXPECT_STREQ(g_undoStack.back().label, "Duplicate Entity");
    EXPECT_EQ(g_undoStack.back().snapshot.ents.size(), 3u);

    g_selId = -1;
    EXPECT_EQ(DuplicateSelectedEntity(), nullptr);
}

TEST_F(StoreTest, DeleteSelectedRemovesSubtreeAndLogs) {
    int32_t a = Add("Crate");
    Add("lid", a);
    g_selId = a;
    LogClear();
    DeleteSelectedEntity();
    EXPECT_TRUE(g_ents.empty());
    EXPECT_EQ(g_selId, -1);
    ASSERT_EQ(g_undoStack.size(), 1u);
    EXPECT_STREQ(g_undoStack.back().label, "Delete Entity");
    auto logs = LogSnapshot();
    ASSERT_FALSE(logs.empty());
    EXPECT_EQ(logs.back().text, "Deleted Crate");
    EXPECT_EQ(logs.back().level, 2);
    DeleteSelectedEntity();  // nothing selected: no entry
    EXPECT_EQ(g_undoStack.size(), 1u);
}

TEST_F(StoreTest, ReparentFollowsRefusalRuleAndMarksDirty) {
    int32_t a = Add("a"), b = Add("b", a), c = Add("c", b), d = Add("d");
    struct Case {
        const char* what;
        int32_t child, target;
        bool ok;
    } cases[] = {
        {"onto itself", a, a, false},
        {"onto own child", a, b, false},
        {"onto own grandchild", a, c, false},
        {"onto missing entity", d, 999, false},
        {"missing child", 999, a, false},
        {"grandchild to root entity", c, d, true},
        {"to root", b, -1, true},
        {"root under former child", a, b, true},
    };
    for (const Case& k : cases) {
        g_sceneDirty = false;
        std::vector<Entity> before = g_ents;
        EXPECT_EQ(ReparentEntity(k.child, k.target), k.ok) << k.what;
        EXPECT_EQ(g_sceneDirty, k.ok) << k.what;
        if (!k.ok) {
            ASSERT_EQ(before.size(), g_ents.size());
            for (size_t i = 0; i < before.size(); ++i)
                EXPECT_TRUE(korvane::test::SameEntity(before[i], g_ents[i])) << k.what;
        }
    }
    EXPECT_EQ(GetEnt(c)->parent, d);
    EXPECT_EQ(GetEnt(d)->children, std::vector<int32_t>{c});
    EXPECT_EQ(GetEnt(a)->parent, b);
    EXPECT_EQ(GetEnt(b)->children, std::vector<int32_t>{a});
    EXPECT_EQ(GetEnt(b)->parent, -1);
    EXPECT_TRUE(g_undoStack.empty());  // re-parenting records no undo entry
}

TEST_F(StoreTest, HierarchyDepthIsBounded) {
    int32_t parent = Add("root");
    int32_t deepest = parent;
    for (int i = 0; i < 200; ++i) deepest = parent = Add("n", parent);
    EXPECT_EQ(EntityHierarchyDepth(deepest), kMaxHierarchyDepth);
    EXPECT_EQ(EntityHierarchyDepth(g_ents[0].id), 0);
    EXPECT_EQ(EntityHierarchyDepth(g_ents[3].id), 3);
}

// ---------------------------------------------------------------------------
// Random operation sequences keep every store invariant.

void CheckStoreInvariants(const char* step) {
    ASSERT_EQ(g_entIdx.size(), g_ents.size()) << step;
    std::unordered_set<int32_t> ids;
    for (size_t i = 0; i < g_ents.size(); ++i) {
        const Entity& e = g_ents[i];
        auto it = g_entIdx.find(e.id);
        ASSERT_TRUE(it != g_entIdx.end() && it->second == static_cast<int32_t>(i)) << step;
        ASSERT_TRUE(ids.insert(e.id).second) << step << ": duplicate id " << e.id;
        ASSERT_GT(e.id, 0) << step;
        ASSERT_LT(e.id, g_nextId) << step;
    }
    for (const Entity& e : g_ents) {
        if (e.parent >= 0) {
            const Entity* p = GetEnt(e.parent);
            ASSERT_NE(p, nullptr) << step << ": entity " << e.id << " names missing parent " << e.parent;
            ASSERT_NE(p->id, e.id) << step;
            ASSERT_EQ(std::count(p->children.begin(), p->children.end(), e.id), 1) << step;
        }
        for (int32_t c : e.children) {
            const Entity* ch = GetEnt(c);
            ASSERT_NE(ch, nullptr) << step << ": stale child " << c;
            ASSERT_EQ(ch->parent, e.id) << step;
        }
        // No cycles: the parent walk reaches a root within the entity count.
        const Entity* cur = &e;
        size_t steps = 0;
        while (cur->parent >= 0) {
            cur = GetEnt(cur->parent);
            ASSERT_LE(++steps, g_ents.size()) << step << ": cycle through " << e.id;
        }
    }
    if (g_selId >= 0) {
        ASSERT_TRUE(EntityExists(g_selId)) << step;
    }
}

TEST_F(StoreTest, RandomOperationSequencesKeepInvariants) {
    std::mt19937 rng(20261211);
    auto pick = [&]() -> int32_t {
        if (g_ents.empty()) return -1;
        return g_ents[std::uniform_int_distribution<size_t>(0, g_ents.size() - 1)(rng)].id;
    };
    const int kSteps = 4000;
    for (int step = 0; step < kSteps; ++step) {
        int op = std::uniform_int_distribution<int>(0, 99)(rng);
        std::string what;
        if (op < 35 || g_ents.size() < 3) {
            int32_t parent = (op % 3 == 0) ? -1 : pick();
            if (op % 7 == 0) parent = g_nextId + 3;  // dangling
            AddEnt("e", parent);
            what = "add";
        } else if (op < 50) {
            RemoveEnt(pick());
            what = "remove";
        } else if (op < 60) {
            g_selId = pick();
            DuplicateSelectedEntity();
            what = "duplicate";
        } else if (op < 68) {
            g_selId = pick();
            DeleteSelectedEntity();
            what = "delete";
        } else if (op < 90) {
            int32_t target = (op % 4 == 0) ? -1 : pick();
            ReparentEntity(pick(), target);
            what = "reparent";
        } else if (op < 95) {
            PerformUndo();
            what = "undo";
        } else {
            PerformRedo();
            what = "redo";
        }
        if (g_ents.size() > 80) RemoveEnt(g_ents[0].id);
        std::string label = "step " + std::to_string(step) + " (" + what + ")";
        CheckStoreInvariants(label.c_str());
        if (HasFatalFailure()) return;
    }
}

// ---------------------------------------------------------------------------
// World transforms through the hierarchy

::testing::AssertionResult NearVec(Vec3 a, Vec3 b, float tol) {
    if (std::fabs(a.x - b.x) <= tol && std::fabs(a.y - b.y) <= tol && std::fabs(a.z - b.z) <= tol)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << a.x << ", " << a.y << ", " << a.z << ") vs (" << b.x << ", "
                                         << b.y << ", " << b.z << ")";
}

TEST_F(StoreTest, ChildWorldTransformComposesWithParent) {
    int32_t p = Add("parent");
    GetEnt(p)->transform.position = {10, 0, 0};
    GetEnt(p)->transform.rotation = {0, 90, 0};
    GetEnt(p)->transform.scale = {2, 2, 2};
    int32_t c = Add("child", p);
    GetEnt(c)->transform.position = {1, 0, 0};
    GetEnt(c)->transform.rotation = {0, 0, 90};

    // Parent yaw 90 turns +X into -Z; its scale doubles the offset.
    EXPECT_TRUE(NearVec(EntityWorldPos(*GetEnt(c)), {10, 0, -2}, 1e-5f));
    Quat wq = EntityWorldQuat(*GetEnt(c));
    Mat4 wm = EntityModelMatrix(*GetEnt(c));
    Vec3 dir = m_mulDir(wm, {1, 0, 0}).norm();
    EXPECT_TRUE(NearVec(QuatRotate(wq, {1, 0, 0}), dir, 1e-5f));
    Quat pq = EntityParentWorldQuat(*GetEnt(c));
    EXPECT_TRUE(NearVec(QuatRotate(pq, {1, 0, 0}), {0, 0, -1}, 1e-5f));
    Quat rootParent = EntityParentWorldQuat(*GetEnt(p));
    EXPECT_EQ(rootParent.w, 1.0f);
}

TEST_F(StoreTest, WorldTransformWalksAtMost65Ancestors) {
    // 71 entities, 70 links, each one unit further along X and turned 0.5
    // degrees about X (which leaves the X offsets alone).
    int32_t parent = -1, last = -1;
    for (int i = 0; i < 71; ++i) {
        last = Add("link", parent);
        GetEnt(last)->transform.position = {1, 0, 0};
        GetEnt(last)->transform.rotation = {0.5f, 0, 0};
        parent = last;
    }
    EXPECT_NEAR(EntityWorldPos(*GetEnt(last)).x, 66.0f, 1e-3f);
    EXPECT_NEAR(EntityWorldPos(*GetEnt(g_ents[40].id)).x, 41.0f, 1e-3f);
    float x, y, z;
    QuatToEuler(EntityWorldQuat(*GetEnt(last)), x, y, z);
    EXPECT_NEAR(x, 66 * 0.5f, 1e-2f);
}

TEST_F(StoreTest, ParentCyclesAndSelfParentsEndTheWalk) {
    int32_t a = Add("a"), b = Add("b"), self = Add("self");
    GetEnt(a)->parent = b;
    GetEnt(b)->parent = a;
    GetEnt(a)->transform.position = {1, 0, 0};
    GetEnt(b)->transform.position = {1, 0, 0};
    EXPECT_NEAR(EntityWorldPos(*GetEnt(a)).x, 66.0f, 1e-4f);  // itself + 65 ancestors
    Quat q = EntityWorldQuat(*GetEnt(a));
    EXPECT_TRUE(std::isfinite(q.w));

    GetEnt(self)->parent = self;
    GetEnt(self)->transform.position = {3, 4, 5};
    GetEnt(self)->transform.rotation = {0, 30, 0};
    EXPECT_TRUE(NearVec(EntityWorldPos(*GetEnt(self)), {3, 4, 5}, 0));
    Quat sq = EntityWorldQuat(*GetEnt(self)), lq = EntityLocalQuat(*GetEnt(self));
    EXPECT_EQ(sq.y, lq.y);
    EXPECT_EQ(sq.w, lq.w);
}

// Ids that are multiples of the index's bucket count (what an identity hash
// piles into one bucket) still spread: inserts and lookups stay constant
// time. Checked through the bucket sizes, not a clock.
TEST_F(StoreTest, ChosenIdsSpreadOverTheIndexBuckets) {
    constexpr int kCount = 20000;
    // Both maps sized up front, so their bucket counts stay put while the
    // ids go in.
    decltype(g_entIdx) index;
    index.reserve(kCount);
    const int32_t buckets = static_cast<int32_t>(index.bucket_count());
    g_entIdx.swap(index);
    decltype(g_scriptMeta) metas;
    metas.reserve(kCount);
    g_scriptMeta.swap(metas);
    g_ents.reserve(kCount);
    for (int i = 1; i <= kCount; ++i) {
        g_nextId = i * buckets;
        const int32_t id = Add("E");
        g_scriptMeta[id].fieldCount = 0;
    }
    ASSERT_EQ(g_entIdx.size(), static_cast<size_t>(kCount));
    auto largestBucket = [](const auto& map) {
        size_t most = 0;
        for (size_t b = 0; b < map.bucket_count(); ++b) most = std::max(most, map.bucket_size(b));
        return most;
    };
    EXPECT_LT(largestBucket(g_entIdx), 16u);
    EXPECT_LT(largestBucket(g_scriptMeta), 16u);
    for (int i = 1; i <= kCount; i += 997) EXPECT_EQ(GetEnt(i * buckets)->id, i * buckets);
}

}  // namespace
