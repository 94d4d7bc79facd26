// Window geometry: profile rectangles from work areas, how often a profile
// really reshapes the window, and the frameless drag state machine.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/legacy/shell/WindowLayout.h"

TEST(WindowLayout, WorkAreaFallbackAndFloor) {
    WorkArea none = SanitizeWorkArea(false, 5, 5, 10, 10);
    EXPECT_EQ(none.x, 0);
    EXPECT_EQ(none.width, 1280);
    EXPECT_EQ(none.height, 720);
    WorkArea tiny = SanitizeWorkArea(true, 10, 20, 300, 200);
    EXPECT_EQ(tiny.x, 10);
    EXPECT_EQ(tiny.y, 20);
    EXPECT_EQ(tiny.width, 640);
    EXPECT_EQ(tiny.height, 480);
}

TEST(WindowLayout, RectanglesFromWorkAreas) {
    struct Case {
        const char* what;
        WorkArea work;
        int wantW, wantH;   // 0 = the editor rectangle
        WindowRect expect;
    } cases[] = {
        {"hub on 1024x700", {0, 0, 1024, 700}, 820, 560, {102, 70, 820, 560}},
        {"loading on 1024x700", {0, 0, 1024, 700}, 660, 420, {182, 140, 660, 420}},
        {"hub on 800x500 shrinks", {0, 0, 800, 500}, 820, 560, {40, 40, 720, 420}},
        {"hub never below 480x320", {0, 0, 500, 350}, 820, 560, {10, 15, 480, 320}},
        {"hub offset by the work origin", {100, 30, 1920, 1050}, 820, 560, {650, 275, 820, 560}},
        {"editor fills the work area", {100, 30, 1920, 1050}, 0, 0, {106, 36, 1908, 1038}},
        {"editor never below 640x480", {0, 0, 600, 400}, 0, 0, {6, 6, 640, 480}},
    };
    for (const Case& c : cases) {
        WindowRect r = c.wantW ? CenteredWindowRect(c.work, c.wantW, c.wantH) : EditorWindowRect(c.work);
        EXPECT_EQ(r, c.expect) << c.what << ": got " << r.x << "," << r.y << " " << r.width << "x" << r.height;
    }
}

TEST(WindowLayout, InitialEditorWindow) {
    EXPECT_EQ(InitialEditorWindowRect({0, 0, 1600, 1000}), (WindowRect{390, 220, 820, 560}));
    EXPECT_EQ(InitialEditorWindowRect({0, 0, 700, 500}), (WindowRect{30, 20, 640, 460}));
}

namespace {
struct RecordingOps : WindowOps {
    WorkArea work{0, 0, 1024, 700};
    std::vector<std::string> calls;
    WindowRect rect;
    bool decorated = true, rounded = false;
    std::string title;
    WorkArea PrimaryWorkArea() override { return work; }
    void SetTitle(const char* t) override { calls.push_back("title"); title = t; }
    void SetDecorated(bool d) override { calls.push_back("decorated"); decorated = d; }
    void SetSize(int w, int h) override { calls.push_back("size"); rect.width = w; rect.height = h; }
    void SetPos(int x, int y) override { calls.push_back("pos"); rect.x = x; rect.y = y; }
    void SetFramelessRounded(bool on) override { calls.push_back("rounded"); rounded = on; }
    void RefreshTitle() override { calls.push_back("refresh"); }
};
}

TEST(WindowProfiles, EachProfileShapesTheWindow) {
    struct Case {
        KorvaneWindowProfile profile;
        const char* title;
        WindowRect rect;
        bool decorated, rounded;
    } cases[] = {
        {KorvaneWindowProfileHub, "Korvane - Open Project", {102, 70, 820, 560}, false, true},
        {KorvaneWindowProfileLoading, "Korvane - Loading Project", {182, 140, 660, 420}, false, true},
        {KorvaneWindowProfileEditor, "", {6, 6, 1012, 688}, true, false},
    };
    for (const Case& c : cases) {
        RecordingOps ops;
        KorvaneWindowProfile active = KorvaneWindowProfileHub;
        bool applied = false;
        EXPECT_TRUE(ApplyWindowProfileWith(ops, active, applied, c.profile, false, false));
        EXPECT_EQ(ops.title, c.title);
        EXPECT_EQ(ops.rect, c.rect);
        EXPECT_EQ(ops.decorated, c.decorated);
        EXPECT_EQ(ops.rounded, c.rounded);
        EXPECT_EQ(active, c.profile);
    }
}

TEST(WindowProfiles, ApplicationCounts) {
    RecordingOps ops;
    KorvaneWindowProfile active = KorvaneWindowProfileHub;
    bool applied = false;
    int reshapes = 0;
    struct Step { KorvaneWindowProfile p; bool force; bool reshaped; } steps[] = {
        {KorvaneWindowProfileHub, false, true},      // first ever
        {KorvaneWindowProfileHub, false, false},     // same again: nothing
        {KorvaneWindowProfileHub, true, true},       // forced
        {KorvaneWindowProfileLoading, false, true},
        {KorvaneWindowProfileLoading, false, false},
        {KorvaneWindowProfileEditor, false, true},
        {KorvaneWindowProfileEditor, false, false},
    };
    for (const Step& s : steps) {
        size_t before = ops.calls.size();
        bool r = ApplyWindowProfileWith(ops, active, applied, s.p, s.force, false);
        EXPECT_EQ(r, s.reshaped);
        EXPECT_EQ(ops.calls.size() > before, s.reshaped);
        reshapes += r;
    }
    EXPECT_EQ(reshapes, 4);
}

TEST(WindowProfiles, GameRuntimeNeverReshapes) {
    RecordingOps ops;
    KorvaneWindowProfile active = KorvaneWindowProfileHub;
    bool applied = false;
    EXPECT_FALSE(ApplyWindowProfileWith(ops, active, applied, KorvaneWindowProfileEditor, true, true));
    EXPECT_TRUE(ops.calls.empty());
    EXPECT_EQ(active, KorvaneWindowProfileEditor);
    EXPECT_TRUE(applied);
}

TEST(FramelessDrag, StateMachine) {
    DragState drag;
    int x = -1, y = -1;
    auto in = [](bool inRect, bool pressed, bool down, bool item, int wx, int wy, double cx, double cy) {
        DragInput d;
        d.mouseInRect = inRect;
        d.leftPressedThisFrame = pressed;
        d.leftDown = down;
        d.anyItemHovered = item;
        d.windowX = wx;
        d.windowY = wy;
        d.cursorX = cx;
        d.cursorY = cy;
        return d;
    };
    // A press on a button in the drag area does not start a drag.
    EXPECT_FALSE(FramelessDragStep(drag, in(true, true, true, true, 100, 50, 20, 10), &x, &y));
    EXPECT_FALSE(drag.dragging);
    // Outside the area: nothing.
    EXPECT_FALSE(FramelessDragStep(drag, in(false, true, true, false, 100, 50, 20, 300), &x, &y));
    EXPECT_FALSE(drag.dragging);
    // Holding without a fresh press starts nothing.
    EXPECT_FALSE(FramelessDragStep(drag, in(true, false, true, false, 100, 50, 20, 10), &x, &y));
    EXPECT_FALSE(drag.dragging);
    // A press on empty area starts; the start frame does not move.
    EXPECT_FALSE(FramelessDragStep(drag, in(true, true, true, false, 100, 50, 20, 10), &x, &y));
    EXPECT_TRUE(drag.dragging);
    // Cursor moved 30.7, -5.2 on screen (the window has not moved yet).
    EXPECT_TRUE(FramelessDragStep(drag, in(true, false, true, false, 100, 50, 50.7, 4.8), &x, &y));
    EXPECT_EQ(x, 130);
    EXPECT_EQ(y, 44);
    // The window followed; the cursor is at the same spot inside it.
    EXPECT_TRUE(FramelessDragStep(drag, in(false, false, true, true, 130, 44, 20.7, 10.8), &x, &y));
    EXPECT_EQ(x, 130);
    EXPECT_EQ(y, 44);
    // Releasing ends the drag even outside the window.
    EXPECT_FALSE(FramelessDragStep(drag, in(false, false, false, false, 130, 50, -400, 900), &x, &y));
    EXPECT_FALSE(drag.dragging);
}
