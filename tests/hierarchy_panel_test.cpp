// The hierarchy's inline rename in a headless Dear ImGui session: F2 or a
// double-click turns the row into a text field; typing and Enter (or leaving
// the field) record one "Rename Entity" step, Escape records none. Then a
// mixed session (move, three creations, a re-parent, a rename) undoes step
// by step in reverse with the right labels.

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "imgui.h"
#include "imgui_internal.h"

#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/scene/Undo.h"
#include "editor/ui/common/EditorHooks.h"
#include "editor/ui/common/EntityPresets.h"
#include "editor/ui/hierarchy/HierarchyPanel.h"
#include "tests/support/SceneModel.h"

namespace {

class HierarchyRename : public ::testing::Test {
protected:
    ImGuiContext* ctx = nullptr;
    void SetUp() override {
        ctx = ImGui::CreateContext();
        ImGuiIO& io = ImGui::GetIO();
        io.IniFilename = nullptr;
        io.DisplaySize = ImVec2(600, 500);
        io.DeltaTime = 1.0f / 60.0f;
        io.BackendFlags |= ImGuiBackendFlags_RendererHasTextures;
        korvane::test::ResetSceneModel();
        g_editorHooks = EditorHooks();
        g_sceneDirty = false;
        g_showHier = true;
        LogClear();
    }
    void TearDown() override { ImGui::DestroyContext(ctx); }

    void Frame() {
        ImGui::NewFrame();
        ImGui::SetNextWindowPos(ImVec2(0, 0));
        ImGui::SetNextWindowSize(ImVec2(400, 480));
        HierarchyPanel();
        ImGui::Render();
    }
    void Key(ImGuiKey k) {
        ImGui::GetIO().AddKeyEvent(k, true);
        Frame();
        ImGui::GetIO().AddKeyEvent(k, false);
        Frame();
    }
    void Type(const char* text) {
        ImGui::GetIO().AddInputCharactersUTF8(text);
        Frame();
    }
    // Screen centre of the i-th visible row of the tree.
    ImVec2 Row(int i) {
        ImGuiWindow* tree = nullptr;
        for (ImGuiWindow* w : ImGui::GetCurrentContext()->Windows)
            if (std::strstr(w->Name, "##htree")) tree = w;
        EXPECT_TRUE(tree);
        if (!tree) return ImVec2();
        const float h = ImGui::GetTextLineHeightWithSpacing();
        return ImVec2(tree->DC.CursorStartPos.x + 80, tree->DC.CursorStartPos.y + h * (float(i) + 0.5f));
    }
    void Click(ImVec2 p) {
        ImGuiIO& io = ImGui::GetIO();
        io.AddMousePosEvent(p.x, p.y);
        Frame();
        io.AddMouseButtonEvent(0, true);
        Frame();
        io.AddMouseButtonEvent(0, false);
        Frame();
    }
    void DoubleClick(ImVec2 p) {
        ImGuiIO& io = ImGui::GetIO();
        io.AddMousePosEvent(p.x, p.y);
        Frame();
        for (int i = 0; i < 2; ++i) {
            io.AddMouseButtonEvent(0, true);
            Frame();
            io.AddMouseButtonEvent(0, false);
            Frame();
        }
        Frame();
    }
};

TEST_F(HierarchyRename, F2TypingAndEnterIsOneStep) {
    const int32_t id = AddEnt("Cube", -1)->id;
    AddEnt("Other", -1);
    g_selId = id;
    Frame();
    Key(ImGuiKey_F2);
    ASSERT_EQ(HierarchyRenamingId(), id);
    Frame();
    EXPECT_TRUE(ImGui::GetIO().WantTextInput) << "the field has the keyboard";
    Type("Crate");
    EXPECT_STREQ(GetEnt(id)->name, "Cube") << "nothing changes while typing";
    Key(ImGuiKey_Enter);
    EXPECT_EQ(HierarchyRenamingId(), -1);
    EXPECT_STREQ(GetEnt(id)->name, "Crate");
    ASSERT_EQ(g_undoStack.size(), 1u);
    EXPECT_STREQ(g_undoStack.back().label, "Rename Entity");
    PerformUndo();
    EXPECT_STREQ(GetEnt(id)->name, "Cube");
}

TEST_F(HierarchyRename, EscapeAndUnchangedNamesRecordNothing) {
    const int32_t id = AddEnt("Cube", -1)->id;
    g_selId = id;
    g_sceneDirty = false;
    Frame();
    Key(ImGuiKey_F2);
    Type("Gone");
    Key(ImGuiKey_Escape);
    EXPECT_EQ(HierarchyRenamingId(), -1);
    EXPECT_STREQ(GetEnt(id)->name, "Cube");
    EXPECT_TRUE(g_undoStack.empty());
    EXPECT_FALSE(g_sceneDirty);

    // Enter on the unchanged name.
    Key(ImGuiKey_F2);
    ASSERT_EQ(HierarchyRenamingId(), id);
    Key(ImGuiKey_Enter);
    EXPECT_EQ(HierarchyRenamingId(), -1);
    EXPECT_TRUE(g_undoStack.empty());

    // An emptied name keeps the old one.
    Key(ImGuiKey_F2);
    Key(ImGuiKey_Backspace);
    Key(ImGuiKey_Enter);
    EXPECT_STREQ(GetEnt(id)->name, "Cube");
    EXPECT_TRUE(g_undoStack.empty());
}

TEST_F(HierarchyRename, DoubleClickStartsItAndLeavingTheFieldKeepsTheName) {
    AddEnt("First", -1);
    const int32_t second = AddEnt("Second", -1)->id;
    Frame();
    DoubleClick(Row(1));
    ASSERT_EQ(HierarchyRenamingId(), second);
    EXPECT_EQ(g_selId, second) << "the double-clicked row is selected too";
    Type("Renamed");
    // A click on the other row ends the edit and keeps the text.
    Click(Row(0));
    EXPECT_EQ(HierarchyRenamingId(), -1);
    EXPECT_STREQ(GetEnt(second)->name, "Renamed");
    ASSERT_EQ(g_undoStack.size(), 1u);
    EXPECT_STREQ(g_undoStack.back().label, "Rename Entity");
}

TEST_F(HierarchyRename, F2DoesNothingWithoutASelection) {
    AddEnt("Cube", -1);
    g_selId = -1;
    Frame();
    Key(ImGuiKey_F2);
    EXPECT_EQ(HierarchyRenamingId(), -1);
}

// Each step's label and the scene before it; undo walks them backwards.
TEST_F(HierarchyRename, MixedSessionUndoesStepByStepInReverse) {
    const int32_t player = AddEnt("Player", -1)->id;
    UndoClearHistory();
    Frame();
    struct Step {
        std::string label;
        std::vector<Entity> before;
    };
    std::vector<Step> steps;
    auto begin = [&](const char* label) { steps.push_back({label, g_ents}); };

    begin("Move Entity");  // as the move gizmo does it
    UndoBeginSnapshotFrom(CaptureSceneSnapshot(), "Move Entity");
    GetEnt(player)->transform.position.x += 3.0f;
    UndoCommitPending("Move Entity");
    int32_t cubes[3];
    for (int32_t& c : cubes) {
        begin("Create Cube");
        c = CreatePresetEntity(EntityPreset::Cube);
    }
    begin("Reparent Entity");
    ASSERT_TRUE(HierarchyDropEntity(cubes[2], player));
    Frame();
    begin("Rename Entity");
    g_selId = cubes[0];
    Key(ImGuiKey_F2);
    Type("Crate");
    Key(ImGuiKey_Enter);
    ASSERT_STREQ(GetEnt(cubes[0])->name, "Crate");

    ASSERT_EQ(g_undoStack.size(), steps.size());
    for (size_t i = steps.size(); i-- > 0;) {
        SCOPED_TRACE(steps[i].label);
        EXPECT_STREQ(g_undoStack.back().label, steps[i].label.c_str());
        PerformUndo();
        ASSERT_EQ(g_ents.size(), steps[i].before.size());
        for (size_t k = 0; k < g_ents.size(); ++k)
            EXPECT_TRUE(korvane::test::SameEntity(g_ents[k], steps[i].before[k])) << g_ents[k].name;
    }
    EXPECT_TRUE(g_undoStack.empty());
    EXPECT_EQ(g_redoStack.size(), steps.size());
}

} // namespace
