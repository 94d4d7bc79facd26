#include "editor/ui/frame/EditorFrame.h"

#include <algorithm>

#include "imgui_internal.h"

#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/shell/ShellLogic.h"
#include "editor/legacy/scene/Undo.h"
#include "editor/ui/shell/ScenePopups.h"
#include "editor/ui/viewport/EditorCamera.h"
#include "editor/ui/common/EditorHooks.h"
#include "editor/ui/common/EntityPresets.h"
#include "editor/ui/viewport/Gizmo.h"
#include "editor/ui/hierarchy/HierarchyPanel.h"
#include "editor/ui/viewport/ViewportInput.h"
#include "editor/ui/viewport/ViewportPanel.h"

EditorHooks g_editorHooks;
DefaultLayoutNodes g_defaultLayoutNodes;

namespace {

constexpr float kStatusBarReserve = 24.0f;

ImVec2 DockHostSize(const ImGuiViewport* vp) {
    return ImVec2(vp->WorkSize.x, std::max(120.0f, vp->WorkSize.y - kStatusBarReserve));
}

void PanelIf(bool show, void (*panel)()) {
    if (show && panel) panel();
}

} // namespace

void SetDefaultPanelVisibility() {
    g_showHier = true;
    g_showInsp = true;
    g_showAssets = true;
    g_showConsole = true;
    g_showProf = false;
    g_showBuild = false;
    g_showSettings = false;
    g_showGame = false;
    g_showPreviewPanel = false;
    g_showScriptEditor = false;
}

void ResetEditorLayoutForProjectSwitch() {
    g_layoutLoadedForProject = false;
    g_useDefaultEditorLayout = true;
    g_forceLayoutSaveOnce = true;
    SetDefaultPanelVisibility();
}

void SetupDefaultLayout(unsigned dockId) {
    if (dockId == 0) return;
    SetDefaultPanelVisibility();
    const ImGuiViewport* vp = ImGui::GetMainViewport();
    ImGui::DockBuilderRemoveNode(dockId);
    ImGui::DockBuilderAddNode(dockId, ImGuiDockNodeFlags_DockSpace);
    ImGui::DockBuilderSetNodePos(dockId, vp->WorkPos);
    ImGui::DockBuilderSetNodeSize(dockId, DockHostSize(vp));

    DefaultLayoutNodes n;
    n.root = dockId;
    ImGuiID a = 0, b = 0;
    ImGui::DockBuilderSplitNode(dockId, ImGuiDir_Left, 0.18f, &a, &b);
    n.left = a;
    n.rest = b;
    ImGui::DockBuilderSplitNode(n.rest, ImGuiDir_Right, 0.24f, &a, &b);
    n.right = a;
    n.center = b;
    ImGui::DockBuilderSplitNode(n.right, ImGuiDir_Down, 0.34f, &a, &b);
    n.rightBottom = a;
    n.rightTop = b;
    ImGui::DockBuilderSplitNode(n.center, ImGuiDir_Down, 0.30f, &a, &b);
    n.centerBottom = a;
    n.centerTop = b;
    ImGui::DockBuilderSplitNode(n.centerBottom, ImGuiDir_Right, 0.46f, &a, &b);
    n.centerBottomRight = a;
    n.centerBottomLeft = b;

    struct Placement {
        const char* window;
        unsigned node;
    } const placements[] = {
        {"Hierarchy", n.left},
        {"Game", n.left},
        {"Viewport", n.centerTop},
        {"Inspector", n.rightTop},
        {"Preview", n.rightBottom},
        {"Project Browser", n.centerBottomLeft},
        {"Script Editor", n.centerTop},
        {"Console", n.centerBottomRight},
        {"Profiler", n.centerBottomRight},
        {"Build", n.centerBottomRight},
        {"Settings", n.centerBottomRight},
    };
    for (const Placement& p : placements) ImGui::DockBuilderDockWindow(p.window, p.node);
    ImGui::DockBuilderFinish(dockId);
    g_defaultLayoutNodes = n;
    g_forceLayoutSaveOnce = true;
}

unsigned BeginMainEditorDockspace() {
    const ImGuiViewport* vp = ImGui::GetMainViewport();
    ImGui::SetNextWindowPos(vp->WorkPos, ImGuiCond_Always, ImVec2(0, 0));
    ImGui::SetNextWindowSize(DockHostSize(vp));
    ImGui::SetNextWindowViewport(vp->ID);
    ImGui::PushStyleVar(ImGuiStyleVar_WindowRounding, 0.0f);
    ImGui::PushStyleVar(ImGuiStyleVar_WindowBorderSize, 0.0f);
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(0, 0));
    const ImGuiWindowFlags flags = ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize |
                                   ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoCollapse |
                                   ImGuiWindowFlags_NoBringToFrontOnFocus | ImGuiWindowFlags_NoNavFocus |
                                   ImGuiWindowFlags_NoDocking;
    ImGui::Begin("##KorvaneMainDockHost", nullptr, flags);
    ImGui::PopStyleVar(3);
    const ImGuiID id = ImGui::GetID("KorvaneMainDockSpace");
    // The tree is built before the dock space is submitted, so this frame
    // already lays the panels out in it.
    if (g_useDefaultEditorLayout) {
        SetupDefaultLayout(id);
        g_useDefaultEditorLayout = false;
    }
    ImGui::DockSpace(id, ImVec2(0, 0), ImGuiDockNodeFlags_None);
    ImGui::End();
    return id;
}

bool EditorModDown() {
    const ImGuiIO& io = ImGui::GetIO();
    return io.KeyCtrl || io.KeySuper;
}

bool EditorShortcutSafe() {
    const ImGuiIO& io = ImGui::GetIO();
    if (io.WantTextInput) return false;
    if (g_editorHooks.playMouseCaptured && *g_editorHooks.playMouseCaptured) return false;
    return !ImGui::IsAnyItemActive();
}

bool EditorShortcutKey(ImGuiKey key, bool needMod, bool repeat) {
    if (!EditorShortcutSafe()) return false;
    if (needMod && !EditorModDown()) return false;
    return ImGui::IsKeyPressed(key, repeat);
}

void RunEditorShortcut(EditorShortcut s) {
    switch (s) {
    case EditorShortcut::None: break;
    case EditorShortcut::Undo: PerformUndo(); break;
    case EditorShortcut::Redo: PerformRedo(); break;
    case EditorShortcut::Save:
        if (g_scenePath[0]) ShellSaveScene(g_scenePath);
        else SaveSceneDialog();
        break;
    case EditorShortcut::SaveAs: SaveSceneDialog(); break;
    case EditorShortcut::Open: RequestOpenScene(); break;
    case EditorShortcut::New: RequestNewScene(); break;
    case EditorShortcut::BuildAndRun:
        if (g_editorHooks.buildAndRun) {
            g_showBuild = true;
            g_editorHooks.buildAndRun();
        }
        break;
    case EditorShortcut::Duplicate: DuplicateSelectedEntity(); break;
    case EditorShortcut::Delete: DeleteSelectedEntity(); break;
    case EditorShortcut::StartPlay:
        if (g_editorHooks.startPlayMode) g_editorHooks.startPlayMode();
        break;
    case EditorShortcut::TogglePause:
        if (g_editorHooks.togglePlayPaused) g_editorHooks.togglePlayPaused();
        break;
    case EditorShortcut::Focus: FocusOnSelection(); break;
    case EditorShortcut::FrameAll: FrameAll(); break;
    case EditorShortcut::GizmoMove: g_gizmoMode = kGizmoMove; break;
    case EditorShortcut::GizmoRotate: g_gizmoMode = kGizmoRotate; break;
    case EditorShortcut::GizmoScale: g_gizmoMode = kGizmoScale; break;
    case EditorShortcut::GizmoNone: g_gizmoMode = kGizmoNone; break;
    case EditorShortcut::ToggleGrid: g_showGrid = !g_showGrid; break;
    case EditorShortcut::ToggleSnap: g_snapGrid = !g_snapGrid; break;
    case EditorShortcut::ViewShaded: g_viewMode = 0; break;
    case EditorShortcut::ViewWireframe: g_viewMode = 1; break;
    case EditorShortcut::ViewShadedWire: g_viewMode = 2; break;
    }
}

void HandleGlobalEditorShortcuts() {
    if (g_state == 2) {
        const ImGuiIO& io = ImGui::GetIO();
        ShortcutInput in;
        struct KeyMap {
            ShortcutKey k;
            ImGuiKey key;
        } const keys[] = {
            {ShortcutKey::Z, ImGuiKey_Z},         {ShortcutKey::Y, ImGuiKey_Y},
            {ShortcutKey::S, ImGuiKey_S},         {ShortcutKey::O, ImGuiKey_O},
            {ShortcutKey::N, ImGuiKey_N},         {ShortcutKey::B, ImGuiKey_B},
            {ShortcutKey::D, ImGuiKey_D},         {ShortcutKey::Delete, ImGuiKey_Delete},
            {ShortcutKey::Backspace, ImGuiKey_Backspace}, {ShortcutKey::Space, ImGuiKey_Space},
            {ShortcutKey::F, ImGuiKey_F},         {ShortcutKey::A, ImGuiKey_A},
            {ShortcutKey::W, ImGuiKey_W},         {ShortcutKey::E, ImGuiKey_E},
            {ShortcutKey::R, ImGuiKey_R},         {ShortcutKey::Q, ImGuiKey_Q},
            {ShortcutKey::G, ImGuiKey_G},         {ShortcutKey::Key1, ImGuiKey_1},
            {ShortcutKey::Key2, ImGuiKey_2},      {ShortcutKey::Key3, ImGuiKey_3},
        };
        for (const KeyMap& k : keys)
            if (ImGui::IsKeyPressed(k.key, false)) in.Press(k.k);
        in.mod = EditorModDown();
        in.shift = io.KeyShift;
        in.textInput = io.WantTextInput;
        in.mouseCaptured = g_editorHooks.playMouseCaptured && *g_editorHooks.playMouseCaptured;
        in.itemActive = ImGui::IsAnyItemActive();
        in.playing = g_playing;
        in.hasScenePath = g_scenePath[0] != '\0';
        in.scriptEditorFocused =
            g_showScriptEditor && g_editorHooks.scriptEditorFocused && *g_editorHooks.scriptEditorFocused;
        RunEditorShortcut(DecideEditorShortcut(in));
    }
    CancelOrphanedPendingEdit(ImGui::IsAnyItemActive());
}

void MenuBar() {
    if (!ImGui::BeginMainMenuBar()) return;
    const bool playing = g_playing;
    if (ImGui::BeginMenu("File")) {
        // Scene replacement and saving wait until play stops: play mode owns
        // the scene while it runs and restores it afterwards.
        if (ImGui::MenuItem("New Scene", "Cmd/Ctrl+N", false, !playing)) RunEditorShortcut(EditorShortcut::New);
        ImGui::Separator();
        if (ImGui::MenuItem("Open Scene", "Cmd/Ctrl+O", false, !playing)) RunEditorShortcut(EditorShortcut::Open);
        if (ImGui::MenuItem("Save Scene", "Cmd/Ctrl+S", false, !playing && g_scenePath[0] != '\0'))
            RunEditorShortcut(EditorShortcut::Save);
        if (ImGui::MenuItem("Save As...", "Shift+Cmd/Ctrl+S", false, !playing)) RunEditorShortcut(EditorShortcut::SaveAs);
        ImGui::Separator();
        if (ImGui::MenuItem("Build Settings...", nullptr, false, g_editorHooks.buildPanel != nullptr)) g_showBuild = true;
        if (ImGui::MenuItem("Build & Run", "Cmd/Ctrl+B", false, g_editorHooks.buildAndRun != nullptr))
            RunEditorShortcut(EditorShortcut::BuildAndRun);
        ImGui::Separator();
        if (ImGui::MenuItem("Exit")) RequestClose();
        ImGui::EndMenu();
    }
    if (ImGui::BeginMenu("Edit")) {
        if (ImGui::MenuItem("Undo", "Cmd/Ctrl+Z", false, !playing && !g_undoStack.empty()))
            RunEditorShortcut(EditorShortcut::Undo);
        if (ImGui::MenuItem("Redo", "Cmd/Ctrl+Shift+Z", false, !playing && !g_redoStack.empty()))
            RunEditorShortcut(EditorShortcut::Redo);
        ImGui::Separator();
        if (ImGui::MenuItem("Duplicate", "Cmd/Ctrl+D", false, !playing)) RunEditorShortcut(EditorShortcut::Duplicate);
        if (ImGui::MenuItem("Delete", "Del", false, !playing)) RunEditorShortcut(EditorShortcut::Delete);
        ImGui::Separator();
        if (ImGui::MenuItem("Focus", "F")) FocusOnSelection();
        if (ImGui::MenuItem("Frame All", "A")) FrameAll();
        ImGui::EndMenu();
    }
    if (ImGui::BeginMenu("View")) {
        ImGui::MenuItem("Panels", nullptr, false, false);
        struct PanelItem {
            const char* label;
            bool* flag;
            bool available;
        } const panels[] = {
            {"Hierarchy", &g_showHier, true},
            {"Inspector", &g_showInsp, g_editorHooks.inspectorPanel != nullptr},
            {"Project Browser", &g_showAssets, g_editorHooks.projectBrowserPanel != nullptr},
            {"Preview", &g_showPreviewPanel, g_editorHooks.previewPanel != nullptr},
            {"Script Editor", &g_showScriptEditor, g_editorHooks.scriptEditorPanel != nullptr},
            {"Console", &g_showConsole, g_editorHooks.consolePanel != nullptr},
            {"Game", &g_showGame, g_editorHooks.gamePanel != nullptr},
            {"Profiler", &g_showProf, g_editorHooks.profilerPanel != nullptr},
            {"Build Panel", &g_showBuild, g_editorHooks.buildPanel != nullptr},
            {"Settings", &g_showSettings, g_editorHooks.settingsPanel != nullptr},
        };
        for (const PanelItem& p : panels) ImGui::MenuItem(p.label, nullptr, p.flag, p.available);
        ImGui::Separator();
        if (ImGui::MenuItem("Reset Layout")) {
            g_useDefaultEditorLayout = true;
            g_forceLayoutSaveOnce = true;
            SetDefaultPanelVisibility();
        }
        ImGui::Separator();
        ImGui::MenuItem("Viewport", nullptr, false, false);
        if (ImGui::MenuItem("Shaded", "1", g_viewMode == 0)) g_viewMode = 0;
        if (ImGui::MenuItem("Wireframe", "2", g_viewMode == 1)) g_viewMode = 1;
        if (ImGui::MenuItem("Shaded+Wire", "3", g_viewMode == 2)) g_viewMode = 2;
        ImGui::Separator();
        ImGui::MenuItem("Show Grid", "G", &g_showGrid);
        ImGui::MenuItem("Snap to Grid", "Shift+G", &g_snapGrid);
        ImGui::EndMenu();
    }
    if (ImGui::BeginMenu("gameEntity")) {
        struct CreateItem {
            const char* label;
            EntityPreset preset;
            const char* log;  // info line after creating, or null
            bool separatorBefore;
        } const items[] = {
            {"Create Empty", EntityPreset::Empty, "Created", false},
            {"Cube", EntityPreset::Cube, nullptr, true},
            {"Sphere", EntityPreset::Sphere, nullptr, false},
            {"Cylinder", EntityPreset::Cylinder, nullptr, false},
            {"Cone", EntityPreset::Cone, nullptr, false},
            {"Torus", EntityPreset::Torus, nullptr, false},
            {"Plane", EntityPreset::Plane, nullptr, false},
            {"Directional Light", EntityPreset::DirectionalLight, nullptr, true},
            {"Point Light", EntityPreset::PointLight, nullptr, false},
            {"Spot Light", EntityPreset::SpotLight, nullptr, false},
            {"Camera", EntityPreset::Camera, nullptr, false},
            {"Canvas", EntityPreset::Canvas, "Created Canvas", true},
            {"UI Text", EntityPreset::UIText, "Created UI Text", false},
            {"UI Button", EntityPreset::UIButton, "Created UI Button", false},
            {"UI Image", EntityPreset::UIImage, "Created UI Image", false},
            {"Particle Emitter", EntityPreset::ParticleEmitter, "Created Particle Emitter", false},
            {"Audio Source", EntityPreset::AudioSource, "Created Audio Source", false},
            {"Collider", EntityPreset::Collider, "Created Collider", false},
        };
        for (const CreateItem& it : items) {
            if (it.separatorBefore) ImGui::Separator();
            if (ImGui::MenuItem(it.label)) {
                CreatePresetEntity(it.preset);
                if (it.log) Log(2, "%s", it.log);
            }
        }
        ImGui::EndMenu();
    }
    if (ImGui::BeginMenu("Release")) {
        if (ImGui::MenuItem("Check for Updates", nullptr, false, g_editorHooks.checkForUpdatesNow != nullptr))
            g_editorHooks.checkForUpdatesNow();
        ImGui::EndMenu();
    }
    ImGui::EndMainMenuBar();
}

void RunEditorFrame() {
    BeginMainEditorDockspace();
    MenuBar();
    if (g_showHier) HierarchyPanel();
    PanelIf(g_showInsp, g_editorHooks.inspectorPanel);
    PanelIf(g_showAssets, g_editorHooks.projectBrowserPanel);
    PanelIf(g_showPreviewPanel, g_editorHooks.previewPanel);
    PanelIf(g_showScriptEditor, g_editorHooks.scriptEditorPanel);
    PanelIf(g_showConsole, g_editorHooks.consolePanel);
    PanelIf(g_showProf, g_editorHooks.profilerPanel);
    PanelIf(g_showBuild, g_editorHooks.buildPanel);
    PanelIf(g_showSettings, g_editorHooks.settingsPanel);
    PanelIf(g_showGame, g_editorHooks.gamePanel);
    if (g_editorHooks.buildProgressPopup) g_editorHooks.buildProgressPopup();
    ViewportPanel();
    if (g_editorHooks.modelImportProgressPopup) g_editorHooks.modelImportProgressPopup();
    if (g_editorHooks.statusBar) g_editorHooks.statusBar();
}
