#include "editor/ui/play/PlayInstall.h"

#include "imgui.h"

#include "editor/legacy/play/Input.h"
#include "editor/legacy/play/Liquids.h"
#include "editor/legacy/play/PlayMode.h"
#include "editor/legacy/shell/ShellLogic.h"
#include "editor/ui/play/GamePanel.h"
#include "editor/legacy/shell/LoadingSequence.h"
#include "editor/render/GL.h"
#include "editor/ui/common/AppWindow.h"
#include "editor/ui/common/EditorHooks.h"

namespace {

bool WindowKeyDown(int key) {
    // glfwGetKey reports a held (repeating) key as pressed.
    return g_win && key >= GLFW_KEY_SPACE && key <= GLFW_KEY_LAST && glfwGetKey(g_win, key) == GLFW_PRESS;
}

bool WindowButtonDown(int button) {
    return g_win && button >= 0 && button <= GLFW_MOUSE_BUTTON_LAST &&
           glfwGetMouseButton(g_win, button) == GLFW_PRESS;
}

void UiMouseDelta(float* dx, float* dy) {
    if (!ImGui::GetCurrentContext()) return;
    const ImGuiIO& io = ImGui::GetIO();
    *dx = io.MouseDelta.x;
    *dy = io.MouseDelta.y;
}

void SetWindowCursorCaptured(bool captured) {
    if (g_win) glfwSetInputMode(g_win, GLFW_CURSOR, captured ? GLFW_CURSOR_DISABLED : GLFW_CURSOR_NORMAL);
}

void StopPlayForShell() { StopPlayMode(nullptr); }

bool SetupInputStep() {
    SetupDefaultInputs();
    return true;
}

}  // namespace

void InstallPlayMode(void (*editorCamera)(float eye[3], float target[3])) {
    g_gameEditorCameraHook = editorCamera;
    g_inputSource = InputSource{WindowKeyDown, WindowButtonDown, UiMouseDelta};
    // The input step of the loading table, after the render targets.
    if (!g_loadingSteps[4].work) g_loadingSteps[4].work = SetupInputStep;
    g_editorHooks.applyLiquidMaterialDefaults = ApplyLiquidMaterialDefaults;
    g_playHooks.setCursorCaptured = SetWindowCursorCaptured;
    g_editorHooks.startPlayMode = StartPlayMode;
    g_editorHooks.togglePlayPaused = TogglePlayPaused;
    g_editorHooks.drawPlayTransportControls = DrawPlayTransportControls;
    g_editorHooks.playMouseCaptured = &g_playMouseCaptured;
    g_editorHooks.gamePanel = GamePanel;
    // A close or a project switch stops play (restoring the edited scene)
    // before anything else happens; a scene load or new scene likewise.
    g_stopPlayModeHook = StopPlayForShell;
    InstallPlayModeGuards();
}
