// The loading screen drawn for real into an off-screen target at the loading
// window's size: the editor card shows the loader artwork, the logo and the
// progress card (and is saved as a screenshot for a human to look at); a
// built game shows nothing but black. Drawing a frame marks it for the
// loading work, which then advances through the installed GPU steps.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "editor/assets/EditorIcons.h"
#include "editor/assets/ImageCodec.h"
#include "editor/assets/Textures.h"
#include "editor/legacy/base/AppState.h"
#include "editor/legacy/shell/LoadingSequence.h"
#include "editor/legacy/base/ProjectPaths.h"
#include "editor/ui/frame/LoadingSteps.h"
#include "editor/ui/common/UiProbe.h"
#include "editor/ui/common/WindowChrome.h"
#include "editor/render/GL.h"
#include "editor/render/Meshes.h"
#include "editor/ui/shell/LoadingScreen.h"
#include "imgui.h"
#include "imgui_impl_opengl3.h"
#include "tests/support/GlHarness.h"

namespace fs = std::filesystem;

namespace {

constexpr int kW = 820, kH = 560;  // the loading window

class LoadingScreenGl : public korvane::test::GlTest {
protected:
    GLuint fbo = 0, color = 0;

    void SetUp() override {
        GlTest::SetUp();
        if (IsSkipped()) return;
        glGenTextures(1, &color);
        glBindTexture(GL_TEXTURE_2D, color);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kW, kH, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glGenFramebuffers(1, &fbo);
        glBindFramebuffer(GL_FRAMEBUFFER, fbo);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, color, 0);
        ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));

        ImGui::CreateContext();
        ImGuiIO& io = ImGui::GetIO();
        io.IniFilename = nullptr;
        io.DisplaySize = ImVec2(kW, kH);
        io.DeltaTime = 1.0f / 120.0f;
        ASSERT_TRUE(ImGui_ImplOpenGL3_Init("#version 150"));

        g_assetRoot = KORVANE_RESOURCES_DIR;
        g_logoTex = LoadLogo(AssetPath("Korvane.png"));
        ResetLoadingSteps();
        g_loadingHooks = LoadingHooks{};
        InstallLoadingRuntime();
        UiProbeClear();
    }
    void TearDown() override {
        if (ImGui::GetCurrentContext()) {
            ImGui_ImplOpenGL3_Shutdown();
            ImGui::DestroyContext();
        }
        ShutdownFastTextureLoader();
        ReleaseTextureCaches();
        DestroyShapes();
        if (g_logoTex) {
            GLuint t = g_logoTex;
            glDeleteTextures(1, &t);
            g_logoTex = 0;
        }
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        if (fbo) glDeleteFramebuffers(1, &fbo);
        if (color) glDeleteTextures(1, &color);
        ResetLoadingSteps();
        g_loadingHooks = LoadingHooks{};
        g_gameBuild = false;
        g_state = 0;
        g_projectRoot[0] = '\0';
    }

    // One main-loop frame of the loading state, as the shell runs it.
    void Frame() {
        PumpFastTextureUploads(4);
        ImGui_ImplOpenGL3_NewFrame();
        ImGui::NewFrame();
        LoadingScreen();
        ImGui::Render();
        glBindFramebuffer(GL_FRAMEBUFFER, fbo);
        glViewport(0, 0, kW, kH);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
        glFinish();
    }

    // Top-down RGBA rows, as an image file stores them.
    std::vector<uint8_t> Pixels() {
        std::vector<uint8_t> px(size_t(kW) * kH * 4), flipped(px.size());
        glBindFramebuffer(GL_FRAMEBUFFER, fbo);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, kW, kH, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
        for (int y = 0; y < kH; ++y) {
            std::copy_n(&px[size_t(kH - 1 - y) * kW * 4], size_t(kW) * 4, &flipped[size_t(y) * kW * 4]);
        }
        return flipped;
    }
    static size_t DistinctColours(const std::vector<uint8_t>& px, int y0, int y1) {
        std::set<uint32_t> seen;
        for (int y = y0; y < y1; ++y) {
            for (int x = 0; x < kW; ++x) {
                const uint8_t* p = &px[(size_t(y) * kW + x) * 4];
                seen.insert(uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]);
            }
        }
        return seen.size();
    }
    static void SaveShot(const char* name, const std::vector<uint8_t>& px) {
        const std::string dir = std::string(KORVANE_BINARY_DIR) + "/screenshots";
        fs::create_directories(dir);
        EXPECT_TRUE(WritePngRGBA(dir + "/" + name, kW, kH, px.data()));
    }
};

TEST_F(LoadingScreenGl, EditorCardShowsArtworkLogoAndProgress) {
    char tmpl[] = "/tmp/korvane_loadscreen_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    ASSERT_TRUE(SetProjectRoot(tmpl));
    g_runtimeCoreInitialized = false;
    ASSERT_TRUE(BeginProjectLoading());
    // Stop before the project steps: the screen is what is being looked at.
    g_loadingSteps[8].work = [] { return false; };

    for (int i = 0; i < 400 && (!g_loaderTex || g_loadingStep < 8 || g_loaderFade < 1.0f); ++i) {
        Frame();
        AdvanceLoadingAfterPresent();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_NE(g_loaderTex, 0u) << "the loader artwork never arrived";
    EXPECT_EQ(g_loadingStep, 8);
    EXPECT_TRUE(g_runtimeCoreInitialized);
    EXPECT_NE(g_shapes[0].vao, 0u) << "the mesh step ran";
    EXPECT_TRUE(g_lazyIconsDone);
    EXPECT_NE(g_icoMove, 0u);
    Frame();
    EXPECT_STREQ(g_loadMsg, "Opening project scene...");

    const std::vector<uint8_t> px = Pixels();
    SaveShot("loader.png", px);
    // The artwork band is rich in colour; the area below it is the plain card.
    EXPECT_GT(DistinctColours(px, 40, int(kH * 0.45f)), 200u);
    float cx = 0, cy = 0, cw = 0, ch = 0;
    ASSERT_TRUE(UiProbeFind("loader.card", &cx, &cy, &cw, &ch));
    EXPECT_FLOAT_EQ(cw, 500.0f);
    EXPECT_FLOAT_EQ(ch, 118.0f);
    EXPECT_LE(cy + ch, kH - 30.0f);
    EXPECT_NEAR(cx + cw / 2, kW / 2.0f, 1.0f);
    // Progress track: filled part light, unfilled part dark.
    const int trackY = int(cy + ch - 30);
    const uint8_t* left = &px[(size_t(trackY) * kW + size_t(cx + 30)) * 4];
    const uint8_t* right = &px[(size_t(trackY) * kW + size_t(cx + cw - 30)) * 4];
    EXPECT_GT(left[0], 180);
    EXPECT_LT(right[0], 100);
    // The rounded corner leaves the outside untouched.
    EXPECT_EQ(px[0], 0);

    fs::remove_all(tmpl);
}

TEST_F(LoadingScreenGl, BuiltGameShowsOnlyBlack) {
    g_gameBuild = true;
    g_state = 1;
    g_loadingFirstStep = g_loadingStep = 8;
    for (int i = 0; i < 3; ++i) Frame();
    const std::vector<uint8_t> px = Pixels();
    SaveShot("loader_game.png", px);
    EXPECT_EQ(DistinctColours(px, 0, kH), 1u);
    EXPECT_EQ(px[0], 0);
    EXPECT_EQ(px[3], 255);
    EXPECT_TRUE(g_loaderFrameRenderedThisFrame);
    AdvanceLoadingAfterPresent();
    EXPECT_FALSE(g_loaderFrameRenderedThisFrame);
}

}  // namespace
