#include "editor/ui/frame/EditorLayoutGlue.h"

#include "editor/render/GL.h"

#include "imgui.h"
#include "imgui_internal.h"

#include "editor/legacy/shell/LoadingSequence.h"
#include "editor/ui/common/AppWindow.h"
#include "editor/ui/frame/EditorFrame.h"
#include "editor/ui/viewport/EditorCamera.h"
#include "editor/ui/viewport/Gizmo.h"

void CaptureUiLayoutValues(EditorLayoutValues& v) {
    v.camYaw = g_camYaw;
    v.camPitch = g_camPitch;
    v.camDist = g_camDist;
    v.camTarg[0] = g_camTarg.x;
    v.camTarg[1] = g_camTarg.y;
    v.camTarg[2] = g_camTarg.z;
    v.showPreview = g_showPreview;
    v.pvCamId = g_pvCamId;
    v.pvPos[0] = g_pvPos.x;
    v.pvPos[1] = g_pvPos.y;
    v.navSpeed = g_cameraNavSpeed;
    v.resScale = g_vpResScale;
    v.uniformScaleLock = g_uniformScaleLock;
    for (int& c : v.window) c = 0;
    if (g_win) {
        glfwGetWindowPos(g_win, &v.window[0], &v.window[1]);
        glfwGetWindowSize(g_win, &v.window[2], &v.window[3]);
    }
}

void ApplyUiLayoutValues(const EditorLayoutValues& v) {
    g_camYaw = g_camYawTarget = v.camYaw;
    g_camPitch = g_camPitchTarget = v.camPitch;
    g_camDist = g_camDistTarget = v.camDist;
    g_camTarg = Vec3(v.camTarg[0], v.camTarg[1], v.camTarg[2]);
    g_camAnimating = false;
    g_showPreview = v.showPreview;
    g_pvCamId = v.pvCamId;
    g_pvPos = ImVec2(v.pvPos[0], v.pvPos[1]);
    g_cameraNavSpeed = v.navSpeed;
    g_vpResScale = v.resScale;
    g_uniformScaleLock = v.uniformScaleLock;
    RecomputeViewMatrices();
}

std::string UiSettingsText() {
    if (!ImGui::GetCurrentContext()) return std::string();
    size_t size = 0;
    const char* text = ImGui::SaveIniSettingsToMemory(&size);
    return text ? std::string(text, size) : std::string();
}

void LoadUiSettingsText(const std::string& text) {
    if (!ImGui::GetCurrentContext()) return;
    // A running editor holds the previous project's windows and dock tree:
    // drop them first, so only this project's layout is applied (and saved
    // back) rather than merged into the old one.
    ImGui::ClearIniSettings();
    ImGui::LoadIniSettingsFromMemory(text.data(), text.size());
}

void InstallEditorLayoutState() {
    g_layoutStateHooks.captureUiValues = CaptureUiLayoutValues;
    g_layoutStateHooks.applyUiValues = ApplyUiLayoutValues;
    g_layoutStateHooks.uiSettingsText = UiSettingsText;
    g_layoutStateHooks.loadUiSettingsText = LoadUiSettingsText;
    g_layoutStateHooks.setDefaultPanelVisibility = SetDefaultPanelVisibility;
    g_loadingHooks.loadEditorLayoutState = LoadEditorLayoutState;
}
