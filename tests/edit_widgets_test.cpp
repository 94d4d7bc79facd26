// The undo-recording edit widgets driven through headless Dear ImGui frames:
// idle frames capture nothing, a continuous edit is one entry holding the
// state before it, a click without a change leaves no entry and a clean
// scene, discrete edits push one entry, typed input is clamped.

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>

#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/scene/Undo.h"
#include "editor/ui/common/EditWidgets.h"
#include "editor/ui/common/EditorTools.h"
#include "tests/support/HeadlessUi.h"
#include "tests/support/SceneModel.h"

using korvane::test::HeadlessUi;

namespace {

class EditWidgetsTest : public ::testing::Test {
protected:
    void SetUp() override {
        korvane::test::ResetSceneModel();
        ResetEditWidgets();
        id = AddEnt("Box", -1)->id;
        g_sceneDirty = false;
        g_uniformScaleLock = false;
        ui.draw = [this] { Draw(); };
        ui.Frames(2);
    }
    void TearDown() override {
        ResetEditWidgets();
        korvane::test::ResetSceneModel();
    }
    Entity& E() { return *GetEnt(id); }
    void Draw() {
        Entity& e = E();
        EditFloat("##mass", &e.rigidBody.mass, 0.1f, 0.01f, 10000.0f, "Change Rigid Body Mass");
        ui.RecordItem("mass");
        EditText("##name", e.name, sizeof(e.name), "Rename Entity");
        ui.RecordItem("name");
        EditCheckbox("Enabled", &e.enabled, "Toggle Entity Enabled");
        ui.RecordItem("enabled");
        EditColor4("##color", &e.light.color.x, "Change Light Color");
        ui.RecordItem("color");
        EditVec3("Position", &e.transform.position, 0.1f, -FLT_MAX, FLT_MAX, "Change Position", false);
        EditVec3("Scale", &e.transform.scale, 0.1f, 0.01f, 100.0f, "Change Scale", true);
        EditIntAsFloat("##maxp", &e.emitter.maxParticles, 10.0f, 1.0f, 10000.0f, "Change Max Particles");
        ui.RecordItem("maxp");
        EditInt("##lights", &g_engine.maxLights, 1.0f, 1, 32, "Change Max Lights");
        ui.RecordItem("lights");
        static const char* const shapes[] = {"Box", "Sphere", "Capsule", "Mesh"};
        EditCombo("##shape", &e.collider.shape, shapes, 4, "Change Collider Shape");
        ui.RecordItem("shape");
        SettlePendingEdit();
    }
    HeadlessUi ui;
    int32_t id = -1;
};

TEST_F(EditWidgetsTest, IdleFramesCaptureNothing) {
    uint64_t before = g_editSnapshotCount;
    ui.Frames(10);
    ui.MoveTo(ui.Center("mass"));  // hovering is not editing
    ui.Frames(5);
    EXPECT_EQ(g_editSnapshotCount, before);
    EXPECT_TRUE(g_undoStack.empty());
    EXPECT_FALSE(g_sceneDirty);
}

TEST_F(EditWidgetsTest, DragIsOneEntryWithThePreDragValue) {
    ASSERT_FLOAT_EQ(E().rigidBody.mass, 1.0f);
    ui.Drag("mass", ImVec2(3, 0), 30);
    EXPECT_GT(E().rigidBody.mass, 1.0f);
    ASSERT_EQ(g_undoStack.size(), 1u);
    EXPECT_STREQ(g_undoStack.back().label, "Change Rigid Body Mass");
    const SceneSnapshot& s = g_undoStack.back().snapshot;
    ASSERT_EQ(s.ents.size(), 1u);
    EXPECT_FLOAT_EQ(s.ents[0].rigidBody.mass, 1.0f);
    EXPECT_FALSE(g_undoPendingActive);
    EXPECT_FALSE(EditPendingOpen());
    EXPECT_TRUE(g_sceneDirty);
    PerformUndo();
    EXPECT_FLOAT_EQ(E().rigidBody.mass, 1.0f);
}

TEST_F(EditWidgetsTest, ClickWithoutChangeLeavesNoEntryAndACleanScene) {
    struct Case {
        const char* item;
        const char* why;
    } cases[] = {{"name", "click into the name field and leave"}, {"mass", "click a drag without moving"}};
    for (const Case& c : cases) {
        ui.Click(c.item);
        ui.Frames(2);
        ui.ClickAway();
        ui.Frames(2);
        EXPECT_TRUE(g_undoStack.empty()) << c.why;
        EXPECT_FALSE(g_undoPendingActive) << c.why;
        EXPECT_FALSE(g_sceneDirty) << c.why;
    }
}

TEST_F(EditWidgetsTest, TypingIsOneEntryPerEdit) {
    ui.Click("name");
    ui.Key(ImGuiKey_A, true);  // select all
    ui.Type("C");
    ui.Type("r");
    ui.Type("ate");
    EXPECT_STREQ(E().name, "Crate");
    EXPECT_TRUE(g_undoStack.empty());  // still editing: pending
    EXPECT_TRUE(g_undoPendingActive);
    ui.ClickAway();
    ui.Frames(2);
    ASSERT_EQ(g_undoStack.size(), 1u);
    EXPECT_STREQ(g_undoStack.back().label, "Rename Entity");
    EXPECT_STREQ(g_undoStack.back().snapshot.ents[0].name, "Box");
    EXPECT_FALSE(g_undoPendingActive);
}

TEST_F(EditWidgetsTest, DiscreteEditsPushOneEntryEach) {
    ui.Click("enabled");
    ui.Frames(2);
    EXPECT_FALSE(E().enabled);
    ASSERT_EQ(g_undoStack.size(), 1u);
    EXPECT_STREQ(g_undoStack.back().label, "Toggle Entity Enabled");
    EXPECT_TRUE(g_undoStack.back().snapshot.ents[0].enabled);
    ui.Click("enabled");
    EXPECT_EQ(g_undoStack.size(), 2u);
    EXPECT_FALSE(g_undoPendingActive);
}

TEST_F(EditWidgetsTest, ColourThroughThePickerPopupIsOneEntry) {
    // The swatch at the right end of the colour edit opens the picker.
    ImGuiContext& g = *ImGui::GetCurrentContext();
    float frameH = ImGui::GetFrameHeight();
    ImVec2 itemMax = ui.Rect("color").Max;
    ImVec2 swatch(itemMax.x - frameH * 0.5f, itemMax.y - frameH * 0.5f);
    ui.Click(swatch);
    ui.Frames(2);
    ASSERT_FALSE(g.OpenPopupStack.empty()) << "picker did not open";
    ImGuiWindow* popup = g.OpenPopupStack.back().Window;
    ASSERT_TRUE(popup);
    ImVec2 sv(popup->DC.CursorStartPos.x + 30, popup->DC.CursorStartPos.y + 60);
    ui.Drag(sv, ImVec2(2, 1), 20);
    ui.Frames(2);
    EXPECT_NE(E().light.color.y, 1.0f);
    ASSERT_EQ(g_undoStack.size(), 1u);
    EXPECT_STREQ(g_undoStack.back().label, "Change Light Color");
    EXPECT_FLOAT_EQ(g_undoStack.back().snapshot.ents[0].light.color.y, 1.0f);
    EXPECT_FALSE(g_undoPendingActive);
    EXPECT_FALSE(EditPendingOpen());
}

TEST_F(EditWidgetsTest, TypedInputIsClamped) {
    struct Case {
        const char* item;
        const char* typed;
        const char* why;
    } cases[] = {{"mass", "0", "mass never 0"}, {"mass", "-5", "negative mass"}, {"lights", "99", "max lights"},
                 {"maxp", "0", "max particles"}, {"mass", "nan", "not a number"}};
    for (const Case& c : cases) {
        ui.CtrlClick(c.item);
        ui.Key(ImGuiKey_A, true);
        ui.Type(c.typed);
        ui.Key(ImGuiKey_Enter);
        ui.Frames(2);
        EXPECT_GE(E().rigidBody.mass, 0.01f) << c.why;
        EXPECT_LE(g_engine.maxLights, 32) << c.why;
        EXPECT_GE(g_engine.maxLights, 1) << c.why;
        EXPECT_GE(E().emitter.maxParticles, 1) << c.why;
        EXPECT_TRUE(std::isfinite(E().rigidBody.mass)) << c.why;
    }
    EXPECT_FLOAT_EQ(E().rigidBody.mass, 0.01f);
    EXPECT_EQ(g_engine.maxLights, 32);
    EXPECT_EQ(E().emitter.maxParticles, 1);
    EXPECT_FALSE(g_undoPendingActive);
}

TEST_F(EditWidgetsTest, IntegerFieldsMoveInWholeSteps) {
    ui.Drag("maxp", ImVec2(1, 0), 5);
    int v = E().emitter.maxParticles;
    EXPECT_GT(v, 500);
    EXPECT_EQ(v % 10, 0);
    EXPECT_EQ(g_undoStack.size(), 1u);
    ui.Drag("lights", ImVec2(-4, 0), 40);
    EXPECT_EQ(g_engine.maxLights, 1);
    ASSERT_EQ(g_undoStack.size(), 2u);  // one per drag, not per frame
    EXPECT_EQ(g_undoStack.back().snapshot.Engine().maxLights, 32);
}

TEST(UniformScale, KeepsTheRatioWithinTheRange) {
    struct Row {
        Vec3 old, now;
        int k;
        Vec3 expect;
        const char* why;
    } rows[] = {
        {{2, 3, 5}, {4, 3, 5}, 0, {4, 6, 10}, "X doubled"},
        {{2, 3, 60}, {4, 3, 60}, 0, {4, 6, 100}, "clamped at the top"},
        {{1, 0.02f, 1}, {1, 0.02f, 0.1f}, 2, {0.1f, 0.01f, 0.1f}, "clamped at the bottom"},
        {{0, 2, 3}, {0.5f, 2, 3}, 0, {0.5f, 1, 1.5f}, "old zero counts as one"},
    };
    for (const Row& r : rows) {
        Vec3 v = r.now;
        ApplyUniformScaleRatio(r.old, v, r.k, 0.01f, 100.0f);
        EXPECT_FLOAT_EQ(v.x, r.expect.x) << r.why;
        EXPECT_FLOAT_EQ(v.y, r.expect.y) << r.why;
        EXPECT_FLOAT_EQ(v.z, r.expect.z) << r.why;
    }
}

}  // namespace
