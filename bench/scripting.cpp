// Script analysis and the script editor panel: the analyser over a long
// generated script against a plain byte scan of the same text (the floor of
// any line-based pass), a 1 MB run of open parentheses with its peak memory,
// and one headless panel frame holding a 1 MB buffer.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "editor/legacy/base/AppState.h"
#include "editor/legacy/scripting/ScriptAnalysis.h"
#include "editor/legacy/scripting/ScriptEditor.h"
#include "editor/ui/script/ScriptEditorPanel.h"
#include "imgui.h"

namespace {

using Clock = std::chrono::steady_clock;

template <class F>
double MedianMs(int runs, F&& f) {
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        auto a = Clock::now();
        f();
        t.push_back(std::chrono::duration<double, std::milli>(Clock::now() - a).count());
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

// Peak resident set of the process so far, in MB.
double PeakRssMb() {
    std::ifstream in("/proc/self/status");
    std::string key;
    while (in >> key) {
        if (key == "VmHWM:") {
            double kb = 0;
            in >> kb;
            return kb / 1024.0;
        }
    }
    return 0;
}

double CurrentRssMb() {
    std::ifstream in("/proc/self/status");
    std::string key;
    while (in >> key) {
        if (key == "VmRSS:") {
            double kb = 0;
            in >> kb;
            return kb / 1024.0;
        }
    }
    return 0;
}

std::string GeneratedScript(int lines) {
    std::string s = "-- @export float moveSpeed 4.0\n-- @export enum mode \"Walk;Run\" 1\nreturn function(self, dt)\n";
    char buf[128];
    for (int i = 0; i < lines; ++i) {
        std::snprintf(buf, sizeof buf, "  local v%d = f(self.x * dt, {\"(%d)\"})\n", i, i % 100);
        s += buf;
    }
    s += "end\n";
    return s;
}

}  // namespace

int main() {
    // First, so the peak figure is the analysis and not what came before.
    const double rssBefore = CurrentRssMb();
    const std::string parens(1024 * 1024, '(');
    const double parensMs = MedianMs(5, [&] { AnalyzeScriptText(parens, ".fs"); });
    const double parensPeak = PeakRssMb() - rssBefore;

    const std::string script = GeneratedScript(10000);
    volatile size_t sink = 0;
    const double scanMs = MedianMs(21, [&] {
        size_t lines = 0, brackets = 0;
        for (char c : script) {
            lines += c == '\n';
            brackets += c == '(' || c == '{' || c == '[';
        }
        sink = sink + lines + brackets;
    });
    const double analyzeMs = MedianMs(21, [&] { AnalyzeScriptText(script, ".fs"); });

    // A 1 MB buffer in the panel, one frame at a time, without a renderer.
    ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.DisplaySize = ImVec2(1280, 800);
    io.DeltaTime = 1.0f / 60.0f;
    io.BackendFlags |= ImGuiBackendFlags_RendererHasTextures;
    std::snprintf(g_scriptEditorPath, sizeof g_scriptEditorPath, "/tmp/bench_script.fs");
    g_scriptEditorText = GeneratedScript(30000);
    g_scriptEditorText.resize(1024 * 1024, ' ');
    AnalyzeScriptEditor();
    g_showScriptEditor = true;
    auto frame = [] {
        ImGui::NewFrame();
        ImGui::SetNextWindowSize(ImVec2(1000, 700));
        ScriptEditorPanel();
        ImGui::Render();
    };
    for (int i = 0; i < 5; ++i) frame();
    const double panelMs = MedianMs(31, frame);
    ImGui::DestroyContext();

    std::printf("analyze_10k_lines_ms %.3f ms\n", analyzeMs);
    std::printf("scan_10k_lines_baseline_ms %.3f ms\n", scanMs);
    std::printf("analyze_10k_lines_bytes %zu bytes\n", script.size());
    std::printf("analyze_1mb_open_parens_ms %.3f ms\n", parensMs);
    std::printf("analyze_1mb_open_parens_peak_mb %.1f MB\n", parensPeak);
    std::printf("script_panel_frame_1mb_ms %.3f ms\n", panelMs);
    return int(sink & 0);
}
