// The viewport's 3D pass read back from a small target: grid and axes,
// meshes per view mode, hidden and disabled entities, the selection outline
// (absent in pure wireframe) and the gizmo handles drawn over everything.

#include <gtest/gtest.h>

#include <vector>

#include "editor/ui/viewport/EditorCamera.h"
#include "editor/ui/viewport/Gizmo.h"
#include "editor/ui/viewport/ViewportRender.h"
#include "tests/support/RenderFixture.h"

using namespace korvane::test;

namespace {

class ViewportRenderGl : public RenderGlTest {
protected:
    // Larger than the fixture's target: gizmo handles are a few pixels wide.
    static constexpr int kVp = 192;
    unsigned vpFbo = 0, vpTex = 0, vpRbo = 0;
    unsigned savedFbo = 0;
    int savedW = 0, savedH = 0;

    void SetUp() override {
        RenderGlTest::SetUp();
        if (IsSkipped()) return;
        savedFbo = g_vpFBO;
        savedW = g_vpW;
        savedH = g_vpH;
        InitColorDepthFBO(vpFbo, vpTex, vpRbo, kVp, kVp, "ViewportTest");
        g_vpFBO = vpFbo;
        g_vpW = g_vpH = kVp;
        ResetEditorCamera();
        ResetGizmoState();
        g_vpDispW = g_vpDispH = kVp;
        g_camYaw = 0.4f;
        g_camPitch = 0.35f;
        g_camDist = 4.0f;
        g_camTarg = Vec3(0, 0, 0);
        RecomputeViewMatrices();
        g_gizmoMode = kGizmoNone;
        g_viewMode = 0;
        g_selId = -1;
        g_showGrid = false;
    }
    void TearDown() override {
        if (!IsSkipped()) {
            DeleteFramebuffer(vpFbo);
            DeleteTexture(vpTex);
            DeleteRenderbuffer(vpRbo);
            g_vpFBO = savedFbo;
            g_vpW = savedW;
            g_vpH = savedH;
            g_viewMode = 0;
            g_showGrid = false;
            ResetGizmoState();
        }
        RenderGlTest::TearDown();
    }
    std::vector<Rgba> Render() {
        RenderViewport3D();
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        glBindFramebuffer(GL_FRAMEBUFFER, vpFbo);
        std::vector<Rgba> px = GlHarness::ReadPixels(0, 0, kVp, kVp);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        return px;
    }
    static size_t Differences(const std::vector<Rgba>& a, const std::vector<Rgba>& b) {
        size_t n = 0;
        for (size_t i = 0; i < a.size() && i < b.size(); ++i) n += a[i] == b[i] ? 0 : 1;
        return n;
    }
};

TEST_F(ViewportRenderGl, GridAndAxesOverTheClearColour) {
    const std::vector<Rgba> axesOnly = Render();
    EXPECT_FALSE(GlHarness::AllSame(axesOnly)) << "the axis lines are always drawn";
    g_showGrid = true;
    const std::vector<Rgba> withGrid = Render();
    EXPECT_GT(Differences(axesOnly, withGrid), 20u);
}

TEST_F(ViewportRenderGl, MeshesFollowVisibilityAndViewModes) {
    const std::vector<Rgba> empty = Render();
    Entity& cube = AddMesh(MeshShape_Cube, Vec3(0, 0, 0));
    const int id = cube.id;
    const std::vector<Rgba> shaded = Render();
    EXPECT_GT(Differences(empty, shaded), 100u);
    GetEnt(id)->mesh.visible = false;
    EXPECT_EQ(Differences(empty, Render()), 0u) << "a hidden mesh is not drawn";
    GetEnt(id)->mesh.visible = true;
    GetEnt(id)->enabled = false;
    EXPECT_EQ(Differences(empty, Render()), 0u) << "a disabled entity is not drawn";
    GetEnt(id)->enabled = true;
    g_viewMode = 1;
    const std::vector<Rgba> wire = Render();
    EXPECT_GT(Differences(empty, wire), 10u);
    EXPECT_GT(Differences(shaded, wire), 100u) << "wireframe leaves the faces empty";
}

TEST_F(ViewportRenderGl, SelectionOutlineExceptInPureWireframe) {
    Entity& cube = AddMesh(MeshShape_Cube, Vec3(0, 0, 0));
    const int id = cube.id;
    struct Case {
        int mode;
        bool outline;
    } cases[] = {{0, true}, {1, false}, {2, true}};
    for (const Case& c : cases) {
        g_viewMode = c.mode;
        g_selId = -1;
        const std::vector<Rgba> plain = Render();
        g_selId = id;
        const std::vector<Rgba> selected = Render();
        if (c.outline) {
            EXPECT_GT(Differences(plain, selected), 10u) << "mode " << c.mode;
        } else {
            EXPECT_EQ(Differences(plain, selected), 0u) << "mode " << c.mode;
        }
    }
}

TEST_F(ViewportRenderGl, GizmoHandlesAreDrawnOverTheScene) {
    // The entity hides behind a wall; its handles still show.
    Entity& target = AddMesh(MeshShape_Sphere, Vec3(0, 0, 0), Vec3(0.2f, 0.2f, 0.2f));
    const int id = target.id;
    AddMesh(MeshShape_Cube, g_camEye * 0.5f, Vec3(3, 3, 0.1f), Vec3(0, 0.4f * 57.29578f, 0));
    g_selId = id;
    g_viewMode = 1;  // no outline: only the gizmo changes the picture
    const std::vector<Rgba> none = Render();
    g_gizmoMode = kGizmoMove;
    const std::vector<Rgba> move = Render();
    EXPECT_GT(Differences(none, move), 20u);
    g_gizmoMode = kGizmoRotate;
    const std::vector<Rgba> rotate = Render();
    EXPECT_GT(Differences(move, rotate), 20u);
    // A dragged handle is drawn brighter.
    g_gizmoMode = kGizmoMove;
    g_gizmoAxis = 0;
    const std::vector<Rgba> dragged = Render();
    EXPECT_GT(Differences(move, dragged), 0u);
}

} // namespace
