#include "editor/ui/build/BuildPanel.h"

#include <cmath>
#include <cstdio>

#include "editor/legacy/base/AppState.h"
#include "editor/legacy/build/BuildJob.h"
#include "editor/legacy/shell/LoadingSequence.h"
#include "editor/ui/common/EditorHooks.h"
#include "editor/ui/common/UiProbe.h"
#include "imgui.h"

BuildPanelSettings g_buildPanelSettings;

namespace {

const ImVec4 kDim(0.6f, 0.6f, 0.65f, 1.0f);

bool BuildRunning() { return g_buildActive.load(); }

void StartFromPanel(bool cook, bool package, bool launch) {
    const BuildPanelSettings& s = g_buildPanelSettings;
    StartBuildAsync(s.outputDir, g_buildPlatform, g_buildConfig, cook, package, launch, s.developmentBuild,
                    s.revealInFileBrowser);
}

bool ColouredButton(const char* label, const ImVec2& size, const ImVec4& colour, const ImVec4& hovered) {
    ImGui::PushStyleColor(ImGuiCol_Button, colour);
    ImGui::PushStyleColor(ImGuiCol_ButtonHovered, hovered);
    bool pressed = ImGui::Button(label, size);
    ImGui::PopStyleColor(2);
    return pressed;
}

} // namespace

void BuildAndRunFromShortcut() {
    g_showBuild = true;
    StartBuildAsync("Build", g_buildPlatform, g_buildConfig, true, false, true, true, true);
}

void DrawBuildProgressPopup() {
    const bool active = g_buildActive.load();
    if (active) g_buildPopupVisible = true;
    const bool done = g_buildDone.load();
    if (!g_buildPopupVisible && !active && !done) return;
    JoinFinishedBuildThread();
    const BuildJobState state = CopyBuildJobState();
    const bool success = g_buildSuccess.load();

    static bool s_wasShown = false;
    if (!s_wasShown) {
        const ImGuiViewport* vp = ImGui::GetMainViewport();
        ImGui::SetNextWindowSize(ImVec2(560, 390), ImGuiCond_Always);
        ImGui::SetNextWindowPos(ImVec2(vp->Pos.x + vp->Size.x * 0.5f, vp->Pos.y + 72.0f), ImGuiCond_Always,
                                ImVec2(0.5f, 0.0f));
    }
    bool open = g_buildPopupVisible;
    bool* closeBox = &open;
    if (ImGui::Begin("Build Progress", closeBox, ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoSavedSettings)) {
        s_wasShown = true;
        ImGui::TextColored(ImVec4(0.88f, 0.92f, 1.0f, 1.0f), "Korvane Build Pipeline");
        ImGui::SameLine();
        ImGui::TextColored(kDim, "%s", active ? "Running" : (done && success ? "Done" : "Idle"));
        ImGui::Separator();
        ImGui::TextUnformatted(state.status.c_str());
        UiProbeText("build.status", state.status.c_str());
        ImGui::ProgressBar(state.progress, ImVec2(-1.0f, 18.0f), "");
        ImGui::TextColored(kDim, "%d%%", static_cast<int>(std::lround(state.progress * 100.0f)));
        ImGui::Separator();
        ImGui::BeginChild("##build_live_log", ImVec2(0, -38.0f), ImGuiChildFlags_Borders,
                          ImGuiWindowFlags_HorizontalScrollbar);
        ImGui::TextUnformatted(state.log.empty() ? "Waiting for build output..." : state.log.c_str());
        if (active) ImGui::SetScrollHereY(1.0f);
        ImGui::EndChild();
        if (active) {
            ImGui::BeginDisabled();
            ImGui::Button("Building...", ImVec2(120, 0));
            ImGui::EndDisabled();
            ImGui::SameLine();
            ImGui::TextColored(kDim, "The editor remains responsive while files are copied and packaged.");
        } else {
            if (ImGui::Button("Close", ImVec2(120, 0))) {
                open = false;
                g_buildDone.store(false);
            }
            UiProbeLastItem("build.close");
            if (done && success) {
                ImGui::SameLine();
                ImGui::TextColored(ImVec4(0.55f, 0.95f, 0.55f, 1.0f), "Completed successfully");
            } else if (done) {
                ImGui::SameLine();
                ImGui::TextColored(ImVec4(1.0f, 0.45f, 0.35f, 1.0f), "Build failed");
            }
        }
    } else {
        s_wasShown = true;
    }
    ImGui::End();
    g_buildPopupVisible = open;
    // Size and place it again whenever it comes back.
    if (!open && !g_buildActive.load() && !g_buildDone.load()) s_wasShown = false;
}

void BuildPanel() {
    if (!ImGui::Begin("Build", &g_showBuild)) {
        ImGui::End();
        return;
    }
    BuildPanelSettings& s = g_buildPanelSettings;
    ImGui::TextColored(ImVec4(0.9f, 0.9f, 0.92f, 1.0f), "Build Configuration");
    ImGui::Separator();
    static const char* kPlatforms[] = {"Windows", "Linux", "macOS"};
    static const char* kConfigs[] = {"Debug", "Release", "Shipping"};
    int platform = g_buildPlatform < 0 || g_buildPlatform > 2 ? 1 : g_buildPlatform;
    if (ImGui::Combo("Target Platform", &platform, kPlatforms, 3)) g_buildPlatform = platform;
    int config = g_buildConfig < 0 || g_buildConfig > 2 ? 1 : g_buildConfig;
    if (ImGui::Combo("Configuration", &config, kConfigs, 3)) g_buildConfig = config;
    ImGui::InputText("Output Directory", s.outputDir, sizeof s.outputDir);
    ImGui::Separator();
    ImGui::Checkbox("Cook Assets", &s.cook);
    ImGui::SameLine(0.0f, 20.0f);
    ImGui::Checkbox("Package .fpkg", &s.package);
    if (!s.package)
        ImGui::TextColored(kDim, "Fast app builds skip packaging; enable .fpkg only for distributable archives.");
    ImGui::Checkbox("Run After Build", &s.runAfterBuild);
    ImGui::SameLine(0.0f, 20.0f);
    ImGui::Checkbox("Development Build", &s.developmentBuild);
    ImGui::Checkbox("Reveal in Finder", &s.revealInFileBrowser);
    ImGui::Separator();

    const bool running = BuildRunning();
    ImGui::BeginDisabled(running);
    if (ColouredButton("Build & Run", ImVec2(140, 32), ImVec4(0.12f, 0.55f, 0.12f, 1.0f),
                       ImVec4(0.15f, 0.62f, 0.15f, 1.0f)))
        StartFromPanel(s.cook, s.package, true);
    UiProbeLastItem("build.buildAndRun");
    ImGui::SameLine();
    if (ColouredButton("Build", ImVec2(100, 32), ImVec4(0.1f, 0.35f, 0.6f, 1.0f), ImVec4(0.13f, 0.4f, 0.68f, 1.0f)))
        StartFromPanel(s.cook, s.package, s.runAfterBuild);
    UiProbeLastItem("build.build");
    ImGui::SameLine();
    if (ImGui::Button("Package", ImVec2(100, 32))) StartFromPanel(false, true, false);
    UiProbeLastItem("build.package");
    ImGui::EndDisabled();
    ImGui::SameLine();
    if (ImGui::Button("Show Progress")) g_buildPopupVisible = true;
    ImGui::SameLine();
    if (ImGui::Button("Clear")) ClearBuildJobLog();
    ImGui::Separator();

    const BuildJobState state = CopyBuildJobState();
    ImGui::BeginChild("##blog", ImVec2(0, 0), ImGuiChildFlags_None, ImGuiWindowFlags_HorizontalScrollbar);
    ImGui::TextUnformatted(state.log.empty()
                               ? "Ready to build.\n\nBuild now runs in the background with a live progress popup, so "
                                 "the editor no longer appears frozen while copying assets or packaging."
                               : state.log.c_str());
    ImGui::EndChild();
    ImGui::End();
}

void InstallBuildPanel() {
    g_editorHooks.buildPanel = BuildPanel;
    g_editorHooks.buildProgressPopup = DrawBuildProgressPopup;
    g_editorHooks.buildAndRun = BuildAndRunFromShortcut;
    g_loadingHooks.buildRunning = BuildJobRunning;
}
