// Structural edits as undo steps and re-parenting that keeps the world
// placement: each edit of the create menus, the hierarchy and asset drops,
// then one undo, gives back exactly the scene before it (and only that);
// redo gives back the scene after it. Re-parenting under rotated, scaled and
// non-uniformly scaled parents keeps world position, rotation (and scale
// where it can be kept) within 1e-4.

#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/scene/SceneEdits.h"
#include "editor/legacy/scene/Undo.h"
#include "editor/ui/common/EditorHooks.h"
#include "editor/ui/common/EntityPresets.h"
#include "editor/ui/hierarchy/HierarchyPanel.h"
#include "tests/support/SceneModel.h"

using korvane::test::SameEntity;

namespace {

// The scene as the user sees it: entities in store order and the selection.
struct SceneState {
    std::vector<Entity> ents;
    int32_t sel = -1;
};
SceneState Now() { return {g_ents, g_selId}; }

::testing::AssertionResult Same(const SceneState& a, const SceneState& b) {
    if (a.ents.size() != b.ents.size())
        return ::testing::AssertionFailure() << a.ents.size() << " entities vs " << b.ents.size();
    for (size_t i = 0; i < a.ents.size(); ++i)
        if (!SameEntity(a.ents[i], b.ents[i]))
            return ::testing::AssertionFailure() << "entity " << a.ents[i].id << " (" << a.ents[i].name << ") differs";
    if (a.sel != b.sel) return ::testing::AssertionFailure() << "selection " << a.sel << " vs " << b.sel;
    return ::testing::AssertionSuccess();
}

int32_t s_attachCalls = 0;
int32_t FakeCreateFromAsset(const char* path) {
    Entity* e = AddEnt("Imported", -1);
    e->hasMesh = true;
    std::strncpy(e->mesh.modelPath, path, sizeof e->mesh.modelPath - 1);
    return e->id;
}
int32_t FakeCreateNothing(const char*) { return -1; }
bool FakeAttach(Entity& e, const char* path) {
    ++s_attachCalls;
    if (std::strstr(path, ".mat") == nullptr) return false;
    e.hasMaterial = true;
    return true;
}

class SceneEdits : public ::testing::Test {
public:
    int32_t root = -1, child = -1, other = -1;
    void SetUp() override {
        korvane::test::ResetSceneModel();
        g_editorHooks = EditorHooks();
        g_editorHooks.createEntityFromAsset = FakeCreateFromAsset;
        g_editorHooks.attachAssetToEntity = FakeAttach;
        // A small scene that is already "there": no history yet.
        root = AddEnt("Root", -1)->id;
        GetEnt(root)->transform.position = Vec3(1, 0, 0);
        GetEnt(root)->transform.rotation = Vec3(0, 90, 0);
        child = AddEnt("Child", root)->id;
        GetEnt(child)->transform.position = Vec3(0, 0, 2);
        other = AddEnt("Other", -1)->id;
        GetEnt(other)->transform.scale = Vec3(2, 2, 2);
        g_selId = child;
        UndoClearHistory();
    }

protected:
    void TearDown() override { g_editorHooks = EditorHooks(); }
};

TEST_F(SceneEdits, EachStructuralEditIsOneStepThatUndoesExactly) {
    struct Case {
        const char* label;
        std::function<void(SceneEdits&)> edit;
    } const cases[] = {
        {"Create Cube", [](SceneEdits&) { CreatePresetEntity(EntityPreset::Cube); }},
        {"Create Point Light", [](SceneEdits&) { CreatePresetEntity(EntityPreset::PointLight); }},
        {"Create Directional Light", [](SceneEdits&) { CreatePresetEntity(EntityPreset::DirectionalLight); }},
        {"Create Empty", [](SceneEdits&) { CreatePresetEntity(EntityPreset::Empty); }},
        {"Create Camera", [](SceneEdits&) { CreatePresetEntity(EntityPreset::Camera); }},
        {"Create Child", [](SceneEdits& t) { CreateChildEntity(t.child); }},
        {"Duplicate Entity", [](SceneEdits& t) { DuplicateEntityPartial(t.child, true); }},
        {"Duplicate Entity", [](SceneEdits& t) { DuplicateEntityPartial(t.root, false); }},
        {"Delete Entity", [](SceneEdits& t) { DeleteEntityWithUndo(t.root); }},
        {"Reparent Entity", [](SceneEdits& t) { HierarchyDropEntity(t.child, t.other); }},
        {"Reparent Entity", [](SceneEdits& t) { HierarchyDropEntity(t.child, -1); }},
        {"Reparent Entity", [](SceneEdits& t) { HierarchyDropEntity(t.other, t.child); }},
        {"Import Asset To Scene", [](SceneEdits&) { CreateEntityFromAssetWithUndo("Models/crate.glb"); }},
        {"Attach Asset To Entity", [](SceneEdits& t) { AttachAssetWithUndo(t.other, "Materials/red.mat"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        // Some earlier history: the step must not reach into it.
        const SceneState start = Now();
        c.edit(*this);
        const SceneState after = Now();
        EXPECT_FALSE(Same(start, after)) << "the edit changed the scene";
        ASSERT_EQ(g_undoStack.size(), 1u);
        EXPECT_STREQ(g_undoStack.back().label, c.label);
        PerformUndo();
        EXPECT_TRUE(Same(Now(), start)) << "one undo gives back the scene before the edit";
        EXPECT_TRUE(g_undoStack.empty());
        PerformRedo();
        EXPECT_TRUE(Same(Now(), after)) << "redo applies the edit again";
        PerformUndo();
        UndoClearHistory();
    }
}

TEST_F(SceneEdits, RefusedOrEmptyEditsRecordNothing) {
    struct Case {
        const char* what;
        std::function<void(SceneEdits&)> edit;
    } const cases[] = {
        {"a parent onto its own child", [](SceneEdits& t) { HierarchyDropEntity(t.root, t.child); }},
        {"a row onto itself", [](SceneEdits& t) { HierarchyDropEntity(t.root, t.root); }},
        {"a row where it already is", [](SceneEdits& t) { HierarchyDropEntity(t.child, t.root); }},
        {"a root onto the free area", [](SceneEdits& t) { HierarchyDropEntity(t.other, -1); }},
        {"a child of a missing parent", [](SceneEdits&) { CreateChildEntity(4242); }},
        {"a duplicate of a missing entity", [](SceneEdits&) { DuplicateEntityPartial(4242, true); }},
        {"an asset that makes no entity", [](SceneEdits&) {
             g_editorHooks.createEntityFromAsset = FakeCreateNothing;
             CreateEntityFromAssetWithUndo("Models/pending.blend");
         }},
        {"an asset the row does not take", [](SceneEdits& t) { AttachAssetWithUndo(t.other, "notes.txt"); }},
    };
    for (const Case& c : cases) {
        const SceneState start = Now();
        c.edit(*this);
        EXPECT_TRUE(Same(Now(), start)) << c.what;
        EXPECT_TRUE(g_undoStack.empty()) << c.what;
    }
}

TEST_F(SceneEdits, LoadersAndBuildersRecordNothing) {
    // The store's own calls stay plain: import builders and play mode use them.
    AddEnt("Built", root);
    ReparentEntity(other, root);
    EXPECT_TRUE(g_undoStack.empty());
    EXPECT_EQ(GetEnt(other)->transform.scale.x, 2.0f) << "ReparentEntity keeps the local transform";
}

TEST_F(SceneEdits, WaterSurfaceDefaultsAreInsideTheCreateStep) {
    g_editorHooks.applyLiquidMaterialDefaults = [](Entity& e) {
        e.hasMaterial = true;
        e.material.roughness = 0.05f;
    };
    const SceneState start = Now();
    int32_t id = CreatePresetEntity(EntityPreset::WaterSurface);
    ASSERT_TRUE(GetEnt(id) && GetEnt(id)->hasMaterial);
    ASSERT_EQ(g_undoStack.size(), 1u);
    EXPECT_STREQ(g_undoStack.back().label, "Create Water Surface");
    PerformUndo();
    EXPECT_TRUE(Same(Now(), start));
}

// ---- Re-parenting keeps the world placement --------------------------------

Vec3 WorldPos(int32_t id) { return EntityWorldPos(*GetEnt(id)); }
Quat WorldRot(int32_t id) { return EntityWorldQuat(*GetEnt(id)); }
Vec3 WorldAxisLength(int32_t id) {
    const Mat4 m = EntityModelMatrix(*GetEnt(id));
    auto len = [&](int c) { return std::sqrt(m.m[c * 4] * m.m[c * 4] + m.m[c * 4 + 1] * m.m[c * 4 + 1] + m.m[c * 4 + 2] * m.m[c * 4 + 2]); };
    return Vec3(len(0), len(1), len(2));
}
void ExpectNear(Vec3 a, Vec3 b, const char* what) {
    EXPECT_NEAR(a.x, b.x, 1e-4f) << what;
    EXPECT_NEAR(a.y, b.y, 1e-4f) << what;
    EXPECT_NEAR(a.z, b.z, 1e-4f) << what;
}
// Same rotation: q and -q are the same turn.
void ExpectSameRotation(Quat a, Quat b) {
    const float d = std::fabs(a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w);
    EXPECT_NEAR(d, 1.0f, 1e-4f) << "world rotation";
    for (Vec3 v : {Vec3(1, 0, 0), Vec3(0, 1, 0), Vec3(0, 0, 1)}) ExpectNear(QuatRotate(a, v), QuatRotate(b, v), "axis");
}

struct ParentCase {
    const char* what;
    Transform parent, grand;  // the new parent and its own parent
    Transform entity;         // the entity, first under its old parent
    Transform oldParent;
    bool scaleKept;           // the world scale can be kept exactly
};

Transform T(Vec3 p, Vec3 r, Vec3 s) {
    Transform t;
    t.position = p;
    t.rotation = r;
    t.scale = s;
    return t;
}

TEST(ReparentKeepingWorld, WorldPlacementStays) {
    const Transform id;
    const ParentCase cases[] = {
        {"rotated parent", T({3, 1, -2}, {30, 45, 10}, {1, 1, 1}), id, T({1, 2, 3}, {10, 20, 30}, {1, 1, 1}), id, true},
        {"uniformly scaled parent", T({-1, 4, 0}, {0, 0, 0}, {2.5f, 2.5f, 2.5f}), id,
         T({1, 2, 3}, {-40, 5, 60}, {0.5f, 2, 1}), id, true},
        {"rotated and scaled parent under a rotated grandparent", T({0, 1, 5}, {70, -20, 5}, {0.4f, 0.4f, 0.4f}),
         T({2, 0, 0}, {0, 90, 0}, {3, 3, 3}), T({-2, 0, 1}, {15, 25, 35}, {1, 3, 1}), id, true},
        {"from a scaled old parent to a rotated one", T({1, 1, 1}, {0, 0, 90}, {1, 1, 1}), id,
         T({1, 0, 0}, {0, 30, 0}, {1, 1, 1}), T({0, 0, 4}, {0, 45, 0}, {2, 2, 2}), true},
        {"non-uniformly scaled parent", T({1, 2, 3}, {20, 30, 40}, {1, 3, 0.5f}), id,
         T({4, -1, 2}, {10, 50, -30}, {1, 1, 1}), id, false},
    };
    for (const ParentCase& c : cases) {
        SCOPED_TRACE(c.what);
        korvane::test::ResetSceneModel();
        Entity* g = AddEnt("Grand", -1);
        g->transform = c.grand;
        const int32_t grand = g->id;
        Entity* p = AddEnt("Parent", grand);
        p->transform = c.parent;
        const int32_t parent = p->id;
        Entity* o = AddEnt("Old", -1);
        o->transform = c.oldParent;
        const int32_t old = o->id;
        Entity* e = AddEnt("Moved", old);
        e->transform = c.entity;
        const int32_t ent = e->id;

        const Vec3 pos = WorldPos(ent), scale = WorldAxisLength(ent);
        const Quat rot = WorldRot(ent);
        ASSERT_TRUE(ReparentEntityAsUndoStep(ent, parent));
        EXPECT_EQ(GetEnt(ent)->parent, parent);
        ExpectNear(WorldPos(ent), pos, "world position");
        ExpectSameRotation(WorldRot(ent), rot);
        if (c.scaleKept) ExpectNear(WorldAxisLength(ent), scale, "world scale");

        // And back out to the root.
        ASSERT_TRUE(ReparentEntityAsUndoStep(ent, -1));
        ExpectNear(WorldPos(ent), pos, "world position at the root");
        ExpectSameRotation(WorldRot(ent), rot);
        if (c.scaleKept) ExpectNear(WorldAxisLength(ent), scale, "world scale at the root");
        EXPECT_EQ(g_undoStack.size(), 2u);
    }
}

TEST(ReparentKeepingWorld, SingularParentLeavesFiniteValues) {
    korvane::test::ResetSceneModel();
    Entity* p = AddEnt("Flat", -1);
    p->transform.scale = Vec3(0, 1, 1);
    const int32_t parent = p->id;
    const int32_t ent = AddEnt("Moved", -1)->id;
    GetEnt(ent)->transform.position = Vec3(1, 2, 3);
    ASSERT_TRUE(ReparentKeepingWorld(ent, parent));
    const Transform& t = GetEnt(ent)->transform;
    for (float v : {t.position.x, t.position.y, t.position.z, t.rotation.x, t.rotation.y, t.rotation.z, t.scale.x,
                    t.scale.y, t.scale.z})
        EXPECT_TRUE(std::isfinite(v));
}

} // namespace
