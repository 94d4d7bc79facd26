// The shell's decisions: close routing, what "Save and Close" continues with,
// the autosave timer, the splash phases, frame pacing on a fake clock, the
// frame-time ring, titles and scene names.

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>
#include <set>

#include "editor/legacy/base/AppState.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/shell/ShellLogic.h"

TEST(ShellClose, RoutingByStateDirtyAndMode) {
    struct Case {
        int32_t state;
        bool dirty, gameBuild;
        CloseAction want;
        const char* why;
    } cases[] = {
        {0, false, false, CloseAction::CloseWindow, "hub closes at once"},
        {0, true, false, CloseAction::CloseWindow, "hub ignores a dirty flag"},
        {1, true, false, CloseAction::CloseWindow, "loading closes at once"},
        {2, false, false, CloseAction::CloseWindow, "clean editor closes"},
        {2, true, false, CloseAction::AskUnsaved, "dirty editor asks"},
        {2, true, true, CloseAction::CloseWindow, "running game never asks"},
        {2, false, true, CloseAction::CloseWindow, "running game closes"},
        {1, true, true, CloseAction::CloseWindow, "loading game closes"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RouteCloseRequest(c.state, c.dirty, c.gameBuild), c.want) << c.why;
    }
}

TEST(ShellClose, PlayIsStoppedBeforeAskingOnlyInTheEditor) {
    EXPECT_TRUE(CloseNeedsPlayStop(2, true, false));
    EXPECT_FALSE(CloseNeedsPlayStop(2, false, false));
    EXPECT_FALSE(CloseNeedsPlayStop(2, true, true)) << "the game closes while playing";
    EXPECT_FALSE(CloseNeedsPlayStop(0, true, false));
}

TEST(ShellClose, PendingActionAfterSave) {
    struct Case { const char* pending; PendingKind want; } cases[] = {
        {nullptr, PendingKind::CloseWindow},
        {"", PendingKind::CloseWindow},
        {"__NEW__", PendingKind::NewScene},
        {"__OPEN__", PendingKind::OpenDialog},
        {"/p/Assets/Scenes/Level1.korvane", PendingKind::LoadPath},
        {"__new__", PendingKind::LoadPath},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ClassifyPendingAction(c.pending), c.want) << (c.pending ? c.pending : "(null)");
    }
}

TEST(ShellAutosave, SavesAfterThirtyUninterruptedSeconds) {
    AutosaveInputs on;
    on.state = 2;
    on.sceneDirty = true;
    on.hasScenePath = true;
    AutosaveInputs playing = on;
    playing.playing = true;

    struct Step { const AutosaveInputs* in; float dt; bool save; } steps[] = {
        {&on, 10.0f, false},
        {&on, 10.0f, false},
        {&playing, 1.0f, false},   // play interrupts: the count starts over
        {&on, 10.0f, false},
        {&on, 10.0f, false},
        {&on, 9.9f, false},
        {&on, 0.2f, true},         // 30.1 s without a break
        {&on, 29.0f, false},       // timer restarted at the save
    };
    float timer = 0.0f;
    int i = 0;
    for (const Step& s : steps) {
        EXPECT_EQ(AutosaveTick(timer, s.dt, *s.in), s.save) << "step " << i;
        ++i;
    }
}

TEST(ShellAutosave, EachConditionResetsTheTimer) {
    AutosaveInputs base;
    base.state = 2;
    base.sceneDirty = true;
    base.hasScenePath = true;
    AutosaveInputs variants[6] = {base, base, base, base, base, base};
    variants[0].enabled = false;
    variants[1].state = 0;
    variants[2].sceneDirty = false;
    variants[3].hasScenePath = false;
    variants[4].playing = true;
    variants[5].gameBuild = true;
    for (const AutosaveInputs& v : variants) {
        float timer = 29.0f;
        EXPECT_FALSE(AutosaveTick(timer, 5.0f, v));
        EXPECT_EQ(timer, 0.0f);
    }
    float timer = 0.0f;
    EXPECT_FALSE(AutosaveTick(timer, std::numeric_limits<float>::infinity(), base)) << "a broken delta never saves";
    EXPECT_FALSE(AutosaveTick(timer, -5.0f, base));
}

TEST(ShellSplash, PhasesTakeFadeHoldFade) {
    int32_t phase = 0;
    float timer = 0.0f;
    const float dt = 0.05f;
    float t = 0.0f;
    float lastAlpha = -1.0f;
    bool sawOpaque = false;
    int frames = 0;
    while (phase < 3 && frames < 1000) {
        float a = SplashAdvance(phase, timer, dt);
        EXPECT_GE(a, 0.0f);
        EXPECT_LE(a, 1.0f);
        if (a == 1.0f) sawOpaque = true;
        lastAlpha = a;
        t += dt;
        ++frames;
    }
    EXPECT_EQ(phase, 3);
    EXPECT_TRUE(sawOpaque);
    EXPECT_EQ(lastAlpha, 0.0f);
    // 0.8 + 1.5 + 0.8 s, give or take a frame per phase.
    EXPECT_NEAR(t, 3.1f, 3 * dt + 1e-3f);
}

TEST(ShellSplash, AlphaPerPhase) {
    struct Case { int32_t phase; float timer, dt; float alpha; int32_t nextPhase; } cases[] = {
        {0, 0.0f, 0.4f, 0.5f, 0},
        {0, 0.4f, 0.4f, 1.0f, 1},
        {1, 0.0f, 1.5f, 1.0f, 1},   // exactly 1.5 s still holds
        {1, 1.5f, 0.01f, 1.0f, 2},
        {2, 0.0f, 0.4f, 0.5f, 2},
        {2, 0.4f, 0.4f, 0.0f, 3},
        {3, 0.0f, 1.0f, 0.0f, 3},
    };
    for (const Case& c : cases) {
        int32_t phase = c.phase;
        float timer = c.timer;
        EXPECT_NEAR(SplashAdvance(phase, timer, c.dt), c.alpha, 1e-5f) << "phase " << c.phase;
        EXPECT_EQ(phase, c.nextPhase) << "phase " << c.phase;
    }
}

namespace {
class FakeClock : public PaceClock {
public:
    double now = 100.0;
    std::vector<double> sleeps;
    double Now() override { return now; }
    void Sleep(double s) override {
        sleeps.push_back(s);
        now += s;
    }
};
}

TEST(ShellPacing, FirstCallSchedulesWithoutSleeping) {
    FakeClock clock;
    FramePacer pacer;
    PaceMainLoopWith(pacer, 0, clock);
    EXPECT_TRUE(clock.sleeps.empty());
    EXPECT_DOUBLE_EQ(pacer.nextFrame, 100.0 + 1.0 / 60.0);
}

TEST(ShellPacing, SleepsTheRemainderOfThePeriod) {
    FakeClock clock;
    FramePacer pacer;
    PaceMainLoopWith(pacer, 0, clock);
    clock.now += 0.004;  // a 4 ms frame
    PaceMainLoopWith(pacer, 0, clock);
    ASSERT_EQ(clock.sleeps.size(), 1u);
    EXPECT_NEAR(clock.sleeps[0], 1.0 / 60.0 - 0.004, 1e-9);
    EXPECT_NEAR(pacer.nextFrame, 100.0 + 2.0 / 60.0, 1e-9);
}

TEST(ShellPacing, Decisions) {
    struct Case {
        const char* why;
        int32_t firstState, secondState;
        double frameTime;   // time spent between the two calls
        bool sleeps;
        double nextAfter;   // next frame time relative to the second call's start
    } cases[] = {
        {"loading runs at 120", 1, 1, 0.001, true, 2.0 / 120.0 - 0.001},
        {"a state change restarts", 0, 1, 0.001, false, 1.0 / 120.0},
        {"more than 0.25 s late restarts", 0, 0, 0.3, false, 1.0 / 60.0},
        {"late but within 0.25 s keeps the cadence", 0, 0, 0.045, false, 3.0 / 60.0 - 0.045},
        {"within half a millisecond: no sleep", 0, 0, 1.0 / 60.0 - 0.0003, false, 0.0003},
    };
    for (const Case& c : cases) {
        FakeClock clock;
        FramePacer pacer;
        PaceMainLoopWith(pacer, c.firstState, clock);
        clock.now += c.frameTime;
        const double start = clock.now;
        PaceMainLoopWith(pacer, c.secondState, clock);
        EXPECT_EQ(!clock.sleeps.empty(), c.sleeps) << c.why;
        EXPECT_NEAR(pacer.nextFrame - start, c.nextAfter, 1e-9) << c.why;
        EXPECT_GT(pacer.nextFrame, clock.now) << c.why;
        for (double s : clock.sleeps) EXPECT_LE(s, 0.02) << c.why;
    }
}

TEST(ShellPacing, SwapIntervalFollowsState) {
    EXPECT_EQ(WantedSwapInterval(0), 1);
    EXPECT_EQ(WantedSwapInterval(1), 0);
    EXPECT_EQ(WantedSwapInterval(2), 1);
}

TEST(ShellFrameRing, WrapsAtThreeHundredAndNeverOverflows) {
    float ring[300] = {};
    int32_t idx = 0;
    for (int i = 0; i < 301; ++i) RecordFrameTimeIn(ring, idx, float(i));
    EXPECT_EQ(idx, 301);
    EXPECT_EQ(ring[0], 300.0f);
    EXPECT_EQ(ring[1], 1.0f);

    idx = INT32_MAX - 3;
    std::vector<int> slots;
    for (int i = 0; i < 6; ++i) {
        int32_t before = idx;
        RecordFrameTimeIn(ring, idx, 1.0f);
        slots.push_back(((before % 300) + 300) % 300);
        EXPECT_GE(idx, 0);
    }
    for (size_t i = 1; i < slots.size(); ++i) EXPECT_EQ(slots[i], (slots[i - 1] + 1) % 300) << "slot sequence broken";
    RecordFrameTimeIn(ring, idx, std::numeric_limits<float>::quiet_NaN());
    for (float f : ring) EXPECT_TRUE(std::isfinite(f));
}

TEST(ShellTitles, FrameAndDirtyForms) {
    EXPECT_EQ(ComposeFrameTitle("Demo", false), "Korvane - Demo");
    EXPECT_EQ(ComposeFrameTitle("Demo", true), "Korvane - Demo [*]");
    EXPECT_EQ(ComposeDirtyTitle("Demo", true), "Korvane - Demo \xE2\x97\x8F");
    EXPECT_EQ(ComposeDirtyTitle("Demo", false), "Korvane - Demo");
}

TEST(ShellSceneNames, SaveAsNameIsAPlainFileName) {
    struct Case { const char* name; bool ok; } cases[] = {
        {"NewScene", true},
        {"Level 1", true},
        {"Level1.korvane", true},
        {"", false},
        {"a/b", false},
        {"a\\b", false},
        {"..", false},
        {"../../etc/x", false},
        {"x..y", false},
        {"tab\there", false},
        {".korvane", false},
    };
    for (const Case& c : cases) {
        std::string why;
        EXPECT_EQ(ValidateSceneName(c.name, &why), c.ok) << c.name;
        if (!c.ok) {
            EXPECT_FALSE(why.empty()) << c.name;
        }
    }
    EXPECT_EQ(SceneFileNameFor("NewScene"), "NewScene.korvane");
    EXPECT_EQ(SceneFileNameFor("Level1.korvane"), "Level1.korvane");
}

TEST(ShellSceneNames, FreePathNeverOverwrites) {
    std::set<std::string> existing;
    auto exists = [&](const std::string& p) { return existing.count(p) > 0; };
    EXPECT_EQ(PickFreeScenePath("/s", "Untitled", ".korvane", exists), "/s/Untitled.korvane");
    existing.insert("/s/Untitled.korvane");
    EXPECT_EQ(PickFreeScenePath("/s", "Untitled", ".korvane", exists), "/s/Untitled_1.korvane");
    existing.insert("/s/Untitled_1.korvane");
    EXPECT_EQ(PickFreeScenePath("/s", "Untitled", ".korvane", exists), "/s/Untitled_2.korvane");
    EXPECT_EQ(PickFreeScenePath("/s", "Untitled", ".korvane", [](const std::string&) { return true; }), "");
}

namespace {
int s_marks = 0;
std::vector<std::string> s_events;
void FakeMarkClose() {
    ++s_marks;
    s_events.push_back("close");
}
void FakeStopPlay() {
    // Stopping restores the edited scene, whose own dirty state then counts.
    s_events.push_back("stop");
    g_playing = false;
}

class RequestCloseTest : public ::testing::Test {
protected:
    void SetUp() override {
        s_marks = 0;
        s_events.clear();
        g_markWindowCloseHook = FakeMarkClose;
        g_stopPlayModeHook = FakeStopPlay;
        g_closeWithoutSaving = false;
        g_pendingClose = false;
        g_pendingSceneOpen[0] = '\0';
        g_playing = false;
        g_gameBuild = false;
        g_state = 2;
        g_sceneDirty = false;
    }
    void TearDown() override {
        g_markWindowCloseHook = nullptr;
        g_stopPlayModeHook = nullptr;
        g_gameBuild = false;
        g_state = 0;
        g_sceneDirty = false;
        g_playing = false;
        g_pendingClose = false;
        g_closeWithoutSaving = false;
    }
};
}

TEST_F(RequestCloseTest, Table) {
    struct Case {
        const char* why;
        int32_t state;
        bool dirty, playing, gameBuild;
        bool marks, asks;
        const char* events;
    } cases[] = {
        {"clean editor closes", 2, false, false, false, true, false, "close"},
        {"dirty editor asks", 2, true, false, false, false, true, ""},
        {"hub closes", 0, true, false, false, true, false, "close"},
        {"playing dirty editor: stop first, then ask", 2, true, true, false, false, true, "stop"},
        {"playing clean editor: stop, then close", 2, false, true, false, true, false, "stop,close"},
        {"running game closes while playing, no stop", 2, true, true, true, true, false, "close"},
    };
    for (const Case& c : cases) {
        SetUp();
        g_state = c.state;
        g_sceneDirty = c.dirty;
        g_playing = c.playing;
        g_gameBuild = c.gameBuild;
        std::strcpy(g_pendingSceneOpen, "leftover");
        RequestClose();
        std::string events;
        for (const auto& e : s_events) events += (events.empty() ? "" : ",") + e;
        EXPECT_EQ(s_marks > 0, c.marks) << c.why;
        EXPECT_EQ(g_pendingClose, c.asks) << c.why;
        if (c.asks) {
            EXPECT_STREQ(g_pendingSceneOpen, "") << c.why << ": closing is the pending action";
        }
        EXPECT_EQ(events, c.events) << c.why;
    }
}

TEST_F(RequestCloseTest, DiscardedChangesLetTheWindowGo) {
    g_sceneDirty = true;
    g_closeWithoutSaving = true;
    RequestClose();
    EXPECT_EQ(s_marks, 1);
    EXPECT_FALSE(g_pendingClose);
}

TEST_F(RequestCloseTest, SceneSwitchParksTheAction) {
    EXPECT_TRUE(RequestSceneSwitch("__NEW__")) << "clean: go ahead";
    g_sceneDirty = true;
    EXPECT_FALSE(RequestSceneSwitch("__NEW__"));
    EXPECT_TRUE(g_pendingClose);
    EXPECT_STREQ(g_pendingSceneOpen, "__NEW__");
    g_pendingClose = false;
    std::string tooLong(2000, 'x');
    EXPECT_FALSE(RequestSceneSwitch(tooLong.c_str()));
    EXPECT_FALSE(g_pendingClose) << "a path that does not fit is refused, not cut";
    EXPECT_STREQ(g_pendingSceneOpen, "__NEW__");
    g_gameBuild = true;
    g_sceneDirty = false;
    EXPECT_FALSE(RequestSceneSwitch("__NEW__")) << "a running game never switches scenes";
}
