// The recovery copy: where it lives (one per scene path, never outside the
// recovery folder), that the autosave writes only it (the scene file's bytes
// and time, g_scenePath, the dirty mark and the log stay), that an opened
// scene with a newer copy offers it, and that a real save removes it.

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <stdlib.h>

#include <gtest/gtest.h>

#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/base/ProjectPaths.h"
#include "editor/legacy/files/SceneFile.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/shell/SceneRecovery.h"
#include "editor/legacy/shell/ShellLogic.h"
#include "tests/support/SceneModel.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream f(path);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

bool Logged(const std::string& text) {
    for (const LogEntry& e : LogSnapshot())
        if (e.text.find(text) != std::string::npos) return true;
    return false;
}

TEST(RecoveryCopyPath, OnePerSceneAndInsideTheRecoveryFolder) {
    struct Case {
        const char* scene;
        const char* root;
        const char* copy;  // "" = none
    } const cases[] = {
        {"/p/Game/Assets/Scenes/Default.korvane", "/p/Game", "/p/Game/Library/Recovery/Assets/Scenes/Default.korvane"},
        {"/p/Game/Assets/Levels/Default.korvane", "/p/Game/", "/p/Game/Library/Recovery/Assets/Levels/Default.korvane"},
        {"/p/Game/Assets//Scenes/A.korvane", "/p/Game", "/p/Game/Library/Recovery/Assets/Scenes/A.korvane"},
        {"/elsewhere/A.korvane", "/p/Game", "/p/Game/Library/Recovery/External/elsewhere/A.korvane"},
        {"/p/GameTwo/A.korvane", "/p/Game", "/p/Game/Library/Recovery/External/p/GameTwo/A.korvane"},
        {"/p/Game/Assets/../../etc/passwd", "/p/Game", ""},
        {"/p/Game/./Assets/A.korvane", "/p/Game", ""},
        {"", "/p/Game", ""},
        {"/p/Game/A.korvane", "", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(RecoveryCopyPath(c.scene, c.root), c.copy) << c.scene;
}

class SceneRecovery : public ::testing::Test {
protected:
    std::string root, scene;
    void SetUp() override {
        char tmpl[] = "/tmp/korvane_recovery_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root = tmpl;
        fs::create_directories(root + "/Assets/Scenes");
        ASSERT_TRUE(SetProjectRoot(root));
        korvane::test::ResetSceneModel();
        g_playing = false;
        g_state = 2;
        g_gameBuild = false;
        InstallSceneRecovery();
        scene = root + "/Assets/Scenes/Default.korvane";
        AddEnt("Saved", -1);
        ASSERT_TRUE(SaveScene(scene.c_str()));
        g_recoveryOffer = RecoveryOffer();
        LogClear();
    }
    void TearDown() override {
        g_sceneLoadedHook = nullptr;
        g_sceneSavedHook = nullptr;
        g_recoveryOffer = RecoveryOffer();
        g_state = 0;
        g_scenePath[0] = '\0';
        g_sceneDirty = false;
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    void AgeScene() { fs::last_write_time(scene, fs::last_write_time(scene) - std::chrono::seconds(10)); }
};

TEST_F(SceneRecovery, AutosaveWritesOnlyTheCopy) {
    AgeScene();
    const std::string bytes = ReadAll(scene);
    const auto time = fs::last_write_time(scene);
    AddEnt("Unsaved", -1);
    ASSERT_TRUE(g_sceneDirty);
    ASSERT_TRUE(WriteRecoveryCopy());
    EXPECT_EQ(ReadAll(scene), bytes);
    EXPECT_EQ(fs::last_write_time(scene), time);
    EXPECT_EQ(std::string(g_scenePath), scene);
    EXPECT_TRUE(g_sceneDirty) << "the copy is not a save";
    EXPECT_FALSE(Logged("Scene saved"));
    const std::string copy = RecoveryCopyPath(scene, root);
    EXPECT_NE(ReadAll(copy).find("\"Unsaved\""), std::string::npos);
    EXPECT_FALSE(fs::exists(copy + ".tmp"));
    EXPECT_FALSE(fs::exists(copy + ".bak"));

}

TEST_F(SceneRecovery, NoCopyWhilePlaying) {
    AddEnt("Played", -1);
    g_playing = true;
    EXPECT_FALSE(WriteRecoveryCopy());
    g_playing = false;
    EXPECT_FALSE(fs::exists(RecoveryCopyPath(scene, root)));
}

TEST_F(SceneRecovery, OpeningOffersOnlyANewerCopy) {
    AddEnt("Unsaved", -1);
    AgeScene();
    ASSERT_TRUE(WriteRecoveryCopy());
    ASSERT_TRUE(LoadScene(scene.c_str()));
    ASSERT_TRUE(g_recoveryOffer.active);
    EXPECT_EQ(g_recoveryOffer.scenePath, scene);
    EXPECT_EQ(RecoveryQuestion(g_recoveryOffer).rfind("Recover unsaved changes from ", 0), 0u);

    // A scene saved after the copy was written offers nothing.
    fs::last_write_time(scene, fs::last_write_time(RecoveryCopyPath(scene, root)) + std::chrono::seconds(10));
    ASSERT_TRUE(LoadScene(scene.c_str()));
    EXPECT_FALSE(g_recoveryOffer.active);
}

TEST_F(SceneRecovery, RecoverKeepsTheSceneFileUntilSavedAndSaveRemovesTheCopy) {
    const std::string bytes = ReadAll(scene);
    AddEnt("Unsaved", -1);
    AgeScene();
    ASSERT_TRUE(WriteRecoveryCopy());
    const std::string copy = RecoveryCopyPath(scene, root);
    ASSERT_TRUE(LoadScene(scene.c_str()));
    ASSERT_TRUE(AcceptRecoveryOffer());
    EXPECT_EQ(std::string(g_scenePath), scene);
    EXPECT_TRUE(g_sceneDirty);
    EXPECT_EQ(g_ents.size(), 2u);
    EXPECT_EQ(ReadAll(scene), bytes);
    EXPECT_TRUE(fs::exists(copy));
    ASSERT_TRUE(SaveScene(g_scenePath));
    EXPECT_FALSE(fs::exists(copy));
    EXPECT_NE(ReadAll(scene).find("\"Unsaved\""), std::string::npos);
}

TEST_F(SceneRecovery, DiscardDeletesAndSaveAsRemovesTheOldCopy) {
    AddEnt("Unsaved", -1);
    AgeScene();
    ASSERT_TRUE(WriteRecoveryCopy());
    const std::string copy = RecoveryCopyPath(scene, root);
    ASSERT_TRUE(LoadScene(scene.c_str()));
    DiscardRecoveryOffer();
    EXPECT_FALSE(fs::exists(copy));
    EXPECT_EQ(g_ents.size(), 1u);

    AddEnt("Again", -1);
    ASSERT_TRUE(WriteRecoveryCopy());
    ASSERT_TRUE(fs::exists(copy));
    ASSERT_TRUE(SaveScene((root + "/Assets/Scenes/Renamed.korvane").c_str()));
    EXPECT_FALSE(fs::exists(copy)) << "the scene's content is saved, under its new name";
}

} // namespace
