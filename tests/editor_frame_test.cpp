// The editor frame: the shortcut table, the default dock layout built in a
// headless Dear ImGui context, panel visibility, the create menus' entities
// and the hierarchy's operations (re-parenting rules, partial duplicate,
// undoable delete, deep and wide trees).

#include <cmath>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "imgui.h"
#include "imgui_internal.h"

#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/scene/Undo.h"
#include "editor/ui/viewport/EditorCamera.h"
#include "editor/ui/frame/EditorFrame.h"
#include "editor/ui/common/EditorHooks.h"
#include "editor/ui/common/EntityPresets.h"
#include "editor/ui/viewport/Gizmo.h"
#include "editor/ui/hierarchy/HierarchyPanel.h"
#include "editor/ui/viewport/ViewportPanel.h"
#include "tests/support/SceneModel.h"

namespace {

using S = EditorShortcut;
using K = ShortcutKey;

ShortcutInput Keys(std::initializer_list<K> keys, bool mod = false, bool shift = false) {
    ShortcutInput in;
    for (K k : keys) in.Press(k);
    in.mod = mod;
    in.shift = shift;
    in.hasScenePath = true;
    return in;
}

TEST(EditorShortcuts, Table) {
    ShortcutInput noPath = Keys({K::S}, true);
    noPath.hasScenePath = false;
    ShortcutInput typing = Keys({K::W});
    typing.textInput = true;
    ShortcutInput typingUndo = Keys({K::Z}, true);
    typingUndo.textInput = true;
    ShortcutInput typingDelete = Keys({K::Delete});
    typingDelete.textInput = true;
    ShortcutInput captured = Keys({K::Space});
    captured.mouseCaptured = true;
    ShortcutInput dragging = Keys({K::F});
    dragging.itemActive = true;
    auto playing = [](ShortcutInput in) {
        in.playing = true;
        return in;
    };
    struct Case {
        const char* what;
        ShortcutInput in;
        EditorShortcut expect;
    } cases[] = {
        {"mod+Z undoes", Keys({K::Z}, true), S::Undo},
        {"mod+Shift+Z redoes", Keys({K::Z}, true, true), S::Redo},
        {"mod+Y redoes", Keys({K::Y}, true), S::Redo},
        {"mod+S saves to the scene's path", Keys({K::S}, true), S::Save},
        {"mod+Shift+S is Save As even with a path", Keys({K::S}, true, true), S::SaveAs},
        {"mod+S without a path is Save As", noPath, S::SaveAs},
        {"mod+O opens", Keys({K::O}, true), S::Open},
        {"mod+N makes a new scene", Keys({K::N}, true), S::New},
        {"mod+B builds and runs", Keys({K::B}, true), S::BuildAndRun},
        {"mod+D duplicates", Keys({K::D}, true), S::Duplicate},
        {"mod+W does nothing (W needs no modifier)", Keys({K::W}, true), S::None},
        {"mod+F does nothing", Keys({K::F}, true), S::None},
        {"first match wins: Z before S", Keys({K::S, K::Z}, true), S::Undo},
        {"Delete deletes", Keys({K::Delete}), S::Delete},
        {"Backspace deletes", Keys({K::Backspace}), S::Delete},
        {"Space starts play", Keys({K::Space}), S::StartPlay},
        {"F focuses", Keys({K::F}), S::Focus},
        {"A frames all", Keys({K::A}), S::FrameAll},
        {"W move", Keys({K::W}), S::GizmoMove},
        {"E rotate", Keys({K::E}), S::GizmoRotate},
        {"R scale", Keys({K::R}), S::GizmoScale},
        {"Q no gizmo", Keys({K::Q}), S::GizmoNone},
        {"G toggles the grid", Keys({K::G}), S::ToggleGrid},
        {"Shift+G toggles snapping", Keys({K::G}, false, true), S::ToggleSnap},
        {"1 shaded", Keys({K::Key1}), S::ViewShaded},
        {"2 wireframe", Keys({K::Key2}), S::ViewWireframe},
        {"3 shaded + wire", Keys({K::Key3}), S::ViewShadedWire},
        {"Z alone does nothing", Keys({K::Z}), S::None},
        {"nothing pressed", Keys({}), S::None},
        {"typing W in a text field", typing, S::None},
        {"typing Cmd+Z in a text field", typingUndo, S::None},
        {"typing Delete in a text field", typingDelete, S::None},
        {"the game holds the mouse", captured, S::None},
        {"an item is being dragged", dragging, S::None},
        {"play: Space pauses", playing(Keys({K::Space})), S::TogglePause},
        {"play: no undo", playing(Keys({K::Z}, true)), S::None},
        {"play: no redo", playing(Keys({K::Y}, true)), S::None},
        {"play: no save", playing(Keys({K::S}, true)), S::None},
        {"play: no save as", playing(Keys({K::S}, true, true)), S::None},
        {"play: no open", playing(Keys({K::O}, true)), S::None},
        {"play: no new scene", playing(Keys({K::N}, true)), S::None},
        {"play: no duplicate", playing(Keys({K::D}, true)), S::None},
        {"play: no delete", playing(Keys({K::Delete})), S::None},
        {"play: no gizmo change", playing(Keys({K::W})), S::None},
        {"play: no grid toggle", playing(Keys({K::G})), S::None},
        {"play: focus still works", playing(Keys({K::F})), S::Focus},
        {"play: view modes still work", playing(Keys({K::Key2})), S::ViewWireframe},
        {"play: a blocked row does not fall through", playing(Keys({K::Delete, K::F})), S::None},
    };
    for (const Case& c : cases) EXPECT_EQ(int(DecideEditorShortcut(c.in)), int(c.expect)) << c.what;
}

TEST(EditorShortcuts, RunningThemChangesTheEditorState) {
    korvane::test::ResetSceneModel();
    ResetGizmoState();
    g_viewMode = 0;
    const bool grid = g_showGrid, snap = g_snapGrid;
    RunEditorShortcut(S::GizmoScale);
    EXPECT_EQ(g_gizmoMode, kGizmoScale);
    RunEditorShortcut(S::GizmoNone);
    EXPECT_EQ(g_gizmoMode, kGizmoNone);
    RunEditorShortcut(S::ToggleGrid);
    RunEditorShortcut(S::ToggleSnap);
    EXPECT_NE(g_showGrid, grid);
    EXPECT_NE(g_snapGrid, snap);
    g_showGrid = grid;
    g_snapGrid = snap;
    RunEditorShortcut(S::ViewShadedWire);
    EXPECT_EQ(g_viewMode, 2);
    g_viewMode = 0;
    // Undo and duplicate go through the scene model.
    int id = CreatePresetEntity(EntityPreset::Cube);
    g_selId = id;
    RunEditorShortcut(S::Duplicate);
    EXPECT_EQ(g_ents.size(), 2u);
    RunEditorShortcut(S::Undo);
    EXPECT_EQ(g_ents.size(), 1u);
    RunEditorShortcut(S::Redo);
    EXPECT_EQ(g_ents.size(), 2u);
    // Play actions without play mode installed do nothing (and do not crash).
    RunEditorShortcut(S::StartPlay);
    RunEditorShortcut(S::BuildAndRun);
    EXPECT_FALSE(g_playing);
    ResetGizmoState();
}

TEST(EntityPresets, MenusCreateTheListedEntities) {
    korvane::test::ResetSceneModel();
    struct Case {
        EntityPreset p;
        const char* name;
        bool mesh, light, camera, particles, audio, collider, liquid;
        int shape, lightType;
        Vec3 pos, scale;
    } cases[] = {
        {EntityPreset::Empty, "gameEntity", 0, 0, 0, 0, 0, 0, 0, 0, 0, {0, 0, 0}, {1, 1, 1}},
        {EntityPreset::Cube, "Cube", 1, 0, 0, 0, 0, 0, 0, 0, 0, {0, 0, 0}, {1, 1, 1}},
        {EntityPreset::Torus, "Torus", 1, 0, 0, 0, 0, 0, 0, 4, 0, {0, 0, 0}, {1, 1, 1}},
        {EntityPreset::Plane, "Plane", 1, 0, 0, 0, 0, 0, 0, 5, 0, {0, 0.5f, 0}, {2, 1, 2}},
        {EntityPreset::DirectionalLight, "Dir Light", 0, 1, 0, 0, 0, 0, 0, 0, 0, {0, 5, 0}, {1, 1, 1}},
        {EntityPreset::PointLight, "Point Light", 0, 1, 0, 0, 0, 0, 0, 0, 1, {0, 0, 0}, {1, 1, 1}},
        {EntityPreset::SpotLight, "Spot Light", 0, 1, 0, 0, 0, 0, 0, 0, 2, {0, 0, 0}, {1, 1, 1}},
        {EntityPreset::Camera, "Camera", 0, 0, 1, 0, 0, 0, 0, 0, 0, {0, 0, -5}, {1, 1, 1}},
        {EntityPreset::Canvas, "Canvas", 0, 0, 0, 0, 0, 0, 0, 0, 0, {0, 0, 0}, {1, 1, 1}},
        {EntityPreset::UIImage, "UI Image", 0, 0, 0, 0, 0, 0, 0, 0, 0, {0, 0, 0}, {1, 1, 1}},
        {EntityPreset::ParticleEmitter, "Particle Effect", 0, 0, 0, 1, 0, 0, 0, 0, 0, {0, 0, 0}, {1, 1, 1}},
        {EntityPreset::AudioSource, "Audio Source", 0, 0, 0, 0, 1, 0, 0, 0, 0, {0, 0, 0}, {1, 1, 1}},
        {EntityPreset::Collider, "Collider", 0, 0, 0, 0, 0, 1, 0, 0, 0, {0, 0, 0}, {1, 1, 1}},
        {EntityPreset::WaterSurface, "Water Surface", 0, 0, 0, 0, 0, 0, 1, 0, 0, {0, 0, 0}, {1, 1, 1}},
    };
    for (const Case& c : cases) {
        int id = CreatePresetEntity(c.p);
        const Entity* e = GetEnt(id);
        ASSERT_TRUE(e);
        EXPECT_STREQ(e->name, c.name);
        EXPECT_EQ(e->parent, -1);
        EXPECT_EQ(g_selId, id) << c.name << " is selected";
        EXPECT_EQ(g_renameEntId, id) << c.name << " starts its rename";
        EXPECT_EQ(e->hasMesh, c.mesh) << c.name;
        EXPECT_EQ(e->hasLight, c.light) << c.name;
        EXPECT_EQ(e->hasCamera, c.camera) << c.name;
        EXPECT_EQ(e->hasParticles, c.particles) << c.name;
        EXPECT_EQ(e->hasAudio, c.audio) << c.name;
        EXPECT_EQ(e->hasCollider, c.collider) << c.name;
        EXPECT_EQ(e->hasLiquid, c.liquid) << c.name;
        if (c.mesh) {
            EXPECT_EQ(e->mesh.shape, c.shape) << c.name;
        }
        if (c.light) {
            EXPECT_EQ(e->light.type, c.lightType) << c.name;
        }
        EXPECT_EQ(e->transform.position.y, c.pos.y) << c.name;
        EXPECT_EQ(e->transform.position.z, c.pos.z) << c.name;
        EXPECT_EQ(e->transform.scale.x, c.scale.x) << c.name;
        EXPECT_EQ(e->transform.scale.z, c.scale.z) << c.name;
    }
    // Every creation is its own labelled undo step.
    ASSERT_EQ(g_undoStack.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_STREQ(g_undoStack[i].label, PresetUndoLabel(cases[i].p));
    EXPECT_TRUE(g_sceneDirty);
}

class HierarchyOps : public ::testing::Test {
protected:
    void SetUp() override { korvane::test::ResetSceneModel(); }
};

TEST_F(HierarchyOps, ReparentingRefusesCyclesAndMovesRows) {
    int root = AddEnt("Root", -1)->id;
    int child = AddEnt("Child", root)->id;
    int grand = AddEnt("Grand", child)->id;
    int sibling = AddEnt("Sibling", -1)->id;
    GetEnt(grand)->transform.position = Vec3(1, 2, 3);
    EXPECT_FALSE(HierarchyDropEntity(root, grand)) << "a parent onto its own grandchild";
    EXPECT_FALSE(HierarchyDropEntity(root, root)) << "onto itself";
    EXPECT_FALSE(HierarchyDropEntity(999, root)) << "a missing entity";
    EXPECT_EQ(GetEnt(root)->parent, -1);
    EXPECT_TRUE(HierarchyDropEntity(grand, sibling));
    EXPECT_EQ(GetEnt(grand)->parent, sibling);
    EXPECT_TRUE(GetEnt(child)->children.empty()) << "removed from its old parent's list";
    ASSERT_EQ(GetEnt(sibling)->children.size(), 1u);
    EXPECT_EQ(GetEnt(grand)->transform.position.z, 3.0f) << "local transform kept";
    // Dropping on the free area makes a row a root again.
    EXPECT_TRUE(HierarchyDropEntity(grand, -1));
    EXPECT_EQ(GetEnt(grand)->parent, -1);
    EXPECT_TRUE(GetEnt(sibling)->children.empty());
}

TEST_F(HierarchyOps, PartialDuplicateCopiesOnlySomeComponents) {
    Entity* src = AddEnt("Water", -1);
    src->hasLight = true;
    src->hasLiquid = true;
    src->liquid.waveHeight = 0.9f;
    src->hasMesh = true;
    src->mesh.shape = 3;
    src->hasRigidBody = true;
    src->rigidBody.mass = 7;
    src->transform.position = Vec3(4, 5, 6);
    int srcId = src->id;
    AddEnt("Kid", srcId);
    int row = DuplicateEntityPartial(srcId, true);
    int window = DuplicateEntityPartial(srcId, false);
    for (int id : {row, window}) {
        const Entity* d = GetEnt(id);
        ASSERT_TRUE(d);
        EXPECT_STREQ(d->name, "Water");
        EXPECT_FALSE(d->hasLight) << "lights are not copied";
        EXPECT_TRUE(d->hasMesh);
        EXPECT_EQ(d->mesh.shape, 3);
        EXPECT_EQ(d->rigidBody.mass, 7.0f);
        EXPECT_EQ(d->transform.position.x, 4.0f);
        EXPECT_TRUE(d->children.empty()) << "children are not copied";
    }
    EXPECT_TRUE(GetEnt(row)->hasLiquid);
    EXPECT_EQ(GetEnt(row)->liquid.waveHeight, 0.9f);
    EXPECT_FALSE(GetEnt(window)->hasLiquid);
    EXPECT_EQ(g_selId, window);
    EXPECT_EQ(DuplicateEntityPartial(12345, true), -1);
    // A child's copy stays under the same parent.
    int kid = GetEnt(srcId)->children[0];
    int kidCopy = DuplicateEntityPartial(kid, true);
    EXPECT_EQ(GetEnt(kidCopy)->parent, srcId);
}

TEST_F(HierarchyOps, DeleteFromTheTreeCanBeUndone) {
    int root = AddEnt("Root", -1)->id;
    int child = AddEnt("Child", root)->id;
    AddEnt("Grand", child);
    LogClear();
    DeleteEntityWithUndo(child);
    EXPECT_EQ(g_ents.size(), 1u);
    ASSERT_EQ(g_undoStack.size(), 1u);
    EXPECT_STREQ(g_undoStack.back().label, "Delete Entity");
    bool logged = false;
    for (const auto& line : LogSnapshot())
        if (line.text.find("Deleted Child") != std::string::npos) logged = true;
    EXPECT_TRUE(logged);
    PerformUndo();
    EXPECT_EQ(g_ents.size(), 3u);
    EXPECT_EQ(GetEnt(root)->children.size(), 1u);
    DeleteEntityWithUndo(4242);  // missing: nothing
    EXPECT_EQ(g_undoStack.size(), 0u);
    int c = CreateChildEntity(root);
    EXPECT_EQ(GetEnt(c)->parent, root);
    EXPECT_STREQ(GetEnt(c)->name, "Child");
    EXPECT_EQ(CreateChildEntity(4242), -1);
}

// A headless Dear ImGui context: no window, no GL.
class HeadlessEditor : public ::testing::Test {
protected:
    ImGuiContext* ctx = nullptr;
    void SetUp() override {
        ctx = ImGui::CreateContext();
        ImGuiIO& io = ImGui::GetIO();
        io.IniFilename = nullptr;
        io.DisplaySize = ImVec2(1600, 900);
        io.DeltaTime = 1.0f / 60.0f;
        io.ConfigFlags |= ImGuiConfigFlags_DockingEnable;
        io.BackendFlags |= ImGuiBackendFlags_RendererHasTextures;
        korvane::test::ResetSceneModel();
        ResetEditorCamera();
        ResetGizmoState();
        g_state = 2;
        g_playing = false;
        g_useDefaultEditorLayout = true;
        g_editorHooks = EditorHooks();
    }
    void TearDown() override {
        g_editorHooks = EditorHooks();
        ImGui::DestroyContext(ctx);
        SetDefaultPanelVisibility();
    }
    void Frame() {
        ImGui::NewFrame();
        RunEditorFrame();
        HandleGlobalEditorShortcuts();
        ImGui::Render();
    }
};

// Stand-ins for panels that live in other units: each is a plain window.
void InspectorStub() { ImGui::Begin("Inspector", &g_showInsp); ImGui::End(); }
void BrowserStub() { ImGui::Begin("Project Browser", &g_showAssets); ImGui::End(); }
void PreviewStub() { ImGui::Begin("Preview", &g_showPreviewPanel); ImGui::End(); }
void ScriptStub() { ImGui::Begin("Script Editor", &g_showScriptEditor); ImGui::End(); }
void ConsoleStub() { ImGui::Begin("Console", &g_showConsole); ImGui::End(); }
void ProfilerStub() { ImGui::Begin("Profiler", &g_showProf); ImGui::End(); }
void BuildStub() { ImGui::Begin("Build", &g_showBuild); ImGui::End(); }
void SettingsStub() { ImGui::Begin("Settings", &g_showSettings); ImGui::End(); }
void GameStub() { ImGui::Begin("Game", &g_showGame); ImGui::End(); }

std::vector<std::string> Tabs(ImGuiID node) {
    std::vector<std::string> names;
    ImGuiDockNode* n = ImGui::DockBuilderGetNode(node);
    if (!n) return names;
    if (n->TabBar) {
        for (const ImGuiTabItem& t : n->TabBar->Tabs)
            if (t.Window) names.push_back(t.Window->Name);
    } else {
        for (ImGuiWindow* w : n->Windows) names.push_back(w->Name);
    }
    return names;
}

TEST_F(HeadlessEditor, DefaultLayoutHasTheSpecifiedTreeRatiosAndTabs) {
    EditorHooks& h = g_editorHooks;
    h.inspectorPanel = InspectorStub;
    h.projectBrowserPanel = BrowserStub;
    h.previewPanel = PreviewStub;
    h.scriptEditorPanel = ScriptStub;
    h.consolePanel = ConsoleStub;
    h.profilerPanel = ProfilerStub;
    h.buildPanel = BuildStub;
    h.settingsPanel = SettingsStub;
    h.gamePanel = GameStub;
    g_showProf = g_showGame = true;  // the layout hides these again
    g_forceLayoutSaveOnce = false;
    Frame();
    EXPECT_FALSE(g_useDefaultEditorLayout);
    EXPECT_TRUE(g_forceLayoutSaveOnce);
    EXPECT_FALSE(g_showProf);
    EXPECT_FALSE(g_showGame);
    const DefaultLayoutNodes& n = g_defaultLayoutNodes;
    ASSERT_NE(n.root, 0u);
    // Visible panels are docked in the very frame the tree was built.
    EXPECT_EQ(ImGui::FindWindowByName("Hierarchy")->DockId, n.left);
    EXPECT_EQ(ImGui::FindWindowByName("Viewport")->DockId, n.centerTop);

    // Show everything, so every tab exists.
    g_showProf = g_showBuild = g_showSettings = g_showGame = g_showPreviewPanel = g_showScriptEditor = true;
    Frame();
    Frame();

    ImGuiDockNode* root = ImGui::DockBuilderGetNode(n.root);
    ASSERT_TRUE(root);
    struct Split {
        const char* what;
        unsigned parent, part;
        int axis;  // 0 x, 1 y
        float ratio;
    } splits[] = {
        {"left column", n.root, n.left, 0, 0.18f},
        {"right column", n.rest, n.right, 0, 0.24f},
        {"right bottom", n.right, n.rightBottom, 1, 0.34f},
        {"centre bottom", n.center, n.centerBottom, 1, 0.30f},
        {"console area", n.centerBottom, n.centerBottomRight, 0, 0.46f},
    };
    for (const Split& s : splits) {
        ImGuiDockNode* parent = ImGui::DockBuilderGetNode(s.parent);
        ImGuiDockNode* part = ImGui::DockBuilderGetNode(s.part);
        ASSERT_TRUE(parent && part) << s.what;
        EXPECT_EQ(part->ParentNode, parent) << s.what;
        EXPECT_EQ(int(parent->SplitAxis), s.axis) << s.what;
        const float total = s.axis == 0 ? parent->Size.x : parent->Size.y;
        const float mine = s.axis == 0 ? part->Size.x : part->Size.y;
        EXPECT_NEAR(mine / total, s.ratio, 0.01f) << s.what;
    }
    EXPECT_NEAR(root->Size.x, 1600.0f, 0.5f);
    // The work area is the display below the main menu bar; 24 px stay free
    // at the bottom for the status bar.
    EXPECT_NEAR(root->Size.y, ImGui::GetMainViewport()->WorkSize.y - 24.0f, 0.5f);
    EXPECT_LT(ImGui::GetMainViewport()->WorkSize.y, 900.0f);

    using V = std::vector<std::string>;
    EXPECT_EQ(Tabs(n.left), (V{"Hierarchy", "Game"}));
    EXPECT_EQ(Tabs(n.centerTop), (V{"Viewport", "Script Editor"}));
    EXPECT_EQ(Tabs(n.rightTop), (V{"Inspector"}));
    EXPECT_EQ(Tabs(n.rightBottom), (V{"Preview"}));
    EXPECT_EQ(Tabs(n.centerBottomLeft), (V{"Project Browser"}));
    EXPECT_EQ(Tabs(n.centerBottomRight), (V{"Console", "Profiler", "Build", "Settings"}));
}

TEST_F(HeadlessEditor, ResetLayoutHidesTheOptionalPanelsAndRebuilds) {
    Frame();
    g_showProf = g_showBuild = g_showSettings = g_showGame = g_showPreviewPanel = g_showScriptEditor = true;
    g_showHier = false;
    ResetEditorLayoutForProjectSwitch();
    EXPECT_TRUE(g_useDefaultEditorLayout);
    EXPECT_TRUE(g_forceLayoutSaveOnce);
    EXPECT_FALSE(g_layoutLoadedForProject);
    EXPECT_TRUE(g_showHier && g_showInsp && g_showAssets && g_showConsole);
    EXPECT_FALSE(g_showProf || g_showBuild || g_showSettings || g_showGame || g_showPreviewPanel ||
                 g_showScriptEditor);
    Frame();
    EXPECT_FALSE(g_useDefaultEditorLayout);
    EXPECT_EQ(ImGui::FindWindowByName("Hierarchy")->DockId, g_defaultLayoutNodes.left);
    SetupDefaultLayout(0);  // no dock space: nothing happens
}

TEST_F(HeadlessEditor, DeepChainsStopAtTheDrawDepthLimit) {
    int parent = -1;
    for (int i = 0; i < 200; ++i) parent = AddEnt("Link", parent)->id;
    Frame();
    g_hierarchyExpandAll = true;
    Frame();
    EXPECT_EQ(g_hierarchyRowsDrawn, kHierarchyMaxDrawDepth);
    ImGuiWindow* tree = nullptr;
    for (ImGuiWindow* w : ImGui::GetCurrentContext()->Windows)
        if (std::strstr(w->Name, "##htree")) tree = w;
    ASSERT_TRUE(tree);
    EXPECT_EQ(tree->DC.TreeDepth, 0) << "every level was popped";
    // Rows keep their open state; the next frame draws the same.
    Frame();
    EXPECT_EQ(g_hierarchyRowsDrawn, kHierarchyMaxDrawDepth);
}

TEST_F(HeadlessEditor, WideScenesDrawOnlyVisibleRows) {
    for (int i = 0; i < 10000; ++i) AddEnt("Row", -1);
    Frame();
    Frame();
    EXPECT_GT(g_hierarchyRowsDrawn, 5);
    EXPECT_LT(g_hierarchyRowsDrawn, 200) << "rows outside the view are skipped";
    // The skipped rows still take their space: the tree scrolls to the end.
    ImGuiWindow* tree = nullptr;
    for (ImGuiWindow* w : ImGui::GetCurrentContext()->Windows)
        if (std::strstr(w->Name, "##htree")) tree = w;
    ASSERT_TRUE(tree);
    EXPECT_NEAR(tree->ContentSize.y, 10000 * ImGui::GetTextLineHeightWithSpacing(), 40.0f);
}

// Synthetic mouse input on the viewport image: a left click picks, a right
// click opens "VpCtx", a right drag orbits without opening it.
class HeadlessViewport : public HeadlessEditor {
protected:
    void Mouse(ImVec2 p) {
        ImGui::GetIO().AddMousePosEvent(p.x, p.y);
        Frame();
    }
    void Button(int b, bool down) {
        ImGui::GetIO().AddMouseButtonEvent(b, down);
        Frame();
    }
    bool ContextMenuOpen() {
        ImGuiWindow* vp = ImGui::FindWindowByName("Viewport");
        return vp && ImGui::IsPopupOpen(vp->GetID("VpCtx"), ImGuiPopupFlags_None);
    }
    ImVec2 OnImage(Vec3 world) {
        ImVec2 s;
        EXPECT_TRUE(WorldToScreen(world, s));
        return ImVec2(g_vpImageMin.x + s.x, g_vpImageMin.y + s.y);
    }
};

TEST_F(HeadlessViewport, ClickPicksRightClickOpensTheMenuRightDragOrbits) {
    int cube = CreatePresetEntity(EntityPreset::Cube);
    g_selId = -1;
    Frame();
    Frame();
    ASSERT_GT(g_vpDispW, 200);
    Mouse(OnImage(Vec3(0, 0, 0)));
    Button(0, true);
    Button(0, false);
    EXPECT_EQ(g_selId, cube);

    // Empty sky above the cube: a right drag orbits and opens nothing...
    const ImVec2 sky(g_vpImageMin.x + g_vpDispW * 0.5f, g_vpImageMin.y + 30);
    const float yaw = g_camYaw;
    Mouse(sky);
    Button(1, true);
    for (int i = 1; i <= 6; ++i) Mouse(ImVec2(sky.x + 5.0f * i, sky.y));
    Button(1, false);
    EXPECT_FALSE(ContextMenuOpen());
    EXPECT_NE(g_camYaw, yaw);

    // ... a left click there clears the selection ...
    Mouse(sky);
    Button(0, true);
    Button(0, false);
    EXPECT_EQ(g_selId, -1);

    // ... and a still right click opens the menu.
    Button(1, true);
    Button(1, false);
    EXPECT_TRUE(ContextMenuOpen());
}

TEST_F(HeadlessEditor, CameraPreviewClosesWithoutACamera) {
    g_showPreview = true;
    g_pvCamId = -1;
    Frame();
    EXPECT_FALSE(g_showPreview);
    EXPECT_EQ(g_pvCamId, -1);
    int cam = CreatePresetEntity(EntityPreset::Camera);
    g_showPreview = true;
    g_pvCamId = 9999;  // a camera that is gone: the first one takes over
    Frame();
    EXPECT_TRUE(g_showPreview);
    EXPECT_EQ(g_pvCamId, cam);
    EXPECT_TRUE(ImGui::FindWindowByName("##CameraPreviewOverlay"));
    g_showPreview = false;
}

TEST_F(HeadlessEditor, ShortcutsActOnlyInTheEditorState) {
    Frame();
    ImGuiIO& io = ImGui::GetIO();
    g_state = 1;
    io.AddKeyEvent(ImGuiKey_R, true);
    Frame();
    io.AddKeyEvent(ImGuiKey_R, false);
    Frame();
    EXPECT_EQ(g_gizmoMode, kGizmoMove);
    g_state = 2;
    io.AddKeyEvent(ImGuiKey_R, true);
    Frame();
    io.AddKeyEvent(ImGuiKey_R, false);
    Frame();
    EXPECT_EQ(g_gizmoMode, kGizmoScale);
    // With Ctrl held, R does nothing.
    io.AddKeyEvent(ImGuiMod_Ctrl, true);
    io.AddKeyEvent(ImGuiKey_LeftCtrl, true);
    io.AddKeyEvent(ImGuiKey_W, true);
    Frame();
    io.AddKeyEvent(ImGuiKey_W, false);
    io.AddKeyEvent(ImGuiKey_LeftCtrl, false);
    io.AddKeyEvent(ImGuiMod_Ctrl, false);
    Frame();
    EXPECT_EQ(g_gizmoMode, kGizmoScale);
}

} // namespace
