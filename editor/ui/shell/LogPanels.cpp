#include "editor/ui/shell/LogPanels.h"

#include <cstdint>
#include <string>
#include <vector>

#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/ui/common/UiProbe.h"
#include "editor/ui/common/EditorHooks.h"
#include "editor/ui/common/EditorTools.h"
#include "imgui.h"

namespace {

// The console's copy of the log, refreshed only when the log changed.
std::vector<LogEntry> s_logCopy;
uint64_t s_logCopyGeneration = UINT64_MAX;

ImVec4 ToImVec4(const LogColor& c) { return ImVec4(c.r, c.g, c.b, c.a); }

}  // namespace

void ConsolePanel() {
    if (!ImGui::Begin("Console", &g_showConsole)) {
        ImGui::End();
        return;
    }
    ImGui::Checkbox("Info", &g_consoleShowInfo);
    UiProbeLastItem("console.info");
    ImGui::SameLine();
    ImGui::Checkbox("Warn", &g_consoleShowWarn);
    UiProbeLastItem("console.warn");
    ImGui::SameLine();
    ImGui::Checkbox("Error", &g_consoleShowError);
    UiProbeLastItem("console.error");
    ImGui::SameLine();
    if (ImGui::Button("Clear")) LogClear();
    UiProbeLastItem("console.clear");

    const uint64_t gen = LogGeneration();
    if (gen != s_logCopyGeneration) {
        s_logCopy = LogSnapshot();
        s_logCopyGeneration = gen;
    }
    const std::vector<size_t> visible =
        ConsoleVisibleEntries(s_logCopy, g_consoleShowInfo, g_consoleShowWarn, g_consoleShowError);

    ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(0.0f, 1.0f));
    if (ImGui::BeginChild("##logscroll", ImVec2(0, 0))) {
        // Follow new lines while the view sits at the bottom.
        const bool atBottom = ImGui::GetScrollY() >= ImGui::GetScrollMaxY();
        ImGuiListClipper clipper;
        clipper.Begin(static_cast<int>(visible.size()));
        while (clipper.Step()) {
            for (int i = clipper.DisplayStart; i < clipper.DisplayEnd; ++i) {
                const LogEntry& e = s_logCopy[visible[static_cast<size_t>(i)]];
                ImGui::PushStyleColor(ImGuiCol_Text, ToImVec4(LogLevelColor(e.level)));
                ImGui::TextUnformatted(e.text.c_str(), e.text.c_str() + e.text.size());
                ImGui::PopStyleColor();
            }
        }
        if (atBottom) ImGui::SetScrollHereY(1.0f);
    }
    ImGui::EndChild();
    ImGui::PopStyleVar();
    ImGui::End();
}

void ProfilerPanel() {
    if (!ImGui::Begin("Profiler", &g_showProf)) {
        ImGui::End();
        return;
    }
    const float fps = ImGui::GetIO().Framerate;
    const std::string stats = ProfilerStatsText(fps, g_ents.size());
    ImGui::TextUnformatted(stats.c_str());
    const std::vector<float> series = ProfilerFrameSeriesMs(g_frameTimes, g_frameIdx);
    const std::string overlay = ProfilerOverlayText(g_frameTimes, g_frameIdx);
    ImGui::PlotLines("##ft", series.data(), static_cast<int>(series.size()), 0, overlay.c_str(), 0.0f, 33.0f,
                     ImVec2(ImGui::GetContentRegionAvail().x, 70.0f));
    UiProbeLastItem("profiler.graph");
    ImGui::End();
}

void StatusBar() {
    const ImGuiViewport* vp = ImGui::GetMainViewport();
    ImGui::SetNextWindowPos(ImVec2(vp->Pos.x, StatusBarTop(vp->Pos.y, vp->Size.y)));
    ImGui::SetNextWindowSize(ImVec2(vp->Size.x, kStatusBarHeight));
    ImGui::SetNextWindowViewport(vp->ID);
    const ImGuiWindowFlags flags = ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove |
                                   ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoSavedSettings |
                                   ImGuiWindowFlags_NoDocking | ImGuiWindowFlags_NoFocusOnAppearing |
                                   ImGuiWindowFlags_NoNav;
    // The default minimum window size (32) would make the bar taller than 24.
    ImGui::PushStyleVar(ImGuiStyleVar_WindowMinSize, ImVec2(0.0f, 0.0f));
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(8.0f, 4.0f));
    const bool open = ImGui::Begin("##Status", nullptr, flags);
    ImGui::PopStyleVar(2);
    if (open) {
        // GetEnt, not GetSel: drawing the bar must not change the selection state.
        const Entity* sel = GetEnt(g_selId);
        const std::string text = StatusBarText(ImGui::GetIO().Framerate, g_ents.size(), sel ? sel->name : nullptr,
                                               g_selFilePath, g_gizmoMode, g_showPreviewPanel);
        ImGui::TextUnformatted(text.c_str());
        UiProbeText("status.text", text.c_str());
    }
    ImGui::End();
}

void InstallLogPanels() {
    g_editorHooks.consolePanel = ConsolePanel;
    g_editorHooks.profilerPanel = ProfilerPanel;
    g_editorHooks.statusBar = StatusBar;
}
