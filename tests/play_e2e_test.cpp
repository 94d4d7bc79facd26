// Play mode end to end on the real executable under a private Xvfb: open the
// sample project, press Play in the viewport's transport bar, hold W for a
// second (the player walks), let go of the mouse with Escape, press Stop, and
// check that the scene then saves to exactly what the edited scene was. And
// the built game's start: with KORVANE_GAME_BUILD and KORVANE_PROJECT_ROOT
// the splash runs, "Game started" is logged and the game draws a picture.
// Screenshots are kept under /tmp/korvane-play-e2e/.

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "editor/legacy/files/SceneFile.h"
#include "tests/support/Process.h"
#include "tests/support/TempTree.h"
#include "tests/support/XSession.h"

using namespace korvane::test;
namespace fs = std::filesystem;

namespace {

bool Xdo(const std::string& display, std::vector<std::string> args) {
    args.insert(args.begin(), "/usr/bin/xdotool");
    ProcessOptions o;
    o.env["DISPLAY"] = display;
    o.timeoutSeconds = 10;
    return RunProcess(args, o).exitCode == 0;
}

class PlayE2E : public ::testing::Test {
protected:
    XvfbServer xvfb;
    std::string home, root;
    std::string shots = "/tmp/korvane-play-e2e";

    void SetUp() override {
        home = MakeTempDir("korvane_play_e2e_");
        ASSERT_FALSE(home.empty());
        if (!xvfb.Start(1600, 1000)) GTEST_SKIP() << "Xvfb is not available";
        std::error_code ec;
        fs::create_directories(shots, ec);
        root = home + "/Sample";
        fs::copy(std::string(KORVANE_SOURCE_DIR) + "/samples/SampleProject", root, fs::copy_options::recursive);
        std::ofstream(home + "/.korvane_projects") << "Sample|" << root << "\n";
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(home, ec);
    }
};

} // namespace

TEST_F(PlayE2E, PlayWalkAndStopRestoresTheScene) {
    const std::string scene = root + "/Assets/Scenes/Default.korvane";
    EditorSession s;
    ASSERT_TRUE(s.Launch(KORVANE_EXE_PATH, xvfb.Display(), home));
    auto card = s.WaitForProbe("hub.card.0", 30);
    ASSERT_TRUE(card) << s.AllStderr();
    ASSERT_TRUE(s.WaitForLine("[probe] frame state=0", 10));
    ASSERT_TRUE(Click(s.Display(), card->CenterX(), card->CenterY()));
    ASSERT_TRUE(s.WaitForLine("[INFO] Scene loaded: " + scene, 30)) << s.AllStderr();
    ASSERT_TRUE(s.WaitForLine("[probe] frame state=2", 20)) << s.AllStderr();
    sleep(2);

    auto player = s.WaitForSettledProbe("viewport.ent.4", 10);
    auto play = s.WaitForSettledProbe("viewport.play", 10);
    ASSERT_TRUE(player && play) << s.AllStderr();
    ASSERT_TRUE(Click(s.Display(), play->CenterX(), play->CenterY()));
    ASSERT_TRUE(s.WaitForLine("[INFO] Play mode started", 10)) << s.AllStderr();
    sleep(1);

    // Hold W for a second: the player walks away from the camera.
    ASSERT_TRUE(Xdo(s.Display(), {"keydown", "w"}));
    sleep(1);
    ASSERT_TRUE(Xdo(s.Display(), {"keyup", "w"}));
    sleep(1);
    auto walked = s.WaitForProbe("viewport.ent.4", 5);
    ASSERT_TRUE(walked);
    EXPECT_GT(std::abs(walked->CenterX() - player->CenterX()) + std::abs(walked->CenterY() - player->CenterY()), 10)
        << "the player moved on screen";
    ASSERT_TRUE(Screenshot(s.Display(), shots + "/playing.png"));
    EXPECT_GT(ReadImageStats(shots + "/playing.png").distinctColors, 20u);

    // Escape gives the mouse back; play runs on until Stop.
    ASSERT_TRUE(Key(s.Display(), "Escape"));
    ASSERT_TRUE(s.WaitForLine("[INFO] Play mode mouse released (ESC). Use Stop to exit play mode.", 10))
        << s.AllStderr();
    auto stop = s.WaitForProbe("viewport.stop", 5);
    ASSERT_TRUE(stop);
    ASSERT_TRUE(Click(s.Display(), stop->CenterX(), stop->CenterY()));
    ASSERT_TRUE(s.WaitForLine("[INFO] Play mode stopped: Stop", 10)) << s.AllStderr();
    sleep(1);
    auto back = s.WaitForProbe("viewport.ent.4", 5);
    ASSERT_TRUE(back);
    EXPECT_LE(std::abs(back->CenterX() - player->CenterX()) + std::abs(back->CenterY() - player->CenterY()), 2);

    // Saved now, the scene is the edited scene as this editor writes it.
    ASSERT_TRUE(Key(s.Display(), "ctrl+s"));
    ASSERT_TRUE(s.WaitForLine("[INFO] Scene saved: " + scene, 10)) << s.AllStderr();
    ASSERT_TRUE(s.RequestWindowClose());
    EXPECT_EQ(s.WaitExit(20), 0) << s.AllStderr();

    const std::string original = ReadAll(std::string(KORVANE_SOURCE_DIR) + "/samples/SampleProject/Assets/Scenes/Default.korvane");
    const std::string originalPath = home + "/original.korvane";
    std::ofstream(originalPath) << original;
    ASSERT_TRUE(LoadScene(originalPath.c_str()));
    const std::string normalizedPath = home + "/normalized.korvane";
    ASSERT_TRUE(SaveScene(normalizedPath.c_str()));
    EXPECT_EQ(ReadAll(scene), ReadAll(normalizedPath));
}

TEST_F(PlayE2E, BuiltGameShowsItsSplashThenPlays) {
    EditorSession s;
    ASSERT_TRUE(s.Launch(KORVANE_EXE_PATH, xvfb.Display(), home,
                         {{"KORVANE_GAME_BUILD", "1"}, {"KORVANE_PROJECT_ROOT", root}}));
    ASSERT_TRUE(s.WaitForLine("[INFO] Scene loaded: ", 30)) << s.AllStderr();
    ASSERT_TRUE(s.WaitForLine("[INFO] Game started", 30)) << s.AllStderr();
    sleep(2);
    ASSERT_TRUE(Screenshot(s.Display(), shots + "/game.png"));
    const ImageStats stats = ReadImageStats(shots + "/game.png");
    EXPECT_TRUE(stats.ok);
    EXPECT_GT(stats.distinctColors, 20u) << "the game drew its scene, not a blank frame";
    ASSERT_TRUE(s.RequestWindowClose());
    EXPECT_EQ(s.WaitExit(20), 0) << s.AllStderr();
}
