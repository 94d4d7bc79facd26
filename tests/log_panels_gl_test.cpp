// The console, profiler and status bar drawn with Dear ImGui and driven by
// synthetic clicks: the filter checkboxes and "Clear" act on the log, and the
// status bar sits along the bottom edge of the viewport.

#include <gtest/gtest.h>

#include <thread>

#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/ui/common/UiProbe.h"
#include "editor/ui/common/EditorHooks.h"
#include "editor/ui/shell/LogPanels.h"
#include "imgui.h"
#include "imgui_impl_opengl3.h"
#include "imgui_internal.h"
#include "tests/support/GlHarness.h"
#include "tests/support/UiClick.h"

namespace {

class LogPanelsTest : public korvane::test::GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        if (IsSkipped()) return;
        ImGui::CreateContext();
        ImGuiIO& io = ImGui::GetIO();
        io.IniFilename = nullptr;
        io.DisplaySize = ImVec2(800, 600);
        io.DeltaTime = 1.0f / 60.0f;
        ASSERT_TRUE(ImGui_ImplOpenGL3_Init("#version 150"));
        UiProbeClear();
        LogSetStderrMirror(false);
        LogClear();
        g_consoleShowInfo = g_consoleShowWarn = g_consoleShowError = true;
        g_showConsole = g_showProf = true;
    }
    void TearDown() override {
        if (ImGui::GetCurrentContext()) {
            ImGui_ImplOpenGL3_Shutdown();
            ImGui::DestroyContext();
        }
        g_consoleShowInfo = g_consoleShowWarn = g_consoleShowError = true;
        LogClear();
    }
    void Frame() {
        ImGui_ImplOpenGL3_NewFrame();
        ImGui::NewFrame();
        ImGui::SetNextWindowPos(ImVec2(10, 10), ImGuiCond_FirstUseEver);
        ImGui::SetNextWindowSize(ImVec2(500, 300), ImGuiCond_FirstUseEver);
        ConsolePanel();
        ImGui::SetNextWindowPos(ImVec2(520, 10), ImGuiCond_FirstUseEver);
        ImGui::SetNextWindowSize(ImVec2(260, 160), ImGuiCond_FirstUseEver);
        ProfilerPanel();
        StatusBar();
        ImGui::Render();
        ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
    }
    bool Click(const char* probe) { return korvane::test::ClickProbe(probe, [this] { Frame(); }); }
};

TEST_F(LogPanelsTest, FilterCheckboxesAndClearActOnTheLog) {
    Log(2, "info line");
    Log(3, "warn line");
    Log(1, "unclassified line");
    for (int i = 0; i < 3; ++i) Frame();

    ASSERT_TRUE(Click("console.info"));
    EXPECT_FALSE(g_consoleShowInfo);
    ASSERT_TRUE(Click("console.error"));
    EXPECT_FALSE(g_consoleShowError);
    EXPECT_TRUE(g_consoleShowWarn);
    EXPECT_EQ(LogCount(), 3u);  // filtering hides, never deletes

    ASSERT_TRUE(Click("console.clear"));
    EXPECT_EQ(LogCount(), 0u);
    EXPECT_TRUE(UiProbeFind("profiler.graph", nullptr, nullptr, nullptr, nullptr));  // unaffected
}

TEST_F(LogPanelsTest, ManyLinesFromAnotherThreadWhileDrawing) {
    std::thread writer([] {
        for (int i = 0; i < 5000; ++i) Log(i % 3 + 2, "worker line %d", i);
    });
    for (int i = 0; i < 20; ++i) Frame();
    writer.join();
    Frame();
    EXPECT_EQ(LogCount(), 2000u);  // 5000 lines, trimmed in blocks of 200 on the way
}

TEST_F(LogPanelsTest, StatusBarSpansTheBottomEdge) {
    Frame();
    Frame();
    ImGuiWindow* bar = ImGui::FindWindowByName("##Status");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->Pos.x, 0.0f);
    EXPECT_EQ(bar->Pos.y, 576.0f);
    EXPECT_EQ(bar->Size.x, 800.0f);
    EXPECT_EQ(bar->Size.y, 24.0f);
    EXPECT_EQ(bar->Flags & ImGuiWindowFlags_NoMove, ImGuiWindowFlags_NoMove);
}

TEST_F(LogPanelsTest, InstallPutsThePanelsIntoTheEditorHooks) {
    EditorHooks saved = g_editorHooks;
    InstallLogPanels();
    EXPECT_EQ(g_editorHooks.consolePanel, &ConsolePanel);
    EXPECT_EQ(g_editorHooks.profilerPanel, &ProfilerPanel);
    EXPECT_EQ(g_editorHooks.statusBar, &StatusBar);
    g_editorHooks = saved;
}

}  // namespace
