#include "editor/ui/script/ScriptEditorPanel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "editor/assets/EditorIcons.h"
#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/RecentScripts.h"
#include "editor/legacy/scripting/ScriptEditor.h"
#include "editor/legacy/scripting/ScriptGutter.h"
#include "editor/ui/common/EditorHooks.h"
#include "editor/ui/common/UiProbe.h"
#include "imgui.h"
#include "imgui_internal.h"
#include "misc/cpp/imgui_stdlib.h"

namespace {

bool s_focused = false;
bool s_openPalette = false;

ImVec4 Rgb(float r, float g, float b) { return ImVec4(r, g, b, 1.0f); }

const char* FileNameOf(const char* path) {
    if (!path || !path[0]) return "Untitled";
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

// 26 x 24 with the icon inset, or the letter when there is no icon.
bool IconButtonCompact(const char* id, uint32_t icon, const char* letter, const char* tooltip, bool enabled,
                       bool highlighted) {
    ImGui::PushStyleVar(ImGuiStyleVar_FrameRounding, 4.0f);
    ImGui::PushStyleVar(ImGuiStyleVar_FramePadding, ImVec2(0, 0));
    ImGui::PushStyleColor(ImGuiCol_Button, highlighted ? Rgb(0.16f, 0.34f, 0.62f) : Rgb(0.12f, 0.13f, 0.16f));
    ImGui::PushStyleColor(ImGuiCol_ButtonHovered, highlighted ? Rgb(0.2f, 0.4f, 0.72f) : Rgb(0.18f, 0.19f, 0.23f));
    ImGui::PushStyleColor(ImGuiCol_ButtonActive, Rgb(0.1f, 0.27f, 0.5f));
    ImGui::BeginDisabled(!enabled);
    const bool pressed = ImGui::Button(id, ImVec2(26, 24));
    const ImVec2 min = ImGui::GetItemRectMin(), max = ImGui::GetItemRectMax();
    ImGui::EndDisabled();
    ImGui::PopStyleColor(3);
    ImGui::PopStyleVar(2);
    const ImU32 tint = enabled ? IM_COL32(230, 235, 245, 255) : IM_COL32(105, 108, 116, 255);
    ImDrawList* dl = ImGui::GetWindowDrawList();
    if (icon) {
        dl->AddImage(ImTextureID(icon), ImVec2(min.x + 5, min.y + 4), ImVec2(max.x - 5, max.y - 4), ImVec2(0, 0),
                     ImVec2(1, 1), tint);
    } else {
        const ImVec2 ts = ImGui::CalcTextSize(letter);
        dl->AddText(ImVec2((min.x + max.x - ts.x) * 0.5f, (min.y + max.y - ts.y) * 0.5f), tint, letter);
    }
    if (ImGui::IsItemHovered(ImGuiHoveredFlags_AllowWhenDisabled)) ImGui::SetTooltip("%s", tooltip);
    UiProbeRect(id, min, max);
    return pressed && enabled;
}

void ToggleFind() {
    g_scriptEditorSearchOpen = !g_scriptEditorSearchOpen;
    g_scriptEditorSideMode = 1;
}

void ToolStrip() {
    const bool open = g_scriptEditorPath[0] != '\0';
    ImGui::PushStyleColor(ImGuiCol_ChildBg, Rgb(0.05f, 0.054f, 0.067f));
    ImGui::BeginChild("##scriptTop", ImVec2(0, 31), ImGuiChildFlags_Borders,
                      ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_NoScrollWithMouse);
    ImGui::PopStyleColor();
    auto same = [](float gap) { ImGui::SameLine(0, gap); };
    if (IconButtonCompact("##scOpen", g_icoOpen, "O", "Open selected script", true, false)) ScriptEditorOpenSelected();
    same(3);
    if (IconButtonCompact("##scNew", g_icoNew, "N", "New script", true, false)) ScriptEditorCreateNew();
    same(3);
    if (IconButtonCompact("##scSave", g_icoSave, "S", "Save script", open, false)) SaveScriptEditor();
    same(3);
    if (IconButtonCompact("##scReload", g_icoReload, "R", "Reload from disk", open, false))
        ScriptEditorRequest(ScriptEditorAction::Reload);
    same(7);
    if (IconButtonCompact("##scSearch", g_icoSearch, "F", "Find / replace", true, g_scriptEditorSearchOpen)) ToggleFind();
    same(3);
    if (IconButtonCompact("##scAnalyze", g_icoAnalyze, "A", "Analyze diagnostics", open, false)) AnalyzeScriptEditor();
    same(3);
    if (IconButtonCompact("##scProblems", g_icoProblems, "!", "Problems panel", true,
                          g_scriptEditorShowSidebar && g_scriptEditorSideMode == 3)) {
        g_scriptEditorShowSidebar = true;
        g_scriptEditorSideMode = 3;
    }
    same(3);
    if (IconButtonCompact("##scPanel", g_icoPanel, "P", "Side panel", true, g_scriptEditorShowSidebar))
        g_scriptEditorShowSidebar = !g_scriptEditorShowSidebar;
    same(3);
    if (IconButtonCompact("##scWrap", g_icoWrap, "W", "Word wrap", true, g_scriptEditorSoftWrap))
        g_scriptEditorSoftWrap = !g_scriptEditorSoftWrap;
    same(8);
    ImGui::AlignTextToFramePadding();
    ImGui::TextDisabled("%s%s%s", FileNameOf(g_scriptEditorPath), g_scriptEditorDirty ? " *" : "",
                        g_scriptEditorReadOnly ? " (read-only)" : "");
    ImGui::EndChild();
}

void FindBar() {
    ImGui::PushStyleColor(ImGuiCol_ChildBg, Rgb(0.047f, 0.05f, 0.061f));
    ImGui::BeginChild("##scriptSearchBar", ImVec2(0, 30), ImGuiChildFlags_Borders,
                      ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_NoScrollWithMouse);
    ImGui::PopStyleColor();
    ImGui::AlignTextToFramePadding();
    ImGui::TextUnformatted("Find");
    ImGui::SameLine();
    ImGui::SetNextItemWidth(std::min(220.0f, 0.34f * ImGui::GetContentRegionAvail().x));
    ImGui::InputTextWithHint("##scriptFindInline", "text", g_scriptEditorSearch, sizeof g_scriptEditorSearch);
    ImGui::SameLine();
    ImGui::TextUnformatted("Replace");
    ImGui::SameLine();
    ImGui::SetNextItemWidth(std::min(220.0f, 0.34f * ImGui::GetContentRegionAvail().x));
    ImGui::InputTextWithHint("##scriptReplaceInline", "text", g_scriptEditorReplace, sizeof g_scriptEditorReplace);
    ImGui::SameLine();
    if (IconButtonCompact("##scReplace", g_icoReplace, "=", "Replace all", g_scriptEditorSearch[0] != '\0', false))
        ScriptEditorReplaceAll();
    ImGui::SameLine();
    ImGui::Text("%zu", CountOccurrences(g_scriptEditorText, g_scriptEditorSearch));
    ImGui::EndChild();
}

void SidePanel(float w, float h) {
    if (w <= 1.0f) return;
    ImGui::PushStyleColor(ImGuiCol_ChildBg, Rgb(0.055f, 0.06f, 0.075f));
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(8, 8));
    ImGui::BeginChild("##scriptSide", ImVec2(w, h), ImGuiChildFlags_Borders | ImGuiChildFlags_AlwaysUseWindowPadding);
    ImGui::PopStyleVar();
    ImGui::PopStyleColor();
    static const char* pages[] = {"Files", "Find", "Outline", "Problems"};
    for (int i = 0; i < 4; ++i) {
        if (i) ImGui::SameLine(0, 4);
        const bool current = g_scriptEditorSideMode == i;
        if (current) ImGui::PushStyleColor(ImGuiCol_Button, Rgb(0.15f, 0.19f, 0.28f));
        if (ImGui::SmallButton(pages[i])) {
            g_scriptEditorSideMode = i;
            if (i == 1) g_scriptEditorSearchOpen = true;
        }
        if (current) ImGui::PopStyleColor();
    }
    ImGui::Separator();
    switch (g_scriptEditorSideMode) {
        case 0:
            ImGui::TextDisabled("Current script");
            if (!g_scriptEditorPath[0]) {
                ImGui::TextUnformatted("No script open.");
            } else {
                ImGui::Selectable(FileNameOf(g_scriptEditorPath), true);
                ImGui::TextWrapped("%s", g_scriptEditorPath);
            }
            if (ImGui::Button("Open Selected", ImVec2(-1, 0))) ScriptEditorOpenSelected();
            if (ImGui::Button("New Script", ImVec2(-1, 0))) ScriptEditorCreateNew();
            break;
        case 1: {
            ImGui::TextDisabled("Find / replace");
            ImGui::SetNextItemWidth(-1);
            ImGui::InputTextWithHint("##scriptFindSide", "Find", g_scriptEditorSearch, sizeof g_scriptEditorSearch);
            ImGui::SetNextItemWidth(-1);
            ImGui::InputTextWithHint("##scriptReplaceSide", "Replace", g_scriptEditorReplace,
                                     sizeof g_scriptEditorReplace);
            const size_t n = CountOccurrences(g_scriptEditorText, g_scriptEditorSearch);
            ImGui::Text("%zu match%s", n, n == 1 ? "" : "es");
            if (ImGui::Button("Replace All", ImVec2(-1, 0))) ScriptEditorReplaceAll();
            break;
        }
        case 2:
            ImGui::TextDisabled("Outline");
            if (g_scriptEditorOutline.empty()) ImGui::TextUnformatted("No functions or exports.");
            for (size_t i = 0; i < g_scriptEditorOutline.size(); ++i) {
                const ScriptOutlineItem& it = g_scriptEditorOutline[i];
                char label[160];
                std::snprintf(label, sizeof label, "%4d  %s##ol%zu", it.line, it.text, i);
                if (ImGui::Selectable(label)) g_scriptEditorStatus = "Outline line " + std::to_string(it.line);
            }
            break;
        default: {
            ImGui::TextDisabled("Problems");
            if (g_scriptEditorDiagnostics.empty())
                ImGui::TextColored(Rgb(0.55f, 0.85f, 0.55f), "No issues found.");
            ImGuiListClipper clip;
            clip.Begin(int(g_scriptEditorDiagnostics.size()));
            while (clip.Step()) {
                for (int i = clip.DisplayStart; i < clip.DisplayEnd; ++i) {
                    const ScriptDiagnostic& d = g_scriptEditorDiagnostics[size_t(i)];
                    const ImVec4 c = d.severity > 3    ? Rgb(1, 0.34f, 0.3f)
                                     : d.severity == 3 ? Rgb(1, 0.76f, 0.24f)
                                                       : Rgb(0.55f, 0.7f, 1);
                    const char* sev = d.severity > 3 ? "E" : d.severity == 3 ? "W" : "I";
                    char label[320];
                    std::snprintf(label, sizeof label, "%s %d:%d  %s##pr%d", sev, d.line, d.column, d.message, i);
                    ImGui::PushStyleColor(ImGuiCol_Text, c);
                    ImGui::Selectable(label);
                    ImGui::PopStyleColor();
                }
            }
            break;
        }
    }
    ImGui::EndChild();
}

void EmptySurface(float width, float height) {
    ImGui::BeginChild("##scriptEmpty", ImVec2(width, height), ImGuiChildFlags_Borders);
    const float w = ImGui::GetContentRegionAvail().x, h = ImGui::GetContentRegionAvail().y;
    const float c = std::min(560.0f, std::max(260.0f, w - 48.0f));
    const size_t shown = std::min<size_t>(5, g_recentScriptFiles.size());
    float block = 128.0f;
    if (shown > 0) block += float(shown) * 30.0f + 34.0f;
    const float x0 = std::max(0.0f, (w - c) * 0.5f);
    ImGui::SetCursorPos(ImVec2(x0, std::max(16.0f, 0.46f * (h - block))));
    ImGui::BeginGroup();
    auto centred = [&](const char* text, bool dim) {
        const float tw = ImGui::CalcTextSize(text).x;
        ImGui::SetCursorPosX(x0 + std::max(0.0f, (c - tw) * 0.5f));
        if (dim) ImGui::TextDisabled("%s", text);
        else ImGui::TextUnformatted(text);
    };
    centred("Script Editor", false);
    centred("Open a script from the Project Browser, Inspector, or this panel.", true);
    ImGui::Dummy(ImVec2(0, 10));
    ImGui::SetCursorPosX(x0 + std::max(0.0f, (c - 388.0f) * 0.5f));
    if (ImGui::Button("Open Selected Script", ImVec2(190, 0))) ScriptEditorOpenSelected();
    ImGui::SameLine(0, 8);
    if (ImGui::Button("Create New .fs Script", ImVec2(190, 0))) ScriptEditorCreateNew();
    if (shown > 0) {
        ImGui::Dummy(ImVec2(0, 18));
        centred("Recent scripts", true);
        ImGui::Dummy(ImVec2(0, 4));
        std::string chosen;
        for (size_t i = 0; i < shown; ++i) {
            const std::string& p = g_recentScriptFiles[i];
            ImGui::SetCursorPosX(x0 + std::max(0.0f, (c - 360.0f) * 0.5f));
            ImGui::PushID(int(i));
            if (ImGui::Selectable(FileNameOf(p.c_str()), false, 0, ImVec2(360, 24))) chosen = p;
            if (ImGui::IsItemHovered()) ImGui::SetTooltip("%s", p.c_str());
            ImGui::PopID();
        }
        if (!chosen.empty()) ScriptEditorRequest(ScriptEditorAction::Open, chosen.c_str());
    }
    ImGui::EndGroup();
    ImGui::EndChild();
}

struct CaretReport {
    size_t offset = 0;
    bool valid = false;
};

int TextCallback(ImGuiInputTextCallbackData* data) {
    auto* report = static_cast<CaretReport*>(data->UserData);
    if (report) {
        report->offset = size_t(std::max(0, data->CursorPos));
        report->valid = true;
    }
    return 0;
}

void TextSurface(float width, float height) {
    const int lines = ScriptLineCount(g_scriptEditorText);
    const float gutter = ScriptGutterWidth(lines, ImGui::CalcTextSize("0").x);
    ImGui::BeginChild("##scriptScrollSurface", ImVec2(width, height), ImGuiChildFlags_Borders,
                      g_scriptEditorSoftWrap ? 0 : ImGuiWindowFlags_HorizontalScrollbar);
    const ImGuiStyle& st = ImGui::GetStyle();
    const float lineH = ImGui::GetTextLineHeight();
    const ImVec2 avail = ImGui::GetContentRegionAvail();
    const float areaH = std::max(avail.y - 4.0f, lineH * float(lines) + 2.0f * 3.0f + 12.0f);
    const float areaW = std::max(180.0f, avail.x - gutter - 6.0f);

    // Gutter: only the visible rows are numbered.
    ImDrawList* dl = ImGui::GetWindowDrawList();
    const ImVec2 origin = ImGui::GetCursorScreenPos();
    const float scrollY = ImGui::GetScrollY();
    const float childH = ImGui::GetWindowHeight();
    const float textTop = origin.y + 3.0f;  // the field's vertical inner margin
    dl->AddRectFilled(origin, ImVec2(origin.x + gutter, origin.y + areaH), IM_COL32(18, 20, 25, 255));
    dl->AddLine(ImVec2(origin.x + gutter - 1, origin.y), ImVec2(origin.x + gutter - 1, origin.y + areaH),
                IM_COL32(48, 52, 62, 255));
    const int first = std::max(1, int(scrollY / std::max(1.0f, lineH)));
    const int last = std::min(lines, first + int(childH / std::max(1.0f, lineH)) + 8);
    const std::vector<uint8_t> marks = ScriptGutterMarks(g_scriptEditorDiagnostics, first, last);
    char num[16];
    for (int ln = first; ln <= last; ++ln) {
        const float y = textTop + float(ln - 1) * lineH;
        const uint8_t mark = marks[size_t(ln - first)];
        const bool caret = ln == g_scriptEditorCursorLine;
        if (caret)
            dl->AddRectFilled(ImVec2(origin.x, y), ImVec2(origin.x + gutter - 1, y + lineH), IM_COL32(40, 45, 56, 210));
        ImU32 col = mark == 4 ? IM_COL32(255, 90, 85, 255)
                    : mark == 3 ? IM_COL32(255, 205, 90, 255)
                    : caret ? IM_COL32(220, 225, 235, 255)
                            : IM_COL32(122, 128, 140, 255);
        std::snprintf(num, sizeof num, "%d", ln);
        const float tw = ImGui::CalcTextSize(num).x;
        dl->AddText(ImVec2(origin.x + gutter - 8.0f - tw, y), col, num);
        if (mark) dl->AddCircleFilled(ImVec2(origin.x + 7.0f, y + 0.45f * lineH), 3.0f, mark == 4 ? IM_COL32(255, 90, 85, 255) : IM_COL32(255, 205, 90, 255));
    }

    ImGui::SetCursorScreenPos(ImVec2(origin.x + gutter + 4.0f, origin.y));
    ImGui::PushStyleColor(ImGuiCol_FrameBg, Rgb(0.03f, 0.033f, 0.043f));
    ImGui::PushStyleVar(ImGuiStyleVar_FramePadding, ImVec2(8, 3));
    ImGuiInputTextFlags flags = ImGuiInputTextFlags_AllowTabInput | ImGuiInputTextFlags_CallbackAlways;
    if (g_scriptEditorSoftWrap) flags |= ImGuiInputTextFlags_NoHorizontalScroll;
    if (g_scriptEditorReadOnly) flags |= ImGuiInputTextFlags_ReadOnly;
    CaretReport report;
    const bool changed =
        ImGui::InputTextMultiline("##scriptText", &g_scriptEditorText, ImVec2(areaW, areaH), flags, TextCallback, &report);
    UiProbeLastItem("script.text");
    ImGui::PopStyleVar();
    ImGui::PopStyleColor();
    (void)st;
    if (report.valid) ScriptCaretLineCol(g_scriptEditorText, report.offset, g_scriptEditorCursorLine, g_scriptEditorCursorCol);
    if (changed) ScriptEditorNoteEdit();
    ImGui::EndChild();
}

void StatusStrip() {
    ImGui::PushStyleColor(ImGuiCol_ChildBg, Rgb(0.04f, 0.045f, 0.055f));
    ImGui::BeginChild("##scriptCompactStatus", ImVec2(0, 22), ImGuiChildFlags_Borders,
                      ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_NoScrollWithMouse);
    ImGui::PopStyleColor();
    const ImVec4 green = Rgb(0.6f, 0.85f, 0.6f);
    ImGui::TextUnformatted(g_scriptEditorDirty ? "Unsaved" : "Saved");
    ImGui::SameLine();
    ImGui::TextColored(g_scriptEditorErrors > 0 ? Rgb(1, 0.34f, 0.3f) : green, "E:%d", g_scriptEditorErrors);
    ImGui::SameLine();
    ImGui::TextColored(g_scriptEditorWarnings > 0 ? Rgb(1, 0.76f, 0.24f) : green, "W:%d", g_scriptEditorWarnings);
    ImGui::SameLine();
    ImGui::Text("Ln %d, Col %d", g_scriptEditorCursorLine, g_scriptEditorCursorCol);
    ImGui::SameLine();
    ImGui::TextUnformatted(g_scriptEditorStatus.c_str());
    UiProbeText("script.status", g_scriptEditorStatus.c_str());
    ImGui::EndChild();
}

void CommandPalette() {
    if (s_openPalette) {
        ImGui::OpenPopup("Command Palette##ScriptEditor");
        s_openPalette = false;
    }
    if (!ImGui::BeginPopupModal("Command Palette##ScriptEditor", nullptr, ImGuiWindowFlags_AlwaysAutoResize)) {
        g_scriptEditorCommandPalette = false;
        return;
    }
    const bool open = g_scriptEditorPath[0] != '\0';
    ImGui::TextDisabled("Commands");
    bool close = false;
    if (open) {
        if (ImGui::Selectable("Save Script")) SaveScriptEditor(), close = true;
        ImGui::SameLine(200);
        ImGui::TextDisabled("Cmd/Ctrl+S");
        if (ImGui::Selectable("Reload Script")) ScriptEditorRequest(ScriptEditorAction::Reload), close = true;
        if (ImGui::Selectable("Analyze Diagnostics")) AnalyzeScriptEditor(), close = true;
    }
    if (ImGui::Selectable("Toggle Side Panel")) g_scriptEditorShowSidebar = !g_scriptEditorShowSidebar, close = true;
    if (ImGui::Selectable("Toggle Search")) ToggleFind(), close = true;
    if (ImGui::Selectable("Toggle Word Wrap")) g_scriptEditorSoftWrap = !g_scriptEditorSoftWrap, close = true;
    if (ImGui::Button("Close", ImVec2(120, 0))) close = true;
    if (close) {
        g_scriptEditorCommandPalette = false;
        ImGui::CloseCurrentPopup();
    }
    ImGui::EndPopup();
}

// Opening another file, reloading or closing with unsaved edits asks first.
void UnsavedScriptPrompt() {
    if (ScriptEditorPendingAction() == ScriptEditorAction::None) return;
    if (!ImGui::IsPopupOpen("Unsaved Script Changes")) ImGui::OpenPopup("Unsaved Script Changes");
    if (!ImGui::BeginPopupModal("Unsaved Script Changes", nullptr, ImGuiWindowFlags_AlwaysAutoResize)) return;
    ImGui::Text("%s has unsaved changes.", FileNameOf(g_scriptEditorPath));
    ImGui::TextUnformatted("Save them before continuing?");
    ImGui::Separator();
    int answer = -1;
    if (ImGui::Button("Save", ImVec2(110, 0))) answer = 0;
    UiProbeLastItem("script.unsaved.save");
    ImGui::SameLine();
    if (ImGui::Button("Discard", ImVec2(110, 0))) answer = 1;
    UiProbeLastItem("script.unsaved.discard");
    ImGui::SameLine();
    if (ImGui::Button("Cancel", ImVec2(110, 0)) || ImGui::IsKeyPressed(ImGuiKey_Escape, false)) answer = 2;
    UiProbeLastItem("script.unsaved.cancel");
    if (answer >= 0) {
        ImGui::CloseCurrentPopup();
        ScriptEditorResolvePending(answer == 0   ? ScriptEditorAnswer::Save
                                   : answer == 1 ? ScriptEditorAnswer::Discard
                                                 : ScriptEditorAnswer::Cancel);
    }
    ImGui::EndPopup();
}

void OpenScriptHook(const char* path) { ScriptEditorRequest(ScriptEditorAction::Open, path); }

}  // namespace

int ScriptLineCount(std::string_view text) {
    return 1 + int(std::count(text.begin(), text.end(), '\n'));
}

float ScriptGutterWidth(int lineCount, float digitWidth) {
    int digits = 1;
    for (int n = std::max(1, lineCount); n >= 10; n /= 10) ++digits;
    return std::max(38.0f, float(digits) * digitWidth + 22.0f);
}

void ScriptCaretLineCol(std::string_view text, size_t offset, int& line, int& col) {
    offset = std::min(offset, text.size());
    line = 1;
    size_t lineStart = 0;
    for (size_t pos = text.find('\n'); pos != std::string_view::npos && pos < offset; pos = text.find('\n', pos + 1)) {
        ++line;
        lineStart = pos + 1;
    }
    col = int(offset - lineStart) + 1;
}

bool ScriptEditorPanelFocused() { return s_focused; }

void ScriptEditorPanel() {
    s_focused = false;
    if (g_scriptEditorCloseRequested) {
        g_scriptEditorCloseRequested = false;
        g_showScriptEditor = false;
        return;
    }
    ImGui::SetNextWindowSize(ImVec2(940, 640), ImGuiCond_FirstUseEver);
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(4, 4));
    bool visible = true;
    const bool shown = ImGui::Begin("Script Editor", &visible, ImGuiWindowFlags_NoCollapse);
    ImGui::PopStyleVar();
    if (!visible) {
        // The window's close button: unsaved edits are asked about first.
        if (g_scriptEditorDirty) ScriptEditorRequest(ScriptEditorAction::Close);
        else g_showScriptEditor = false;
    }
    if (!shown) {
        ImGui::End();
        return;
    }
    s_focused = ImGui::IsWindowFocused(ImGuiFocusedFlags_RootAndChildWindows);
    const ImGuiIO& io = ImGui::GetIO();
    if (s_focused && (io.KeyCtrl || io.KeySuper)) {
        if (ImGui::IsKeyPressed(ImGuiKey_S, false)) SaveScriptEditor();
        if (ImGui::IsKeyPressed(ImGuiKey_F, false)) {
            g_scriptEditorSearchOpen = true;
            g_scriptEditorSideMode = 1;
        }
        if (ImGui::IsKeyPressed(ImGuiKey_P, false)) {
            g_scriptEditorCommandPalette = true;
            s_openPalette = true;
        }
    }
    ScriptEditorAutoAnalyzeTick(ImGui::GetTime());

    ToolStrip();
    if (g_scriptEditorSearchOpen) FindBar();
    const ImVec2 avail = ImGui::GetContentRegionAvail();
    const float editorH = std::max(100.0f, avail.y - 22.0f - ImGui::GetStyle().ItemSpacing.y);
    float surfaceW = avail.x;
    if (g_scriptEditorShowSidebar) {
        const float sideW = std::min(230.0f, std::max(170.0f, 0.22f * avail.x));
        SidePanel(sideW, editorH);
        ImGui::SameLine(0, 4);
        surfaceW = std::max(1.0f, avail.x - sideW - 4.0f);
    }
    if (g_scriptEditorPath[0]) TextSurface(surfaceW, editorH);
    else EmptySurface(surfaceW, editorH);
    StatusStrip();
    CommandPalette();
    UnsavedScriptPrompt();
    ImGui::End();
}

void InstallScriptEditorPanel() {
    g_editorHooks.scriptEditorPanel = ScriptEditorPanel;
    g_editorHooks.openScriptInEditor = OpenScriptHook;
    g_editorHooks.scriptEditorFocused = &s_focused;
}
