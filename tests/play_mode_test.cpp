// Play mode on scenes built here, with a scripted key source: the start,
// pause and stop lifecycle with its log lines and exact restore, the
// built-game start, mouse capture, the guards that keep play from saving,
// replacing or undoing the edited scene, dispatch by file name, the player,
// enemy, spinner and platform numbers, the third-person camera, and the one
// view convention every game camera shares.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>

#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/files/SceneFile.h"
#include "editor/legacy/play/Behaviours.h"
#include "editor/legacy/play/GameView.h"
#include "editor/legacy/play/Input.h"
#include "editor/legacy/play/Particles.h"
#include "editor/legacy/play/PlayMode.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/render/RenderMath.h"
#include "tests/support/SceneModel.h"

namespace {

std::set<int> g_keys;
float g_dx = 0, g_dy = 0;
std::vector<bool> g_cursorCalls;
int g_audioCalls = 0, g_canvasCalls = 0;

bool Key(int k) { return g_keys.count(k) != 0; }
bool Button(int) { return false; }
void Delta(float* dx, float* dy) {
    *dx = g_dx;
    *dy = g_dy;
}

int CountLog(const char* text) {
    int n = 0;
    for (const LogEntry& e : LogSnapshot()) n += e.text == text;
    return n;
}

class PlayMode : public ::testing::Test {
protected:
    void SetUp() override { ResetAll(); }
    void TearDown() override {
        ResetAll();
        g_inputSource = InputSource{};
        g_playHooks = PlayHooks{};
        g_playStopForSceneReplaceHook = nullptr;
    }
    static void ResetAll() {
        korvane::test::ResetSceneModel();
        g_playing = g_playPaused = g_playSnapshotValid = g_playMouseCaptured = g_showGame = false;
        g_playSnapshot = SceneSnapshot();
        g_behaviourTimers = BehaviourTimers();
        g_particles.clear();
        g_keys.clear();
        g_dx = g_dy = 0;
        g_cursorCalls.clear();
        g_audioCalls = g_canvasCalls = 0;
        g_inputSource = InputSource{Key, Button, Delta};
        SetupDefaultInputs();
        InputClearStates();
        g_playHooks = PlayHooks{};
        g_playHooks.setCursorCaptured = [](bool c) { g_cursorCalls.push_back(c); };
        InstallPlayModeGuards();
        g_scenePath[0] = '\0';
        LogClear();
    }
    // One frame as the main loop runs it.
    static void Frame(float dt = 0.02f) {
        InputBeginFrame();
        TickPlayMode(dt);
    }
    static int32_t Scripted(const char* name, const char* script, Vec3 pos = Vec3(0, 0, 0)) {
        Entity* e = AddEnt(name, -1);
        e->hasScript = true;
        CopyTextField(e->script.scriptPath, script);
        e->transform.position = pos;
        return e->id;
    }
    // Exported field values, as the inspector stores them.
    static void SetField(int32_t id, const char* field, int32_t type, float value) {
        ScriptMeta& m = g_scriptMeta[id];
        CopyTextField(m.scriptPath, GetEnt(id)->script.scriptPath);
        m.parsed = true;
        ScriptField& f = m.fields[m.fieldCount++];
        CopyTextField(f.fieldName, field);
        f.fieldType = type;
        f.fieldValue = value;
    }
    static int32_t CameraAt(Vec3 pos) {
        Entity* c = AddEnt("Camera", -1);
        c->hasCamera = true;
        c->transform.position = pos;
        return c->id;
    }
    static Entity& E(int32_t id) { return *GetEnt(id); }
};

TEST_F(PlayMode, LifecycleLogsAndState) {
    Scripted("Spinner", "Spinner.fs");
    StartPlayMode();
    EXPECT_TRUE(g_playing && g_showGame && g_playSnapshotValid && g_playMouseCaptured);
    StartPlayMode();  // already running: no second line, no second snapshot
    EXPECT_EQ(CountLog("Play mode started"), 1);

    TogglePlayPaused();
    EXPECT_TRUE(g_playPaused);
    EXPECT_FALSE(g_playMouseCaptured);
    const float y = GetEnt(1)->transform.position.y;
    Frame();  // paused: nothing runs
    EXPECT_FLOAT_EQ(GetEnt(1)->transform.position.y, y);
    StartPlayMode();  // play while paused resumes, silently
    EXPECT_FALSE(g_playPaused);
    EXPECT_TRUE(g_playMouseCaptured);
    TogglePlayPaused();
    TogglePlayPaused();
    EXPECT_EQ(CountLog("Play mode paused"), 2);
    EXPECT_EQ(CountLog("Play mode resumed"), 1);

    StopPlayMode();
    EXPECT_EQ(CountLog("Play mode stopped"), 1);
    StopPlayMode("Stop");  // nothing to stop
    StartPlayMode();
    StopPlayMode("Stop");
    EXPECT_EQ(CountLog("Play mode stopped: Stop"), 1);
    EXPECT_FALSE(g_playing || g_playPaused || g_playSnapshotValid || g_playMouseCaptured);
    // Captured at start (again when play is pressed while running) and at
    // resume, released at pause and stop.
    const std::vector<bool> expected = {true, true, false, true, false, true, false, true, false};
    EXPECT_EQ(g_cursorCalls, expected);
    // Pause and toggle do nothing when stopped.
    TogglePlayPaused();
    EXPECT_FALSE(g_playPaused);
}

TEST_F(PlayMode, StopRestoresTheEditedSceneExactly) {
    const int32_t player = Scripted("Player", "Player.fs", Vec3(1, 0, 2));
    E(player).hasRigidBody = true;
    SetField(player, "moveSpeed", ScriptFieldType_Float, 7.0f);
    const int32_t box = AddEnt("Box", -1)->id;
    E(box).hasRigidBody = true;
    E(box).transform.position = Vec3(0, 5, 0);
    g_selId = box;
    g_engine.gravity = 22.0f;
    const SceneSnapshot before = CaptureSceneSnapshot();

    StartPlayMode();
    g_keys = {87};
    for (int i = 0; i < 30; ++i) Frame();
    EXPECT_NE(E(box).transform.position.y, 5.0f);
    EXPECT_NE(E(player).transform.position.z, 2.0f);
    // Changes made during play: settings, script values, a new selected entity.
    g_engine.gravity = 3.0f;
    g_scriptMeta[player].fields[0].fieldValue = 99.0f;
    const int32_t extra = AddEnt("Made in play", -1)->id;
    g_selId = extra;
    StopPlayMode("Stop");

    EXPECT_TRUE(korvane::test::SameSnapshot(CaptureSceneSnapshot(), before));
    EXPECT_FLOAT_EQ(g_engine.gravity, 22.0f);
    EXPECT_FLOAT_EQ(g_scriptMeta[player].fields[0].fieldValue, 7.0f);
    EXPECT_EQ(GetEnt(extra), nullptr);

    // The selection of an entity that exists only in play is cleared.
    g_selId = -1;
    StartPlayMode();
    g_selId = AddEnt("Temp", -1)->id;
    StopPlayMode();
    EXPECT_EQ(g_selId, -1);
}

TEST_F(PlayMode, GameRuntimeStartHasNothingToRestore) {
    const int32_t box = AddEnt("Box", -1)->id;
    E(box).hasRigidBody = true;
    E(box).transform.position = Vec3(0, 5, 0);
    StartGameRuntimePlay();
    EXPECT_EQ(CountLog("Game started"), 1);
    EXPECT_TRUE(g_playing && g_showGame && g_playMouseCaptured);
    EXPECT_FALSE(g_playSnapshotValid);
    Frame();
    const float y = E(box).transform.position.y;
    StopPlayMode();
    EXPECT_FLOAT_EQ(E(box).transform.position.y, y);
}

TEST_F(PlayMode, EscapeReleasesTheMouseAndPlayRunsOn) {
    StartPlayMode();
    ReleasePlayMouseForEscape();
    EXPECT_TRUE(g_playing);
    EXPECT_FALSE(g_playMouseCaptured);
    EXPECT_EQ(CountLog("Play mode mouse released (ESC). Use Stop to exit play mode."), 1);
    // Without the capture the mouse no longer turns the player.
    const int32_t player = Scripted("Player", "Player.fs");
    g_dx = 50;
    Frame();
    EXPECT_FLOAT_EQ(E(player).transform.rotation.y, 0.0f);
}

TEST_F(PlayMode, TickHooksAndFrameClamp) {
    g_playHooks.audioUpdate = [] { ++g_audioCalls; };
    g_playHooks.uiRenderCanvas = [](Entity&) { ++g_canvasCalls; };
    AddEnt("A", -1);
    AddEnt("B", -1);
    const int32_t platform = Scripted("Platform", "myplatform.fs");
    StartPlayMode();
    Frame();
    EXPECT_EQ(g_audioCalls, 1);
    EXPECT_EQ(g_canvasCalls, 3);
    // A one-second hitch advances behaviours by 0.05 s like physics.
    g_behaviourTimers.platT = 0;
    Frame(1.0f);
    EXPECT_FLOAT_EQ(g_behaviourTimers.platT, 0.05f);
    EXPECT_FLOAT_EQ(E(platform).transform.position.x, 3.0f * std::sin(0.05f));
    // dt = 0 runs with no motion.
    const Vec3 p = E(platform).transform.position;
    Frame(0.0f);
    EXPECT_FLOAT_EQ(E(platform).transform.position.x, p.x);
}

// --- Guards: nothing done during play reaches the edited scene or its file ---

TEST_F(PlayMode, SaveUndoAndReplaceAreGuardedWhilePlaying) {
    char dir[] = "/tmp/korvane_play_guardXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string scene = std::string(dir) + "/Guard.korvane";
    AddEnt("Edited", -1)->transform.position = Vec3(1, 2, 3);
    ASSERT_TRUE(SaveScene(scene.c_str()));
    auto readAll = [&] {
        std::ifstream in(scene);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    };
    const std::string onDisk = readAll();
    // An edit before play, undoable.
    UndoPushSnapshot(CaptureSceneSnapshot(), "Before Play");
    GetEnt(1)->transform.position.x = 10;
    ASSERT_EQ(g_undoStack.size(), 1u);
    const bool dirtyBefore = g_sceneDirty;

    StartPlayMode();
    EXPECT_FALSE(SaveScene(scene.c_str()));
    EXPECT_EQ(readAll(), onDisk);
    PerformUndo();
    PerformRedo();
    EXPECT_FLOAT_EQ(GetEnt(1)->transform.position.x, 10.0f);
    // Edits during play (the inspector's pushes, a drag) record nothing.
    UndoPushSnapshot(CaptureSceneSnapshot(), "During Play");
    UndoBeginSnapshotFrom(CaptureSceneSnapshot(), "Drag");
    UndoCommitPending(nullptr);
    EXPECT_EQ(g_undoStack.size(), 1u);
    MarkSceneDirty();
    TogglePlayPaused();  // paused is still play
    EXPECT_FALSE(SaveScene(scene.c_str()));
    StopPlayMode("Stop");
    EXPECT_EQ(g_undoStack.size(), 1u);
    EXPECT_STREQ(g_undoStack.back().label, "Before Play");
    EXPECT_EQ(g_sceneDirty, dirtyBefore);
    PerformUndo();
    EXPECT_FLOAT_EQ(GetEnt(1)->transform.position.x, 1.0f);

    // Opening a scene or a new scene during play stops play first: the edited
    // scene is back when the load fails, and replaced when it succeeds.
    StartPlayMode();
    GetEnt(1)->transform.position.x = 50;
    EXPECT_FALSE(LoadScene((std::string(dir) + "/missing.korvane").c_str()));
    EXPECT_FALSE(g_playing || g_playSnapshotValid);
    EXPECT_FLOAT_EQ(GetEnt(1)->transform.position.x, 1.0f);
    StartPlayMode();
    EXPECT_TRUE(LoadScene(scene.c_str()));
    EXPECT_FALSE(g_playing || g_playSnapshotValid);
    StartPlayMode();
    NewScene();
    EXPECT_FALSE(g_playing || g_playSnapshotValid);
    for (const Entity& e : g_ents) EXPECT_STRNE(e.name, "Edited");
    EXPECT_EQ(readAll(), onDisk);
    std::remove(scene.c_str());
    std::remove((scene + ".bak").c_str());
    rmdir(dir);
}

// --- Behaviours ---

TEST_F(PlayMode, DispatchByFileName) {
    const struct {
        const char* path;
        BehaviourKind kind;
    } cases[] = {
        {"Player_Enemy.fs", BehaviourKind::Player}, {"ai/enemy.fs", BehaviourKind::Enemy},
        {"Collectible.fs", BehaviourKind::Spinner}, {"spinner.fs", BehaviourKind::Spinner},
        {"myplatform.fs", BehaviourKind::Platform}, {"PLATFORM.fs", BehaviourKind::None},
        {"players/foo.fs", BehaviourKind::None},    {"", BehaviourKind::None},
        {"Assets/Scripts/PlayerController.fs", BehaviourKind::Player},
    };
    for (const auto& c : cases) EXPECT_EQ(BehaviourForScript(c.path), c.kind) << c.path;
}

TEST_F(PlayMode, PlayerMovementJumpAndLook) {
    const float dt = 0.02f;
    const struct {
        const char* what;
        std::set<int> keys;
        float yaw;
        Vec3 expected;  // position change
    } cases[] = {
        {"W at yaw 0 goes -Z", {87}, 0, Vec3(0, 0, -5 * dt)},
        {"Up arrow too", {265}, 0, Vec3(0, 0, -5 * dt)},
        {"W at yaw 90 goes +X", {87}, 90, Vec3(5 * dt, 0, 0)},
        {"S goes back", {83}, 0, Vec3(0, 0, 5 * dt)},
        {"D goes right", {68}, 0, Vec3(5 * dt, 0, 0)},
        {"W+D is normalised", {87, 68}, 0, Vec3(5 * dt / std::sqrt(2.0f), 0, -5 * dt / std::sqrt(2.0f))},
        {"W+S cancel", {87, 83}, 0, Vec3(0, 0, 0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ResetAll();
        const int32_t p = Scripted("Player", "Player.fs");
        E(p).transform.rotation.y = c.yaw;
        StartPlayMode();
        g_keys = c.keys;
        Frame(dt);
        EXPECT_NEAR(E(p).transform.position.x, c.expected.x, 1e-5f);
        EXPECT_NEAR(E(p).transform.position.y, 0.0f, 1e-5f);
        EXPECT_NEAR(E(p).transform.position.z, c.expected.z, 1e-5f);
    }

    // Exported fields: type must match, the later field wins.
    ResetAll();
    const int32_t p = Scripted("Player", "Player.fs");
    SetField(p, "moveSpeed", ScriptFieldType_Int, 100.0f);  // wrong type: ignored
    SetField(p, "moveSpeed", ScriptFieldType_Float, 8.0f);
    SetField(p, "moveSpeed", ScriptFieldType_Float, 10.0f);
    SetField(p, "jumpForce", ScriptFieldType_Float, std::numeric_limits<float>::quiet_NaN());
    EXPECT_FLOAT_EQ(ReadPlayerParams(&g_scriptMeta[p]).moveSpeed, 10.0f);
    EXPECT_FLOAT_EQ(ReadPlayerParams(&g_scriptMeta[p]).jumpForce, 8.0f);

    // Jump: Space already held when play starts does not jump; a new press
    // does, once; holding does not repeat.
    E(p).hasRigidBody = true;
    E(p).rigidBody.useGravity = false;
    g_keys = {32};
    StartPlayMode();
    Frame(dt);
    EXPECT_FLOAT_EQ(E(p).rigidBody.velocity.y, 0.0f);
    g_keys.clear();
    Frame(dt);
    g_keys = {32};
    Frame(dt);
    EXPECT_FLOAT_EQ(E(p).rigidBody.velocity.y, 8.0f);
    E(p).rigidBody.velocity.y = 0;
    E(p).transform.position.y = 0;
    Frame(dt);
    EXPECT_FLOAT_EQ(E(p).rigidBody.velocity.y, 0.0f);
    // Airborne (above 0.1): no jump.
    g_keys.clear();
    Frame(dt);
    E(p).transform.position.y = 0.5f;
    g_keys = {32};
    Frame(dt);
    EXPECT_FLOAT_EQ(E(p).rigidBody.velocity.y, 0.0f);
    StopPlayMode();

    // Without a rigid body the jump lifts the position once.
    ResetAll();
    const int32_t q = Scripted("Player", "Player.fs");
    StartPlayMode();
    g_keys = {32};
    Frame(dt);
    EXPECT_NEAR(E(q).transform.position.y, 8.0f * dt, 1e-6f);

    // Look: sensitivity times the mouse delta, pitch clamped to 89.
    g_keys.clear();
    g_dx = 10;
    g_dy = 20;
    Frame(dt);
    EXPECT_NEAR(E(q).transform.rotation.y, 1.5f, 1e-5f);
    EXPECT_NEAR(E(q).transform.rotation.x, 3.0f, 1e-5f);
    g_dy = 10000;
    Frame(dt);
    EXPECT_FLOAT_EQ(E(q).transform.rotation.x, 89.0f);
}

TEST_F(PlayMode, CameraChoiceAndFollow) {
    // camTarget: an entity with a camera; else (none, not a camera, not a
    // valid id) the first enabled camera.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        const char* what;
        float camTarget;
        bool targetIsSecond;
    } cases[] = {
        {"named camera", 3, true},
        {"not a camera", 1, false},
        {"not finite", nan, false},
        {"beyond int range", 1e20f, false},
        {"not whole", 3.5f, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ResetAll();
        const int32_t p = Scripted("Player", "Player.fs");   // id 1
        const int32_t first = CameraAt(Vec3(0, 50, 0));      // id 2
        const int32_t second = CameraAt(Vec3(0, 50, 0));     // id 3
        SetField(p, "camTarget", ScriptFieldType_Entity, c.camTarget);
        StartPlayMode();
        Frame();
        const bool firstMoved = E(first).transform.position.y != 50.0f;
        const bool secondMoved = E(second).transform.position.y != 50.0f;
        EXPECT_EQ(secondMoved, c.targetIsSecond);
        EXPECT_EQ(firstMoved, !c.targetIsSecond);
    }

    // Third person: after 2 s the camera sits behind and above the player
    // and looks at it (within 25 degrees).
    ResetAll();
    const int32_t p = Scripted("Player", "Player.fs", Vec3(2, 0, -3));
    E(p).transform.rotation.y = 30;
    const int32_t cam = CameraAt(Vec3(15, 6, 15));
    E(cam).transform.rotation.y = -170;
    StartPlayMode();
    for (int i = 0; i < 100; ++i) Frame(0.02f);
    const Vec3 c = E(cam).transform.position;
    const float yaw = 30 * kPi / 180;
    EXPECT_NEAR(c.x, 2 - 10 * std::sin(yaw), 0.01f);
    EXPECT_NEAR(c.y, 3.0f, 0.01f);
    EXPECT_NEAR(c.z, -3 + 10 * std::cos(yaw), 0.01f);
    const Vec3 toPlayer = (E(p).transform.position - c).norm();
    const float angle = std::acos(std::clamp(GameCameraForward(E(cam).transform.rotation).dot(toPlayer), -1.0f, 1.0f));
    EXPECT_LT(angle * 180 / kPi, 25.0f);

    // The follow never overshoots, whatever the rate and frame length.
    PlayerParams fast;
    fast.camSmooth = 1000;
    E(cam).transform.position = Vec3(0, 100, 0);
    RunPlayer(E(p), fast, 0.05f);
    EXPECT_LE(E(cam).transform.position.y, 100.0f);
    EXPECT_GE(E(cam).transform.position.y, 3.0f - 1e-3f);

    // First person: towards the eye point, rotation copied.
    PlayerParams fp;
    fp.firstPerson = true;
    E(p).transform.rotation = Vec3(10, 45, 0);
    for (int i = 0; i < 200; ++i) RunPlayer(E(p), fp, 0.02f);
    EXPECT_NEAR(E(cam).transform.position.y, 1.7f, 1e-3f);
    EXPECT_FLOAT_EQ(E(cam).transform.rotation.y, 45.0f);
    EXPECT_FLOAT_EQ(E(cam).transform.rotation.x, 10.0f);

    // A scene without a camera still moves the player.
    ResetAll();
    const int32_t lone = Scripted("Player", "Player.fs");
    StartPlayMode();
    g_keys = {87};
    Frame();
    EXPECT_LT(E(lone).transform.position.z, 0.0f);
}

TEST_F(PlayMode, EnemyChasesOrPatrols) {
    const float dt = 0.02f;
    // Chase: within range it closes in at chaseSpeed and faces the player.
    Scripted("Player", "Scripts/Player.fs", Vec3(0, 0, 0));
    const int32_t enemy = Scripted("Enemy", "ai/enemy.fs", Vec3(4, 0, 0));
    StartPlayMode();
    Frame(dt);
    EXPECT_NEAR(E(enemy).transform.position.x, 4 - 5 * dt, 1e-5f);
    EXPECT_NEAR(E(enemy).transform.rotation.y, -90.0f, 1e-3f);
    StopPlayMode();

    const struct {
        const char* what;
        const char* playerScript;
        bool playerEnabled;
        Vec3 playerPos;
    } patrols[] = {
        {"out of range", "Player.fs", true, Vec3(20, 0, 0)},
        {"player disabled", "Player.fs", false, Vec3(1, 0, 0)},
        {"only the folder says player", "players/foo.fs", true, Vec3(1, 0, 0)},
    };
    for (const auto& c : patrols) {
        SCOPED_TRACE(c.what);
        ResetAll();
        const int32_t pl = Scripted("Player", c.playerScript, c.playerPos);
        E(pl).enabled = c.playerEnabled;
        const int32_t en = Scripted("Enemy", "Enemy.fs", Vec3(0, 0, 0));
        StartPlayMode();
        Frame(dt);
        EXPECT_FLOAT_EQ(E(en).transform.position.x, 0.0f);
        EXPECT_NEAR(E(en).transform.position.z, std::sin(dt) * 2 * dt, 1e-7f);
    }

    // Two enemies advance the shared patrol timer twice per frame.
    ResetAll();
    Scripted("E1", "Enemy.fs");
    Scripted("E2", "Enemy.fs");
    StartPlayMode();
    Frame(dt);
    EXPECT_FLOAT_EQ(g_behaviourTimers.patrolT, 2 * dt);
}

TEST_F(PlayMode, SpinnerAndPlatform) {
    const float dt = 0.02f;
    const int32_t s = Scripted("Orb", "Collectible.fs", Vec3(5, 9, 5));
    SetField(s, "spinSpeed", ScriptFieldType_Float, 180.0f);
    const int32_t plat = Scripted("Lift", "myplatform.fs", Vec3(0, 0, 7));
    StartPlayMode();
    Frame(dt);
    EXPECT_NEAR(E(s).transform.rotation.y, 180 * dt, 1e-5f);
    EXPECT_NEAR(E(s).transform.position.y, 1.5f + 0.3f * std::sin(dt * 2), 1e-6f);
    EXPECT_FLOAT_EQ(E(s).transform.position.x, 5.0f);
    EXPECT_NEAR(E(plat).transform.position.x, 3 * std::sin(dt), 1e-6f);
    EXPECT_NEAR(E(plat).transform.position.y, 1 + 0.5f * std::sin(0.7f * dt), 1e-6f);
    EXPECT_FLOAT_EQ(E(plat).transform.position.z, 7.0f);
    // Disabled scripted entities do nothing.
    E(plat).enabled = false;
    const Vec3 before = E(plat).transform.position;
    Frame(dt);
    EXPECT_FLOAT_EQ(E(plat).transform.position.x, before.x);
}

// --- One view convention for every game camera ---

TEST_F(PlayMode, EveryGameCameraLooksTheSameWay) {
    const struct {
        Vec3 rotation;
        Vec3 dir;
    } cases[] = {{Vec3(0, 0, 0), Vec3(0, 0, -1)},
                 {Vec3(0, 90, 0), Vec3(1, 0, 0)},
                 {Vec3(0, 180, 0), Vec3(0, 0, 1)},
                 {Vec3(30, -90, 0), Vec3(-std::cos(kPi / 6), std::sin(kPi / 6), 0)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rotation.y);
        ResetAll();
        const int32_t id = CameraAt(Vec3(1, 2, 3));
        E(id).transform.rotation = c.rotation;
        const Vec3 f = GameCameraForward(c.rotation);
        EXPECT_NEAR(f.x, c.dir.x, 1e-5f);
        EXPECT_NEAR(f.y, c.dir.y, 1e-5f);
        EXPECT_NEAR(f.z, c.dir.z, 1e-5f);
        // A point ahead of the camera lands at the centre of the Game panel,
        // the camera preview and the built game.
        const Vec3 ahead = Vec3(1, 2, 3) + c.dir * 4.0f;
        const GameViewCamera gv = ChooseGameViewCamera(g_ents, Vec3(0, 0, 0), Vec3(0, 0, -1));
        EXPECT_EQ(gv.cameraId, id);
        const Mat4 views[] = {m_mul(GameViewProjection(64, 64), GameViewMatrix(gv)),
                              CameraEntityView(E(id), 64, 64).viewProj, GameDirectView(g_ents, 64, 64).viewProj};
        for (const Mat4& vp : views) {
            const Vec3 ndc = m_mulPt(vp, ahead);
            EXPECT_NEAR(ndc.x, 0.0f, 1e-4f);
            EXPECT_NEAR(ndc.y, 0.0f, 1e-4f);
            EXPECT_LT(std::fabs(ndc.z), 1.0f);
        }
    }
    // The player's camera turns to face the player with the same convention:
    // a player due +X of the camera gives yaw 90.
    EXPECT_NEAR(GameCameraYawTowards(1, 0), 90.0f, 1e-4f);
    EXPECT_NEAR(GameCameraYawTowards(0, -1), 0.0f, 1e-4f);
}

TEST_F(PlayMode, GameViewChoicesAndWords) {
    // No camera: the editor camera; a disabled camera is skipped.
    GameViewCamera v = ChooseGameViewCamera(g_ents, Vec3(1, 2, 3), Vec3(4, 5, 6));
    EXPECT_EQ(v.cameraId, -1);
    EXPECT_FLOAT_EQ(v.eye.x, 1.0f);
    EXPECT_FLOAT_EQ(v.target.z, 6.0f);
    const int32_t off = CameraAt(Vec3(0, 0, 0));
    E(off).enabled = false;
    const int32_t on = CameraAt(Vec3(0, 1, 0));
    v = ChooseGameViewCamera(g_ents, Vec3(1, 2, 3), Vec3(4, 5, 6));
    EXPECT_EQ(v.cameraId, on);
    EXPECT_NEAR(v.target.z, -10.0f, 1e-5f);

    EXPECT_STREQ(GamePanelStatusWord(false, false, false), "Stopped");
    EXPECT_STREQ(GamePanelStatusWord(true, true, false), "Paused");
    EXPECT_STREQ(GamePanelStatusWord(true, false, true), "Playing - Mouse Captured");
    EXPECT_STREQ(GamePanelStatusWord(true, false, false), "Playing - Mouse Free");
    int w = 0, h = 0;
    GameTargetSize(10, 20, &w, &h);
    EXPECT_EQ(w, 32);
    EXPECT_EQ(h, 32);
    GameTargetSize(640.7f, 480.2f, &w, &h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    EXPECT_FALSE(GameTargetNeedsResize(640, 480, 640, 480));
    EXPECT_TRUE(GameTargetNeedsResize(640, 480, 641, 480));
}

}  // namespace
