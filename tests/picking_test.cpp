// Ray picking: the ray helpers' edge cases, the primitive triangle cache and
// which entity a viewport click selects (distance, depth, exactness, ties).

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/scene/Undo.h"
#include "editor/ui/viewport/EditorCamera.h"
#include "editor/ui/viewport/Picking.h"

namespace {

Ray MakeRay(Vec3 o, Vec3 d) {
    Ray r;
    r.origin = o;
    r.dir = d;
    return r;
}

TEST(RayHelpers, RayAABB) {
    const Vec3 lo(-1, -1, -1), hi(1, 1, 1);
    struct Case {
        const char* what;
        Ray r;
        bool hit;
        float t;
    } cases[] = {
        {"from outside: entry point", MakeRay(Vec3(0, 0, 5), Vec3(0, 0, -1)), true, 4.0f},
        {"from inside: exit point", MakeRay(Vec3(0, 0, 0.5f), Vec3(0, 0, -1)), true, 1.5f},
        {"box behind the ray", MakeRay(Vec3(0, 0, 5), Vec3(0, 0, 1)), false, 0},
        {"passes beside", MakeRay(Vec3(2, 0, 5), Vec3(0, 0, -1)), false, 0},
        {"parallel inside the slab", MakeRay(Vec3(0.5f, 5, 0), Vec3(0, -1, 0)), true, 4.0f},
        {"parallel outside the slab", MakeRay(Vec3(1.5f, 5, 0), Vec3(0, -1, 0)), false, 0},
        {"grazes an edge", MakeRay(Vec3(1, 5, 1), Vec3(0, -1, 0)), true, 4.0f},
        {"diagonal", MakeRay(Vec3(3, 3, 3), Vec3(-1, -1, -1).norm()), true, std::sqrt(12.0f)},
        {"NaN direction", MakeRay(Vec3(0, 0, 5), Vec3(NAN, 0, -1)), false, 0},
    };
    for (const Case& c : cases) {
        float t = -7.0f;
        EXPECT_EQ(RayAABB(c.r, lo, hi, t), c.hit) << c.what;
        if (c.hit) {
            EXPECT_NEAR(t, c.t, 1e-4f) << c.what;
        }
    }
}

TEST(RayHelpers, RayTriangleMT) {
    const Vec3 a(0, 0, 0), b(1, 0, 0), c(0, 1, 0);
    struct Case {
        const char* what;
        Ray r;
        bool hit;
        float t;
    } cases[] = {
        {"front face", MakeRay(Vec3(0.25f, 0.25f, 2), Vec3(0, 0, -1)), true, 2.0f},
        {"back face counts too", MakeRay(Vec3(0.25f, 0.25f, -3), Vec3(0, 0, 1)), true, 3.0f},
        {"outside the edge", MakeRay(Vec3(0.75f, 0.75f, 2), Vec3(0, 0, -1)), false, 0},
        {"on a vertex", MakeRay(Vec3(0, 0, 1), Vec3(0, 0, -1)), true, 1.0f},
        {"parallel to the plane", MakeRay(Vec3(0.2f, 0.2f, 1), Vec3(1, 0, 0)), false, 0},
        {"triangle behind", MakeRay(Vec3(0.25f, 0.25f, 2), Vec3(0, 0, 1)), false, 0},
        {"origin on the triangle", MakeRay(Vec3(0.25f, 0.25f, 0), Vec3(0, 0, -1)), false, 0},
    };
    for (const Case& cs : cases) {
        float t = -7.0f;
        EXPECT_EQ(RayTriangleMT(cs.r, a, b, c, t), cs.hit) << cs.what;
        if (cs.hit) {
            EXPECT_NEAR(t, cs.t, 1e-5f) << cs.what;
        }
    }
    // A degenerate (zero-area) triangle, as at a sphere's poles, never hits.
    float t = 0;
    EXPECT_FALSE(RayTriangleMT(MakeRay(Vec3(0, 0, 1), Vec3(0, 0, -1)), a, a, b, t));
}

TEST(RayHelpers, RayPlane) {
    Vec3 hit;
    EXPECT_TRUE(RayPlane(MakeRay(Vec3(1, 5, 2), Vec3(0, -1, 0)), Vec3(0, 1, 0), Vec3(0, 0, 0), hit));
    EXPECT_NEAR(hit.x, 1, 1e-6f);
    EXPECT_NEAR(hit.y, 0, 1e-6f);
    EXPECT_NEAR(hit.z, 2, 1e-6f);
    // Either side of the plane works (the normal's sign does not matter).
    EXPECT_TRUE(RayPlane(MakeRay(Vec3(0, -5, 0), Vec3(0, 1, 0)), Vec3(0, 1, 0), Vec3(0, 0, 0), hit));
    EXPECT_FALSE(RayPlane(MakeRay(Vec3(0, 5, 0), Vec3(1, 0, 0)), Vec3(0, 1, 0), Vec3(0, 0, 0), hit)) << "parallel";
    EXPECT_FALSE(RayPlane(MakeRay(Vec3(0, 5, 0), Vec3(0, 1, 0)), Vec3(0, 1, 0), Vec3(0, 0, 0), hit)) << "behind";
}

TEST(PickTriangleCache, BuiltOnceFromTheRenderGenerators) {
    const size_t counts[] = {36, 2400, 240, 120, 3072, 6};
    for (int s = 0; s < 6; ++s) {
        const std::vector<V3>& v = PrimitivePickVerts(s);
        EXPECT_EQ(v.size(), counts[s]) << s;
        EXPECT_EQ(&PrimitivePickVerts(s), &v) << "cached";
        std::vector<V3> rebuilt;
        BuildPrimitivePickVerts(s, rebuilt);
        ASSERT_EQ(rebuilt.size(), v.size());
        for (size_t i = 0; i < v.size(); ++i)
            for (int k = 0; k < 3; ++k) ASSERT_EQ(rebuilt[i].pos[k], v[i].pos[k]);
        // Every vertex lies inside the shape's local box.
        Vec3 lo, hi;
        MeshLocalBounds(s, lo, hi);
        for (const V3& p : v) {
            ASSERT_TRUE(p.pos[0] >= lo.x - 1e-5f && p.pos[0] <= hi.x + 1e-5f) << s;
            ASSERT_TRUE(p.pos[1] >= lo.y - 1e-5f && p.pos[1] <= hi.y + 1e-5f) << s;
            ASSERT_TRUE(p.pos[2] >= lo.z - 1e-5f && p.pos[2] <= hi.z + 1e-5f) << s;
        }
    }
    EXPECT_EQ(PrimitivePickVerts(42).size(), 36u) << "unknown shapes are cubes";
    EXPECT_EQ(PrimitivePickVerts(6).size(), 36u) << "custom counts as a cube for triangles";
}

TEST(PickTriangleCache, LocalBounds) {
    struct Case {
        int shape;
        Vec3 half;
    } cases[] = {{0, {0.5f, 0.5f, 0.5f}},  {3, {0.5f, 0.5f, 0.5f}}, {4, {0.65f, 0.18f, 0.65f}},
                 {5, {5, 0.05f, 5}},       {6, {2, 2, 2}},          {99, {0.5f, 0.5f, 0.5f}}};
    for (const Case& c : cases) {
        Vec3 lo, hi;
        MeshLocalBounds(c.shape, lo, hi);
        EXPECT_EQ(hi.x, c.half.x);
        EXPECT_EQ(hi.y, c.half.y);
        EXPECT_EQ(hi.z, c.half.z);
        EXPECT_EQ(lo.x, -c.half.x);
    }
}

TEST(ImportedParts, RendererSelectsNodeAndSlot) {
    struct Case {
        int node, slot, subNode, subMat;
        bool match;
    } cases[] = {
        {-1, -1, 3, 2, true}, {3, -1, 3, 9, true}, {4, -1, 3, 2, false},
        {-1, 2, 7, 2, true},  {-1, 1, 7, 2, false}, {3, 2, 3, 2, true},
    };
    for (const Case& c : cases) {
        MeshRenderer r;
        r.importedNode = c.node;
        r.importedMaterialSlot = c.slot;
        EXPECT_EQ(ImportedPartMatchesRenderer(r, c.subNode, c.subMat), c.match);
    }
}

// A fake imported model: one quad facing +Z at z = zFace, two submeshes
// (node 0 / material 1 on the left half, node 1 / material 2 on the right).
struct FakeModel {
    std::vector<float> pos;
    std::vector<uint32_t> idx;
    PickSubmesh subs[2];
    float zFace = 0.5f;
    void Build() {
        pos = {-1, -1, zFace, 0, -1, zFace, 0, 1, zFace, -1, 1, zFace, 1, -1, zFace, 1, 1, zFace};
        idx = {0, 1, 2, 0, 2, 3, 1, 4, 5, 1, 5, 2};
        subs[0] = {0, 6, 1, 0, Vec3(-1, -1, zFace), Vec3(0, 1, zFace)};
        subs[1] = {6, 6, 2, 1, Vec3(0, -1, zFace), Vec3(1, 1, zFace)};
    }
    PickModelView View() const {
        PickModelView v;
        v.boundsMin = Vec3(-1, -1, zFace);
        v.boundsMax = Vec3(1, 1, zFace);
        v.positions = pos.data();
        v.positionCount = int32_t(pos.size() / 3);
        v.indices = idx.data();
        v.indexCount = int32_t(idx.size());
        v.submeshes = subs;
        v.submeshCount = 2;
        return v;
    }
};
FakeModel g_fake;
bool g_fakeLoads = true;
bool FakeProvider(const char* path, PickModelView& out) {
    if (!g_fakeLoads || std::string(path) != "Models/fake.glb") return false;
    out = g_fake.View();
    return true;
}

class PickSceneTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_ents.clear();
        g_entIdx.clear();
        g_nextId = 1;
        g_selId = -1;
        UndoClearHistory();
        ResetEditorCamera();
        g_vpDispW = 800;
        g_vpDispH = 600;
        g_camYaw = 0;
        g_camPitch = 0;
        g_camDist = 10;
        g_camTarg = Vec3(0, 0, 0);
        RecomputeViewMatrices();
        g_fake.Build();
        g_fakeLoads = true;
        g_pickModelProvider = FakeProvider;
    }
    void TearDown() override { g_pickModelProvider = nullptr; }

    static int Mesh(const char* name, int shape, Vec3 pos, int parent = -1) {
        Entity* e = AddEnt(name, parent);
        e->hasMesh = true;
        e->mesh.shape = shape;
        e->transform.position = pos;
        return e->id;
    }
    static int Pick(float x = 400, float y = 300, float* tOut = nullptr) {
        int id = -7;
        float t = -7;
        bool hit = PickEntityAtViewportPoint(x, y, id, t);
        EXPECT_EQ(hit, id >= 0);
        if (!hit) {
            EXPECT_EQ(t, 0.0f);
        }
        if (tOut) *tOut = t;
        return id;
    }
    static int PriorityOf(int id, float x = 400, float y = 300) {
        float t = 0;
        int pr = -1;
        RayEntityViewportPick(ScreenToRay(x, y), *GetEnt(id), x, y, t, pr);
        return pr;
    }
};

TEST_F(PickSceneTest, NearestHitWinsAndMissesClearTheResult) {
    EXPECT_EQ(Pick(), -1);
    int back = Mesh("Back", 0, Vec3(0, 0, -3));
    int front = Mesh("Front", 1, Vec3(0, 0, 2));
    float t = 0;
    EXPECT_EQ(Pick(400, 300, &t), front);
    EXPECT_NEAR(t, 10 - 2 - 0.5f - 0.1f, 0.01f) << "distance from the near plane to the sphere's surface";
    GetEnt(front)->enabled = false;
    EXPECT_EQ(Pick(), back) << "disabled entities are skipped";
    EXPECT_EQ(Pick(5, 5), -1);
}

TEST_F(PickSceneTest, TiesPreferDepthThenExactnessThenStoreOrder) {
    // Coincident cubes at equal depth: the earlier one stays.
    int first = Mesh("First", 0, Vec3(0, 0, 0));
    Mesh("Second", 0, Vec3(0, 0, 0));
    EXPECT_EQ(Pick(), first);

    // A child exactly over its parent wins through depth.
    int parent = Mesh("Parent", 0, Vec3(0, 0, 0));
    int child = Mesh("Child", 0, Vec3(0, 0, 0), parent);
    EXPECT_EQ(Pick(), child);

    // At equal depth an imported model beats a primitive beats a box.
    g_ents.clear();
    g_entIdx.clear();
    int cube = Mesh("Cube", 0, Vec3(0, 0, 0));
    int imported = Mesh("Imported", 6, Vec3(0, 0, 0));
    std::snprintf(GetEnt(imported)->mesh.modelPath, 1024, "Models/fake.glb");
    EXPECT_EQ(PriorityOf(cube), kPickPriorityPrimitive);
    EXPECT_EQ(PriorityOf(imported), kPickPriorityImported);
    EXPECT_EQ(Pick(), imported);
    // The box test (priority 1) loses to a primitive at the same distance.
    // Seen from above, a click through a torus's hole hits only its box; the
    // torus is stretched so that its box top meets a cube's top face.
    g_ents.clear();
    g_entIdx.clear();
    g_camPitch = 1.5f;
    RecomputeViewMatrices();
    int torus = Mesh("Torus", 4, Vec3(0, 0, 0));
    GetEnt(torus)->transform.scale = Vec3(1, 0.5f / 0.18f, 1);  // box top at y = 0.5
    int cube2 = Mesh("Cube", 0, Vec3(0, 0, 0));
    EXPECT_EQ(PriorityOf(torus), kPickPriorityBox) << "the torus's hole is hit through its box";
    EXPECT_EQ(Pick(), cube2);
}

TEST_F(PickSceneTest, ImportedModelsPickTheirOwnTrianglesOrNothing) {
    int id = Mesh("Imported", 6, Vec3(0, 0, 0));
    Entity* e = GetEnt(id);
    std::snprintf(e->mesh.modelPath, 1024, "Models/fake.glb");
    float t = 0;
    EXPECT_EQ(Pick(400, 300, &t), id);
    EXPECT_NEAR(t, 10 - 0.5f - 0.1f, 0.01f);
    // A renderer limited to the left part misses a click on the right part.
    ImVec2 right, left;
    ASSERT_TRUE(WorldToScreen(Vec3(0.5f, 0, 0.5f), right));
    ASSERT_TRUE(WorldToScreen(Vec3(-0.5f, 0, 0.5f), left));
    e->mesh.importedNode = 0;
    EXPECT_EQ(Pick(right.x, right.y), -1);
    EXPECT_EQ(Pick(left.x, left.y), id);
    // A material slot adds one to the priority.
    e->mesh.importedNode = -1;
    e->mesh.importedMaterialSlot = 2;
    EXPECT_EQ(Pick(right.x, right.y), id);
    // Bad indices are skipped, not read: only the box fallback remains.
    g_fake.idx = {0, 1, 99, 4000000000u, 2, 3, 1, 4, 5, 1, 5, 2};
    e->mesh.importedMaterialSlot = -1;
    EXPECT_EQ(Pick(left.x, left.y), id) << "box fallback of the left part";
    // A model that cannot be loaded is never picked, even with a light.
    e->hasLight = true;
    g_fakeLoads = false;
    EXPECT_EQ(Pick(), -1);
}

TEST_F(PickSceneTest, MeshlessComponentsPickWithinAScreenRadius) {
    Entity* light = AddEnt("Point Light", -1);
    light->hasLight = true;
    light->light.type = 1;
    light->transform.position = Vec3(2, 0, 0);
    int lightId = light->id;
    Entity* col = AddEnt("Collider", -1);
    col->hasCollider = true;
    col->transform.position = Vec3(-2, 0, 0);
    int colId = col->id;
    ImVec2 ls, cs;
    ASSERT_TRUE(WorldToScreen(Vec3(2, 0, 0), ls));
    ASSERT_TRUE(WorldToScreen(Vec3(-2, 0, 0), cs));
    struct Case {
        const char* what;
        ImVec2 at;
        int expect;
    } cases[] = {
        {"light within 13 px", {ls.x + 12, ls.y}, lightId},
        {"light beyond 13 px", {ls.x + 14, ls.y}, -1},
        {"collider within 16 px", {cs.x, cs.y + 15}, colId},
        {"collider beyond 16 px", {cs.x, cs.y + 17}, -1},
    };
    for (const Case& c : cases) EXPECT_EQ(Pick(c.at.x, c.at.y), c.expect) << c.what;
    EXPECT_EQ(PriorityOf(lightId, ls.x, ls.y), kPickPriorityScreenRadius);
    // Without any such component, nothing is picked there.
    GetEnt(lightId)->hasLight = false;
    EXPECT_EQ(Pick(ls.x, ls.y), -1);
}

TEST_F(PickSceneTest, HiddenAndFlatMeshesAreNotPickedByTheirMesh) {
    int id = Mesh("Cube", 0, Vec3(0, 0, 0));
    GetEnt(id)->mesh.visible = false;
    EXPECT_EQ(Pick(), -1);
    GetEnt(id)->mesh.visible = true;
    GetEnt(id)->transform.scale = Vec3(1, 0, 1);
    EXPECT_EQ(Pick(), -1);
    // ... but a light on it is still found by its screen radius.
    GetEnt(id)->hasLight = true;
    EXPECT_EQ(Pick(), id);
    EXPECT_EQ(PriorityOf(id), kPickPriorityScreenRadius);
    // A child of a parent scaled flat cannot be hit through its mesh either
    // (the inverse does not exist; it must not pretend to be the identity).
    g_ents.clear();
    g_entIdx.clear();
    int flat = AddEnt("Flat", -1)->id;
    GetEnt(flat)->transform.scale = Vec3(0, 0, 0);
    Mesh("Child", 0, Vec3(0, 0, 0), flat);
    EXPECT_EQ(Pick(), -1);
    // Non-finite transforms from a damaged file are not picked.
    g_ents.clear();
    g_entIdx.clear();
    int broken = Mesh("Broken", 0, Vec3(0, 0, 0));
    GetEnt(broken)->transform.rotation = Vec3(NAN, 0, 0);
    EXPECT_EQ(Pick(), -1);
}

TEST_F(PickSceneTest, RotatedAndScaledEntitiesUseTheirLocalShape) {
    // A plane (10 x 10, thin) seen edge-on misses; tilted towards the camera
    // it is hit far from its centre.
    int plane = Mesh("Plane", 5, Vec3(0, 0, 0));
    ImVec2 s;
    ASSERT_TRUE(WorldToScreen(Vec3(0, 3, 0), s));
    EXPECT_EQ(Pick(s.x, s.y), -1);
    GetEnt(plane)->transform.rotation = Vec3(90, 0, 0);
    EXPECT_EQ(Pick(s.x, s.y), plane);
    // Scale stretches the hit area.
    g_ents.clear();
    g_entIdx.clear();
    int cube = Mesh("Cube", 0, Vec3(0, 0, 0));
    ASSERT_TRUE(WorldToScreen(Vec3(1.5f, 0, 0.5f), s));
    EXPECT_EQ(Pick(s.x, s.y), -1);
    GetEnt(cube)->transform.scale = Vec3(4, 1, 1);
    EXPECT_EQ(Pick(s.x, s.y), cube);
}

} // namespace
