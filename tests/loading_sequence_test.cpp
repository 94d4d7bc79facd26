// The loading sequence without a window: which steps run in which frame for
// a fresh process and for a second project, the progress shown, refusing a
// project switch during an import or build, and the project steps for real
// (folders, script seeding, the scene choice, the starter scene).

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/shell/LoadingSequence.h"
#include "editor/legacy/base/ProjectPaths.h"
#include "editor/legacy/files/SceneFile.h"
#include "editor/legacy/shell/ShellLogic.h"
#include "editor/legacy/scene/Undo.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

void WriteFile(const fs::path& p, const std::string& text) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
}

bool HasLogLine(const std::string& text, int level) {
    for (const LogEntry& e : LogSnapshot()) {
        if (e.text == text && e.level == level) return true;
    }
    return false;
}

class Loading : public ::testing::Test {
protected:
    fs::path tmp, assets, project;

    void SetUp() override {
        char tmpl[] = "/tmp/korvane_loading_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        tmp = tmpl;
        assets = tmp / "Resources";
        project = tmp / "MyGame";
        WriteFile(assets / "scripts" / "player.fs", "-- @export float moveSpeed 5.0\nreturn function(self, dt) end\n");
        WriteFile(assets / "scripts" / "enemy.fs", "return function(self, dt) end\n");
        g_assetRoot = assets.string();
        ASSERT_TRUE(SetProjectRoot(project.string()));
        ResetState();
    }
    void TearDown() override {
        ResetState();
        g_projectRoot[0] = '\0';
        fs::remove_all(tmp);
    }
    static void ResetState() {
        ResetLoadingSteps();
        g_loadingHooks = LoadingHooks{};
        g_runtimeCoreInitialized = false;
        g_loadingStep = kLoadingDoneStep;
        g_state = 0;
        g_gameBuild = false;
        g_playing = g_playPaused = false;
        g_stopPlayModeHook = nullptr;
        NewScene();
        LogClear();
    }

    // Replaces every step with a recorder; returns the steps run per frame.
    std::vector<std::vector<int>> RunFrames(int maxFrames = 50) {
        std::vector<std::vector<int>> frames;
        for (int f = 0; f < maxFrames && g_state == 1; ++f) {
            current.clear();
            AdvanceLoadingWork();
            frames.push_back(current);
        }
        return frames;
    }
    void RecordAllSteps() {
        for (int i = 0; i < kLoadingStepCount; ++i) {
            g_loadingSteps[i].work = [this, i] {
                current.push_back(i);
                if (i == 10) g_state = 2;
                return true;
            };
        }
    }
    std::vector<int> current;
};

using Frames = std::vector<std::vector<int>>;

TEST_F(Loading, FreshProcessRunsAllStepsWithBatchBudgets) {
    RecordAllSteps();
    ASSERT_TRUE(BeginProjectLoading());
    EXPECT_EQ(g_state, 1);
    EXPECT_EQ(g_loadingStep, 0);
    EXPECT_STREQ(g_loadMsg, "Preparing project...");
    // One step in the first frame, then up to four, cut after the heavy ones.
    EXPECT_EQ(RunFrames(), (Frames{{0}, {1}, {2}, {3, 4, 5}, {6}, {7, 8}, {9, 10}}));
    EXPECT_EQ(g_state, 2);
    EXPECT_EQ(g_loadingStep, kLoadingDoneStep);
    EXPECT_TRUE(g_runtimeCoreInitialized);
    EXPECT_EQ(g_loaderPresentedFrames, 7);

    // Finished: nothing more runs.
    current.clear();
    AdvanceLoadingWork();
    EXPECT_TRUE(current.empty());
}

TEST_F(Loading, SecondProjectStartsAtTheProjectSteps) {
    RecordAllSteps();
    g_runtimeCoreInitialized = true;
    ASSERT_TRUE(BeginProjectLoading());
    EXPECT_EQ(g_loadingFirstStep, 8);
    UpdateLoadingProgress();
    EXPECT_EQ(g_loadProg, 0.0f);
    EXPECT_STREQ(g_loadMsg, "Opening project scene...");
    EXPECT_EQ(RunFrames(), (Frames{{8}, {9, 10}}));
    EXPECT_EQ(g_state, 2);
}

TEST_F(Loading, OneTimeStepsSkipTheirWorkOnceInitialised) {
    RecordAllSteps();
    ASSERT_TRUE(BeginProjectLoading());
    g_runtimeCoreInitialized = true;  // as if another loading got there first
    Frames frames = RunFrames();
    std::vector<int> ran;
    for (const auto& f : frames) ran.insert(ran.end(), f.begin(), f.end());
    EXPECT_EQ(ran, (std::vector<int>{0, 3, 7, 8, 9, 10}));
}

TEST_F(Loading, RepeatingStepWaitsForTheNextFrame) {
    RecordAllSteps();
    int iconRuns = 0;
    g_loadingSteps[7].work = [&] {
        current.push_back(7);
        return ++iconRuns >= 3;
    };
    ASSERT_TRUE(BeginProjectLoading());
    EXPECT_EQ(RunFrames(), (Frames{{0}, {1}, {2}, {3, 4, 5}, {6}, {7}, {7}, {7, 8}, {9, 10}}));
    EXPECT_TRUE(g_runtimeCoreInitialized);
}

TEST_F(Loading, ProgressAndMessages) {
    struct Case {
        int first, step;
        float progress;
    } cases[] = {
        {0, 0, 0.0f},        {0, 5, 5.0f / 11},  {0, 10, 10.0f / 11}, {0, 11, 10.0f / 11},
        {8, 8, 0.0f},        {8, 9, 1.0f / 3},   {8, 10, 2.0f / 3},   {8, 3, 0.0f},
        {-4, 1, 1.0f / 11},  {10, 11, 0.0f},
    };
    for (const Case& c : cases) {
        EXPECT_FLOAT_EQ(LoadingProgressFor(c.first, c.step), c.progress) << c.first << "/" << c.step;
    }
    EXPECT_STREQ(LoadingMessageFor(1), "Building mesh geometry...");
    EXPECT_STREQ(LoadingMessageFor(7), "Preparing editor icons...");
    EXPECT_STREQ(LoadingMessageFor(11), "Opening editor...");
    EXPECT_STREQ(LoadingMessageFor(12), "");
    g_loadingFirstStep = 0;
    g_loadingStep = 11;
    UpdateLoadingProgress();
    EXPECT_STREQ(g_loadMsg, "Starting editor interface...");
}

TEST_F(Loading, NothingRunsOutsideTheLoadingState) {
    RecordAllSteps();
    g_loadingStep = 3;
    g_state = 2;
    AdvanceLoadingWork();
    EXPECT_TRUE(current.empty());
    EXPECT_EQ(g_loadingStep, 3);
}

TEST_F(Loading, SwitchRefusedWhileImportOrBuildRuns) {
    g_state = 2;
    g_loadingHooks.modelImportRunning = [] { return true; };
    EXPECT_FALSE(BeginProjectLoading());
    EXPECT_EQ(g_state, 2);
    g_loadingHooks.modelImportRunning = [] { return false; };
    g_loadingHooks.buildRunning = [] { return true; };
    EXPECT_FALSE(BeginProjectLoading());
    EXPECT_EQ(g_state, 2);
    EXPECT_EQ(LogCount(), 2u);
    g_loadingHooks.buildRunning = nullptr;
    EXPECT_TRUE(BeginProjectLoading());
    EXPECT_EQ(g_state, 1);

    g_projectRoot[0] = '\0';
    g_state = 0;
    EXPECT_FALSE(BeginProjectLoading());
    EXPECT_EQ(g_state, 0);
}

TEST_F(Loading, SwitchStopsPlayAndClearsUndo) {
    static int stops = 0;
    stops = 0;
    g_stopPlayModeHook = [] {
        ++stops;
        g_playing = false;
    };
    AddEnt("Something", -1);
    UndoPushSnapshot(CaptureSceneSnapshot(), "Add");
    ASSERT_FALSE(g_undoStack.empty());
    g_playing = true;
    g_showGame = true;
    ASSERT_TRUE(BeginProjectLoading());
    EXPECT_EQ(stops, 1);
    EXPECT_FALSE(g_playing);
    EXPECT_TRUE(g_undoStack.empty());
    EXPECT_TRUE(g_redoStack.empty());
    // Editor panels go back to their defaults for the new project.
    EXPECT_FALSE(g_showGame);
    EXPECT_TRUE(g_showHier);
    EXPECT_TRUE(g_useDefaultEditorLayout);
}

// ---- Project steps for real ----------------------------------------------------

TEST_F(Loading, FreshProjectGetsTheSavedStarterScene) {
    ASSERT_TRUE(BeginProjectLoading());
    RunFrames();
    ASSERT_EQ(g_state, 2);
    const fs::path scene = project / "Assets" / "Scenes" / "Default.korvane";
    EXPECT_TRUE(fs::is_regular_file(scene));
    EXPECT_EQ(std::string(g_scenePath), scene.string());
    EXPECT_FALSE(g_sceneDirty);
    for (const char* dir : {"Assets", "Assets/Scenes", "Assets/Scripts", "Library"}) {
        EXPECT_TRUE(fs::is_directory(project / dir)) << dir;
    }
    ASSERT_EQ(g_ents.size(), 9u);
    std::vector<std::string> names;
    for (const Entity& e : g_ents) names.push_back(e.name);
    for (const char* n : {"Main Camera", "Sun Directional Light", "Player", "Health Orb", "Pillar", "Ring", "Spike",
                          "Enemy", "CameraFollow"}) {
        EXPECT_NE(std::find(names.begin(), names.end(), n), names.end()) << n;
    }
    auto find = [](const char* name) -> const Entity* {
        for (const Entity& e : g_ents) {
            if (std::strcmp(e.name, name) == 0) return &e;
        }
        return nullptr;
    };
    const Entity* player = find("Player");
    ASSERT_NE(player, nullptr);
    EXPECT_TRUE(player->hasMesh);
    EXPECT_EQ(player->mesh.shape, 0);
    EXPECT_TRUE(player->hasRigidBody);
    EXPECT_TRUE(player->hasScript);
    EXPECT_STREQ(player->script.scriptPath, "player.fs");
    EXPECT_FLOAT_EQ(player->transform.position.y, 1.0f);
    const Entity* orb = find("Health Orb");
    ASSERT_NE(orb, nullptr);
    EXPECT_EQ(orb->mesh.shape, 1);
    EXPECT_FLOAT_EQ(orb->transform.scale.x, 0.6f);
    EXPECT_EQ(find("Pillar")->mesh.shape, 2);
    EXPECT_FLOAT_EQ(find("Pillar")->transform.scale.y, 2.0f);
    EXPECT_EQ(find("Ring")->mesh.shape, 4);
    EXPECT_EQ(find("Spike")->mesh.shape, 3);
    EXPECT_STREQ(find("Enemy")->script.scriptPath, "enemy.fs");
    EXPECT_FALSE(find("Enemy")->hasRigidBody);
    const Entity* cam = find("CameraFollow");
    EXPECT_TRUE(cam->hasCamera);
    EXPECT_FALSE(cam->hasMesh);
    EXPECT_FLOAT_EQ(cam->transform.position.z, 8.0f);
    for (const Entity& e : g_ents) EXPECT_EQ(e.parent, -1) << e.name;
    EXPECT_EQ(g_renameEntId, -1);
    EXPECT_TRUE(HasLogLine("Korvane Editor v0.4.0 - Ready", 2));
    EXPECT_TRUE(g_pendingEditorWindowExpand);

    // The scripts were seeded.
    EXPECT_TRUE(fs::is_regular_file(project / "Assets" / "Scripts" / "player.fs"));
    EXPECT_TRUE(fs::is_regular_file(project / "Assets" / "Scripts" / "enemy.fs"));
}

TEST_F(Loading, ExistingScenesAreOpenedFirstByName) {
    const fs::path scenes = project / "Assets" / "Scenes";
    fs::create_directories(scenes);
    NewScene();
    AddEnt("FromLevel1", -1);
    ASSERT_TRUE(SaveScene((scenes / "Level1.korvane").c_str()));
    NewScene();
    AddEnt("FromLevel2", -1);
    ASSERT_TRUE(SaveScene((scenes / "Level2.korvane").c_str()));
    fs::create_directories(scenes / "A.korvane");  // a folder is no scene
    WriteFile(scenes / "Notes.txt", "x");
    NewScene();

    EXPECT_EQ(ChooseProjectSceneFile(scenes.string()), (scenes / "Level1.korvane").string());
    LoadingOpenProjectScene();
    EXPECT_EQ(std::string(g_scenePath), (scenes / "Level1.korvane").string());
    ASSERT_NE(std::find_if(g_ents.begin(), g_ents.end(),
                           [](const Entity& e) { return std::strcmp(e.name, "FromLevel1") == 0; }),
              g_ents.end());
    EXPECT_FALSE(fs::exists(scenes / "Default.korvane")) << "an existing scene is opened, not replaced";

    // "Default.korvane" wins over any other name.
    fs::copy_file(scenes / "Level2.korvane", scenes / "Default.korvane");
    EXPECT_EQ(ChooseProjectSceneFile(scenes.string()), (scenes / "Default.korvane").string());
    EXPECT_EQ(ChooseProjectSceneFile((tmp / "nowhere").string()), "");
}

TEST_F(Loading, BrokenSceneFallsBackToANewScene) {
    // A scene that cannot be read at all (here: a folder in its place).
    fs::create_directories(project / "Assets" / "Scenes" / "Default.korvane");
    LoadingOpenProjectScene();
    EXPECT_TRUE(HasLogLine("Project load: scene failed, opening a safe new scene instead.", 4));
    EXPECT_EQ(g_ents.size(), 2u);
}

TEST_F(Loading, GameRuntimeWithoutScenesOpensTheEmptyScene) {
    g_gameBuild = true;
    fs::create_directories(project / "Assets" / "Scenes");
    AddEnt("Leftover", -1);
    LoadingOpenProjectScene();
    const std::string line = "Built game could not find a .korvane scene in " + (project / "Assets" / "Scenes").string() +
                             "; opening safe empty scene.";
    EXPECT_TRUE(HasLogLine(line, 4));
    EXPECT_EQ(g_ents.size(), 2u);
    EXPECT_FALSE(fs::exists(project / "Library")) << "a game creates no folders";
    EXPECT_FALSE(fs::exists(project / "Assets" / "Scripts"));

    g_splashState = 3;
    LoadingStartEditor();
    EXPECT_EQ(g_splashState, 0);
    EXPECT_EQ(g_state, 2);
}

// ---- Script seeding ---------------------------------------------------------------

TEST_F(Loading, SeedingCopiesOnlyMissingScriptsAndNeverOverwrites) {
    const fs::path scripts = project / "Assets" / "Scripts";
    WriteFile(scripts / "player.fs", "-- my own player\n");
    ASSERT_TRUE(SeedProjectScripts(assets.string(), project.string()));
    EXPECT_EQ(ReadFile(scripts / "player.fs"), "-- my own player\n");
    EXPECT_EQ(ReadFile(scripts / "enemy.fs"), "return function(self, dt) end\n");
    const std::string marker = ReadFile(project / "Library" / ".scripts_seeded");
    EXPECT_EQ(marker, std::to_string(ScriptSourceStamp((assets / "scripts").string())));

    // A deleted script stays deleted while the marker matches...
    fs::remove(scripts / "enemy.fs");
    ASSERT_TRUE(SeedProjectScripts(assets.string(), project.string()));
    EXPECT_FALSE(fs::exists(scripts / "enemy.fs"));
    // ...and comes back once the built-in folder changes.
    struct timespec times[2] = {{1000000, 0}, {1000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, (assets / "scripts").c_str(), times, 0), 0);
    ASSERT_TRUE(SeedProjectScripts(assets.string(), project.string()));
    EXPECT_TRUE(fs::exists(scripts / "enemy.fs"));
    EXPECT_EQ(ReadFile(scripts / "player.fs"), "-- my own player\n");
    EXPECT_EQ(ReadFile(project / "Library" / ".scripts_seeded"), "1000000");
}

TEST_F(Loading, SeedingNeverFollowsLinksAndSkipsHiddenNames) {
    WriteFile(tmp / "outside" / "secret.fs", "outside");
    fs::create_directory_symlink(tmp / "outside", assets / "scripts" / "linked");
    fs::create_symlink(tmp / "outside" / "secret.fs", assets / "scripts" / "alias.fs");
    WriteFile(assets / "scripts" / ".hidden.fs", "x");
    WriteFile(assets / "scripts" / "kelmar" / "door.fs", "door");
    // A dangling link in the project is not written through.
    fs::create_directories(project / "Assets" / "Scripts");
    fs::create_symlink(tmp / "elsewhere.fs", project / "Assets" / "Scripts" / "enemy.fs");

    ASSERT_TRUE(CopyScriptsMissingOnly((assets / "scripts").string(), (project / "Assets" / "Scripts").string()));
    const fs::path dst = project / "Assets" / "Scripts";
    EXPECT_FALSE(fs::exists(fs::symlink_status(dst / "linked")));
    EXPECT_FALSE(fs::exists(fs::symlink_status(dst / "alias.fs")));
    EXPECT_FALSE(fs::exists(dst / ".hidden.fs"));
    EXPECT_EQ(ReadFile(dst / "kelmar" / "door.fs"), "door");
    EXPECT_TRUE(fs::is_symlink(dst / "enemy.fs"));
    EXPECT_FALSE(fs::exists(tmp / "elsewhere.fs"));
}

TEST_F(Loading, FailedSeedingKeepsNoMarkerAndIsRetried) {
    // A file where the scripts folder belongs: every copy fails.
    WriteFile(project / "Assets" / "Scripts", "in the way");
    fs::create_directories(project / "Library");
    EXPECT_FALSE(SeedProjectScripts(assets.string(), project.string()));
    EXPECT_FALSE(fs::exists(project / "Library" / ".scripts_seeded"));

    fs::remove(project / "Assets" / "Scripts");
    EXPECT_TRUE(SeedProjectScripts(assets.string(), project.string()));
    EXPECT_TRUE(fs::exists(project / "Assets" / "Scripts" / "player.fs"));
    EXPECT_TRUE(fs::exists(project / "Library" / ".scripts_seeded"));
}

TEST_F(Loading, MissingScriptSourceSeedsNothing) {
    fs::remove_all(assets / "scripts");
    EXPECT_TRUE(SeedProjectScripts(assets.string(), project.string()));
    EXPECT_EQ(ReadFile(project / "Library" / ".scripts_seeded"), "0");
    EXPECT_FALSE(fs::exists(project / "Assets" / "Scripts" / "player.fs"));
}

}  // namespace
