// The real executable's start-up: the three bootstrap lines on standard
// error, in order, for each launch mode.

#include <gtest/gtest.h>

#include "tests/support/Process.h"

using namespace korvane::test;

TEST(Bootstrap, LaunchLinesForEachMode) {
    struct Case { std::optional<std::string> gameBuild; const char* modeLine; } cases[] = {
        {std::nullopt, "[INFO] Launching Korvane legacy adapter in editor mode."},
        {"0", "[INFO] Launching Korvane legacy adapter in game runtime mode."},
    };
    for (const auto& c : cases) {
        ProcessOptions options;
        options.env["DISPLAY"] = std::nullopt;
        options.env["WAYLAND_DISPLAY"] = std::nullopt;
        options.env["KORVANE_GAME_BUILD"] = c.gameBuild;
        auto r = RunProcess({KORVANE_EXE_PATH}, options);
        auto lines = SplitLines(r.err);
        ASSERT_GE(lines.size(), 3u) << r.err;
        EXPECT_EQ(lines[0], "[INFO] Engine context initialized.");
        EXPECT_EQ(lines[1], "[INFO] Crash guards installed.");
        EXPECT_EQ(lines[2], c.modeLine);
        EXPECT_EQ(r.signal, 0) << r.err;
    }
}
