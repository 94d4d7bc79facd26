// The inspector: its plain decisions (sizes, search, display names, entity
// references, colour mixing) and whole headless frames of the window over an
// entity carrying every component.

#include <gtest/gtest.h>

#include <cstring>

#include "editor/legacy/base/AppState.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/scene/Undo.h"
#include "editor/ui/common/EditWidgets.h"
#include "editor/ui/inspector/InspectorLogic.h"
#include "editor/ui/inspector/InspectorPanel.h"
#include "tests/support/HeadlessUi.h"
#include "tests/support/SceneModel.h"

using korvane::test::HeadlessUi;

namespace {

TEST(InspectorLogic, FileSizes) {
    struct Row {
        long long bytes;
        const char* text;
    } rows[] = {{0, "Size: 0 B"}, {1023, "Size: 1023 B"}, {1024, "Size: 1.0 KB"}, {1048575, "Size: 1024.0 KB"},
                {1048576, "Size: 1.0 MB"}};
    for (const Row& r : rows) EXPECT_EQ(FormatFileSize(r.bytes), r.text) << r.bytes;
}

TEST(InspectorLogic, DisplayNamesAndChoices) {
    EXPECT_EQ(ScriptFieldDisplayName("moveSpeed2"), "Move Speed 2");
    EXPECT_EQ(ScriptFieldDisplayName("camTarget"), "Cam Target");
    EXPECT_EQ(ScriptFieldDisplayName(""), "");
    auto opts = ScriptChoiceOptions("Walk;Run;Fly");
    ASSERT_EQ(opts.size(), 3u);
    EXPECT_EQ(opts[2], "Fly");
    EXPECT_EQ(MixImU32(IM_COL32(0, 0, 0, 0), IM_COL32(200, 100, 50, 255), 0.5f), IM_COL32(100, 50, 25, 127));
    EXPECT_EQ(MixImU32(IM_COL32(10, 10, 10, 10), IM_COL32(200, 100, 50, 255), 7.0f), IM_COL32(200, 100, 50, 255));
}

TEST(InspectorLogic, AddComponentSearchHidesPresentComponents) {
    Entity e;
    int listed = 0;
    for (const AddComponentEntry& a : kAddComponentEntries) listed += AddComponentListed(e, a, "SPARK");
    EXPECT_EQ(listed, 1);
    e.hasParticles = true;
    listed = 0;
    for (const AddComponentEntry& a : kAddComponentEntries) listed += AddComponentListed(e, a, "SPARK");
    EXPECT_EQ(listed, 0);
    listed = 0;
    for (const AddComponentEntry& a : kAddComponentEntries) listed += AddComponentListed(e, a, "");
    EXPECT_EQ(listed, 11);
}

TEST(InspectorLogic, EntityReferenceCandidates) {
    korvane::test::ResetSceneModel();
    AddEnt("Plain", -1);
    Entity* lamp = AddEnt("Lamp", -1);
    lamp->hasLight = true;
    Entity* off = AddEnt("Off", -1);
    off->hasLight = true;
    off->enabled = false;
    auto c = EntityRefCandidates("light");
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[0].name, "None");
    EXPECT_EQ(c[1].name, "Lamp");
    EXPECT_EQ(EntityRefCandidates("").size(), 3u);
    korvane::test::ResetSceneModel();
}

TEST(InspectorPanelFrames, EveryComponentDrawsWithoutIdConflictsOrSnapshots) {
    korvane::test::ResetSceneModel();
    ResetEditWidgets();
    Entity* e = AddEnt("Everything", -1);
    e->hasMesh = e->hasMaterial = e->hasRigidBody = e->hasCollider = e->hasScript = e->hasLight = true;
    e->hasCamera = e->hasParticles = e->hasAudio = e->hasCanvas = e->hasUI = e->hasLiquid = true;
    e->light.type = LightType_Spot;
    e->collider.shape = ColliderShape_Mesh;
    g_selId = e->id;
    g_renameEntId = -1;
    g_sceneDirty = false;
    g_showInsp = true;
    HeadlessUi ui;
    ImGui::GetIO().ConfigDebugHighlightIdConflicts = true;
    ui.ownWindow = false;
    ui.draw = [] { InspectorPanel(); };
    uint64_t before = g_editSnapshotCount;
    ui.Frames(5);
    ImGuiContext& g = *ImGui::GetCurrentContext();
    EXPECT_EQ(g.DebugDrawIdConflictsCount, 0);
    EXPECT_EQ(g_editSnapshotCount, before);
    EXPECT_TRUE(g_undoStack.empty());
    EXPECT_FALSE(g_sceneDirty);
    g_selId = -1;
    ui.Frames(2);  // "No selection"
    korvane::test::ResetSceneModel();
}

}  // namespace
