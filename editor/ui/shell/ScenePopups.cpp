// The shell's modal dialogs in the editor state: "Unsaved Changes", the
// recovery question, "OpenScenePopup" and "SaveScenePopup", and the menu
// entry points that lead to them.

#include "editor/ui/shell/ScenePopups.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <dirent.h>

#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/base/ProjectPaths.h"
#include "editor/legacy/shell/LayoutState.h"
#include "editor/legacy/shell/SceneRecovery.h"
#include "editor/legacy/shell/ShellLogic.h"
#include "editor/legacy/files/SceneFile.h"
#include "editor/ui/common/AppWindow.h"
#include "editor/ui/common/UiProbe.h"
#include "engine/platform/FileSystem.h"
#include "imgui.h"

namespace {

bool s_openRequested = false;
bool s_saveRequested = false;
std::string s_unsavedError;    // why "Save and Close" failed, shown in the dialog
std::string s_openChoice;      // chosen file name in "OpenScenePopup"
char s_saveName[64] = "NewScene";
std::string s_saveError;

const ImVec4 kRed(1.0f, 0.35f, 0.35f, 1.0f);

// Visible titles; the part after "###" is the popup's identity.
constexpr const char* kOpenScenePopup = "Open Scene###OpenScenePopup";
constexpr const char* kSaveScenePopup = "Save Scene As###SaveScenePopup";
constexpr const char* kRecoverPopup = "Recover Unsaved Changes###RecoverScenePopup";

std::string ScenesDir() { return std::string(g_projectRoot) + "/Assets/Scenes"; }

bool EndsWith(const std::string& s, const char* suffix) {
    const size_t n = std::strlen(suffix);
    return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

// The newest error line logged since the log held `before` entries.
std::string ErrorLoggedSince(size_t before) {
    std::vector<LogEntry> logs = LogSnapshot();
    size_t added = logs.size() > before ? logs.size() - before : 1;
    for (size_t k = 0; k < added && k < logs.size(); ++k) {
        const LogEntry& e = logs[logs.size() - 1 - k];
        if (e.level == 4) return e.text;
    }
    return "the scene could not be written";
}

// Saves the open scene for "Save and Close": to its own path, or to a free
// "Untitled" name in the project's scenes folder (never over another scene).
bool SaveSceneForClose(std::string* why) {
    const size_t before = LogCount();
    std::string target = g_scenePath;
    if (target.empty()) {
        if (!g_projectRoot[0]) {
            *why = "No project folder to save the scene in.";
            return false;
        }
        const std::string dir = ScenesDir();
        korvane::Status made = korvane::platform::EnsureDirectory(dir);
        if (!made.ok()) {
            Log(4, "Scene save failed: %s", made.message().c_str());
            *why = made.message();
            return false;
        }
        target = PickFreeScenePath(dir, "Untitled", ".korvane", PathExistsPlain);
        if (target.empty()) {
            *why = "No free scene name in " + dir;
            return false;
        }
    }
    if (ShellSaveScene(target.c_str()) && !g_sceneDirty) return true;
    *why = ErrorLoggedSince(before);
    return false;
}

void ContinuePendingAction(bool discarding) {
    std::string pending = g_pendingSceneOpen;
    g_pendingSceneOpen[0] = '\0';
    // Thrown away on purpose: nothing is left to recover later.
    if (discarding) RemoveRecoveryCopy(g_scenePath);
    switch (ClassifyPendingAction(pending.c_str())) {
    case PendingKind::CloseWindow:
        if (discarding) g_closeWithoutSaving = true;
        if (g_markWindowCloseHook) g_markWindowCloseHook();
        break;
    case PendingKind::NewScene:
        ShellNewScene();
        break;
    case PendingKind::OpenDialog:
        OpenSceneDialog();
        break;
    case PendingKind::LoadPath:
        ShellLoadScene(pending.c_str());
        break;
    }
}

std::vector<std::string> ListSceneFiles(const std::string& dir, bool* opened) {
    std::vector<std::string> names;
    DIR* d = opendir(dir.c_str());
    *opened = d != nullptr;
    if (!d) return names;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name.size() < 256 && EndsWith(name, ".korvane")) names.push_back(name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

void OpenSceneDialog() { s_openRequested = true; }

void SaveSceneDialog() { s_saveRequested = true; }

void RequestNewScene() {
    if (RequestSceneSwitch("__NEW__")) ShellNewScene();
}

void RequestOpenScene() {
    if (RequestSceneSwitch("__OPEN__")) OpenSceneDialog();
}

void RequestOpenScenePath(const char* path) {
    if (path && path[0] && RequestSceneSwitch(path)) ShellLoadScene(path);
}

void DrawUnsavedChangesDialog() {
    if (g_pendingClose) {
        ImGui::OpenPopup("Unsaved Changes");
        g_pendingClose = false;
        s_unsavedError.clear();
    }
    ImGui::SetNextWindowPos(ImGui::GetMainViewport()->GetCenter(), ImGuiCond_Appearing, ImVec2(0.5f, 0.5f));
    if (!ImGui::BeginPopupModal("Unsaved Changes", nullptr, ImGuiWindowFlags_AlwaysAutoResize)) return;
    ImGui::TextUnformatted(g_pendingSceneOpen[0] ? "Save changes before opening the scene?"
                                                 : "Save changes before closing?");
    if (!s_unsavedError.empty()) {
        ImGui::PushTextWrapPos(ImGui::GetCursorPosX() + 420);
        ImGui::TextColored(kRed, "Could not save: %s", s_unsavedError.c_str());
        ImGui::PopTextWrapPos();
    }
    if (ImGui::Button("Save and Close", ImVec2(140, 0))) {
        std::string why;
        if (SaveSceneForClose(&why)) {
            s_unsavedError.clear();
            ContinuePendingAction(false);
            ImGui::CloseCurrentPopup();
        } else {
            // A scene that cannot be written must not trap the user: stay
            // open, say why, and offer to go on without saving.
            s_unsavedError = why;
        }
    }
    UiProbeLastItem("unsaved.save");
    ImGui::SameLine();
    // Close, or open the other scene, without writing anything.
    if (ImGui::Button("Don't Save", ImVec2(120, 0))) {
        s_unsavedError.clear();
        ContinuePendingAction(true);
        ImGui::CloseCurrentPopup();
    }
    UiProbeLastItem("unsaved.dontsave");
    ImGui::SameLine();
    if (ImGui::Button("Cancel", ImVec2(120, 0))) {
        g_pendingSceneOpen[0] = '\0';
        s_unsavedError.clear();
        ImGui::CloseCurrentPopup();
    }
    UiProbeLastItem("unsaved.cancel");
    if (!s_unsavedError.empty()) {
        ImGui::SameLine();
        if (ImGui::Button("Close Without Saving")) {
            s_unsavedError.clear();
            ContinuePendingAction(true);
            ImGui::CloseCurrentPopup();
        }
        UiProbeLastItem("unsaved.discard");
    }
    ImGui::EndPopup();
}

void DrawRecoveryPopup() {
    if (g_recoveryOffer.active && !ImGui::IsPopupOpen(kRecoverPopup) && !ImGui::IsPopupOpen("Unsaved Changes"))
        ImGui::OpenPopup(kRecoverPopup);
    ImGui::SetNextWindowPos(ImGui::GetMainViewport()->GetCenter(), ImGuiCond_Appearing, ImVec2(0.5f, 0.5f));
    if (!ImGui::BeginPopupModal(kRecoverPopup, nullptr, ImGuiWindowFlags_AlwaysAutoResize)) return;
    if (!g_recoveryOffer.active) {
        ImGui::CloseCurrentPopup();
        ImGui::EndPopup();
        return;
    }
    ImGui::TextUnformatted(RecoveryQuestion(g_recoveryOffer).c_str());
    ImGui::TextDisabled("%s", g_recoveryOffer.scenePath.c_str());
    if (ImGui::Button("Recover", ImVec2(120, 0))) {
        AcceptRecoveryOffer();
        ImGui::CloseCurrentPopup();
    }
    UiProbeLastItem("recovery.recover");
    ImGui::SameLine();
    if (ImGui::Button("Discard", ImVec2(120, 0))) {
        DiscardRecoveryOffer();
        ImGui::CloseCurrentPopup();
    }
    UiProbeLastItem("recovery.discard");
    ImGui::EndPopup();
}

void DrawScenePopups() {
    DrawRecoveryPopup();
    if (s_openRequested) {
        ImGui::OpenPopup(kOpenScenePopup);
        s_openRequested = false;
        s_openChoice.clear();
    }
    if (s_saveRequested) {
        ImGui::OpenPopup(kSaveScenePopup);
        s_saveRequested = false;
        std::strcpy(s_saveName, "NewScene");
        s_saveError.clear();
    }

    const ImVec2 center = ImGui::GetMainViewport()->GetCenter();
    ImGui::SetNextWindowPos(center, ImGuiCond_Appearing, ImVec2(0.5f, 0.5f));
    if (ImGui::BeginPopupModal(kOpenScenePopup, nullptr, ImGuiWindowFlags_AlwaysAutoResize)) {
        const std::string dir = ScenesDir();
        bool opened = false;
        std::vector<std::string> names = ListSceneFiles(dir, &opened);
        if (!opened) {
            ImGui::TextUnformatted("Scenes/ folder not found");
        } else if (names.empty()) {
            ImGui::TextUnformatted("No .korvane scenes found in Scenes/");
        } else {
            for (const std::string& name : names) {
                // Choosing keeps the dialog open until "Open".
                if (ImGui::Selectable(name.c_str(), s_openChoice == name, ImGuiSelectableFlags_NoAutoClosePopups)) {
                    s_openChoice = name;
                }
                UiProbeLastItem(("open.scene." + name).c_str());
            }
        }
        if (ImGui::Button("Open", ImVec2(100, 0)) && !s_openChoice.empty()) {
            ShellLoadScene((dir + "/" + s_openChoice).c_str());
            ImGui::CloseCurrentPopup();
        }
        UiProbeLastItem("open.button");
        ImGui::SameLine();
        if (ImGui::Button("Cancel")) ImGui::CloseCurrentPopup();
        ImGui::EndPopup();
    }

    ImGui::SetNextWindowPos(center, ImGuiCond_Appearing, ImVec2(0.5f, 0.5f));
    if (ImGui::BeginPopupModal(kSaveScenePopup, nullptr, ImGuiWindowFlags_AlwaysAutoResize)) {
        if (ImGui::InputText("Name", s_saveName, sizeof s_saveName)) s_saveError.clear();
        UiProbeLastItem("save.name");
        const std::string dir = ScenesDir();
        const std::string name = s_saveName;
        const std::string file = SceneFileNameFor(name);
        // "→ <folder>/<file>": the arrow comes from the icon font, which has it.
        if (g_iconFont) {
            ImGui::PushFont(g_iconFont, ImGui::GetFontSize());
            ImGui::TextDisabled("\xEE\x97\x88");
            ImGui::PopFont();
            ImGui::SameLine(0, 4);
        }
        ImGui::TextDisabled("%s/%s", dir.c_str(), file.c_str());
        std::string why;
        const bool valid = ValidateSceneName(name, &why);
        if (!valid && !name.empty()) ImGui::TextColored(kRed, "%s", why.c_str());
        const std::string target = dir + "/" + file;
        const bool exists = valid && PathExistsPlain(target);
        // An existing scene is only replaced when the user says so.
        if (exists) ImGui::TextColored(kRed, "A scene named %s already exists.", file.c_str());
        if (!s_saveError.empty()) ImGui::TextColored(kRed, "Could not save: %s", s_saveError.c_str());
        ImGui::BeginDisabled(!valid);
        if (ImGui::Button(exists ? "Overwrite" : "Save", ImVec2(100, 0)) && valid) {
            const size_t before = LogCount();
            korvane::Status made = korvane::platform::EnsureDirectory(dir);
            if (!made.ok()) {
                Log(4, "Scene save failed: %s", made.message().c_str());
                s_saveError = made.message();
            } else if (ShellSaveScene(target.c_str())) {
                ImGui::CloseCurrentPopup();
            } else {
                s_saveError = ErrorLoggedSince(before);
            }
        }
        ImGui::EndDisabled();
        UiProbeLastItem(exists ? "save.overwrite" : "save.button");
        ImGui::SameLine();
        if (ImGui::Button("Cancel")) ImGui::CloseCurrentPopup();
        ImGui::EndPopup();
    }
}

bool ShellSaveScene(const char* path) {
    if (!SaveScene(path)) return false;
    SaveEditorLayoutState();  // the layout travels with every scene save
    return true;
}

bool ShellLoadScene(const char* path) { return LoadScene(path); }

void ShellNewScene() { NewScene(); }
