// Off-screen targets and the scene passes that fill them: creation and
// completeness, the resize rules, the sky-tinted clear colour, the camera
// pass (its skips, hidden meshes), the built game's full-window pass into the
// test window, and a picture of a whole scene written into the build folder.

#include <cstring>

#include <gtest/gtest.h>

#include <stb_image_write.h>

#include <filesystem>
#include <string>
#include <vector>

#include "editor/legacy/files/SceneFile.h"
#include "editor/render/ShadingModel.h"
#include "tests/support/RenderFixture.h"

using namespace korvane::test;

namespace {

class RenderTargets : public RenderGlTest {
protected:
    // Renders the scene through a camera entity into a W x H target and
    // writes it (top row first) as a PNG into the build folder.
    void WritePicture(int cameraId, const char* fileName) {
        const int W = 320, H = 240;
        unsigned f = 0, t = 0, r = 0;
        InitColorDepthFBO(f, t, r, W, H, "Picture");
        RenderCameraSceneToFBO(cameraId, f, W, H);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        glBindFramebuffer(GL_FRAMEBUFFER, f);
        std::vector<Rgba> pixels = GlHarness::ReadPixels(0, 0, W, H);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        DeleteFramebuffer(f);
        DeleteTexture(t);
        DeleteRenderbuffer(r);
        EXPECT_FALSE(GlHarness::AllSame(pixels));
        std::vector<Rgba> flipped(pixels.size());
        for (int y = 0; y < H; ++y) {
            std::copy_n(&pixels[size_t(H - 1 - y) * W], W, &flipped[size_t(y) * W]);
        }
        const std::string path = std::string(KORVANE_BINARY_DIR) + "/" + fileName;
        ASSERT_NE(stbi_write_png(path.c_str(), W, H, 4, flipped.data(), W * 4), 0);
        EXPECT_GT(std::filesystem::file_size(path), 1000u);
    }

    static GLint TexWidth(unsigned t, GLint* height = nullptr) {
        GLint w = 0, h = 0;
        glBindTexture(GL_TEXTURE_2D, t);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
        glBindTexture(GL_TEXTURE_2D, 0);
        if (height) *height = h;
        return w;
    }
    static bool Complete(unsigned f) {
        glBindFramebuffer(GL_FRAMEBUFFER, f);
        const bool ok = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        return ok;
    }
    int AddCamera(Vec3 pos, Vec3 rot) {
        Entity* cam = AddEnt("Camera", -1);
        cam->hasCamera = true;
        cam->transform.position = pos;
        cam->transform.rotation = rot;
        return cam->id;
    }
    static Rgba SkyClear() {
        const EngineRenderSettings d;
        return {ShadeToByte(d.skyHorizonColor[0] * 0.2f), ShadeToByte(d.skyHorizonColor[1] * 0.2f),
                ShadeToByte(d.skyHorizonColor[2] * 0.24f), 255};
    }
};

TEST_F(RenderTargets, EditorTargetsAreCreatedCompleteAtTheirSizes) {
    g_vpW = 1280;
    g_vpH = 720;
    g_pvW = 320;
    g_pvH = 180;
    g_camPvW = 330;
    g_camPvH = 188;
    InitViewportFBO();
    InitPreviewFBO();
    struct Case {
        unsigned fbo, tex;
        int w, h;
    };
    const Case cases[] = {{g_vpFBO, g_vpTex, 1280, 720}, {g_pvFBO, g_pvTex, 320, 180}, {g_camPvFBO, g_camPvTex, 330, 188}};
    for (const Case& c : cases) {
        ASSERT_NE(c.fbo, 0u);
        EXPECT_TRUE(Complete(c.fbo));
        GLint h = 0;
        EXPECT_EQ(TexWidth(c.tex, &h), c.w);
        EXPECT_EQ(h, c.h);
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    DeleteRenderTargets();
    EXPECT_EQ(g_vpFBO, 0u);
    EXPECT_EQ(g_camPvRBO, 0u);
    DeleteRenderTargets();  // twice is harmless
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(RenderTargets, IncompleteFramebufferIsReported) {
    unsigned empty = 0;
    glGenFramebuffers(1, &empty);
    glBindFramebuffer(GL_FRAMEBUFFER, empty);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(CheckFramebufferComplete("Empty"));
    const std::string err = testing::internal::GetCapturedStderr();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    DeleteFramebuffer(empty);
    EXPECT_EQ(empty, 0u);
    EXPECT_EQ(err.rfind("Empty framebuffer incomplete: 0x", 0), 0u) << err;
}

TEST_F(RenderTargets, ResizeRules) {
    g_vpW = 64;
    g_vpH = 64;
    g_pvW = 64;
    g_pvH = 64;
    g_camPvW = 64;
    g_camPvH = 64;
    InitViewportFBO();
    InitPreviewFBO();

    ResizeFBO(0, 600);
    ResizeFBO(600, -1);
    EXPECT_EQ(g_vpW, 64);
    EXPECT_EQ(TexWidth(g_vpTex), 64);
    ResizeFBO(100, 50);
    GLint h = 0;
    EXPECT_EQ(g_vpW, 100);
    EXPECT_EQ(TexWidth(g_vpTex, &h), 100);
    EXPECT_EQ(h, 50);
    EXPECT_TRUE(Complete(g_vpFBO));

    ResizePreviewFBO(10, 10);
    EXPECT_EQ(g_pvW, 32);
    EXPECT_EQ(g_pvH, 32);
    EXPECT_EQ(TexWidth(g_pvTex), 32);
    ResizeCameraPreviewFBO(0, 100);
    EXPECT_EQ(g_camPvW, 32);
    EXPECT_EQ(g_camPvH, 100);

    // The same size again keeps the storage (and so the picture in it).
    glBindFramebuffer(GL_FRAMEBUFFER, g_pvFBO);
    glViewport(0, 0, 32, 32);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    ResizePreviewFBO(32, 20);
    glBindFramebuffer(GL_FRAMEBUFFER, g_pvFBO);
    EXPECT_EQ(GlHarness::ReadPixel(16, 16), (Rgba{255, 0, 0, 255}));
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    DeleteRenderTargets();
}

TEST_F(RenderTargets, CameraPassClearsToTheSkyTintAndDrawsHiddenMeshes) {
    const int cam = AddCamera(Vec3(0, 0, 3), Vec3(0, 0, 0));
    Entity& hidden = AddMesh(MeshShape_Cube, Vec3(0, 0, 0));
    hidden.mesh.visible = false;
    RenderCameraSceneToFBO(cam, fbo, kSize, kSize);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_EQ(Pixel(2, 2), SkyClear());
    EXPECT_NE(Pixel(32, 32), SkyClear());  // the preview shows hidden meshes
}

TEST_F(RenderTargets, CameraPassSkipsWhatItCannotRender) {
    const int cam = AddCamera(Vec3(0, 0, 3), Vec3(0, 0, 0));
    const int notACamera = AddEnt("Cube", -1)->id;
    struct Case {
        const char* what;
        int id;
        bool useFbo;
        int w, h;
    };
    const Case cases[] = {
        {"missing entity", 9999, true, kSize, kSize},
        {"entity without a camera", notACamera, true, kSize, kSize},
        {"framebuffer 0", cam, false, kSize, kSize},
        {"zero width", cam, true, 0, kSize},
        {"zero height", cam, true, kSize, 0},
    };
    for (const Case& c : cases) {
        glBindFramebuffer(GL_FRAMEBUFFER, fbo);
        glViewport(0, 0, kSize, kSize);
        glClearColor(0, 1, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        RenderCameraSceneToFBO(c.id, c.useFbo ? fbo : 0, c.w, c.h);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << c.what;
        EXPECT_EQ(Pixel(32, 32), (Rgba{0, 255, 0, 255})) << c.what << ": previous contents kept";
    }
}

TEST_F(RenderTargets, CameraPassDrawsGridAndAxesWithoutErrors) {
    g_showGrid = true;
    const int cam = AddCamera(Vec3(0, 3, 6), Vec3(-25, 0, 0));
    RenderCameraSceneToFBO(cam, fbo, kSize, kSize);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    GLfloat width = 0;
    glGetFloatv(GL_LINE_WIDTH, &width);
    EXPECT_FLOAT_EQ(width, 1.0f);
}

class GameDirect : public RenderGlTest {
protected:
    static Rgba WindowPixel(int x, int y) {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        return GlHarness::ReadPixel(x, y);
    }
};

TEST_F(GameDirect, DrawsTheGameCameraViewIntoTheWindow) {
    int w = 0, h = 0;
    glfwGetFramebufferSize(GlHarness::Window(), &w, &h);
    ASSERT_GT(w, 16);
    // No camera: from (0, 2, 5) towards (0, 1, 0), where the cube sits.
    AddMesh(MeshShape_Cube, Vec3(0, 1, 0));
    Entity& hidden = AddMesh(MeshShape_Sphere, Vec3(0, 1, 3.5f));
    hidden.mesh.visible = false;  // right in front of the eye, but hidden
    RenderGameDirect();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    const EngineRenderSettings d;
    const Rgba sky{ShadeToByte(d.skyHorizonColor[0] * 0.2f), ShadeToByte(d.skyHorizonColor[1] * 0.2f),
                   ShadeToByte(d.skyHorizonColor[2] * 0.24f), 255};
    EXPECT_EQ(WindowPixel(2, 2), sky);
    const Rgba centre = WindowPixel(w / 2, h / 2);
    EXPECT_NE(centre, sky);
    EXPECT_GT(centre.b, centre.r);  // the blue cube, not the orange sphere

    // A camera looking straight down from above the cube still renders it.
    Entity* cam = AddEnt("Camera", -1);
    cam->hasCamera = true;
    cam->transform.position = Vec3(0, 6, 0);
    cam->transform.rotation = Vec3(-90, 0, 0);
    RenderGameDirect();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_NE(WindowPixel(w / 2, h / 2), sky);
}

TEST_F(GameDirect, DrawsParticlesWithTheSameView) {
    int w = 0, h = 0;
    glfwGetFramebufferSize(GlHarness::Window(), &w, &h);
    ParticleInit();
    Particle p;
    p.position = Vec3(0, 1, 0);
    p.size = 12.0f;
    p.color = Vec4(1, 0, 1, 1);
    g_particles.push_back(p);
    RenderGameDirect();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    const Rgba c = WindowPixel(w / 2, h / 2);
    EXPECT_GT(c.r, 200);
    EXPECT_GT(c.b, 200);
    EXPECT_LT(c.g, 100);
}

// The picture of a whole scene: lit, shadowed, rendered through the camera
// pass, written next to the test binaries for a person to look at.
TEST_F(RenderTargets, WritesAPictureOfTheSampleScene) {
    // The sample project's starter layout, built in code: ground, player
    // cube, orb with a ring, a pillar, a torus and a sun.
    AddMesh(MeshShape_Plane, Vec3(0, 0, 0), Vec3(2, 1, 2)).material.baseColor = Vec4(0.34f, 0.37f, 0.4f, 1);
    g_ents.back().hasMaterial = true;
    Entity& player = AddMesh(MeshShape_Cube, Vec3(0, 1, 0));
    player.hasMaterial = true;
    player.material.baseColor = Vec4(0.95f, 0.55f, 0.2f, 1);
    Entity& orb = AddMesh(MeshShape_Sphere, Vec3(2, 1.5f, 0), Vec3(0.6f, 0.6f, 0.6f));
    orb.hasMaterial = true;
    orb.material.baseColor = Vec4(0.3f, 0.9f, 0.45f, 1);
    orb.material.emissive = Vec3(0.1f, 0.6f, 0.2f);
    AddMesh(MeshShape_Cylinder, Vec3(-2.5f, 1.5f, -1), Vec3(0.8f, 3, 0.8f));
    AddMesh(MeshShape_Torus, Vec3(2, 2.7f, 0), Vec3(0.8f, 0.8f, 0.8f), Vec3(90, 0, 0));
    AddMesh(MeshShape_Cone, Vec3(-1, 0.5f, 2), Vec3(1, 1, 1));
    Entity& sun = AddLight(LightType_Directional, Vec3(0, 6, 0), Vec3(-50, -35, 0), 5.5f);
    sun.light.color = Vec4(1, 0.96f, 0.9f, 1);
    Entity& lamp = AddLight(LightType_Point, Vec3(-1, 2, 2), Vec3(0, 0, 0), 6.0f);
    lamp.light.color = Vec4(1, 0.5f, 0.2f, 1);
    const int cam = AddCamera(Vec3(0, 4, 8), Vec3(-22, 0, 0));

    DeleteShadowFBO();
    InitShadowFBO();
    g_camTarg = Vec3(0, 1, 0);
    RenderShadowPass();

    WritePicture(cam, "render_scene.png");
}

// The sample project's own scene file, loaded as the editor loads it, lit
// and shadowed by its sun, seen through its own "Main Camera".
TEST_F(RenderTargets, WritesAPictureOfTheSampleProjectScene) {
    const std::string scene = std::string(KORVANE_SOURCE_DIR) + "/samples/SampleProject/Assets/Scenes/Default.korvane";
    if (!std::filesystem::exists(scene)) GTEST_SKIP() << "no sample project in this tree";
    ASSERT_TRUE(LoadScene(scene.c_str()));
    ASSERT_FALSE(g_ents.empty());
    int cam = -1;
    for (const Entity& e : g_ents) {
        if (e.hasCamera && std::strcmp(e.name, "Main Camera") == 0) cam = e.id;
    }
    ASSERT_GE(cam, 0);
    DeleteShadowFBO();
    InitShadowFBO();
    g_camTarg = Vec3(0, 1, 0);
    RenderShadowPass();
    WritePicture(cam, "render_sample_scene.png");
}

} // namespace
