// Opening the sample project from the hub of the real editor goes through
// the loading screen (state 1, its card and messages drawn) into the editor
// with the project's own scene; the built-in scripts are seeded on the way.
// Screenshots of the hub and the editor land in the build folder.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "tests/support/XSession.h"

using namespace korvane::test;
namespace fs = std::filesystem;

namespace {

TEST(LoadingE2E, OpeningTheSampleFromTheHubShowsTheLoaderAndReachesTheEditor) {
    XvfbServer xvfb;
    if (!xvfb.Start(1600, 1000)) GTEST_SKIP() << "Xvfb is not available";
    const std::string home = MakeTempDir("korvane_loading_e2e_");
    ASSERT_FALSE(home.empty());
    const std::string root = home + "/Sample";
    fs::copy(std::string(KORVANE_SOURCE_DIR) + "/samples/SampleProject", root, fs::copy_options::recursive);
    std::ofstream(home + "/.korvane_projects") << "Sample|" << root << "\n";
    const std::string shots = std::string(KORVANE_BINARY_DIR) + "/screenshots";
    fs::create_directories(shots);

    EditorSession s;
    ASSERT_TRUE(s.Launch(KORVANE_EXE_PATH, xvfb.Display(), home));
    auto card = s.WaitForProbe("hub.card.0", 30);
    ASSERT_TRUE(card && card->w > 0) << s.AllStderr();
    ASSERT_TRUE(s.WaitForLine("[probe] frame state=0", 10));
    ASSERT_TRUE(Screenshot(s.Display(), shots + "/hub.png"));
    EXPECT_GT(ReadImageStats(shots + "/hub.png").distinctColors, 20u);

    ASSERT_TRUE(Click(s.Display(), card->CenterX(), card->CenterY()));
    ASSERT_TRUE(s.WaitForLine("[probe] frame state=1", 20)) << s.AllStderr();
    EXPECT_TRUE(s.WaitForProbe("loader.card", 10).has_value()) << s.AllStderr();
    EXPECT_TRUE(s.WaitForLine("[probe] text loader.message ", 10)) << s.AllStderr();
    ASSERT_TRUE(s.WaitForLine("[INFO] Scene loaded: " + root + "/Assets/Scenes/Default.korvane", 30))
        << s.AllStderr();
    ASSERT_TRUE(s.WaitForLine("[INFO] Korvane Editor v0.4.0 - Ready", 10)) << s.AllStderr();
    ASSERT_TRUE(s.WaitForLine("[probe] frame state=2", 10)) << s.AllStderr();
    // Let the window take its editor size and the docked panels settle.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    ASSERT_TRUE(Screenshot(s.Display(), shots + "/editor.png"));
    EXPECT_GT(ReadImageStats(shots + "/editor.png").distinctColors, 5u);

    for (const char* script : {"player.fs", "enemy.fs", "spinner.fs", "platform.fs"}) {
        EXPECT_TRUE(fs::is_regular_file(root + "/Assets/Scripts/" + script)) << script;
    }
    EXPECT_TRUE(fs::is_regular_file(root + "/Library/.scripts_seeded"));
    EXPECT_EQ(s.AllStderr().find("fallback editor icons"), std::string::npos) << "every icon loaded in time";

    ASSERT_TRUE(s.RequestWindowClose());
    EXPECT_EQ(s.WaitExit(20), 0) << s.AllStderr();
    std::error_code ec;
    fs::remove_all(home, ec);
}

}  // namespace
