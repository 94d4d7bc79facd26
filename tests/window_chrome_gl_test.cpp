// Window chrome that needs a GL context or a UI frame: the logo texture, the
// logo overlay without a logo, and the dark theme's values.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "editor/assets/ImageCodec.h"

#include "editor/ui/common/WindowChrome.h"
#include "editor/render/GL.h"
#include "imgui.h"
#include "imgui_internal.h"
#include "tests/support/GlHarness.h"

namespace fs = std::filesystem;

class WindowChromeTest : public korvane::test::GlTest {};

TEST_F(WindowChromeTest, LoadLogoDecodesAndUploads) {
    const std::string dir = fs::temp_directory_path() / ("korvane_logo_test_" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::string png = dir + "/logo.png";
    std::vector<unsigned char> px(6 * 3 * 4, 200);
    ASSERT_TRUE(WritePngRGBA(png, 6, 3, px.data()));
    g_logoW = g_logoH = 0;
    GLuint tex = LoadLogo(png.c_str());
    ASSERT_NE(tex, 0u);
    EXPECT_EQ(g_logoW, 6);
    EXPECT_EQ(g_logoH, 3);
    EXPECT_TRUE(glIsTexture(tex));
    glDeleteTextures(1, &tex);

    const std::string junk = dir + "/junk.png";
    std::FILE* f = std::fopen(junk.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("not an image", f);
    std::fclose(f);
    EXPECT_EQ(LoadLogo(junk.c_str()), 0u);
    EXPECT_EQ(LoadLogo((dir + "/missing.png").c_str()), 0u);
    EXPECT_EQ(LoadLogo(nullptr), 0u);
    fs::remove_all(dir);
}

TEST(WindowChromeUi, ThemeAndOverlayWithoutLogo) {
    ImGui::CreateContext();
    ApplyAppleTheme();
    const ImGuiStyle& s = ImGui::GetStyle();
    EXPECT_EQ(s.WindowRounding, 10.0f);
    EXPECT_EQ(s.FramePadding.x, 8.0f);
    EXPECT_EQ(s.ScrollbarSize, 8.0f);
    struct Slot { ImGuiCol col; float r, g, b, a; } slots[] = {
        {ImGuiCol_WindowBg, 0.11f, 0.11f, 0.12f, 1.0f},
        {ImGuiCol_PopupBg, 0.14f, 0.14f, 0.15f, 0.96f},
        {ImGuiCol_MenuBarBg, 0.08f, 0.08f, 0.09f, 1.0f},
        {ImGuiCol_ScrollbarBg, 0.08f, 0.08f, 0.09f, 0.0f},
        {ImGuiCol_DockingEmptyBg, 0.06f, 0.06f, 0.07f, 1.0f},
        {ImGuiCol_NavCursor, 0.72f, 0.74f, 0.78f, 0.32f},
    };
    for (const Slot& slot : slots) {
        const ImVec4& c = s.Colors[slot.col];
        EXPECT_FLOAT_EQ(c.x, slot.r) << ImGui::GetStyleColorName(slot.col);
        EXPECT_FLOAT_EQ(c.w, slot.a) << ImGui::GetStyleColorName(slot.col);
    }
    // A slot the theme does not list keeps the toolkit's default.
    ImGuiStyle defaults;
    ImGui::StyleColorsDark(&defaults);
    EXPECT_EQ(s.Colors[ImGuiCol_PlotLines].x, defaults.Colors[ImGuiCol_PlotLines].x);

    const uint32_t savedTex = g_logoTex;
    g_logoTex = 0;
    ImDrawListSharedData shared;
    ImDrawList list(&shared);
    list._ResetForNewFrame();
    list.PushClipRectFullScreen();
    const int before = list.VtxBuffer.Size;
    DrawKorvaneLogoOverlay(&list, ImVec2(0, 0), ImVec2(600, 300), 210, 1.0f);
    EXPECT_EQ(list.VtxBuffer.Size, before) << "no logo: nothing drawn";
    g_logoTex = savedTex;
    ImGui::DestroyContext();
}
