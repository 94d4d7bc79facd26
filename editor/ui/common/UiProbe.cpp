#include "editor/ui/common/UiProbe.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <string_view>

#include "editor/render/GL.h"
#include "editor/ui/common/AppWindow.h"
#include "imgui.h"

namespace {
struct ProbeRect {
    int x, y, w, h;
    bool operator==(const ProbeRect&) const = default;
};
std::map<std::string, ProbeRect, std::less<>> s_rects;
std::map<std::string, std::string, std::less<>> s_texts;
int s_lastFrameState = -1;
}

bool UiProbeEnabled() {
    static const bool enabled = [] {
        const char* v = std::getenv("KORVANE_UI_PROBE");
        return v && v[0] && std::strcmp(v, "0") != 0;
    }();
    return enabled;
}

void UiProbeRect(const char* name, const ImVec2& min, const ImVec2& max) {
    if (!name) return;
    int wx = 0, wy = 0;
    if (g_win) glfwGetWindowPos(g_win, &wx, &wy);
    ProbeRect r{wx + int(min.x), wy + int(min.y), int(max.x - min.x), int(max.y - min.y)};
    auto it = s_rects.find(std::string_view(name));
    if (it != s_rects.end()) {
        if (it->second == r) return;
        it->second = r;
    } else {
        s_rects.emplace(name, r);
    }
    if (!UiProbeEnabled()) return;
    std::fprintf(stderr, "[probe] rect %s %d %d %d %d\n", name, r.x, r.y, r.w, r.h);
    std::fflush(stderr);
}

void UiProbeLastItem(const char* name) {
    UiProbeRect(name, ImGui::GetItemRectMin(), ImGui::GetItemRectMax());
}

bool UiProbeFind(const char* name, float* x, float* y, float* w, float* h) {
    auto it = name ? s_rects.find(std::string_view(name)) : s_rects.end();
    if (it == s_rects.end()) return false;
    if (x) *x = float(it->second.x);
    if (y) *y = float(it->second.y);
    if (w) *w = float(it->second.w);
    if (h) *h = float(it->second.h);
    return true;
}

void UiProbeClear() { s_rects.clear(); }

void UiProbeText(const char* name, const char* text) {
    if (!UiProbeEnabled() || !name || !text) return;
    auto it = s_texts.find(std::string_view(name));
    if (it != s_texts.end() && it->second == text) return;
    s_texts[std::string(name)] = text;
    std::fprintf(stderr, "[probe] text %s %s\n", name, text);
    std::fflush(stderr);
}

void UiProbeFramePresented(int state) {
    if (!UiProbeEnabled() || state == s_lastFrameState) return;
    s_lastFrameState = state;
    std::fprintf(stderr, "[probe] frame state=%d\n", state);
    std::fflush(stderr);
}
