#include "editor/ui/shell/ProjectHub.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "editor/assets/Textures.h"
#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/scene/Entity.h"
#include "editor/legacy/shell/LoadingSequence.h"
#include "editor/legacy/base/ProjectPaths.h"
#include "editor/legacy/shell/ProjectRegistry.h"
#include "editor/legacy/shell/ShellLogic.h"
#include "editor/ui/common/AppWindow.h"
#include "editor/ui/common/UiProbe.h"
#include "editor/ui/common/WindowChrome.h"
#include "engine/platform/FileSystem.h"
#include "imgui.h"

namespace {

char s_addPath[1024] = "";
std::string s_addError;
std::string s_createError;

const ImVec4 kRed(1.0f, 0.2f, 0.2f, 1.0f);
const ImVec4 kMuted(0.55f, 0.55f, 0.58f, 1.0f);

void CenteredText(const char* text, const ImVec4* color = nullptr) {
    const float w = ImGui::CalcTextSize(text).x;
    ImGui::SetCursorPosX(std::max(0.0f, (ImGui::GetContentRegionAvail().x - w) * 0.5f + ImGui::GetCursorPosX()));
    if (color) ImGui::TextColored(*color, "%s", text);
    else ImGui::TextUnformatted(text);
}

// Draws the cards; returns after a project was opened or removed, since the
// lists it walks have changed.
void DrawProjectCards() {
    if (g_projRoots.empty()) {
        ImGui::Dummy(ImVec2(0, 12));
        CenteredText("No projects yet \xE2\x80\x94 create one in the \"Create New\" tab", &kMuted);
        return;
    }
    const float avail = ImGui::GetContentRegionAvail().x;
    const float cardW = std::min(440.0f, 0.88f * avail);
    const float cardH = 56.0f;
    const int64_t now = int64_t(time(nullptr));
    ImDrawList* dl = ImGui::GetWindowDrawList();
    ImGui::Dummy(ImVec2(0, 6));
    const ImVec2 start = ImGui::GetCursorScreenPos();
    const float left = start.x + std::max(0.0f, (avail - cardW) * 0.5f);
    for (size_t i = 0; i < g_projRoots.size(); ++i) {
        const ImVec2 pos(left, start.y + 60.0f * float(i));
        ImGui::SetCursorScreenPos(pos);
        ImGui::PushID(int(i));
        const bool clicked = ImGui::InvisibleButton("##card", ImVec2(cardW, cardH));
        const bool hovered = ImGui::IsItemHovered();
        char probe[48];
        std::snprintf(probe, sizeof probe, "hub.card.%zu", i);
        UiProbeLastItem(probe);
        std::snprintf(probe, sizeof probe, "hub.card.%zu.root", i);
        UiProbeText(probe, g_projRoots[i].c_str());
        const ImVec2 max(pos.x + cardW, pos.y + cardH);
        int alpha = (i == 0 && g_projRoots.size() > 1) ? 18 : 10;
        if (hovered) alpha += 14;
        dl->AddRectFilled(pos, max, IM_COL32(255, 255, 255, alpha), 8.0f);
        dl->AddRect(pos, max, IM_COL32(255, 255, 255, 16), 8.0f);
        // Material icon "folder" (U+E2C7), tinted blue.
        if (g_iconFont) {
            dl->AddText(g_iconFont, 24.0f, ImVec2(pos.x + 14, pos.y + 16), IM_COL32(90, 150, 255, 255),
                        "\xEE\x8B\x87");
        }
        const std::string& name = g_projNames[i];
        const std::string folder = PathLastComponent(g_projRoots[i]);
        dl->AddText(ImVec2(pos.x + 50, pos.y + 9), ImGui::GetColorU32(ImGuiCol_Text), name.c_str());
        dl->AddText(ImVec2(pos.x + 50, pos.y + 30), ImGui::GetColorU32(kMuted), folder.c_str());
        if (g_projModTimes[i] > 0) {
            const std::string when = RelativeTimeCaption(now, g_projModTimes[i]);
            // The text font has no arrow glyph; the icon font's
            // "arrow_forward" (U+E5C8) draws the same "→".
            const float arrowW = 18.0f;
            const float whenW = ImGui::CalcTextSize(when.c_str()).x;
            const float y = pos.y + (cardH - ImGui::GetTextLineHeight()) * 0.5f;
            if (g_iconFont) {
                dl->AddText(g_iconFont, arrowW, ImVec2(max.x - 14 - arrowW, pos.y + (cardH - arrowW) * 0.5f),
                            ImGui::GetColorU32(ImGuiCol_Text), "\xEE\x97\x88");
            }
            dl->AddText(ImVec2(max.x - 24 - arrowW - whenW, y), ImGui::GetColorU32(kMuted), when.c_str());
        }
        bool open = clicked;
        bool remove = false;
        if (ImGui::BeginPopupContextItem("##cardMenu")) {
            if (ImGui::MenuItem("Open")) open = true;
            if (ImGui::MenuItem("Remove")) remove = true;
            UiProbeLastItem("hub.card.menu.remove");
            ImGui::EndPopup();
        }
        ImGui::PopID();
        if (remove) {
            RemoveProjectAt(int(i));
            return;
        }
        if (open) {
            OpenProjectByIndex(int(i));
            return;
        }
    }
    ImGui::SetCursorScreenPos(ImVec2(start.x, start.y + 60.0f * float(g_projRoots.size())));
    ImGui::Dummy(ImVec2(0, 4));
}

void DrawAddProjectPopup() {
    ImGui::SetNextWindowPos(ImGui::GetMainViewport()->GetCenter(), ImGuiCond_Appearing, ImVec2(0.5f, 0.5f));
    if (!ImGui::BeginPopupModal("Add Existing Project###AddProjectPopup", nullptr, ImGuiWindowFlags_AlwaysAutoResize)) return;
    ImGui::TextUnformatted("Path to project folder:");
    if (s_addPath[0] == '\0') {
        std::string def = HomeDir() + "/Documents/Korvane";
        if (def.size() < sizeof s_addPath) std::memcpy(s_addPath, def.c_str(), def.size() + 1);
    }
    ImGui::SetNextItemWidth(420);
    ImGui::InputText("##addpp", s_addPath, sizeof s_addPath);
    UiProbeLastItem("hub.add.path");
    if (!s_addError.empty()) ImGui::TextColored(kRed, "%s", s_addError.c_str());
    if (ImGui::Button("Add", ImVec2(120, 0))) {
        char resolved[1024];
        std::string path = ResolvePath(s_addPath, resolved, sizeof resolved) ? resolved : s_addPath;
        while (path.size() > 1 && path.back() == '/') path.pop_back();
        s_addPath[0] = '\0';
        s_addError.clear();
        if (!korvane::platform::DirectoryExists(path)) {
            Log(4, "Not a valid directory: %s", path.c_str());
            s_addError = "Not a valid directory: " + path;
        } else if (!IsRegistrableRoot(path)) {
            Log(4, "Not a valid directory: %s", path.c_str());
            s_addError = "This folder name cannot be registered.";
        } else if (SetProjectRoot(path)) {
            CopyTextField(g_projName, SanitizeProjectName(PathLastComponent(path)));
            AddProject(g_projName, path);
            ImGui::CloseCurrentPopup();
            BeginProjectLoading();
        } else {
            s_addError = "The path is too long.";
        }
    }
    UiProbeLastItem("hub.add.confirm");
    ImGui::SameLine();
    if (ImGui::Button("Cancel", ImVec2(120, 0))) {
        s_addPath[0] = '\0';
        s_addError.clear();
        ImGui::CloseCurrentPopup();
    }
    ImGui::EndPopup();
}

void DrawCreateNewTab(float contentW) {
    ImGui::Dummy(ImVec2(0, 8));
    ImGui::SetNextItemWidth(contentW);
    const bool nameChanged = ImGui::InputTextWithHint("##pn", "Project Name", g_projName, sizeof g_projName);
    UiProbeLastItem("hub.create.name");

    // The target as it stands before this frame's typing.
    char target[1024];
    const char* typed = g_projPath[0] ? g_projPath : "~/Documents/Korvane/My Game";
    const bool resolved = ResolvePath(typed, target, sizeof target);
    const bool exists = resolved && PathExistsPlain(target);

    if (exists) ImGui::PushStyleColor(ImGuiCol_Text, kRed);
    ImGui::SetNextItemWidth(contentW);
    const bool pathChanged =
        ImGui::InputTextWithHint("##pp", "Path (default: ~/Documents/Korvane/)", g_projPath, sizeof g_projPath);
    UiProbeLastItem("hub.create.path");
    if (exists) ImGui::PopStyleColor();
    FollowProjectNameInPath(g_projName, nameChanged, pathChanged, g_projPath, sizeof g_projPath, HomeDir());
    if (exists) CenteredText("Path already exists", &kRed);
    if (!resolved) CenteredText("Path is too long", &kRed);
    if (!s_createError.empty()) CenteredText(s_createError.c_str(), &kRed);

    ImGui::Dummy(ImVec2(0, 6));
    ImGui::BeginDisabled(exists || !resolved);
    if (ImGui::Button("Create New Project", ImVec2(contentW, 56))) {
        s_createError.clear();
        const std::string root = target;
        CopyTextField(g_projName, SanitizeProjectName(g_projName));
        if (!IsRegistrableRoot(root)) {
            s_createError = "The path holds control characters.";
        } else if (!CreateProjectDirs(root)) {
            // Nothing registered, nothing opened: the log says why.
            s_createError = "Could not create the project folders (see the log).";
        } else if (!SetProjectRoot(root)) {
            s_createError = "The path is too long.";
        } else {
            if (!AddProject(g_projName, root)) s_createError = "The project list could not be saved.";
            BeginProjectLoading();
        }
    }
    ImGui::EndDisabled();
    UiProbeLastItem("hub.create.button");
    ImGui::Dummy(ImVec2(0, 4));
    if (ImGui::Button("Add Existing Project", ImVec2(contentW, 56))) {
        s_addError.clear();
        ImGui::OpenPopup("Add Existing Project###AddProjectPopup");
    }
    UiProbeLastItem("hub.add.button");
    DrawAddProjectPopup();
}

} // namespace

namespace {
bool s_pathEdited = false;  // the user typed in the path field
}

void ResetProjectPathFollowing() { s_pathEdited = false; }

void FollowProjectNameInPath(const char* name, bool nameChanged, bool pathChanged, char* path, size_t pathSize,
                             const std::string& home) {
    if (pathChanged) s_pathEdited = path[0] != '\0';
    if (path[0] != '\0' && (s_pathEdited || !nameChanged)) return;
    const std::string def = home + "/Documents/Korvane/" + (name ? name : "");
    // A default that does not fit is left out rather than cut.
    if (def.size() < pathSize) std::memcpy(path, def.c_str(), def.size() + 1);
    else path[0] = '\0';
}

void ProjectManager() {
    EnsureProjectsLoaded();
    PrewarmLoaderArtwork();

    const ImGuiViewport* vp = ImGui::GetMainViewport();
    ImGui::SetNextWindowPos(vp->Pos);
    ImGui::SetNextWindowSize(vp->Size);
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(0, 0));
    ImGui::PushStyleVar(ImGuiStyleVar_WindowRounding, 0.0f);
    ImGui::PushStyleColor(ImGuiCol_WindowBg, ImVec4(0, 0, 0, 0));
    ImGui::Begin("##pm", nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings |
                     ImGuiWindowFlags_NoBringToFrontOnFocus | ImGuiWindowFlags_NoScrollWithMouse);
    ImGui::PopStyleColor();
    ImGui::PopStyleVar(2);

    ImDrawList* dl = ImGui::GetWindowDrawList();
    const ImVec2 wmin = vp->Pos;
    const ImVec2 wmax(vp->Pos.x + vp->Size.x, vp->Pos.y + vp->Size.y);
    dl->AddRectFilled(wmin, wmax, IM_COL32(0x19, 0x19, 0x1D, 255), 24.0f);
    dl->AddRect(wmin, wmax, IM_COL32(255, 255, 255, 22), 24.0f);

    if (KorvanePanelCloseButtonAt("##ProjectManagerCloseButton", ImVec2(wmax.x - 48, wmin.y + 24), ImVec2(32, 32),
                                  "Close")) {
        RequestClose();
    }
    UiProbeLastItem("hub.close");

    ImGui::SetCursorPos(ImVec2(48, 44));
    ImGui::BeginChild("##pmc", ImVec2(std::max(100.0f, vp->Size.x - 96), std::max(100.0f, vp->Size.y - 64)),
                      ImGuiChildFlags_None, ImGuiWindowFlags_NoBackground);
    const float contentW = std::min(540.0f, ImGui::GetContentRegionAvail().x);
    ImGui::SetCursorPosX(std::max(0.0f, (ImGui::GetContentRegionAvail().x - contentW) * 0.5f));
    ImGui::BeginChild("##pmcol", ImVec2(contentW, 0), ImGuiChildFlags_None, ImGuiWindowFlags_NoBackground);

    if (g_logoTex && g_logoW > 0 && g_logoH > 0) {
        const float w = 118.0f;
        const float h = w * float(g_logoH) / float(g_logoW);
        ImGui::SetCursorPosX((contentW - w) * 0.5f);
        ImGui::Image(ImTextureRef(ImTextureID(g_logoTex)), ImVec2(w, h));
    }
    CenteredText("Game Engine");
    CenteredText("SDK v0.4.0", &kMuted);
    ImGui::Dummy(ImVec2(0, 6));

    if (ImGui::BeginTabBar("##pmTabs")) {
        const bool projects = ImGui::BeginTabItem("My Projects");
        UiProbeLastItem("hub.tab.projects");
        if (projects) {
            DrawProjectCards();
            ImGui::EndTabItem();
        }
        const bool create = ImGui::BeginTabItem("Create New");
        UiProbeLastItem("hub.tab.create");
        if (create) {
            DrawCreateNewTab(contentW);
            ImGui::EndTabItem();
        }
        ImGui::EndTabBar();
    }
    ImGui::EndChild();
    ImGui::EndChild();

    // The top band drags the borderless window (not its buttons).
    HandleFramelessWindowDrag(g_win, wmin, ImVec2(wmax.x, wmin.y + 120));
    ImGui::End();
}
