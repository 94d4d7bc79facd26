// Proves the toolchain end to end: a hidden GLFW window with a 3.2 core
// context, Dear ImGui (docking) with both backends, one frame with a dock
// space and a window, rendered and read back.

#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_impl_glfw.h>
#include <imgui_impl_opengl3.h>

#include "editor/render/GL.h"
#include "tests/support/GlHarness.h"

using namespace korvane::test;

class Toolchain : public GlTest {};

TEST_F(Toolchain, ContextIsCoreProfile32OrLater) {
    GLint major = 0, minor = 0, mask = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    glGetIntegerv(GL_MINOR_VERSION, &minor);
    glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &mask);
    EXPECT_GE(major * 10 + minor, 32);
    EXPECT_TRUE(mask & GL_CONTEXT_CORE_PROFILE_BIT);
    // Not forward-compatible, so wide lines are allowed where the driver has them.
    GLint flags = 0;
    glGetIntegerv(GL_CONTEXT_FLAGS, &flags);
    EXPECT_FALSE(flags & GL_CONTEXT_FLAG_FORWARD_COMPATIBLE_BIT);
}

TEST_F(Toolchain, DockingFrameRendersPixels) {
    IMGUI_CHECKVERSION();
    ImGuiContext* ctx = ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.ConfigFlags |= ImGuiConfigFlags_DockingEnable;
    ASSERT_TRUE(ImGui_ImplGlfw_InitForOpenGL(GlHarness::Window(), false));
    ASSERT_TRUE(ImGui_ImplOpenGL3_Init("#version 150"));

    int w = 0, h = 0;
    for (int frame = 0; frame < 3; ++frame) {
        ImGui_ImplOpenGL3_NewFrame();
        ImGui_ImplGlfw_NewFrame();
        ImGui::NewFrame();
        ImGui::DockSpaceOverViewport(0, ImGui::GetMainViewport());
        ImGui::SetNextWindowPos(ImVec2(8, 8));
        ImGui::SetNextWindowSize(ImVec2(100, 80));
        ImGui::Begin("Proof");
        ImGui::TextUnformatted("Korvane");
        ImGui::Button("OK");
        ImGui::End();
        ImGui::Render();
        glfwGetFramebufferSize(GlHarness::Window(), &w, &h);
        glViewport(0, 0, w, h);
        glClearColor(0.1f, 0.2f, 0.3f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
    }
    glFinish();
    auto pixels = GlHarness::ReadPixels(0, 0, w, h);
    EXPECT_FALSE(GlHarness::AllSame(pixels));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_NE(ImGui::GetCurrentContext(), nullptr);

    ImGui_ImplOpenGL3_Shutdown();
    ImGui_ImplGlfw_Shutdown();
    ImGui::DestroyContext(ctx);
}
