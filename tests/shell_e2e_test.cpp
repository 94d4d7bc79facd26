// The real editor under a private Xvfb: the hub comes up, a project is
// created through "Create New" or opened from its card, the editor state is
// reached, and a close request ends the process cleanly. Without a display
// both modes exit with code 1 instead of aborting.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "tests/support/Process.h"
#include "tests/support/TempTree.h"
#include "tests/support/XSession.h"

using namespace korvane::test;
namespace fs = std::filesystem;

namespace {

std::string CopySample(const std::string& dest) {
    fs::copy(std::string(KORVANE_SOURCE_DIR) + "/samples/SampleProject", dest, fs::copy_options::recursive);
    return dest;
}

class ShellE2E : public ::testing::Test {
protected:
    XvfbServer xvfb;
    std::string home;

    void SetUp() override {
        home = MakeTempDir("korvane_e2e_home_");
        ASSERT_FALSE(home.empty());
        if (!xvfb.Start(1600, 1000)) GTEST_SKIP() << "Xvfb is not available";
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(home, ec);
    }
    std::string Shot(const std::string& name) { return home + "/" + name + ".png"; }
};

} // namespace

TEST_F(ShellE2E, HubCreatesAProjectOpensItAndClosesCleanly) {
    EditorSession s;
    ASSERT_TRUE(s.Launch(KORVANE_EXE_PATH, xvfb.Display(), home));
    ASSERT_TRUE(s.WaitForLine("[probe] frame state=0", 30)) << s.AllStderr();

    auto lines = s.Lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "[INFO] Engine context initialized.");
    EXPECT_EQ(lines[1], "[INFO] Crash guards installed.");
    EXPECT_EQ(lines[2], "[INFO] Launching Korvane legacy adapter in editor mode.");

    ASSERT_TRUE(Screenshot(s.Display(), Shot("hub")));
    ImageStats hub = ReadImageStats(Shot("hub"));
    ASSERT_TRUE(hub.ok);
    EXPECT_EQ(hub.width, 1600);
    EXPECT_GT(hub.distinctColors, 20u) << "the hub screenshot looks blank";

    auto tab = s.WaitForSettledProbe("hub.tab.create", 10);
    ASSERT_TRUE(tab && tab->w > 0) << s.AllStderr();
    ASSERT_TRUE(Click(s.Display(), tab->CenterX(), tab->CenterY()));
    auto name = s.WaitForSettledProbe("hub.create.name", 10);
    auto path = s.WaitForSettledProbe("hub.create.path", 10);
    auto button = s.WaitForSettledProbe("hub.create.button", 10);
    ASSERT_TRUE(name && path && button) << s.AllStderr();

    const std::string root = home + "/Games/E2E Game";
    ASSERT_TRUE(Click(s.Display(), name->CenterX(), name->CenterY()));
    ASSERT_TRUE(Key(s.Display(), "ctrl+a"));
    ASSERT_TRUE(Type(s.Display(), "E2E Game"));
    ASSERT_TRUE(Click(s.Display(), path->CenterX(), path->CenterY()));
    ASSERT_TRUE(Key(s.Display(), "ctrl+a"));
    ASSERT_TRUE(Type(s.Display(), root));
    ASSERT_TRUE(Key(s.Display(), "Tab"));
    ASSERT_TRUE(Click(s.Display(), button->CenterX(), button->CenterY()));

    ASSERT_TRUE(s.WaitForLine("[INFO] Korvane Editor v0.4.0 - Ready", 20)) << s.AllStderr();
    ASSERT_TRUE(s.WaitForLine("[probe] frame state=2", 10)) << s.AllStderr();
    EXPECT_TRUE(s.WaitForLine("[INFO] Project created: " + root, 1));
    for (const char* sub : {"/Assets", "/Assets/Scripts", "/Assets/Scenes", "/Build"}) {
        EXPECT_TRUE(fs::is_directory(root + sub)) << sub;
    }
    EXPECT_TRUE(fs::exists(root + "/Assets/Scenes/Default.korvane"));
    EXPECT_EQ(ReadAll(home + "/.korvane_projects"), "E2E Game|" + root + "\n");

    ASSERT_TRUE(Screenshot(s.Display(), Shot("editor")));
    EXPECT_GT(ReadImageStats(Shot("editor")).distinctColors, 5u);

    ASSERT_TRUE(s.RequestWindowClose());
    EXPECT_EQ(s.WaitExit(20), 0) << s.AllStderr();
}

TEST_F(ShellE2E, HubRefusesPathsThatExistOrCannotBeCreated) {
    EditorSession s;
    ASSERT_TRUE(s.Launch(KORVANE_EXE_PATH, xvfb.Display(), home));
    auto tab = s.WaitForSettledProbe("hub.tab.create", 30);
    ASSERT_TRUE(tab && tab->w > 0) << s.AllStderr();
    ASSERT_TRUE(s.WaitForLine("[probe] frame state=0", 10));
    ASSERT_TRUE(Click(s.Display(), tab->CenterX(), tab->CenterY()));
    auto path = s.WaitForSettledProbe("hub.create.path", 10);
    auto button = s.WaitForSettledProbe("hub.create.button", 10);
    ASSERT_TRUE(path && button) << s.AllStderr();
    auto typePath = [&](const std::string& p) {
        ASSERT_TRUE(Click(s.Display(), path->CenterX(), path->CenterY()));
        ASSERT_TRUE(Key(s.Display(), "ctrl+a"));
        ASSERT_TRUE(Type(s.Display(), p));
        ASSERT_TRUE(Key(s.Display(), "Tab"));
    };

    // An existing folder: the button is disabled, clicking does nothing.
    typePath(home);
    ASSERT_TRUE(Click(s.Display(), button->CenterX(), button->CenterY()));
    EXPECT_FALSE(s.WaitForLine("Project created", 1.5));

    // A file where a folder must go: reported, nothing registered or opened.
    std::ofstream(home + "/blocked") << "x";
    typePath(home + "/blocked/Game");
    ASSERT_TRUE(Click(s.Display(), button->CenterX(), button->CenterY()));
    EXPECT_TRUE(s.WaitForLine("[ERROR] Project not created", 10)) << s.AllStderr();
    EXPECT_FALSE(s.WaitForLine("[probe] frame state=2", 1.5)) << "the editor must not open";
    EXPECT_FALSE(fs::exists(home + "/.korvane_projects"));

    auto close = s.WaitForSettledProbe("hub.close", 5);
    ASSERT_TRUE(close);
    ASSERT_TRUE(Click(s.Display(), close->CenterX(), close->CenterY()));
    EXPECT_EQ(s.WaitExit(20), 0) << s.AllStderr();
}

TEST_F(ShellE2E, RemoveACardThenAddTheFolderBack) {
    const std::string root = CopySample(home + "/Kept Folder");
    {
        std::ofstream reg(home + "/.korvane_projects");
        reg << "Listed|" << root << "\n";
    }
    EditorSession s;
    ASSERT_TRUE(s.Launch(KORVANE_EXE_PATH, xvfb.Display(), home));
    auto card = s.WaitForSettledProbe("hub.card.0", 30);
    ASSERT_TRUE(card) << s.AllStderr();
    ASSERT_TRUE(s.WaitForLine("[probe] frame state=0", 10));
    // Remove through the card's context menu: the list is rewritten, the
    // folder stays.
    ASSERT_TRUE(Click(s.Display(), card->CenterX(), card->CenterY(), 3));
    auto remove = s.WaitForSettledProbe("hub.card.menu.remove", 10);
    ASSERT_TRUE(remove) << s.AllStderr();
    ASSERT_TRUE(Click(s.Display(), remove->CenterX(), remove->CenterY()));
    for (int i = 0; i < 50 && !ReadAll(home + "/.korvane_projects").empty(); ++i) usleep(100000);
    EXPECT_EQ(ReadAll(home + "/.korvane_projects"), "");
    EXPECT_TRUE(fs::is_directory(root + "/Assets/Scenes"));

    // Add it back with "Add Existing Project": first a path that is not a
    // folder (refused, logged), then the folder itself (opens the project).
    auto tab = s.WaitForSettledProbe("hub.tab.create", 10);
    ASSERT_TRUE(tab);
    ASSERT_TRUE(Click(s.Display(), tab->CenterX(), tab->CenterY()));
    auto add = s.WaitForSettledProbe("hub.add.button", 10);
    ASSERT_TRUE(add) << s.AllStderr();
    auto addPath = [&](const std::string& p) {
        ASSERT_TRUE(Click(s.Display(), add->CenterX(), add->CenterY()));
        auto field = s.WaitForSettledProbe("hub.add.path", 10);
        auto confirm = s.WaitForSettledProbe("hub.add.confirm", 10);
        ASSERT_TRUE(field && confirm) << s.AllStderr();
        ASSERT_TRUE(Click(s.Display(), field->CenterX(), field->CenterY()));
        ASSERT_TRUE(Key(s.Display(), "ctrl+a"));
        ASSERT_TRUE(Type(s.Display(), p));
        ASSERT_TRUE(Click(s.Display(), confirm->CenterX(), confirm->CenterY()));
    };
    addPath(home + "/no such folder");
    EXPECT_TRUE(s.WaitForLine("[ERROR] Not a valid directory: " + home + "/no such folder", 10)) << s.AllStderr();
    ASSERT_TRUE(Key(s.Display(), "Escape"));
    addPath(root);
    ASSERT_TRUE(s.WaitForLine("[INFO] Korvane Editor v0.4.0 - Ready", 20)) << s.AllStderr();
    EXPECT_EQ(ReadAll(home + "/.korvane_projects"), "Kept Folder|" + root + "\n");
    ASSERT_TRUE(s.RequestWindowClose());
    EXPECT_EQ(s.WaitExit(20), 0) << s.AllStderr();
}

TEST_F(ShellE2E, ClickingACardOpensTheRegisteredProject) {
    const std::string root = CopySample(home + "/Sample Project");
    {
        std::ofstream reg(home + "/.korvane_projects");
        reg << "not a project line\nSample|" << root << "\n";
    }
    EditorSession s;
    ASSERT_TRUE(s.Launch(KORVANE_EXE_PATH, xvfb.Display(), home));
    auto card = s.WaitForSettledProbe("hub.card.0", 30);
    ASSERT_TRUE(card && card->w > 0) << s.AllStderr();
    ASSERT_TRUE(s.WaitForLine("[probe] frame state=0", 10));
    ASSERT_TRUE(Click(s.Display(), card->CenterX(), card->CenterY()));
    ASSERT_TRUE(s.WaitForLine("[INFO] Scene loaded: " + root + "/Assets/Scenes/Default.korvane (13 entities)", 20))
        << s.AllStderr();
    ASSERT_TRUE(s.WaitForLine("[INFO] Korvane Editor v0.4.0 - Ready", 10));
    ASSERT_TRUE(s.WaitForLine("[probe] frame state=2", 10));
    ASSERT_TRUE(s.RequestWindowClose());
    EXPECT_EQ(s.WaitExit(20), 0) << s.AllStderr();
}

TEST_F(ShellE2E, ClosingWithUnsavedChangesAsksThenSavesUnderAFreeName) {
    const std::string root = CopySample(home + "/Sample");
    std::ofstream(root + "/Assets/Scenes/Untitled.korvane") << "someone else's scene";
    std::ofstream(home + "/.korvane_projects") << "Sample|" << root << "\n";
    EditorSession s;
    ASSERT_TRUE(s.Launch(KORVANE_EXE_PATH, xvfb.Display(), home));
    auto card = s.WaitForSettledProbe("hub.card.0", 30);
    ASSERT_TRUE(card) << s.AllStderr();
    ASSERT_TRUE(s.WaitForLine("[probe] frame state=0", 10));
    ASSERT_TRUE(Click(s.Display(), card->CenterX(), card->CenterY()));
    ASSERT_TRUE(s.WaitForLine("[probe] frame state=2", 30)) << s.AllStderr();

    // Ctrl+N on a clean scene: a new, unsaved (dirty, pathless) scene.
    ASSERT_TRUE(Click(s.Display(), card->CenterX(), card->CenterY()));
    ASSERT_TRUE(Key(s.Display(), "ctrl+n"));
    ASSERT_TRUE(s.WaitForLine("[INFO] New scene", 10)) << s.AllStderr();

    // The close box asks instead of closing.
    ASSERT_TRUE(s.RequestWindowClose());
    auto save = s.WaitForSettledProbe("unsaved.save", 10);
    ASSERT_TRUE(save) << s.AllStderr();
    EXPECT_TRUE(s.Running());
    ASSERT_TRUE(Click(s.Display(), save->CenterX(), save->CenterY()));
    EXPECT_EQ(s.WaitExit(20), 0) << s.AllStderr();
    EXPECT_EQ(ReadAll(root + "/Assets/Scenes/Untitled.korvane"), "someone else's scene");
    EXPECT_NE(ReadAll(root + "/Assets/Scenes/Untitled_1.korvane").find("# Korvane Scene v3"), std::string::npos);
}

TEST_F(ShellE2E, RunningGameSplashesPlaysAndClosesWithoutAsking) {
    const std::string root = CopySample(home + "/Game");
    EditorSession s;
    ASSERT_TRUE(s.Launch(KORVANE_EXE_PATH, xvfb.Display(), home,
                         {{"KORVANE_GAME_BUILD", std::string("1")}, {"KORVANE_PROJECT_ROOT", root}}));
    ASSERT_TRUE(s.WaitForLine("[INFO] Game scene loaded: " + root + "/Assets/Scenes/Default.korvane", 30))
        << s.AllStderr();
    // Fade in, hold and fade out take 3.1 s before play starts.
    ASSERT_TRUE(s.WaitForLine("[INFO] Game started", 20)) << s.AllStderr();
    ASSERT_TRUE(s.RequestWindowClose());
    EXPECT_EQ(s.WaitExit(20), 0) << s.AllStderr();
    const std::string before = ReadAll(root + "/Assets/Scenes/Default.korvane");
    EXPECT_EQ(before, ReadAll(std::string(KORVANE_SOURCE_DIR) + "/samples/SampleProject/Assets/Scenes/Default.korvane"))
        << "a running game never saves";
}

TEST(ShellNoDisplay, BothModesExitWithCodeOne) {
    const std::string home = MakeTempDir("korvane_e2e_nodisplay_");
    const std::string root = home + "/Game";
    fs::copy(std::string(KORVANE_SOURCE_DIR) + "/samples/SampleProject", root, fs::copy_options::recursive);
    struct Case { std::optional<std::string> gameBuild; const char* what; } cases[] = {
        {std::string("1"), "game runtime"},
        {std::nullopt, "editor"},
    };
    for (const Case& c : cases) {
        ProcessOptions o;
        o.env["DISPLAY"] = std::nullopt;
        o.env["WAYLAND_DISPLAY"] = std::nullopt;
        o.env["HOME"] = home;
        o.env["KORVANE_GAME_BUILD"] = c.gameBuild;
        o.env["KORVANE_PROJECT_ROOT"] = root;
        o.timeoutSeconds = 30;
        ProcessResult r = RunProcess({KORVANE_EXE_PATH}, o);
        EXPECT_EQ(r.signal, 0) << c.what << ": " << r.err;
        EXPECT_EQ(r.exitCode, 1) << c.what << ": " << r.err;
    }
    std::error_code ec;
    fs::remove_all(home, ec);
}
