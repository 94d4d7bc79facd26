#pragma once
// A Dear ImGui context without a window or GL, for UI tests that drive
// frames with synthetic input: a draw function runs inside one window each
// frame, and the helpers click, drag and type into rectangles the draw
// function recorded (RecordItem) or that a probe recorded.

#include <functional>
#include <map>
#include <string>

#include "imgui.h"
#include "imgui_internal.h"

namespace korvane::test {

class HeadlessUi {
public:
    explicit HeadlessUi(ImVec2 display = ImVec2(1280, 900)) {
        ctx_ = ImGui::CreateContext();
        ImGuiIO& io = ImGui::GetIO();
        io.IniFilename = nullptr;
        io.DisplaySize = display;
        io.DeltaTime = 1.0f / 60.0f;
        io.BackendFlags |= ImGuiBackendFlags_RendererHasTextures;
    }
    ~HeadlessUi() { ImGui::DestroyContext(ctx_); }
    HeadlessUi(const HeadlessUi&) = delete;
    HeadlessUi& operator=(const HeadlessUi&) = delete;

    // Drawn inside the window "Test" (top-left, windowSize) each frame; with
    // ownWindow false the function draws its own windows.
    std::function<void()> draw;
    ImVec2 windowSize{520, 860};
    bool ownWindow = true;

    void Frame() {
        ImGui::NewFrame();
        if (ownWindow) {
            ImGui::SetNextWindowPos(ImVec2(0, 0));
            ImGui::SetNextWindowSize(windowSize);
            ImGui::Begin("Test", nullptr, ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoMove);
        }
        if (draw) draw();
        if (ownWindow) ImGui::End();
        ImGui::Render();
    }
    void Frames(int n) {
        for (int i = 0; i < n; ++i) Frame();
    }

    // Call right after drawing an item to make it reachable by name.
    void RecordItem(const std::string& name) { rects_[name] = ImRect(ImGui::GetItemRectMin(), ImGui::GetItemRectMax()); }
    bool Has(const std::string& name) const { return rects_.count(name) != 0; }
    ImRect Rect(const std::string& name) const {
        auto it = rects_.find(name);
        return it == rects_.end() ? ImRect() : it->second;
    }
    ImVec2 Center(const std::string& name) const {
        auto it = rects_.find(name);
        return it == rects_.end() ? ImVec2(-1, -1) : it->second.GetCenter();
    }

    void MoveTo(ImVec2 p) {
        ImGui::GetIO().AddMousePosEvent(p.x, p.y);
        Frame();
    }
    void Press(bool down) {
        ImGui::GetIO().AddMouseButtonEvent(0, down);
        Frame();
    }
    void Click(ImVec2 p) {
        MoveTo(p);
        Press(true);
        Press(false);
    }
    void Click(const std::string& name) { Click(Center(name)); }
    // Presses at p, moves by step for `frames` frames, releases.
    void Drag(ImVec2 p, ImVec2 step, int frames) {
        MoveTo(p);
        Press(true);
        for (int i = 0; i < frames; ++i) {
            p = ImVec2(p.x + step.x, p.y + step.y);
            MoveTo(p);
        }
        Press(false);
        Frame();
    }
    void Drag(const std::string& name, ImVec2 step, int frames) { Drag(Center(name), step, frames); }
    void Key(ImGuiKey key, bool ctrl = false) {
        ImGuiIO& io = ImGui::GetIO();
        if (ctrl) io.AddKeyEvent(ImGuiMod_Ctrl, true);
        io.AddKeyEvent(key, true);
        Frame();
        io.AddKeyEvent(key, false);
        if (ctrl) io.AddKeyEvent(ImGuiMod_Ctrl, false);
        Frame();
    }
    void Type(const char* text) {
        ImGui::GetIO().AddInputCharactersUTF8(text);
        Frame();
    }
    // Ctrl+click: a drag turns into a text field.
    void CtrlClick(const std::string& name) {
        ImGuiIO& io = ImGui::GetIO();
        MoveTo(Center(name));
        io.AddKeyEvent(ImGuiMod_Ctrl, true);
        Frame();
        Press(true);
        Press(false);
        io.AddKeyEvent(ImGuiMod_Ctrl, false);
        Frame();
    }
    // Clicks empty space far from every widget (deactivates text fields).
    void ClickAway() { Click(ImVec2(ImGui::GetIO().DisplaySize.x - 5, ImGui::GetIO().DisplaySize.y - 5)); }

private:
    ImGuiContext* ctx_ = nullptr;
    std::map<std::string, ImRect> rects_;
};

} // namespace korvane::test
