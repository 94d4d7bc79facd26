// Imported models on the GPU: upload sizes, drawing the parts a renderer
// selects, picking by triangles, the failure memo and eviction, and the
// running game writing nothing. Models are written by each test.

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "editor/assets/gltf/GltfLoader.h"
#include "editor/assets/gltf/ImportedModelCache.h"
#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/base/ProjectPaths.h"
#include "editor/ui/frame/ImportedModelHooks.h"
#include "tests/support/RenderFixture.h"
#include "tests/support/TempTree.h"
#include "tools/GltfBuilder.h"

namespace {

namespace fs = std::filesystem;
using namespace korvane::test;
using namespace korvane::gltfbuild;

std::vector<float> Quad(float x0, float y0, float x1, float y1) {
    return {x0, y0, 0, x1, y0, 0, x1, y1, 0, x0, y0, 0, x1, y1, 0, x0, y1, 0};
}

// One node per rectangle, each with its own mesh and material.
std::string Rects(const std::vector<std::vector<float>>& rects) {
    Builder b;
    std::vector<int> roots;
    for (size_t i = 0; i < rects.size(); ++i) {
        const std::vector<float>& r = rects[i];
        const int pos = b.AddFloats(Quad(r[0], r[1], r[2], r[3]), 3);
        std::vector<float> n;
        for (int k = 0; k < 6; ++k) n.insert(n.end(), {0, 0, 1});
        const int nrm = b.AddFloats(n, 3);
        b.Add("materials", {{"name", "M" + std::to_string(i)},
                            {"pbrMetallicRoughness", {{"baseColorFactor", {1, 1, 1, 1}}, {"metallicFactor", 0}}}});
        b.AddMesh(pos, -1, int(i), {{"NORMAL", nrm}});
        b.Add("nodes", {{"name", "Part" + std::to_string(i)}, {"mesh", int(i)}});
        roots.push_back(int(i));
    }
    b.SetScene(roots);
    return b.Glb();
}

class GltfModelGl : public RenderGlTest {
protected:
    TempTree tree;
    void SetUp() override {
        RenderGlTest::SetUp();
        if (IsSkipped()) return;
        ASSERT_TRUE(SetProjectRoot(tree / "Proj"));
        tree.Mkdir("Proj/Assets");
        InstallImportedModelHooks();
        ReleaseImportedModels();
        g_gameBuild = false;
    }
    void TearDown() override {
        if (IsSkipped()) return;
        ReleaseImportedModels();
        g_drawImportedPartsFn = nullptr;
        g_pickModelProvider = nullptr;
        g_gameBuild = false;
        RenderGlTest::TearDown();
    }
    std::string Put(const std::string& rel, const std::string& bytes) { return tree.Write("Proj/Assets/" + rel, bytes); }
    static int LogCount(const std::string& text) {
        int n = 0;
        for (const LogEntry& e : LogSnapshot()) n += e.text.find(text) != std::string::npos;
        return n;
    }
};

TEST_F(GltfModelGl, UploadsOneBufferPairSharedByPathText) {
    Put("Models/two.glb", Rects({{0, 0, 1, 1}, {2, 0, 3, 1}}));
    ImportedModel* m = GetOrLoadImportedModel("Models/two.glb");
    ASSERT_NE(m, nullptr);
    ASSERT_NE(m->vao, 0u);
    GLint size = 0;
    glBindBuffer(GL_ARRAY_BUFFER, m->vbo);
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
    EXPECT_EQ(size, 12 * 60);
    glBindVertexArray(m->vao);
    glGetBufferParameteriv(GL_ELEMENT_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
    EXPECT_EQ(size, 12 * 4);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    EXPECT_EQ(m->indexCount, 12);
    // The same text shares the entry; another text for the same file gets its own.
    EXPECT_EQ(GetOrLoadImportedModel("Models/two.glb"), m);
    ImportedModel* other = GetOrLoadImportedModel(ResolveProjectAssetPath("Models/two.glb").c_str());
    ASSERT_NE(other, nullptr);
    EXPECT_NE(other, m);
    EXPECT_EQ(g_importedModels.size(), 2u);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(GltfModelGl, DrawsOnlyTheSelectedNode) {
    Put("two.glb", Rects({{-1.3f, -0.5f, -0.3f, 0.5f}, {0.3f, -0.5f, 1.3f, 0.5f}}));
    const View v = LookAt(Vec3(0, 0, 3), Vec3(0, 0, 0));
    AddLight(0, Vec3(0, 0, 5), Vec3(0, 0, 0), 3.0f);
    auto render = [&](int node, int slot) {
        ResetScene();
        AddLight(0, Vec3(0, 0, 5), Vec3(0, 0, 0), 3.0f);
        Entity& e = AddMesh(MeshShape_Custom, Vec3(0, 0, 0));
        std::snprintf(e.mesh.modelPath, sizeof e.mesh.modelPath, "two.glb");
        e.mesh.importedNode = node;
        e.mesh.importedMaterialSlot = slot;
        DrawScene(v);
    };
    render(-1, -1);
    const Rgba background = Pixel(32, 60);
    EXPECT_FALSE(Near(Pixel(14, 32), background, 8));
    EXPECT_FALSE(Near(Pixel(50, 32), background, 8));
    render(1, -1);
    EXPECT_TRUE(Near(Pixel(14, 32), background, 2));
    EXPECT_FALSE(Near(Pixel(50, 32), background, 8));
    int covered = 0;
    for (int x = 0; x < kSize; ++x) covered += !Near(Pixel(x, 32), background, 8);
    EXPECT_GT(covered, 10);
    EXPECT_LT(covered, 32);
    // Slot 1 is the first node's material: only the left rectangle.
    render(-1, 1);
    EXPECT_FALSE(Near(Pixel(14, 32), background, 8));
    EXPECT_TRUE(Near(Pixel(50, 32), background, 2));
    // A node with no submesh draws nothing.
    render(7, -1);
    EXPECT_TRUE(Near(Pixel(14, 32), background, 2));
    EXPECT_TRUE(Near(Pixel(50, 32), background, 2));
}

TEST_F(GltfModelGl, PickingHitsTrianglesAndMissesTheBoxCorner) {
    // An L of two strips: the model box's far corner lies in neither strip's box.
    Put("ell.glb", Rects({{0, 0, 0.2f, 1}, {0, 0, 1, 0.2f}}));
    Entity e;
    e.hasMesh = true;
    e.mesh.shape = MeshShape_Custom;
    std::snprintf(e.mesh.modelPath, sizeof e.mesh.modelPath, "ell.glb");
    e.transform.position = Vec3(1, 0, 0);
    auto ray = [](float x, float y) {
        Ray r;
        r.origin = Vec3(x, y, 5);
        r.dir = Vec3(0, 0, -1);
        return r;
    };
    float t = 0;
    EXPECT_TRUE(RayImportedEntityExact(ray(1.1f, 0.6f), e, t));
    EXPECT_NEAR(t, 5.0f, 1e-4);
    EXPECT_TRUE(RayImportedEntityExact(ray(1.7f, 0.1f), e, t));
    EXPECT_FALSE(RayImportedEntityExact(ray(1.9f, 0.9f), e, t));
    EXPECT_FALSE(RayImportedEntityExact(ray(0.5f, 0.5f), e, t));
    // Only node 1 selected: the vertical strip no longer picks.
    e.mesh.importedNode = 1;
    EXPECT_FALSE(RayImportedEntityExact(ray(1.1f, 0.6f), e, t));
}

TEST_F(GltfModelGl, AFailedModelIsReadOnceUntilItsFileChanges) {
    const std::string path = Put("broken.glb", "not a model");
    LogClear();
    EXPECT_EQ(GetOrLoadImportedModel("broken.glb"), nullptr);
    EXPECT_EQ(GetOrLoadImportedModel("broken.glb"), nullptr);
    Entity& e = AddMesh(MeshShape_Custom, Vec3(0, 0, 0));
    std::snprintf(e.mesh.modelPath, sizeof e.mesh.modelPath, "broken.glb");
    DrawScene(LookAt(Vec3(0, 0, 3), Vec3(0, 0, 0)));
    DrawScene(LookAt(Vec3(0, 0, 3), Vec3(0, 0, 0)));
    EXPECT_EQ(LogCount("glTF parse failed: " + path), 1);
    // A converted file replaces it (another size): the next request loads it.
    Put("broken.glb", Rects({{0, 0, 1, 1}}));
    EXPECT_NE(GetOrLoadImportedModel("broken.glb"), nullptr);
    EXPECT_EQ(LogCount("Imported model loaded: " + path), 1);
}

TEST_F(GltfModelGl, AnEvictedModelIsReloadedFromTheNewFile) {
    Put("m.glb", Rects({{0, 0, 1, 1}}));
    ImportedModel* first = GetOrLoadImportedModel("m.glb");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->vertices.size(), 6u);
    Put("m.glb", Rects({{0, 0, 1, 1}, {1, 0, 2, 1}}));
    // Without an eviction the cached model stays.
    EXPECT_EQ(GetOrLoadImportedModel("m.glb")->vertices.size(), 6u);
    RequestImportedModelEviction(ResolveProjectAssetPath("m.glb"));
    EXPECT_EQ(ApplyImportedModelEvictions(), 1);
    EXPECT_TRUE(g_importedModels.empty());
    ImportedModel* second = GetOrLoadImportedModel("m.glb");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->vertices.size(), 12u);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(GltfModelGl, TheRunningGameWritesNothingIntoItsBundle) {
    g_gameBuild = true;
    Put("Props/crate.glb", Rects({{0, 0, 1, 1}}));
    ASSERT_NE(GetOrLoadImportedModel("Props/crate.glb"), nullptr);
    EXPECT_FALSE(fs::exists(tree / "Proj/Assets/Imported"));
    g_gameBuild = false;
    ReleaseImportedModels();
    ASSERT_NE(GetOrLoadImportedModel("Props/crate.glb"), nullptr);
    EXPECT_TRUE(fs::exists(tree / "Proj/Assets/Imported"));
}

}  // namespace
